// How far a fine mesh's answer is from the exact one: Richardson's estimate at
// heat2d's nodes from a sequence of uniform levels, and the residual
// indicator of each triangle, with the marking that the adaptive steps make
// from it.
#pragma once

#include "refine/fine_mesh.h"

#include <vector>

// The error left at one of heat2d's nodes: Richardson extrapolation from the
// last three levels, with the order their changes show where they keep their
// sign and shrink, otherwise with assumed_order.
struct error_left {
    double left = 0;
    double order = 0;
    bool observed = false;
};

// From the values at heat2d's nodes of each level solved, in order: an
// estimate for each node, or none (an empty list) before three levels.
std::vector<error_left> richardson(const std::vector<std::vector<double>>& at_nodes);

// The data of a problem on a mesh: the problem's values (the conductivity,
// the heat flux on the flux sides, the convection coefficient and the air's
// temperature on the convection sides), and a load spread evenly over some
// triangles (its density on each, or none).
struct problem_data {
    problem_values values;
    std::vector<double> density;
};

// The residual indicator of each triangle for the linear field T, squared:
// eta_T^2 = h_T^2 |s|^2 |T| for a spread load s, plus over its sides E of
// |E| ||R_E||^2_E, with R_E half the jump of k dT/dn across an inner side,
// q - k dT/dn on a flux side (n outward), h (T - air) + k dT/dn on a
// convection side and k dT/dn on an insulated one. at: edge_triangles(mesh).
std::vector<double> indicators(const level_mesh& mesh, const std::vector<int>& at,
                               const std::vector<double>& T, const problem_data& data);

// The load of the dual problem whose solution weights the indicators toward
// heat2d's nodes: a unit load at each, spread over the triangles whose
// centroid lies within radius of it (at least those around it). Its density
// on each triangle goes into data.density; f is its load vector.
std::vector<double> node_loads(const level_mesh& mesh, double radius, problem_data& data);

// Dörfler's marking: the fewest triangles, largest indicators first (equal
// ones by triangle number), whose indicators add up to at least share of the
// total: 1 for a marked triangle, 0 for another.
std::vector<char> marked_by_share(const std::vector<double>& indicators, double share);
