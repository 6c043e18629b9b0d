// heat2d --refine L: the shipped problem on elements.txt's triangulation split
// L times, levels 0 to L solved in turn, a table of how the answer changes,
// the error left at heat2d's nodes, and the finest level's mesh and field in
// refined_mesh.txt, refined_elements.txt and refined_write_.txt.
#pragma once

#include "problem/values.h"
#include "refine/limits.h"

// Reads a level: a whole number from 0 to most_level; false for anything else.
bool refine_level(const char* text, int& level);

// Runs levels 0 to level; its exit status (1 when a fault was named: a
// refused triangulation, too little memory, a level that did not converge, a
// file that could not be written).
int run_refined(int level, const problem_values& values = {});
