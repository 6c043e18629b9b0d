#include "api/calls.h"

#include "problem/status.h"

#include <cstdlib>

static_assert(static_cast<int>(naming::element) == HEAT2D_NAMES_ELEMENT &&
              static_cast<int>(naming::side) == HEAT2D_NAMES_SIDE &&
              static_cast<int>(naming::node) == HEAT2D_NAMES_NODE &&
              static_cast<int>(naming::faults) == HEAT2D_NAMES_FAULTS);

namespace api {

namespace {

thread_local std::string last_error;

} // namespace

// A bad call: remembered for heat2d_error.
int bad_call(const std::string& why) {
    last_error = why;
    return HEAT2D_BAD_CALL;
}

int good(int status) {
    last_error.clear();
    return status;
}

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

// The values a handle holds; the design's for none.
problem_values values_of(const heat2d_values* values) {
    return values == nullptr ? problem_values{} : values->values;
}

plate plate_of(const heat2d_values* values, char** text) {
    const problem_values given = values_of(values);
    const std::string why = plate_refusal(given);
    if (why.empty()) {
        return plate(given);
    }
    if (text == nullptr) {
        fail(HEAT2D_BAD_CALL, why);
    }
    throw refusal{refused({why}, text)};
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

} // namespace api

using namespace api;

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

} // extern "C"
