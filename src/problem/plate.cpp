#include "problem/plate.h"

#include <algorithm>

#include <sstream>

namespace {

// The five nodes of a full column (columns 1 to 3) starting at node first.
void fill_column(double** nodes, int first, double x, double step_y, double step_top) {
    for (int row = 0; row < 3; row++) {
        nodes[first + row][1] = x;
        nodes[first + row][2] = static_cast<double>(row) * step_y;
    }
    nodes[first + 3][1] = x;
    nodes[first + 3][2] = step_y * 2.0 + step_top;
    nodes[first + 4][1] = x;
    nodes[first + 4][2] = step_y * 2.0 + step_top * 2.0;
}

} // namespace

void place_nodes(const problem_values& d, double** nodes) {
    const grid_spacings s = spacings_of(d);

    // Column 0, below the notch: nodes 1 to 3.
    for (int i = 1; i <= 3; i++) {
        nodes[i][1] = 0.0;
        nodes[i][2] = static_cast<double>(i - 1) * s.row;
    }
    fill_column(nodes, column_node(1, 0), s.notch_column, s.row, s.top_row);
    fill_column(nodes, column_node(2, 0), s.notch_column + s.column, s.row, s.top_row);
    fill_column(nodes, column_node(3, 0), s.notch_column + 2.0 * s.column, s.row, s.top_row);
}

plate::plate(const problem_values& values) : values_(values) {
    double rows[node_count + 1][3] = {};
    double* table[node_count + 1];
    for (int n = 0; n <= node_count; n++) {
        table[n] = rows[n];
    }
    place_nodes(values_, table);
    for (int n = 1; n <= node_count; n++) {
        x_[n] = rows[n][1];
        y_[n] = rows[n][2];
    }
    const double w = values_.width / 2, h = values_.height, wall = values_.notch_width / 2,
                 floor = h - values_.notch_depth;
    const outline_part outline[outline_part_count] = {
        {"the bottom edge", false, 0.0, 0.0, w, true, condition::none},
        {"the right edge", true, w, 0.0, h, true, condition::convection},
        {"the top edge", false, h, wall, w, false, condition::heat_flux},
        {"the notch's wall", true, wall, floor, h, false, condition::heat_flux},
        {"the notch's floor", false, floor, 0.0, wall, false, condition::heat_flux},
        {"the symmetry line", true, 0.0, 0.0, floor, false, condition::none},
    };
    for (int p = 0; p < outline_part_count; p++) {
        parts[p] = outline[p];
    }
}

std::string plate::place(int p) const {
    std::ostringstream text;
    text << parts[p].name << (parts[p].vertical ? " (x = " : " (y = ") << parts[p].at << ")";
    return text.str();
}

double plate::scale() const {
    return std::max(values_.width / 2, values_.height) / std::max(::width / 2, ::height);
}

double plate::area() const {
    const problem_values& d = values_;
    return (d.width / 2) * d.height - (d.notch_width / 2) * d.notch_depth;
}
