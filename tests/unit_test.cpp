// What a run of the shipped case cannot reach: a dirty heap, the solvers, the
// working tables after the assembly (elements by hand: core_test).
#include "assembly/assembly.h"
#include "assembly/element.h"
#include "mesh/mesh.h"
#include "problem/problem.h"
#include "problem/status.h"
#include "solver/cholesky.h"
#include "solver/gauss.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>
#include <iostream>
#include <sstream>
#include <vector>

namespace {

// A 1-based table of row arrays, as the solvers take it.
struct Table {
    Table(int rows, int columns, double fill = 0.0)
        : entries(rows, std::vector<double>(columns, fill)) {}
    double** rows() {
        pointers.clear();
        for (auto& row : entries) {
            pointers.push_back(row.data());
        }
        return pointers.data();
    }
    std::vector<std::vector<double>> entries;
    std::vector<double*> pointers;
};

std::string text_of(double value) {
    std::ostringstream text;
    text << value;
    return text.str();
}

// What a standard stream is given while the capture lives. The program writes
// through the streams only; this works where descriptors cannot be redirected.
struct Capture {
    explicit Capture(std::ostream& s) : stream(s), old(s.rdbuf(text.rdbuf())) {}
    ~Capture() {
        stream.rdbuf(old);
    }
    std::ostream& stream;
    std::ostringstream text;
    std::streambuf* old;
};

// The console report, write_.txt (in the test's working folder) and stderr of a solve.
std::vector<std::string> solve(Table& K, std::vector<double>& f) {
    const Capture out(std::cout), err(std::cerr);
    solve_cholesky(K.rows(), f.data());
    std::ostringstream file;
    file << std::ifstream("write_.txt").rdbuf();
    return {out.text.str(), file.str(), err.text.str()};
}

} // namespace

// K and f start at zero on a heap of freed garbage that they may reuse; the
// mesh writes every coordinate of a table of garbage.
TEST(Storage, TablesStartAtZeroAndTheMeshIsComplete) {
    for (int size : {19, 20}) {
        std::vector<std::vector<double>> litter(50, std::vector<double>(size, 7.0));
    }
    allocate_storage();
    for (int i = 1; i <= node_count; i++) {
        EXPECT_EQ(f[i], 0.0) << i;
        for (int j = 1; j <= node_count; j++) {
            EXPECT_EQ(K[i][j], 0.0) << i << "," << j;
        }
    }
    Table N(19, 3, 7.0);
    generate_mesh(N.rows());
    std::ifstream expected(HEAT2D_SOURCE_DIR "/tests/data/mesh.txt");
    for (int i = 1; i <= node_count; i++) {
        double x = 0, y = 0;
        expected >> x >> y;
        EXPECT_EQ(N.entries[i][1], x) << i;
        EXPECT_EQ(N.entries[i][2], y) << i;
    }
    EXPECT_EQ(with_reason("a", 0) + with_reason("b", ENOENT), "ab: No such file or directory");
}

// K = L L^T, L 2 on the diagonal and 1 below, every step exact: for x[i] = i,
// z = L^T x is left in f. The entries above the diagonal are never read.
TEST(Solver, CholeskyOnKnownSystems) {
    Table K(19, 20);
    std::vector<double> f(19, 0.0), z(19, 0.0);
    std::string console, file;
    for (int i = 1; i <= 18; i++) {
        for (int j = 1; j <= 19; j++) {
            K.entries[i][j] = j < i ? j + 1 : j == i ? i + 3 : 1e6 * j - i;
        }
        for (int j = 1; j <= 18; j++) {
            f[i] += (j < i ? j + 1 : j == i ? i + 3 : i + 1) * j;
            z[i] += j < i ? 0 : j == i ? 2 * j : j;
        }
        console += "x[" + std::to_string(i) + "]_=" + std::to_string(i) + "\n";
        file += std::to_string(i) + " " + std::to_string(i) + "\n";
    }
    const Table before = K;
    EXPECT_EQ(solve(K, f), (std::vector<std::string>{console, file, ""}));
    EXPECT_EQ(std::tie(f, K.entries), std::tie(z, before.entries)); // z, and K as it was
    EXPECT_EQ(run_status(), 0);
    // A pivot that is not positive (zero, negative, not-a-number), named with its row, and
    // the 18 lines of not-a-number after it: data/triangulations.txt, through the program.
}

