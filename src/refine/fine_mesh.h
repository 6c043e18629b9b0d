// A triangle mesh of the region finer than heat2d's 20 triangles, and the two
// ways it is refined: every triangle split into four (uniform levels) and
// newest-vertex bisection of chosen triangles (adaptive steps).
#pragma once

#include "assembly/element.h"

#include <cstddef>
#include <functional>
#include <vector>

// Nodes are 0-based (node k is heat2d's node k + 1): heat2d's 18 first, in
// their places, then the midpoints each refinement adds. Every triangle is
// counter-clockwise; its side k runs from its corner k to corner k + 1 (mod 3)
// and is edge edges[3t + k].
struct level_mesh {
    std::vector<double> x, y;
    std::vector<int> triangles;   // 3 node indices a triangle
    std::vector<int> edges;       // 3 edge indices a triangle
    std::vector<int> ends;        // 2 node indices an edge
    std::vector<condition> kinds; // the term an edge carries (on the outline)
    std::size_t triangle_count() const {
        return triangles.size() / 3;
    }
    std::size_t node_count() const {
        return x.size();
    }
    std::size_t edge_count() const {
        return kinds.size();
    }
};

// The term that the side between two nodes (0-based) carries.
using term_of_side = std::function<condition(int a, int b)>;

// A mesh of the given nodes and counter-clockwise triangles (3 node indices
// each), each edge's term given by term.
level_mesh mesh_of(std::vector<double> x, std::vector<double> y, std::vector<int> triangles,
                   const term_of_side& term);

// The next uniform level: each triangle into four, its corners' triangles
// first (in the order of its corners), then the middle one; the midpoint of
// edge e is node parent.node_count() + e. A side on the outline keeps its term.
level_mesh refine(const level_mesh& parent);

// The coarse level's values at the nodes of the next uniform level: midpoints
// the mean of their edge's ends.
std::vector<double> prolonged(const level_mesh& coarse, const std::vector<double>& values);

// The two triangles of each edge, -1 for the second of an edge on the outline.
std::vector<int> edge_triangles(const level_mesh& mesh);

// The mesh with each triangle's longest side made its side 0 (its corners
// turned, counter-clockwise still): the side that bisection splits first.
level_mesh longest_side_first(const level_mesh& mesh);

// Newest-vertex bisection. Each marked triangle is split by its side 0 and both
// halves again by theirs, so that all its sides are halved; the triangles
// around them are split as far as keeps the mesh conforming (no node inside a
// side). A triangle a b c is split at the midpoint m of a-b into c a m and
// b c m: each half's side 0 faces its newest node m. The nodes keep their
// numbers, each split edge's midpoint is added after them, and a half of a
// side on the outline keeps its term. *added_from, when given, receives the
// two ends of the edge that each new node halves.
level_mesh bisect(const level_mesh& mesh, const std::vector<char>& marked,
                  std::vector<int>* added_from = nullptr);

// The smallest angle of any triangle, in degrees.
double smallest_angle(const level_mesh& mesh);

// The shortest edge that ends at a node.
double shortest_side_at(const level_mesh& mesh, int node);
