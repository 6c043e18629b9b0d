// The finer meshes' pieces in-process: the levels, bisection keeping the mesh
// whole, the indicator by hand and where it leads, the marking, and the
// steps' answer against the converged field.
#include "mesh/mesh.h"
#include "problem/problem.h"
#include "refine/adapt.h"
#include "refine/refine.h"
#include "solver/plate_solve.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

// The shipped triangulation, and as a mesh over the nodes of a plate.
void read_shipped(element_table& elements) {
    std::ifstream shipped(HEAT2D_SOURCE_DIR "/examples/elements.txt");
    for (int e = 1; e <= element_count; e++) {
        shipped >> elements.rows()[e][1] >> elements.rows()[e][2] >> elements.rows()[e][3];
    }
}

level_mesh shipped_mesh(const plate& problem = plate{}) {
    element_table elements;
    read_shipped(elements);
    return table_mesh(elements, problem);
}

double area_of(const level_mesh& mesh, std::size_t t) {
    const int* c = &mesh.triangles[3 * t];
    return ((mesh.x[c[1]] - mesh.x[c[0]]) * (mesh.y[c[2]] - mesh.y[c[0]]) -
            (mesh.x[c[2]] - mesh.x[c[0]]) * (mesh.y[c[1]] - mesh.y[c[0]])) /
           2;
}

double length_of(const level_mesh& mesh, std::size_t e) {
    const int p = mesh.ends[2 * e], q = mesh.ends[2 * e + 1];
    return std::hypot(mesh.x[q] - mesh.x[p], mesh.y[q] - mesh.y[p]);
}

// A mesh of the region, whole: heat2d's nodes in their places, every triangle
// counter-clockwise, the area 24, Euler's V - E + F = 1, every inner side in
// two triangles and no node inside a side (the outline's sides then add up to
// its 21 units, which a hanging node would add to); the terms on the
// outline's parts only, 6.5 units of heat flux and 6 of convection.
void expect_whole(const level_mesh& mesh, const std::string& what) {
    const level_mesh base = shipped_mesh();
    for (int i = 0; i < node_count; i++) {
        ASSERT_EQ(mesh.x[i], base.x[i]) << what;
        ASSERT_EQ(mesh.y[i], base.y[i]) << what;
    }
    double area = 0;
    for (std::size_t t = 0; t < mesh.triangle_count(); t++) {
        ASSERT_GT(area_of(mesh, t), 0) << what << " triangle " << t;
        area += area_of(mesh, t);
    }
    EXPECT_NEAR(area, 24, 1e-9) << what;
    EXPECT_EQ(static_cast<double>(mesh.node_count()) - static_cast<double>(mesh.edge_count()) +
                  static_cast<double>(mesh.triangle_count()),
              1)
        << what;
    const std::vector<int> at = edge_triangles(mesh);
    double lengths[3] = {}, outline = 0; // by condition
    for (std::size_t e = 0; e < mesh.edge_count(); e++) {
        const int p = mesh.ends[2 * e], q = mesh.ends[2 * e + 1];
        const bool bottom = mesh.y[p] == 0 && mesh.y[q] == 0,
                   symmetry = mesh.x[p] == 0 && mesh.x[q] == 0;
        const bool right = mesh.x[p] == 4.5 && mesh.x[q] == 4.5;
        outline += at[2 * e + 1] < 0 ? length_of(mesh, e) : 0;
        lengths[static_cast<int>(mesh.kinds[e])] += length_of(mesh, e);
        EXPECT_TRUE(at[2 * e + 1] < 0 ? (mesh.kinds[e] == condition::none) == (bottom || symmetry)
                                      : mesh.kinds[e] == condition::none)
            << what << " edge " << e;
        EXPECT_EQ(mesh.kinds[e] == condition::convection, right) << what << " edge " << e;
    }
    EXPECT_NEAR(outline, 21, 1e-9) << what;
    EXPECT_NEAR(lengths[static_cast<int>(condition::heat_flux)], 6.5, 1e-9) << what;
    EXPECT_NEAR(lengths[static_cast<int>(condition::convection)], 6, 1e-9) << what;
}

const std::vector<double>& converged() {
    static const std::vector<double> values = [] {
        std::ifstream data(HEAT2D_SOURCE_DIR "/bench/converged_field.txt");
        std::vector<double> read;
        for (std::string line; std::getline(data, line);) {
            if (!line.empty() && line[0] != '#') {
                std::istringstream fields(line);
                int node = 0;
                double value = 0;
                fields >> node >> value;
                read.push_back(value);
            }
        }
        return read;
    }();
    return values;
}

} // namespace

