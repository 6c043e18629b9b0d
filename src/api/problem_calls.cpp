// The problem through the core: its counts, nodes, values and outline, and
// the boundary table.
#include "api/calls.h"

#include "assembly/element.h"
#include "problem/problem.h"
#include "refine/limits.h"

#include <array>

using namespace api;

extern "C" {

int heat2d_count(const char* name, int* value) {
    static const std::pair<const char*, int> counts[] = {
        {"nodes", node_count}, {"elements", element_count}, {"values", value_count}};
    return named(counts, name, value, "count");
}

int heat2d_code(const char* name, int* value) {
    static const std::pair<const char*, int> codes[] = {{"ok", HEAT2D_OK},
                                                        {"refused", HEAT2D_REFUSED},
                                                        {"too_small", HEAT2D_TOO_SMALL},
                                                        {"bad_call", HEAT2D_BAD_CALL},
                                                        {"no_term", HEAT2D_NO_TERM},
                                                        {"heat_flux", HEAT2D_HEAT_FLUX},
                                                        {"convection", HEAT2D_CONVECTION},
                                                        {"names_element", HEAT2D_NAMES_ELEMENT},
                                                        {"names_side", HEAT2D_NAMES_SIDE},
                                                        {"names_node", HEAT2D_NAMES_NODE},
                                                        {"names_faults", HEAT2D_NAMES_FAULTS},
                                                        {"last_level", HEAT2D_LAST_LEVEL},
                                                        {"first_dimension", first_dimension}};
    return named(codes, name, value, "code");
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

int heat2d_value_name(int index, const char** name, const char** option) {
    return guarded([&]() -> int {
        not_null(name, "name");
        not_null(option, "option");
        if (index < 0 || index >= value_count) {
            return bad_call("there is no value " + std::to_string(index));
        }
        *name = value_kinds[index].name;
        *option = value_kinds[index].option;
        return good(HEAT2D_OK);
    });
}

int heat2d_value_range(const char* name, double* least, double* most) {
    return guarded([&]() -> int {
        not_null(least, "least");
        not_null(most, "most");
        if (name != nullptr && std::string(name) == "error") {
            *least = least_error;
            *most = most_error;
            return good(HEAT2D_OK);
        }
        const value_kind& kind = value_kind_of(name);
        *least = kind.least;
        *most = kind.most;
        return good(HEAT2D_OK);
    });
}

int heat2d_read_number(const char* text, double* value) {
    return guarded([&]() -> int {
        not_null(text, "text");
        not_null(value, "value");
        return good(read_decimal(text, true, *value) ? HEAT2D_OK : HEAT2D_REFUSED);
    });
}

int heat2d_parameter(const char* name, double* value) {
    static const plate design;
    static const std::pair<const char*, double> values[] = {
        {"width", design.values().width},
        {"height", design.values().height},
        {"notch_width", design.values().notch_width},
        {"notch_depth", design.values().notch_depth},
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

int heat2d_nodes(const heat2d_values* values, double* xy, int capacity, int* count) {
    return guarded([&]() -> int {
        output(xy, capacity, count, 2 * node_count, "xy");
        const plate problem = plate_of(values, nullptr);
        std::vector<double> coordinates;
        for (int i = 1; i <= node_count; i++) {
            coordinates.push_back(problem.x(i));
            coordinates.push_back(problem.y(i));
        }
        put(coordinates, xy, count);
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

int heat2d_outline_sides(const heat2d_values* values, int* rows, int capacity, int* count) {
    return guarded([&]() -> int {
        const plate problem = plate_of(values, nullptr);
        std::vector<int> sides;
        for (const outline_step& side : outline_walk(problem)) {
            sides.insert(sides.end(), {side.a, side.b, side.part,
                                       static_cast<int>(problem.part(side.part).needs)});
        }
        output(rows, capacity, count, static_cast<int>(sides.size()), "rows");
        put(sides, rows, count);
        return good(HEAT2D_OK);
    });
}

int heat2d_outline_place(heat2d_values* values, int part, const char** place) {
    static const heat2d_values design = [] {
        heat2d_values made;
        for (int k = 0; k < outline_part_count; k++) {
            made.places[k] = plate().place(k);
        }
        return made;
    }();
    return guarded([&]() -> int {
        not_null(place, "place");
        if (part < 0 || part >= outline_part_count) {
            return bad_call("there is no part " + std::to_string(part) + " of the outline");
        }
        if (values == nullptr) {
            *place = design.places[part].c_str();
        } else {
            values->places[part] = plate_of(values, nullptr).place(part);
            *place = values->places[part].c_str();
        }
        return good(HEAT2D_OK);
    });
}

} // extern "C"
