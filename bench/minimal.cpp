// The least a program can do to give heat2d's outputs for a valid
// elements.txt: the same numbers, written the same way, with no check and no
// report. The yardstick of clean_run_cost.py.
#include <cmath>
#include <fstream>
#include <iostream>

int main() {
    double x[19], y[19], K[19][19] = {}, f[19] = {}, L[19][19] = {}, z[19], T[19];
    int n[21][4];
    for (int i = 1; i <= 3; i++) {
        x[i] = 0;
        y[i] = (i - 1) * 2.0;
    }
    for (int column = 0; column < 3; column++) {
        for (int row = 0; row < 5; row++) {
            const int i = 4 + 5 * column + row;
            x[i] = 1.5 + 1.5 * column;
            y[i] = row < 3 ? row * 2.0 : 4.0 + (row - 2);
        }
    }
    std::ofstream mesh("mesh.txt"), geo("mesh.geo");
    for (int i = 1; i <= 18; i++) {
        mesh << x[i] << " " << y[i] << std::endl;
        geo << "Point(" << i << ")={" << x[i] << "," << y[i] << "," << 0 << "," << 15 << "};"
            << std::endl;
    }
    std::ifstream elements("elements.txt");
    for (int e = 1; e <= 20; e++) {
        double v[3];
        elements >> v[0] >> v[1] >> v[2];
        for (int j = 0; j < 3; j++) {
            n[e][j + 1] = static_cast<int>(v[j]);
        }
    }
    for (int e = 1; e <= 20; e++) {
        const int* p = n[e];
        const double b[4] = {0, y[p[2]] - y[p[3]], y[p[3]] - y[p[1]], y[p[1]] - y[p[2]]};
        const double c[4] = {0, x[p[3]] - x[p[2]], x[p[1]] - x[p[3]], x[p[2]] - x[p[1]]};
        const double area = (x[p[2]] * y[p[3]] - x[p[3]] * y[p[2]] + x[p[1]] * y[p[2]] -
                             x[p[1]] * y[p[3]] + x[p[3]] * y[p[1]] - x[p[2]] * y[p[1]]) /
                            2;
        double k[4][4], load[4] = {};
        for (int i = 1; i <= 3; i++) {
            for (int j = 1; j <= 3; j++) {
                k[i][j] = 75.0 / (4 * area) * (b[i] * b[j] + c[i] * c[j]);
            }
        }
        auto length = [&](int a, int b) {
            return std::sqrt(std::pow(x[p[b]] - x[p[a]], 2) + std::pow(y[p[b]] - y[p[a]], 2));
        };
        if (e == 14 || e == 16 || e == 18 || e == 20) {
            const double h = length(2, 3);
            k[2][2] += h * 10 / 6 * 2;
            k[2][3] += h * 10 / 6;
            k[3][2] += h * 10 / 6;
            k[3][3] += h * 10 / 6 * 2;
            load[2] += 10 * 22.0 * h / 2;
            load[3] += 10 * 22.0 * h / 2;
        }
        const int first = e == 4 || e == 12 || e == 20 ? 1 : e == 9 || e == 11 ? 2 : 0;
        if (first != 0) {
            load[first] += length(first, 3) * 150.0 / 2;
            load[3] += length(first, 3) * 150.0 / 2;
        }
        for (int i = 1; i <= 3; i++) {
            f[p[i]] += load[i];
            for (int j = 1; j <= 3; j++) {
                K[p[i]][p[j]] += k[i][j];
            }
        }
    }
    std::ofstream file_f("f.txt"), file_K("K.txt");
    for (int i = 1; i <= 18; i++) {
        file_f << f[i] << std::endl;
        for (int j = 1; j <= 18; j++) {
            file_K << K[i][j] << " ";
        }
        file_K << std::endl;
    }
    for (int j = 1; j <= 18; j++) {
        double s = K[j][j];
        for (int l = 1; l < j; l++) {
            s -= L[j][l] * L[j][l];
        }
        L[j][j] = std::sqrt(s);
        for (int r = j + 1; r <= 18; r++) {
            double t = K[r][j];
            for (int l = 1; l < j; l++) {
                t -= L[r][l] * L[j][l];
            }
            L[r][j] = t / L[j][j];
        }
    }
    for (int i = 1; i <= 18; i++) {
        z[i] = f[i];
        for (int j = 1; j < i; j++) {
            z[i] -= L[i][j] * z[j];
        }
        z[i] /= L[i][i];
    }
    for (int i = 18; i >= 1; i--) {
        T[i] = z[i];
        for (int j = i + 1; j <= 18; j++) {
            T[i] -= L[j][i] * T[j];
        }
        T[i] /= L[i][i];
    }
    std::ofstream results("write_.txt");
    for (int i = 1; i <= 18; i++) {
        std::cout << "x[" << i << "]_=" << T[i] << std::endl;
        results << i << " " << T[i] << std::endl;
    }
    std::cout << "Press any key to continue . . . " << std::flush;
    std::cin.get();
    std::cout << std::endl;
}
