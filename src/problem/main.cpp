#include "problem/driver.h"
#include "problem/numbers.h"
#include "problem/status.h"
#include "refine/adapted_run.h"
#include "refine/limits.h"
#include "refine/refined_run.h"

#include <cstring>
#include <iostream>

namespace {

bool starts_with(const char* text, const char* start) {
    return std::strncmp(text, start, std::strlen(start)) == 0;
}

// --adapt E or --adapt=E, alone: its exit status.
int adapt(int argc, char** argv) {
    int given = 0;
    const char* value = nullptr;
    bool other = false;
    for (int i = 1; i < argc; i++) {
        if (std::strcmp(argv[i], "--refine") == 0 || starts_with(argv[i], "--refine=")) {
            std::cerr << "heat2d: --adapt cannot be given with --refine" << std::endl;
            return 2;
        }
    }
    for (int i = 1; i < argc; i++) {
        if (std::strcmp(argv[i], "--adapt") == 0) {
            given++;
            value = i + 1 < argc ? argv[++i] : nullptr;
        } else if (starts_with(argv[i], "--adapt=")) {
            given++;
            value = argv[i] + std::strlen("--adapt=");
        } else {
            other = true;
        }
    }
    double error = 0;
    if (given == 1 && !other && adapt_error(value, error)) {
        return run_adapted(error);
    }
    std::cerr << "heat2d: --adapt takes one error, a decimal number from " << least_error << " to "
              << most_error << std::endl;
    return 2;
}

} // namespace

// With no arguments the program reads elements.txt in the current folder.
// --help and --version are answered, --refine L solves finer meshes, --adapt E
// refines where the error is; any other argument is refused before anything
// is written.
int main(int argc, char** argv) {
    print_nan_one_way();
    if (argc <= 1) {
        return run_program();
    }
    for (int i = 1; i < argc; i++) {
        if (std::strcmp(argv[i], "--adapt") == 0 || starts_with(argv[i], "--adapt=")) {
            return adapt(argc, argv);
        }
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
        std::cout << "usage: heat2d [--refine LEVEL | --adapt ERROR]" << std::endl
                  << "Solves steady heat conduction in the notched plate on the 20 triangles of "
                     "elements.txt in the current folder, and writes mesh.txt, mesh.geo, f.txt, "
                     "K.txt and write_.txt there."
                  << std::endl
                  << "With --refine LEVEL (0 to " << most_level
                  << "), solves the same problem on those triangles split LEVEL times, each "
                     "into four, prints how the answer changes level by level and the error "
                     "left, and writes refined_mesh.txt, refined_elements.txt and "
                     "refined_write_.txt."
                  << std::endl
                  << "With --adapt ERROR (" << least_error << " to " << most_error
                  << "), refines those triangles step by step where the error is, until the "
                     "estimated error at every one of the 18 nodes is at most ERROR, prints a "
                     "line a step and the answer with the error left, and writes "
                     "adapted_mesh.txt, adapted_elements.txt and adapted_write_.txt."
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
