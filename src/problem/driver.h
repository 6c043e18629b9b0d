// The run: every stage once, in order, then the final pause.
#pragma once

// Allocates the tables, generates and exports the mesh, reads elements.txt,
// assembles and exports the system, solves it and reports the temperatures,
// then waits for a key. Input that cannot be used stops the run after its
// message (before the assembly), still through the pause. Returns the exit
// status: 0, or 1 when anything was reported on stderr.
int run_program();
