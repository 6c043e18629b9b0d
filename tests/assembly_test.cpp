#include "assembly/assembly.h"
#include "assembly/element.h"
#include "mesh/connectivity.h"
#include "mesh/mesh.h"
#include "problem/problem.h"

#include <gtest/gtest.h>

#include <sstream>

#include "support.h"

namespace {

double element_nodes[4], x[4], y[4], b[4], c[4];

// Element 1 with nodes 1, 2, 3 at the given points.
double conduction_of(double n1, double n2, double n3, const double (&points)[3][2]) {
    fresh_storage();
    for (int i = 0; i < 3; i++) {
        nodes[i + 1][1] = points[i][0];
        nodes[i + 1][2] = points[i][1];
    }
    elements[1][1] = n1;
    elements[1][2] = n2;
    elements[1][3] = n3;
    return element_conduction(1, elements, nodes, 75.0, local_stiffness, element_nodes, x, y, b, c);
}

void expect_stiffness(const double (&rows)[3][3]) {
    for (int i = 1; i <= 3; i++) {
        for (int j = 1; j <= 3; j++) {
            EXPECT_EQ(local_stiffness[i][j], rows[i - 1][j - 1]) << "[" << i << "][" << j << "]";
        }
    }
}

// Boundary terms of element e whose local node 1 is at (0, 4), 2 at (0, 0) and
// 3 at (3, 4), so L23 = 5 and L13 = 3, with local_stiffness[i][j] = 10 i + j.
void boundary_of(int e) {
    const double bx[4] = {0, 0, 0, 3}, by[4] = {0, 4, 0, 4};
    for (int i = 1; i <= 3; i++) {
        for (int j = 1; j <= 3; j++) {
            local_stiffness[i][j] = 10 * i + j;
        }
        b[i] = 0;
    }
    boundary_terms(e, bx, by, local_stiffness, convection_matrix, element_matrix, b);
}

void expect_loads(int e, double b1, double b2, double b3) {
    EXPECT_EQ(b[1], b1) << "element " << e;
    EXPECT_EQ(b[2], b2) << "element " << e;
    EXPECT_EQ(b[3], b3) << "element " << e;
}

void assemble(const std::string& connectivity) {
    fresh_storage();
    generate_mesh(nodes);
    std::istringstream input(connectivity);
    parse_elements(input, elements, "elements.txt");
    assemble_system(elements, nodes, conductivity, local_stiffness, convection_matrix, K,
                    element_matrix);
}

// (K T)_i for the field T = a + bx x + cy y at the nodes.
double heat_at(int i, double a, double bx, double cy) {
    double sum = 0;
    for (int n = 1; n <= node_count; n++) {
        sum += K[i][n] * (a + bx * expected_node_xy[n][0] + cy * expected_node_xy[n][1]);
    }
    return sum;
}

} // namespace

TEST(ElementConduction, RightTriangleInBothOrientations) {
    const double unit[3][2] = {{0, 0}, {1, 0}, {0, 1}};
    EXPECT_EQ(conduction_of(1, 2, 3, unit), 0.5);
    const double expected_b[4] = {0, -1, 1, 0}, expected_c[4] = {0, -1, 0, 1};
    for (int i = 1; i <= 3; i++) {
        EXPECT_EQ(b[i], expected_b[i]);
        EXPECT_EQ(c[i], expected_c[i]);
    }
    expect_stiffness({{75, -37.5, -37.5}, {-37.5, 37.5, 0}, {-37.5, 0, 37.5}});

    const double clockwise[3][2] = {{0, 0}, {0, 1}, {1, 0}};
    EXPECT_EQ(conduction_of(1, 2, 3, clockwise), -0.5);
    expect_stiffness({{-75, 37.5, 37.5}, {37.5, -37.5, 0}, {37.5, 0, -37.5}});

    // Node numbers truncate toward zero: 2.7 is node 2, kept as read.
    EXPECT_EQ(conduction_of(1.99, 2.7, 3.0, unit), 0.5);
    EXPECT_EQ(element_nodes[2], 2.7);
    expect_stiffness({{75, -37.5, -37.5}, {-37.5, 37.5, 0}, {-37.5, 0, 37.5}});
}

