"""What the tools share: reading a file with bounds, the files of a finished
heat2d run, replacing outputs at once, and the tools' way of reporting a
fault. heat2d's own rules (the nodes, the boundary table, the reading of
elements.txt) come from its library, through the heat2d package.
"""

import errno
import math
import os
import stat
import sys
import tempfile
from typing import List, NamedTuple

# Installed, the tools' scripts are in share/heat2d and the package where
# Python looks for it, lib/python3/dist-packages beside share.
INSTALLED = os.path.join(os.path.dirname(os.path.realpath(__file__)), "..", "..", "lib", "python3", "dist-packages")
if os.path.isdir(os.path.join(INSTALLED, "heat2d")):
    sys.path.append(os.path.normpath(INSTALLED))
try:
    import heat2d
    from heat2d import core as heat2d_core
    from heat2d import Fault
except ImportError as error:  # the library missing, or of another interface: said by command() in one line
    heat2d = heat2d_core = None
    MISSING = error

    class Fault(Exception):
        lines = []
else:
    MISSING = None

LARGEST = 1 << 20  # bytes; 18 nodes and 20 triangles take a few kB in any format
# The fine runs' files, by their stem: refined_mesh.txt, refined_elements.txt
# and refined_write_.txt of heat2d --refine (level 9's largest is about 120 MB),
# adapted_* of heat2d --adapt.
FINE = {"refined": "heat2d --refine", "adapted": "heat2d --adapt"}
LARGEST_REFINED = 1 << 30


def fine_files(stem):
    return [f"{stem}_mesh.txt", f"{stem}_elements.txt", f"{stem}_write_.txt"]
KINDS = [(stat.S_ISFIFO, "a pipe"), (stat.S_ISCHR, "a device"), (stat.S_ISBLK, "a device"),
         (stat.S_ISSOCK, "a socket")]


class InputError(Fault):
    """An input that cannot be taken: its line, or lines."""


class Run(NamedTuple):
    """A finished run: the nodes, the triangles (node numbers), the
    temperatures and the problem's eight numbers it was run with (by
    heat2d_core.value_names(); None: the design's)."""
    xs: List[float]
    ys: List[float]
    triangles: List[List[int]]
    temperatures: List[float]
    values: dict = None


def design_values():
    """The design's eight numbers, by heat2d_core.value_names()."""
    return {name: heat2d_core.parameter(name) for name, _ in heat2d_core.value_names()}


def values_of(run):
    """The values a run was run with."""
    return run.values if run.values is not None else design_values()


def shown(text):
    """text on one line: line ends and other control characters escaped."""
    return "".join(c if c.isprintable() or c == " " else repr(c)[1:-1] for c in text)


def fail(tool, lines):
    """One line a fault on stderr, status 1."""
    for line in [lines] if isinstance(lines, str) else lines:
        print(f"heat2d-{tool}: {shown(line)}", file=sys.stderr)
    return 1


def read_file(path, verb="open", largest=LARGEST):
    """The bytes of the regular file at path, of largest bytes at most (1 MiB).
    A pipe, a device or a folder is refused by its kind, before it is opened."""
    try:
        mode = os.stat(path).st_mode
        if stat.S_ISDIR(mode):
            raise InputError(f"{path}: is a folder, not a file")
        for test, kind in KINDS:
            if test(mode):
                raise InputError(f"{path}: is {kind}, not a file")
        with open(path, "rb") as stream:
            data = stream.read(largest + 1)
    except OSError as error:
        raise InputError(f"{path}: cannot {verb}: {error.strerror}") from None
    if len(data) > largest:
        why = (f"; {heat2d_core.node_count()} nodes and {heat2d_core.element_count()} triangles take a few kB"
               if largest == LARGEST else "")
        raise InputError(f"{path}: is larger than {largest >> 20} MiB{why}")
    return data


