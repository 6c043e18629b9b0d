#include "assembly/assembly.h"
#include "assembly/element.h"
#include "mesh/connectivity.h"
#include "mesh/mesh.h"
#include "problem/problem.h"
#include "problem/status.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "support.h"

namespace {

struct ElementValues {
    double element_nodes[4];
    double x[4];
    double y[4];
    double b[4];
    double c[4];
    double area;
};

// Element 1 made of nodes 1, 2, 3 placed at the given points, in that order.
ElementValues right_triangle(double n1, double n2, double n3, const double (&points)[3][2]) {
    fresh_storage();
    for (int i = 0; i < 3; i++) {
        nodes[i + 1][1] = points[i][0];
        nodes[i + 1][2] = points[i][1];
    }
    elements[1][1] = n1;
    elements[1][2] = n2;
    elements[1][3] = n3;
    ElementValues v{};
    v.area = element_conduction(1, elements, nodes, 75.0, local_stiffness, v.element_nodes, v.x,
                                v.y, v.b, v.c);
    return v;
}

void expect_stiffness(const double (&rows)[3][3]) {
    for (int i = 1; i <= 3; i++) {
        for (int j = 1; j <= 3; j++) {
            EXPECT_EQ(local_stiffness[i][j], rows[i - 1][j - 1]) << "[" << i << "][" << j << "]";
        }
    }
}

const double unit_triangle[3][2] = {{0, 0}, {1, 0}, {0, 1}};

// Sets local_stiffness to recognisable values and the load vector to zero.
void prepare_boundary_step(double* b) {
    fresh_storage();
    for (int i = 1; i <= 3; i++) {
        for (int j = 1; j <= 3; j++) {
            local_stiffness[i][j] = 10 * i + j;
        }
        b[i] = 0;
    }
}

// Local node 1 at (0, 4), 2 at (0, 0), 3 at (3, 4): L23 = 5, L13 = 3.
const double bx[4] = {0, 0, 0, 3};
const double by[4] = {0, 4, 0, 4};

void assemble_shipped() {
    fresh_storage();
    generate_mesh(nodes);
    std::istringstream input(shipped_elements());
    parse_elements(input, elements, "elements.txt");
    assemble_system(elements, nodes, conductivity, local_stiffness, convection_matrix, K,
                    element_matrix);
}

// (K T)_i for the field T_n = a + b x_n + c y_n.
double k_times_field(int i, double a, double b, double c) {
    double sum = 0;
    for (int n = 1; n <= node_count; n++) {
        sum += K[i][n] * (a + b * expected_node_xy[n][0] + c * expected_node_xy[n][1]);
    }
    return sum;
}

} // namespace

TEST(ElementConduction, RightTriangleCounterClockwise) {
    const ElementValues v = right_triangle(1, 2, 3, unit_triangle);
    EXPECT_EQ(v.area, 0.5);
    EXPECT_EQ(v.b[1], -1);
    EXPECT_EQ(v.b[2], 1);
    EXPECT_EQ(v.b[3], 0);
    EXPECT_EQ(v.c[1], -1);
    EXPECT_EQ(v.c[2], 0);
    EXPECT_EQ(v.c[3], 1);
    expect_stiffness({{75, -37.5, -37.5}, {-37.5, 37.5, 0}, {-37.5, 0, 37.5}});
}

TEST(ElementConduction, RightTriangleClockwiseReversesEverySign) {
    const double clockwise[3][2] = {{0, 0}, {0, 1}, {1, 0}};
    const ElementValues v = right_triangle(1, 2, 3, clockwise);
    EXPECT_EQ(v.area, -0.5);
    expect_stiffness({{-75, 37.5, 37.5}, {37.5, -37.5, 0}, {37.5, 0, -37.5}});
}

TEST(ElementConduction, NodeNumbersTruncateTowardZero) {
    const ElementValues v = right_triangle(1.99, 2.7, 3.0, unit_triangle);
    EXPECT_EQ(v.element_nodes[2], 2.7); // kept as read
    EXPECT_EQ(v.x[2], 1);               // but node 2's coordinates
    EXPECT_EQ(v.area, 0.5);
    expect_stiffness({{75, -37.5, -37.5}, {-37.5, 37.5, 0}, {-37.5, 0, 37.5}});
}

