// The built executable, run as a user runs it: in a folder of its own, with
// no standard input.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support.h"

#ifndef _WIN32

namespace {
const char* const prompt_line = "Press any key to continue . . . \n";
}

TEST(Program, SolvesTheShippedCase) {
    ScratchDir dir;
    write_file("elements.txt", shipped_elements());
    const ProgramRun run = run_heat2d(dir.path());
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(read_file("mesh.txt"), expected_mesh_txt);
    EXPECT_EQ(read_file("mesh.geo"), expected_mesh_geo);
    EXPECT_EQ(read_file("f.txt"), "0\n0\n112.5\n0\n0\n187.5\n150\n187.5\n0\n0\n0\n0\n225\n220\n"
                                  "440\n330\n220\n222.5\n");
    EXPECT_EQ(lines(read_file("K.txt")).size(), 18u);

    // The console holds the 18 results, then the prompt; write_.txt the same values.
    const std::vector<std::string> console = lines(run.out);
    ASSERT_EQ(console.size(), 19u);
    EXPECT_EQ(console[18], "Press any key to continue . . . ");
    const std::vector<std::string> written = lines(read_file("write_.txt"));
    ASSERT_EQ(written.size(), 18u);
    double T[19] = {};
    for (int i = 1; i <= 18; i++) {
        const std::string index = std::to_string(i);
        ASSERT_EQ(console[i - 1].rfind("x[" + index + "]_=", 0), 0u) << console[i - 1];
        const std::string value = console[i - 1].substr(index.size() + 5);
        EXPECT_EQ(written[i - 1], index + " " + value);
        T[i] = std::stod(value);
        EXPECT_GT(T[i], 22) << "node " << i;
    }

    // Heat balance: what leaves by convection through the right edge equals
    // the 975 that the flux brings in over 6.5 units of boundary.
    const int right_edge[5] = {14, 15, 16, 17, 18};
    double leaving = 0;
    for (int k = 0; k < 4; k++) {
        const int a = right_edge[k], b = right_edge[k + 1];
        const double length = expected_node_xy[b][1] - expected_node_xy[a][1];
        leaving += 10 * length * ((T[a] + T[b]) / 2 - 22);
    }
    EXPECT_NEAR(leaving, 975, 975 * 1e-5);
}

TEST(Program, ArgumentsAndEarlierFilesChangeNothing) {
    ScratchDir dir;
    write_file("elements.txt", shipped_elements());
    const ProgramRun first = run_heat2d(dir.path());
    const std::string results = read_file("write_.txt");
    write_file("K.txt", std::string(100000, '7'));
    const ProgramRun second = run_heat2d(dir.path(), "--help extra 42");
    EXPECT_EQ(second.status, 0);
    EXPECT_EQ(second.err, "");
    EXPECT_EQ(second.out, first.out);
    EXPECT_EQ(read_file("write_.txt"), results);
    EXPECT_EQ(lines(read_file("K.txt")).size(), 18u);
    EXPECT_EQ(read_file("mesh.txt"), expected_mesh_txt);
}

TEST(Program, UnwritableOutputFailsTheRunButNotTheOtherFiles) {
    for (const char* blocked : {"mesh.geo", "f.txt", "K.txt", "write_.txt"}) {
        ScratchDir dir;
        write_file("elements.txt", shipped_elements());
        std::filesystem::create_directory(blocked);
        const ProgramRun run = run_heat2d(dir.path());
        EXPECT_EQ(run.status, 1) << blocked;
        EXPECT_EQ(run.err, std::string("heat2d: cannot write ") + blocked + ": Is a directory\n");
        EXPECT_EQ(lines(run.out).size(), 19u) << blocked;
        for (const char* output : {"mesh.txt", "mesh.geo", "f.txt", "K.txt", "write_.txt"}) {
            if (std::string(output) != blocked) {
                EXPECT_GT(lines(read_file(output)).size(), 17u) << output << " with " << blocked;
            }
        }
    }
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
        for (const char* output : {"mesh.txt", "mesh.geo", "f.txt", "K.txt", "write_.txt"}) {
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
