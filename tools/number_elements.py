#!/usr/bin/python3
"""Numbers a triangulation of heat2d's 18 nodes for heat2d.

Usage: heat2d-elements [--flip-corner] FILE

FILE is a mesh that meshio reads (Gmsh's .msh, VTK's .vtu or .vtk, ...), whose
triangles' corners are matched to heat2d's nodes by their coordinates, or a
text file (.txt) of 20 node-number triples in any order and orientation.
Writes elements.txt in the current folder: every triangle counter-clockwise,
each one with a side on the top edge, the notch or the right edge in a slot of
heat2d's boundary table that gives that side its term, turned so that the side
sits at the local nodes the table names; the other triangles fill the other
slots in the order of FILE.

At the top right corner the table needs one triangle, 13 17 18, and at the
top of the notch's wall two; where FILE has others, the side to flip is named,
and --flip-corner flips it.
"""

import contextlib
import io
import os
import sys
import tempfile

from heat2d_problem import (BOUNDARY_TABLE, CORNER_ONE_TRIANGLE, CORNER_TWO_TRIANGLES,
                            ELEMENT_COUNT, NODE_COUNT, NODES, REGION_AREA, WIDTH, cap, fail,
                            outline_side, place, signed_area)

USAGE = "usage: heat2d-elements [--flip-corner] FILE"
LARGEST = 1 << 20  # bytes; 18 nodes and 20 triangles take a few kB in any format


class Refusal(Exception):
    """The faults of the input, one line each."""


def read_input(path):
    """The triangles of the file at path, as lists of node numbers."""
    try:
        if os.path.isdir(path):
            raise Refusal([f"{path}: is a folder, not a file"])
        with open(path, "rb") as stream:
            data = stream.read(LARGEST + 1)
    except OSError as error:
        raise Refusal([f"{path}: cannot open: {error.strerror}"]) from None
    if len(data) > LARGEST:
        raise Refusal([f"{path}: is larger than 1 MiB; 18 nodes and 20 triangles take a few kB"])
    suffix = os.path.splitext(path)[1].lower()
    if suffix == ".txt":
        return read_triples(path, data.decode("latin-1").split())
    return read_mesh(path, suffix, data)


def read_triples(path, tokens):
    if len(tokens) != 3 * ELEMENT_COUNT:
        raise Refusal([f"{path}: found {len(tokens)} numbers, {3 * ELEMENT_COUNT} needed"])
    faults = []
    for k, token in enumerate(tokens):
        if not (token.isascii() and token.isdigit() and 1 <= int(token) <= NODE_COUNT):
            faults.append(f'{path}: triangle {k // 3 + 1}, node {k % 3 + 1}: "{token[:40]}"'
                          f" is not a node number from 1 to {NODE_COUNT}")
    if faults:
        raise Refusal(faults)
    return [[int(token) for token in tokens[k:k + 3]] for k in range(0, len(tokens), 3)]


def read_mesh(path, suffix, data):
    """The triangles of a mesh file, its points matched to the nodes."""
    try:
        import meshio
    except ImportError as error:
        raise Refusal([f"meshio is needed for {path}: {error}"]) from None
    if suffix not in meshio.extension_to_filetypes:
        raise Refusal([f"{path}: the format is not known: a .txt of node-number triples, or a "
                       "mesh file (.msh, .vtu, .vtk, ...)"])
    # meshio reads the bytes checked above, from a file of the same kind; it
    # tells of a failure on the console and ends the process, so its words are
    # taken and its exit caught.
    with tempfile.TemporaryDirectory() as folder:
        copy = os.path.join(folder, "mesh" + suffix)
        with open(copy, "wb") as stream:
            stream.write(data)
        told = io.StringIO()
        try:
            with contextlib.redirect_stdout(told), contextlib.redirect_stderr(told):
                mesh = meshio.read(copy)
        except (Exception, SystemExit) as error:  # readers break in many ways on a bad file
            reason = (str(error) or type(error).__name__ if isinstance(error, Exception) else
                      told.getvalue().strip().splitlines()[-1].replace("Error: ", ""))
            raise Refusal([f"{path}: cannot be read: {reason.replace(copy, path)}"]) from None
    cells = [cell for block in mesh.cells if block.type == "triangle" for cell in block.data]
    if len(cells) != ELEMENT_COUNT:
        raise Refusal([f"{path}: found {len(cells)} triangles, {ELEMENT_COUNT} needed"])
    tolerance = 1e-9 * WIDTH
    node_of, faults = {}, []
    for point in sorted({int(p) for cell in cells for p in cell}):
        x, y, *z = (float(v) for v in mesh.points[point])
        found = [n for n, (nx, ny) in enumerate(NODES, start=1)
                 if abs(nx - x) <= tolerance and abs(ny - y) <= tolerance and abs(sum(z)) <= tolerance]
        if found:
            node_of[point] = found[0]
        else:
            coordinates = ", ".join(f"{v:g}" for v in [x, y, *z])
            faults.append(f"{path}: the point at ({coordinates}) is none of heat2d's {NODE_COUNT} nodes")
    if faults:
        raise Refusal(faults)
    return [[node_of[int(p)] for p in cell] for cell in cells]