// Each level splits every triangle into four, the mesh whole, its new nodes
// the midpoints of the sides below, with an exactly symmetric K, solved by a
// few V-cycles to a residual measured apart from the solver, and lets out the
// heat that comes in.
TEST(Refine, LevelsWholeSymmetricAndBalanced) {
    std::vector<level_mesh> meshes{shipped_mesh()};
    std::vector<level_system> systems{assemble_level(meshes[0], {})};
    std::vector<double> T;
    multigrid solver(meshes, systems);
    for (int l = 0; l <= 5; l++) {
        if (l > 0) {
            meshes.push_back(refine(meshes.back()));
            systems.push_back(assemble_level(meshes.back(), {}));
            EXPECT_EQ(meshes[l].node_count(),
                      meshes[l - 1].node_count() + meshes[l - 1].edge_count());
            EXPECT_EQ(prolonged(meshes[l - 1], meshes[l - 1].x), meshes[l].x);
        }
        const level_mesh& mesh = meshes.back();
        EXPECT_EQ(mesh.triangle_count(), 20 * std::pow(4, l));
        expect_whole(mesh, "level " + std::to_string(l));
        const Eigen::SparseMatrix<double> K(systems.back().K);
        EXPECT_EQ(
            Eigen::SparseMatrix<double>(K - Eigen::SparseMatrix<double>(K.transpose())).norm(), 0);
        const solve_report solved = solver.solve(l == 0 ? T : prolonged(meshes[l - 1], T), 1e-10);
        T = solved.T;
        EXPECT_TRUE(solved.converged && solved.iterations <= 12) << l;
        const Eigen::Map<const Eigen::VectorXd> f(systems.back().f.data(), mesh.node_count());
        const Eigen::Map<const Eigen::VectorXd> T_l(T.data(), mesh.node_count());
        EXPECT_LE((f - K * T_l).norm() / f.norm(), 1e-10) << l;
        const heat_balance balance = balance_of(mesh, T, {});
        EXPECT_NEAR(balance.in, 975, 1e-9);
        EXPECT_NEAR(balance.out, balance.in, 1e-8 * balance.in) << l;
    }
}

// Random triangles marked over eight steps: each bisection leaves the mesh
// whole, splits every marked triangle into four at least, adds a node only at
// the midpoint of a side, keeps the smallest angle of the 20 triangles, and
// marks nothing when none is marked.
TEST(Adapt, BisectionKeepsTheMeshWhole) {
    level_mesh mesh = longest_side_first(shipped_mesh());
    expect_whole(mesh, "turned");
    const double least = smallest_angle(mesh);
    EXPECT_NEAR(least, std::atan(2.0 / 3) * 180 / std::acos(-1.0), 1e-9);
    std::mt19937 random(7);
    for (int step = 0; step < 8; step++) {
        std::vector<char> marked(mesh.triangle_count());
        std::size_t count = 0;
        for (char& m : marked) {
            m = random() % 5 == 0 || step == 0;
            count += m;
        }
        std::vector<int> from;
        const level_mesh next = bisect(mesh, marked, &from);
        const std::string what = "step " + std::to_string(step);
        expect_whole(next, what);
        EXPECT_GE(next.triangle_count(), mesh.triangle_count() + 3 * count) << what;
        ASSERT_EQ(from.size(), 2 * (next.node_count() - mesh.node_count())) << what;
        for (std::size_t k = 0; k < from.size(); k += 2) {
            const std::size_t n = mesh.node_count() + k / 2;
            EXPECT_EQ(next.x[n], (mesh.x[from[k]] + mesh.x[from[k + 1]]) / 2) << what;
            EXPECT_EQ(next.y[n], (mesh.y[from[k]] + mesh.y[from[k + 1]]) / 2) << what;
        }
        EXPECT_GE(smallest_angle(next), least - 1e-9) << what;
        mesh = next;
    }
    const level_mesh same = bisect(mesh, std::vector<char>(mesh.triangle_count(), 0));
    EXPECT_EQ(same.triangles, mesh.triangles);
    EXPECT_EQ(same.x, mesh.x);
}

