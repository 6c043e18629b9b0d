#include "assembly/triangulation.h"

#include "assembly/element.h"
#include "problem/problem.h"
#include "problem/status.h"

#include <array>
#include <cmath>
#include <iterator>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

// A straight part of the outline: the line x = at (vertical) or y = at, along
// which the other coordinate runs from low to high. Walking the outline with
// the region on the left goes from low to high when `rising`. `needs` is the
// boundary term that the part's sides carry.
struct outline_part {
    const char* name;
    bool vertical;
    double at;
    double low;
    double high;
    bool rising;
    condition needs;
};

const double floor_y = height - notch_depth;
const outline_part outline[] = {
    {"the bottom edge", false, 0.0, 0.0, width / 2, true, condition::none},
    {"the right edge", true, width / 2, 0.0, height, true, condition::convection},
    {"the top edge", false, height, notch_width / 2, width / 2, false, condition::heat_flux},
    {"the notch's wall", true, notch_width / 2, floor_y, height, false, condition::heat_flux},
    {"the notch's floor", false, floor_y, 0.0, notch_width / 2, false, condition::heat_flux},
    {"the symmetry line", true, 0.0, 0.0, floor_y, false, condition::none},
};
const int no_part = -1;
static_assert(std::size(outline) == outline_part_count);

std::string format(double value) {
    std::ostringstream text;
    text << value;
    return text.str();
}

// "the top edge (y = 6)"
std::string place(const outline_part& part) {
    return std::string(part.name) + (part.vertical ? " (x = " : " (y = ") + format(part.at) + ")";
}

const char* term_name(condition kind) {
    return kind == condition::convection ? "convection" : "heat flux";
}

int node_of(double** elements, int e, int local) {
    return static_cast<int>(elements[e][local]);
}

// Position of node n along part, or NaN when n is not on it.
double along(const outline_part& part, double** nodes, int n) {
    const double across = nodes[n][part.vertical ? 1 : 2];
    const double t = nodes[n][part.vertical ? 2 : 1];
    return across == part.at && t >= part.low && t <= part.high ? t : std::nan("");
}

// The sides of the triangles, each taken counter-clockwise: how many triangles
// have the side from a to b, and which, in the order they were met.
struct side_uses {
    struct use {
        int from;
        int to;
        int element;
    };
    int count[node_count + 1][node_count + 1] = {};
    std::vector<use> list;
    // The triangles of positive area, counter-clockwise: their element and nodes.
    std::vector<std::pair<int, std::array<int, 3>>> triangles;

    void add(int from, int to, int element) {
        count[from][to]++;
        list.push_back({from, to, element});
    }
};

// "element 3 (as 5-6), element 8 (as 6-5)"
std::string list_uses(const side_uses& uses, const char* word, int a, int b) {
    std::string text;
    for (const auto& [from, to] : {std::pair(a, b), std::pair(b, a)}) {
        for (const side_uses::use& use : uses.list) {
            if (use.from == from && use.to == to) {
                text += (text.empty() ? "" : ", ") + (word + (" " + std::to_string(use.element))) +
                        " (as " + side_name(from, to) + ")";
            }
        }
    }
    return text.empty() ? std::string("no ") + word : text;
}

// Each triangle's orientation and area, and the nodes that are a corner of
// none; fills uses. A clockwise triangle is a fault in table order, and is
// taken turned otherwise.
void check_elements(double** elements, double** nodes, const char* word, bool table_order,
                    side_uses& uses, faults& findings) {
    bool used[node_count + 1] = {};
    double covered = 0.0;
    for (int e = 1; e <= element_count; e++) {
        int n[4];
        double x[4];
        double y[4];
        for (int i = 1; i <= 3; i++) {
            n[i] = node_of(elements, e, i);
            x[i] = nodes[n[i]][1];
            y[i] = nodes[n[i]][2];
            used[n[i]] = true;
        }
        const double area = signed_area(x, y);
        if (area < 0) {
            if (table_order) {
                findings.add(word + (" " + std::to_string(e)) + ": signed area " + format(area) +
                                 "; its nodes must be listed counter-clockwise",
                             {{naming::element, e, 0}});
            }
            std::swap(n[2], n[3]);
        } else if (!(area > 0)) {
            findings.add(word + (" " + std::to_string(e)) + ": signed area " + format(area) +
                             "; its three nodes must be distinct and not on one line",
                         {{naming::element, e, 0}});
            continue;
        }
        covered = covered + std::fabs(area);
        uses.triangles.push_back({e, {n[1], n[2], n[3]}});
        uses.add(n[1], n[2], e);
        uses.add(n[2], n[3], e);
        uses.add(n[3], n[1], e);
    }
    for (int n = 1; n <= node_count; n++) {
        if (!used[n]) {
            findings.add("node " + std::to_string(n) + " is a corner of no " + word +
                             "; every node must belong to one",
                         {{naming::node, n, 0}});
        }
    }
    const double region = (width / 2) * height - (notch_width / 2) * notch_depth;
    if (std::fabs(covered - region) > 1e-9 * region) {
        findings.add(std::string("the ") + word + "s cover an area of " + format(covered) +
                     ", the region's is " + format(region));
    }
}

