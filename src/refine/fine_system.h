// The system of a fine mesh, assembled from the one element routine, and the
// heat that its solution lets in and out.
#pragma once

#include "refine/fine_mesh.h"

#include <Eigen/SparseCore>

#include <vector>

// A mesh's system: K (symmetric, rows in compressed form) and f.
struct level_system {
    Eigen::SparseMatrix<double, Eigen::RowMajor, int> K;
    std::vector<double> f;
};

// Assembles K and f of a mesh straight into K's pattern (a node and its
// neighbours along edges), each element's values from element_values_of.
level_system assemble_level(const level_mesh& mesh, const problem_values& values);

// K x.
std::vector<double> times(const level_system& system, const std::vector<double>& x);

// The heat that comes in through the flux sides and leaves through the
// convection sides, for a mesh's temperatures (each exact for T linear on a
// side).
struct heat_balance {
    double in = 0;
    double out = 0;
};
heat_balance balance_of(const level_mesh& mesh, const std::vector<double>& T,
                        const problem_values& values);
