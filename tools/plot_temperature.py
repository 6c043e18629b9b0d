#!/usr/bin/python3
"""Draws the temperature field of a finished heat2d run.

Usage: heat2d-plot [RUN_FOLDER]

Reads mesh.txt, elements.txt and write_.txt from RUN_FOLDER (the current
folder when none is given) and writes temperature.png there. The temperature
is interpolated linearly over each triangle, as the finite element solution
is, with labelled isotherms, the triangles, the node numbers and the edges
that carry the boundary conditions.
"""

import os
import sys

# The scripts' folder is the package's own: no byte code is written there.
sys.dont_write_bytecode = True

import heat2d_core
from heat2d_problem import InputError, command, replaced, run_folder_tool


def draw(folder, run):
    lowest, highest = min(run.temperatures), max(run.temperatures)
    if max(-lowest, highest) > 1e100:  # beyond what the scale and the isotherms can span
        raise InputError(f"{os.path.join(folder, 'write_.txt')}: temperatures from {lowest:g} to {highest:g} "
                         "are too large to draw")
    figure = figure_of(run)
    return replaced([os.path.join(folder, "temperature.png")],
                    lambda temporary, _: figure.savefig(temporary, format="png"))


def figure_of(run):
    """The picture of a run's field, on the Agg canvas."""
    # A figure alone, saved by the Agg canvas: pyplot costs most of a second to import.
    import matplotlib.tri as mtri
    import numpy
    from matplotlib.figure import Figure

    xs, ys, temperatures = run.xs, run.ys, run.temperatures
    lowest, highest = min(temperatures), max(temperatures)
    mesh = mtri.Triangulation(xs, ys, numpy.array(run.triangles) - 1)  # matplotlib's points from 0
    figure = Figure(figsize=(6.4, 8), dpi=120)
    # Room below for the legend: one drawing, where a tight box would draw twice.
    figure.subplots_adjust(left=0.1, right=0.98, bottom=0.1, top=0.92)
    axes = figure.add_subplot()
    shading = axes.tripcolor(mesh, temperatures, shading="gouraud", cmap="inferno")
    figure.colorbar(shading, ax=axes, label="temperature")
    if highest > lowest:
        levels = numpy.linspace(lowest, highest, 12)[1:-1]
        isotherms = axes.tricontour(mesh, temperatures, levels=levels, colors="white",
                                    linewidths=0.8)
        axes.clabel(isotherms, fmt="%.1f", fontsize=7)
    axes.triplot(mesh, color="0.6", linewidth=0.5)

    labelled = set()
    flux, ambient = heat2d_core.parameter("heat_flux"), heat2d_core.parameter("ambient_temperature")
    for term, a, b in heat2d_core.boundary_sides(run.triangles):
        a, b = a - 1, b - 1
        flux_side = term == heat2d_core.Kind.HEAT_FLUX
        label = f"heat flux {flux:g}" if flux_side else f"convection to {ambient:g}"
        axes.plot([xs[a], xs[b]], [ys[a], ys[b]], color="tab:red" if flux_side else "tab:blue",
                  linewidth=4, solid_capstyle="butt", label=None if label in labelled else label)
        labelled.add(label)

    for index, (x, y) in enumerate(zip(xs, ys)):
        axes.annotate(str(index + 1), (x, y), textcoords="offset points", xytext=(4, 4),
                      fontsize=8, color="black",
                      bbox={"boxstyle": "round,pad=0.15", "fc": "white", "ec": "none",
                            "alpha": 0.8})

    pad = 0.4
    axes.set_xlim(min(xs) - pad, max(xs) + pad)
    axes.set_ylim(min(ys) - pad, max(ys) + pad)
    axes.set_aspect("equal")
    axes.set_xlabel("x")
    axes.set_ylabel("y")
    axes.set_title(f"Temperature: lowest {lowest:g} (node {temperatures.index(lowest) + 1}),\n"
                   f"highest {highest:g} (node {temperatures.index(highest) + 1})", pad=12)
    axes.legend(loc="upper center", bbox_to_anchor=(0.5, -0.08), ncol=2, frameon=False)
    return figure


def main(arguments):
    return run_folder_tool("plot", __doc__, arguments, draw, "matplotlib")


if __name__ == "__main__":
    sys.exit(command("plot", main, sys.argv[1:]))
