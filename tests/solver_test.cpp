#include "problem/status.h"
#include "solver/cholesky.h"
#include "solver/gauss.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "support.h"

namespace {

// A 1-based table of row arrays, as the solvers take it.
struct Table {
    Table(int rows, int columns)
        : storage(rows, std::vector<double>(columns, 0.0)), pointers(rows) {
        for (int i = 0; i < rows; i++) {
            pointers[i] = storage[i].data();
        }
    }
    double** rows() {
        return pointers.data();
    }
    std::vector<std::vector<double>> storage;
    std::vector<double*> pointers;
};

struct CholeskyRun {
    std::string console;
    std::string file;
    std::string err;
};

CholeskyRun solve(Table& K, std::vector<double>& f) {
    CholeskyRun run;
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    solve_cholesky(K.rows(), f.data());
    run.err = testing::internal::GetCapturedStderr();
    run.console = testing::internal::GetCapturedStdout();
    run.file = read_file("write_.txt");
    return run;
}

// The two reports for the values x[1..18], as the program writes them.
std::string console_text(const std::vector<std::string>& values) {
    std::string text;
    for (int i = 1; i <= 18; i++) {
        text += "x[" + std::to_string(i) + "]_=" + values[i] + "\n";
    }
    return text;
}

std::string file_text(const std::vector<std::string>& values) {
    std::string text;
    for (int i = 1; i <= 18; i++) {
        text += std::to_string(i) + " " + values[i] + "\n";
    }
    return text;
}

// The 1-D conduction matrix: 2 on the diagonal, -1 beside it.
Table tridiagonal() {
    Table K(19, 20);
    for (int i = 1; i <= 18; i++) {
        K.storage[i][i] = 2;
        if (i > 1) {
            K.storage[i][i - 1] = -1;
            K.storage[i - 1][i] = -1;
        }
    }
    return K;
}

Table augmented() {
    return Table(66, 67);
}

} // namespace

TEST(Cholesky, IdentityGivesTheLoadsAndKeepsThem) {
    ScratchDir dir;
    Table K(19, 20);
    std::vector<double> f(19, 0.0);
    std::vector<std::string> values(19);
    for (int i = 1; i <= 18; i++) {
        K.storage[i][i] = 1;
        f[i] = 1.5 * i - 7;
        std::ostringstream text;
        text << f[i];
        values[i] = text.str();
    }
    const std::vector<double> loads = f;
    const CholeskyRun run = solve(K, f);
    EXPECT_EQ(run.console, console_text(values));
    EXPECT_EQ(run.file, file_text(values));
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(f, loads);
}

TEST(Cholesky, DiagonalDividesTwiceBySquareRoots) {
    ScratchDir dir;
    Table K(19, 20);
    std::vector<double> f(19, 0.0);
    for (int i = 1; i <= 18; i++) {
        K.storage[i][i] = i * i;
        f[i] = 36;
    }
    solve(K, f);
    const std::vector<std::string> written = lines(read_file("write_.txt"));
    ASSERT_EQ(written.size(), 18u);
    for (int i = 1; i <= 18; i++) {
        EXPECT_EQ(f[i], 36.0 / i) << "z[" << i << "]";
        std::ostringstream expected;
        expected << i << " " << (36.0 / i) / i;
        EXPECT_EQ(written[i - 1], expected.str());
    }
}

TEST(Cholesky, KnownSolutionOfATridiagonalSystem) {
    ScratchDir dir;
    Table K = tridiagonal();
    const Table before = K;
    // K x = f for x = (1, 2, ..., 18): only the end rows carry a load.
    std::vector<double> f(19, 0.0);
    f[18] = 19;
    std::vector<std::string> values(19);
    for (int i = 1; i <= 18; i++) {
        values[i] = std::to_string(i);
    }
    const CholeskyRun run = solve(K, f);
    EXPECT_EQ(run.console, console_text(values));
    EXPECT_EQ(run.file, file_text(values));
    EXPECT_EQ(K.storage, before.storage) << "K must be left as it was";
    // f holds z with L z = f: z[18] = 19 / L[18][18], L[18][18] = sqrt(19/18).
    EXPECT_NEAR(f[18], 19 / std::sqrt(19.0 / 18), 1e-12);
}

TEST(Cholesky, EntriesAboveTheDiagonalHaveNoInfluence) {
    ScratchDir dir;
    Table K = tridiagonal();
    std::vector<double> f(19, 0.0);
    f[18] = 19;
    const CholeskyRun plain = solve(K, f);
    for (int i = 1; i <= 18; i++) {
        for (int j = i + 1; j <= 19; j++) {
            K.storage[i][j] = 1e6 * j - i;
        }
    }
    std::fill(f.begin(), f.end(), 0.0);
    f[18] = 19;
    const CholeskyRun junk = solve(K, f);
    EXPECT_EQ(junk.console, plain.console);
    EXPECT_EQ(junk.file, plain.file);
}

TEST(Cholesky, NotPositiveDefiniteIsReportedAfterEveryLine) {
    ScratchDir dir;
    Table K = tridiagonal();
    K.storage[1][1] = -2;
    std::vector<double> f(19, 1.0);
    const CholeskyRun run = solve(K, f);
    const std::vector<std::string> console = lines(run.console);
    const std::vector<std::string> written = lines(run.file);
    ASSERT_EQ(console.size(), 18u);
    ASSERT_EQ(written.size(), 18u);
    for (int i = 1; i <= 18; i++) {
        EXPECT_NE(console[i - 1].find("nan"), std::string::npos) << console[i - 1];
        EXPECT_NE(written[i - 1].find("nan"), std::string::npos) << written[i - 1];
    }
    EXPECT_EQ(run.err, "heat2d: the system is not positive definite: the pivot of row 1 is -2\n");
    EXPECT_EQ(run_status(), 1);
}

