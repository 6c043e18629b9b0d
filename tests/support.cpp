#include "support.h"

#include "problem/problem.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

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

ScratchDir::ScratchDir() {
    std::random_device seed;
    std::mt19937_64 generator(seed());
    fs::path dir;
    do {
        dir = fs::temp_directory_path() / ("heat2d-test-" + std::to_string(generator()));
    } while (!fs::create_directory(dir));
    path_ = dir.string();
    previous_ = fs::current_path().string();
    fs::current_path(dir);
}

ScratchDir::~ScratchDir() {
    std::error_code ignored;
    fs::current_path(previous_, ignored);
    fs::remove_all(path_, ignored);
}

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
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

void write_file(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
    if (!out) {
        throw std::runtime_error("cannot write test file " + path);
    }
}

bool file_exists(const std::string& path) {
    return fs::exists(path);
}

ProgramRun run_heat2d(const std::string& dir, const std::string& arguments) {
    ProgramRun run;
    const std::string out = dir + "/.stdout";
    const std::string err = dir + "/.stderr";
    const std::string command = "cd '" + dir + "' && '" HEAT2D_EXE "' " + arguments +
                                " </dev/null >'" + out + "' 2>'" + err + "'";
    const int raw = std::system(command.c_str());
#ifdef _WIN32
    run.status = raw;
#else
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
#endif
    run.out = read_file(out);
    run.err = read_file(err);
    fs::remove(out);
    fs::remove(err);
    return run;
}

const double expected_node_xy[19][2] = {
    {0, 0}, {0, 0}, {0, 2}, {0, 4}, {1.5, 0}, {1.5, 2}, {1.5, 4}, {1.5, 5}, {1.5, 6}, {3, 0},
    {3, 2}, {3, 4}, {3, 5}, {3, 6}, {4.5, 0}, {4.5, 2}, {4.5, 4}, {4.5, 5}, {4.5, 6},
};

std::string shipped_elements() {
    return read_file(HEAT2D_SOURCE_DIR "/examples/elements.txt");
}

const char* const expected_mesh_txt = "0 0\n"
                                      "0 2\n"
                                      "0 4\n"
                                      "1.5 0\n"
                                      "1.5 2\n"
                                      "1.5 4\n"
                                      "1.5 5\n"
                                      "1.5 6\n"
                                      "3 0\n"
                                      "3 2\n"
                                      "3 4\n"
                                      "3 5\n"
                                      "3 6\n"
                                      "4.5 0\n"
                                      "4.5 2\n"
                                      "4.5 4\n"
                                      "4.5 5\n"
                                      "4.5 6\n";

const char* const expected_mesh_geo = "Point(1)={0,0,0,15};\n"
                                      "Point(2)={0,2,0,15};\n"
                                      "Point(3)={0,4,0,15};\n"
                                      "Point(4)={1.5,0,0,15};\n"
                                      "Point(5)={1.5,2,0,15};\n"
                                      "Point(6)={1.5,4,0,15};\n"
                                      "Point(7)={1.5,5,0,15};\n"
                                      "Point(8)={1.5,6,0,15};\n"
                                      "Point(9)={3,0,0,15};\n"
                                      "Point(10)={3,2,0,15};\n"
                                      "Point(11)={3,4,0,15};\n"
                                      "Point(12)={3,5,0,15};\n"
                                      "Point(13)={3,6,0,15};\n"
                                      "Point(14)={4.5,0,0,15};\n"
                                      "Point(15)={4.5,2,0,15};\n"
                                      "Point(16)={4.5,4,0,15};\n"
                                      "Point(17)={4.5,5,0,15};\n"
                                      "Point(18)={4.5,6,0,15};\n";