def side(a, b):
    return f"{a}-{b}"


def oriented(triangles):
    """Each triangle counter-clockwise, its first node kept; the faults of the
    tiling, in heat2d's words with "triangle" for "element"."""
    faults, turned, used = [], [], set()
    uses = {}  # (a, b) -> the triangles that have the side a to b, counter-clockwise
    covered = 0.0
    for number, triangle in enumerate(triangles, start=1):
        used.update(triangle)
        area = signed_area(triangle)
        if area == 0:
            faults.append(f"triangle {number}: signed area 0; its three nodes must be distinct "
                          "and not on one line")
            continue
        a, b, c = triangle if area > 0 else (triangle[0], triangle[2], triangle[1])
        turned.append([a, b, c])
        covered += abs(area)
        for u, v in ((a, b), (b, c), (c, a)):
            uses.setdefault((u, v), []).append(number)
    faults += [f"node {n} is a corner of no triangle; every node must belong to one"
               for n in range(1, NODE_COUNT + 1) if n not in used]
    if abs(covered - REGION_AREA) > 1e-9 * REGION_AREA:
        faults.append(f"the triangles cover an area of {covered:g}, the region's is {REGION_AREA:g}")
    for a in range(1, NODE_COUNT + 1):
        for b in range(a + 1, NODE_COUNT + 1):
            there, back = uses.get((a, b), []), uses.get((b, a), [])
            users = ", ".join([f"triangle {t} (as {side(a, b)})" for t in there] +
                              [f"triangle {t} (as {side(b, a)})" for t in back]) or "no triangle"
            on = outline_side(a, b)
            if on:
                part, forward = on
                if len(there if forward else back) != 1 or len(there) + len(back) != 1:
                    faults.append(f"side {side(a, b)} lies on {place(part)}: it must be a side of "
                                  f"exactly one triangle, as {side(a, b) if forward else side(b, a)}, "
                                  f"but is a side of {users}")
            elif (there or back) and (len(there) != 1 or len(back) != 1):
                faults.append(f"side {side(a, b)} is not on the outline: it must be a side of two "
                              f"triangles, once each way, but is a side of {users}")
    return turned, faults


def cross(o, a, b):
    (ox, oy), (ax, ay), (bx, by) = NODES[o - 1], NODES[a - 1], NODES[b - 1]
    return (ax - ox) * (by - oy) - (ay - oy) * (bx - ox)


def crosses(a, b, c, d):
    """Whether segments a-b and c-d cross at a point inside both."""
    return (cross(a, b, c) * cross(a, b, d) < 0) and (cross(c, d, a) * cross(c, d, b) < 0)


def make_side(triangles, p, q):
    """Flips sides until p-q is a side of the triangulation, in place, flipping
    only sides that cross p-q (a side whose two triangles do not make a convex
    quadrilateral waits for the others). Returns the flips, (old, new)."""
    flips = []
    pending = [(a, b) for t in triangles for a, b in zip(t, t[1:] + t[:1])
               if a < b and crosses(a, b, p, q)]
    while pending:
        a, b = pending.pop(0)
        first = next(k for k, t in enumerate(triangles) if a in t and b in t and
                     t[(t.index(a) + 1) % 3] == b)
        second = next(k for k, t in enumerate(triangles) if a in t and b in t and k != first)
        w1 = sum(triangles[first]) - a - b
        w2 = sum(triangles[second]) - a - b
        if not crosses(a, b, w1, w2):
            pending.append((a, b))
            continue
        triangles[first], triangles[second] = [a, w2, w1], [w2, b, w1]
        flips.append(((a, b), tuple(sorted((w1, w2)))))
        if crosses(w1, w2, p, q):
            pending.append(tuple(sorted((w1, w2))))
    return flips


