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

import heat2d_core
from heat2d_problem import fail

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
        return read_triples(path, data)
    return read_mesh(path, suffix, data)


def read_triples(path, data):
    """The node numbers of a list of triangles, read as heat2d reads elements.txt."""
    try:
        return [[int(n) for n in t] for t in heat2d_core.read_elements(data, path, "triangle")]
    except heat2d_core.Refused as refusal:
        raise Refusal(refusal.args[0]) from None


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
    if len(cells) != heat2d_core.element_count():
        raise Refusal([f"{path}: found {len(cells)} triangles, {heat2d_core.element_count()} needed"])
    nodes = heat2d_core.nodes()
    tolerance = 1e-9 * heat2d_core.parameter("width")
    node_of, faults = {}, []
    for point in sorted({int(p) for cell in cells for p in cell}):
        x, y, *z = (float(v) for v in mesh.points[point])
        found = [n for n, (nx, ny) in enumerate(nodes, start=1)
                 if abs(nx - x) <= tolerance and abs(ny - y) <= tolerance and abs(sum(z)) <= tolerance]
        if found:
            node_of[point] = found[0]
        else:
            coordinates = ", ".join(f"{v:g}" for v in [x, y, *z])
            faults.append(f"{path}: the point at ({coordinates}) is none of heat2d's {len(nodes)} nodes")
    if faults:
        raise Refusal(faults)
    return [[node_of[int(p)] for p in cell] for cell in cells]


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
        heat2d_core.library()
        elements, flips = heat2d_core.number(read_input(files[0]), flip)
        fail("elements", flips)
        write_elements(elements)
    except (Refusal, heat2d_core.Refused) as refusal:
        return fail("elements", refusal.args[0])
    except heat2d_core.MissingLibrary as error:
        return fail("elements", str(error))
    except OSError as error:
        return fail("elements", f"cannot write elements.txt: {error.strerror}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
