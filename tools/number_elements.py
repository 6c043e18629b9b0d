#!/usr/bin/python3
"""Numbers a triangulation of heat2d's 18 nodes for heat2d.

Usage: heat2d-elements [--flip-corner] [PLATE] FILE

FILE is a text file (.txt) of 20 node-number triples in any order and
orientation, read as heat2d reads elements.txt, or a mesh whose triangles'
corners are matched to heat2d's nodes by their coordinates: Gmsh's .msh
(formats 2.2, 4.0 and 4.1, text or binary) or VTK's .vtu or .vtk, of 1 MiB
at most. Writes elements.txt in the current folder: every triangle
counter-clockwise, each one with a side on the top edge, the notch or the
right edge in a slot of heat2d's boundary table that gives that side its
term, turned so that the side sits at the local nodes the table names; the
other triangles fill the other slots in the order of FILE.

At the top right corner the table needs one triangle, 13 17 18, and at the
top of the notch's wall two; where FILE has others, the side to flip is named,
and --flip-corner flips it.

PLATE: the plate's dimensions as heat2d takes them, the design's unless
given: --width WIDTH, --height HEIGHT, --notch-width NOTCH_WIDTH and
--notch-depth NOTCH_DEPTH (each also --name=value). The nodes are that
plate's, and a mesh's points are matched to them within what the six digits
of heat2d's mesh.geo take from them.

A mesh from Gmsh on exactly heat2d's nodes: in a run folder, where heat2d
wrote mesh.geo (the nodes as Gmsh points), with region.geo from heat2d's
scripts (/usr/share/heat2d, or tools beside heat2d.exe):
  gmsh mesh.geo /usr/share/heat2d/region.geo -2 -o mine.msh
  heat2d-elements --flip-corner mine.msh
"""

import contextlib
import io
import json
import os
import subprocess
import sys
import tempfile

# The scripts' folder is the package's own: no byte code is written there.
sys.dont_write_bytecode = True

from heat2d_problem import InputError, command, extent, fail, heat2d, heat2d_core, node_at, read_file, replaced

USAGE = "usage: heat2d-elements [--flip-corner] [--width WIDTH] [--height HEIGHT] [--notch-width NOTCH_WIDTH] " \
        "[--notch-depth NOTCH_DEPTH] FILE"
# The mesh formats taken, by suffix: those the tests read.
FORMATS = {".msh": "gmsh", ".vtu": "vtu", ".vtk": "vtk"}
TAKEN = ("a .txt of node-number triples, or a mesh: Gmsh's .msh (formats 2.2, 4.0 and 4.1, text or binary) "
         "or VTK's .vtu or .vtk")
# The bounds of a mesh reader: it runs in a process of its own.
SECONDS, MEMORY = 10, 256 << 20


def read_input(path, plate):
    """The triangles of the file at path, as lists of node numbers of the
    plate (a heat2d.Problem)."""
    data = read_file(path)
    suffix = os.path.splitext(path)[1].lower()
    if suffix == ".txt":
        return read_triples(path, data)
    if suffix not in FORMATS:
        raise InputError(f"{path}: the format is not taken: {TAKEN}")
    return read_mesh(path, suffix, plate)


def read_triples(path, data):
    """The node numbers of a list of triangles, read as heat2d reads elements.txt."""
    return heat2d_core.read_elements(data, path, "triangle")


def limited():
    """In the reader's process: its memory and time bounded."""
    import resource

    resource.setrlimit(resource.RLIMIT_AS, (MEMORY, MEMORY))
    resource.setrlimit(resource.RLIMIT_CPU, (SECONDS, SECONDS + 1))


