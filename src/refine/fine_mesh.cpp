#include "refine/fine_mesh.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <unordered_map>
#include <utility>

namespace {

// A side's key: its two nodes, the smaller first.
std::uint64_t key_of(int a, int b) {
    const auto [low, high] = std::minmax(a, b);
    return (static_cast<std::uint64_t>(low) << 32) | static_cast<std::uint32_t>(high);
}

} // namespace

level_mesh mesh_of(std::vector<double> x, std::vector<double> y, std::vector<int> triangles,
                   const term_of_side& term) {
    level_mesh mesh;
    mesh.x = std::move(x);
    mesh.y = std::move(y);
    mesh.triangles = std::move(triangles);
    // The sides sorted by their nodes; a side's edge is numbered where it
    // first comes in triangle order, and runs the way it runs there.
    const std::size_t sides = mesh.triangles.size();
    std::vector<std::pair<std::uint64_t, int>> keyed(sides);
    for (std::size_t s = 0; s < sides; s++) {
        const int a = mesh.triangles[s];
        const int b = mesh.triangles[s - s % 3 + (s % 3 + 1) % 3];
        keyed[s] = {key_of(a, b), static_cast<int>(s)};
    }
    std::sort(keyed.begin(), keyed.end());
    std::vector<int> first(sides); // the first side of each side's group
    for (std::size_t k = 0; k < sides; k++) {
        const bool starts = k == 0 || keyed[k].first != keyed[k - 1].first;
        first[keyed[k].second] = starts ? keyed[k].second : first[keyed[k - 1].second];
    }
    mesh.edges.assign(sides, -1);
    for (std::size_t s = 0; s < sides; s++) {
        if (first[s] == static_cast<int>(s)) {
            const int a = mesh.triangles[s];
            const int b = mesh.triangles[s - s % 3 + (s % 3 + 1) % 3];
            mesh.edges[s] = static_cast<int>(mesh.kinds.size());
            mesh.ends.insert(mesh.ends.end(), {a, b});
            mesh.kinds.push_back(term(a, b));
        } else {
            mesh.edges[s] = mesh.edges[first[s]];
        }
    }
    return mesh;
}

