// The built executable, run as a user runs it: in a folder of its own, with
// no standard input.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support.h"

#ifndef _WIN32

namespace fs = std::filesystem;

TEST(Program, SolvesTheShippedCase) {
    ScratchDir dir;
    write_file("elements.txt", shipped_elements());
    const ProgramRun run = run_heat2d(dir.path);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(read_file("mesh.txt"), expected_mesh_txt);
    EXPECT_EQ(read_file("mesh.geo"), expected_mesh_geo);
    EXPECT_EQ(read_file("f.txt"), shipped_f_txt);
    EXPECT_EQ(lines(read_file("K.txt")).size(), 18u);

    // The console holds the 18 results, then the prompt; write_.txt the same values.
    const std::vector<std::string> console = lines(run.out);
    const std::vector<std::string> written = lines(read_file("write_.txt"));
    ASSERT_EQ(console.size(), 19u);
    ASSERT_EQ(written.size(), 18u);
    EXPECT_EQ(console[18], "Press any key to continue . . . ");
    double T[19] = {};
    for (int i = 1; i <= 18; i++) {
        const std::string index = std::to_string(i);
        ASSERT_EQ(console[i - 1].rfind("x[" + index + "]_=", 0), 0u) << console[i - 1];
        const std::string value = console[i - 1].substr(index.size() + 5);
        EXPECT_EQ(written[i - 1], index + " " + value);
        T[i] = std::stod(value);
        EXPECT_GT(T[i], 22) << "node " << i;
    }
    // Heat balance: what leaves by convection through the right edge (nodes 14
    // to 18, bottom to top) equals the 975 that the flux brings in.
    double leaving = 0;
    for (int a = 14; a < 18; a++) {
        const double length = expected_node_xy[a + 1][1] - expected_node_xy[a][1];
        leaving += 10 * length * ((T[a] + T[a + 1]) / 2 - 22);
    }
    EXPECT_NEAR(leaving, 975, 975 * 1e-5);

    // A second run, with arguments, replaces every file with the same content.
    const std::string results = read_file("write_.txt");
    write_file("K.txt", std::string(100000, '7'));
    const ProgramRun again = run_heat2d(dir.path, "--help extra 42");
    EXPECT_EQ(again.status, 0);
    EXPECT_EQ(again.out, run.out);
    EXPECT_EQ(read_file("write_.txt"), results);
    EXPECT_EQ(lines(read_file("K.txt")).size(), 18u);
}

TEST(Program, UnwritableOutputFailsTheRunButNotTheOtherFiles) {
    for (const char* blocked : {"mesh.txt", "mesh.geo", "f.txt", "K.txt", "write_.txt"}) {
        ScratchDir dir;
        write_file("elements.txt", shipped_elements());
        fs::create_directory(blocked);
        const ProgramRun run = run_heat2d(dir.path);
        EXPECT_EQ(run.status, 1) << blocked;
        EXPECT_EQ(run.err, std::string("heat2d: cannot write ") + blocked + ": Is a directory\n");
        EXPECT_EQ(lines(run.out).size(), 19u) << blocked;
        for (const char* output : {"mesh.txt", "mesh.geo", "f.txt", "K.txt", "write_.txt"}) {
            if (std::string(output) != blocked) {
                EXPECT_EQ(lines(read_file(output)).size(), 18u) << output << " with " << blocked;
            }
        }
    }
}

TEST(Program, FaultyConnectivityStopsTheRunAfterTheMeshFiles) {
    const std::string stop_messages[][2] = {
        {"", "heat2d: elements.txt: cannot open: No such file or directory\n"},
        {shipped_elements("11 7 6", "11 twelve 6"),
         "heat2d: elements.txt: element 9, node 2: \"twelve\" is not a number\n"},
    };
    for (const auto& [text, message] : stop_messages) {
        ScratchDir dir;
        if (!text.empty()) {
            write_file("elements.txt", text);
        }
        const ProgramRun run = run_heat2d(dir.path);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, message);
        EXPECT_EQ(run.out, "Press any key to continue . . . \n");
        EXPECT_EQ(read_file("mesh.txt"), expected_mesh_txt);
        EXPECT_EQ(read_file("mesh.geo"), expected_mesh_geo);
        for (const char* never : {"f.txt", "K.txt", "write_.txt"}) {
            EXPECT_FALSE(fs::exists(never)) << never;
        }
    }
}

TEST(Program, ClockwiseOrRepeatedNodeIsNamedAndFailsTheRun) {
    const std::string cases[][2] = {
        {"4 10 9",
         "heat2d: element 5: signed area -1.5; its nodes must be listed counter-clockwise"},
        {"4 9 4", "heat2d: element 5: signed area 0; its three nodes must be distinct and not on "
                  "one line"},
    };
    for (const auto& [triple, message] : cases) {
        ScratchDir dir;
        write_file("elements.txt", shipped_elements("4 9 10", triple));
        const ProgramRun run = run_heat2d(dir.path);
        EXPECT_EQ(run.status, 1) << triple;
        EXPECT_EQ(lines(run.err).at(0), message);
        EXPECT_NE(run.err.find("heat2d: the system is not positive definite"), std::string::npos);
        for (const char* output : {"mesh.txt", "mesh.geo", "f.txt", "K.txt", "write_.txt"}) {
            EXPECT_EQ(lines(read_file(output)).size(), 18u) << output << " for " << triple;
        }
    }
}

#endif
