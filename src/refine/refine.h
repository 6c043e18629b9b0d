// The same problem on finer meshes: heat2d's triangulation split level by
// level, each triangle into four at its sides' midpoints, the system of each
// level solved by conjugate gradients with a multigrid V-cycle over the
// levels below it.
#pragma once

#include "mesh/connectivity.h"
#include "problem/plate.h"
#include "refine/estimators.h"
#include "refine/fine_mesh.h"
#include "refine/fine_system.h"
#include "refine/limits.h"
#include "refine/solvers.h"

#include <cstddef>
#include <vector>

// A triangulation of heat2d's nodes (node numbers as read, each truncated)
// over the plate, each side's term by the part of the outline it lies on.
// Precondition: the judge takes the elements in table order.
level_mesh table_mesh(const element_table& elements, const plate& problem);

// About how many bytes a level's mesh, system and solve take, levels below it
// included.
double level_bytes(int level);

// One level's figures.
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
    bool at_rounding = false; // converged by its backward error
    double backward = 0;      // that backward error
    double seconds = 0;
};

// The levels of one triangulation, solved one a call.
class refinement {
  public:
    // Level 0: the given mesh (heat2d's 18 nodes first), solved with the
    // plate's values.
    explicit refinement(level_mesh base, const plate& problem = plate{});
    refinement(const refinement&) = delete;
    refinement& operator=(const refinement&) = delete;
    // Builds, assembles and solves the next level; its figures.
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
    // The level below's field at the finest level's nodes (where the solve
    // started); none at level 0.
    const std::vector<double>& below() const {
        return from_below;
    }
    // At heat2d's nodes, from the last three levels: none before three.
    std::vector<error_left> estimate() const {
        return richardson(at_nodes);
    }

  private:
    level_mesh base;
    plate problem;
    std::vector<level_mesh> meshes;
    std::vector<level_system> systems;
    multigrid solver{meshes, systems};
    std::vector<std::vector<double>> at_nodes;
    std::vector<double> T;
    std::vector<double> from_below;
};
