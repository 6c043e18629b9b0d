#include "problem/status.h"
#include "solver/cholesky.h"
#include "solver/gauss.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <sstream>
#include <vector>

#include "support.h"

namespace {

// A 1-based table of row arrays, as the solvers take it.
struct Table {
    Table(int rows, int columns) : entries(rows, std::vector<double>(columns, 0.0)) {}
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

// The 1-D conduction matrix, 2 on the diagonal and -1 beside it, with the
// load for the solution x_i = i.
Table tridiagonal(std::vector<double>& f) {
    Table K(19, 20);
    f.assign(19, 0.0);
    f[18] = 19;
    for (int i = 1; i <= 18; i++) {
        K.entries[i][i] = 2;
        if (i > 1) {
            K.entries[i][i - 1] = K.entries[i - 1][i] = -1;
        }
    }
    return K;
}

// Console report, write_.txt and stderr of one solve.
std::vector<std::string> solve(Table& K, std::vector<double>& f) {
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    solve_cholesky(K.rows(), f.data());
    const std::string err = testing::internal::GetCapturedStderr();
    return {testing::internal::GetCapturedStdout(), read_file("write_.txt"), err};
}

// The console report and write_.txt for the values x[1..18].
std::vector<std::string> reports(const std::vector<std::string>& values) {
    std::string console, file;
    for (int i = 1; i <= 18; i++) {
        console += "x[" + std::to_string(i) + "]_=" + values[i] + "\n";
        file += std::to_string(i) + " " + values[i] + "\n";
    }
    return {console, file, ""};
}

std::string text_of(double value) {
    std::ostringstream text;
    text << value;
    return text.str();
}

} // namespace

TEST(Cholesky, IdentityAndDiagonalMatrices) {
    ScratchDir dir;
    Table K(19, 20);
    std::vector<double> f(19, 0.0), expected_z(19, 0.0);
    std::vector<std::string> values(19);
    for (int i = 1; i <= 18; i++) {
        K.entries[i][i] = 1;
        f[i] = 1.5 * i - 7;
        values[i] = text_of(f[i]);
    }
    std::vector<double> loads = f;
    EXPECT_EQ(solve(K, f), reports(values));
    EXPECT_EQ(f, loads) << "with the identity, z is the load";

    // Diagonal: x[i] is f[i] divided twice by sqrt(K[i][i]), z once.
    for (int i = 1; i <= 18; i++) {
        K.entries[i][i] = i * i;
        f[i] = 36;
        values[i] = text_of(36.0 / i / i);
        expected_z[i] = 36.0 / i;
    }
    EXPECT_EQ(solve(K, f), reports(values));
    EXPECT_EQ(f, expected_z);
}

TEST(Cholesky, KnownSolutionOnlyFromTheLowerTriangle) {
    ScratchDir dir;
    std::vector<double> f;
    Table K = tridiagonal(f);
    const Table before = K;
    std::vector<std::string> values(19);
    for (int i = 1; i <= 18; i++) {
        values[i] = std::to_string(i);
    }
    EXPECT_EQ(solve(K, f), reports(values));
    EXPECT_EQ(K.entries, before.entries) << "K must be left as it was";
    EXPECT_NEAR(f[18], 19 / std::sqrt(19.0 / 18), 1e-12) << "z[18] = 19 / L[18][18]";

    // Entries above the diagonal (and the spare last column) are never read.
    for (int i = 1; i <= 18; i++) {
        for (int j = i + 1; j <= 19; j++) {
            K.entries[i][j] = 1e6 * j - i;
        }
    }
    f.assign(19, 0.0);
    f[18] = 19;
    EXPECT_EQ(solve(K, f), reports(values));
}

TEST(Cholesky, PivotThatIsNotPositiveIsReportedAfterEveryLine) {
    ScratchDir dir;
    std::vector<double> f;
    Table K = tridiagonal(f);
    K.entries[1][1] = -2;
    const std::vector<std::string> run = solve(K, f);
    const std::vector<std::string> console = lines(run[0]), file = lines(run[1]);
    ASSERT_EQ(console.size(), 18u);
    ASSERT_EQ(file.size(), 18u);
    for (int i = 0; i < 18; i++) {
        EXPECT_EQ(console[i].rfind("x[" + std::to_string(i + 1) + "]_=", 0), 0u) << console[i];
        EXPECT_NE(console[i].find("nan"), std::string::npos) << console[i];
        EXPECT_EQ(file[i].rfind(std::to_string(i + 1) + " ", 0), 0u) << file[i];
        EXPECT_NE(file[i].find("nan"), std::string::npos) << file[i];
    }
    EXPECT_EQ(run[2], "heat2d: the system is not positive definite: the pivot of row 1 is -2\n");
    EXPECT_EQ(run_status(), 1);

    // The first failing row is named: pivots 2, 3/2, 4/3, 5/4, then 0.5 - 4/5.
    K = tridiagonal(f);
    K.entries[5][5] = 0.5;
    EXPECT_EQ(solve(K, f)[2],
              "heat2d: the system is not positive definite: the pivot of row 5 is " +
                  text_of(0.5 - 0.8) + "\n");
}

TEST(Gauss, DiagonalSystemWithItsPrintouts) {
    Table A(66, 67);
    for (int i = 1; i <= 65; i++) {
        A.entries[i][i] = 4;
        A.entries[i][66] = i;
    }
    const Table before = A;
    testing::internal::CaptureStdout();
    const std::vector<double> x = solve_gauss(A.rows());
    const std::vector<std::string> out = lines(testing::internal::GetCapturedStdout());
    ASSERT_EQ(out.size(), 130u);
    ASSERT_EQ(x.size(), 66u);
    for (int i = 1; i <= 65; i++) {
        std::string row;
        for (int j = 1; j <= 66; j++) {
            row += (j == i ? "4" : j == 66 ? std::to_string(i) : "0") + std::string(" ");
        }
        EXPECT_EQ(out[i - 1], row);
        EXPECT_EQ(out[64 + i], "x[" + std::to_string(i) + "]_=" + text_of(i / 4.0));
        EXPECT_EQ(x[i], i / 4.0);
    }
    EXPECT_EQ(A.entries, before.entries) << "no exchange, nothing to eliminate";
}

TEST(Gauss, PivotRowsByMagnitudeTiesToTheUpperRow) {
    Table A(66, 67);
    for (int i = 1; i <= 65; i++) {
        A.entries[i][i] = 10;
        A.entries[i][66] = 10;
    }
    A.entries[1][1] = 3; // ties with row 2: row 1 stays
    A.entries[2][1] = -3;
    A.entries[3][3] = 1; // rows 4 and 6 tie above it: row 4 comes up
    A.entries[4][3] = 5;
    A.entries[6][3] = -5;
    A.entries[7][7] = 0;  // zero diagonal: row 8 comes up
    A.entries[7][8] = 10; // 10 x8 = 10
    A.entries[8][7] = 1;  // x7 + 10 x8 = 20
    A.entries[8][66] = 20;
    const std::vector<double> row1 = A.entries[1], row4 = A.entries[4], row8 = A.entries[8];
    testing::internal::CaptureStdout();
    const std::vector<double> x = solve_gauss(A.rows());
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(A.entries[1], row1);
    EXPECT_EQ(std::vector<double>(A.entries[3].begin() + 3, A.entries[3].end()),
              std::vector<double>(row4.begin() + 3, row4.end()));
    EXPECT_EQ(A.entries[7][7], 1);
    EXPECT_EQ(A.entries[7][66], row8[66]);
    EXPECT_EQ(x[7], 10);
    EXPECT_EQ(x[8], 1);
}

TEST(Gauss, DenseSystemIsSolvedAndLeftEliminated) {
    Table A(66, 67);
    std::mt19937 random(65);
    std::uniform_real_distribution<double> entry(-1, 1);
    for (int i = 1; i <= 65; i++) {
        for (int j = 1; j <= 65; j++) {
            A.entries[i][j] = entry(random);
            A.entries[i][66] += A.entries[i][j] * j; // for the solution x_j = j
        }
    }
    testing::internal::CaptureStdout();
    const std::vector<double> x = solve_gauss(A.rows());
    testing::internal::GetCapturedStdout();
    for (int i = 1; i <= 65; i++) {
        EXPECT_NEAR(x[i], i, 1e-8);
        for (int j = 1; j < i; j++) {
            EXPECT_NEAR(A.entries[i][j], 0, 1e-12) << i << "," << j;
        }
    }
}
