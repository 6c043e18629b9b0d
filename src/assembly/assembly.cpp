#include "assembly/assembly.h"

#include "assembly/element.h"
#include "problem/output.h"
#include "problem/problem.h"

#include <fstream>

void assemble_system(double** elements, double** nodes, double conductivity,
                     double** local_stiffness, double* convection_matrix, double** K,
                     double** element_matrix) {
    double element_nodes[4];
    double x[4];
    double y[4];
    double b[4];
    double c[4];
    for (int e = 1; e <= element_count; e++) {
        element_conduction(e, elements, nodes, conductivity, local_stiffness, element_nodes, x, y,
                           b, c);
        b[1] = 0;
        b[2] = 0;
        b[3] = 0;
        boundary_terms(e, x, y, local_stiffness, convection_matrix, element_matrix, b);
        for (int i = 1; i <= 3; i++) {
            const int p = static_cast<int>(element_nodes[i]);
            for (int j = 1; j <= 3; j++) {
                const int q = static_cast<int>(element_nodes[j]);
                K[p][q] = K[p][q] + element_matrix[i][j];
            }
        }
        for (int i = 1; i <= 3; i++) {
            const int p = static_cast<int>(element_nodes[i]);
            f[p] = f[p] + b[i];
        }
    }
    write_system(f, K);
}

void write_system(const double* f, double** K) {
    std::ofstream file_f;
    const int file_f_error = open_output(file_f, "f.txt");
    for (int i = 1; i <= node_count; i++) {
        file_f << f[i] << std::endl;
    }

    std::ofstream file;
    const int file_error = open_output(file, "K.txt");
    for (int i = 1; i <= node_count; i++) {
        for (int j = 1; j <= node_count; j++) {
            file << K[i][j] << " ";
        }
        file << std::endl;
    }

    close_output(file, file_error, "K.txt");
    close_output(file_f, file_f_error, "f.txt");
}
