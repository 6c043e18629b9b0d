#!/usr/bin/python3
"""Writes the temperature field of a finished heat2d run for the viewers.

Usage: heat2d-export [RUN_FOLDER]

Reads mesh.txt, elements.txt and write_.txt from RUN_FOLDER (the current
folder when none is given) and writes there temperature.vtu (open it with
`paraview temperature.vtu`) and temperature.msh (`gmsh temperature.msh`): the
18 nodes, the 20 triangles as heat2d reads them, the node data "temperature"
and, in the .vtu, the cell data "element", each triangle's number.
"""

import os
import sys

from heat2d_problem import run_folder_tool

OUTPUTS = [("temperature.vtu", "vtu"), ("temperature.msh", "gmsh22")]


def write(folder, xs, ys, triangles, temperatures):
    import meshio
    import numpy

    points = numpy.array([[x, y, 0.0] for x, y in zip(xs, ys)])
    cells = [("triangle", numpy.array(triangles, dtype=numpy.int64))]
    field = {"temperature": numpy.array(temperatures)}
    numbers = {"element": [numpy.arange(1, len(triangles) + 1, dtype=numpy.int64)]}
    # Gmsh's element tags are the element numbers; all lie in one surface.
    one = [numpy.ones(len(triangles), dtype=numpy.int64)]
    tags = {"gmsh:physical": one, "gmsh:geometrical": one}
    written = []
    for name, file_format in OUTPUTS:
        path = os.path.join(folder, name)
        meshio.write(path, meshio.Mesh(points, cells, point_data=field,
                                       cell_data=tags if file_format == "gmsh22" else numbers),
                     file_format=file_format, binary=file_format == "vtu")
        written.append(path)
    return written


def main(arguments):
    return run_folder_tool("export", __doc__, arguments, write, "meshio", nan=True)


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
