#include "refine/adapt.h"

#include "problem/problem.h"
#include "refine/limits.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <numeric>

const char* const adapt_obtained =
    "extrapolated from the last mesh and the same split once, with order 2 (the steps grade "
    "the mesh so that the error falls as 1/nodes); the error left, one bound for every node, "
    "from the answer's largest change over the last step, the error falling as 1/nodes";

namespace {

// The radius over which the dual problem spreads the unit load at each of
// heat2d's nodes, on the design's plate (on another, scaled with it). Until
// the triangles around a node are smaller, the load is theirs, which weights
// the steps toward the nodes; below it the steps stop bisecting toward a
// point.
constexpr double load_radius = 1e-5;

// A step's bytes a node: its mesh (about 2 triangles and 3 edges a node), its
// system (7 entries a row), the factors (about 40 entries a row with a
// fill-reducing order, indices included), a few vectors; then the split
// mesh, 4 times the nodes, with its system and the vectors of its solve.
constexpr double bytes_a_node = (2 * 24 + 3 * 12 + 16 + 7 * 12 + 40 * 12 + 10 * 8) +
                                4 * (2 * 24 + 3 * 12 + 16 + 7 * 12 + 12 * 8);
constexpr double fixed_bytes = 64 << 20;

double now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// The mesh with its marked triangles bisected, and the field to start its
// solve from: each node's temperature, a new node the mean of its side's ends.
std::vector<double> bisect_marked(level_mesh& mesh, const std::vector<char>& marks,
                                  const std::vector<double>& T) {
    std::vector<int> from;
    level_mesh bisected = bisect(mesh, marks, &from);
    mesh = std::move(bisected);
    std::vector<double> start = T;
    for (std::size_t k = 0; k < from.size(); k += 2) {
        start.push_back((T[from[k]] + T[from[k + 1]]) / 2);
    }
    return start;
}

// The squared indicators of the heat problem, each triangle's, and the
// scale they were computed at: a field so small that the squares would
// underflow is indicated scaled by a power of two (exact), which the
// marking does not see; the indicators are the squares' roots over scale.
struct indicated {
    std::vector<double> squares;
    double scale;
};

indicated heat_indicators(const level_mesh& mesh, const std::vector<int>& sides,
                          const std::vector<double>& T, const problem_values& values) {
    const double scale = load_scale(
        std::max({std::abs(values.heat_flux), std::abs(values.ambient), largest_magnitude(T)}));
    if (scale == 1) {
        return {indicators(mesh, sides, T, {values, {}}), 1};
    }
    problem_data scaled{values, {}};
    scaled.values.heat_flux *= scale;
    scaled.values.ambient *= scale;
    std::vector<double> T_scaled;
    for (const double t : T) {
        T_scaled.push_back(t * scale);
    }
    return {indicators(mesh, sides, T_scaled, scaled), scale};
}

// The squared indicators of the dual problem, whose solution is the influence
// of each triangle's residual on the temperatures at heat2d's nodes.
std::vector<double> dual_indicators(const level_mesh& mesh, const std::vector<int>& sides,
                                    const direct_solver& factors, const plate& problem) {
    problem_data dual{problem.values(), {}};
    dual.values.heat_flux = 0;
    dual.values.ambient = 0;
    const std::vector<double> z =
        factors.solve(node_loads(mesh, load_radius * problem.scale(), dual));
    return indicators(mesh, sides, z, dual);
}

// Each triangle weighted by both problems' indicators, for the marking.
std::vector<double> weighted(const std::vector<double>& eta2, const std::vector<double>& zeta2) {
    const double eta_sum = std::accumulate(eta2.begin(), eta2.end(), 0.0);
    const double zeta_sum = std::accumulate(zeta2.begin(), zeta2.end(), 0.0);
    std::vector<double> weights(eta2.size());
    for (std::size_t t = 0; t < eta2.size(); t++) {
        weights[t] = eta2[t] * zeta_sum + zeta2[t] * eta_sum;
    }
    return weights;
}

// The answer at heat2d's nodes, extrapolated from the step's mesh and the
// same split once with order 2, as the graded meshes have it. Not the order
// that a fit of the last steps' changes shows: those scatter by a factor of 2
// a step, and the fit fell from 2 to 1.3 at step 23 of the shipped case,
// which made the answer's error twenty times larger.
adapt_answer extrapolated(const std::vector<double>& T, const std::vector<double>& T_split) {
    adapt_answer answer;
    for (int i = 0; i < node_count; i++) {
        answer.T.push_back(T_split[i] + (T_split[i] - T[i]) / 3);
        answer.order.push_back(2);
    }
    return answer;
}

// The error left in the answer, one bound at every node: the change to come.
// With the error as 1/nodes, the last change times the nodes before over
// those added. One node's change scatters about its error (a step may move
// it little where the error is still large), the largest does not: that
// bounds them all.
std::vector<double> error_to_come(const adapt_answer& answer, const adapt_answer& before,
                                  const std::vector<double>& split_nodes) {
    const std::size_t k = split_nodes.size() - 1;
    const double factor = split_nodes[k - 1] / (split_nodes[k] - split_nodes[k - 1]);
    double largest_change = 0;
    for (int i = 0; i < node_count; i++) {
        largest_change = std::max(largest_change, std::abs(answer.T[i] - before.T[i]) * factor);
    }
    return std::vector<double>(node_count, largest_change);
}

} // namespace

