#include "assembly/triangulation.h"

#include "assembly/element.h"
#include "problem/plate.h"
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

const int no_part = -1;

std::string format(double value) {
    std::ostringstream text;
    text << value;
    return text.str();
}

const char* term_name(condition kind) {
    return kind == condition::convection ? "convection" : "heat flux";
}

int node_of(double** elements, int e, int local) {
    return static_cast<int>(elements[e][local]);
}

// Position of node n along part, or NaN when n is not on it.
double along(const outline_part& part, const plate& problem, int n) {
    const double across = part.vertical ? problem.x(n) : problem.y(n);
    const double t = part.vertical ? problem.y(n) : problem.x(n);
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
void check_elements(double** elements, const plate& problem, const char* word, bool table_order,
                    side_uses& uses, faults& findings) {
    bool used[node_count + 1] = {};
    double covered = 0.0;
    for (int e = 1; e <= element_count; e++) {
        int n[4];
        for (int i = 1; i <= 3; i++) {
            n[i] = node_of(elements, e, i);
            used[n[i]] = true;
        }
        const double area = signed_area_of(problem, n[1], n[2], n[3]);
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
    const double region = problem.area();
    if (std::fabs(covered - region) > 1e-9 * region) {
        findings.add(std::string("the ") + word + "s cover an area of " + format(covered) +
                     ", the region's is " + format(region));
    }
}

// Whether some side of counter-clockwise triangle t has all of u on its
// outer side or on its line.
bool parted(const plate& problem, const std::array<int, 3>& t, const std::array<int, 3>& u) {
    for (int k = 0; k < 3; k++) {
        bool outside = true;
        for (const int v : u) {
            outside = outside && !(signed_area_of(problem, t[k], t[(k + 1) % 3], v) > 0);
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
void check_overlaps(const plate& problem, const char* word, const side_uses& uses,
                    faults& findings) {
    for (std::size_t i = 0; i < uses.triangles.size(); i++) {
        const auto& [first, t] = uses.triangles[i];
        std::vector<int> over;
        for (std::size_t j = i + 1; j < uses.triangles.size(); j++) {
            const auto& [second, u] = uses.triangles[j];
            if (!parted(problem, t, u) && !parted(problem, u, t)) {
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
void check_sides(const plate& problem, const char* word, const side_uses& uses, faults& findings) {
    for (int a = 1; a <= node_count; a++) {
        for (int b = a + 1; b <= node_count; b++) {
            const int there = uses.count[a][b];
            const int back = uses.count[b][a];
            bool forward = true;
            const int part = outline_side(problem, a, b, forward);
            if (part != no_part) {
                const int inside = forward ? there : back;
                if (inside != 1 || there + back != 1) {
                    findings.add("side " + side_name(a, b) + " lies on " + problem.place(part) +
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
std::string parts_needing(const plate& problem, condition kind) {
    std::string should;
    for (int p = 0; p < outline_part_count; p++) {
        if (problem.part(p).needs == kind) {
            should += (should.empty() ? "" : ", ") + problem.place(p);
        }
    }
    if (const std::size_t last = should.rfind(", "); last != std::string::npos) {
        should.replace(last, 2, " or ");
    }
    return should;
}

// Each term of the boundary table on a side of the outline that needs it, and
// each such side given its term once.
void check_terms(double** elements, const plate& problem, const char* word, faults& findings) {
    int given[node_count + 1][node_count + 1] = {};
    for (const boundary_side& side : boundary_table) {
        const int a = node_of(elements, side.element, side.first);
        const int b = node_of(elements, side.element, side.second);
        if (outline_term(problem, a, b) == side.kind) {
            given[a][b]++;
            given[b][a]++;
            continue;
        }
        findings.add(word + (" " + std::to_string(side.element)) + ": its " +
                         (side.kind == condition::convection ? "convection" : "heat-flux") +
                         " side " + side_name(a, b) + " is not a side of the outline on " +
                         parts_needing(problem, side.kind),
                     {{naming::element, side.element, 0}, {naming::side, a, b}});
    }
    for (int a = 1; a <= node_count; a++) {
        for (int b = a + 1; b <= node_count; b++) {
            bool forward = true;
            const int part = outline_side(problem, a, b, forward);
            if (part == no_part || problem.part(part).needs == condition::none ||
                given[a][b] == 1) {
                continue;
            }
            const std::string term = term_name(problem.part(part).needs);
            findings.add("side " + side_name(a, b) + " of " + problem.place(part) +
                             (given[a][b] == 0 ? " gets no " + term
                                               : " gets " + term + " " +
                                                     std::to_string(given[a][b]) + " times") +
                             "; it needs it once",
                         {{naming::side, a, b}});
        }
    }
}

} // namespace

double signed_area_of(const plate& problem, int o, int a, int b) {
    const double ax = problem.x(a) - problem.x(o), ay = problem.y(a) - problem.y(o);
    const double bx = problem.x(b) - problem.x(o), by = problem.y(b) - problem.y(o);
    return (ax * by - bx * ay) / 2;
}

std::string side_name(int a, int b) {
    return std::to_string(a) + "-" + std::to_string(b);
}

int outline_side(const plate& problem, int a, int b, bool& forward) {
    for (int p = 0; p < outline_part_count; p++) {
        const double ta = along(problem.part(p), problem, a);
        const double tb = along(problem.part(p), problem, b);
        if (std::isnan(ta) || std::isnan(tb) || ta == tb) {
            continue;
        }
        for (int n = 1; n <= node_count; n++) {
            const double t = along(problem.part(p), problem, n);
            if (t > std::fmin(ta, tb) && t < std::fmax(ta, tb)) {
                return no_part;
            }
        }
        forward = (tb > ta) == problem.part(p).rising;
        return p;
    }
    return no_part;
}

std::vector<outline_step> outline_walk(const plate& problem) {
    // From each node along the one side of the outline that leaves it with
    // the region on the left, until the walk is back at node 1.
    std::vector<outline_step> walk;
    int a = 1;
    do {
        int next = 0;
        for (int b = 1; b <= node_count && next == 0; b++) {
            bool forward = false;
            const int part = b == a ? -1 : outline_side(problem, a, b, forward);
            if (part >= 0 && forward) {
                walk.push_back({a, b, part});
                next = b;
            }
        }
        a = next;
    } while (a > 1 && walk.size() <= static_cast<std::size_t>(node_count));
    return walk;
}

condition outline_term(const plate& problem, int a, int b) {
    bool forward = true;
    const int part = outline_side(problem, a, b, forward);
    return part == no_part ? condition::none : problem.part(part).needs;
}

faults judge_triangulation(double** elements, const plate& problem, const char* word,
                           bool table_order) {
    faults findings;
    side_uses uses;
    uses.list.reserve(3 * element_count);
    check_elements(elements, problem, word, table_order, uses, findings);
    check_overlaps(problem, word, uses, findings);
    check_sides(problem, word, uses, findings);
    if (table_order) {
        check_terms(elements, problem, word, findings);
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

faults shown_faults(const faults& found) {
    faults shown;
    const std::vector<std::string> lines = shown_faults(found.lines);
    for (std::size_t k = 0; k < lines.size(); k++) {
        // The last line of a cut list stands for the faults left out.
        const bool rest = lines.size() < found.lines.size() && k + 1 == lines.size();
        shown.add(lines[k],
                  rest ? mentions{{naming::faults, static_cast<int>(found.lines.size() - k), 0}}
                       : found.named[k]);
    }
    return shown;
}

void check_triangulation(double** elements, const plate& problem) {
    const faults shown = shown_faults(judge_triangulation(elements, problem, "element", true));
    for (std::size_t k = 0; k < shown.lines.size(); k++) {
        report_failure(shown.lines[k], shown.named[k]);
    }
}
