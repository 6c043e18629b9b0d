// Adaptive refinement: each step solves a mesh, gives each triangle an
// indicator of its error, marks the triangles that carry half of the total
// and bisects them; the steps end with the last mesh split once more, each
// triangle into four, and the answer at heat2d's nodes extrapolated from the
// two.
#pragma once

#include "problem/plate.h"
#include "refine/estimators.h"
#include "refine/fine_mesh.h"
#include "refine/fine_system.h"
#include "refine/solvers.h"

#include <cmath>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

// One step's figures.
struct adapt_line {
    int step = 0;
    std::size_t triangles = 0, nodes = 0;
    double smallest_side = 0; // of the sides at the notch's corner
    double eta = 0;           // the total indicator: the energy error's estimate
    double hottest = 0;
    int hottest_node = 0; // 1-based
    double node_8 = 0;    // the temperature at the top of the notch's wall
    double change = 0;    // the largest at heat2d's nodes from the step before
    heat_balance balance;
    double residual = 0; // the larger of the step's two solves
    int iterations = 0;
    bool converged = false;
    bool at_rounding = false;   // either solve converged by its backward error
    double backward = 0;        // the larger backward error of such a solve
    double estimate = INFINITY; // the largest error left in the answer at heat2d's nodes
    double seconds = 0;
};

// The answer at heat2d's nodes after a step: from its mesh and the same split
// once more, each triangle into four.
struct adapt_answer {
    std::vector<double> T;     // the answer
    std::vector<double> error; // the error left in it, one bound at every node (none at step 0)
    std::vector<double> order; // the order in h it was extrapolated with: 2
};

// How the answer and its error are obtained, in words.
extern const char* const adapt_obtained;

// The steps stall when the largest estimate has not fallen below its least
// for stall_steps steps in a row (an infinite one, before there is any, does
// not count).
class stall_rule {
  public:
    // Whether the steps have stalled, with this step's estimate.
    bool stalled(double estimate);

  private:
    double least = INFINITY;
    int not_fallen = 0;
};

// The steps of one triangulation, one a call.
class adaptation {
  public:
    // Step 0 solves the given mesh (heat2d's 18 nodes first), with the
    // plate's values.
    explicit adaptation(const level_mesh& base, const plate& problem = plate{});
    adaptation(const adaptation&) = delete;
    adaptation& operator=(const adaptation&) = delete;
    // Bisects the triangles the last step marked (none before step 0),
    // assembles and solves the mesh, solves it split once more for the answer
    // and its error, and indicates and marks its triangles.
    adapt_line next();
    // About how many bytes the next step takes, and the nodes it may have.
    double next_bytes() const;
    double next_nodes() const;
    int steps() const {
        return static_cast<int>(answers.size());
    }
    // Whether the steps have stalled by the stall rule, at the last step: the
    // steps end there, unless its estimate is the error asked.
    bool stalled() const {
        return stalled_;
    }
    const adapt_answer& answer() const {
        return answers.back();
    }
    // The newest step's mesh, its temperatures, its triangles' indicators
    // (eta_T) and which of them are marked for the next step.
    const level_mesh& mesh() const {
        return meshes[0];
    }
    const std::vector<double>& temperatures() const {
        return T;
    }
    const std::vector<double>& indicators() const {
        return eta;
    }
    const std::vector<char>& marked() const {
        return marks;
    }
    // The same mesh split once, and its temperatures: the finest solved.
    const level_mesh& split_mesh() const {
        return meshes[1];
    }
    const std::vector<double>& split_temperatures() const {
        return T_split;
    }

  private:
    // The step's line, its estimate that of the newest answer.
    adapt_line step_line(const solve_report& solved, const solve_report& fine) const;
    const problem_values& values() const {
        return problem.values();
    }
    plate problem;
    std::vector<level_mesh> meshes; // the step's mesh, then the same split
    std::vector<level_system> systems;
    std::vector<double> T, T_split, eta;
    std::vector<char> marks;
    std::vector<adapt_answer> answers;   // one a step
    std::vector<double> split_nodes;     // the split mesh's nodes, one a step
    std::vector<std::vector<double>> at; // the step's temperatures at heat2d's nodes
    stall_rule stall;
    bool stalled_ = false;
};

// About how many bytes a step on a mesh of this many nodes takes, its split
// mesh included.
double adapt_bytes(double nodes);

// The most nodes a step's mesh may have in that many bytes.
double adapt_nodes(double bytes);
