#include "assembly/element.h"

#include "problem/problem.h"

#include <cmath>

double signed_area(const double* x, const double* y) {
    const double p23 = x[2] * y[3];
    const double p32 = x[3] * y[2];
    const double p12 = x[1] * y[2];
    const double p13 = x[1] * y[3];
    const double p31 = x[3] * y[1];
    const double p21 = x[2] * y[1];
    return (p23 - p32 + p12 - p13 + p31 - p21) / 2;
}

double element_conduction(int e, double** elements, double** nodes, double conductivity,
                          double** local_stiffness, double* element_nodes, double* x, double* y,
                          double* b, double* c) {
    for (int j = 1; j <= 3; j++) {
        element_nodes[j] = elements[e][j];
    }
    for (int i = 1; i <= 3; i++) {
        const int n = static_cast<int>(element_nodes[i]);
        x[i] = nodes[n][1];
        y[i] = nodes[n][2];
    }
    b[1] = y[2] - y[3];
    b[2] = y[3] - y[1];
    b[3] = y[1] - y[2];
    c[1] = x[3] - x[2];
    c[2] = x[1] - x[3];
    c[3] = x[2] - x[1];

    const double area = signed_area(x, y);
    const double four_area = 4 * area;
    const double factor = conductivity / four_area;
    for (int i = 1; i <= 3; i++) {
        for (int j = 1; j <= 3; j++) {
            local_stiffness[i][j] = factor * (b[i] * b[j] + c[i] * c[j]);
        }
    }
    return area;
}

double edge_length(const double* x, const double* y, int from, int to) {
    return std::sqrt(std::pow(x[to] - x[from], 2) + std::pow(y[to] - y[from], 2));
}

namespace {

// Pattern of the convection matrix on the side between local nodes 2 and 3,
// the only side that carries convection.
const double ghost_2_3[4][4] = {
    {0, 0, 0, 0},
    {0, 0, 0, 0},
    {0, 0, 2, 1},
    {0, 0, 1, 2},
};

// Load per node of a heat-flux edge of length edge.
double flux_share(double edge) {
    return (edge * heat_flux) / 2;
}

// Load per node of a convection edge of length edge.
double convection_share(double edge) {
    return ((convection_coeff * ambient_temperature) * edge) / 2;
}

} // namespace

double side_term(const boundary_side& side, const double* x, const double* y,
                 double* convection_matrix) {
    const double length = edge_length(x, y, side.first, side.second);
    if (side.kind == condition::convection) {
        for (int i = 1; i <= 3; i++) {
            for (int j = 1; j <= 3; j++) {
                convection_matrix[4 * i + j] = ((length * convection_coeff) / 6) * ghost_2_3[i][j];
            }
        }
        return convection_share(length);
    }
    return flux_share(length);
}

void boundary_terms(int e, const double* x, const double* y, double** local_stiffness,
                    double* convection_matrix, double** element_matrix, double* b) {
    bool convective = false;
    for (const boundary_side& side : boundary_table) {
        if (side.element != e) {
            continue;
        }
        convective = convective || side.kind == condition::convection;
        const double share = side_term(side, x, y, convection_matrix);
        // The slots start at 0, so a side's share is the slot's value unless
        // an earlier side of the same element put its own there first.
        b[side.first] = b[side.first] + share;
        b[side.second] = b[side.second] + share;
    }
    for (int i = 1; i <= 3; i++) {
        for (int j = 1; j <= 3; j++) {
            element_matrix[i][j] = convective ? local_stiffness[i][j] + convection_matrix[4 * i + j]
                                              : local_stiffness[i][j];
        }
    }
}
