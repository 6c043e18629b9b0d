// Triangulations through the core: read, judged, numbered for the boundary
// table, a side flipped.
#include "api/calls.h"

#include "problem/problem.h"
#include "problem/status.h"

#include <sstream>

using namespace api;

extern "C" {

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

int heat2d_judge(const int* elements, int count, const heat2d_values* values, int table_order,
                 char** lines) {
    return guarded([&]() -> int {
        text_out(lines, "lines");
        element_table t;
        take_elements(elements, count, "elements", t);
        const faults found = judged(t, plate_of(values, lines), table_order != 0);
        return found.lines.empty() ? good(HEAT2D_OK) : refused(found.lines, lines);
    });
}

int heat2d_number_triangles(const int* triangles, int count, const heat2d_values* values,
                            int flip_corner, int* elements, int capacity, int* written, int* flips,
                            int flip_capacity, int* flip_count, char** lines) {
    return guarded([&]() -> int {
        text_out(lines, "lines");
        const std::vector<triangle> given = take_triangles(triangles, count);
        output(elements, capacity, written, 3 * element_count, "elements");
        const numbering result = number_triangles(given, plate_of(values, lines), flip_corner != 0);
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

int heat2d_flip_side(const int* triangles, int count, const heat2d_values* values, int a, int b,
                     int* flipped, int capacity, int* written, char** reason) {
    return guarded([&]() -> int {
        text_out(reason, "reason");
        std::vector<triangle> given = take_triangles(triangles, count);
        output(flipped, capacity, written, 3 * element_count, "flipped");
        node_number(a, "a");
        node_number(b, "b");
        const std::string why = flip_side(given, plate_of(values, reason), a, b);
        if (!why.empty()) {
            *written = 0;
            return refused({why}, reason);
        }
        put(flat(given), flipped, written);
        return good(HEAT2D_OK);
    });
}

} // extern "C"
