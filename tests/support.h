// Helpers shared by the tests.
#pragma once

#include <string>
#include <vector>

// Allocates the program's tables on the first call (as a run does, once);
// later calls in the same process only zero K and f again.
void fresh_storage();

// A new empty folder that is the current directory while the object lives.
class ScratchDir {
  public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete; // a copy would remove the folder twice
    ScratchDir& operator=(const ScratchDir&) = delete;
    std::string path;

  private:
    std::string previous_;
};

std::string read_file(const std::string& path);
void write_file(const std::string& path, const std::string& text);
// The lines of a text whose every line ends with a newline (checked).
std::vector<std::string> lines(const std::string& text);

// The built heat2d run in dir, with standard input from /dev/null.
struct ProgramRun {
    int status;
    std::string out;
    std::string err;
};
ProgramRun run_heat2d(const std::string& dir, const std::string& arguments = "");

// The shipped triangulation, optionally with its first `from` replaced by `to`.
std::string shipped_elements(const std::string& from = "", const std::string& to = "");

// The node table by hand from the plate's dimensions: {x, y} of node i.
extern const double expected_node_xy[19][2];
extern const char* const expected_mesh_txt;
extern const char* const expected_mesh_geo;
extern const char* const shipped_f_txt;
