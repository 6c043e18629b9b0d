// The conventions of the core's calls (heat2d.h's head), shared by the files
// of the API: a call's checks throw its status, guarded() turns them into it;
// outputs by buffer and count; text handed out; the inputs every call takes.
#pragma once

#include "api/heat2d.h"
#include "assembly/numbering.h"
#include "assembly/triangulation.h"
#include "mesh/connectivity.h"
#include "problem/plate.h"
#include "problem/values.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <map>
#include <string>
#include <vector>

// A result: flat arrays by name.
struct heat2d_result {
    std::map<std::string, std::vector<int>> ints;
    std::map<std::string, std::vector<double>> doubles;
};

// The problem's eight numbers of a call, and the outline's places of its
// plate as heat2d_outline_place last gave them.
struct heat2d_values {
    problem_values values;
    std::string places[outline_part_count];
};

namespace api {

// A bad call: remembered for heat2d_error.
int bad_call(const std::string& why);

// A call that went as it should: the reason cleared, its status.
int good(int status);

// Thrown by the checks of a call: its status, the reason in last_error.
struct refusal {
    int status;
};

// Ends a call's checks with its status and the reason.
[[noreturn]] void fail(int status, const std::string& why);

// A pointer that the call needs: a bad call when null.
void not_null(const void* pointer, const char* what);

// An input of count values, needed of them at least.
void input(const void* values, int count, int needed, const char* what);

// An output buffer of capacity values with its count: too small for needed
// values is HEAT2D_TOO_SMALL, with *count set to needed.
void output(const void* values, int capacity, int* count, int needed, const char* what);

// Writes values to an output checked by output().
template <typename value> void put(const std::vector<value>& values, value* to, int* count) {
    std::copy(values.begin(), values.end(), to);
    *count = static_cast<int>(values.size());
}

// An out-text, cleared.
void text_out(char** text, const char* what);

// Hands out lines, each ended by a line end, as a refusal.
int refused(const std::vector<std::string>& lines, char** out);

// A node number of an input.
int node_number(int value, const std::string& what);

// 60 node numbers into the 1-based element table.
void take_elements(const int* elements, int count, const char* what, element_table& t);

// What a call that solves takes: its text out and its handle out (named
// what) checked and cleared, and elements taken into t as above.
template <typename handle>
void solve_input(const int* elements, int count, handle** out, const char* what, char** lines,
                 element_table& t) {
    text_out(lines, "lines");
    not_null(out, what);
    *out = nullptr;
    take_elements(elements, count, "elements", t);
}

// 60 node numbers as 20 triangles.
std::vector<triangle> take_triangles(const int* triangles, int count);

std::vector<int> flat(const std::vector<triangle>& triangles);

// The faults shown of a triangulation, judged as heat2d judges elements.txt
// (table_order) or as a tool takes triangles in any order.
faults judged(element_table& t, const plate& problem, bool table_order);

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
problem_values values_of(const heat2d_values* values);

// The plate of a call's values, judged whole: a plate that cannot be solved
// is refused with its line through text, or is a bad call when the call has
// no text out (null).
plate plate_of(const heat2d_values* values, char** text);

// The value a name stands for.
const value_kind& value_kind_of(const char* name);

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

} // namespace api
