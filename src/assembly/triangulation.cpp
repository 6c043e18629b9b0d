#include "assembly/triangulation.h"

#include "assembly/element.h"
#include "problem/problem.h"
#include "problem/status.h"

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

std::string side_name(int a, int b) {
    return std::to_string(a) + "-" + std::to_string(b);
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

// The part of the outline of which a-b is a side (both nodes on it, no node
// between them), or no_part. forward tells whether a to b runs with the region
// on the left.
int outline_side(double** nodes, int a, int b, bool& forward) {
    for (int p = 0; p < static_cast<int>(std::size(outline)); p++) {
        const double ta = along(outline[p], nodes, a);
        const double tb = along(outline[p], nodes, b);
        if (std::isnan(ta) || std::isnan(tb) || ta == tb) {
            continue;
        }
        bool between = false;
        for (int n = 1; n <= node_count; n++) {
            const double t = along(outline[p], nodes, n);
            between = between || (t > std::fmin(ta, tb) && t < std::fmax(ta, tb));
        }
        if (between) {
            return no_part;
        }
        forward = (tb > ta) == outline[p].rising;
        return p;
    }
    return no_part;
}

// uses[a][b]: the elements that have the side from node a to node b, taken
// counter-clockwise.
using side_uses = std::vector<std::vector<std::vector<int>>>;

// "element 3 (as 5-6), element 8 (as 6-5)"
std::string list_uses(const side_uses& uses, int a, int b) {
    std::string text;
    for (const auto& [from, to] : {std::pair(a, b), std::pair(b, a)}) {
        for (int e : uses[from][to]) {
            text += (text.empty() ? "" : ", ") + ("element " + std::to_string(e)) + " (as " +
                    side_name(from, to) + ")";
        }
    }
    return text.empty() ? "no element" : text;
}

// Each triangle's orientation and area, and the nodes that are a corner of
// none; fills uses.
void check_elements(double** elements, double** nodes, side_uses& uses,
                    std::vector<std::string>& findings) {
    std::vector<bool> used(node_count + 1, false);
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
            findings.push_back("element " + std::to_string(e) + ": signed area " + format(area) +
                               "; its nodes must be listed counter-clockwise");
            std::swap(n[2], n[3]);
        } else if (!(area > 0)) {
            findings.push_back("element " + std::to_string(e) + ": signed area " + format(area) +
                               "; its three nodes must be distinct and not on one line");
            continue;
        }
        covered = covered + std::fabs(area);
        uses[n[1]][n[2]].push_back(e);
        uses[n[2]][n[3]].push_back(e);
        uses[n[3]][n[1]].push_back(e);
    }
    for (int n = 1; n <= node_count; n++) {
        if (!used[n]) {
            findings.push_back("node " + std::to_string(n) +
                               " is a corner of no element; every node must belong to one");
        }
    }
    const double region = (width / 2) * height - (notch_width / 2) * notch_depth;
    if (std::fabs(covered - region) > 1e-9 * region) {
        findings.push_back("the elements cover an area of " + format(covered) +
                           ", the region's is " + format(region));
    }
}

// Each side of the outline belongs to one element, inside the region; every
// other side to two, once each way.
void check_sides(double** nodes, const side_uses& uses, std::vector<std::string>& findings) {
    for (int a = 1; a <= node_count; a++) {
        for (int b = a + 1; b <= node_count; b++) {
            bool forward = true;
            const int part = outline_side(nodes, a, b, forward);
            const std::vector<int>& there = uses[a][b];
            const std::vector<int>& back = uses[b][a];
            const std::string users = list_uses(uses, a, b);
            if (part != no_part) {
                const std::vector<int>& inside = forward ? there : back;
                if (inside.size() != 1 || there.size() + back.size() != 1) {
                    findings.push_back("side " + side_name(a, b) + " lies on " +
                                       place(outline[part]) +
                                       ": it must be a side of exactly one element, as " +
                                       (forward ? side_name(a, b) : side_name(b, a)) +
                                       ", but is a side of " + users);
                }
            } else if (!there.empty() || !back.empty()) {
                if (there.size() != 1 || back.size() != 1) {
                    findings.push_back("side " + side_name(a, b) +
                                       " is not on the outline: it must be a side of two "
                                       "elements, once each way, but is a side of " +
                                       users);
                }
            }
        }
    }
}

// Each term of the boundary table on a side of the outline that needs it, and
// each such side given its term once.
void check_terms(double** elements, double** nodes, std::vector<std::string>& findings) {
    std::vector<std::vector<int>> given(node_count + 1, std::vector<int>(node_count + 1, 0));
    for (const boundary_side& side : boundary_table) {
        const int a = node_of(elements, side.element, side.first);
        const int b = node_of(elements, side.element, side.second);
        bool forward = true;
        const int part = outline_side(nodes, a, b, forward);
        if (part != no_part && outline[part].needs == side.kind) {
            given[a][b]++;
            given[b][a]++;
            continue;
        }
        std::string should;
        for (const outline_part& p : outline) {
            if (p.needs == side.kind) {
                should += (should.empty() ? "" : ", ") + place(p);
            }
        }
        if (const std::size_t last = should.rfind(", "); last != std::string::npos) {
            should.replace(last, 2, " or ");
        }
        findings.push_back("element " + std::to_string(side.element) + ": its " +
                           (side.kind == condition::convection ? "convection" : "heat-flux") +
                           " side " + side_name(a, b) + " is not a side of the outline on " +
                           should);
    }
    for (int a = 1; a <= node_count; a++) {
        for (int b = a + 1; b <= node_count; b++) {
            bool forward = true;
            const int part = outline_side(nodes, a, b, forward);
            if (part == no_part || outline[part].needs == condition::none || given[a][b] == 1) {
                continue;
            }
            const std::string term = term_name(outline[part].needs);
            findings.push_back("side " + side_name(a, b) + " of " + place(outline[part]) +
                               (given[a][b] == 0 ? " gets no " + term
                                                 : " gets " + term + " " +
                                                       std::to_string(given[a][b]) + " times") +
                               "; it needs it once");
        }
    }
}

} // namespace

void check_triangulation(double** elements, double** nodes) {
    std::vector<std::string> findings;
    side_uses uses(node_count + 1, std::vector<std::vector<int>>(node_count + 1));
    check_elements(elements, nodes, uses, findings);
    check_sides(nodes, uses, findings);
    check_terms(elements, nodes, findings);
    const std::size_t shown = 10;
    for (std::size_t k = 0; k < findings.size() && k < shown; k++) {
        report_failure(findings[k]);
    }
    if (findings.size() > shown) {
        report_failure("and " + std::to_string(findings.size() - shown) +
                       " more faults in the triangulation");
    }
}
