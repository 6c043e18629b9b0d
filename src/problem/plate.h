// The problem heat2d solves, as one object: its four values and the plate's
// four dimensions, with what follows from them: the nodes, the outline with
// each part's place and words, and the nodes that the rules name.
#pragma once

#include "problem/problem.h"
#include "problem/values.h"

#include <string>

// The two kinds of boundary term; `none` marks a side that carries neither.
enum class condition { none, heat_flux, convection };

// The nodes are numbered column by column from x = 0, bottom to top within a
// column: three below the notch, then three columns of five. The node of a
// column (0 to 3) and a row (0 up).
constexpr int column_node(int column, int row) {
    return column == 0 ? row + 1 : 4 + 5 * (column - 1) + row;
}

// Fills nodes[1..node_count][1..2] with the coordinates of the nodes of the
// plate of values: the half 0 <= x <= width/2 of a width x height plate whose
// top edge has a notch_width x notch_depth notch centred on x = 0.
void place_nodes(const problem_values& values, double** nodes);

// A straight part of the outline: the line x = at (vertical) or y = at, along
// which the other coordinate runs from low to high. Walking the outline with
// the region on the left goes from low to high when `rising`. `needs` is the
// boundary term that the part's sides carry.
struct outline_part {
    const char* name;
    bool vertical;
    double at;
    double low;
    double high;
    bool rising;
    condition needs;
};

// The straight parts of the outline, walked with the region on the left: the
// bottom edge, the right edge, the top edge, the notch's wall, the notch's
// floor and the symmetry line.
inline constexpr int outline_part_count = 6;

class plate {
  public:
    // The plate of values, which plate_refusal takes.
    explicit plate(const problem_values& values = {});

    // The eight numbers: the four values and the plate's dimensions.
    const problem_values& values() const {
        return values_;
    }
    // The coordinates of node n, 1 to node_count.
    double x(int n) const {
        return x_[n];
    }
    double y(int n) const {
        return y_[n];
    }
    // Part p of the outline, 0 to outline_part_count - 1, and its name with
    // its line, as "the top edge (y = 6)".
    const outline_part& part(int p) const {
        return parts[p];
    }
    std::string place(int p) const;
    // The region's area.
    double area() const;
    // The plate's size against the design's: the longer of its half width and
    // its height over the design's (1 for the design's plate). A length that
    // is fixed for the design's plate scales with it.
    double scale() const;

    // The nodes that the rules name: the notch's corner, where the field is
    // singular; the top of the notch's wall, the hottest node of the design's
    // case; the top right corner, where the convection meets the heat flux.
    static constexpr int notch_corner = column_node(1, 2);
    static constexpr int notch_top = column_node(1, 4);
    static constexpr int top_right = column_node(3, 4);

  private:
    problem_values values_;
    double x_[node_count + 1] = {};
    double y_[node_count + 1] = {};
    outline_part parts[outline_part_count];
};
