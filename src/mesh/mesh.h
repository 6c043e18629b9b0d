// Node generation and mesh export.
#pragma once

#include "problem/plate.h"

// Places the nodes of the plate of values (the design's unless given)
// into nodes[1..node_count][1..2], numbered column by column from x = 0,
// bottom to top within a column, and writes them to mesh.txt ("x y" a line)
// and mesh.geo (point statements).
void generate_mesh(double** nodes, const problem_values& values = {});
