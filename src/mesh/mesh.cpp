#include "mesh/mesh.h"

#include "problem/output.h"
#include "problem/problem.h"

#include <fstream>

namespace {

// The five nodes of a full column (columns 2 to 4) starting at node first.
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

void place_nodes(double** nodes) {
    const double step_y = (height - notch_depth) / 2.0;
    const double step_top = notch_depth / 2.0;
    const double step_x = (width - notch_width) / 4.0;

    // Column 1, below the notch: nodes 1 to 3.
    for (int i = 1; i <= 3; i++) {
        nodes[i][1] = 0.0;
        nodes[i][2] = static_cast<double>(i - 1) * step_y;
    }
    fill_column(nodes, 4, notch_width / 2.0, step_y, step_top);
    fill_column(nodes, 9, notch_width / 2.0 + step_x, step_y, step_top);
    fill_column(nodes, 14, notch_width / 2.0 + 2.0 * step_x, step_y, step_top);
}

void generate_mesh(double** nodes) {
    place_nodes(nodes);

    std::ofstream mesh_file;
    const int mesh_file_error = open_output(mesh_file, "mesh.txt");
    for (int i = 1; i <= node_count; i++) {
        mesh_file << nodes[i][1] << " " << nodes[i][2] << std::endl;
    }

    std::ofstream mesh_file_point;
    const int mesh_file_point_error = open_output(mesh_file_point, "mesh.geo");
    for (int i = 1; i <= node_count; i++) {
        mesh_file_point << "Point(" << i << ")={" << nodes[i][1] << "," << nodes[i][2] << "," << 0
                        << "," << 15 << "};" << std::endl;
    }

    close_output(mesh_file_point, mesh_file_point_error, "mesh.geo");
    close_output(mesh_file, mesh_file_error, "mesh.txt");
}