TEST(BoundaryTerms, LoadsAndConvectionMatrixByElementNumber) {
    fresh_storage();
    boundary_of(14);
    expect_loads(14, 0, 550, 550);
    const double pattern[4][4] = {{0}, {0}, {0, 0, 50.0 / 3, 50.0 / 6}, {0, 0, 50.0 / 6, 50.0 / 3}};
    for (int i = 1; i <= 3; i++) {
        for (int j = 1; j <= 3; j++) {
            EXPECT_EQ(convection_matrix[4 * i + j], pattern[i][j]) << i << j;
            EXPECT_EQ(element_matrix[i][j], 10 * i + j + pattern[i][j]) << i << j;
        }
    }
    boundary_of(20);
    expect_loads(20, 225, 550, 775);
    EXPECT_EQ(element_matrix[3][3], 33 + 50.0 / 3);
    // Flux elements and elements outside the table leave the matrix as it is,
    // and do not touch the convection matrix of the last convection element.
    auto expect_plain_matrix = [](int e) {
        for (int i = 1; i <= 3; i++) {
            for (int j = 1; j <= 3; j++) {
                EXPECT_EQ(element_matrix[i][j], 10 * i + j) << "element " << e;
            }
        }
        EXPECT_EQ(convection_matrix[4 * 2 + 2], 50.0 / 3) << "element " << e;
    };
    for (int e : {9, 11}) {
        boundary_of(e);
        expect_loads(e, 0, 375, 375);
        expect_plain_matrix(e);
    }
    for (int e : {4, 12}) {
        boundary_of(e);
        expect_loads(e, 225, 0, 225);
        expect_plain_matrix(e);
    }
    for (int e : {1, 13, 19, 21, 1000}) {
        boundary_of(e);
        expect_loads(e, 0, 0, 0);
        expect_plain_matrix(e);
    }
}

TEST(ShippedSystem, ElementMatricesAreSymmetricWithZeroRowSums) {
    ScratchDir dir;
    assemble(shipped_elements());
    for (int e = 1; e <= element_count; e++) {
        element_conduction(e, elements, nodes, conductivity, local_stiffness, element_nodes, x, y,
                           b, c);
        for (int i = 1; i <= 3; i++) {
            EXPECT_EQ(local_stiffness[i][1], local_stiffness[1][i]) << "element " << e;
            EXPECT_EQ(local_stiffness[i][2], local_stiffness[2][i]) << "element " << e;
            EXPECT_NEAR(local_stiffness[i][1] + local_stiffness[i][2] + local_stiffness[i][3], 0,
                        1e-12)
                << "element " << e;
        }
    }
}

TEST(ShippedSystem, PatchTestAndLoads) {
    ScratchDir dir;
    assemble(shipped_elements());
    // A constant field carries no heat by conduction: K 1 is what convection
    // adds, h L / 2 from each convection edge at both its nodes (14 to 18).
    const double convection_sum[19] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 10, 20, 15, 10, 5};
    for (int i = 1; i <= node_count; i++) {
        EXPECT_NEAR(heat_at(i, 1, 0, 0), convection_sum[i], 1e-9) << "node " << i;
        for (int j = 1; j <= node_count; j++) {
            EXPECT_EQ(K[i][j], K[j][i]) << i << "," << j;
        }
    }
    // A linear field is reproduced exactly: no net heat at the interior nodes.
    for (int i : {5, 10, 11, 12}) {
        EXPECT_NEAR(heat_at(i, 3, 2, -5), 0, 1e-9) << "node " << i;
    }
    double total = 0;
    for (int i = 1; i <= node_count; i++) {
        total += f[i];
    }
    EXPECT_EQ(total, 975 + 1320);
    EXPECT_EQ(read_file("f.txt"), shipped_f_txt);
}

TEST(SystemExport, ExactTextOfBothFiles) {
    ScratchDir dir;
    fresh_storage();
    write_system(f, K); // no element assembled: all zeros
    const std::string zero_row = "0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 ";
    std::string zeros, zero_rows;
    for (int i = 0; i < 18; i++) {
        zeros += "0\n";
        zero_rows += zero_row + "\n";
    }
    EXPECT_EQ(read_file("f.txt"), zeros);
    EXPECT_EQ(read_file("K.txt"), zero_rows);

    f[1] = 1.0 / 3;
    f[18] = -123456789;
    K[1][2] = 150;
    K[18][18] = 2.5e-7;
    write_system(f, K);
    const std::vector<std::string> f_lines = lines(read_file("f.txt"));
    const std::vector<std::string> k_lines = lines(read_file("K.txt"));
    ASSERT_EQ(f_lines.size(), 18u);
    ASSERT_EQ(k_lines.size(), 18u);
    EXPECT_EQ(f_lines[0], "0.333333");
    EXPECT_EQ(f_lines[17], "-1.23457e+08");
    EXPECT_EQ(k_lines[0], "0 150 " + zero_row.substr(4));
    EXPECT_EQ(k_lines[17], zero_row.substr(0, 34) + "2.5e-07 ");
}
