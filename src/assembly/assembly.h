// Global assembly of the conduction matrix K and the load vector f, and their
// export to K.txt and f.txt.
#pragma once

#include "problem/values.h"

// Runs every element, in ascending number, through table_element (its
// conduction matrix, then its lines of the boundary table), leaves its values
// in local_stiffness, element_matrix and, for a convection element,
// convection_matrix, and adds its matrix into K and its loads into the global f
// (reached as a global, not an argument). Then writes f.txt (one value a line)
// and K.txt (a row a line, every value followed by one space).
//
// Preconditions: K[1..N][1..N] and f[1..N] hold what is to be added to (zero
// after allocate_storage); every node number in elements truncates to
// 1..node_count, as the connectivity reader guarantees.
// Every element is assembled as it stands: check_triangulation judges them.
void assemble_system(double** elements, double** nodes, const problem_values& values,
                     double** local_stiffness, double* convection_matrix, double** K,
                     double** element_matrix);

// The export on its own: f[1..node_count] to f.txt, then K[1..N][1..N] to K.txt.
void write_system(const double* f, double** K);
