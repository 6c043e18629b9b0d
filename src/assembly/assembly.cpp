#include "assembly/assembly.h"

#include "assembly/element.h"
#include "problem/output.h"
#include "problem/problem.h"

#include <fstream>

void assemble_system(double** elements, double** nodes, const problem_values& values,
                     double** local_stiffness, double* convection_matrix, double** K,
                     double** element_matrix) {
    for (int e = 1; e <= element_count; e++) {
        const element_values v = table_element(elements, nodes, e, values);
        // The working tables hold the element's values, as the last element
        // leaves them; convection_matrix only changes on a convection element.
        for (int i = 1; i <= 3; i++) {
            for (int j = 1; j <= 3; j++) {
                local_stiffness[i][j] = v.conduction[i][j];
                element_matrix[i][j] = v.matrix[i][j];
            }
        }
        for (int k = 0; k < v.term_count; k++) {
            if (v.terms[k].side.kind == condition::convection) {
                for (int i = 1; i <= 3; i++) {
                    for (int j = 1; j <= 3; j++) {
                        convection_matrix[4 * i + j] = v.terms[k].matrix[i][j];
                    }
                }
            }
        }
        for (int i = 1; i <= 3; i++) {
            const int p = static_cast<int>(elements[e][i]);
            for (int j = 1; j <= 3; j++) {
                const int q = static_cast<int>(elements[e][j]);
                K[p][q] = K[p][q] + element_matrix[i][j];
            }
        }
        for (int i = 1; i <= 3; i++) {
            const int p = static_cast<int>(elements[e][i]);
            f[p] = f[p] + v.loads[i];
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
