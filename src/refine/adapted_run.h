// heat2d --adapt E: the shipped problem on elements.txt's triangulation
// refined step by step where the error is, until the estimated error of the
// answer at every one of heat2d's nodes is at most E; a line a step, the
// answer at heat2d's nodes with the error left, and the finest mesh and field
// in adapted_mesh.txt, adapted_elements.txt and adapted_write_.txt.
#pragma once

#include "problem/values.h"

// Reads an error: a decimal number (exponent allowed) from least_error to
// most_error; false for anything else.
bool adapt_error(const char* text, double& error);

// Runs the steps; its exit status (1 when a fault was named: a refused
// triangulation, too little memory, a step that did not converge, steps that
// stalled, a file that could not be written).
int run_adapted(double error, const problem_values& values = {});
