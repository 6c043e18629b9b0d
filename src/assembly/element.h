// One element's values: the conduction matrix of a linear triangle, the terms
// of the sides that carry one, and what the element adds into K and f. The
// assembly of heat2d's 20 elements, the inspector of the API and any finer
// mesh of the region compute them here, from the corners and the sides.
#pragma once

#include "problem/plate.h"
#include "problem/values.h"

// One line of the fixed boundary table: element `element` carries `kind` on its
// side between local nodes `first` and `second`.
struct boundary_side {
    int element;
    condition kind;
    int first;
    int second;
};

// The boundary table. Elements 4, 12: heat flux on side 1-3; 9, 11: heat flux
// on side 2-3; 14, 16, 18: convection on side 2-3; 20: convection on side 2-3,
// then heat flux on side 1-3 (its node 3 gets the convection load first).
// Every other element has no boundary term. Every convection side is side 2-3.
inline constexpr boundary_side boundary_table[] = {
    {4, condition::heat_flux, 1, 3},   {12, condition::heat_flux, 1, 3},
    {9, condition::heat_flux, 2, 3},   {11, condition::heat_flux, 2, 3},
    {14, condition::convection, 2, 3}, {16, condition::convection, 2, 3},
    {18, condition::convection, 2, 3}, {20, condition::convection, 2, 3},
    {20, condition::heat_flux, 1, 3},
};

// A side of a triangle that carries a term: its kind and its local nodes (1 to 3).
struct term_side {
    condition kind;
    int first;
    int second;
};

// A triangle of the region has at most two sides on its outline.
inline constexpr int most_terms = 2;

// The sides that element e's lines of the boundary table give a term, in
// table order; returns how many (0 to most_terms).
int table_sides(int e, term_side* sides);

// What one side's term adds: the load each of its two nodes gets in f and, for
// convection, its edge matrix on the local nodes (1-based, 0 for heat flux).
struct term_values {
    term_side side;
    double length;
    double load;
    double matrix[4][4];
};

// One element's values, 1-based as the design's tables: slot 0 is never used.
struct element_values {
    double x[4], y[4]; // the corners
    double b[4], c[4]; // shape coefficients
    double area;       // signed: positive counter-clockwise
    double conduction[4][4];
    int term_count;
    term_values terms[most_terms];
    double matrix[4][4]; // added into K: conduction plus every convection edge matrix
    double loads[4];     // added into f: each term's load, in the order of the terms
};

// The signed area of the triangle with corners (x[i], y[i]), i = 1..3: positive
// when they run counter-clockwise.
double signed_area(const double* x, const double* y);

// The length of the side between local nodes from and to.
double edge_length(const double* x, const double* y, int from, int to);

// The values of the triangle with corners (x[i], y[i]), i = 1..3, for the
// problem's values and the sides (at most most_terms; more are a fault of the
// caller and left out) that carry a term.
element_values element_values_of(const double* x, const double* y, const problem_values& values,
                                 const term_side* sides, int count);

// The values of element e of heat2d's elements (rows 1-based, node numbers as
// read, each truncated toward zero to index nodes) with the sides that the
// boundary table gives it.
// Precondition: every node number of row e truncates to 1..node_count.
element_values table_element(double** elements, double** nodes, int e,
                             const problem_values& values);

// The same for element e with the given nodes (1 to node_count) over the
// plate's nodes, with its values.
element_values plate_element(const plate& problem, const int* nodes, int e);