def read_cells(path, file_format):
    """In the reader's process: the mesh's points and cells, as meshio reads
    them, on standard output as JSON; its failure as {"error": ...}."""
    try:
        import meshio
        from meshio.gmsh import _gmsh40, main as gmsh
    except ImportError as error:
        return print("\n" + json.dumps({"missing": str(error)}))
    # Gmsh writes its format 4.0 as version "4", which meshio takes for 4.1.
    gmsh._readers["4"] = _gmsh40
    # meshio tells of some failures on the console and ends the process: its
    # words are taken, and its exit caught.
    told = io.StringIO()
    try:
        with contextlib.redirect_stdout(told), contextlib.redirect_stderr(told):
            mesh = meshio.read(path, file_format=file_format)
        found = {"points": mesh.points.tolist(), "cells": [(block.type, block.data.tolist()) for block in mesh.cells]}
    except MemoryError:
        found = {"error": f"needs more than {MEMORY >> 20} MiB to read"}
    except (Exception, SystemExit) as error:  # readers break in many ways on a bad file
        said = [line.strip().replace("Error: ", "") for line in told.getvalue().splitlines() if line.strip()]
        if isinstance(error, (meshio.ReadError, ValueError)):
            said.append(" ".join(str(error).split()))
        elif isinstance(error, Exception):
            said.append(f"its reader failed ({type(error).__name__}: {' '.join(str(error).split())})")
        found = {"error": "; ".join(said) or "its reader gave no reason"}
    print("\n" + json.dumps(found))


def read_mesh(path, suffix, plate):
    """The triangles of a mesh file, its points matched to the nodes. meshio
    reads it in a process of its own, bounded in time and memory, with a
    temporary folder that is removed after it."""
    with tempfile.TemporaryDirectory() as scratch:
        # One thread for numpy's libraries, whose buffers a thread would count
        # against the memory bound on a machine of many cores.
        environment = dict(os.environ, TMPDIR=scratch, TEMP=scratch, TMP=scratch, PYTHONDONTWRITEBYTECODE="1",
                           COLUMNS="100000", OPENBLAS_NUM_THREADS="1", OMP_NUM_THREADS="1")
        try:
            done = subprocess.run([sys.executable, os.path.abspath(__file__), "--read-mesh", FORMATS[suffix], path],
                                  capture_output=True, text=True, timeout=2 * SECONDS, env=environment,
                                  stdin=subprocess.DEVNULL, preexec_fn=limited if os.name == "posix" else None)
            found = json.loads(done.stdout.splitlines()[-1]) if done.stdout.strip() else {}
        except subprocess.TimeoutExpired:
            found = {}
        except ValueError:
            found = {"error": "its reader failed"}
    if not found:
        raise InputError(f"{path}: cannot be read: its reader took more than {SECONDS} s or "
                         f"{MEMORY >> 20} MiB, and was stopped")
    if "missing" in found:
        raise InputError(f"meshio is needed for {path}: {found['missing']}")
    if "error" in found:
        raise InputError(f"{path}: cannot be read: {found['error']}")
    return triangles_of(path, found["points"], found["cells"], plate)


def triangles_of(path, points, cells, plate):
    """The node numbers of the triangles of a mesh, matched by coordinates to
    the nodes of the plate."""
    needed = heat2d_core.element_count()
    triangles = [cell for kind, block in cells if kind == "triangle" for cell in block]
    higher = sum(len(block) for kind, block in cells if kind.startswith("triangle") and kind != "triangle")
    if higher and not triangles:
        raise InputError(f"{path}: found {higher} triangles of a higher order, {needed} linear ones needed: "
                         "mesh with first-order elements (gmsh -order 1)")
    used = sorted({p for cell in triangles for p in cell})
    for cell in triangles:
        for p in cell:
            if not 0 <= p < len(points):
                raise InputError(f"{path}: a triangle names point {p}, but the points are numbered 0 to "
                                 f"{len(points) - 1}")
    if len(triangles) != needed:
        added = len(used) - heat2d_core.node_count()
        points = f"{added} point" + "s" * (added > 1)
        why = (f"; the mesher added {points} to heat2d's {heat2d_core.node_count()} nodes: mesh on exactly the "
               "nodes with region.geo (see heat2d-elements --help)" if added > 0 else "")
        raise InputError(f"{path}: found {len(triangles)} triangles, {needed} needed{why}")
    nodes = [tuple(node) for node in plate.nodes.tolist()]
    # Within what mesh.geo's six digits take from a coordinate, and a billionth of the plate.
    tolerance = max(abs(v - float(f"{v:.6g}")) for v in sum(nodes, ())) + 1e-9 * extent(plate.numbers)
    node_of, faults = {}, []
    for point in used:
        x, y, *z = points[point] + [0.0] * (2 - len(points[point]))
        node_of[point] = node_at(nodes, x, y, sum(z), tolerance)
        if node_of[point] is None:
            coordinates = ", ".join(f"{v:.15g}" for v in points[point])
            faults.append(f"{path}: the point at ({coordinates}) is none of heat2d's {len(nodes)} nodes")
    missing = [n for n in range(1, len(nodes) + 1) if n not in node_of.values()]
    if len(used) == len(nodes) and 2 * len(faults) > len(used):  # 18 points, most of them elsewhere: another plate
        n = missing[0]
        *others, last = [option for _, option in heat2d_core.dimension_names()]
        options = ", ".join(others) + " and " + last
        raise InputError(f"{path}: heat2d's node {n} at ({nodes[n - 1][0]:g}, {nodes[n - 1][1]:g}) is none of its "
                         f"points: a mesh of another plate needs that plate's {options}")
    if faults:
        raise InputError(faults)
    return [[node_of[p] for p in cell] for cell in triangles]


