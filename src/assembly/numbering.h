// Numbering a triangulation of the nodes for the boundary table: any order and
// orientation in, heat2d's elements.txt out.
#pragma once

#include "problem/plate.h"

#include <array>
#include <string>
#include <vector>

// Node numbers 1..node_count.
using triangle = std::array<int, 3>;

// A flip of an inner side: old side a-b, new side c-d (c < d).
struct side_flip {
    int a;
    int b;
    int c;
    int d;
};

struct numbering {
    // The faults that keep the triangles from being numbered, as shown (the
    // first ten, then how many more), in the words of the judge with
    // "triangle"; empty when they are numbered.
    std::vector<std::string> faults;
    // The corner flips: made, when asked for; otherwise, when the corners are
    // the only faults, those that would mend them. Empty after any other fault.
    std::vector<side_flip> flips;
    // The triangles in element order, each counter-clockwise and turned so that
    // its sides with a term sit at the local nodes that the table names.
    std::vector<triangle> elements;
};

// Numbers element_count triangles over the plate's nodes:
// - the faults of the tiling are those of judge_triangulation, in input order,
//   with clockwise triangles taken turned (first node kept: a b c as a c b);
// - at the top right corner the table needs one triangle, 13 17 18, and at the
//   top of the notch's wall two. Elsewhere each is a fault naming the flips of
//   inner sides that make it so ("flip side 12-18 to 13-17"); with flip_corner
//   the flips are made instead. Both ways, the flips come back as data;
// - triangles with a side on a part of the outline that carries a term take
//   the table's slots for such triangles in ascending order, in input order,
//   each turned to the first rotation that puts those sides where the table
//   names them; the others take the free slots in input order.
// A valid elements.txt comes back as it is.
// Precondition: triangles holds element_count triangles of node numbers
// 1..node_count.
numbering number_triangles(const std::vector<triangle>& triangles, const plate& problem,
                           bool flip_corner);

// A corner where the boundary table's slots fit only so many triangles: at
// node 18 exactly one, at node 8 two or more (most: element_count).
struct corner_need {
    int node;
    int least;
    int most;
};

// How many triangles meet at such a corner.
struct corner_count_of {
    corner_need need;
    int count;
};

// The corners that the boundary table constrains, and how many of the
// triangles meet at each: the data of the numbering's corner faults.
std::vector<corner_count_of> corner_counts(const std::vector<triangle>& triangles);

// Flips the inner side a-b of a triangulation (triangles counter-clockwise or
// not): its two triangles a b c and b a d become c d ... in their places,
// counter-clockwise. Returns "" when flipped, or why it cannot be: the side is
// not in the triangulation, is on the outline, or its two triangles make a
// quadrilateral that is not convex.
std::string flip_side(std::vector<triangle>& triangles, const plate& problem, int a, int b);
