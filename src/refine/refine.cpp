#include "refine/refine.h"

#include "assembly/triangulation.h"
#include "problem/problem.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <utility>

level_mesh table_mesh(const element_table& elements, const plate& problem) {
    std::vector<double> x, y;
    for (int i = 1; i <= node_count; i++) {
        x.push_back(problem.x(i));
        y.push_back(problem.y(i));
    }
    std::vector<int> triangles;
    for (int e = 1; e <= element_count; e++) {
        for (int k = 1; k <= 3; k++) {
            triangles.push_back(elements.node(e, k) - 1);
        }
    }
    return mesh_of(std::move(x), std::move(y), std::move(triangles),
                   [&problem](int a, int b) { return outline_term(problem, a + 1, b + 1); });
}

double level_bytes(int level) {
    // Per triangle of the finest level, all levels below adding a third: the
    // mesh (3 nodes, 3 edges, 1.5 edges' ends and kinds, 0.5 node's
    // coordinates), K's pattern and values (about 3.5 entries a triangle: 12
    // bytes each), the vectors of the solve (about 10 of 0.5 node each).
    const double triangles = element_count * std::pow(4.0, level);
    const double per_triangle = 24 + 16 + 4 * 3 + 8 + 3.5 * 12 + 10 * 0.5 * 8 + 8;
    return triangles * per_triangle * 4 / 3 + (64 << 20);
}

refinement::refinement(level_mesh first, const plate& given)
    : base(std::move(first)), problem(given) {}

level_line refinement::next() {
    const auto started = std::chrono::steady_clock::now();
    const int l = levels();
    meshes.push_back(l == 0 ? base : refine(meshes.back()));
    systems.push_back(assemble_level(meshes.back(), problem.values()));
    from_below = l == 0 ? std::vector<double>{} : prolonged(meshes[l - 1], T);
    const solve_report solved = solver.solve(l == 0 ? T : from_below, solve_tolerance);
    T = solved.T;
    at_nodes.emplace_back(T.begin(), T.begin() + node_count);
    level_line line;
    line.level = l;
    line.triangles = meshes.back().triangle_count();
    line.nodes = meshes.back().node_count();
    const auto hottest = std::max_element(T.begin(), T.end());
    line.hottest = *hottest;
    line.hottest_node = static_cast<int>(hottest - T.begin()) + 1;
    for (int i = 0; l > 0 && i < node_count; i++) {
        line.change = std::max(line.change, std::abs(at_nodes[l][i] - at_nodes[l - 1][i]));
    }
    line.balance = balance_of(meshes.back(), T, problem.values());
    line.residual = solved.residual;
    line.iterations = solved.iterations;
    line.converged = solved.converged;
    line.at_rounding = solved.at_rounding;
    line.backward = solved.backward;
    line.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    return line;
}