TEST(BoundaryTerms, ConvectionElement14) {
    double b[4];
    prepare_boundary_step(b);
    boundary_terms(14, bx, by, local_stiffness, convection_matrix, element_matrix, b);
    const double expected[4][4] = {
        {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 50.0 / 3, 50.0 / 6}, {0, 0, 50.0 / 6, 50.0 / 3}};
    for (int i = 1; i <= 3; i++) {
        for (int j = 1; j <= 3; j++) {
            EXPECT_EQ(convection_matrix[4 * i + j], expected[i][j]) << i << j;
            EXPECT_EQ(element_matrix[i][j], (10 * i + j) + expected[i][j]) << i << j;
        }
    }
    EXPECT_EQ(b[1], 0);
    EXPECT_EQ(b[2], 550);
    EXPECT_EQ(b[3], 550);
}

TEST(BoundaryTerms, FluxElements) {
    double b[4];
    for (int e : {9, 11}) {
        prepare_boundary_step(b);
        boundary_terms(e, bx, by, local_stiffness, convection_matrix, element_matrix, b);
        EXPECT_EQ(b[1], 0);
        EXPECT_EQ(b[2], 375);
        EXPECT_EQ(b[3], 375);
        EXPECT_EQ(element_matrix[2][3], 23);
    }
    for (int e : {4, 12}) {
        prepare_boundary_step(b);
        boundary_terms(e, bx, by, local_stiffness, convection_matrix, element_matrix, b);
        EXPECT_EQ(b[1], 225);
        EXPECT_EQ(b[2], 0);
        EXPECT_EQ(b[3], 225);
        EXPECT_EQ(element_matrix[3][3], 33);
    }
}

TEST(BoundaryTerms, Element20HasConvectionAndFlux) {
    double b[4];
    prepare_boundary_step(b);
    boundary_terms(20, bx, by, local_stiffness, convection_matrix, element_matrix, b);
    EXPECT_EQ(b[1], 225);
    EXPECT_EQ(b[2], 550);
    EXPECT_EQ(b[3], 775);
    EXPECT_EQ(element_matrix[2][2], 22 + 50.0 / 3);
    EXPECT_EQ(element_matrix[1][1], 11);
}

TEST(BoundaryTerms, ElementsOutsideTheTableGetNoTerm) {
    double b[4];
    for (int e : {1, 13, 19, 21, 1000}) {
        prepare_boundary_step(b);
        convection_matrix[4 * 2 + 2] = 99; // from an earlier convection element
        boundary_terms(e, bx, by, local_stiffness, convection_matrix, element_matrix, b);
        for (int i = 1; i <= 3; i++) {
            EXPECT_EQ(b[i], 0) << "element " << e;
            for (int j = 1; j <= 3; j++) {
                EXPECT_EQ(element_matrix[i][j], local_stiffness[i][j]) << "element " << e;
            }
        }
        EXPECT_EQ(convection_matrix[4 * 2 + 2], 99) << "element " << e;
    }
}

TEST(ShippedSystem, EveryElementMatrixIsSymmetricWithZeroRowSums) {
    ScratchDir dir;
    fresh_storage();
    generate_mesh(nodes);
    std::istringstream input(shipped_elements());
    parse_elements(input, elements, "elements.txt");
    for (int e = 1; e <= element_count; e++) {
        ElementValues v{};
        v.area = element_conduction(e, elements, nodes, conductivity, local_stiffness,
                                    v.element_nodes, v.x, v.y, v.b, v.c);
        EXPECT_GT(v.area, 0) << "element " << e;
        for (int i = 1; i <= 3; i++) {
            double row_sum = 0;
            for (int j = 1; j <= 3; j++) {
                EXPECT_EQ(local_stiffness[i][j], local_stiffness[j][i]) << "element " << e;
                row_sum += local_stiffness[i][j];
            }
            EXPECT_NEAR(row_sum, 0, 1e-12) << "element " << e << " row " << i;
        }
    }
}

TEST(ShippedSystem, KIsSymmetricAndPassesThePatchTest) {
    ScratchDir dir;
    assemble_shipped();
    for (int i = 1; i <= node_count; i++) {
        for (int j = 1; j <= node_count; j++) {
            EXPECT_EQ(K[i][j], K[j][i]) << i << "," << j;
        }
    }
    // A constant field: conduction carries no heat, so K 1 is what convection
    // alone adds, h L / 2 from each convection edge at its two nodes.
    const double convection_row_sum[19] = {0, 0, 0, 0, 0,  0,  0,  0,  0, 0,
                                           0, 0, 0, 0, 10, 20, 15, 10, 5};
    for (int i = 1; i <= node_count; i++) {
        EXPECT_NEAR(k_times_field(i, 1, 0, 0), convection_row_sum[i], 1e-9) << "node " << i;
    }
    // A linear field is reproduced exactly: no net heat at interior nodes.
    for (int i : {5, 10, 11, 12}) {
        EXPECT_NEAR(k_times_field(i, 3, 2, -5), 0, 1e-9) << "node " << i;
        EXPECT_NEAR(k_times_field(i, 0, 0, 1), 0, 1e-9) << "node " << i;
    }
}

