// The check of a triangulation against the region and the boundary table.
#pragma once

// Judges the triangles of elements (node numbers truncated, as the assembly
// takes them) over the node table:
// - every triangle is counter-clockwise, its three nodes not on one line;
// - every node is a corner of some triangle;
// - the triangles tile the region: each side of the outline belongs to exactly
//   one triangle, every other side to two that list it in opposite directions,
//   and the areas add up to the region's;
// - each heat-flux side of the boundary table is a side of the outline on the
//   top edge, the notch's wall or its floor, and each convection side one on
//   the right edge;
// - each of those sides of the outline gets its term exactly once.
// Each fault found is reported as a line on stderr (the first ten, then how
// many more), which fails the run; a valid triangulation gives no line.
// Precondition: every node number truncates to 1..node_count.
void check_triangulation(double** elements, double** nodes);
