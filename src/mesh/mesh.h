// Node generation and mesh export.
#pragma once

// Fills nodes[1..node_count][1..2] with the coordinates of the 18 nodes,
// numbered column by column from x = 0, bottom to top within a column.
void place_nodes(double** nodes);

// Places the nodes as above and writes them to mesh.txt ("x y" a line) and
// mesh.geo (point statements).
void generate_mesh(double** nodes);