// Two triangles of the unit square, the temperature 1 at (1, 0) and 0 at the
// other corners, all sides insulated: the lower triangle's field x - y has the
// gradient (1, -1), the upper's none. By hand, with k = 75: the diagonal's
// jump k sqrt 2, halved, squared, times its length squared gives k^2 to each;
// the lower one's bottom and right sides carry k dT/dn = k, k^2 each. Then a
// linear field that meets its conditions exactly, on a square with heat flux
// in on the left and convection on the right, T = 39 - 2x, is what the
// solve gives and what no indicator finds fault with.
TEST(Adapt, TheIndicatorByHandAndZeroForAnExactField) {
    const auto insulated = [](int, int) { return condition::none; };
    const level_mesh two = mesh_of({0, 1, 1, 0}, {0, 0, 1, 1}, {0, 1, 2, 0, 2, 3}, insulated);
    const problem_data data; // the design's values: k = 75
    const std::vector<double> eta = indicators(two, edge_triangles(two), {0, 1, 0, 0}, data);
    ASSERT_EQ(eta.size(), 2u);
    EXPECT_NEAR(eta[0], 3 * 75 * 75, 1e-9);
    EXPECT_NEAR(eta[1], 75 * 75, 1e-9);

    // A 4 x 4 grid of the unit square, each cell cut by its diagonal: the two
    // triangles, each split in four, twice.
    const std::vector<double> x{0, 1, 1, 0};
    const level_mesh square =
        refine(refine(mesh_of(x, {0, 0, 1, 1}, {0, 1, 2, 0, 2, 3}, [&x](int a, int b) {
            return x[a] == 0 && x[b] == 0   ? condition::heat_flux
                   : x[a] == 1 && x[b] == 1 ? condition::convection
                                            : condition::none;
        })));
    const level_system system = assemble_level(square, {});
    const solve_report solved = direct_solver(system).solve_from(system, {}, 1e-12);
    ASSERT_TRUE(solved.converged);
    for (std::size_t i = 0; i < square.node_count(); i++) {
        EXPECT_NEAR(solved.T[i], 39 - 2 * square.x[i], 1e-11) << i;
    }
    const heat_balance balance = balance_of(square, solved.T, {});
    EXPECT_NEAR(balance.in, 150, 1e-12);
    EXPECT_NEAR(balance.out, 150, 1e-9);
    const std::vector<int> at = edge_triangles(square);
    std::vector<double> found = indicators(square, at, solved.T, problem_data{});
    EXPECT_LT(*std::max_element(found.begin(), found.end()), 1e-18);
    // A node lifted: its triangles, and those across their sides (whose jump
    // they share), are found fault with, and only they.
    std::vector<double> lifted = solved.T;
    const int middle =
        static_cast<int>(std::find_if(square.x.begin(), square.x.end(),
                                      [&](const double& v) {
                                          return v == 0.5 && square.y[&v - square.x.data()] == 0.5;
                                      }) -
                         square.x.begin());
    lifted[middle] += 0.01;
    found = indicators(square, at, lifted, problem_data{});
    const auto touches = [&](std::size_t t) {
        const int* c = &square.triangles[3 * t];
        return c[0] == middle || c[1] == middle || c[2] == middle;
    };
    for (std::size_t t = 0; t < square.triangle_count(); t++) {
        bool across = false;
        for (int k = 0; k < 3; k++) {
            const int e = square.edges[3 * t + k];
            across = across || touches(static_cast<std::size_t>(at[2 * e])) ||
                     (at[2 * e + 1] >= 0 && touches(static_cast<std::size_t>(at[2 * e + 1])));
        }
        EXPECT_EQ(found[t] > 1e-6, across) << t;
    }
}

// The indicator leads at node 6, where the gradient is infinite: on the 20
// triangles at elements 3 and 8, its two triangles below the notch's floor
// (the flux sides carry little: there k dT/dn is near q, the heat coming in,
// as it should be), and refined uniformly to level 4 at a triangle with a
// corner there.
TEST(Adapt, TheIndicatorLeadsAtTheNotchCornerOnceRefined) {
    refinement levels(shipped_mesh());
    for (int level = 0; level <= 4; level++) {
        levels.next();
        const level_mesh& mesh = levels.finest();
        const std::vector<double> eta =
            indicators(mesh, edge_triangles(mesh), levels.temperatures(), problem_data{});
        std::vector<int> order(eta.size());
        for (std::size_t t = 0; t < order.size(); t++) {
            order[t] = static_cast<int>(t);
        }
        std::sort(order.begin(), order.end(), [&](int a, int b) { return eta[a] > eta[b]; });
        if (level == 0) {
            EXPECT_EQ(
                std::vector<int>({std::min(order[0], order[1]), std::max(order[0], order[1])}),
                std::vector<int>({2, 7}));
        }
        if (level == 4) {
            const int* c = &mesh.triangles[3 * order[0]];
            EXPECT_TRUE(c[0] == 5 || c[1] == 5 || c[2] == 5) << order[0];
        }
    }
}

