// The same problem on finer meshes: heat2d's triangulation split level by level,
// each triangle into four at its sides' midpoints, the system of each level
// assembled into a sparse matrix and solved by conjugate gradients with a
// multigrid V-cycle over the levels below it.
#pragma once

#include "assembly/element.h"

#include <Eigen/SparseCore>

#include <array>
#include <cstddef>
#include <vector>

// A mesh of one level. Nodes are 0-based here (node k is heat2d's node k + 1):
// heat2d's 18 first, in their places, then each level's midpoints. Every
// triangle is counter-clockwise; its side k runs from its corner k to corner
// k + 1 (mod 3) and is edge edges[3t + k].
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
};

// Level 0: heat2d's elements (rows 1-based, node numbers as read, each
// truncated) over its nodes, each side's term by the part of the outline it
// lies on. Precondition: the judge takes the elements in table order.
level_mesh base_mesh(double** elements, double** nodes);

// The next level: each triangle into four, its corners' triangles first (in
// the order of its corners), then the middle one; the midpoint of edge e is
// node parent.node_count() + e. A side on the outline keeps its term.
level_mesh refine(const level_mesh& parent);

// A level's system: K (symmetric, rows in compressed form) and f.
struct level_system {
    Eigen::SparseMatrix<double, Eigen::RowMajor, int> K;
    std::vector<double> f;
};

// Assembles K and f of a mesh straight into K's pattern (a node and its
// neighbours along edges), each element's values from element_values_of.
level_system assemble_level(const level_mesh& mesh);

// What a solve reached.
struct solve_report {
    std::vector<double> T;
    int iterations = 0;
    double residual = 0; // the true relative residual |f - K T| / |f|
    bool converged = false;
};

// Solves the finest of systems (all levels 0 to L, each mesh refined from the
// one before) by conjugate gradients preconditioned by one V-cycle over the
// levels (symmetric Gauss-Seidel, a direct solve at level 0), from the
// previous level's solution prolonged when one is given, to a relative
// residual of tolerance.
solve_report solve_level(const std::vector<level_mesh>& meshes,
                         const std::vector<level_system>& systems, const std::vector<double>& start,
                         double tolerance);

// The coarse level's values at the nodes of the next: midpoints the mean of
// their edge's ends.
std::vector<double> prolonged(const level_mesh& coarse, const std::vector<double>& values);

// The heat that comes in through the flux sides and leaves through the
// convection sides, for a level's temperatures (each exact for T linear on a
// side).
struct heat_balance {
    double in = 0;
    double out = 0;
};
heat_balance balance_of(const level_mesh& mesh, const std::vector<double>& T);

// About how many bytes a level's mesh, system and solve take, levels below it
// included.
double level_bytes(int level);

// One level's line of the table.
struct level_line {
    int level = 0;
    std::size_t triangles = 0, nodes = 0;
    double hottest = 0;
    int hottest_node = 0; // 1-based
    double change = 0;    // the largest at heat2d's nodes from the level before
    heat_balance balance;
    double residual = 0;
    int iterations = 0;
    bool converged = false;
    double seconds = 0;
};

// The error left at one of heat2d's nodes: Richardson extrapolation from the
// last three levels, with the order their changes show where they keep their
// sign and shrink, otherwise with 4/3.
struct error_left {
    double left = 0;
    double order = 0;
    bool observed = false;
};

// The levels of one triangulation, solved one a call.
class refinement {
  public:
    // Level 0 from heat2d's elements (judged valid in table order) and nodes.
    refinement(double** elements, double** nodes);
    // Builds, assembles and solves the next level; its line.
    level_line next();
    // How many levels are solved.
    int levels() const {
        return static_cast<int>(meshes.size());
    }
    const level_mesh& finest() const {
        return meshes.back();
    }
    const std::vector<double>& temperatures() const {
        return T;
    }
    // At heat2d's nodes, from the last three levels (three at least).
    std::vector<error_left> estimate() const;

  private:
    level_mesh base;
    std::vector<level_mesh> meshes;
    std::vector<level_system> systems;
    std::vector<std::vector<double>> at_nodes;
    std::vector<double> T;
};