TEST(Cholesky, FirstFailingPivotIsNamed) {
    ScratchDir dir;
    Table K = tridiagonal();
    K.storage[5][5] = 0.5; // 0.5 - 4/5 < 0
    std::vector<double> f(19, 1.0);
    const CholeskyRun run = solve(K, f);
    EXPECT_EQ(
        run.err.rfind("heat2d: the system is not positive definite: the pivot of row 5 is ", 0), 0u)
        << run.err;
}

TEST(Cholesky, UnwritableResultFileIsReportedAfterTheConsoleReport) {
    ScratchDir dir;
    std::filesystem::create_directory("write_.txt");
    Table K = tridiagonal();
    std::vector<double> f(19, 0.0);
    f[18] = 19;
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    solve_cholesky(K.rows(), f.data());
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "heat2d: cannot write write_.txt: Is a directory\n");
    EXPECT_EQ(lines(testing::internal::GetCapturedStdout()).size(), 18u);
}

TEST(Gauss, PrintsTheMatrixThenTheSolutionOfADiagonalSystem) {
    Table A = augmented();
    for (int i = 1; i <= 65; i++) {
        A.storage[i][i] = 4;
        A.storage[i][66] = i;
    }
    const Table before = A;
    testing::internal::CaptureStdout();
    const std::vector<double> x = solve_gauss(A.rows());
    const std::vector<std::string> out = lines(testing::internal::GetCapturedStdout());
    ASSERT_EQ(out.size(), 130u);
    for (int i = 1; i <= 65; i++) {
        std::string row;
        for (int j = 1; j <= 66; j++) {
            row += (j == i ? "4" : j == 66 ? std::to_string(i) : "0") + std::string(" ");
        }
        EXPECT_EQ(out[i - 1], row);
        std::ostringstream solution;
        solution << "x[" << i << "]_=" << i / 4.0;
        EXPECT_EQ(out[65 + i - 1], solution.str());
        EXPECT_EQ(x[i], i / 4.0);
    }
    EXPECT_EQ(x.size(), 66u);
    EXPECT_EQ(A.storage, before.storage) << "no exchange, nothing to eliminate";
}

TEST(Gauss, TiesFavourTheUpperRow) {
    Table A = augmented();
    for (int i = 1; i <= 65; i++) {
        A.storage[i][i] = 10;
        A.storage[i][66] = 10;
    }
    // Column 1: row 1 ties with row 2 in magnitude, so row 1 stays the pivot.
    A.storage[1][1] = 3;
    A.storage[2][1] = -3;
    // Column 3: rows 4 and 6 tie above row 3's entry; row 4 becomes the pivot.
    A.storage[3][3] = 1;
    A.storage[4][3] = 5;
    A.storage[6][3] = -5;
    const std::vector<double> row1 = A.storage[1];
    const std::vector<double> row4 = A.storage[4];
    testing::internal::CaptureStdout();
    solve_gauss(A.rows());
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(A.storage[1], row1);
    for (int j = 3; j <= 66; j++) {
        EXPECT_EQ(A.storage[3][j], row4[j]) << "column " << j;
    }
}

TEST(Gauss, ZeroDiagonalForcesAnExchange) {
    Table A = augmented();
    for (int i = 1; i <= 65; i++) {
        A.storage[i][i] = 1;
        A.storage[i][66] = 1;
    }
    // Rows 1 and 2 read x2 = 5 and 2 x1 = 8.
    A.storage[1][1] = 0;
    A.storage[1][2] = 1;
    A.storage[1][66] = 5;
    A.storage[2][1] = 2;
    A.storage[2][2] = 0;
    A.storage[2][66] = 8;
    testing::internal::CaptureStdout();
    const std::vector<double> x = solve_gauss(A.rows());
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(A.storage[1][1], 2);
    EXPECT_EQ(A.storage[1][66], 8);
    EXPECT_EQ(x[1], 4);
    EXPECT_EQ(x[2], 5);
    EXPECT_EQ(x[65], 1);
}

TEST(Gauss, SolvesADenseSystemAndLeavesItEliminated) {
    Table A = augmented();
    std::mt19937 random(65);
    std::uniform_real_distribution<double> entry(-1, 1);
    for (int i = 1; i <= 65; i++) {
        for (int j = 1; j <= 65; j++) {
            A.storage[i][j] = entry(random);
        }
    }
    // Right-hand side for the solution x_j = j.
    for (int i = 1; i <= 65; i++) {
        double sum = 0;
        for (int j = 1; j <= 65; j++) {
            sum += A.storage[i][j] * j;
        }
        A.storage[i][66] = sum;
    }
    testing::internal::CaptureStdout();
    const std::vector<double> x = solve_gauss(A.rows());
    testing::internal::GetCapturedStdout();
    for (int j = 1; j <= 65; j++) {
        EXPECT_NEAR(x[j], j, 1e-8);
    }
    for (int i = 2; i <= 65; i++) {
        for (int j = 1; j < i; j++) {
            EXPECT_NEAR(A.storage[i][j], 0, 1e-12) << i << "," << j;
        }
    }
}
