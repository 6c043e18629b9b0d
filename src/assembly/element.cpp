#include "assembly/element.h"

#include "problem/problem.h"

#include <cmath>

int table_sides(int e, term_side* sides) {
    int count = 0;
    for (const boundary_side& side : boundary_table) {
        if (side.element == e && count < most_terms) {
            sides[count++] = {side.kind, side.first, side.second};
        }
    }
    return count;
}

double signed_area(const double* x, const double* y) {
    const double p23 = x[2] * y[3];
    const double p32 = x[3] * y[2];
    const double p12 = x[1] * y[2];
    const double p13 = x[1] * y[3];
    const double p31 = x[3] * y[1];
    const double p21 = x[2] * y[1];
    return (p23 - p32 + p12 - p13 + p31 - p21) / 2;
}

double edge_length(const double* x, const double* y, int from, int to) {
    return std::sqrt(std::pow(x[to] - x[from], 2) + std::pow(y[to] - y[from], 2));
}

namespace {

// Load per node of a heat-flux edge of length edge.
double flux_share(double edge, const problem_values& values) {
    return (edge * values.heat_flux) / 2;
}

// Load per node of a convection edge of length edge.
double convection_share(double edge, const problem_values& values) {
    return ((values.convection * values.ambient) * edge) / 2;
}

// A side's term. Convection's edge matrix is (length h / 6) times the pattern
// (2 1; 1 2) on the side's two local nodes, 0 elsewhere.
term_values term_of(const term_side& side, const double* x, const double* y,
                    const problem_values& values) {
    term_values term{side, edge_length(x, y, side.first, side.second), 0, {}};
    if (side.kind == condition::convection) {
        double pattern[4][4] = {};
        pattern[side.first][side.first] = 2;
        pattern[side.second][side.second] = 2;
        pattern[side.first][side.second] = 1;
        pattern[side.second][side.first] = 1;
        for (int i = 1; i <= 3; i++) {
            for (int j = 1; j <= 3; j++) {
                term.matrix[i][j] = ((term.length * values.convection) / 6) * pattern[i][j];
            }
        }
        term.load = convection_share(term.length, values);
    } else {
        term.load = flux_share(term.length, values);
    }
    return term;
}

} // namespace

element_values element_values_of(const double* x, const double* y, const problem_values& values,
                                 const term_side* sides, int count) {
    element_values v;
    for (int i = 1; i <= 3; i++) {
        v.x[i] = x[i];
        v.y[i] = y[i];
    }
    v.b[1] = y[2] - y[3];
    v.b[2] = y[3] - y[1];
    v.b[3] = y[1] - y[2];
    v.c[1] = x[3] - x[2];
    v.c[2] = x[1] - x[3];
    v.c[3] = x[2] - x[1];

    v.area = signed_area(x, y);
    const double four_area = 4 * v.area;
    const double factor = values.conductivity / four_area;
    for (int i = 1; i <= 3; i++) {
        for (int j = 1; j <= 3; j++) {
            v.conduction[i][j] = factor * (v.b[i] * v.b[j] + v.c[i] * v.c[j]);
            v.matrix[i][j] = v.conduction[i][j];
        }
        v.loads[i] = 0;
    }
    v.term_count = 0;
    for (int k = 0; k < count && k < most_terms; k++) {
        const term_values& term = v.terms[v.term_count++] = term_of(sides[k], x, y, values);
        // A load slot starts at 0, so a side's share is the slot's value unless
        // an earlier side of the same element put its own there first.
        v.loads[term.side.first] = v.loads[term.side.first] + term.load;
        v.loads[term.side.second] = v.loads[term.side.second] + term.load;
        if (term.side.kind == condition::convection) {
            for (int i = 1; i <= 3; i++) {
                for (int j = 1; j <= 3; j++) {
                    v.matrix[i][j] = v.matrix[i][j] + term.matrix[i][j];
                }
            }
        }
    }
    return v;
}

element_values table_element(double** elements, double** nodes, int e,
                             const problem_values& values) {
    double x[4];
    double y[4];
    for (int i = 1; i <= 3; i++) {
        const int n = static_cast<int>(elements[e][i]);
        x[i] = nodes[n][1];
        y[i] = nodes[n][2];
    }
    term_side sides[most_terms];
    return element_values_of(x, y, values, sides, table_sides(e, sides));
}

element_values plate_element(const plate& problem, const int* nodes, int e) {
    double x[4];
    double y[4];
    for (int i = 1; i <= 3; i++) {
        x[i] = problem.x(nodes[i - 1]);
        y[i] = problem.y(nodes[i - 1]);
    }
    term_side sides[most_terms];
    return element_values_of(x, y, problem.values(), sides, table_sides(e, sides));
}
