#include "assembly/numbering.h"

#include "assembly/element.h"
#include "assembly/triangulation.h"
#include "problem/problem.h"

#include <algorithm>
#include <deque>
#include <map>
#include <set>
#include <tuple>
#include <utility>

namespace {

// The corners where the table's slots may not fit a triangulation, with the
// diagonal whose presence makes them fit: at the top right corner one
// triangle, 13 17 18, must carry both the convection and the heat flux; at the
// top of the notch's wall two triangles must share node 8, since no slot
// carries two heat-flux sides.
constexpr corner_need one_triangle = {plate::top_right, 1, 1};
constexpr int one_triangle_diagonal[2] = {column_node(2, 4), column_node(3, 3)};
constexpr corner_need two_triangles = {plate::notch_top, 2, element_count};
constexpr int two_triangle_diagonal[2] = {plate::notch_top, column_node(2, 3)};

// Whether segments a-b and c-d cross at a point inside both.
bool crosses(const plate& problem, int a, int b, int c, int d) {
    return signed_area_of(problem, a, b, c) * signed_area_of(problem, a, b, d) < 0 &&
           signed_area_of(problem, c, d, a) * signed_area_of(problem, c, d, b) < 0;
}

bool has(const triangle& t, int n) {
    return t[0] == n || t[1] == n || t[2] == n;
}

int index_of(const triangle& t, int n) {
    return t[0] == n ? 0 : t[1] == n ? 1 : 2;
}

// Whether the triangle has the side from a to b, counter-clockwise.
bool runs(const triangle& t, int a, int b) {
    return has(t, a) && t[(index_of(t, a) + 1) % 3] == b;
}

// Flips sides until p-q is a side of the triangulation, in place, flipping
// only sides that cross p-q; a side whose two triangles do not make a convex
// quadrilateral waits for the others. Such a flip always exists in a valid
// triangulation; the bound on the steps only keeps a broken one from looping.
std::vector<side_flip> make_side(std::vector<triangle>& triangles, const plate& problem, int p,
                                 int q) {
    std::vector<side_flip> flips;
    std::deque<std::pair<int, int>> pending;
    for (const triangle& t : triangles) {
        for (int k = 0; k < 3; k++) {
            const int a = t[k];
            const int b = t[(k + 1) % 3];
            if (a < b && crosses(problem, a, b, p, q)) {
                pending.emplace_back(a, b);
            }
        }
    }
    for (int steps = 0; !pending.empty() && steps < 1000; steps++) {
        const int a = pending.front().first;
        const int b = pending.front().second;
        pending.pop_front();
        const auto first = std::find_if(triangles.begin(), triangles.end(),
                                        [&](const triangle& t) { return runs(t, a, b); });
        const auto second = std::find_if(triangles.begin(), triangles.end(),
                                         [&](const triangle& t) { return runs(t, b, a); });
        if (first == triangles.end() || second == triangles.end()) {
            break;
        }
        const int w1 = (*first)[0] + (*first)[1] + (*first)[2] - a - b;
        const int w2 = (*second)[0] + (*second)[1] + (*second)[2] - a - b;
        if (!crosses(problem, a, b, w1, w2)) {
            pending.emplace_back(a, b);
            continue;
        }
        *first = {a, w2, w1};
        *second = {w2, b, w1};
        flips.push_back({a, b, std::min(w1, w2), std::max(w1, w2)});
        if (crosses(problem, w1, w2, p, q)) {
            pending.emplace_back(std::min(w1, w2), std::max(w1, w2));
        }
    }
    return flips;
}

// "flip sides 6-13 to 7-12, then 7-13 to 8-12"
std::string flip_list(const std::vector<side_flip>& flips) {
    std::string text = flips.size() > 1 ? "flip sides " : "flip side ";
    for (std::size_t k = 0; k < flips.size(); k++) {
        text += (k ? ", then " : "") + side_name(flips[k].a, flips[k].b) + " to " +
                side_name(flips[k].c, flips[k].d);
    }
    return text;
}

// "7 13 8"
std::string listed(const triangle& t) {
    return std::to_string(t[0]) + " " + std::to_string(t[1]) + " " + std::to_string(t[2]);
}

int corner_count(const std::vector<triangle>& triangles, int node) {
    return static_cast<int>(std::count_if(triangles.begin(), triangles.end(),
                                          [&](const triangle& t) { return has(t, node); }));
}

// The corner faults, and the flips that mend them, made on triangles.
std::vector<std::string> mend_corners(std::vector<triangle>& triangles, const plate& problem,
                                      std::vector<side_flip>& flips) {
    std::vector<std::string> faults;
    const int at_one = corner_count(triangles, one_triangle.node);
    if (at_one > one_triangle.most) {
        const std::vector<side_flip> made =
            make_side(triangles, problem, one_triangle_diagonal[0], one_triangle_diagonal[1]);
        flips.insert(flips.end(), made.begin(), made.end());
        faults.push_back("node " + std::to_string(one_triangle.node) + " is a corner of " +
                         std::to_string(at_one) +
                         " triangles, but the boundary table needs one there (" +
                         std::to_string(one_triangle_diagonal[0]) + " " +
                         std::to_string(one_triangle_diagonal[1]) + " " +
                         std::to_string(one_triangle.node) + "): " + flip_list(made));
    }
    if (corner_count(triangles, two_triangles.node) < two_triangles.least) {
        const triangle& t =
            *std::find_if(triangles.begin(), triangles.end(),
                          [](const triangle& t) { return has(t, two_triangles.node); });
        // Its nodes from the one after the corner, the corner last.
        const int k = index_of(t, two_triangles.node);
        const std::string one = listed({t[(k + 1) % 3], t[(k + 2) % 3], t[k]});
        const std::vector<side_flip> made =
            make_side(triangles, problem, two_triangle_diagonal[0], two_triangle_diagonal[1]);
        flips.insert(flips.end(), made.begin(), made.end());
        faults.push_back("node " + std::to_string(two_triangles.node) +
                         " is a corner of just one triangle (" + one +
                         "), whose two heat-flux sides no slot of the boundary table carries: " +
                         flip_list(made));
    }
    return faults;
}

// A side with its term: (term, lower node, higher node).
using sided_term = std::tuple<int, int, int>;

sided_term sided(condition kind, int a, int b) {
    return {static_cast<int>(kind), std::min(a, b), std::max(a, b)};
}

// The sides of a triangle on parts of the outline that carry a term.
std::set<sided_term> terms_of(const triangle& t, const plate& problem) {
    std::set<sided_term> found;
    for (int k = 0; k < 3; k++) {
        const condition needs = outline_term(problem, t[k], t[(k + 1) % 3]);
        if (needs != condition::none) {
            found.insert(sided(needs, t[k], t[(k + 1) % 3]));
        }
    }
    return found;
}

// The triangles in element order, each turned for its slot; false, with the
// fault, when a triangle fits no free slot.
bool fill_slots(const std::vector<triangle>& triangles, const plate& problem,
                std::vector<triangle>& elements, std::vector<std::string>& faults) {
    std::map<int, std::vector<boundary_side>> slots;
    for (const boundary_side& side : boundary_table) {
        slots[side.element].push_back(side);
    }
    std::deque<int> free;
    for (int e = 1; e <= element_count; e++) {
        if (slots.count(e) == 0) {
            free.push_back(e);
        }
    }
    std::map<int, triangle> taken;
    for (const triangle& t : triangles) {
        const std::set<sided_term> terms = terms_of(t, problem);
        if (terms.empty() && !free.empty()) {
            taken[free.front()] = t;
            free.pop_front();
            continue;
        }
        bool placed = false;
        for (const auto& [element, needs] : slots) {
            if (placed || terms.empty() || taken.count(element) != 0) {
                continue;
            }
            for (int k = 0; k < 3 && !placed; k++) {
                const triangle turn = {t[k], t[(k + 1) % 3], t[(k + 2) % 3]};
                std::set<sided_term> given;
                for (const boundary_side& side : needs) {
                    given.insert(sided(side.kind, turn[side.first - 1], turn[side.second - 1]));
                }
                if (given == terms) {
                    taken[element] = turn;
                    placed = true;
                }
            }
        }
        if (!placed) {
            faults.push_back("triangle " + listed(t) +
                             ": no free slot of the boundary table gives its sides their terms");
            return false;
        }
    }
    for (int e = 1; e <= element_count; e++) {
        elements.push_back(taken[e]);
    }
    return true;
}

} // namespace

