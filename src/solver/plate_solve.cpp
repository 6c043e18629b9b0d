#include "solver/plate_solve.h"

#include "assembly/element.h"
#include "refine/fine_system.h"
#include "refine/refine.h"

#include <Eigen/Cholesky>
#include <Eigen/Core>

plate_solution solve_plate(const element_table& elements, const plate& problem) {
    plate_solution solution;
    solution.K.assign(node_count * node_count, 0.0);
    solution.f.assign(node_count, 0.0);
    for (int e = 1; e <= element_count; e++) {
        const int n[3] = {elements.node(e, 1), elements.node(e, 2), elements.node(e, 3)};
        const element_values v = plate_element(problem, n, e);
        for (int i = 1; i <= 3; i++) {
            for (int j = 1; j <= 3; j++) {
                double& entry = solution.K[(n[i - 1] - 1) * node_count + n[j - 1] - 1];
                entry = entry + v.matrix[i][j];
            }
        }
        for (int i = 1; i <= 3; i++) {
            solution.f[n[i - 1] - 1] = solution.f[n[i - 1] - 1] + v.loads[i];
        }
    }
    const Eigen::Map<const Eigen::Matrix<double, node_count, node_count, Eigen::RowMajor>> K(
        solution.K.data());
    const Eigen::LLT<Eigen::Matrix<double, node_count, node_count>> factors(K);
    if (factors.info() != Eigen::Success) {
        return solution;
    }
    const Eigen::Matrix<double, node_count, 1> T =
        factors.solve(Eigen::Map<const Eigen::Matrix<double, node_count, 1>>(solution.f.data()));
    solution.T.assign(T.data(), T.data() + node_count);
    const heat_balance balance =
        balance_of(table_mesh(elements, problem), solution.T, problem.values());
    solution.heat_in = balance.in;
    solution.heat_out = balance.out;
    return solution;
}
