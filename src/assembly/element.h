// Per-element computations of the assembly: the conduction matrix of a linear
// triangle and the boundary edge terms chosen by element number.
//
// Precondition: every node number in elements[e][1..3] truncates to 1..node_count
// and e is a row that read_elements filled. The connectivity reader guarantees
// both; nothing here checks them again.
#pragma once

// The two kinds of boundary term; `none` marks a side that carries neither.
enum class condition { none, heat_flux, convection };

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

// The signed area of the triangle with corners (x[i], y[i]), i = 1..3: positive
// when they run counter-clockwise.
double signed_area(const double* x, const double* y);

// For element e: copies its node numbers into element_nodes[1..3], their
// coordinates into x[1..3] and y[1..3], the shape-function coefficients into
// b[1..3] and c[1..3], and fills local_stiffness[1..3][1..3]. Returns the signed
// area.
double element_conduction(int e, double** elements, double** nodes, double conductivity,
                          double** local_stiffness, double* element_nodes, double* x, double* y,
                          double* b, double* c);

// The length of the side between local nodes from and to.
double edge_length(const double* x, const double* y, int from, int to);

// One line of the boundary table on an element with coordinates x, y: returns
// the load that each of the side's two local nodes gets. A convection side
// also writes its edge matrix into convection_matrix (row-major, 4*i + j, on
// local nodes 2 and 3); a heat-flux side leaves it as it was.
double side_term(const boundary_side& side, const double* x, const double* y,
                 double* convection_matrix);

// For element e, with its coordinates x, y and the element load vector b[1..3]
// cleared: writes element_matrix[1..3][1..3] (local_stiffness plus, on a
// convection element, convection_matrix) and puts the loads of the element's
// lines of the boundary table (side_term, in table order) into b.
void boundary_terms(int e, const double* x, const double* y, double** local_stiffness,
                    double* convection_matrix, double** element_matrix, double* b);
