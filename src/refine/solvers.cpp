#include "refine/solvers.h"

#include "refine/limits.h"

#include <cmath>

namespace {

using vector = std::vector<double>;

double dot(const vector& a, const vector& b) {
    double sum = 0;
    for (std::size_t i = 0; i < a.size(); i++) {
        sum += a[i] * b[i];
    }
    return sum;
}

// f - K T.
vector residual_of(const level_system& system, const vector& T) {
    vector r = times(system, T);
    for (std::size_t i = 0; i < r.size(); i++) {
        r[i] = system.f[i] - r[i];
    }
    return r;
}

// The transpose of prolonged(): the fine level's residual onto the coarse.
void restrict_into(const level_mesh& coarse, const vector& fine, vector& values) {
    const std::size_t nodes = coarse.node_count();
    std::copy(fine.begin(), fine.begin() + static_cast<long>(nodes), values.begin());
    for (std::size_t e = 0; e < coarse.edge_count(); e++) {
        const double half = fine[nodes + e] / 2;
        values[coarse.ends[2 * e]] += half;
        values[coarse.ends[2 * e + 1]] += half;
    }
}

// x += prolonged(coarse, values).
void add_prolonged(const level_mesh& coarse, const vector& values, vector& x) {
    const std::size_t nodes = coarse.node_count();
    for (std::size_t i = 0; i < nodes; i++) {
        x[i] += values[i];
    }
    for (std::size_t e = 0; e < coarse.edge_count(); e++) {
        x[nodes + e] += (values[coarse.ends[2 * e]] + values[coarse.ends[2 * e + 1]]) / 2;
    }
}

// y = K x, into y's storage.
void times_into(const level_system& system, const vector& x, vector& y) {
    Eigen::Map<Eigen::VectorXd>(y.data(), static_cast<long>(y.size())) =
        system.K * Eigen::Map<const Eigen::VectorXd>(x.data(), static_cast<long>(x.size()));
}

// One Gauss-Seidel sweep on K x = b, forward or backward.
void sweep(const level_system& system, const vector& b, vector& x, bool forward) {
    const auto& K = system.K;
    const int* outer = K.outerIndexPtr();
    const int* inner = K.innerIndexPtr();
    const double* values = K.valuePtr();
    const int n = static_cast<int>(K.rows());
    for (int step = 0; step < n; step++) {
        const int i = forward ? step : n - 1 - step;
        double sum = b[i];
        double diagonal = 0;
        for (int k = outer[i]; k < outer[i + 1]; k++) {
            if (inner[k] == i) {
                diagonal = values[k];
            } else {
                sum -= values[k] * x[inner[k]];
            }
        }
        x[i] = sum / diagonal;
    }
}

} // namespace

direct_solver::direct_solver(const level_system& system) {
    factors.compute(Eigen::SparseMatrix<double>(system.K));
}

vector direct_solver::solve(const vector& b) const {
    vector x(b.size());
    Eigen::Map<Eigen::VectorXd>(x.data(), static_cast<long>(x.size())) =
        factors.solve(Eigen::Map<const Eigen::VectorXd>(b.data(), static_cast<long>(b.size())));
    return x;
}

solve_report direct_solver::solve_from(const level_system& system, const vector& start,
                                       double tolerance) const {
    solve_report report;
    report.T = start.size() == system.f.size() ? start : vector(system.f.size(), 0.0);
    const double norm = std::sqrt(dot(system.f, system.f));
    vector r = residual_of(system, report.T);
    report.residual = std::sqrt(dot(r, r)) / norm;
    // Each correction is one solve with the factors; rounding bounds how far
    // the residual falls, so it stops when it no longer does.
    for (double before = INFINITY; report.residual > tolerance && report.residual < before &&
                                   report.iterations < most_iterations;) {
        const vector correction = solve(r);
        for (std::size_t i = 0; i < r.size(); i++) {
            report.T[i] += correction[i];
        }
        report.iterations++;
        r = residual_of(system, report.T);
        before = report.residual;
        report.residual = std::sqrt(dot(r, r)) / norm;
    }
    report.converged = report.residual <= tolerance;
    return report;
}

multigrid::multigrid(const std::vector<level_mesh>& m, const std::vector<level_system>& s,
                     std::shared_ptr<const direct_solver> given)
    : meshes(m), systems(s), coarsest(std::move(given)) {}

// An approximate solution x of level l's system for b, from zero. Symmetric
// (forward sweeps down, backward up), so that it preconditions conjugate
// gradients. Each level's vectors are kept between cycles: a fine level's
// would otherwise be taken from the system and zeroed page by page each time.
void multigrid::cycle(std::size_t l, const vector& b, vector& x) const {
    if (l == 0) {
        x = coarsest->solve(b);
        return;
    }
    std::fill(x.begin(), x.end(), 0.0);
    sweep(systems[l], b, x, true);
    vector& r = residuals[l];
    times_into(systems[l], x, r);
    for (std::size_t i = 0; i < r.size(); i++) {
        r[i] = b[i] - r[i];
    }
    restrict_into(meshes[l - 1], r, loads[l - 1]);
    cycle(l - 1, loads[l - 1], corrections[l - 1]);
    add_prolonged(meshes[l - 1], corrections[l - 1], x);
    sweep(systems[l], b, x, false);
}

solve_report multigrid::solve(const vector& start, double tolerance) {
    if (!coarsest) {
        coarsest = std::make_shared<const direct_solver>(systems[0]);
    }
    const std::size_t l = systems.size() - 1;
    const level_system& system = systems[l];
    for (std::size_t k = 0; k < systems.size(); k++) {
        const std::size_t n = systems[k].f.size();
        for (auto* work : {&residuals, &loads, &corrections}) {
            work->resize(systems.size());
            (*work)[k].resize(n);
        }
    }
    solve_report report;
    report.T = start.size() == system.f.size() ? start : vector(system.f.size(), 0.0);
    const double norm = std::sqrt(dot(system.f, system.f));
    // Conjugate gradients; when the recurrence's residual is small enough, the
    // true one is measured, and the method starts again from it if it is not.
    while (report.iterations < most_iterations) {
        vector r = residual_of(system, report.T);
        report.residual = std::sqrt(dot(r, r)) / norm;
        if (report.residual <= tolerance) {
            break;
        }
        vector z(r.size()), q(r.size());
        cycle(l, r, z);
        vector p = z;
        double rz = dot(r, z);
        while (report.iterations < most_iterations &&
               std::sqrt(dot(r, r)) / norm > tolerance / recurrence_margin) {
            report.iterations++;
            times_into(system, p, q);
            const double alpha = rz / dot(p, q);
            for (std::size_t i = 0; i < r.size(); i++) {
                report.T[i] += alpha * p[i];
                r[i] -= alpha * q[i];
            }
            cycle(l, r, z);
            const double next = dot(r, z);
            for (std::size_t i = 0; i < p.size(); i++) {
                p[i] = z[i] + (next / rz) * p[i];
            }
            rz = next;
        }
        if (report.iterations >= most_iterations) {
            const vector check = residual_of(system, report.T);
            report.residual = std::sqrt(dot(check, check)) / norm;
        }
    }
    report.converged = report.residual <= tolerance;
    return report;
}
