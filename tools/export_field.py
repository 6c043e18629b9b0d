#!/usr/bin/python3
"""Writes the temperature field of a finished heat2d run for the viewers.

Usage: heat2d-export [RUN_FOLDER]

Reads mesh.txt, elements.txt and write_.txt from RUN_FOLDER (the current
folder when none is given) and writes there temperature.vtu (open it with
`paraview temperature.vtu`) and temperature.msh (`gmsh temperature.msh`): the
18 nodes, the 20 triangles as heat2d reads them, the node data "temperature"
and, in the .vtu, the cell data "element", each triangle's number. When the
folder holds the finest level of heat2d --refine (refined_mesh.txt,
refined_elements.txt, refined_write_.txt), it writes that field too, as
refined_temperature.vtu and refined_temperature.msh; likewise the finest mesh
of heat2d --adapt (adapted_*.txt), as adapted_temperature.vtu and
adapted_temperature.msh. Files older than elements.txt are another
triangulation's: their field is left out, and a line says so. A .vtu whose
field was solved with values other than the design's (a run given them: its
values.txt, refined_values.txt or adapted_values.txt) carries them as node
data of one value each: conductivity, heat_flux, convection_coeff and
ambient_temperature.
"""

import os
import sys

# The scripts' folder is the package's own: no byte code is written there.
sys.dont_write_bytecode = True

from heat2d_problem import command, design_values, replaced, run_folder_tool, values_of

OUTPUTS = [("vtu", "vtu"), ("msh", "gmsh22")]


def meshes(run, stem):
    """{file name: (meshio mesh, format)} of a run's field."""
    import meshio
    import numpy

    points = numpy.column_stack([run.xs, run.ys, numpy.zeros(len(run.xs))])
    cells = [("triangle", numpy.array(run.triangles, dtype=numpy.int64) - 1)]  # meshio's points from 0
    field = {"temperature": numpy.array(run.temperatures)}
    count = len(run.triangles)
    numbers = {"element": [numpy.arange(1, count + 1, dtype=numpy.int64)]}
    # Gmsh's element tags are the element numbers; all lie in one surface.
    one = [numpy.ones(count, dtype=numpy.int64)]
    tags = {"gmsh:physical": one, "gmsh:geometrical": one}
    # The problem's values the field was solved with, when they are not the
    # design's: in the .vtu as node data of one value each (its writer keeps no
    # field data); the .msh keeps one view, the temperature.
    given = values_of(run)
    values = {} if given == design_values() else {name: numpy.full(len(run.xs), v) for name, v in given.items()}
    return {f"{stem}.{suffix}": (meshio.Mesh(points, cells, point_data=field if file_format == "gmsh22" else field | values,
                                             cell_data=tags if file_format == "gmsh22" else numbers), file_format)
            for suffix, file_format in OUTPUTS}


def write(folder, run, fine):
    import meshio

    made = meshes(run, "temperature")
    for stem, field in fine.items():
        made.update(meshes(field, f"{stem}_temperature"))

    def write_one(temporary, path):
        mesh, file_format = made[os.path.basename(path)]
        meshio.write(temporary, mesh, file_format=file_format, binary=file_format == "vtu")

    # All replaced together: the old files stay whole when any cannot be written.
    return replaced([os.path.join(folder, name) for name in made], write_one)


def main(arguments):
    return run_folder_tool("export", __doc__, arguments, write, "meshio", nan=True)


if __name__ == "__main__":
    sys.exit(command("export", main, sys.argv[1:]))