TEST(ShippedSystem, LoadsLieOnTheBoundaryTermEdges) {
    ScratchDir dir;
    assemble_shipped();
    // Flux 150 gives 75 per unit length to each end of a flux edge; convection
    // 10 x 22 gives 110 per unit length to each end of a convection edge.
    const double expected[19] = {0, 0, 0, 112.5, 0,   0,   187.5, 150, 187.5, 0,
                                 0, 0, 0, 225,   220, 440, 330,   220, 222.5};
    double total = 0;
    for (int i = 1; i <= node_count; i++) {
        EXPECT_EQ(f[i], expected[i]) << "node " << i;
        total += f[i];
    }
    EXPECT_EQ(total, 975 + 1320);
    EXPECT_EQ(read_file("f.txt"), "0\n0\n112.5\n0\n0\n187.5\n150\n187.5\n0\n0\n0\n0\n225\n220\n"
                                  "440\n330\n220\n222.5\n");
}

TEST(SystemExport, ZeroSystemIsEighteenLinesOfZeros) {
    ScratchDir dir;
    fresh_storage();
    write_system(f, K);
    std::string zeros;
    std::string zero_rows;
    for (int i = 0; i < 18; i++) {
        zeros += "0\n";
    }
    for (int i = 0; i < 18; i++) {
        for (int j = 0; j < 18; j++) {
            zero_rows += "0 ";
        }
        zero_rows += "\n";
    }
    EXPECT_EQ(read_file("f.txt"), zeros);
    EXPECT_EQ(read_file("K.txt"), zero_rows);
}

TEST(SystemExport, ValuesAppearInDefaultFormattingAtTheirPlace) {
    ScratchDir dir;
    fresh_storage();
    f[1] = 1.0 / 3;
    f[2] = -2.5e-7;
    f[18] = 123456789;
    K[1][2] = 150;
    K[2][1] = -37.5;
    K[18][18] = 1e100;
    write_system(f, K);
    const std::vector<std::string> f_lines = lines(read_file("f.txt"));
    ASSERT_EQ(f_lines.size(), 18u);
    EXPECT_EQ(f_lines[0], "0.333333");
    EXPECT_EQ(f_lines[1], "-2.5e-07");
    EXPECT_EQ(f_lines[2], "0");
    EXPECT_EQ(f_lines[17], "1.23457e+08");
    std::string zeros16;
    for (int j = 0; j < 16; j++) {
        zeros16 += "0 ";
    }
    const std::vector<std::string> k_lines = lines(read_file("K.txt"));
    ASSERT_EQ(k_lines.size(), 18u);
    EXPECT_EQ(k_lines[0], "0 150 " + zeros16);
    EXPECT_EQ(k_lines[1], "-37.5 0 " + zeros16);
    EXPECT_EQ(k_lines[17], zeros16 + "0 1e+100 ");
}

TEST(SystemExport, UnwritableKIsReportedAndFIsStillWritten) {
    ScratchDir dir;
    fresh_storage();
    std::filesystem::create_directory("K.txt");
    testing::internal::CaptureStderr();
    write_system(f, K);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "heat2d: cannot write K.txt: Is a directory\n");
    EXPECT_EQ(run_status(), 1);
    EXPECT_EQ(read_file("f.txt").size(), 36u);
}

TEST(Assembly, InvertedAndDegenerateElementsAreReportedAndStillAssembled) {
    ScratchDir dir;
    fresh_storage();
    generate_mesh(nodes);
    std::string text = shipped_elements();
    text.replace(text.find("4 9 10"), 6, "4 10 9");     // element 5, clockwise
    text.replace(text.find("12 17 13"), 8, "12 12 13"); // element 19, node repeated
    std::istringstream input(text);
    parse_elements(input, elements, "elements.txt");
    testing::internal::CaptureStderr();
    assemble_system(elements, nodes, conductivity, local_stiffness, convection_matrix, K,
                    element_matrix);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "heat2d: element 5: signed area -1.5; its nodes must be listed counter-clockwise\n"
              "heat2d: element 19: signed area 0; its three nodes must be distinct and not on one "
              "line\n");
    EXPECT_EQ(run_status(), 1);
    // The degenerate element's division by zero reaches K as designed.
    EXPECT_FALSE(std::isfinite(K[12][12]));
    EXPECT_TRUE(file_exists("K.txt"));
    EXPECT_TRUE(file_exists("f.txt"));
}
