#include "api/heat2d.h"
#include "problem/driver.h"
#include "problem/numbers.h"
#include "problem/options.h"
#include "problem/status.h"
#include "refine/adapted_run.h"
#include "refine/refined_run.h"

#include <iostream>

// With no arguments the program reads elements.txt in the current folder.
// --help and --version are answered, --refine L solves finer meshes, --adapt E
// refines where the error is, and the problem's values may be given to any
// run; any other argument is refused before anything is written.
int main(int argc, char** argv) {
    print_nan_one_way();
    command given;
    if (!read_options(argc, argv, given)) {
        return 2;
    }
    switch (given.run) {
    case command::plain:
        return run_program(given.values);
    case command::refine:
        return run_refined(given.level, given.values);
    case command::adapt:
        return run_adapted(given.error, given.values);
    case command::version:
        std::cout << "heat2d " << HEAT2D_VERSION << std::endl;
        break;
    case command::help:
        print_help();
        break;
    }
    check_console();
    finish_console();
    return run_status();
}
