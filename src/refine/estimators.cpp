#include "refine/estimators.h"

#include "problem/problem.h"
#include "refine/limits.h"

#include <algorithm>
#include <cmath>
#include <numeric>

std::vector<error_left> richardson(const std::vector<std::vector<double>>& at_nodes) {
    std::vector<error_left> estimates;
    if (at_nodes.size() < 3) {
        return estimates;
    }
    const std::size_t last = at_nodes.size() - 1;
    for (std::size_t i = 0; i < at_nodes[last].size(); i++) {
        const double first = at_nodes[last - 1][i] - at_nodes[last - 2][i];
        const double second = at_nodes[last][i] - at_nodes[last - 1][i];
        error_left e;
        e.observed = first * second > 0 && std::abs(first) > std::abs(second);
        e.order = e.observed ? std::log2(first / second) : assumed_order;
        e.left = second / (std::pow(2.0, e.order) - 1);
        estimates.push_back(e);
    }
    return estimates;
}

std::vector<double> indicators(const level_mesh& mesh, const std::vector<int>& at,
                               const std::vector<double>& T, const problem_data& data) {
    const std::size_t count = mesh.triangle_count();
    // Each triangle's gradient, constant on it.
    std::vector<double> gx(count), gy(count), eta(count, 0.0);
    for (std::size_t t = 0; t < count; t++) {
        const int* c = &mesh.triangles[3 * t];
        const double x1 = mesh.x[c[0]], x2 = mesh.x[c[1]], x3 = mesh.x[c[2]];
        const double y1 = mesh.y[c[0]], y2 = mesh.y[c[1]], y3 = mesh.y[c[2]];
        const double twice = (x2 - x1) * (y3 - y1) - (x3 - x1) * (y2 - y1);
        gx[t] = ((y2 - y3) * T[c[0]] + (y3 - y1) * T[c[1]] + (y1 - y2) * T[c[2]]) / twice;
        gy[t] = ((x3 - x2) * T[c[0]] + (x1 - x3) * T[c[1]] + (x2 - x1) * T[c[2]]) / twice;
        if (!data.density.empty() && data.density[t] != 0) {
            double diameter = 0;
            for (int k = 0; k < 3; k++) {
                const int a = c[k], b = c[(k + 1) % 3];
                diameter =
                    std::max(diameter, std::hypot(mesh.x[b] - mesh.x[a], mesh.y[b] - mesh.y[a]));
            }
            eta[t] += diameter * diameter * data.density[t] * data.density[t] * twice / 2;
        }
    }
    const problem_values& v = data.values;
    for (std::size_t e = 0; e < mesh.edge_count(); e++) {
        const int t = at[2 * e], u = at[2 * e + 1];
        // The side as triangle t runs it, and its outward normal there.
        int k = 0;
        while (mesh.edges[3 * t + k] != static_cast<int>(e)) {
            k++;
        }
        const int a = mesh.triangles[3 * t + k], b = mesh.triangles[3 * t + (k + 1) % 3];
        const double length = std::hypot(mesh.x[b] - mesh.x[a], mesh.y[b] - mesh.y[a]);
        const double nx = (mesh.y[b] - mesh.y[a]) / length, ny = -(mesh.x[b] - mesh.x[a]) / length;
        const double flux_out = v.conductivity * (gx[t] * nx + gy[t] * ny); // k dT/dn
        if (u >= 0) {
            const double jump = (flux_out - v.conductivity * (gx[u] * nx + gy[u] * ny)) / 2;
            eta[t] += length * length * jump * jump;
            eta[u] += length * length * jump * jump;
        } else if (mesh.kinds[e] == condition::convection) {
            // Linear along the side: its square's integral from the ends' values.
            const double ra = v.convection * (T[a] - v.ambient) + flux_out;
            const double rb = v.convection * (T[b] - v.ambient) + flux_out;
            eta[t] += length * length * (ra * ra + ra * rb + rb * rb) / 3;
        } else {
            const double r =
                mesh.kinds[e] == condition::heat_flux ? v.heat_flux - flux_out : flux_out;
            eta[t] += length * length * r * r;
        }
    }
    return eta;
}

std::vector<double> node_loads(const level_mesh& mesh, double radius, problem_data& data) {
    const std::size_t count = mesh.triangle_count();
    data.density.assign(count, 0.0);
    std::vector<double> f(mesh.node_count(), 0.0), area(count), cx(count), cy(count);
    for (std::size_t t = 0; t < count; t++) {
        const int* c = &mesh.triangles[3 * t];
        area[t] = ((mesh.x[c[1]] - mesh.x[c[0]]) * (mesh.y[c[2]] - mesh.y[c[0]]) -
                   (mesh.x[c[2]] - mesh.x[c[0]]) * (mesh.y[c[1]] - mesh.y[c[0]])) /
                  2;
        cx[t] = (mesh.x[c[0]] + mesh.x[c[1]] + mesh.x[c[2]]) / 3;
        cy[t] = (mesh.y[c[0]] + mesh.y[c[1]] + mesh.y[c[2]]) / 3;
    }
    for (int n = 0; n < node_count; n++) {
        std::vector<std::size_t> within;
        double spread = 0;
        for (std::size_t t = 0; t < count; t++) {
            const int* c = &mesh.triangles[3 * t];
            const bool around = c[0] == n || c[1] == n || c[2] == n;
            if (around || std::hypot(cx[t] - mesh.x[n], cy[t] - mesh.y[n]) < radius) {
                within.push_back(t);
                spread += area[t];
            }
        }
        for (const std::size_t t : within) {
            const int* c = &mesh.triangles[3 * t];
            data.density[t] += 1 / spread;
            for (int k = 0; k < 3; k++) {
                f[c[k]] += area[t] / spread / 3;
            }
        }
    }
    return f;
}

std::vector<char> marked_by_share(const std::vector<double>& indicators, double share) {
    std::vector<int> order(indicators.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return indicators[a] > indicators[b]; });
    const double total = std::accumulate(indicators.begin(), indicators.end(), 0.0);
    std::vector<char> marked(indicators.size(), 0);
    double sum = 0;
    for (std::size_t k = 0; k < order.size() && sum < share * total; k++) {
        marked[order[k]] = 1;
        sum += indicators[order[k]];
    }
    return marked;
}
