// The files of a fine mesh's run, and the words the console uses of sizes.
#pragma once

#include "mesh/connectivity.h"
#include "problem/plate.h"
#include "refine/fine_mesh.h"

#include <ostream>
#include <string>
#include <vector>

// PREFIX_mesh.txt (x y a node), PREFIX_elements.txt (three 1-based node
// numbers a triangle) and PREFIX_write_.txt (node and temperature), numbers that
// read back as the same (append_number); each written aside and then renamed, so
// that a failed run leaves the old files whole. A target that is a folder is
// refused before anything is written; a failure is reported.
void write_fine_files(const std::string& prefix, const level_mesh& mesh,
                      const std::vector<double>& T);

// A column of a level's or step's line: out << column{11} << value
// right-aligns value in 11 characters with at least one blank before it, so
// that a value wider than its column never runs into the one before.
struct column {
    int width;
};
std::ostream& operator<<(std::ostream& out, column c);

// What a level's or step's line adds when its solve converged by its backward
// error ("  limited by rounding: backward error 1.2e-16"), or "".
std::string rounding_words(bool at_rounding, double backward);

// The start of a fine run: elements.txt of the current folder read into
// elements and judged over the plate as heat2d reads and judges it; false,
// with the faults reported, when it cannot be used.
bool judged_elements(const plate& problem, element_table& elements);
