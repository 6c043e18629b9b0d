#include "solver/cholesky.h"

#include "problem/output.h"
#include "problem/status.h"

#include <cmath>
#include <fstream>
#include <iostream>
#include <sstream>
#include <utility>
#include <vector>

namespace {

// Slot count of the solver's 1-based tables: order 18.
constexpr int size = 19;

// Remembers the first row whose pivot (the value under the square root) is
// not positive.
void check_pivot(int row, double pivot, int& bad_row, double& bad_pivot) {
    if (bad_row == 0 && !(pivot > 0)) {
        bad_row = row;
        bad_pivot = pivot;
    }
}

} // namespace

void solve_cholesky(double** K, double* f) {
    std::vector<std::vector<double>> L(size, std::vector<double>(size));
    std::vector<double> x(size);
    int bad_row = 0;
    double bad_pivot = 0.0;

    check_pivot(1, K[1][1], bad_row, bad_pivot);
    L[1][1] = std::sqrt(K[1][1]);
    for (int r = 2; r < size; r++) {
        L[r][1] = K[r][1] / L[1][1];
    }
    for (int k = 2; k < size; k++) {
        double s = 0.0;
        for (int l = 1; l <= k - 1; l++) {
            s = std::pow(L[k][l], 2) + s;
        }
        const double pivot = K[k][k] - s;
        check_pivot(k, pivot, bad_row, bad_pivot);
        L[k][k] = std::sqrt(pivot);
        for (int r = k + 1; r < size; r++) {
            double t = 0.0;
            for (int l = 1; l <= k - 1; l++) {
                t = L[k][l] * L[r][l] + t;
            }
            L[r][k] = (K[r][k] - t) / L[k][k];
        }
    }

    // Forward substitution L z = f; z goes into x for now.
    x[1] = f[1] / L[1][1];
    for (int i = 2; i < size; i++) {
        x[i] = f[i];
        for (int j = 1; j <= i - 1; j++) {
            x[i] = x[i] - L[i][j] * x[j];
        }
        x[i] = x[i] / L[i][i];
    }

    // From here on the upper triangle holds the factor's transpose.
    for (int i = 1; i < size; i++) {
        for (int j = i; j < size; j++) {
            std::swap(L[i][j], L[j][i]);
        }
    }
    for (int i = 1; i < size; i++) {
        f[i] = x[i];
    }

    // Back substitution L^T x = z.
    x[size - 1] = f[size - 1] / L[size - 1][size - 1];
    for (int i = size - 2; i >= 1; i--) {
        x[i] = f[i];
        for (int j = size - 1; j >= i + 1; j--) {
            x[i] = x[i] - L[i][j] * x[j];
        }
        x[i] = x[i] / L[i][i];
    }

    for (int i = 1; i < size; i++) {
        std::cout << "x[" << i << "]_=" << x[i] << std::endl;
    }
    check_console();
    std::ofstream q1;
    const int q1_error = open_output(q1, "write_.txt");
    for (int i = 1; i < size; i++) {
        q1 << i << " " << x[i] << std::endl;
    }
    close_output(q1, q1_error, "write_.txt");

    if (bad_row != 0) {
        std::ostringstream message;
        message << "the system is not positive definite: the pivot of row " << bad_row << " is "
                << bad_pivot;
        report_failure(message.str(), {{naming::node, bad_row, 0}});
    }
}
