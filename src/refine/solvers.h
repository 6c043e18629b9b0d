// The solvers of the fine meshes: a sparse Cholesky factorisation (with a
// fill-reducing order) for a mesh of its own, and conjugate gradients
// preconditioned by a multigrid V-cycle for uniform levels above a mesh.
#pragma once

#include "refine/fine_system.h"

#include <Eigen/SparseCholesky>

#include <memory>
#include <vector>

// What a solve reached. A solve converges when its true relative residual
// reaches the tolerance, or, where rounding keeps it above (K ill conditioned,
// as when k / h is large), when the residual no longer falls and the backward
// error |f - K T| / (|K| |T| + |f|) is at rounding's level (|K| the largest
// row sum): T then solves a system within rounding of K T = f.
struct solve_report {
    std::vector<double> T;
    int iterations = 0;
    double residual = 0; // the true relative residual |f - K T| / |f| (0 for no load)
    bool converged = false;
    bool at_rounding = false; // converged by the backward error
    double backward = 0;      // the backward error, where the residual stayed above the tolerance
};

// A power of two that brings a load's largest entry to between 1 and 2 when
// it is so small (below 2^-300) that the squares in a solve's norms and inner
// products could underflow; otherwise 1. A linear problem solved for its load
// times the scale has its answer times the scale, exactly.
double load_scale(double largest);

// The largest |value|, 0 for none.
double largest_magnitude(const std::vector<double>& values);

// K = L D L^T of one system, factorised once.
class direct_solver {
  public:
    explicit direct_solver(const level_system& system);
    // K x = b.
    std::vector<double> solve(const std::vector<double>& b) const;
    // From start (any vector of the system's size, or empty for zero), the
    // correction for its residual, repeated while the residual falls and is
    // above tolerance. A zero load gives the zero field at once.
    solve_report solve_from(const level_system& system, const std::vector<double>& start,
                            double tolerance) const;

  private:
    Eigen::SimplicialLDLT<Eigen::SparseMatrix<double>> factors;
};

// Conjugate gradients on the finest of systems[0..], each mesh the uniform
// refinement of the one before, preconditioned by one V-cycle over them
// (symmetric Gauss-Seidel, the direct solver at the coarsest). The meshes and
// systems are the caller's, and may grow between solves; the coarsest's
// factorisation is made at the first solve, or given, and kept.
class multigrid {
  public:
    multigrid(const std::vector<level_mesh>& meshes, const std::vector<level_system>& systems,
              std::shared_ptr<const direct_solver> coarsest = nullptr);
    // Solves the finest system from start (prolonged from the level below, or
    // empty) to a true relative residual of tolerance, or to rounding's level
    // where that cannot be reached. A zero load gives the zero field at once.
    solve_report solve(const std::vector<double>& start, double tolerance);

  private:
    void cycle(std::size_t level, const std::vector<double>& b, std::vector<double>& x) const;
    const std::vector<level_mesh>& meshes;
    const std::vector<level_system>& systems;
    std::shared_ptr<const direct_solver> coarsest;
    // Each level's residual, its load restricted from the level above and the
    // correction solved for it.
    mutable std::vector<std::vector<double>> residuals, loads, corrections;
};
