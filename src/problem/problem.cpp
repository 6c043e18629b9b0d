#include "problem/problem.h"

double* f = nullptr;
double** nodes = nullptr;
double** elements = nullptr;
double** local_stiffness = nullptr;
double** element_matrix = nullptr;
double convection_matrix[16] = {};
double** K = nullptr;

namespace {

double** allocate_matrix(int rows, int columns) {
    double** matrix = new double*[rows];
    for (int i = 0; i < rows; i++) {
        matrix[i] = new double[columns];
    }
    return matrix;
}

} // namespace

void allocate_storage() {
    f = new double[node_count + 1];
    for (int i = 1; i <= node_count; i++) {
        f[i] = 0.0;
    }
    nodes = allocate_matrix(node_count + 1, 3);
    elements = allocate_matrix(element_count + 1, 4);
    element_matrix = allocate_matrix(4, 4);
    local_stiffness = allocate_matrix(4, 4);
    K = allocate_matrix(node_count + 1, node_count + 2);
    for (int i = 1; i <= node_count; i++) {
        for (int j = 1; j <= node_count; j++) {
            K[i][j] = 0.0;
        }
    }
}
