#include "problem/driver.h"
#include "problem/status.h"
#include "refine/refined_run.h"

#include <cstring>
#include <iostream>

// The program takes no arguments: it reads elements.txt in the current folder.
// --help and --version are answered, --refine L solves finer meshes; any other
// argument is refused before anything is written.
int main(int argc, char** argv) {
    if (argc <= 1) {
        return run_program();
    }
    if (std::strcmp(argv[1], "--refine") == 0) {
        int level = 0;
        if (argc == 3 && refine_level(argv[2], level)) {
            return run_refined(level);
        }
        std::cerr << "heat2d: --refine takes one level, a whole number from 0 to " << most_level
                  << std::endl;
        return 2;
    }
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::cout << "heat2d " << HEAT2D_VERSION << std::endl;
    } else if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        std::cout << "usage: heat2d [--refine LEVEL]" << std::endl
                  << "Solves steady heat conduction in the notched plate on the 20 triangles of "
                     "elements.txt in the current folder, and writes mesh.txt, mesh.geo, f.txt, "
                     "K.txt and write_.txt there."
                  << std::endl
                  << "With --refine LEVEL (0 to " << most_level
                  << "), solves the same problem on those triangles split LEVEL times, each "
                     "into four, prints how the answer changes level by level and the error "
                     "left, and writes refined_mesh.txt, refined_elements.txt and "
                     "refined_write_.txt."
                  << std::endl;
    } else {
        std::cerr << "heat2d: takes no arguments: it reads elements.txt in the current folder"
                  << std::endl;
        return 2;
    }
    check_console();
    finish_console();
    return run_status();
}