def replaced(paths, write):
    """Writes each of paths through write(temporary, path) to a temporary file
    beside it, then puts them all in place: the old files stay whole when a
    write fails, or when a path cannot be replaced (a folder). Returns paths."""
    made = []
    try:
        for path in paths:
            if os.path.isdir(path):
                raise IsADirectoryError(errno.EISDIR, os.strerror(errno.EISDIR))
            folder, name = os.path.split(os.path.abspath(path))
            with tempfile.NamedTemporaryFile(prefix=f".{name}.", dir=folder, delete=False) as made_here:
                made.append(made_here.name)
            write(made[-1], path)
            os.chmod(made[-1], 0o644)
        for temporary, path in zip(made, paths):
            os.replace(temporary, path)
    except OSError as error:
        raise InputError(f"cannot write {path}: {error.strerror}") from None
    finally:
        for temporary in made:
            if os.path.exists(temporary):
                os.unlink(temporary)
    return paths


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
    lines = read_file(path, "read").decode("utf-8", errors="replace").splitlines()
    if len(lines) != heat2d_core.node_count():
        raise InputError(f"{path}: {len(lines)} lines, {heat2d_core.node_count()} expected")
    rows = []
    for number, line in enumerate(lines, start=1):
        fields = line.split()
        if len(fields) != 2:
            raise InputError(f'{path}: line {number}: "{form}" expected')
        rows.append(fields)
    return path, rows


def extent(values):
    """The plate's size: the longer of its half width and its height."""
    return max(values["width"] / 2, values["height"])


def plate_nodes(values):
    """The nodes of the plate of values (a dict of the eight numbers), as the
    core places them, and the plate's extent."""
    return [tuple(node) for node in heat2d.Problem(**values).nodes.tolist()], extent(values)


def read_nodes(folder, values):
    """The nodes of the plate of values, full precision, ([x], [y]), once
    mesh.txt ("x y" a line, six digits) is seen to hold them."""
    path, rows = read_rows(folder, "mesh.txt", "x y")
    xs = [parse_float(path, x, f"line {n}") for n, (x, _) in enumerate(rows, start=1)]
    ys = [parse_float(path, y, f"line {n}") for n, (_, y) in enumerate(rows, start=1)]
    nodes, extent = plate_nodes(values)
    for n, (x, y, (nx, ny)) in enumerate(zip(xs, ys, nodes), start=1):
        if max(abs(x - nx), abs(y - ny)) > 1e-5 * extent:  # six digits of the plate's size
            raise InputError(f"{path}: line {n}: ({x:g}, {y:g}) is not heat2d's node {n}, ({nx:g}, {ny:g})")
    return [x for x, _ in nodes], [y for _, y in nodes]


def node_at(nodes, x, y, z, tolerance):
    """The number of the node of nodes (heat2d's) at (x, y, z), within
    tolerance, or None."""
    return next((n for n, (nx, ny) in enumerate(nodes, start=1)
                 if abs(nx - x) <= tolerance and abs(ny - y) <= tolerance and abs(z) <= tolerance), None)


def read_triangles(folder):
    """The connectivity as heat2d reads it: node numbers."""
    path = os.path.join(folder, "elements.txt")
    return heat2d.parse_elements(read_file(path, "read"), path).tolist()


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


def read_run(folder, values, nan=False):
    """The Run of a finished run folder, run with values."""
    xs, ys = read_nodes(folder, values)
    return Run(xs, ys, read_triangles(folder), read_temperatures(folder, nan), values)


def read_fine(folder, stem, warn):
    """The finest mesh of a fine run (stem "refined" or "adapted") in the run
    folder, as a Run of numpy arrays with its values, or None when the folder
    holds none of its files, or when they are older than its elements.txt:
    warn(line) says so, since that field is another triangulation's."""
    import numpy

    names = fine_files(stem)
    paths = [os.path.join(folder, name) for name in names]
    if not any(os.path.lexists(path) for path in paths):
        return None
    try:
        elements = os.stat(os.path.join(folder, "elements.txt")).st_mtime_ns
        stale = [name for name, path in zip(names, paths) if os.stat(path).st_mtime_ns < elements]
    except OSError:
        stale = []  # a file that cannot be had is said when it is read
    if stale:
        warn(f"{os.path.join(folder, stale[0])} is older than elements.txt: its field, of another "
             f"triangulation, is left out (run {FINE[stem]} again)")
        return None
    columns = []
    for path, width in zip(paths, [2, 3, 2]):
        values = numpy.fromstring(read_file(path, "read", LARGEST_REFINED).decode("ascii", "replace"), sep=" ")
        if values.size % width or not numpy.isfinite(values).all():
            raise InputError(f"{path}: not lines of {width} numbers, as {FINE[stem]} writes them")
        columns.append(values.reshape(-1, width))
    xy, triangles, temperatures = columns
    count = len(xy)
    values = read_values(folder, f"{stem}_", warn)
    nodes, extent = plate_nodes(values)
    if count < len(nodes) or not numpy.allclose(xy[:len(nodes)], nodes, rtol=0, atol=1e-9 * extent):
        raise InputError(f"{paths[0]}: its first {len(nodes)} lines are not heat2d's nodes")
    if triangles.size and (triangles.min() < 1 or triangles.max() > count or (triangles % 1).any()):
        raise InputError(f"{paths[1]}: a triangle names a node outside 1 to {count}")
    if len(temperatures) != count or (temperatures[:, 0] != numpy.arange(1, count + 1)).any():
        raise InputError(f"{paths[2]}: not the {count} nodes of {names[0]}, numbered in order")
    return Run(xy[:, 0], xy[:, 1], triangles.astype(numpy.int64), temperatures[:, 1], values)


