"""What the heat2d tools know of the problem, in one place: the nodes, the
outline and its parts, the boundary table, and the files of a run folder.

The values are heat2d's own constants; the nodes are generated as heat2d
generates them, so that a tool can match coordinates without a run.
"""

import math
import os
import sys

NODE_COUNT = 18
ELEMENT_COUNT = 20
WIDTH, HEIGHT, NOTCH_WIDTH, NOTCH_DEPTH = 9.0, 6.0, 3.0, 2.0
HEAT_FLUX = 150.0
AMBIENT = 22.0
REGION_AREA = (WIDTH / 2) * HEIGHT - (NOTCH_WIDTH / 2) * NOTCH_DEPTH
SHOWN_FAULTS = 10  # then "and N more faults in the triangulation"
FLUX, CONVECTION = "heat flux", "convection"


def node_coordinates():
    """[(x, y)] of nodes 1 to 18 (index 0 is node 1): column by column from
    x = 0, bottom to top; three nodes below the notch, then three columns of five."""
    step_y = (HEIGHT - NOTCH_DEPTH) / 2
    step_top = NOTCH_DEPTH / 2
    step_x = (WIDTH - NOTCH_WIDTH) / 4
    nodes = [(0.0, row * step_y) for row in range(3)]
    for column in range(3):
        x = NOTCH_WIDTH / 2 + column * step_x
        nodes += [(x, row * step_y) for row in range(3)]
        nodes += [(x, 2 * step_y + step_top), (x, 2 * step_y + 2 * step_top)]
    return nodes


NODES = node_coordinates()

# The straight parts of the outline: (name, vertical, at, low, high, rising,
# term). A part is the line x = at (vertical) or y = at, along which the other
# coordinate runs from low to high; walking the outline with the region on the
# left runs from low to high when rising.
FLOOR_Y = HEIGHT - NOTCH_DEPTH
OUTLINE = [
    ("the bottom edge", False, 0.0, 0.0, WIDTH / 2, True, None),
    ("the right edge", True, WIDTH / 2, 0.0, HEIGHT, True, CONVECTION),
    ("the top edge", False, HEIGHT, NOTCH_WIDTH / 2, WIDTH / 2, False, FLUX),
    ("the notch's wall", True, NOTCH_WIDTH / 2, FLOOR_Y, HEIGHT, False, FLUX),
    ("the notch's floor", False, FLOOR_Y, 0.0, NOTCH_WIDTH / 2, False, FLUX),
    ("the symmetry line", True, 0.0, 0.0, FLOOR_Y, False, None),
]

# heat2d's boundary table: (element, term, first local node, second local node).
BOUNDARY_TABLE = [
    (4, FLUX, 1, 3), (12, FLUX, 1, 3), (9, FLUX, 2, 3), (11, FLUX, 2, 3),
    (14, CONVECTION, 2, 3), (16, CONVECTION, 2, 3), (18, CONVECTION, 2, 3),
    (20, CONVECTION, 2, 3), (20, FLUX, 1, 3),
]

# The corners where the table's slots may not fit a triangulation, with the
# diagonal whose presence makes them fit: at the top right corner one triangle,
# 13 17 18, must carry both the convection and the heat flux; at the top of the
# notch's wall two triangles must share node 8, since no slot carries two
# heat-flux sides.
CORNER_ONE_TRIANGLE = (18, (13, 17))
CORNER_TWO_TRIANGLES = (8, (8, 12))


def place(part):
    """'the top edge (y = 6)'"""
    name, vertical, at = part[:3]
    return f"{name} ({'x' if vertical else 'y'} = {at:g})"


def along(part, node):
    """Position of node (1-based) along part, or None when it is not on it."""
    _, vertical, at, low, high = part[:5]
    x, y = NODES[node - 1]
    across, t = (x, y) if vertical else (y, x)
    return t if across == at and low <= t <= high else None


def outline_side(a, b):
    """(part, forward) when a-b is a side of the outline, with no node between
    a and b; forward when a to b runs with the region on the left. Else None."""
    for part in OUTLINE:
        ta, tb = along(part, a), along(part, b)
        if ta is None or tb is None or ta == tb:
            continue
        if any(t is not None and min(ta, tb) < t < max(ta, tb)
               for t in (along(part, n) for n in range(1, NODE_COUNT + 1))):
            return None
        return part, (tb > ta) == part[5]
    return None


def signed_area(triangle):
    """Positive when the nodes (1-based) run counter-clockwise."""
    (x1, y1), (x2, y2), (x3, y3) = (NODES[n - 1] for n in triangle)
    return ((x2 - x1) * (y3 - y1) - (x3 - x1) * (y2 - y1)) / 2


def boundary_sides(triangles):
    """[(term, a, b)]: the sides that heat2d gives a term, for triangles in
    element order (node numbers, 0-based)."""
    return [(term, triangles[e - 1][i - 1], triangles[e - 1][j - 1])
            for e, term, i, j in BOUNDARY_TABLE]


def cap(faults):
    """The faults that are shown, as heat2d shows its own."""
    more = len(faults) - SHOWN_FAULTS
    return faults[:SHOWN_FAULTS] + ([f"and {more} more faults in the triangulation"] if more > 0 else [])


def fail(tool, lines):
    """One line a fault on stderr, status 1."""
    for line in [lines] if isinstance(lines, str) else lines:
        print(f"heat2d-{tool}: {line}", file=sys.stderr)
    return 1


# The files of a finished run.
class InputError(Exception):
    """A run file that is missing or malformed; the text is the message."""


def read_text(folder, name):
    path = os.path.join(folder, name)
    try:
        with open(path, encoding="utf-8", errors="replace") as stream:
            return stream.read()
    except OSError as error:
        raise InputError(f"{path}: cannot read: {error.strerror}") from None


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
    """The node coordinates of mesh.txt, lines "x y": ([x], [y])."""
    path, rows = read_rows(folder, "mesh.txt", "x y")
    xs = [parse_float(path, x, f"line {n}") for n, (x, _) in enumerate(rows, start=1)]
    ys = [parse_float(path, y, f"line {n}") for n, (_, y) in enumerate(rows, start=1)]
    return xs, ys


def read_triangles(folder):
    """The connectivity as heat2d reads it: the first 60 numbers, each
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
                    f'{path}: {what}: "{token[:40]}" is not a node number from 1 to {NODE_COUNT}')
            triangle.append(int(value) - 1)
        triangles.append(triangle)
    return triangles


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
        run = read_run(folder, nan)
        written = make(folder, *run)
    except InputError as error:
        return fail(tool, str(error))
    except ImportError as error:
        return fail(tool, f"{library} is needed: {error}")
    except OSError as error:
        return fail(tool, f"cannot write {error.filename}: {error.strerror}")
    if any(math.isnan(t) for t in run[3]):
        fail(tool, "the temperatures are not-a-number (the run's system was not positive "
                   "definite); they are written as they are")
    print("\n".join(written))
    return 0