// Whether some side of counter-clockwise triangle t has all of u on its
// outer side or on its line.
bool parted(double** nodes, const std::array<int, 3>& t, const std::array<int, 3>& u) {
    for (int k = 0; k < 3; k++) {
        bool outside = true;
        for (const int v : u) {
            outside = outside && !(signed_area_of(nodes, t[k], t[(k + 1) % 3], v) > 0);
        }
        if (outside) {
            return true;
        }
    }
    return false;
}

// The triangles whose insides share some area with another's, a line each
// for the first of them: "element 6 overlaps element 7" (two convex shapes
// are apart exactly when a side of one of them parts them).
void check_overlaps(double** nodes, const char* word, const side_uses& uses, faults& findings) {
    for (std::size_t i = 0; i < uses.triangles.size(); i++) {
        const auto& [first, t] = uses.triangles[i];
        std::vector<int> over;
        for (std::size_t j = i + 1; j < uses.triangles.size(); j++) {
            const auto& [second, u] = uses.triangles[j];
            if (!parted(nodes, t, u) && !parted(nodes, u, t)) {
                over.push_back(second);
            }
        }
        if (over.empty()) {
            continue;
        }
        std::string line = word + (" " + std::to_string(first)) + " overlaps ";
        mentions overlapping = {{naming::element, first, 0}};
        for (std::size_t k = 0; k < over.size(); k++) {
            line += (k == 0                ? ""
                     : k + 1 < over.size() ? ", "
                                           : " and ") +
                    (word + (" " + std::to_string(over[k])));
            overlapping.push_back({naming::element, over[k], 0});
        }
        findings.add(line, overlapping);
    }
}

// Each side of the outline belongs to one triangle, inside the region; every
// other side to two, once each way.
void check_sides(double** nodes, const char* word, const side_uses& uses, faults& findings) {
    for (int a = 1; a <= node_count; a++) {
        for (int b = a + 1; b <= node_count; b++) {
            const int there = uses.count[a][b];
            const int back = uses.count[b][a];
            bool forward = true;
            const int part = outline_side(nodes, a, b, forward);
            if (part != no_part) {
                const int inside = forward ? there : back;
                if (inside != 1 || there + back != 1) {
                    findings.add("side " + side_name(a, b) + " lies on " + place(outline[part]) +
                                     ": it must be a side of exactly one " + word + ", as " +
                                     (forward ? side_name(a, b) : side_name(b, a)) +
                                     ", but is a side of " + list_uses(uses, word, a, b),
                                 {{naming::side, a, b}});
                }
            } else if ((there != 0 || back != 0) && (there != 1 || back != 1)) {
                findings.add("side " + side_name(a, b) +
                                 " is not on the outline: it must be a side of two " + word +
                                 "s, once each way, but is a side of " +
                                 list_uses(uses, word, a, b),
                             {{naming::side, a, b}});
            }
        }
    }
}

// The parts of the outline that carry a term: "the top edge (y = 6), the
// notch's wall (x = 1.5) or the notch's floor (y = 4)".
std::string parts_needing(condition kind) {
    std::string should;
    for (const outline_part& p : outline) {
        if (p.needs == kind) {
            should += (should.empty() ? "" : ", ") + place(p);
        }
    }
    if (const std::size_t last = should.rfind(", "); last != std::string::npos) {
        should.replace(last, 2, " or ");
    }
    return should;
}

