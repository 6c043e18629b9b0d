#include "solver/gauss.h"

#include <cmath>
#include <iostream>
#include <utility>

namespace {
// Exclusive bounds of the row and column loops: 65 equations, 66 columns.
constexpr int row_bound = 66;
constexpr int column_bound = 67;
} // namespace

std::vector<double> solve_gauss(double** A) {
    for (int i = 1; i < row_bound; i++) {
        for (int j = 1; j < column_bound; j++) {
            std::cout << A[i][j] << " ";
        }
        std::cout << std::endl;
    }

    for (int k = 1; k < row_bound; k++) {
        int p = k;
        for (int r = k; r < row_bound; r++) {
            if (std::fabs(A[r][k]) > std::fabs(A[p][k])) {
                p = r;
            }
        }
        for (int j = k; j < column_bound; j++) {
            std::swap(A[k][j], A[p][j]);
        }
        for (int r = k + 1; r < row_bound; r++) {
            const double m = A[r][k] / A[k][k];
            for (int j = k; j < column_bound; j++) {
                A[r][j] = A[r][j] - A[k][j] * m;
            }
        }
    }

    std::vector<double> x(row_bound);
    x[row_bound - 1] = A[row_bound - 1][column_bound - 1] / A[row_bound - 1][row_bound - 1];
    for (int i = row_bound - 2; i >= 1; i--) {
        x[i] = A[i][column_bound - 1];
        for (int j = row_bound - 1; j >= i + 1; j--) {
            x[i] = x[i] - A[i][j] * x[j];
        }
        x[i] = x[i] / A[i][i];
    }

    for (int j = 1; j < row_bound; j++) {
        std::cout << "x[" << j << "]_=" << x[j] << std::endl;
    }
    return x;
}
