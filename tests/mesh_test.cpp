#include "mesh/mesh.h"
#include "problem/problem.h"
#include "problem/status.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "support.h"

namespace {

void expect_node_table() {
    for (int i = 1; i <= 18; i++) {
        EXPECT_EQ(nodes[i][1], expected_node_xy[i][0]) << "x of node " << i;
        EXPECT_EQ(nodes[i][2], expected_node_xy[i][1]) << "y of node " << i;
    }
}

} // namespace

TEST(Mesh, NodesAndBothExportsAreExact) {
    ScratchDir dir;
    fresh_storage();
    testing::internal::CaptureStderr();
    generate_mesh(nodes);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    expect_node_table();
    EXPECT_EQ(read_file("mesh.txt"), expected_mesh_txt);
    EXPECT_EQ(read_file("mesh.geo"), expected_mesh_geo);
}

TEST(Mesh, SecondRunReplacesTheFiles) {
    ScratchDir dir;
    fresh_storage();
    write_file("mesh.txt", std::string(5000, 'x'));
    generate_mesh(nodes);
    generate_mesh(nodes);
    EXPECT_EQ(read_file("mesh.txt"), expected_mesh_txt);
    EXPECT_EQ(read_file("mesh.geo"), expected_mesh_geo);
}

TEST(Mesh, UnwritableFileIsReportedWhileTheRestIsWritten) {
    ScratchDir dir;
    fresh_storage();
    std::filesystem::create_directory("mesh.txt");
    testing::internal::CaptureStderr();
    generate_mesh(nodes);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err.rfind("heat2d: cannot write mesh.txt", 0), 0u) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_EQ(run_status(), 1);
    expect_node_table();
    EXPECT_EQ(read_file("mesh.geo"), expected_mesh_geo);
}

TEST(Mesh, NeitherFileWritableStillFillsTheNodes) {
    ScratchDir dir;
    fresh_storage();
    std::filesystem::create_directory("mesh.txt");
    std::filesystem::create_directory("mesh.geo");
    testing::internal::CaptureStderr();
    generate_mesh(nodes);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("heat2d: cannot write mesh.geo"), std::string::npos) << err;
    EXPECT_NE(err.find("heat2d: cannot write mesh.txt"), std::string::npos) << err;
    expect_node_table();
}
