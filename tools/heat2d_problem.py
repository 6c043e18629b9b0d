"""The files of a finished heat2d run, as the tools read them, and the
tools' way of reporting a fault. heat2d's own rules (the nodes, the boundary
table, the reading of elements.txt) come from its library: heat2d_core.
"""

import math
import os
import sys

import heat2d_core


def fail(tool, lines):
    """One line a fault on stderr, status 1."""
    for line in [lines] if isinstance(lines, str) else lines:
        print(f"heat2d-{tool}: {line}", file=sys.stderr)
    return 1


# The files of a finished run.
class InputError(Exception):
    """A run file that is missing or malformed; the text is the message."""


def read_bytes(folder, name):
    path = os.path.join(folder, name)
    try:
        with open(path, "rb") as stream:
            return stream.read()
    except OSError as error:
        raise InputError(f"{path}: cannot read: {error.strerror}") from None


def read_text(folder, name):
    return read_bytes(folder, name).decode("utf-8", errors="replace")


def parse_float(path, token, what, nan=False):
    try:
        value = float(token)
    except ValueError:
        raise InputError(f'{path}: {what}: "{token[:40]}" is not a number') from None
    if not (math.isfinite(value) or nan and math.isnan(value)):
        raise InputError(f'{path}: {what}: "{token[:40]}" is not a finite number')
    return value


def read_rows(folder, name, form):
    """The 18 lines of a per-node file, split into two fields each."""
    path = os.path.join(folder, name)
    lines = read_text(folder, name).splitlines()
    if len(lines) != heat2d_core.node_count():
        raise InputError(f"{path}: {len(lines)} lines, {heat2d_core.node_count()} expected")
    rows = []
    for number, line in enumerate(lines, start=1):
        fields = line.split()
        if len(fields) != 2:
            raise InputError(f'{path}: line {number}: "{form}" expected')
        rows.append(fields)
    return path, rows


def read_nodes(folder):
    """The node coordinates of mesh.txt, lines "x y": ([x], [y])."""
    path, rows = read_rows(folder, "mesh.txt", "x y")
    xs = [parse_float(path, x, f"line {n}") for n, (x, _) in enumerate(rows, start=1)]
    ys = [parse_float(path, y, f"line {n}") for n, (_, y) in enumerate(rows, start=1)]
    return xs, ys


def read_triangles(folder):
    """The connectivity as heat2d reads it, each number truncated toward zero
    to a node number; 0-based node indices."""
    path = os.path.join(folder, "elements.txt")
    try:
        elements = heat2d_core.read_elements(read_bytes(folder, "elements.txt"), path)
    except heat2d_core.Refused as refusal:
        raise InputError(refusal.args[0][0]) from None
    return [[int(n) - 1 for n in triangle] for triangle in elements]


def read_temperatures(folder, nan=False):
    """The solution of write_.txt, lines "i T" for i = 1..18; not-a-number
    taken when nan is true."""
    path, rows = read_rows(folder, "write_.txt", "node temperature")
    temperatures = []
    for number, (node, value) in enumerate(rows, start=1):
        if node != str(number):
            raise InputError(f'{path}: line {number}: node {number} expected, not "{node[:40]}"')
        temperatures.append(parse_float(path, value, f"line {number}", nan))
    return temperatures


def read_run(folder, nan=False):
    """(xs, ys, triangles, temperatures) of a finished run folder."""
    xs, ys = read_nodes(folder)
    return xs, ys, read_triangles(folder), read_temperatures(folder, nan)


def run_folder_tool(tool, doc, arguments, make, library, nan=False):
    """The command of a tool that reads a run folder (the current folder when
    none is given) and writes files there: make(folder, xs, ys, triangles,
    temperatures) returns their paths, printed one a line. Status 1 and one
    line for a fault, naming library when it cannot be imported."""
    if arguments[:1] == ["--help"]:
        print(doc.strip())
        return 0
    if len(arguments) > 1:
        return fail(tool, f"usage: heat2d-{tool} [RUN_FOLDER]")
    folder = arguments[0] if arguments else "."
    try:
        heat2d_core.library()
        run = read_run(folder, nan)
        written = make(folder, *run)
    except InputError as error:
        return fail(tool, str(error))
    except ImportError as error:
        return fail(tool, f"{library} is needed: {error}")
    except heat2d_core.MissingLibrary as error:
        return fail(tool, str(error))
    except OSError as error:
        return fail(tool, f"cannot write {error.filename}: {error.strerror}")
    if any(math.isnan(t) for t in run[3]):
        fail(tool, "the temperatures are not-a-number (the run's system was not positive "
                   "definite); they are written as they are")
    print("\n".join(written))
    return 0