// A diagonal system printed and solved without an exchange; then pivot rows by
// magnitude, ties to the upper row, exchanged from column k on.
TEST(Solver, GaussWithPartialPivoting) {
    Table A(66, 67);
    std::string matrix, solution;
    for (int i = 1; i <= 65; i++) {
        A.entries[i][i] = 4;
        A.entries[i][66] = i;
        for (int j = 1; j <= 66; j++) {
            matrix += (j == i ? "4" : j == 66 ? std::to_string(i) : "0") + std::string(" ");
        }
        matrix += "\n";
        solution += "x[" + std::to_string(i) + "]_=" + text_of(i / 4.0) + "\n";
    }
    Table before = A;
    std::vector<double> x;
    {
        const Capture out(std::cout);
        x = solve_gauss(A.rows());
        EXPECT_EQ(out.text.str(), matrix + solution);
    }
    EXPECT_EQ(A.entries, before.entries);

    A.entries[1][1] = 3; // ties with row 2: row 1 stays
    A.entries[2][1] = -3;
    A.entries[1][65] = 2; // the back substitution's last column
    A.entries[3][3] = 1;  // rows 4 and 6 tie above it: row 4 comes up
    A.entries[4][3] = 5;
    A.entries[6][3] = -5;
    A.entries[7][7] = 0;  // zero diagonal: row 8 comes up
    A.entries[7][8] = 10; // 10 x8 = 7
    A.entries[8][7] = 1;  // x7 + 4 x8 = 8
    before = A;
    {
        const Capture out(std::cout);
        x = solve_gauss(A.rows());
    }
    EXPECT_EQ(A.entries[1], before.entries[1]);
    EXPECT_EQ(std::vector<double>(A.entries[3].begin() + 3, A.entries[3].end()),
              std::vector<double>(before.entries[4].begin() + 3, before.entries[4].end()));
    EXPECT_EQ(std::pair(A.entries[7][7], A.entries[7][66]), std::pair(1.0, 8.0)); // row 8's
    // x solves the system, and A is left upper triangular.
    for (int i = 1; i <= 65; i++) {
        double sum = 0;
        for (int j = 1; j <= 65; j++) {
            sum += before.entries[i][j] * x[j];
            EXPECT_NEAR(j < i ? A.entries[i][j] : 0, 0, 1e-12) << i << "," << j;
        }
        EXPECT_NEAR(sum, before.entries[i][66], 1e-12) << i;
    }
}

// After the shipped case's assembly the working tables hold element 20's values
// (13 17 18: convection on 17-18, length 1) and convection_matrix its edge matrix.
TEST(Element, TheAssemblyLeavesTheLastElementsValues) {
    Table N(19, 3), E(21, 4);
    double edge[16] = {};
    allocate_storage();
    generate_mesh(N.rows());
    std::ifstream shipped(HEAT2D_SOURCE_DIR "/examples/elements.txt");
    for (int e = 1; e <= element_count; e++) {
        shipped >> E.entries[e][1] >> E.entries[e][2] >> E.entries[e][3];
    }
    assemble_system(E.rows(), N.rows(), problem_values{}, local_stiffness, edge, K, element_matrix);
    const element_values last = table_element(E.rows(), N.rows(), element_count, {});
    for (int i = 1; i <= 3; i++) {
        for (int j = 1; j <= 3; j++) {
            EXPECT_EQ(local_stiffness[i][j], last.conduction[i][j]) << i << j;
            EXPECT_EQ(element_matrix[i][j], last.matrix[i][j]) << i << j;
            EXPECT_EQ(edge[4 * i + j], i == 1 || j == 1 ? 0 : (i == j ? 20.0 : 10.0) / 6) << i << j;
        }
    }
    // More sides than a triangle of the region can have: the first two taken.
    const double x[4] = {0, 0, 3, 3}, y[4] = {0, 0, 0, 4};
    const term_side three[] = {
        {condition::convection, 1, 3}, {condition::heat_flux, 2, 3}, {condition::heat_flux, 1, 2}};
    EXPECT_EQ(element_values_of(x, y, {}, three, 3).term_count, most_terms);
}