def read_values(folder, prefix, warn):
    """The eight numbers of the run that wrote prefix + write_.txt in the
    folder (a plain run's, "", or a fine run's, "refined_" or "adapted_"): the
    design's, or those in prefix + values.txt, which a run given any writes
    after its other files (the four values alone in a file of release 1.3,
    on the design's plate). An older one is another run's: warn(line) says
    so, and the design's are taken."""
    answer = prefix + "write_.txt"
    path = os.path.join(folder, prefix + "values.txt")
    if not os.path.lexists(path):
        return design_values()
    try:
        stale = os.stat(path).st_mtime_ns < os.stat(os.path.join(folder, answer)).st_mtime_ns
    except OSError:
        stale = False  # a file that cannot be had is said when it is read
    if stale:
        warn(f"{path} is older than {answer}: its values are another run's, and this field's plate and values "
             "are the design's")
        return design_values()
    names, values = [name for name, _ in heat2d_core.value_names()], {}
    for number, line in enumerate(read_file(path, "read", 4096).decode("utf-8", "replace").splitlines(), 1):
        name, _, value = line.partition(" ")
        if name not in names or name in values:
            raise InputError(f"{path}: line {number} is not one of the eight numbers, each once, as heat2d writes them")
        values[name] = parse_float(path, value, f"line {number}")
    if set(values) not in (set(names), set(names[:4])):
        raise InputError(f"{path}: not the eight numbers (or the four values) as heat2d writes them")
    values = {**design_values(), **values}
    try:
        heat2d.Problem(**values)  # each within its range, the plate whole
    except Fault as fault:
        raise InputError(f"{path}: {fault.lines[0]}") from None
    return values


def command(tool, main, arguments):
    """main(arguments)'s status, with its standard output flushed: a stream
    that cannot be written (a full disk, a closed pipe) is one line and
    status 1, like any fault, as is a library that cannot be had."""
    if MISSING is not None and "--help" not in arguments:
        return fail(tool, str(MISSING))
    try:
        status = main(arguments)
        sys.stdout.flush()
    except OSError as error:
        sys.stdout = open(os.devnull, "w")  # nothing more for the lost stream at exit
        try:
            return fail(tool, f"cannot write the standard output: {error.strerror}")
        except OSError:
            return 1
    return status


def run_folder_tool(tool, doc, arguments, make, library, nan=False):
    """The command of a tool that reads a run folder (the current folder when
    none is given) and writes files there: make(folder, run, fine) returns
    their paths, printed one a line; fine maps "refined" and "adapted" to the
    finest mesh of heat2d --refine and heat2d --adapt that the folder holds
    (each left out when it holds none, or an old one). Status 1 and one line
    for a fault, naming library when it cannot be imported."""
    if arguments[:1] == ["--help"]:
        print(doc.strip())
        return 0
    if len(arguments) > 1:
        return fail(tool, f"usage: heat2d-{tool} [RUN_FOLDER]")
    folder = arguments[0] if arguments else "."
    try:
        warn = lambda line: fail(tool, line)  # noqa: E731
        run = read_run(folder, read_values(folder, "", warn), nan)
        fine = {stem: read_fine(folder, stem, warn) for stem in FINE}
        fine = {stem: field for stem, field in fine.items() if field is not None}
        written = make(folder, run, fine)
    except Fault as fault:
        return fail(tool, fault.lines)
    except ImportError as error:
        return fail(tool, f"{library} is needed: {error}")
    except Exception as error:  # a library's own fault on odd data: one line, not a traceback
        return fail(tool, f"cannot make the outputs: {type(error).__name__}: {error}")
    if any(math.isnan(t) for t in run.temperatures):
        fail(tool, "the temperatures are not-a-number (the run's system was not positive "
                   "definite); they are written as they are")
    print("\n".join(written))
    return 0
