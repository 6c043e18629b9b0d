#include "api/heat2d.h"
#include "problem/driver.h"
#include "problem/numbers.h"
#include "problem/status.h"
#include "problem/values.h"
#include "refine/adapted_run.h"
#include "refine/limits.h"
#include "refine/refined_run.h"

#include <cstring>
#include <iostream>
#include <string>
#include <vector>

namespace {

bool starts_with(const char* text, const char* start) {
    return std::strncmp(text, start, std::strlen(start)) == 0;
}

// Takes the options of the problem's values (--conductivity K, --heat-flux Q,
// --convection H, --ambient T, each also as --name=value) out of the
// arguments into values, the others left in rest (argv[0] first). False
// after the line that refuses them: a value missing, not a decimal number or
// out of its range, an option given twice.
bool take_values(int argc, char** argv, problem_values& values, std::vector<char*>& rest) {
    bool given[value_count] = {};
    rest.assign(argv, argv + 1);
    for (int i = 1; i < argc; i++) {
        const std::string argument = argv[i];
        const std::size_t equals = argument.find('=');
        const value_kind* kind = value_named(argument.substr(0, equals));
        if (kind == nullptr || argument.compare(0, 2, "--") != 0) {
            rest.push_back(argv[i]);
            continue;
        }
        const char* text = equals != std::string::npos ? argv[i] + equals + 1
                           : i + 1 < argc              ? argv[++i]
                                                       : nullptr;
        const std::string takes =
            std::string("heat2d: ") + kind->option + " takes a decimal number ";
        double value = 0;
        bool& once = given[kind - value_kinds];
        if (once) {
            std::cerr << "heat2d: " << kind->option << " is given twice" << std::endl;
        } else if (text == nullptr) {
            std::cerr << takes << value_range(*kind) << ", and none is given" << std::endl;
        } else if (!read_decimal(text, true, value)) {
            std::cerr << takes << value_range(*kind) << ", not \"" << text << "\"" << std::endl;
        } else if (const std::string why = value_refusal(*kind, value); !why.empty()) {
            std::cerr << takes << why << std::endl;
        } else {
            once = true;
            values.*kind->member = value;
            continue;
        }
        return false;
    }
    return true;
}

// --adapt E or --adapt=E, alone: its exit status.
int adapt(int argc, char** argv, const problem_values& values) {
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
        return run_adapted(error, values);
    }
    std::cerr << "heat2d: --adapt takes one error, a decimal number from " << least_error << " to "
              << most_error << std::endl;
    return 2;
}

// heat2d --help.
void print_help() {
    std::cout << "usage: heat2d [--refine LEVEL | --adapt ERROR] [--conductivity K] "
                 "[--heat-flux Q] [--convection H] [--ambient T]"
              << std::endl
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
              << std::endl
              << "The problem's values, the design's unless given: --conductivity K (the "
                 "plate's, from "
              << HEAT2D_LEAST_CONDUCTIVITY << " to " << HEAT2D_MOST_CONDUCTIVITY
              << "), --heat-flux Q (into the top edge and the notch, from "
              << HEAT2D_LEAST_HEAT_FLUX << " to " << HEAT2D_MOST_HEAT_FLUX
              << "), --convection H (the right edge's coefficient, from " << HEAT2D_LEAST_CONVECTION
              << " to " << HEAT2D_MOST_CONVECTION
              << ") and --ambient T (the air's temperature, from " << HEAT2D_LEAST_AMBIENT << " to "
              << HEAT2D_MOST_AMBIENT
              << "); each also as --name=value. A run given any writes them beside its files, "
                 "in values.txt (refined_values.txt, adapted_values.txt)."
              << std::endl;
}

} // namespace

// With no arguments the program reads elements.txt in the current folder.
// --help and --version are answered, --refine L solves finer meshes, --adapt E
// refines where the error is, and the problem's values may be given to any
// run; any other argument is refused before anything is written.
int main(int argc, char** argv) {
    print_nan_one_way();
    problem_values values;
    std::vector<char*> rest;
    if (!take_values(argc, argv, values, rest)) {
        return 2;
    }
    argc = static_cast<int>(rest.size());
    argv = rest.data();
    if (argc <= 1) {
        return run_program(values);
    }
    for (int i = 1; i < argc; i++) {
        if (std::strcmp(argv[i], "--adapt") == 0 || starts_with(argv[i], "--adapt=")) {
            return adapt(argc, argv, values);
        }
    }
    if (std::strcmp(argv[1], "--refine") == 0) {
        int level = 0;
        if (argc == 3 && refine_level(argv[2], level)) {
            return run_refined(level, values);
        }
        std::cerr << "heat2d: --refine takes one level, a whole number from 0 to " << most_level
                  << std::endl;
        return 2;
    }
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::cout << "heat2d " << HEAT2D_VERSION << std::endl;
    } else if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        print_help();
    } else {
        const bool asked =
            std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "--version") == 0;
        const char* other = asked ? argv[2] : argv[1];
        std::cerr << "heat2d: \"" << other
                  << "\" is not an option; heat2d reads elements.txt in the current folder "
                     "(heat2d --help lists the options)"
                  << std::endl;
        return 2;
    }
    check_console();
    finish_console();
    return run_status();
}
