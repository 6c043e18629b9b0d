#include "api/heat2d.h"

#include "assembly/element.h"
#include "assembly/numbering.h"
#include "assembly/triangulation.h"
#include "mesh/connectivity.h"
#include "platform/process.h"
#include "problem/plate.h"
#include "problem/problem.h"
#include "problem/status.h"
#include "problem/values.h"
#include "refine/adapt.h"
#include "refine/limits.h"
#include "refine/refine.h"
#include "solver/plate_solve.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

// A result: flat arrays by name.
struct heat2d_result {
    std::map<std::string, std::vector<int>> ints;
    std::map<std::string, std::vector<double>> doubles;
};

// A refinement in progress.
struct heat2d_values {
    problem_values values;
};

struct heat2d_refinement {
    refinement levels;
};

// Adaptive steps in progress.
struct heat2d_adaptation {
    adaptation steps;
};

static_assert(static_cast<int>(naming::element) == HEAT2D_NAMES_ELEMENT &&
              static_cast<int>(naming::side) == HEAT2D_NAMES_SIDE &&
              static_cast<int>(naming::node) == HEAT2D_NAMES_NODE &&
              static_cast<int>(naming::faults) == HEAT2D_NAMES_FAULTS);

namespace {

// A solve's backward error where it converged by it; none where the residual
// reached the tolerance.
std::vector<double> rounding_only(bool at_rounding, double backward) {
    return at_rounding ? std::vector<double>{backward} : std::vector<double>{};
}

thread_local std::string last_error;

// A bad call: remembered for heat2d_error.
int bad_call(const std::string& why) {
    last_error = why;
    return HEAT2D_BAD_CALL;
}

int good(int status) {
    last_error.clear();
    return status;
}

// Thrown by the checks of a call: its status, the reason in last_error.
struct refusal {
    int status;
};

[[noreturn]] void fail(int status, const std::string& why) {
    last_error = why;
    throw refusal{status};
}

void not_null(const void* pointer, const char* what) {
    if (pointer == nullptr) {
        fail(HEAT2D_BAD_CALL, std::string(what) + " is a null pointer");
    }
}

// An input of count values, needed of them at least.
void input(const void* values, int count, int needed, const char* what) {
    not_null(values, what);
    if (count < needed) {
        fail(HEAT2D_BAD_CALL, std::string(what) + " holds " + std::to_string(count) + " values, " +
                                  std::to_string(needed) + " needed");
    }
}

// An output buffer of capacity values with its count: too small for needed
// values is HEAT2D_TOO_SMALL, with *count set to needed.
void output(const void* values, int capacity, int* count, int needed, const char* what) {
    not_null(count, (std::string(what) + "'s count").c_str());
    if (values == nullptr && capacity != 0) {
        fail(HEAT2D_BAD_CALL, std::string(what) + " is a null pointer");
    }
    if (capacity < needed) {
        *count = needed;
        fail(HEAT2D_TOO_SMALL, std::string(what) + " holds " + std::to_string(capacity) +
                                   " values, " + std::to_string(needed) + " needed");
    }
}

// Writes values to an output checked by output().
template <typename value> void put(const std::vector<value>& values, value* to, int* count) {
    std::copy(values.begin(), values.end(), to);
    *count = static_cast<int>(values.size());
}

// An out-text, cleared.
void text_out(char** text, const char* what) {
    not_null(text, what);
    *text = nullptr;
}

// Hands out lines, each ended by a line end, as a refusal.
int refused(const std::vector<std::string>& lines, char** out) {
    std::string text;
    for (const std::string& line : lines) {
        text += line + "\n";
    }
    *out = static_cast<char*>(std::malloc(text.size() + 1));
    if (*out == nullptr) {
        return bad_call("out of memory");
    }
    std::memcpy(*out, text.c_str(), text.size() + 1);
    return good(HEAT2D_REFUSED);
}

// A node number of an input.
int node_number(int value, const std::string& what) {
    if (!is_node_number(value)) {
        fail(HEAT2D_BAD_CALL,
             what + " is not a node number from 1 to " + std::to_string(node_count));
    }
    return value;
}

// 60 node numbers into the 1-based element table.
void take_elements(const int* elements, int count, const char* what, element_table& t) {
    input(elements, count, 3 * element_count, what);
    for (int k = 0; k < 3 * element_count; k++) {
        t.rows()[k / 3 + 1][k % 3 + 1] =
            node_number(elements[k], std::string(what) + "[" + std::to_string(k) + "]");
    }
}

// 60 node numbers as 20 triangles.
std::vector<triangle> take_triangles(const int* triangles, int count) {
    element_table t;
    take_elements(triangles, count, "triangles", t);
    std::vector<triangle> given(element_count);
    for (int k = 0; k < 3 * element_count; k++) {
        given[k / 3][k % 3] = t.node(k / 3 + 1, k % 3 + 1);
    }
    return given;
}

std::vector<int> flat(const std::vector<triangle>& triangles) {
    std::vector<int> values;
    for (const triangle& t : triangles) {
        values.insert(values.end(), t.begin(), t.end());
    }
    return values;
}

// The faults shown of a triangulation, judged as heat2d judges elements.txt
// (table_order) or as a tool takes triangles in any order.
faults judged(element_table& t, const plate& problem, bool table_order) {
    return shown_faults(
        judge_triangulation(t.rows(), problem, table_order ? "element" : "triangle", table_order));
}

// Runs a call: a refusal of its checks, or anything thrown, becomes its status.
template <typename call> int guarded(call body) {
    try {
        return body();
    } catch (const refusal& failed) {
        return failed.status;
    } catch (const std::exception& error) {
        return bad_call(std::string("internal error: ") + error.what());
    } catch (...) {
        return bad_call("internal error");
    }
}

// The values a handle holds; the design's for none.
problem_values values_of(const heat2d_values* values) {
    return values == nullptr ? problem_values{} : values->values;
}

// The value a name stands for.
const value_kind& value_kind_of(const char* name) {
    not_null(name, "name");
    const value_kind* kind = value_named(name);
    if (kind == nullptr || kind->name != std::string(name)) {
        fail(HEAT2D_BAD_CALL, std::string("no value is named \"") + name + "\"");
    }
    return *kind;
}

// A name's value from a list of them.
template <typename value, std::size_t n>
int named(const std::pair<const char*, value> (&values)[n], const char* name, value* out,
          const char* what) {
    return guarded([&]() -> int {
        not_null(name, "name");
        not_null(out, "value");
        for (const auto& [known, v] : values) {
            if (std::strcmp(name, known) == 0) {
                *out = v;
                return good(HEAT2D_OK);
            }
        }
        return bad_call(std::string("no ") + what + " is named \"" + name + "\"");
    });
}

// A flat array of a result, by name.
template <typename value>
int result_array(const std::map<std::string, std::vector<value>>* arrays, const char* name,
                 value* values, int capacity, int* count) {
    return guarded([&]() -> int {
        not_null(arrays, "result");
        not_null(name, "name");
        const auto found = arrays->find(name);
        if (found == arrays->end()) {
            return bad_call(std::string("the result has no array \"") + name + "\" of this type");
        }
        output(values, capacity, count, static_cast<int>(found->second.size()), name);
        put(found->second, values, count);
        return good(HEAT2D_OK);
    });
}

// A mesh's nodes (x y) and triangles (1-based) into a result.
void put_mesh(const level_mesh& mesh, heat2d_result& made) {
    std::vector<double>& xy = made.doubles["nodes"];
    xy.reserve(2 * mesh.node_count());
    for (std::size_t i = 0; i < mesh.node_count(); i++) {
        xy.insert(xy.end(), {mesh.x[i], mesh.y[i]});
    }
    std::vector<int>& triangles = made.ints["triangles"];
    triangles.reserve(mesh.triangles.size());
    for (const int n : mesh.triangles) {
        triangles.push_back(n + 1);
    }
}

// Starts a run of fine meshes on elements, judged as heat2d judges
// elements.txt: *run is made(its mesh, the plate), or the faults are handed
// out.
template <typename handle, typename maker>
int start_run(const int* elements, int count, const heat2d_values* values, handle** run,
              char** lines, maker made) {
    return guarded([&]() -> int {
        text_out(lines, "lines");
        not_null(run, "run");
        *run = nullptr;
        element_table t;
        take_elements(elements, count, "elements", t);
        const plate problem(values_of(values));
        const faults found = judged(t, problem, true);
        if (!found.lines.empty()) {
            return refused(found.lines, lines);
        }
        *run = made(table_mesh(t, problem), problem);
        return good(HEAT2D_OK);
    });
}

} // namespace

