// Helpers shared by the tests.
#pragma once

#include <string>
#include <vector>

// Allocates the program's tables on the first call; later calls in the same
// process zero K and f again instead of allocating anew.
void fresh_storage();

// A new empty folder that is the current directory for the lifetime of the
// object; the previous directory is restored and the folder removed afterwards.
class ScratchDir {
  public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::string& path() const {
        return path_;
    }

  private:
    std::string path_;
    std::string previous_;
};

std::string read_file(const std::string& path);

// The lines of a text whose every line ends with a newline (checked).
std::vector<std::string> lines(const std::string& text);

void write_file(const std::string& path, const std::string& text);
bool file_exists(const std::string& path);

// The result of running the built heat2d as a user would.
struct ProgramRun {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs heat2d in dir with standard input from /dev/null and any extra
// arguments appended to the command line.
ProgramRun run_heat2d(const std::string& dir, const std::string& arguments = "");

// The node table of the problem, by hand from the plate's dimensions:
// expected_node_xy[i] = {x, y} of node i (row 0 unused).
extern const double expected_node_xy[19][2];

// The shipped triangulation's text.
std::string shipped_elements();

// The exact mesh exports of every run.
extern const char* const expected_mesh_txt;
extern const char* const expected_mesh_geo;
