#include "mesh/mesh.h"

#include "problem/output.h"
#include "problem/plate.h"
#include "problem/problem.h"

#include <fstream>

void generate_mesh(double** nodes, const problem_values& values) {
    place_nodes(values, nodes);

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
