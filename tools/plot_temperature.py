#!/usr/bin/python3
"""Draws the temperature field of a finished heat2d run.

Usage: heat2d-plot [RUN_FOLDER]

Reads mesh.txt, elements.txt and write_.txt from RUN_FOLDER (the current
folder when none is given) and writes temperature.png there. The temperature
is interpolated linearly over each triangle, as the finite element solution
is, with labelled isotherms, the triangles, the node numbers and the edges
that carry the boundary conditions. When the folder holds the finest level of
heat2d --refine, it draws that field too, as refined_temperature.png, its
triangles' lines left out past a few thousand; and the finest mesh of
heat2d --adapt as adapted_temperature.png, with its mesh and a second picture,
adapted_corner.png, of the notch's corner, where the steps graded
the mesh. Files older than elements.txt are another triangulation's: their
field is left out, and a line says so. The legend and the scale name the
problem's values the field was solved with: the design's, or those that the
run that wrote the field was given (values.txt, refined_values.txt,
adapted_values.txt).
"""

import os
import sys

# The scripts' folder is the package's own: no byte code is written there.
sys.dont_write_bytecode = True

from heat2d_problem import (InputError, command, design_values, extent, heat2d_core, replaced, run_folder_tool,
                            values_of)


# Past this many triangles their lines would hide the field (an adapted mesh's
# are drawn all the same: where they crowd is the picture).
MOST_LINES = 5000
# The window of the corner's picture: the notch's corner and, about it, this
# many times its shortest side (the steps halve it again and again: the
# grading looks the same at any zoom).
CORNER_SIDES = 64


def draw(folder, run, fine):
    pictures = [("temperature.png", run, False)] + [(f"{stem}_temperature.png", field, False)
                                                    for stem, field in fine.items()]
    if "adapted" in fine:
        pictures.append(("adapted_corner.png", fine["adapted"], True))
    for _, field, _ in pictures:
        lowest, highest = min(field.temperatures), max(field.temperatures)
        if max(-lowest, highest) > 1e100:  # beyond what the scale and the isotherms can span
            raise InputError(f"{os.path.join(folder, 'write_.txt')}: temperatures from {lowest:g} to {highest:g} "
                             "are too large to draw")
    figures = {name: figure_of(field, run.triangles, corner, every_line=field is fine.get("adapted"))
               for name, field, corner in pictures}
    return replaced([os.path.join(folder, name) for name, _, _ in pictures],
                    lambda temporary, path: figures[os.path.basename(path)].savefig(temporary, format="png"))


def figure_of(run, elements=None, corner=False, every_line=False):
    """The picture of a run's field, on the Agg canvas; the sides that carry a
    term are those the boundary table gives elements (the run's own triangles
    when none are given). corner: only the square about the notch's corner; every_line:
    the triangles' lines however many there are."""
    import matplotlib.tri as mtri
    import numpy
    from matplotlib.figure import Figure
    from matplotlib.ticker import MaxNLocator

    xs, ys, temperatures = run.xs, run.ys, numpy.asarray(run.temperatures)
    lowest, highest = temperatures.min(), temperatures.max()
    mesh = mtri.Triangulation(xs, ys, numpy.array(run.triangles) - 1)  # matplotlib's points from 0
    figure = Figure(figsize=(6.4, 8), dpi=120)
    # Room below for the legend: one drawing, where a tight box would draw twice.
    figure.subplots_adjust(left=0.18 if corner else 0.1, right=0.98, bottom=0.1, top=0.92)
    axes = figure.add_subplot()
    shading = axes.tripcolor(mesh, temperatures, shading="gouraud", cmap="inferno")
    values = values_of(run)
    figure.colorbar(shading, ax=axes, label=f"temperature (conductivity {values['conductivity']:g})")
    if highest > lowest:
        levels = numpy.linspace(lowest, highest, 12)[1:-1]
        isotherms = axes.tricontour(mesh, temperatures, levels=levels, colors="white",
                                    linewidths=0.8)
        axes.clabel(isotherms, fmt="%.1f", fontsize=7)
    if len(run.triangles) <= MOST_LINES or every_line:
        axes.triplot(mesh, color="0.6" if len(run.triangles) <= MOST_LINES else "0.3",
                     linewidth=0.5 if len(run.triangles) <= MOST_LINES or corner else 0.1)

    labelled = set()
    flux, h, ambient = values["heat_flux"], values["convection_coeff"], values["ambient_temperature"]
    for term, a, b in heat2d_core.boundary_sides(run.triangles if elements is None else elements):
        a, b = a - 1, b - 1
        flux_side = term == heat2d_core.Kind.HEAT_FLUX
        label = f"heat flux {flux:g}" if flux_side else f"convection {h:g} to {ambient:g}"
        axes.plot([xs[a], xs[b]], [ys[a], ys[b]], color="tab:red" if flux_side else "tab:blue",
                  linewidth=4, solid_capstyle="butt", label=None if label in labelled else label)
        labelled.add(label)

    for index, (x, y) in enumerate(zip(xs[:heat2d_core.node_count()], ys)):
        axes.annotate(str(index + 1), (x, y), textcoords="offset points", xytext=(4, 4),
                      fontsize=8, color="black",
                      bbox={"boxstyle": "round,pad=0.15", "fc": "white", "ec": "none",
                            "alpha": 0.8})

    pad = 0.4 * (extent(values) / extent(design_values()))  # the plate's margin, scaled
    if not corner:
        axes.set_xlim(min(xs) - pad, max(xs) + pad)
        axes.set_ylim(min(ys) - pad, max(ys) + pad)
    else:
        corner = heat2d_core.node("notch_corner")
        x, y = xs[corner - 1], ys[corner - 1]
        at = numpy.array(run.triangles)
        at = at[(at == corner).any(axis=1)] - 1
        half = CORNER_SIDES * min(numpy.hypot(xs[n] - x, ys[n] - y) for n in at.flatten() if n != corner - 1)
        axes.set_xlim(x - half, x + half)
        axes.set_ylim(y - half, y + half)
        for axis in (axes.xaxis, axes.yaxis):
            axis.set_major_locator(MaxNLocator(4))
    axes.set_aspect("equal")
    axes.set_xlabel("x")
    axes.set_ylabel("y")
    if corner:
        axes.set_title(f"Node {corner}, the notch's corner: the mesh graded toward it\n"
                       f"({len(run.triangles):,} triangles in all)", pad=12)
    else:
        axes.set_title(f"Temperature: lowest {lowest:g} (node {temperatures.argmin() + 1}),\n"
                       f"highest {highest:g} (node {temperatures.argmax() + 1})", pad=12)
    axes.legend(loc="upper center", bbox_to_anchor=(0.5, -0.08), ncol=2, frameon=False)
    return figure


def main(arguments):
    return run_folder_tool("plot", __doc__, arguments, draw, "matplotlib")


if __name__ == "__main__":
    sys.exit(command("plot", main, sys.argv[1:]))
