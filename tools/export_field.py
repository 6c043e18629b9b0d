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

# The scripts' folder is the package's own: no byte code is written there.
sys.dont_write_bytecode = True

from heat2d_problem import command, replaced, run_folder_tool

OUTPUTS = [("temperature.vtu", "vtu"), ("temperature.msh", "gmsh22")]


def write(folder, run):
    import meshio
    import numpy

    points = numpy.array([[x, y, 0.0] for x, y in zip(run.xs, run.ys)])
    cells = [("triangle", numpy.array(run.triangles, dtype=numpy.int64) - 1)]  # meshio's points from 0
    field = {"temperature": numpy.array(run.temperatures)}
    count = len(run.triangles)
    numbers = {"element": [numpy.arange(1, count + 1, dtype=numpy.int64)]}
    # Gmsh's element tags are the element numbers; all lie in one surface.
    one = [numpy.ones(count, dtype=numpy.int64)]
    tags = {"gmsh:physical": one, "gmsh:geometrical": one}
    meshes = {name: meshio.Mesh(points, cells, point_data=field,
                                cell_data=tags if file_format == "gmsh22" else numbers)
              for name, file_format in OUTPUTS}
    formats = dict(OUTPUTS)

    def write_one(temporary, path):
        name = os.path.basename(path)
        meshio.write(temporary, meshes[name], file_format=formats[name], binary=formats[name] == "vtu")

    # Both files replaced together: the old pair stays whole when either cannot be written.
    return replaced([os.path.join(folder, name) for name, _ in OUTPUTS], write_one)


def main(arguments):
    return run_folder_tool("export", __doc__, arguments, write, "meshio", nan=True)


if __name__ == "__main__":
    sys.exit(command("export", main, sys.argv[1:]))
