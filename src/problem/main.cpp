#include "problem/driver.h"
#include "problem/status.h"

#include <cstring>
#include <iostream>

// The program takes no arguments: it reads elements.txt in the current folder.
// --help and --version are answered; any other argument is refused before
// anything is written.
int main(int argc, char** argv) {
    if (argc <= 1) {
        return run_program();
    }
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::cout << "heat2d " << HEAT2D_VERSION << std::endl;
    } else if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        std::cout << "usage: heat2d" << std::endl
                  << "Solves steady heat conduction in the notched plate on the 20 triangles of "
                     "elements.txt in the current folder, and writes mesh.txt, mesh.geo, f.txt, "
                     "K.txt and write_.txt there."
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
