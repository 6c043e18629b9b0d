#include "api/heat2d.h"

#include "assembly/element.h"
#include "assembly/numbering.h"
#include "assembly/triangulation.h"
#include "mesh/connectivity.h"
#include "mesh/mesh.h"
#include "problem/problem.h"
#include "problem/status.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string last_error;

// The 1-based tables that the program's routines take, filled for one call.
struct tables {
    double node_rows[node_count + 1][3] = {};
    double element_rows[element_count + 1][4] = {};
    double* nodes[node_count + 1];
    double* elements[element_count + 1];

    tables() {
        for (int i = 0; i <= node_count; i++) {
            nodes[i] = node_rows[i];
        }
        for (int e = 0; e <= element_count; e++) {
            elements[e] = element_rows[e];
        }
        place_nodes(nodes);
    }
};

// A bad call: remembered for heat2d_error.
int bad_call(const std::string& why) {
    last_error = why;
    return HEAT2D_BAD_CALL;
}

int good(int status) {
    last_error.clear();
    return status;
}

// The text as caller-owned memory.
char* handed_out(const std::string& text) {
    char* copy = static_cast<char*>(std::malloc(text.size() + 1));
    if (copy != nullptr) {
        std::memcpy(copy, text.c_str(), text.size() + 1);
    }
    return copy;
}

// Hands out lines, each ended by a line end; false when memory ran out.
bool hand_out(const std::vector<std::string>& lines, char** out) {
    std::string text;
    for (const std::string& line : lines) {
        text += line + "\n";
    }
    *out = handed_out(text);
    return *out != nullptr;
}

// Checks a buffer of node numbers from a caller.
bool buffer_ok(const void* buffer, int count, int needed, const char* what) {
    if (buffer == nullptr) {
        bad_call(std::string(what) + " is a null pointer");
        return false;
    }
    if (count < needed) {
        bad_call(std::string(what) + " holds " + std::to_string(count) + " values, " +
                 std::to_string(needed) + " needed");
        return false;
    }
    return true;
}

// Copies 60 node numbers into the element table; false, a bad call, when one
// does not truncate to a node number.
bool take_elements(const double* elements, int count, tables& t) {
    if (!buffer_ok(elements, count, 3 * element_count, "elements")) {
        return false;
    }
    for (int k = 0; k < 3 * element_count; k++) {
        const double value = elements[k];
        if (!is_node_number(value)) {
            bad_call("elements[" + std::to_string(k) + "] is not a node number from 1 to " +
                     std::to_string(node_count));
            return false;
        }
        t.elements[k / 3 + 1][k % 3 + 1] = value;
    }
    return true;
}

// Copies 60 node numbers of 20 triangles; false, a bad call, when one is not
// a node number.
bool take_triangles(const int* triangles, int count, std::vector<triangle>& given) {
    if (!buffer_ok(triangles, count, 3 * element_count, "triangles")) {
        return false;
    }
    for (int k = 0; k < 3 * element_count; k++) {
        if (!is_node_number(triangles[k])) {
            bad_call("triangles[" + std::to_string(k) + "] is not a node number from 1 to " +
                     std::to_string(node_count));
            return false;
        }
        given[k / 3][k % 3] = triangles[k];
    }
    return true;
}

// The checks of a call that takes 20 triangles, writes 20 back to out and
// hands out text at *text (cleared first); false, a bad call, when one fails.
bool triangles_call(const int* triangles, int count, std::vector<triangle>& given, const int* out,
                    int capacity, const char* out_name, char** text, const char* text_name) {
    if (text == nullptr) {
        bad_call(std::string(text_name) + " is a null pointer");
        return false;
    }
    *text = nullptr;
    return take_triangles(triangles, count, given) &&
           buffer_ok(out, capacity, 3 * element_count, out_name);
}

// Writes 20 triangles as 60 node numbers (at: fewer are a fault of the core).
void put_triangles(const std::vector<triangle>& from, int* to) {
    for (int k = 0; k < 3 * element_count; k++) {
        to[k] = from.at(k / 3)[k % 3];
    }
}

// Runs a call, turning anything thrown into a bad call.
template <typename call> int guarded(call body) {
    try {
        return body();
    } catch (const std::exception& error) {
        return bad_call(std::string("internal error: ") + error.what());
    } catch (...) {
        return bad_call("internal error");
    }
}

} // namespace