def read_plate(arguments):
    """The plate's dimensions taken out of arguments (the rest left in them),
    as heat2d takes them: a heat2d.Problem, the plate judged whole."""
    plate = heat2d_core.Values()
    for name, option in heat2d_core.dimension_names():
        given = [k for k, a in enumerate(arguments) if a == option or a.startswith(option + "=")]
        if len(given) > 1:
            raise InputError(f"{option} is given twice")
        if given:
            k, (least, most) = given[0], heat2d_core.value_range(name)
            apart = arguments[k] == option  # its value the next argument, not after "="
            if apart and k + 1 == len(arguments):
                raise InputError(f"{option} takes a decimal number from {least:g} to {most:g}, and none is given")
            text = arguments[k + 1] if apart else arguments[k][len(option) + 1:]
            del arguments[k:k + 1 + apart]
            value = heat2d_core.read_number(text)
            if value is None:
                raise InputError(f'{option} takes a decimal number from {least:g} to {most:g}, not "{text}"')
            try:
                plate[name] = value
            except heat2d_core.Refused as refused:  # out of its range: worded as heat2d words it
                raise InputError(refused.lines[0].replace(f"{name} is taken", f"{option} takes a decimal number"))
    return heat2d.Problem(**{name: plate[name] for name, _ in heat2d_core.dimension_names()})


def write_elements(elements):
    """elements.txt in the current folder, replaced at once."""
    def write(temporary, _):
        with open(temporary, "w", encoding="ascii", newline="\n") as stream:
            stream.writelines(" ".join(map(str, t)) + "\n" for t in elements)

    replaced(["elements.txt"], write)


def main(arguments):
    if "--help" in arguments:
        print(__doc__.strip())
        return 0
    flip = "--flip-corner" in arguments
    files = [a for a in arguments if a != "--flip-corner"]
    try:
        plate = read_plate(files)
        if len(files) != 1 or files[0].startswith("--"):
            return fail("elements", USAGE)
        numbered = plate.number(read_input(files[0], plate), flip)
        fail("elements", [f"flipped side {f.a}-{f.b} to {f.c}-{f.d}" for f in numbered.flips])
        write_elements(numbered.elements)
    except heat2d_core.Refused as refusal:
        # Faults that only corner flips mend: the option that makes them.
        hint = ", or run again with --flip-corner" if refusal.flips else ""
        return fail("elements", [line + hint for line in refusal.lines])
    except heat2d_core.Fault as fault:
        return fail("elements", fault.lines)
    except Exception as error:  # a fault of ours: one line, not a traceback
        return fail("elements", f"internal error: {type(error).__name__}: {error}")
    return 0


if __name__ == "__main__":
    if sys.argv[1:2] == ["--read-mesh"]:
        sys.exit(read_cells(sys.argv[3], sys.argv[2]))
    sys.exit(command("elements", main, sys.argv[1:]))
