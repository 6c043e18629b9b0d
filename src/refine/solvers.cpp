#include "refine/solvers.h"

#include "refine/limits.h"

#include <algorithm>
#include <cmath>

double load_scale(double largest) {
    // Beyond 2^1000 the scale itself would overflow; a load of the least
    // double, 2^-1074, then comes to 2^-74, whose squares are still normal.
    return largest > 0 && largest < 0x1p-300 ? std::ldexp(1.0, std::min(-std::ilogb(largest), 1000))
                                             : 1;
}

double largest_magnitude(const std::vector<double>& values) {
    double largest = 0;
    for (const double value : values) {
        largest = std::max(largest, std::abs(value));
    }
    return largest;
}

namespace {

using vector = std::vector<double>;

double dot(const vector& a, const vector& b) {
    double sum = 0;
    for (std::size_t i = 0; i < a.size(); i++) {
        sum += a[i] * b[i];
    }
    return sum;
}

double norm(const vector& v) {
    return std::sqrt(dot(v, v));
}

// f - K T.
vector residual_of(const level_system& system, const vector& f, const vector& T) {
    vector r = times(system, T);
    for (std::size_t i = 0; i < r.size(); i++) {
        r[i] = f[i] - r[i];
    }
    return r;
}

// A system's load as a solve uses it: times load_scale (a copy only when the
// scale is not 1), so that no norm or inner product of the solve underflows.
class scaled_load {
  public:
    explicit scaled_load(const vector& given) : f(given) {
        scale = load_scale(largest_magnitude(given));
        if (scale != 1) {
            copy = times_scale(given);
        }
        size = norm(load());
    }
    scaled_load(const scaled_load&) = delete;
    scaled_load& operator=(const scaled_load&) = delete;
    const vector& load() const {
        return scale != 1 ? copy : f;
    }
    double load_norm() const {
        return size;
    }
    // The start of a solve: given, scaled, or zero when it is not of the
    // system's size.
    vector start(const vector& given) const {
        return given.size() != f.size() ? vector(f.size(), 0.0) : times_scale(given);
    }
    // A solve's answer, scaled back.
    void unscale(vector& T) const {
        for (double& value : T) {
            value /= scale;
        }
    }

  private:
    vector times_scale(vector v) const {
        for (double& value : v) {
            value *= scale;
        }
        return v;
    }
    const vector& f;
    double scale = 1;
    vector copy;
    double size = 0;
};

// The answer to a zero load: the zero field, exactly.
solve_report zero_field(std::size_t nodes) {
    solve_report report;
    report.T.assign(nodes, 0.0);
    report.converged = true;
    return report;
}

// Whether T, with residual r = f - K T, solves the system to rounding's
// level: its backward error, with the largest row sum of |K|, into report.
bool at_rounding(const level_system& system, const vector& f, const vector& T, const vector& r,
                 solve_report& report) {
    const auto& K = system.K;
    double largest_row = 0;
    for (int i = 0; i < K.outerSize(); i++) {
        double sum = 0;
        for (int k = K.outerIndexPtr()[i]; k < K.outerIndexPtr()[i + 1]; k++) {
            sum += std::abs(K.valuePtr()[k]);
        }
        largest_row = std::max(largest_row, sum);
    }
    report.backward = norm(r) / (largest_row * norm(T) + norm(f));
    report.at_rounding = report.backward <= rounding_level;
    return report.at_rounding;
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
    const scaled_load load(system.f);
    if (load.load_norm() == 0) {
        return zero_field(system.f.size());
    }
    solve_report report;
    report.T = load.start(start);
    vector r = residual_of(system, load.load(), report.T);
    report.residual = norm(r) / load.load_norm();
    // Each correction is one solve with the factors; rounding bounds how far
    // the residual falls, so it stops when it no longer does.
    for (double before = INFINITY; report.residual > tolerance && report.residual < before &&
                                   report.iterations < most_iterations;) {
        const vector correction = solve(r);
        for (std::size_t i = 0; i < r.size(); i++) {
            report.T[i] += correction[i];
        }
        report.iterations++;
        r = residual_of(system, load.load(), report.T);
        before = report.residual;
        report.residual = norm(r) / load.load_norm();
    }
    report.converged =
        report.residual <= tolerance || at_rounding(system, load.load(), report.T, r, report);
    load.unscale(report.T);
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
    const scaled_load load(system.f);
    if (load.load_norm() == 0) {
        return zero_field(system.f.size());
    }
    const vector& f = load.load();
    solve_report report;
    report.T = load.start(start);
    // Conjugate gradients; when the recurrence's residual is small enough, the
    // true one is measured, and the method starts again from it if it is not.
    // Once a start no longer lowers it, rounding may be what keeps it up.
    double least = INFINITY;
    while (report.iterations < most_iterations) {
        vector r = residual_of(system, f, report.T);
        report.residual = norm(r) / load.load_norm();
        if (report.residual <= tolerance ||
            (report.residual >= least && at_rounding(system, f, report.T, r, report))) {
            break;
        }
        least = std::min(least, report.residual);
        vector z(r.size()), q(r.size());
        cycle(l, r, z);
        vector p = z;
        double rz = dot(r, z);
        while (report.iterations < most_iterations &&
               norm(r) / load.load_norm() > tolerance / recurrence_margin) {
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
            const vector check = residual_of(system, f, report.T);
            report.residual = norm(check) / load.load_norm();
            if (report.residual > tolerance) {
                at_rounding(system, f, report.T, check, report);
            }
        }
    }
    report.converged = report.residual <= tolerance || report.at_rounding;
    load.unscale(report.T);
    return report;
}