def corners(triangles):
    """The corner faults and the flips that mend them (made on triangles)."""
    faults, flips = [], []
    node, (p, q) = CORNER_ONE_TRIANGLE
    at = [t for t in triangles if node in t]
    if len(at) > 1:
        made = make_side(triangles, p, q)
        flips += made
        faults.append(f"node {node} is a corner of {len(at)} triangles, but the boundary table "
                      f"needs one there ({p} {q} {node}): {flip_list(made)}")
    node, (p, q) = CORNER_TWO_TRIANGLES
    at = [t for t in triangles if node in t]
    if len(at) == 1:
        one = at[0][at[0].index(node) + 1:] + at[0][:at[0].index(node) + 1]
        made = make_side(triangles, p, q)
        flips += made
        faults.append(f"node {node} is a corner of just one triangle ({' '.join(map(str, one))}), "
                      f"whose two heat-flux sides no slot of the boundary table carries: "
                      f"{flip_list(made)}")
    return faults, flips


def flip_list(flips):
    named = [f"{side(*old)} to {side(*new)}" for old, new in flips]
    return "flip side" + ("s " if len(named) > 1 else " ") + ", then ".join(named)


def terms_of(triangle):
    """{(term, a, b)}: the sides of a triangle that need a term."""
    found = set()
    for a, b in zip(triangle, triangle[1:] + triangle[:1]):
        on = outline_side(a, b)
        if on and on[0][6]:
            found.add((on[0][6], min(a, b), max(a, b)))
    return found


def number(triangles):
    """The triangles in element order, each turned for its slot."""
    slots = {}
    for element, term, i, j in BOUNDARY_TABLE:
        slots.setdefault(element, []).append((term, i, j))
    free = [e for e in range(1, ELEMENT_COUNT + 1) if e not in slots]
    elements = {}
    for triangle in triangles:
        terms = terms_of(triangle)
        if not terms:
            elements[free.pop(0)] = triangle
            continue
        for element, needs in sorted(slots.items()):
            turns = [triangle[k:] + triangle[:k] for k in range(3)]
            fits = [t for t in turns if terms == {(term, *sorted((t[i - 1], t[j - 1])))
                                                  for term, i, j in needs}]
            if element not in elements and fits:
                elements[element] = fits[0]
                break
        else:
            raise Refusal([f"triangle {' '.join(map(str, triangle))}: no free slot of the "
                           "boundary table gives its sides their terms"])
    return [elements[e] for e in range(1, ELEMENT_COUNT + 1)]


def write_elements(elements):
    """elements.txt in the current folder, replaced at once."""
    descriptor, temporary = tempfile.mkstemp(prefix=".elements.", suffix=".txt", dir=".")
    try:
        with os.fdopen(descriptor, "w", encoding="ascii", newline="\n") as stream:
            stream.writelines(" ".join(map(str, t)) + "\n" for t in elements)
        os.chmod(temporary, 0o644)
        os.replace(temporary, "elements.txt")
    except BaseException:
        os.unlink(temporary)
        raise


def main(arguments):
    if "--help" in arguments:
        print(__doc__.strip())
        return 0
    flip = "--flip-corner" in arguments
    files = [a for a in arguments if a != "--flip-corner"]
    if len(files) != 1 or files[0].startswith("--"):
        return fail("elements", USAGE)
    try:
        triangles, faults = oriented(read_input(files[0]))
        if not faults:
            faults, flips = corners(triangles)
            if flip:
                fail("elements", [f"flipped side {side(*old)} to {side(*new)}" for old, new in flips])
                faults = []
            else:
                faults = [line + ", or run again with --flip-corner" for line in faults]
        if faults:
            raise Refusal(faults)
        write_elements(number(triangles))
    except Refusal as refusal:
        return fail("elements", cap(refusal.args[0]))
    except OSError as error:
        return fail("elements", f"cannot write elements.txt: {error.strerror}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