// The steps stall after five without a new least estimate, none counted
// before there is one; a new least starts the count again.
TEST(Adapt, TheStepsStallAfterFiveWithoutAFall) {
    stall_rule rule;
    std::vector<bool> said;
    const double none = INFINITY;
    for (const double e :
         {none, none, 1.0, 0.5, 0.6, 0.7, 0.55, 0.5, 0.4, 0.9, 0.9, 0.9, 0.9, 0.41}) {
        said.push_back(rule.stalled(e));
    }
    EXPECT_EQ(said, std::vector<bool>({false, false, false, false, false, false, false, false,
                                       false, false, false, false, false, true}));
}

// Dörfler's marking: the fewest largest for the share, equal ones by number.
TEST(Adapt, MarkingTakesTheFewestForTheShareEqualOnesByNumber) {
    using marks = std::vector<char>;
    EXPECT_EQ(marked_by_share({1, 3, 3, 2, 1}, 0.5), marks({0, 1, 1, 0, 0}));
    EXPECT_EQ(marked_by_share({1, 3, 3, 2, 1}, 0.6), marks({0, 1, 1, 0, 0})); // 6 of 10 is enough
    EXPECT_EQ(marked_by_share({1, 3, 3, 2, 1}, 0.61), marks({0, 1, 1, 1, 0}));
    EXPECT_EQ(marked_by_share({2, 2, 2, 2}, 0.5), marks({1, 1, 0, 0}));
    EXPECT_EQ(marked_by_share({2, 2, 2, 2}, 0.3), marks({1, 1, 0, 0}));
    EXPECT_EQ(marked_by_share({0, 5, 0}, 0.5), marks({0, 1, 0}));
    EXPECT_EQ(marked_by_share({0, 0}, 0.5), marks({0, 0}));
    EXPECT_TRUE(richardson({{1}, {2}}).empty()); // none before three levels
}

// Steps to an error of 1e-6, the least asked, on the shipped case: every one
// solved to the tolerance with heat in and out in balance, each adding nodes;
// the answer within its estimate of the converged field at every node (node
// 6's converged value is good only to about 1e-6: it is left out), the
// largest estimate at most 3 times the largest error.
TEST(Adapt, StepsReachTheConvergedFieldWithinTheirEstimate) {
    adaptation steps(shipped_mesh());
    std::size_t nodes = 0;
    adapt_line line;
    do {
        line = steps.next();
        ASSERT_TRUE(line.converged && line.residual <= 1e-10) << line.step;
        EXPECT_GT(line.nodes, nodes);
        nodes = line.nodes;
        EXPECT_EQ(line.balance.in, 975);
        EXPECT_NEAR(line.balance.out, 975, 1e-8 * 975) << line.step;
        EXPECT_EQ(steps.indicators().size(), line.triangles);
        EXPECT_GT(std::count(steps.marked().begin(), steps.marked().end(), 1), 0);
        ASSERT_LT(line.step, 30);
    } while (line.estimate > 1e-6);
    const adapt_answer& answer = steps.answer();
    double worst = 0, estimate = 0;
    for (int i = 0; i < node_count; i++) {
        if (i != 5) {
            worst = std::max(worst, std::abs(answer.T[i] - converged()[i]));
        }
        estimate = std::max(estimate, answer.error[i]);
    }
    EXPECT_EQ(estimate, line.estimate);
    EXPECT_LE(worst, estimate);
    EXPECT_LE(estimate, 3 * worst);
    EXPECT_EQ(answer.error, std::vector<double>(node_count, estimate)); // one bound for all
    // The finest mesh solved is the last split once: its temperatures at
    // heat2d's nodes are the answer's before extrapolation.
    const level_mesh& split = steps.split_mesh();
    EXPECT_EQ(split.triangle_count(), 4 * line.triangles);
    for (int i = 0; i < node_count; i++) {
        EXPECT_NEAR(answer.T[i],
                    steps.split_temperatures()[i] +
                        (steps.split_temperatures()[i] - steps.temperatures()[i]) / 3,
                    1e-12);
    }
}
