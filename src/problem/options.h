// The console's options, one table read once: the run they ask for, with the
// problem's values.
#pragma once

#include "problem/values.h"

// What a command line asks for.
struct command {
    enum { plain, refine, adapt, help, version } run = plain;
    int level = 0;    // --refine's
    double error = 0; // --adapt's
    problem_values values;
};

// Reads the arguments (argv[0] the program): every option that takes a value
// as --name value or --name=value. False after the one line on stderr that
// refuses them.
bool read_options(int argc, char** argv, command& given);

// heat2d --help, made from the table.
void print_help();