bool stall_rule::stalled(double estimate) {
    if (estimate < least) {
        least = estimate;
        not_fallen = 0;
    } else if (std::isfinite(estimate)) {
        not_fallen++;
    }
    return not_fallen >= stall_steps;
}

double adapt_bytes(double nodes) {
    return nodes * bytes_a_node + fixed_bytes;
}

double adapt_nodes(double bytes) {
    return std::max(0.0, (bytes - fixed_bytes) / bytes_a_node);
}

adaptation::adaptation(const level_mesh& base, const plate& given) : problem(given) {
    // Room for the step's mesh and the split one, so that neither moves.
    meshes.reserve(2);
    meshes.push_back(longest_side_first(base));
}

double adaptation::next_nodes() const {
    // A step adds at most a node a side of a marked triangle, and the closure
    // rarely as many again.
    const double marked = static_cast<double>(std::count(marks.begin(), marks.end(), 1));
    return static_cast<double>(mesh().node_count()) + (steps() == 0 ? 0 : 3 * marked);
}

double adaptation::next_bytes() const {
    return adapt_bytes(next_nodes());
}

adapt_line adaptation::next() {
    const double started = now();
    std::vector<double> start;
    meshes.resize(1);
    if (steps() > 0) {
        start = bisect_marked(meshes[0], marks, T);
    }
    const level_mesh& mesh = meshes[0];
    systems.assign(1, assemble_level(mesh, values()));
    const auto factors = std::make_shared<const direct_solver>(systems[0]);
    const solve_report solved = factors->solve_from(systems[0], start, solve_tolerance);
    T = solved.T;

    // The same mesh split once, solved with the step's factors at the bottom
    // of the V-cycle; the answer at heat2d's nodes extrapolated from the two.
    meshes.push_back(refine(mesh));
    systems.push_back(assemble_level(meshes[1], values()));
    multigrid split(meshes, systems, factors);
    const solve_report fine = split.solve(prolonged(mesh, T), solve_tolerance);
    T_split = fine.T;
    at.emplace_back(T.begin(), T.begin() + node_count);

    const std::vector<int> sides = edge_triangles(mesh);
    const indicated heat = heat_indicators(mesh, sides, T, values());
    const std::vector<double> zeta2 = dual_indicators(mesh, sides, *factors, problem);
    marks = marked_by_share(weighted(heat.squares, zeta2), marked_share);
    eta.clear();
    for (const double e2 : heat.squares) {
        eta.push_back(std::sqrt(e2) / heat.scale);
    }
    const double eta_sum = std::accumulate(heat.squares.begin(), heat.squares.end(), 0.0);

    adapt_answer answer = extrapolated(T, T_split);
    split_nodes.push_back(static_cast<double>(meshes[1].node_count()));
    if (eta_sum == 0) {
        // No triangle or side has any residual: the field is the exact one.
        answer.error.assign(node_count, 0.0);
    } else if (!answers.empty()) {
        answer.error = error_to_come(answer, answers.back(), split_nodes);
    }
    answers.push_back(answer);

    adapt_line line = step_line(solved, fine);
    line.eta = std::sqrt(eta_sum) / heat.scale;
    stalled_ = stall.stalled(line.estimate);
    line.seconds = now() - started;
    return line;
}

adapt_line adaptation::step_line(const solve_report& solved, const solve_report& fine) const {
    const level_mesh& mesh = meshes[0];
    adapt_line line;
    line.step = steps() - 1;
    line.triangles = mesh.triangle_count();
    line.nodes = mesh.node_count();
    line.smallest_side = shortest_side_at(mesh, plate::notch_corner - 1);
    const auto hottest = std::max_element(T.begin(), T.end());
    line.hottest = *hottest;
    line.hottest_node = static_cast<int>(hottest - T.begin()) + 1;
    line.node_8 = T[plate::notch_top - 1];
    const std::size_t k = at.size() - 1;
    for (int i = 0; k > 0 && i < node_count; i++) {
        line.change = std::max(line.change, std::abs(at[k][i] - at[k - 1][i]));
    }
    line.balance = balance_of(mesh, T, values());
    line.residual = std::max(solved.residual, fine.residual);
    line.iterations = solved.iterations + fine.iterations;
    line.converged = solved.converged && fine.converged;
    line.at_rounding = solved.at_rounding || fine.at_rounding;
    line.backward = std::max(solved.backward, fine.backward);
    if (!answers.back().error.empty()) {
        line.estimate = answers.back().error[0];
    }
    return line;
}
