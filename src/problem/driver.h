// The run: every stage once, in order, then the final pause.
#pragma once

#include "problem/values.h"

// Allocates the tables, generates and exports the mesh, reads elements.txt,
// assembles and exports the system, solves it and reports the temperatures,
// then waits for a key. Input that cannot be used stops the run after its
// message (before the assembly), still through the pause. Returns the exit
// status: 0, or 1 when anything was reported on stderr. The problem's values
// are the design's unless given.
int run_program(const problem_values& values = {});
