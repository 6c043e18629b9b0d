#include "refine/refine.h"

#include "assembly/triangulation.h"
#include "problem/problem.h"

#include <Eigen/SparseCholesky>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <map>
#include <utility>

level_mesh base_mesh(double** elements, double** nodes) {
    level_mesh mesh;
    for (int i = 1; i <= node_count; i++) {
        mesh.x.push_back(nodes[i][1]);
        mesh.y.push_back(nodes[i][2]);
    }
    std::map<std::pair<int, int>, int> known;
    for (int e = 1; e <= element_count; e++) {
        for (int k = 0; k < 3; k++) {
            mesh.triangles.push_back(static_cast<int>(elements[e][k + 1]) - 1);
        }
        for (int k = 0; k < 3; k++) {
            const int a = mesh.triangles[3 * (e - 1) + k];
            const int b = mesh.triangles[3 * (e - 1) + (k + 1) % 3];
            const auto key = std::minmax(a, b);
            const auto found = known.emplace(key, static_cast<int>(known.size()));
            if (found.second) {
                mesh.ends.insert(mesh.ends.end(), {a, b});
                mesh.kinds.push_back(outline_term(nodes, a + 1, b + 1));
            }
            mesh.edges.push_back(found.first->second);
        }
    }
    return mesh;
}

level_mesh refine(const level_mesh& parent) {
    level_mesh child;
    const int nodes = static_cast<int>(parent.node_count());
    const int edge_count = static_cast<int>(parent.kinds.size());
    const std::size_t count = parent.triangle_count();
    child.x = parent.x;
    child.y = parent.y;
    child.x.reserve(nodes + edge_count);
    child.y.reserve(nodes + edge_count);
    for (int e = 0; e < edge_count; e++) {
        const int p = parent.ends[2 * e], q = parent.ends[2 * e + 1];
        child.x.push_back((parent.x[p] + parent.x[q]) / 2);
        child.y.push_back((parent.y[p] + parent.y[q]) / 2);
    }
    // Edge e's halves: 2e from its first end to its midpoint, 2e + 1 on to its
    // second; then three inner edges a triangle.
    child.ends.resize(2 * (2 * edge_count + 3 * count));
    child.kinds.resize(2 * edge_count + 3 * count, condition::none);
    for (int e = 0; e < edge_count; e++) {
        const int p = parent.ends[2 * e], q = parent.ends[2 * e + 1], m = nodes + e;
        const int halves[4] = {p, m, m, q};
        std::copy(halves, halves + 4, child.ends.begin() + 4 * e);
        child.kinds[2 * e] = child.kinds[2 * e + 1] = parent.kinds[e];
    }
    child.triangles.resize(12 * count);
    child.edges.resize(12 * count);
    for (std::size_t t = 0; t < count; t++) {
        const int* corner = &parent.triangles[3 * t];
        const int* side = &parent.edges[3 * t];
        int middle[3];  // the midpoint of side k
        int half[3][2]; // side k's half at its corner k, then at corner k + 1
        for (int k = 0; k < 3; k++) {
            middle[k] = nodes + side[k];
            const bool along = parent.ends[2 * side[k]] == corner[k];
            half[k][0] = 2 * side[k] + (along ? 0 : 1);
            half[k][1] = 2 * side[k] + (along ? 1 : 0);
        }
        const int inner = 2 * edge_count + 3 * static_cast<int>(t);
        // Inner edge k joins the midpoints of sides k and k + 2: it faces corner k.
        for (int k = 0; k < 3; k++) {
            child.ends[2 * (inner + k)] = middle[k];
            child.ends[2 * (inner + k) + 1] = middle[(k + 2) % 3];
        }
        // Corner k's triangle: corner k, the midpoint of side k, that of side k + 2.
        for (int k = 0; k < 3; k++) {
            int* made = &child.triangles[12 * t + 3 * k];
            int* made_edges = &child.edges[12 * t + 3 * k];
            made[0] = corner[k];
            made[1] = middle[k];
            made[2] = middle[(k + 2) % 3];
            made_edges[0] = half[k][0];
            made_edges[1] = inner + k;
            made_edges[2] = half[(k + 2) % 3][1];
        }
        int* made = &child.triangles[12 * t + 9];
        int* made_edges = &child.edges[12 * t + 9];
        for (int k = 0; k < 3; k++) {
            made[k] = middle[k];
            made_edges[k] = inner + (k + 1) % 3;
        }
    }
    return child;
}

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

