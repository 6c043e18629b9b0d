#include "problem/values.h"

#include "api/heat2d.h"
#include "problem/output.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iomanip>
#include <iterator>
#include <sstream>
#include <utility>

namespace {

// The number in the stream's own form, with the fewest digits from six on that
// read back as the same number: 300, 0.1, 1000001.
std::string shortest(double value) {
    std::ostringstream text;
    for (int digits = 6; digits <= 17; digits++) {
        text.str("");
        text << std::setprecision(digits) << value;
        if (std::strtod(text.str().c_str(), nullptr) == value) {
            break;
        }
    }
    return text.str();
}

} // namespace

const value_kind value_kinds[value_count] = {
    {"conductivity", "--conductivity", HEAT2D_LEAST_CONDUCTIVITY, HEAT2D_MOST_CONDUCTIVITY,
     &problem_values::conductivity},
    {"heat_flux", "--heat-flux", HEAT2D_LEAST_HEAT_FLUX, HEAT2D_MOST_HEAT_FLUX,
     &problem_values::heat_flux},
    {"convection_coeff", "--convection", HEAT2D_LEAST_CONVECTION, HEAT2D_MOST_CONVECTION,
     &problem_values::convection},
    {"ambient_temperature", "--ambient", HEAT2D_LEAST_AMBIENT, HEAT2D_MOST_AMBIENT,
     &problem_values::ambient},
    {"width", "--width", HEAT2D_LEAST_LENGTH, HEAT2D_MOST_LENGTH, &problem_values::width},
    {"height", "--height", HEAT2D_LEAST_LENGTH, HEAT2D_MOST_LENGTH, &problem_values::height},
    {"notch_width", "--notch-width", HEAT2D_LEAST_LENGTH, HEAT2D_MOST_LENGTH,
     &problem_values::notch_width},
    {"notch_depth", "--notch-depth", HEAT2D_LEAST_LENGTH, HEAT2D_MOST_LENGTH,
     &problem_values::notch_depth},
};

const value_kind* value_named(const std::string& name) {
    for (const value_kind& kind : value_kinds) {
        if (name == kind.name || name == kind.option) {
            return &kind;
        }
    }
    return nullptr;
}

std::string value_range(const value_kind& kind) {
    std::ostringstream range;
    range << "from " << kind.least << " to " << kind.most;
    return range.str();
}

std::string value_refusal(const value_kind& kind, double value) {
    if (value >= kind.least && value <= kind.most) {
        return "";
    }
    std::ostringstream why;
    why << value_range(kind) << ", not " << shortest(value);
    if (kind.member == &problem_values::convection && !(value > 0)) {
        why << ": with no convection out of the plate the heat coming in would have no way out, "
               "and no steady temperature exists";
    }
    return why.str();
}

grid_spacings spacings_of(const problem_values& v) {
    return {v.notch_width / 2.0, (v.width - v.notch_width) / 4.0, (v.height - v.notch_depth) / 2.0,
            v.notch_depth / 2.0};
}

std::string plate_refusal(const problem_values& v) {
    std::ostringstream why;
    if (!(v.notch_width < v.width)) {
        why << "a notch " << shortest(v.notch_width) << " wide is not inside a plate "
            << shortest(v.width) << " wide: the notch's width must be less than the plate's";
        return why.str();
    }
    if (!(v.notch_depth < v.height)) {
        why << "a notch " << shortest(v.notch_depth) << " deep is not inside a plate "
            << shortest(v.height)
            << " high: the notch's depth must be less than the plate's height";
        return why.str();
    }
    const grid_spacings s = spacings_of(v);
    const std::pair<const char*, double> spacings[] = {
        {"half the notch's width", s.notch_column},
        {"a quarter of the width beside the notch", s.column},
        {"half the height below the notch", s.row},
        {"half the notch's depth", s.top_row},
    };
    const auto by_length = [](const auto& a, const auto& b) { return a.second < b.second; };
    const auto [shortest_one, longest_one] =
        std::minmax_element(std::begin(spacings), std::end(spacings), by_length);
    if (longest_one->second > HEAT2D_MOST_SPACING_RATIO * shortest_one->second) {
        why << "the plate's triangles would be too thin: " << longest_one->first << " ("
            << shortest(longest_one->second) << ") is more than " << HEAT2D_MOST_SPACING_RATIO
            << " times " << shortest_one->first << " (" << shortest(shortest_one->second) << ")";
    }
    return why.str();
}

bool read_decimal(const char* text, bool sign, double& value) {
    if (text == nullptr) {
        return false;
    }
    const char* p = text;
    if (sign && (*p == '+' || *p == '-')) {
        p++;
    }
    const auto digits = [&p]() {
        int count = 0;
        while (*p >= '0' && *p <= '9') {
            p++;
            count++;
        }
        return count;
    };
    int count = digits();
    if (*p == '.') {
        p++;
        count += digits();
    }
    if (count == 0) {
        return false;
    }
    if (*p == 'e' || *p == 'E') {
        p++;
        if (*p == '+' || *p == '-') {
            p++;
        }
        if (digits() == 0) {
            return false;
        }
    }
    if (*p != '\0') {
        return false;
    }
    value = std::strtod(text, nullptr);
    return std::isfinite(value);
}

void write_values(const problem_values& values, const std::string& prefix) {
    if (design_values(values)) {
        return;
    }
    const std::string name = prefix + "values.txt";
    std::ofstream file;
    const int error = open_output(file, name.c_str());
    for (const value_kind& kind : value_kinds) {
        file << kind.name << " " << shortest(values.*kind.member) << std::endl;
    }
    close_output(file, error, name.c_str());
}

bool design_values(const problem_values& values) {
    const problem_values design;
    for (const value_kind& kind : value_kinds) {
        if (!(values.*kind.member == design.*kind.member)) {
            return false;
        }
    }
    return true;
}