extern "C" {

const char* heat2d_error(void) {
    return last_error.c_str();
}

void heat2d_free(char* text) {
    std::free(text);
}

int heat2d_node_count(void) {
    return node_count;
}

int heat2d_element_count(void) {
    return element_count;
}

double heat2d_parameter(const char* name) {
    const std::pair<const char*, double> values[] = {
        {"width", width},
        {"height", height},
        {"notch_width", notch_width},
        {"notch_depth", notch_depth},
        {"conductivity", conductivity},
        {"convection_coeff", convection_coeff},
        {"heat_flux", heat_flux},
        {"ambient_temperature", ambient_temperature},
    };
    for (const auto& [known, value] : values) {
        if (name != nullptr && std::strcmp(name, known) == 0) {
            good(0);
            return value;
        }
    }
    bad_call(name == nullptr ? "the name is a null pointer"
                             : std::string("no parameter is named \"") + name + "\"");
    return std::numeric_limits<double>::quiet_NaN();
}

const char* heat2d_term_name(int kind) {
    return kind == HEAT2D_HEAT_FLUX ? "heat flux" : kind == HEAT2D_CONVECTION ? "convection" : "";
}

int heat2d_nodes(double* xy, int capacity) {
    return guarded([&]() -> int {
        if (!buffer_ok(xy, capacity, 2 * node_count, "xy")) {
            return HEAT2D_BAD_CALL;
        }
        const tables t;
        for (int i = 1; i <= node_count; i++) {
            xy[2 * i - 2] = t.node_rows[i][1];
            xy[2 * i - 1] = t.node_rows[i][2];
        }
        return good(node_count);
    });
}

int heat2d_boundary_table(int* rows, int capacity) {
    const int count = static_cast<int>(std::size(boundary_table));
    if (!buffer_ok(rows, capacity, 4 * count, "rows")) {
        return HEAT2D_BAD_CALL;
    }
    for (int k = 0; k < count; k++) {
        const boundary_side& side = boundary_table[k];
        rows[4 * k] = side.element;
        rows[4 * k + 1] = static_cast<int>(side.kind);
        rows[4 * k + 2] = side.first;
        rows[4 * k + 3] = side.second;
    }
    return good(count);
}

int heat2d_outline_sides(int* rows, int capacity) {
    return guarded([&]() -> int {
        tables t;
        // From node 1, from each node along the one side of the outline that
        // leaves it with the region on the left, until the walk is back.
        struct side {
            int a;
            int b;
            int part;
        };
        std::vector<side> walk;
        int a = 1;
        do {
            int next = 0;
            for (int b = 1; b <= node_count && next == 0; b++) {
                bool forward = false;
                const int part = b == a ? -1 : outline_side(t.nodes, a, b, forward);
                if (part >= 0 && forward) {
                    walk.push_back({a, b, part});
                    next = b;
                }
            }
            a = next;
        } while (a > 1 && walk.size() <= static_cast<std::size_t>(node_count));
        const int count = static_cast<int>(walk.size());
        if (!buffer_ok(rows, capacity, 4 * count, "rows")) {
            return HEAT2D_BAD_CALL;
        }
        for (int k = 0; k < count; k++) {
            rows[4 * k] = walk[k].a;
            rows[4 * k + 1] = walk[k].b;
            rows[4 * k + 2] = walk[k].part;
            rows[4 * k + 3] = static_cast<int>(outline_needs(walk[k].part));
        }
        return good(count);
    });
}

char* heat2d_outline_place(int part) {
    if (part < 0 || part >= outline_part_count) {
        bad_call("there is no part " + std::to_string(part) + " of the outline");
        return nullptr;
    }
    good(0);
    return handed_out(outline_place(part));
}

int heat2d_read_elements(const char* text, size_t length, const char* source, const char* word,
                         double* elements, int capacity, char** message) {
    return guarded([&]() -> int {
        if ((text == nullptr && length != 0) || source == nullptr || word == nullptr ||
            message == nullptr) {
            return bad_call("text, source, word or message is a null pointer");
        }
        if (!buffer_ok(elements, capacity, 3 * element_count, "elements")) {
            return HEAT2D_BAD_CALL;
        }
        *message = nullptr;
        tables t;
        std::istringstream input(length == 0 ? std::string() : std::string(text, length));
        try {
            parse_elements(input, t.elements, source, word);
        } catch (const input_error& error) {
            *message = handed_out(error.what());
            return *message == nullptr ? bad_call("out of memory") : good(HEAT2D_REFUSED);
        }
        for (int k = 0; k < 3 * element_count; k++) {
            elements[k] = t.element_rows[k / 3 + 1][k % 3 + 1];
        }
        return good(HEAT2D_OK);
    });
}

int heat2d_boundary_sides(const double* elements, int count, int* sides, int capacity) {
    return guarded([&]() -> int {
        tables t;
        const int rows = static_cast<int>(std::size(boundary_table));
        if (!take_elements(elements, count, t) || !buffer_ok(sides, capacity, 3 * rows, "sides")) {
            return HEAT2D_BAD_CALL;
        }
        for (int k = 0; k < rows; k++) {
            const boundary_side& side = boundary_table[k];
            sides[3 * k] = static_cast<int>(side.kind);
            sides[3 * k + 1] = static_cast<int>(t.element_rows[side.element][side.first]);
            sides[3 * k + 2] = static_cast<int>(t.element_rows[side.element][side.second]);
        }
        return good(rows);
    });
}

int heat2d_judge(const double* elements, int count, int table_order, char** lines) {
    return guarded([&]() -> int {
        tables t;
        if (lines == nullptr) {
            return bad_call("lines is a null pointer");
        }
        *lines = nullptr;
        if (!take_elements(elements, count, t)) {
            return HEAT2D_BAD_CALL;
        }
        const std::vector<std::string> faults = shown_faults(judge_triangulation(
            t.elements, t.nodes, table_order ? "element" : "triangle", table_order != 0));
        if (faults.empty()) {
            return good(HEAT2D_OK);
        }
        return hand_out(faults, lines) ? good(HEAT2D_REFUSED) : bad_call("out of memory");
    });
}

int heat2d_number(const int* triangles, int count, int flip_corner, int* elements, int capacity,
                  char** lines) {
    return guarded([&]() -> int {
        std::vector<triangle> given(element_count);
        if (!triangles_call(triangles, count, given, elements, capacity, "elements", lines,
                            "lines")) {
            return HEAT2D_BAD_CALL;
        }
        tables t;
        const numbering result = number_triangles(given, t.nodes, flip_corner != 0);
        if (!result.faults.empty()) {
            return hand_out(result.faults, lines) ? good(HEAT2D_REFUSED)
                                                  : bad_call("out of memory");
        }
        put_triangles(result.elements, elements);
        return hand_out(result.flips, lines) ? good(HEAT2D_OK) : bad_call("out of memory");
    });
}

int heat2d_flip(const int* triangles, int count, int a, int b, int* flipped, int capacity,
                char** reason) {
    return guarded([&]() -> int {
        std::vector<triangle> given(element_count);
        if (!triangles_call(triangles, count, given, flipped, capacity, "flipped", reason,
                            "reason")) {
            return HEAT2D_BAD_CALL;
        }
        if (!is_node_number(a) || !is_node_number(b)) {
            return bad_call("side " + side_name(a, b) + " is not between two nodes from 1 to " +
                            std::to_string(node_count));
        }
        tables t;
        const std::string why = flip_side(given, t.nodes, a, b);
        if (!why.empty()) {
            return hand_out({why}, reason) ? good(HEAT2D_REFUSED) : bad_call("out of memory");
        }
        put_triangles(given, flipped);
        return good(HEAT2D_OK);
    });
}

int heat2d_element(const double* elements, int count, int e, struct heat2d_element* values) {
    return guarded([&]() -> int {
        tables t;
        if (!take_elements(elements, count, t)) {
            return HEAT2D_BAD_CALL;
        }
        if (values == nullptr) {
            return bad_call("values is a null pointer");
        }
        if (e < 1 || e > element_count) {
            return bad_call("there is no element " + std::to_string(e));
        }
        *values = {};
        double row_storage[4][4] = {};
        double matrix_storage[4][4] = {};
        double* local_stiffness[4];
        double* element_matrix[4];
        for (int i = 0; i < 4; i++) {
            local_stiffness[i] = row_storage[i];
            element_matrix[i] = matrix_storage[i];
        }
        double element_nodes[4];
        double x[4];
        double y[4];
        double b[4];
        double c[4];
        values->area = element_conduction(e, t.elements, t.nodes, conductivity, local_stiffness,
                                          element_nodes, x, y, b, c);
        for (const boundary_side& side : boundary_table) {
            if (side.element != e) {
                continue;
            }
            heat2d_term& term = values->terms[values->term_count++];
            double edge[16] = {};
            term.kind = static_cast<int>(side.kind);
            term.first = side.first;
            term.second = side.second;
            term.a = static_cast<int>(element_nodes[side.first]);
            term.b = static_cast<int>(element_nodes[side.second]);
            term.length = edge_length(x, y, side.first, side.second);
            term.load = side_term(side, x, y, edge);
            for (int i = 1; i <= 3; i++) {
                for (int j = 1; j <= 3; j++) {
                    term.matrix[i - 1][j - 1] = edge[4 * i + j];
                }
            }
        }
        double convection[16] = {};
        double loads[4] = {0, 0, 0, 0};
        boundary_terms(e, x, y, local_stiffness, convection, element_matrix, loads);
        for (int i = 1; i <= 3; i++) {
            values->nodes[i - 1] = static_cast<int>(element_nodes[i]);
            values->x[i - 1] = x[i];
            values->y[i - 1] = y[i];
            values->b[i - 1] = b[i];
            values->c[i - 1] = c[i];
            values->loads[i - 1] = loads[i];
            for (int j = 1; j <= 3; j++) {
                values->conduction[i - 1][j - 1] = local_stiffness[i][j];
                values->matrix[i - 1][j - 1] = element_matrix[i][j];
            }
        }
        return good(HEAT2D_OK);
    });
}

} // extern "C"