level_mesh refine(const level_mesh& parent) {
    level_mesh child;
    const int nodes = static_cast<int>(parent.node_count());
    const int edge_count = static_cast<int>(parent.edge_count());
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

std::vector<double> prolonged(const level_mesh& coarse, const std::vector<double>& values) {
    std::vector<double> fine(values);
    const std::size_t edge_count = coarse.edge_count();
    fine.reserve(values.size() + edge_count);
    for (std::size_t e = 0; e < edge_count; e++) {
        fine.push_back((values[coarse.ends[2 * e]] + values[coarse.ends[2 * e + 1]]) / 2);
    }
    return fine;
}

std::vector<int> edge_triangles(const level_mesh& mesh) {
    std::vector<int> at(2 * mesh.edge_count(), -1);
    for (std::size_t s = 0; s < mesh.edges.size(); s++) {
        const int e = mesh.edges[s];
        at[2 * e + (at[2 * e] < 0 ? 0 : 1)] = static_cast<int>(s / 3);
    }
    return at;
}

level_mesh longest_side_first(const level_mesh& mesh) {
    level_mesh turned = mesh;
    for (std::size_t t = 0; t < mesh.triangle_count(); t++) {
        int longest = 0;
        double most = -1;
        for (int k = 0; k < 3; k++) {
            const int a = mesh.triangles[3 * t + k], b = mesh.triangles[3 * t + (k + 1) % 3];
            const double dx = mesh.x[b] - mesh.x[a], dy = mesh.y[b] - mesh.y[a];
            if (dx * dx + dy * dy > most) {
                most = dx * dx + dy * dy;
                longest = k;
            }
        }
        for (int k = 0; k < 3; k++) {
            turned.triangles[3 * t + k] = mesh.triangles[3 * t + (k + longest) % 3];
            turned.edges[3 * t + k] = mesh.edges[3 * t + (k + longest) % 3];
        }
    }
    return turned;
}

level_mesh bisect(const level_mesh& mesh, const std::vector<char>& marked,
                  std::vector<int>* added_from) {
    const std::vector<int> at = edge_triangles(mesh);
    // The edges to split: every side of a marked triangle, then side 0 of every
    // triangle that has a side split, until no more are added.
    std::vector<char> split(mesh.edge_count(), 0);
    std::vector<int> waiting;
    const auto split_edge = [&](int e) {
        if (!split[e]) {
            split[e] = 1;
            waiting.push_back(e);
        }
    };
    for (std::size_t t = 0; t < mesh.triangle_count(); t++) {
        if (marked[t]) {
            for (int k = 0; k < 3; k++) {
                split_edge(mesh.edges[3 * t + k]);
            }
        }
    }
    while (!waiting.empty()) {
        const int e = waiting.back();
        waiting.pop_back();
        for (const int t : {at[2 * e], at[2 * e + 1]}) {
            if (t >= 0) {
                split_edge(mesh.edges[3 * t]);
            }
        }
    }
    std::vector<double> x = mesh.x, y = mesh.y;
    std::vector<int> middle(mesh.edge_count(), -1);
    if (added_from != nullptr) {
        added_from->clear();
    }
    std::unordered_map<std::uint64_t, condition> terms;
    for (std::size_t e = 0; e < mesh.edge_count(); e++) {
        const int p = mesh.ends[2 * e], q = mesh.ends[2 * e + 1];
        if (split[e]) {
            middle[e] = static_cast<int>(x.size());
            x.push_back((mesh.x[p] + mesh.x[q]) / 2);
            y.push_back((mesh.y[p] + mesh.y[q]) / 2);
            if (added_from != nullptr) {
                added_from->insert(added_from->end(), {p, q});
            }
        }
        if (mesh.kinds[e] != condition::none) {
            if (split[e]) {
                terms[key_of(p, middle[e])] = mesh.kinds[e];
                terms[key_of(middle[e], q)] = mesh.kinds[e];
            } else {
                terms[key_of(p, q)] = mesh.kinds[e];
            }
        }
    }
    std::vector<int> triangles;
    triangles.reserve(mesh.triangles.size() * 2);
    // A half a b m of a split triangle, its side 0 a-b being edge e of the mesh.
    const auto half = [&](int a, int b, int m, int e) {
        if (split[e]) {
            const int n = middle[e];
            triangles.insert(triangles.end(), {m, a, n, b, m, n});
        } else {
            triangles.insert(triangles.end(), {a, b, m});
        }
    };
    for (std::size_t t = 0; t < mesh.triangle_count(); t++) {
        const int* c = &mesh.triangles[3 * t];
        const int* e = &mesh.edges[3 * t];
        if (!split[e[0]]) {
            triangles.insert(triangles.end(), {c[0], c[1], c[2]});
            continue;
        }
        const int m = middle[e[0]];
        half(c[2], c[0], m, e[2]);
        half(c[1], c[2], m, e[1]);
    }
    return mesh_of(std::move(x), std::move(y), std::move(triangles), [&terms](int a, int b) {
        const auto found = terms.find(key_of(a, b));
        return found == terms.end() ? condition::none : found->second;
    });
}

double smallest_angle(const level_mesh& mesh) {
    double least = 180;
    for (std::size_t t = 0; t < mesh.triangle_count(); t++) {
        for (int k = 0; k < 3; k++) {
            const int o = mesh.triangles[3 * t + k];
            const int a = mesh.triangles[3 * t + (k + 1) % 3];
            const int b = mesh.triangles[3 * t + (k + 2) % 3];
            const double ax = mesh.x[a] - mesh.x[o], ay = mesh.y[a] - mesh.y[o];
            const double bx = mesh.x[b] - mesh.x[o], by = mesh.y[b] - mesh.y[o];
            const double angle = std::atan2(std::abs(ax * by - ay * bx), ax * bx + ay * by);
            least = std::min(least, angle * 180 / std::acos(-1.0));
        }
    }
    return least;
}

double shortest_side_at(const level_mesh& mesh, int node) {
    double shortest = INFINITY;
    for (std::size_t e = 0; e < mesh.edge_count(); e++) {
        const int p = mesh.ends[2 * e], q = mesh.ends[2 * e + 1];
        if (p == node || q == node) {
            shortest = std::min(shortest, std::hypot(mesh.x[q] - mesh.x[p], mesh.y[q] - mesh.y[p]));
        }
    }
    return shortest;
}
