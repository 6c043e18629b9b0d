#include "refine/fine_system.h"

#include "problem/problem.h"

#include <algorithm>
#include <cmath>

namespace {

// The position of column q in row p of a compressed row matrix.
int slot(const int* outer, const int* inner, int p, int q) {
    int k = outer[p];
    while (inner[k] != q) {
        k++;
    }
    return k;
}

} // namespace

level_system assemble_level(const level_mesh& mesh, const problem_values& problem) {
    const int n = static_cast<int>(mesh.node_count());
    const int edge_count = static_cast<int>(mesh.edge_count());
    // The pattern: each node with its neighbours along edges, in ascending order.
    std::vector<int> outer(n + 1, 0);
    for (int e = 0; e < edge_count; e++) {
        outer[mesh.ends[2 * e] + 1]++;
        outer[mesh.ends[2 * e + 1] + 1]++;
    }
    for (int i = 0; i < n; i++) {
        outer[i + 1] += outer[i] + 1;
    }
    std::vector<int> inner(outer[n]);
    std::vector<int> fill(outer.begin(), outer.end() - 1);
    for (int i = 0; i < n; i++) {
        inner[fill[i]++] = i;
    }
    for (int e = 0; e < edge_count; e++) {
        const int p = mesh.ends[2 * e], q = mesh.ends[2 * e + 1];
        inner[fill[p]++] = q;
        inner[fill[q]++] = p;
    }
    for (int i = 0; i < n; i++) {
        std::sort(inner.begin() + outer[i], inner.begin() + outer[i + 1]);
    }
    level_system system;
    system.K = Eigen::SparseMatrix<double, Eigen::RowMajor, int>(n, n);
    system.K.resizeNonZeros(outer[n]);
    std::copy(outer.begin(), outer.end(), system.K.outerIndexPtr());
    std::copy(inner.begin(), inner.end(), system.K.innerIndexPtr());
    double* values = system.K.valuePtr();
    std::fill(values, values + outer[n], 0.0);
    system.f.assign(n, 0.0);

    const std::size_t count = mesh.triangle_count();
    for (std::size_t t = 0; t < count; t++) {
        const int* corner = &mesh.triangles[3 * t];
        double x[4];
        double y[4];
        for (int i = 1; i <= 3; i++) {
            x[i] = mesh.x[corner[i - 1]];
            y[i] = mesh.y[corner[i - 1]];
        }
        term_side sides[3];
        int terms = 0;
        for (int k = 0; k < 3 && terms < most_terms; k++) {
            const condition kind = mesh.kinds[mesh.edges[3 * t + k]];
            if (kind != condition::none) {
                sides[terms++] = {kind, k + 1, (k + 1) % 3 + 1};
            }
        }
        const element_values v = element_values_of(x, y, problem, sides, terms);
        for (int i = 1; i <= 3; i++) {
            const int p = corner[i - 1];
            for (int j = 1; j <= 3; j++) {
                values[slot(outer.data(), inner.data(), p, corner[j - 1])] += v.matrix[i][j];
            }
            system.f[p] += v.loads[i];
        }
    }
    return system;
}

std::vector<double> times(const level_system& system, const std::vector<double>& x) {
    std::vector<double> y(x.size());
    Eigen::Map<Eigen::VectorXd>(y.data(), static_cast<long>(y.size())) =
        system.K * Eigen::Map<const Eigen::VectorXd>(x.data(), static_cast<long>(x.size()));
    return y;
}

heat_balance balance_of(const level_mesh& mesh, const std::vector<double>& T,
                        const problem_values& values) {
    heat_balance balance;
    for (std::size_t e = 0; e < mesh.edge_count(); e++) {
        const int p = mesh.ends[2 * e], q = mesh.ends[2 * e + 1];
        const double length = std::hypot(mesh.x[q] - mesh.x[p], mesh.y[q] - mesh.y[p]);
        if (mesh.kinds[e] == condition::heat_flux) {
            balance.in += values.heat_flux * length;
        } else if (mesh.kinds[e] == condition::convection) {
            balance.out += values.convection * length * ((T[p] + T[q]) / 2 - values.ambient);
        }
    }
    return balance;
}