std::vector<corner_count_of> corner_counts(const std::vector<triangle>& triangles) {
    std::vector<corner_count_of> counts;
    for (const corner_need& need : {one_triangle, two_triangles}) {
        counts.push_back({need, corner_count(triangles, need.node)});
    }
    return counts;
}

std::string flip_side(std::vector<triangle>& triangles, const plate& problem, int a, int b) {
    for (triangle& t : triangles) {
        if (signed_area_of(problem, t[0], t[1], t[2]) < 0) {
            std::swap(t[1], t[2]);
        }
    }
    const auto first = std::find_if(triangles.begin(), triangles.end(),
                                    [&](const triangle& t) { return runs(t, a, b); });
    const auto second = std::find_if(triangles.begin(), triangles.end(),
                                     [&](const triangle& t) { return runs(t, b, a); });
    const std::string side = "side " + side_name(std::min(a, b), std::max(a, b));
    if (first == triangles.end() && second == triangles.end()) {
        return side + " is not a side of the triangulation";
    }
    if (first == triangles.end() || second == triangles.end()) {
        return side + " is on the outline: it has one triangle";
    }
    const int w1 = (*first)[0] + (*first)[1] + (*first)[2] - a - b;
    const int w2 = (*second)[0] + (*second)[1] + (*second)[2] - a - b;
    if (!crosses(problem, a, b, w1, w2)) {
        return side + " cannot flip: its triangles " + listed(*first) + " and " + listed(*second) +
               " make a quadrilateral that is not convex";
    }
    *first = {a, w2, w1};
    *second = {w2, b, w1};
    return "";
}

numbering number_triangles(const std::vector<triangle>& triangles, const plate& problem,
                           bool flip_corner) {
    numbering result;
    // The judge takes 1-based rows of node numbers, as heat2d reads them.
    double rows[element_count + 1][4] = {};
    double* table[element_count + 1];
    for (int e = 0; e <= element_count; e++) {
        table[e] = rows[e];
    }
    std::vector<triangle> turned;
    for (int e = 1; e <= element_count; e++) {
        for (int j = 1; j <= 3; j++) {
            rows[e][j] = triangles[e - 1][j - 1];
        }
        const triangle& t = triangles[e - 1];
        turned.push_back(signed_area_of(problem, t[0], t[1], t[2]) < 0 ? triangle{t[0], t[2], t[1]}
                                                                       : t);
    }
    std::vector<std::string> faults = judge_triangulation(table, problem, "triangle", false).lines;
    if (faults.empty()) {
        std::vector<side_flip> flips;
        faults = mend_corners(turned, problem, flips);
        result.flips = flips;
        if (flip_corner) {
            faults.clear();
        }
    }
    if (faults.empty() && !fill_slots(turned, problem, result.elements, faults)) {
        result.elements.clear();
        result.flips.clear();
    }
    result.faults = shown_faults(faults);
    return result;
}
