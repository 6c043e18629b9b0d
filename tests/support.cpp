#include "support.h"

#include "problem/problem.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#ifndef _WIN32
#include <sys/wait.h>
#endif

namespace fs = std::filesystem;

void fresh_storage() {
    static bool allocated = false;
    if (!allocated) {
        allocate_storage();
        allocated = true;
        return;
    }
    for (int i = 1; i <= node_count; i++) {
        f[i] = 0.0;
        for (int j = 1; j <= node_count; j++) {
            K[i][j] = 0.0;
        }
    }
}

ScratchDir::ScratchDir() : previous_(fs::current_path().string()) {
    std::mt19937_64 random(std::random_device{}());
    fs::path dir;
    do {
        dir = fs::temp_directory_path() / ("heat2d-test-" + std::to_string(random()));
    } while (!fs::create_directory(dir));
    path = dir.string();
    fs::current_path(dir);
}

ScratchDir::~ScratchDir() {
    std::error_code ignored;
    fs::current_path(previous_, ignored);
    fs::remove_all(path, ignored);
}

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void write_file(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        result.push_back(text.substr(start, end - start));
    }
    EXPECT_EQ(start, text.size()) << "text after the last newline";
    return result;
}

ProgramRun run_heat2d(const std::string& dir, const std::string& arguments) {
    const std::string out = dir + "/.stdout", err = dir + "/.stderr";
    const std::string command = "cd '" + dir + "' && '" HEAT2D_EXE "' " + arguments +
                                " </dev/null >'" + out + "' 2>'" + err + "'";
    const int raw = std::system(command.c_str());
#ifdef _WIN32
    ProgramRun run{raw, read_file(out), read_file(err)};
#else
    ProgramRun run{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, read_file(out), read_file(err)};
#endif
    fs::remove(out);
    fs::remove(err);
    return run;
}

std::string shipped_elements(const std::string& from, const std::string& to) {
    std::string text = read_file(HEAT2D_SOURCE_DIR "/examples/elements.txt");
    if (!from.empty()) {
        text.replace(text.find(from), from.size(), to);
    }
    return text;
}

const double expected_node_xy[19][2] = {
    {0, 0}, {0, 0}, {0, 2}, {0, 4}, {1.5, 0}, {1.5, 2}, {1.5, 4}, {1.5, 5}, {1.5, 6}, {3, 0},
    {3, 2}, {3, 4}, {3, 5}, {3, 6}, {4.5, 0}, {4.5, 2}, {4.5, 4}, {4.5, 5}, {4.5, 6},
};

const char* const expected_mesh_txt = "0 0\n0 2\n0 4\n1.5 0\n1.5 2\n1.5 4\n1.5 5\n1.5 6\n3 0\n"
                                      "3 2\n3 4\n3 5\n3 6\n4.5 0\n4.5 2\n4.5 4\n4.5 5\n4.5 6\n";

const char* const expected_mesh_geo =
    "Point(1)={0,0,0,15};\nPoint(2)={0,2,0,15};\nPoint(3)={0,4,0,15};\n"
    "Point(4)={1.5,0,0,15};\nPoint(5)={1.5,2,0,15};\nPoint(6)={1.5,4,0,15};\n"
    "Point(7)={1.5,5,0,15};\nPoint(8)={1.5,6,0,15};\nPoint(9)={3,0,0,15};\n"
    "Point(10)={3,2,0,15};\nPoint(11)={3,4,0,15};\nPoint(12)={3,5,0,15};\n"
    "Point(13)={3,6,0,15};\nPoint(14)={4.5,0,0,15};\nPoint(15)={4.5,2,0,15};\n"
    "Point(16)={4.5,4,0,15};\nPoint(17)={4.5,5,0,15};\nPoint(18)={4.5,6,0,15};\n";

// Flux 150 gives 75 per unit length to each end of a flux edge; convection
// 10 x 22 gives 110 per unit length to each end of a convection edge.
const char* const shipped_f_txt =
    "0\n0\n112.5\n0\n0\n187.5\n150\n187.5\n0\n0\n0\n0\n225\n220\n440\n330\n220\n222.5\n";
