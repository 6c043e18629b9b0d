// Per-element computations of the assembly: the conduction matrix of a linear
// triangle and the boundary edge terms chosen by element number.
//
// Precondition: every node number in elements[e][1..3] truncates to 1..node_count
// and e is a row that read_elements filled. The connectivity reader guarantees
// both; nothing here checks them again.
#pragma once

// For element e: copies its node numbers into element_nodes[1..3], their
// coordinates into x[1..3] and y[1..3], the shape-function coefficients into
// b[1..3] and c[1..3], and fills local_stiffness[1..3][1..3]. Returns the signed
// area, positive when the nodes run counter-clockwise.
double element_conduction(int e, double** elements, double** nodes, double conductivity,
                          double** local_stiffness, double* element_nodes, double* x, double* y,
                          double* b, double* c);

// For element e, with its coordinates x, y and the element load vector b[1..3]
// cleared: writes element_matrix[1..3][1..3] (local_stiffness plus, on a
// convection element, convection_matrix) and assigns the boundary loads to b.
// Elements 4, 12: heat flux on edge 1-3; 9, 11: heat flux on edge 2-3;
// 14, 16, 18: convection on edge 2-3; 20: convection on 2-3 and heat flux on
// 1-3; every other element: no boundary term.
void boundary_terms(int e, const double* x, const double* y, double** local_stiffness,
                    double* convection_matrix, double** element_matrix, double* b);
