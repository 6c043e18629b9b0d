// The region's outline, and the judge of a triangulation against the region
// and the boundary table.
#pragma once

#include "assembly/element.h"
#include "problem/plate.h"
#include "problem/status.h"

#include <string>
#include <vector>

// The part of the outline of which a-b is a side (both nodes on it, no node
// between them), 0 to outline_part_count - 1, or -1. forward tells whether a
// to b runs with the region on the left.
int outline_side(const plate& problem, int a, int b, bool& forward);

// The sides of the outline, walked with the region on the left from node 1:
// each from a to b, on its part.
struct outline_step {
    int a;
    int b;
    int part;
};
std::vector<outline_step> outline_walk(const plate& problem);

// The term that side a-b needs: the one of its part of the outline, or
// condition::none when it is not a side of the outline.
condition outline_term(const plate& problem, int a, int b);

// The signed area of the triangle o a b of the plate's nodes: positive when
// they turn left. Taken from o's corner, so that a triangle with two corners
// on one grid line of any plate (a shared side, a column, a row) has the sign
// that its third corner gives it, where the assembly's expanded form can
// round a flat triangle into a sliver of either sign; on the design's plate,
// whose coordinates are halves, both are exact and equal.
double signed_area_of(const plate& problem, int o, int a, int b);

// "12-18": the side from node a to node b, as the messages name it.
std::string side_name(int a, int b);

// Faults of a triangulation, one line each, with what each line names.
struct faults {
    std::vector<std::string> lines;
    std::vector<mentions> named;
    void add(std::string line, mentions named_things = {});
};

// Judges the triangles of elements[1..element_count] (node numbers truncated,
// as the assembly takes them) over the plate's nodes and outline, and returns its faults, one
// line each with what it names (the elements of a triangle's or an overlap's
// line, a side, a node), in a fixed order (none: a valid triangulation):
// - every triangle's three nodes are not on one line;
// - every node is a corner of some triangle;
// - no two triangles overlap (one line a pair, before the faults of sides);
// - the triangles tile the region: each side of the outline belongs to exactly
//   one triangle, every other side to two that list it in opposite directions,
//   and the areas add up to the region's.
// In table order (heat2d's elements.txt), also:
// - every triangle is counter-clockwise;
// - each heat-flux side of the boundary table is a side of the outline on the
//   top edge, the notch's wall or its floor, and each convection side one on
//   the right edge, and each of those sides of the outline gets its term
//   exactly once.
// Otherwise (a tool's input, in any order) a clockwise triangle is taken
// turned. `word` names a triangle in the lines: "element" or "triangle".
// No text is made until a fault is found.
// Precondition: every node number truncates to 1..node_count.
faults judge_triangulation(double** elements, const plate& problem, const char* word,
                           bool table_order);

// The lines that are shown of faults: the first ten, then "and N more faults
// in the triangulation".
std::vector<std::string> shown_faults(const std::vector<std::string>& faults);

// The same of faults with what each line names: the last line of a cut list
// names the count of faults it stands for.
faults shown_faults(const faults& found);

// Reports the shown faults of heat2d's elements (table order, "element") on
// stderr, which fails the run; a valid triangulation gives no line.
void check_triangulation(double** elements, const plate& problem);
