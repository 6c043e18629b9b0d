"""heat2d's pictures in matplotlib, imported only when one is drawn: a
field over its mesh, and how the error left falls with the nodes."""

import matplotlib.pyplot as pyplot
import matplotlib.tri as mtri
import numpy

# Past this many triangles their lines would hide the field.
MOST_LINES = 5000


def _axes(ax):
    if ax is None:
        _, ax = pyplot.subplots()
    return ax


def field(ax, nodes, triangles, temperatures, title, every_line=False):
    """The temperatures interpolated linearly over the triangles (node
    numbers), the mesh's lines while they do not hide it (every_line: all of
    them, where they crowd is the picture), heat2d's 18 nodes marked."""
    ax = _axes(ax)
    mesh = mtri.Triangulation(nodes[:, 0], nodes[:, 1], numpy.asarray(triangles) - 1)
    shading = ax.tripcolor(mesh, temperatures, shading="gouraud", cmap="inferno")
    if len(mesh.triangles) <= MOST_LINES or every_line:
        ax.triplot(mesh, color="white", linewidth=0.3 if len(mesh.triangles) > 100 else 0.8, alpha=0.6)
    ax.plot(nodes[:18, 0], nodes[:18, 1], "o", color="black", markersize=3)
    ax.set_aspect("equal")
    ax.set_title(title, fontsize=9)
    ax.figure.colorbar(shading, ax=ax, label="temperature")
    return ax


def convergence(ax, figures, what):
    """The largest error left at heat2d's nodes against the nodes of each
    level or step that has one, log-log."""
    ax = _axes(ax)
    shown = [(line["nodes"], line["error_left"]) for line in figures if line["error_left"] > 0]
    if shown:
        ax.loglog(*zip(*shown), "o-", label=f"error left, by {what}")
        ax.legend()
    ax.set_xlabel("nodes")
    ax.set_ylabel("largest error left, 18 nodes")
    ax.grid(True, which="both", alpha=0.3)
    return ax