// Each term of the boundary table on a side of the outline that needs it, and
// each such side given its term once.
void check_terms(double** elements, double** nodes, const char* word, faults& findings) {
    int given[node_count + 1][node_count + 1] = {};
    for (const boundary_side& side : boundary_table) {
        const int a = node_of(elements, side.element, side.first);
        const int b = node_of(elements, side.element, side.second);
        if (outline_term(nodes, a, b) == side.kind) {
            given[a][b]++;
            given[b][a]++;
            continue;
        }
        findings.add(word + (" " + std::to_string(side.element)) + ": its " +
                         (side.kind == condition::convection ? "convection" : "heat-flux") +
                         " side " + side_name(a, b) + " is not a side of the outline on " +
                         parts_needing(side.kind),
                     {{naming::element, side.element, 0}, {naming::side, a, b}});
    }
    for (int a = 1; a <= node_count; a++) {
        for (int b = a + 1; b <= node_count; b++) {
            bool forward = true;
            const int part = outline_side(nodes, a, b, forward);
            if (part == no_part || outline[part].needs == condition::none || given[a][b] == 1) {
                continue;
            }
            const std::string term = term_name(outline[part].needs);
            findings.add("side " + side_name(a, b) + " of " + place(outline[part]) +
                             (given[a][b] == 0 ? " gets no " + term
                                               : " gets " + term + " " +
                                                     std::to_string(given[a][b]) + " times") +
                             "; it needs it once",
                         {{naming::side, a, b}});
        }
    }
}

} // namespace

double signed_area_of(double** nodes, int o, int a, int b) {
    const double x[4] = {0, nodes[o][1], nodes[a][1], nodes[b][1]};
    const double y[4] = {0, nodes[o][2], nodes[a][2], nodes[b][2]};
    return signed_area(x, y);
}

std::string side_name(int a, int b) {
    return std::to_string(a) + "-" + std::to_string(b);
}

int outline_side(double** nodes, int a, int b, bool& forward) {
    for (int p = 0; p < outline_part_count; p++) {
        const double ta = along(outline[p], nodes, a);
        const double tb = along(outline[p], nodes, b);
        if (std::isnan(ta) || std::isnan(tb) || ta == tb) {
            continue;
        }
        for (int n = 1; n <= node_count; n++) {
            const double t = along(outline[p], nodes, n);
            if (t > std::fmin(ta, tb) && t < std::fmax(ta, tb)) {
                return no_part;
            }
        }
        forward = (tb > ta) == outline[p].rising;
        return p;
    }
    return no_part;
}

condition outline_needs(int part) {
    return outline[part].needs;
}

std::string outline_place(int part) {
    return place(outline[part]);
}

condition outline_term(double** nodes, int a, int b) {
    bool forward = true;
    const int part = outline_side(nodes, a, b, forward);
    return part == no_part ? condition::none : outline[part].needs;
}

faults judge_triangulation(double** elements, double** nodes, const char* word, bool table_order) {
    faults findings;
    side_uses uses;
    uses.list.reserve(3 * element_count);
    check_elements(elements, nodes, word, table_order, uses, findings);
    check_overlaps(nodes, word, uses, findings);
    check_sides(nodes, word, uses, findings);
    if (table_order) {
        check_terms(elements, nodes, word, findings);
    }
    return findings;
}

std::vector<std::string> shown_faults(const std::vector<std::string>& faults) {
    const std::size_t shown = 10;
    if (faults.size() <= shown) {
        return faults;
    }
    std::vector<std::string> lines(faults.begin(), faults.begin() + shown);
    lines.push_back("and " + std::to_string(faults.size() - shown) +
                    " more faults in the triangulation");
    return lines;
}

void faults::add(std::string line, mentions named_things) {
    lines.push_back(std::move(line));
    named.push_back(std::move(named_things));
}

void check_triangulation(double** elements, double** nodes) {
    const faults found = judge_triangulation(elements, nodes, "element", true);
    const std::vector<std::string> lines = shown_faults(found.lines);
    for (std::size_t k = 0; k < lines.size(); k++) {
        // The last line of a cut list stands for the faults left out.
        const bool rest = lines.size() < found.lines.size() && k + 1 == lines.size();
        report_failure(
            lines[k], rest ? mentions{{naming::faults, static_cast<int>(found.lines.size() - k), 0}}
                           : found.named[k]);
    }
}
