// Problem data of the one case heat2d solves, and the program-wide tables
// through which the stages of a run hand their results to each other.
//
// Every table is 1-based: a table of n entries has n+1 slots and slot 0 is never
// read. A matrix is an array of row pointers, each row allocated on its own.
// The tables are allocated once by allocate_storage and live until the process ends.
#pragma once

// Size of the mesh.
inline constexpr int node_count = 18;
inline constexpr int element_count = 20;

// Region: the half 0 <= x <= width/2 of a width x height plate whose top edge
// has a notch_width x notch_depth notch centred on x = 0.
inline constexpr double width = 9.0;
inline constexpr double height = 6.0;
inline constexpr double notch_width = 3.0;
inline constexpr double notch_depth = 2.0;

// Material and boundary values.
inline constexpr double conductivity = 75.0;
inline constexpr double convection_coeff = 10.0;
inline constexpr double heat_flux = 150.0;
inline constexpr double ambient_temperature = 22.0;

// Global load vector, node_count+1 doubles.
extern double* f;
// Node coordinates: nodes[i][1] = x, nodes[i][2] = y; node_count+1 rows of 3.
extern double** nodes;
// Connectivity: elements[e][1..3] = node numbers of element e, held as doubles;
// element_count+1 rows of 4.
extern double** elements;
// The current element's 3x3 conduction matrix in [1..3][1..3]; 4 rows of 4.
extern double** local_stiffness;
// The current element's 3x3 matrix that is added into K; 4 rows of 4.
extern double** element_matrix;
// The current convection element's 3x3 edge matrix, row-major: entry (i, j) at 4*i + j.
extern double convection_matrix[16];
// Global conduction matrix: node_count+1 rows of node_count+2 doubles.
extern double** K;

// Allocates every table above except convection_matrix (static storage) and
// zeroes f[1..node_count] and K[1..node_count][1..node_count].
void allocate_storage();