extern "C" {

int heat2d_version(const char** release, int* interface_number) {
    return guarded([&]() -> int {
        not_null(release, "release");
        not_null(interface_number, "interface_number");
        *release = HEAT2D_VERSION;
        *interface_number = HEAT2D_INTERFACE;
        return good(HEAT2D_OK);
    });
}

const char* heat2d_error(void) {
    return last_error.c_str();
}

void heat2d_free(char* text) {
    std::free(text);
}

int heat2d_count(const char* name, int* value) {
    static const std::pair<const char*, int> counts[] = {{"nodes", node_count},
                                                         {"elements", element_count}};
    return named(counts, name, value, "count");
}

int heat2d_node(const char* name, int* node) {
    static const std::pair<const char*, int> nodes[] = {{"notch_corner", plate::notch_corner},
                                                        {"notch_top", plate::notch_top},
                                                        {"top_right", plate::top_right}};
    return named(nodes, name, node, "node");
}

int heat2d_values_new(heat2d_values** values) {
    return guarded([&]() -> int {
        not_null(values, "values");
        *values = new heat2d_values{};
        return good(HEAT2D_OK);
    });
}

int heat2d_values_set(heat2d_values* values, const char* name, double value, char** why) {
    return guarded([&]() -> int {
        text_out(why, "why");
        not_null(values, "values");
        const value_kind& kind = value_kind_of(name);
        const std::string refusal = value_refusal(kind, value);
        if (!refusal.empty()) {
            return refused({std::string(kind.name) + " is taken " + refusal}, why);
        }
        values->values.*kind.member = value;
        return good(HEAT2D_OK);
    });
}

int heat2d_values_get(const heat2d_values* values, const char* name, double* value) {
    return guarded([&]() -> int {
        not_null(values, "values");
        not_null(value, "value");
        *value = values->values.*value_kind_of(name).member;
        return good(HEAT2D_OK);
    });
}

void heat2d_values_free(heat2d_values* values) {
    delete values;
}

int heat2d_value_range(const char* name, double* least, double* most) {
    return guarded([&]() -> int {
        not_null(least, "least");
        not_null(most, "most");
        const value_kind& kind = value_kind_of(name);
        *least = kind.least;
        *most = kind.most;
        return good(HEAT2D_OK);
    });
}

int heat2d_parameter(const char* name, double* value) {
    static const plate design;
    static const std::pair<const char*, double> values[] = {
        {"width", design.dimensions().width},
        {"height", design.dimensions().height},
        {"notch_width", design.dimensions().notch_width},
        {"notch_depth", design.dimensions().notch_depth},
        {"conductivity", design.values().conductivity},
        {"convection_coeff", design.values().convection},
        {"heat_flux", design.values().heat_flux},
        {"ambient_temperature", design.values().ambient},
    };
    return named(values, name, value, "parameter");
}

int heat2d_term_name(int kind, const char** name) {
    static const std::pair<const char*, int> kinds[] = {
        {"", HEAT2D_NO_TERM}, {"heat flux", HEAT2D_HEAT_FLUX}, {"convection", HEAT2D_CONVECTION}};
    return guarded([&]() -> int {
        not_null(name, "name");
        for (const auto& [known, k] : kinds) {
            if (k == kind) {
                *name = known;
                return good(HEAT2D_OK);
            }
        }
        return bad_call("there is no kind of term " + std::to_string(kind));
    });
}

int heat2d_nodes(double* xy, int capacity, int* count) {
    return guarded([&]() -> int {
        output(xy, capacity, count, 2 * node_count, "xy");
        const plate problem;
        std::vector<double> values;
        for (int i = 1; i <= node_count; i++) {
            values.push_back(problem.x(i));
            values.push_back(problem.y(i));
        }
        put(values, xy, count);
        return good(HEAT2D_OK);
    });
}

int heat2d_boundary_table(int* rows, int capacity, int* count) {
    return guarded([&]() -> int {
        std::vector<int> values;
        for (const boundary_side& side : boundary_table) {
            values.insert(values.end(),
                          {side.element, static_cast<int>(side.kind), side.first, side.second});
        }
        output(rows, capacity, count, static_cast<int>(values.size()), "rows");
        put(values, rows, count);
        return good(HEAT2D_OK);
    });
}

int heat2d_outline_sides(int* rows, int capacity, int* count) {
    return guarded([&]() -> int {
        const plate problem;
        // From node 1, from each node along the one side of the outline that
        // leaves it with the region on the left, until the walk is back.
        std::vector<int> values;
        int a = 1;
        do {
            int next = 0;
            for (int b = 1; b <= node_count && next == 0; b++) {
                bool forward = false;
                const int part = b == a ? -1 : outline_side(problem, a, b, forward);
                if (part >= 0 && forward) {
                    values.insert(values.end(),
                                  {a, b, part, static_cast<int>(problem.part(part).needs)});
                    next = b;
                }
            }
            a = next;
        } while (a > 1 && values.size() <= 4u * node_count);
        output(rows, capacity, count, static_cast<int>(values.size()), "rows");
        put(values, rows, count);
        return good(HEAT2D_OK);
    });
}

int heat2d_outline_place(int part, const char** place) {
    static const std::array<std::string, outline_part_count> places = [] {
        const plate problem;
        std::array<std::string, outline_part_count> names;
        for (int k = 0; k < outline_part_count; k++) {
            names[k] = problem.place(k);
        }
        return names;
    }();
    return guarded([&]() -> int {
        not_null(place, "place");
        if (part < 0 || part >= outline_part_count) {
            return bad_call("there is no part " + std::to_string(part) + " of the outline");
        }
        *place = places[part].c_str();
        return good(HEAT2D_OK);
    });
}

int heat2d_read_elements(const char* text, size_t length, const char* source, const char* word,
                         int* elements, int capacity, int* count, char** message) {
    return guarded([&]() -> int {
        text_out(message, "message");
        if (length != 0) {
            not_null(text, "text");
        }
        not_null(source, "source");
        not_null(word, "word");
        output(elements, capacity, count, 3 * element_count, "elements");
        element_table t;
        std::istringstream stream(length == 0 ? std::string() : std::string(text, length));
        try {
            parse_elements(stream, t.rows(), source, word);
        } catch (const input_error& error) {
            *count = 0;
            return refused({error.what()}, message);
        }
        std::vector<int> values;
        for (int k = 0; k < 3 * element_count; k++) {
            values.push_back(t.node(k / 3 + 1, k % 3 + 1));
        }
        put(values, elements, count);
        return good(HEAT2D_OK);
    });
}

int heat2d_boundary_sides(const int* elements, int count, int* sides, int capacity, int* written) {
    return guarded([&]() -> int {
        element_table t;
        take_elements(elements, count, "elements", t);
        std::vector<int> values;
        for (const boundary_side& side : boundary_table) {
            values.insert(values.end(),
                          {static_cast<int>(side.kind), t.node(side.element, side.first),
                           t.node(side.element, side.second)});
        }
        output(sides, capacity, written, static_cast<int>(values.size()), "sides");
        put(values, sides, written);
        return good(HEAT2D_OK);
    });
}

int heat2d_judge(const int* elements, int count, int table_order, char** lines) {
    return guarded([&]() -> int {
        text_out(lines, "lines");
        element_table t;
        take_elements(elements, count, "elements", t);
        const faults found = judged(t, plate{}, table_order != 0);
        return found.lines.empty() ? good(HEAT2D_OK) : refused(found.lines, lines);
    });
}

int heat2d_number_triangles(const int* triangles, int count, int flip_corner, int* elements,
                            int capacity, int* written, int* flips, int flip_capacity,
                            int* flip_count, char** lines) {
    return guarded([&]() -> int {
        text_out(lines, "lines");
        const std::vector<triangle> given = take_triangles(triangles, count);
        output(elements, capacity, written, 3 * element_count, "elements");
        const numbering result = number_triangles(given, plate{}, flip_corner != 0);
        std::vector<int> made;
        for (const side_flip& f : result.flips) {
            made.insert(made.end(), {f.a, f.b, f.c, f.d});
        }
        output(flips, flip_capacity, flip_count, static_cast<int>(made.size()), "flips");
        put(made, flips, flip_count);
        if (!result.faults.empty()) {
            *written = 0;
            return refused(result.faults, lines);
        }
        put(flat(result.elements), elements, written);
        return good(HEAT2D_OK);
    });
}

int heat2d_corner_counts(const int* triangles, int count, int* corners, int capacity,
                         int* written) {
    return guarded([&]() -> int {
        const std::vector<triangle> given = take_triangles(triangles, count);
        std::vector<int> values;
        for (const corner_count_of& c : corner_counts(given)) {
            values.insert(values.end(), {c.need.node, c.count, c.need.least, c.need.most});
        }
        output(corners, capacity, written, static_cast<int>(values.size()), "corners");
        put(values, corners, written);
        return good(HEAT2D_OK);
    });
}

int heat2d_flip_side(const int* triangles, int count, int a, int b, int* flipped, int capacity,
                     int* written, char** reason) {
    return guarded([&]() -> int {
        text_out(reason, "reason");
        std::vector<triangle> given = take_triangles(triangles, count);
        output(flipped, capacity, written, 3 * element_count, "flipped");
        node_number(a, "a");
        node_number(b, "b");
        const std::string why = flip_side(given, plate{}, a, b);
        if (!why.empty()) {
            *written = 0;
            return refused({why}, reason);
        }
        put(flat(given), flipped, written);
        return good(HEAT2D_OK);
    });
}

int heat2d_result_ints(const heat2d_result* result, const char* name, int* values, int capacity,
                       int* count) {
    return result_array(result ? &result->ints : nullptr, name, values, capacity, count);
}

int heat2d_result_doubles(const heat2d_result* result, const char* name, double* values,
                          int capacity, int* count) {
    return result_array(result ? &result->doubles : nullptr, name, values, capacity, count);
}

void heat2d_result_free(heat2d_result* result) {
    delete result;
}

int heat2d_element(const int* elements, int count, int e, const heat2d_values* values,
                   heat2d_result** result) {
    return guarded([&]() -> int {
        not_null(result, "result");
        *result = nullptr;
        element_table t;
        take_elements(elements, count, "elements", t);
        if (e < 1 || e > element_count) {
            return bad_call("there is no element " + std::to_string(e));
        }
        const int corners[3] = {t.node(e, 1), t.node(e, 2), t.node(e, 3)};
        const element_values v = plate_element(plate(values_of(values)), corners, e);
        auto made = std::make_unique<heat2d_result>();
        auto& ints = made->ints;
        auto& doubles = made->doubles;
        const auto three = [](const double* slots) {
            return std::vector<double>{slots[1], slots[2], slots[3]};
        };
        const auto nine = [](const double(*matrix)[4], std::vector<double>& to) {
            for (int i = 1; i <= 3; i++) {
                to.insert(to.end(), {matrix[i][1], matrix[i][2], matrix[i][3]});
            }
        };
        ints["nodes"].assign(corners, corners + 3);
        doubles["x"] = three(v.x);
        doubles["y"] = three(v.y);
        doubles["area"] = {v.area};
        doubles["b"] = three(v.b);
        doubles["c"] = three(v.c);
        nine(v.conduction, doubles["conduction"]);
        nine(v.matrix, doubles["matrix"]);
        doubles["loads"] = three(v.loads);
        for (const char* name : {"term_kinds", "term_sides", "term_nodes"}) {
            ints[name];
        }
        for (const char* name : {"term_lengths", "term_loads", "term_matrices"}) {
            doubles[name];
        }
        for (int k = 0; k < v.term_count; k++) {
            const term_values& term = v.terms[k];
            ints["term_kinds"].push_back(static_cast<int>(term.side.kind));
            ints["term_sides"].insert(ints["term_sides"].end(),
                                      {term.side.first, term.side.second});
            ints["term_nodes"].insert(
                ints["term_nodes"].end(),
                {ints["nodes"][term.side.first - 1], ints["nodes"][term.side.second - 1]});
            doubles["term_lengths"].push_back(term.length);
            doubles["term_loads"].push_back(term.load);
            nine(term.matrix, doubles["term_matrices"]);
        }
        *result = made.release();
        return good(HEAT2D_OK);
    });
}

int heat2d_solve(const int* elements, int count, const heat2d_values* values,
                 heat2d_result** result, char** lines) {
    return guarded([&]() -> int {
        text_out(lines, "lines");
        not_null(result, "result");
        *result = nullptr;
        element_table t;
        take_elements(elements, count, "elements", t);
        const plate problem(values_of(values));
        auto made = std::make_unique<heat2d_result>();
        std::vector<int>& named = made->ints["named"];
        const faults found = judged(t, problem, true);
        for (std::size_t k = 0; k < found.named.size(); k++) {
            for (const mention& m : found.named[k]) {
                named.insert(named.end(),
                             {static_cast<int>(k), static_cast<int>(m.kind), m.a, m.b});
            }
        }
        if (!found.lines.empty()) {
            const int status = refused(found.lines, lines);
            if (status == HEAT2D_REFUSED) {
                *result = made.release();
            }
            return status;
        }
        const plate_solution solved = solve_plate(t, problem);
        if (solved.T.empty()) {
            return refused({"the system is not positive definite"}, lines);
        }
        made->doubles["K"] = solved.K;
        made->doubles["f"] = solved.f;
        made->doubles["temperatures"] = solved.T;
        made->doubles["heat_in"] = {solved.heat_in};
        made->doubles["heat_out"] = {solved.heat_out};
        *result = made.release();
        return good(HEAT2D_OK);
    });
}

int heat2d_refine(const int* elements, int count, const heat2d_values* values,
                  heat2d_refinement** run, char** lines) {
    return start_run(elements, count, values, run, lines,
                     [](level_mesh mesh, const plate& problem) {
                         return new heat2d_refinement{refinement(std::move(mesh), problem)};
                     });
}

int heat2d_refine_memory(int level, double* bytes) {
    return guarded([&]() -> int {
        not_null(bytes, "bytes");
        if (level < 0 || level > most_level) {
            fail(HEAT2D_BAD_CALL, "level is not from 0 to " + std::to_string(most_level));
        }
        *bytes = level_bytes(level);
        return good(HEAT2D_OK);
    });
}

int heat2d_refine_next(heat2d_refinement* run, heat2d_result** level, char** lines) {
    return guarded([&]() -> int {
        text_out(lines, "lines");
        not_null(run, "run");
        not_null(level, "level");
        *level = nullptr;
        refinement& levels = run->levels;
        const int next = levels.levels();
        const std::string what = "level " + std::to_string(next);
        if (next > most_level) {
            return refused({refusal_text(refusal_reason::past_the_last, what)}, lines);
        }
        if (const double available = available_memory(); level_bytes(next) > available) {
            return refused({memory_words(what, level_bytes(next), available)}, lines);
        }
        const level_line line = levels.next();
        if (!line.converged) {
            return refused({refusal_text(refusal_reason::not_converged, what)}, lines);
        }
        auto made = std::make_unique<heat2d_result>();
        put_mesh(levels.finest(), *made);
        auto& d = made->doubles;
        auto& i = made->ints;
        d["temperatures"] = levels.temperatures();
        d["below"] = levels.below();
        d["hottest"] = {line.hottest};
        d["change"] = {line.change};
        d["heat_in"] = {line.balance.in};
        d["heat_out"] = {line.balance.out};
        d["residual"] = {line.residual};
        d["backward_error"] = rounding_only(line.at_rounding, line.backward);
        d["seconds"] = {line.seconds};
        i["level"] = {line.level};
        i["triangles_count"] = {static_cast<int>(line.triangles)};
        i["nodes_count"] = {static_cast<int>(line.nodes)};
        i["hottest_node"] = {line.hottest_node};
        i["iterations"] = {line.iterations};
        d["error_left"];
        d["orders"];
        i["observed"];
        for (const error_left& e : levels.estimate()) {
            d["error_left"].push_back(e.left);
            d["orders"].push_back(e.order);
            i["observed"].push_back(e.observed ? 1 : 0);
        }
        *level = made.release();
        return good(HEAT2D_OK);
    });
}

void heat2d_refine_free(heat2d_refinement* run) {
    delete run;
}

int heat2d_adapt(const int* elements, int count, const heat2d_values* values,
                 heat2d_adaptation** run, char** lines) {
    return start_run(elements, count, values, run, lines,
                     [](const level_mesh& mesh, const plate& problem) {
                         return new heat2d_adaptation{adaptation(mesh, problem)};
                     });
}

int heat2d_adapt_next(heat2d_adaptation* run, heat2d_result** step, char** lines) {
    return guarded([&]() -> int {
        text_out(lines, "lines");
        not_null(run, "run");
        not_null(step, "step");
        *step = nullptr;
        adaptation& steps = run->steps;
        const std::string what = "step " + std::to_string(steps.steps());
        if (steps.stalled()) {
            return refused({stall_words(steps.steps() - 1, steps.answer().error[0])}, lines);
        }
        if (const double available = available_memory(); steps.next_bytes() > available) {
            return refused({memory_words(what, steps.next_bytes(), available)}, lines);
        }
        const adapt_line line = steps.next();
        if (!line.converged) {
            return refused({refusal_text(refusal_reason::not_converged, what)}, lines);
        }
        auto made = std::make_unique<heat2d_result>();
        put_mesh(steps.mesh(), *made);
        auto& d = made->doubles;
        auto& i = made->ints;
        d["temperatures"] = steps.temperatures();
        d["indicators"] = steps.indicators();
        i["marked"].assign(steps.marked().begin(), steps.marked().end());
        const adapt_answer& answer = steps.answer();
        d["answer"] = answer.T;
        d["error_left"] = answer.error;
        d["orders"] = answer.order;
        d["smallest_side_at_node_6"] = {line.smallest_side};
        d["eta"] = {line.eta};
        d["hottest"] = {line.hottest};
        d["node_8"] = {line.node_8};
        d["change"] = {line.change};
        d["heat_in"] = {line.balance.in};
        d["heat_out"] = {line.balance.out};
        d["residual"] = {line.residual};
        d["backward_error"] = rounding_only(line.at_rounding, line.backward);
        d["error"] = {std::isfinite(line.estimate) ? line.estimate : 0.0};
        d["seconds"] = {line.seconds};
        i["step"] = {line.step};
        i["triangles_count"] = {static_cast<int>(line.triangles)};
        i["nodes_count"] = {static_cast<int>(line.nodes)};
        i["hottest_node"] = {line.hottest_node};
        i["iterations"] = {line.iterations};
        *step = made.release();
        return good(HEAT2D_OK);
    });
}

int heat2d_adapt_estimated_by(const char** how) {
    return guarded([&]() -> int {
        not_null(how, "how");
        *how = adapt_obtained;
        return good(HEAT2D_OK);
    });
}

void heat2d_adapt_free(heat2d_adaptation* run) {
    delete run;
}

} // extern "C"
