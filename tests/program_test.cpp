// The built executable, run as a user runs it: in a folder of its own, with
// no standard input.
#include <gtest/gtest.h>

#include <filesystem>

#include "support.h"

#ifndef _WIN32

namespace {
const char* const prompt_line = "Press any key to continue . . . \n";
}

TEST(Program, WritesTheMeshExportsAndPauses) {
    ScratchDir dir;
    write_file("elements.txt", shipped_elements());
    const ProgramRun run = run_heat2d(dir.path());
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out, prompt_line);
    EXPECT_EQ(read_file("mesh.txt"), expected_mesh_txt);
    EXPECT_EQ(read_file("mesh.geo"), expected_mesh_geo);
}

TEST(Program, ArgumentsChangeNothing) {
    ScratchDir dir;
    write_file("elements.txt", shipped_elements());
    const ProgramRun run = run_heat2d(dir.path(), "--help extra 42");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(read_file("mesh.txt"), expected_mesh_txt);
}

TEST(Program, UnwritableOutputFailsTheRunButNotTheOtherFiles) {
    ScratchDir dir;
    write_file("elements.txt", shipped_elements());
    std::filesystem::create_directory("mesh.geo");
    const ProgramRun run = run_heat2d(dir.path());
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "heat2d: cannot write mesh.geo: Is a directory\n");
    EXPECT_EQ(run.out, prompt_line);
    EXPECT_EQ(read_file("mesh.txt"), expected_mesh_txt);
}

TEST(Program, BadConnectivityStopsTheRunWithItsMessage) {
    ScratchDir dir;
    std::string text = shipped_elements();
    text.replace(text.find("11 7 6"), 6, "11 twelve 6");
    write_file("elements.txt", text);
    const ProgramRun run = run_heat2d(dir.path());
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "heat2d: elements.txt: element 9, node 2: \"twelve\" is not a number\n");
    EXPECT_EQ(run.out, prompt_line);
    EXPECT_EQ(read_file("mesh.txt"), expected_mesh_txt);
    EXPECT_EQ(read_file("mesh.geo"), expected_mesh_geo);
    for (const char* never : {"f.txt", "K.txt", "write_.txt"}) {
        EXPECT_FALSE(file_exists(never)) << never;
    }
}

TEST(Program, ClockwiseOrRepeatedNodeIsNamedAndFailsTheRun) {
    const struct {
        const char* from;
        const char* to;
        const char* message;
    } cases[] = {
        {"4 9 10", "4 10 9",
         "heat2d: element 5: signed area -1.5; its nodes must be listed counter-clockwise\n"},
        {"4 9 10", "4 9 4",
         "heat2d: element 5: signed area 0; its three nodes must be distinct and not on one "
         "line\n"},
    };
    for (const auto& c : cases) {
        ScratchDir dir;
        std::string text = shipped_elements();
        text.replace(text.find(c.from), std::string(c.from).size(), c.to);
        write_file("elements.txt", text);
        const ProgramRun run = run_heat2d(dir.path());
        EXPECT_EQ(run.status, 1) << c.to;
        EXPECT_EQ(run.err.substr(0, run.err.find('\n') + 1), c.message);
        for (const char* output : {"mesh.txt", "mesh.geo", "f.txt", "K.txt"}) {
            EXPECT_TRUE(file_exists(output)) << output << " for " << c.to;
        }
    }
}

TEST(Program, MissingConnectivityStopsTheRun) {
    ScratchDir dir;
    const ProgramRun run = run_heat2d(dir.path());
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "heat2d: elements.txt: cannot open: No such file or directory\n");
    EXPECT_EQ(run.out, prompt_line);
    EXPECT_FALSE(file_exists("f.txt"));
}

#endif
