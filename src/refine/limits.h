// The bounds of the finer meshes and why each refusal is made, in one place.
// The console words each refusal its own way; the API hands out the reasons.
#pragma once

#include "api/heat2d.h"

#include <string>

// The last uniform level: level 12 has 335,544,320 triangles, about 100 GB.
inline constexpr int most_level = HEAT2D_LAST_LEVEL;

// The error asked of the adaptive steps: 1e-6 at the least (some 1e7 nodes;
// 1e-8 would take some 1e8), 1 at the most (the 20 triangles' own error is
// about 0.27).
inline constexpr double least_error = HEAT2D_LEAST_ERROR;
inline constexpr double most_error = HEAT2D_MOST_ERROR;

// The adaptive steps stall when the largest estimate has not fallen for this
// many steps in a row.
inline constexpr int stall_steps = 5;

// Dörfler's bulk criterion: the marked triangles carry at least this share of
// the total indicator.
inline constexpr double marked_share = 0.5;

// Every solve stops at this true relative residual |f - K T| / |f|.
inline constexpr double solve_tolerance = 1e-10;

// Or, where rounding keeps the residual above it (K's condition times the
// double's precision past the tolerance: k / h above about 1e4 at some
// levels), once it no longer falls, at a backward error |f - K T| / (|K| |T|
// + |f|) of at most this: 45 times the double's precision, where such solves
// stop at 2e-17 to 8e-17 (1,000 sets of values, levels 0 to 3).
inline constexpr double rounding_level = 1e-14;

// Conjugate gradients give up after this many iterations: the V-cycle needs a
// few a level, so reaching it means the solve has failed, unless rounding is
// what keeps the residual up.
inline constexpr int most_iterations = 100;

// The recurrence's residual drifts from the true one: iterating to a quarter
// of the tolerance brings the true one under it, mostly the first time.
inline constexpr double recurrence_margin = 4;

// The order in h assumed at a node whose last changes do not show one: the
// notch's corner (a 270 degree turn) limits the error at the nodes to about
// h^(4/3) under uniform refinement.
inline constexpr double assumed_order = 4.0 / 3;

// Why a step or level is not taken.
enum class refusal_reason { none, past_the_last, not_converged };

// The reason in a sentence of its own, for the API: "level 13 is past the last, 12".
std::string refusal_text(refusal_reason reason, const std::string& what);

// "12 MB": bytes in whole megabytes of 2^20 bytes, rounded up.
std::string megabytes(double bytes);

// Memory weighed, in the words of every front end: "level 12 needs about
// 95000 MB, more than the 2000 MB available".
std::string memory_words(const std::string& what, double needed, double available);

// The stall rule's refusal: "the steps stalled: the estimated error has not
// fallen for 5 steps, and is 1.2e-05 at step 30".
std::string stall_words(int step, double estimate);
