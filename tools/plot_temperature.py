#!/usr/bin/env python3
"""Draws the temperature field of a finished heat2d run.

Usage: plot_temperature.py [RUN_FOLDER]

Reads mesh.txt, elements.txt and write_.txt from RUN_FOLDER (the current
folder when none is given) and writes temperature.png there. The temperature
is interpolated linearly over each triangle, as the finite element solution
is, with labelled isotherms, the triangles, the node numbers and the edges
that carry the boundary conditions.
"""

import math
import os
import sys

NODE_COUNT = 18
ELEMENT_COUNT = 20
AMBIENT = 22.0

# The program's boundary table: element number -> local edges (1-based local
# node pairs) with heat flux, and with convection.
FLUX_EDGES = {4: [(1, 3)], 12: [(1, 3)], 9: [(2, 3)], 11: [(2, 3)], 20: [(1, 3)]}
CONVECTION_EDGES = {14: [(2, 3)], 16: [(2, 3)], 18: [(2, 3)], 20: [(2, 3)]}


class InputError(Exception):
    """A run file that is missing or malformed; the text is the message."""


def read_text(folder, name):
    path = os.path.join(folder, name)
    try:
        with open(path, encoding="utf-8", errors="replace") as stream:
            return stream.read()
    except OSError as error:
        raise InputError(f"{path}: cannot read: {error.strerror}") from None


def parse_float(path, token, what):
    try:
        value = float(token)
    except ValueError:
        raise InputError(f'{path}: {what}: "{token[:40]}" is not a number') from None
    if not math.isfinite(value):
        raise InputError(f'{path}: {what}: "{token[:40]}" is not a finite number')
    return value


def read_rows(folder, name, form):
    """The 18 lines of a per-node file, split into two fields each."""
    path = os.path.join(folder, name)
    lines = read_text(folder, name).splitlines()
    if len(lines) != NODE_COUNT:
        raise InputError(f"{path}: {len(lines)} lines, {NODE_COUNT} expected")
    rows = []
    for number, line in enumerate(lines, start=1):
        fields = line.split()
        if len(fields) != 2:
            raise InputError(f'{path}: line {number}: "{form}" expected')
        rows.append(fields)
    return path, rows


def read_nodes(folder):
    """The node coordinates of mesh.txt: lines "x y"."""
    path, rows = read_rows(folder, "mesh.txt", "x y")
    xs = [parse_float(path, x, f"line {n}") for n, (x, _) in enumerate(rows, start=1)]
    ys = [parse_float(path, y, f"line {n}") for n, (_, y) in enumerate(rows, start=1)]
    return xs, ys


def read_triangles(folder):
    """The connectivity as the program reads it: the first 60 numbers, each
    truncated toward zero to a node number; 0-based node indices."""
    path = os.path.join(folder, "elements.txt")
    tokens = read_text(folder, "elements.txt").split()
    needed = 3 * ELEMENT_COUNT
    if len(tokens) < needed:
        raise InputError(f"{path}: found {len(tokens)} numbers, {needed} needed")
    triangles = []
    for e in range(ELEMENT_COUNT):
        triangle = []
        for j in range(3):
            token = tokens[3 * e + j]
            what = f"element {e + 1}, node {j + 1}"
            value = parse_float(path, token, what)
            if not 1 <= value < NODE_COUNT + 1:
                raise InputError(
                    f'{path}: {what}: "{token[:40]}" is not a node number from 1 to {NODE_COUNT}'
                )
            triangle.append(int(value) - 1)
        triangles.append(triangle)
    return triangles


def read_temperatures(folder):
    """The solution of write_.txt: lines "i T" for i = 1..18."""
    path, rows = read_rows(folder, "write_.txt", "node temperature")
    temperatures = []
    for number, (node, value) in enumerate(rows, start=1):
        if node != str(number):
            raise InputError(f'{path}: line {number}: node {number} expected, not "{node[:40]}"')
        temperatures.append(parse_float(path, value, f"line {number}"))
    return temperatures


def boundary_segments(triangles, table):
    segments = []
    for element, edges in table.items():
        triangle = triangles[element - 1]
        for a, b in edges:
            segments.append((triangle[a - 1], triangle[b - 1]))
    return segments


def draw(folder, xs, ys, triangles, temperatures):
    import matplotlib

    matplotlib.use("Agg")
    import matplotlib.pyplot as plt
    import matplotlib.tri as mtri
    import numpy

    mesh = mtri.Triangulation(xs, ys, triangles)
    lowest, highest = min(temperatures), max(temperatures)
    figure, axes = plt.subplots(figsize=(7, 8), dpi=120)
    shading = axes.tripcolor(mesh, temperatures, shading="gouraud", cmap="inferno")
    figure.colorbar(shading, ax=axes, label="temperature")
    if highest > lowest:
        levels = numpy.linspace(lowest, highest, 12)[1:-1]
        isotherms = axes.tricontour(mesh, temperatures, levels=levels, colors="white",
                                    linewidths=0.8)
        axes.clabel(isotherms, fmt="%.1f", fontsize=7)
    axes.triplot(mesh, color="0.6", linewidth=0.5)

    for kind, table, colour in (
        ("heat flux 150", FLUX_EDGES, "tab:red"),
        (f"convection to {AMBIENT:g}", CONVECTION_EDGES, "tab:blue"),
    ):
        for number, (a, b) in enumerate(boundary_segments(triangles, table)):
            axes.plot([xs[a], xs[b]], [ys[a], ys[b]], color=colour, linewidth=4,
                      solid_capstyle="butt", label=kind if number == 0 else None)

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
    output = os.path.join(folder, "temperature.png")
    figure.savefig(output, bbox_inches="tight")
    plt.close(figure)
    return output


def main(arguments):
    if len(arguments) > 1:
        print("usage: plot_temperature.py [RUN_FOLDER]", file=sys.stderr)
        return 2
    folder = arguments[0] if arguments else "."
    try:
        xs, ys = read_nodes(folder)
        triangles = read_triangles(folder)
        temperatures = read_temperatures(folder)
    except InputError as error:
        print(f"plot_temperature: {error}", file=sys.stderr)
        return 1
    try:
        output = draw(folder, xs, ys, triangles, temperatures)
    except ImportError as error:
        print(f"plot_temperature: matplotlib is needed: {error}", file=sys.stderr)
        return 1
    except OSError as error:
        print(f"plot_temperature: cannot write {os.path.join(folder, 'temperature.png')}: "
              f"{error.strerror}", file=sys.stderr)
        return 1
    print(output)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
