// Gaussian elimination with partial pivoting on a fixed system of order 65.
#pragma once

#include <vector>

// A is the augmented matrix: rows 1..65, columns 1..65 the coefficients and
// column 66 the right-hand side (row and column slot 0 unused). Prints A, a
// row a line, eliminates it in place (A is left exchanged and upper
// triangular), solves by back substitution, prints "x[j]_=value" for
// j = 1..65 and returns x in slots 1..65 of 66.
std::vector<double> solve_gauss(double** A);