level_system assemble_level(const level_mesh& mesh) {
    const int n = static_cast<int>(mesh.node_count());
    const int edge_count = static_cast<int>(mesh.kinds.size());
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
        const element_values v = element_values_of(x, y, conductivity, sides, terms);
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

std::vector<double> prolonged(const level_mesh& coarse, const std::vector<double>& values) {
    std::vector<double> fine(values);
    const std::size_t edge_count = coarse.kinds.size();
    fine.reserve(values.size() + edge_count);
    for (std::size_t e = 0; e < edge_count; e++) {
        fine.push_back((values[coarse.ends[2 * e]] + values[coarse.ends[2 * e + 1]]) / 2);
    }
    return fine;
}

namespace {

using vector = std::vector<double>;

// The transpose of prolonged(): the fine level's residual onto the coarse.
vector restricted(const level_mesh& coarse, const vector& fine) {
    vector values(fine.begin(), fine.begin() + static_cast<long>(coarse.node_count()));
    const std::size_t nodes = coarse.node_count();
    for (std::size_t e = 0; e < coarse.kinds.size(); e++) {
        const double half = fine[nodes + e] / 2;
        values[coarse.ends[2 * e]] += half;
        values[coarse.ends[2 * e + 1]] += half;
    }
    return values;
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

vector times(const level_system& system, const vector& x) {
    vector y(x.size());
    Eigen::Map<Eigen::VectorXd>(y.data(), static_cast<long>(y.size())) =
        system.K * Eigen::Map<const Eigen::VectorXd>(x.data(), static_cast<long>(x.size()));
    return y;
}

double dot(const vector& a, const vector& b) {
    double sum = 0;
    for (std::size_t i = 0; i < a.size(); i++) {
        sum += a[i] * b[i];
    }
    return sum;
}

// The V-cycle: an approximate solution of level l's system for b, from zero.
// Symmetric (forward sweeps down, backward up), so that it preconditions
// conjugate gradients.
struct v_cycle {
    const std::vector<level_mesh>& meshes;
    const std::vector<level_system>& systems;
    Eigen::SimplicialLDLT<Eigen::SparseMatrix<double>> coarsest;

    v_cycle(const std::vector<level_mesh>& m, const std::vector<level_system>& s)
        : meshes(m), systems(s) {
        coarsest.compute(Eigen::SparseMatrix<double>(systems[0].K));
    }

    vector operator()(std::size_t l, const vector& b) const {
        if (l == 0) {
            vector x(b.size());
            Eigen::Map<Eigen::VectorXd>(x.data(), static_cast<long>(x.size())) = coarsest.solve(
                Eigen::Map<const Eigen::VectorXd>(b.data(), static_cast<long>(b.size())));
            return x;
        }
        vector x(b.size(), 0.0);
        sweep(systems[l], b, x, true);
        vector r = times(systems[l], x);
        for (std::size_t i = 0; i < r.size(); i++) {
            r[i] = b[i] - r[i];
        }
        const vector correction =
            prolonged(meshes[l - 1], (*this)(l - 1, restricted(meshes[l - 1], r)));
        for (std::size_t i = 0; i < x.size(); i++) {
            x[i] += correction[i];
        }
        sweep(systems[l], b, x, false);
        return x;
    }
};

} // namespace

namespace {

// f - K T.
vector residual_of(const level_system& system, const vector& T) {
    vector r = times(system, T);
    for (std::size_t i = 0; i < r.size(); i++) {
        r[i] = system.f[i] - r[i];
    }
    return r;
}

} // namespace

solve_report solve_level(const std::vector<level_mesh>& meshes,
                         const std::vector<level_system>& systems, const vector& start,
                         double tolerance) {
    const std::size_t l = systems.size() - 1;
    const level_system& system = systems[l];
    const v_cycle precondition(meshes, systems);
    solve_report report;
    report.T = start.size() == system.f.size() ? start : vector(system.f.size(), 0.0);
    const double norm = std::sqrt(dot(system.f, system.f));
    const int most = 100;
    // Conjugate gradients; when the recurrence's residual is small enough, the
    // true one is measured, and the method starts again from it if it is not.
    while (report.iterations < most) {
        vector r = residual_of(system, report.T);
        report.residual = std::sqrt(dot(r, r)) / norm;
        if (report.residual <= tolerance) {
            break;
        }
        vector z = precondition(l, r);
        vector p = z;
        double rz = dot(r, z);
        while (report.iterations < most && std::sqrt(dot(r, r)) / norm > tolerance / 4) {
            report.iterations++;
            const vector q = times(system, p);
            const double alpha = rz / dot(p, q);
            for (std::size_t i = 0; i < r.size(); i++) {
                report.T[i] += alpha * p[i];
                r[i] -= alpha * q[i];
            }
            z = precondition(l, r);
            const double next = dot(r, z);
            for (std::size_t i = 0; i < p.size(); i++) {
                p[i] = z[i] + (next / rz) * p[i];
            }
            rz = next;
        }
        if (report.iterations >= most) {
            const vector check = residual_of(system, report.T);
            report.residual = std::sqrt(dot(check, check)) / norm;
        }
    }
    report.converged = report.residual <= tolerance;
    return report;
}

heat_balance balance_of(const level_mesh& mesh, const std::vector<double>& T) {
    heat_balance balance;
    for (std::size_t e = 0; e < mesh.kinds.size(); e++) {
        const int p = mesh.ends[2 * e], q = mesh.ends[2 * e + 1];
        const double length = std::hypot(mesh.x[q] - mesh.x[p], mesh.y[q] - mesh.y[p]);
        if (mesh.kinds[e] == condition::heat_flux) {
            balance.in += heat_flux * length;
        } else if (mesh.kinds[e] == condition::convection) {
            balance.out += convection_coeff * length * ((T[p] + T[q]) / 2 - ambient_temperature);
        }
    }
    return balance;
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

refinement::refinement(double** elements, double** nodes) : base(base_mesh(elements, nodes)) {}

level_line refinement::next() {
    const auto started = std::chrono::steady_clock::now();
    const int l = levels();
    meshes.push_back(l == 0 ? base : refine(meshes.back()));
    systems.push_back(assemble_level(meshes.back()));
    const solve_report solved =
        solve_level(meshes, systems, l == 0 ? T : prolonged(meshes[l - 1], T), 1e-10);
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
    line.balance = balance_of(meshes.back(), T);
    line.residual = solved.residual;
    line.iterations = solved.iterations;
    line.converged = solved.converged;
    line.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    return line;
}

std::vector<error_left> refinement::estimate() const {
    const std::size_t last = at_nodes.size() - 1;
    std::vector<error_left> estimates;
    for (int i = 0; i < node_count; i++) {
        const double first = at_nodes[last - 1][i] - at_nodes[last - 2][i];
        const double second = at_nodes[last][i] - at_nodes[last - 1][i];
        error_left e;
        e.observed = first * second > 0 && std::abs(first) > std::abs(second);
        e.order = e.observed ? std::log2(first / second) : 4.0 / 3;
        e.left = second / (std::pow(2.0, e.order) - 1);
        estimates.push_back(e);
    }
    return estimates;
}
