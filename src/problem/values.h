// The problem's eight numbers that a run may be given, the design's unless
// given: the conductivity k, the heat flux q into the top and the notch, the
// convection coefficient h and the ambient temperature T∞ of the right edge;
// then the plate's four dimensions.
#pragma once

#include "problem/problem.h"

#include <string>

struct problem_values {
    double conductivity = ::conductivity;
    double heat_flux = ::heat_flux;
    double convection = convection_coeff;
    double ambient = ambient_temperature;
    double width = ::width;
    double height = ::height;
    double notch_width = ::notch_width;
    double notch_depth = ::notch_depth;
};

// A value: its name in the core's calls, its option, its closed range (from
// heat2d.h) and where problem_values keeps it.
struct value_kind {
    const char* name;
    const char* option;
    double least;
    double most;
    double problem_values::*member;
};
inline constexpr int value_count = 8;
inline constexpr int first_dimension = 4; // value_kinds[4] is the width
extern const value_kind value_kinds[value_count];

// The value named name ("conductivity") or given by option ("--conductivity"),
// or nullptr.
const value_kind* value_named(const std::string& name);

// "from 0.001 to 1e+06": kind's range in words.
std::string value_range(const value_kind& kind);

// Why value cannot be kind's ("" when it can): "from 0.001 to 1e+06, not 0",
// and for a convection coefficient of 0 or less that the heat coming in would
// have no way out.
std::string value_refusal(const value_kind& kind, double value);

// The grid's four spacings on the plate of values: half the notch's width
// (the notch's column), a quarter of the width beside the notch (the other
// columns), half the height below the notch (the rows up to its floor) and
// half the notch's depth (the rows above it).
struct grid_spacings {
    double notch_column;
    double column;
    double row;
    double top_row;
};
grid_spacings spacings_of(const problem_values& values);

// Why the plate of values cannot be solved ("" when it can), in one line: the
// notch not inside the plate, or the grid's spacings (half the notch's width,
// a quarter of the width beside it, half the height below it, half its depth)
// farther apart than HEAT2D_MOST_SPACING_RATIO. Each dimension alone is
// judged by value_refusal.
std::string plate_refusal(const problem_values& values);

// Reads a decimal number: digits with at most one point, then an optional
// exponent, with a leading + or - when signed; no hexadecimal, no words, no
// spaces. False for anything else.
bool read_decimal(const char* text, bool sign, double& value);

// Whether values are the design's, every one of the eight.
bool design_values(const problem_values& values);

// Writes prefix + "values.txt" (a plain run's values.txt, refined_ or
// adapted_values.txt), the eight a line each ("conductivity 100"), after the
// run's other files, for the tools that label them; nothing for the design's.
void write_values(const problem_values& values, const std::string& prefix = "");
