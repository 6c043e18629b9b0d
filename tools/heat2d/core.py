"""The calls of heat2d's library (libheat2d.so, heat2d.dll) through its C
API, one function a call, with Python's lists (numpy arrays for an element,
a solve, a level and a step): the nodes, the boundary table,
the reading of elements.txt, the judge of a triangulation, the numbering for
the table, the flip of a side, one element's values, the solve, the levels
and the steps. Nothing of heat2d's rules is written here.

The library is looked for at $HEAT2D_LIBRARY when it is set, otherwise beside
this package, in the folder above it (the Windows zip's tools) and where
Debian's layout puts it (/usr/lib/heat2d beside /usr/lib/python3). One of
another interface than this module's is refused.
"""

import ctypes
import os
import sys
from dataclasses import dataclass
from typing import List, NamedTuple

import numpy

NAME = "heat2d.dll" if sys.platform == "win32" else "libheat2d.so"
INTERFACE = 11  # the library's HEAT2D_INTERFACE that this module speaks
# The library's statuses, read from it when it is loaded.
OK = REFUSED = TOO_SMALL = BAD_CALL = None


class Kind(int):
    """The kind of a boundary term, as the library numbers it: Kind.NONE,
    Kind.HEAT_FLUX and Kind.CONVECTION, read from it when it is loaded."""

    def __str__(self):
        return term_name(self)

    def __repr__(self):
        return f"Kind({int(self)}: {term_name(self) or 'none'})"


class Fault(Exception):
    """A fault that heat2d reports as it stands: its lines, one or several."""

    def __init__(self, lines):
        self.lines = [lines] if isinstance(lines, str) else list(lines)
        super().__init__("; ".join(self.lines))


class MissingLibrary(Fault, ImportError):
    """The library cannot be had: not where the package looks, not loadable,
    or of another interface."""


class Refused(Fault, ValueError):
    """The core refused the input: lines are its own. flips, for a numbering
    refused only for its corners, are the flips that would mend them."""

    def __init__(self, lines, flips=(), named=()):
        super().__init__(lines)
        self.flips = list(flips)
        self.named = list(named)


class BadCall(Fault, ValueError):
    """A call the core could not take, with its reason: a fault of the caller."""


class TableRow(NamedTuple):
    element: int
    term: Kind
    first: int  # local nodes, 1 to 3
    second: int


class OutlineSide(NamedTuple):
    a: int  # from a to b with the region on the left
    b: int
    place: str
    term: Kind


class TermSide(NamedTuple):
    term: Kind
    a: int
    b: int


class Flip(NamedTuple):
    a: int  # side a-b became c-d
    b: int
    c: int
    d: int


class CornerCount(NamedTuple):
    node: int  # a corner whose slots in the boundary table fit only so many triangles
    count: int  # the triangles that meet there
    least: int
    most: int


class Numbered(NamedTuple):
    elements: List[List[int]]
    flips: List[Flip]


@dataclass
class Term:
    """A boundary term of an element: its kind, local nodes first and second
    (1 to 3), their node numbers a and b, the side's length, its load and its
    3 x 3 matrix."""
    kind: Kind
    first: int
    second: int
    a: int
    b: int
    length: float
    load: float
    matrix: numpy.ndarray


@dataclass
class Element:
    """An element as the assembly computes it: its three nodes and their
    coordinates, its area, the b and c of the shape functions' gradients, the
    conduction matrix, the boundary terms, the element's matrix and loads."""
    nodes: numpy.ndarray
    x: numpy.ndarray
    y: numpy.ndarray
    area: float
    b: numpy.ndarray
    c: numpy.ndarray
    conduction: numpy.ndarray
    terms: List[Term]
    matrix: numpy.ndarray
    loads: numpy.ndarray


def candidates():
    if os.environ.get("HEAT2D_LIBRARY"):
        return [os.environ["HEAT2D_LIBRARY"]]
    here = os.path.dirname(os.path.realpath(__file__))
    return [os.path.normpath(os.path.join(here, *up, NAME)) for up in [(), ("..",), ("..", "..", "..", "heat2d")]]


_library = None
INT, DOUBLE = ctypes.c_int, ctypes.c_double
INT_P, DOUBLE_P, TEXT_P = ctypes.POINTER(INT), ctypes.POINTER(DOUBLE), ctypes.POINTER(ctypes.c_void_p)
STATIC_P = ctypes.POINTER(ctypes.c_char_p)
_DTYPES = {INT: numpy.intc, DOUBLE: numpy.float64}
SIGNATURES = [
    ("heat2d_version", INT, [STATIC_P, INT_P]),
    ("heat2d_error", ctypes.c_char_p, []),
    ("heat2d_free", None, [ctypes.c_void_p]),
    ("heat2d_count", INT, [ctypes.c_char_p, INT_P]),
    ("heat2d_code", INT, [ctypes.c_char_p, INT_P]),
    ("heat2d_value_name", INT, [INT, STATIC_P, STATIC_P]),
    ("heat2d_node", INT, [ctypes.c_char_p, INT_P]),
    ("heat2d_parameter", INT, [ctypes.c_char_p, DOUBLE_P]),
    ("heat2d_term_name", INT, [INT, STATIC_P]),
    ("heat2d_nodes", INT, [ctypes.c_void_p, DOUBLE_P, INT, INT_P]),
    ("heat2d_boundary_table", INT, [INT_P, INT, INT_P]),
    ("heat2d_outline_sides", INT, [ctypes.c_void_p, INT_P, INT, INT_P]),
    ("heat2d_outline_place", INT, [ctypes.c_void_p, INT, STATIC_P]),
    ("heat2d_read_elements", INT, [ctypes.c_char_p, ctypes.c_size_t, ctypes.c_char_p, ctypes.c_char_p, INT_P, INT,
                                   INT_P, TEXT_P]),
    ("heat2d_boundary_sides", INT, [INT_P, INT, INT_P, INT, INT_P]),
    ("heat2d_judge", INT, [INT_P, INT, ctypes.c_void_p, INT, TEXT_P]),
    ("heat2d_number_triangles", INT, [INT_P, INT, ctypes.c_void_p, INT, INT_P, INT, INT_P, INT_P, INT, INT_P, TEXT_P]),
    ("heat2d_flip_side", INT, [INT_P, INT, ctypes.c_void_p, INT, INT, INT_P, INT, INT_P, TEXT_P]),
    ("heat2d_result_ints", INT, [ctypes.c_void_p, ctypes.c_char_p, INT_P, INT, INT_P]),
    ("heat2d_result_doubles", INT, [ctypes.c_void_p, ctypes.c_char_p, DOUBLE_P, INT, INT_P]),
    ("heat2d_result_free", None, [ctypes.c_void_p]),
    ("heat2d_values_new", INT, [ctypes.POINTER(ctypes.c_void_p)]),
    ("heat2d_values_set", INT, [ctypes.c_void_p, ctypes.c_char_p, DOUBLE, TEXT_P]),
    ("heat2d_values_get", INT, [ctypes.c_void_p, ctypes.c_char_p, DOUBLE_P]),
    ("heat2d_values_free", None, [ctypes.c_void_p]),
    ("heat2d_value_range", INT, [ctypes.c_char_p, DOUBLE_P, DOUBLE_P]),
    ("heat2d_read_number", INT, [ctypes.c_char_p, DOUBLE_P]),
    ("heat2d_element", INT, [INT_P, INT, INT, ctypes.c_void_p, ctypes.POINTER(ctypes.c_void_p)]),
    ("heat2d_solve", INT, [INT_P, INT, ctypes.c_void_p, ctypes.POINTER(ctypes.c_void_p), TEXT_P]),
    ("heat2d_refine", INT, [INT_P, INT, ctypes.c_void_p, ctypes.POINTER(ctypes.c_void_p), TEXT_P]),
    ("heat2d_refine_next", INT, [ctypes.c_void_p, ctypes.POINTER(ctypes.c_void_p), TEXT_P]),
    ("heat2d_refine_free", None, [ctypes.c_void_p]),
    ("heat2d_refine_memory", INT, [INT, DOUBLE_P]),
    ("heat2d_corner_counts", INT, [INT_P, INT, INT_P, INT, INT_P]),
    ("heat2d_adapt", INT, [INT_P, INT, ctypes.c_void_p, ctypes.POINTER(ctypes.c_void_p), TEXT_P]),
    ("heat2d_adapt_next", INT, [ctypes.c_void_p, ctypes.POINTER(ctypes.c_void_p), TEXT_P]),
    ("heat2d_adapt_estimated_by", INT, [STATIC_P]),
    ("heat2d_adapt_free", None, [ctypes.c_void_p]),
]


def library():
    """The loaded library, its functions declared and its interface checked."""
    global _library
    if _library is None:
        paths = candidates()
        path = next((p for p in paths if os.path.isfile(p)), None)
        if path is None:
            where = "at HEAT2D_LIBRARY" if os.environ.get("HEAT2D_LIBRARY") else "where it is installed"
            raise MissingLibrary(f"the heat2d library is not {where} ({', '.join(paths)}): install heat2d's package, "
                                 f"or set HEAT2D_LIBRARY to the {NAME} of a build")
        try:
            loaded = ctypes.CDLL(path)
            release, interface = _version(loaded)
            if interface != INTERFACE:
                raise MissingLibrary(f"the heat2d library {path} ({release}) has interface {interface}, "
                                     f"this package needs {INTERFACE}")
            for name, result, arguments in SIGNATURES:
                function = getattr(loaded, name)
                function.restype, function.argtypes = result, arguments
        except (OSError, AttributeError) as error:
            raise MissingLibrary(f"the heat2d library cannot be loaded ({path}: {error})") from None
        _read_codes(loaded)
        _library = loaded
    return _library


def _version(loaded):
    """(release, interface) that a loaded library answers; ("?", None) when it answers none."""
    release, interface = ctypes.c_char_p(), INT(-1)
    loaded.heat2d_version.restype, loaded.heat2d_version.argtypes = INT, [STATIC_P, INT_P]
    loaded.heat2d_version(ctypes.byref(release), ctypes.byref(interface))
    if interface.value < 0 or not release.value:
        return "?", None
    return release.value.decode(), interface.value


def _read_codes(loaded):
    """The statuses and the kinds of term, as the library numbers them."""
    global OK, REFUSED, TOO_SMALL, BAD_CALL
    value = INT()
    OK = loaded.heat2d_code(b"ok", ctypes.byref(value))
    if OK != value.value:
        raise MissingLibrary("the heat2d library does not answer its status \"ok\"")

    def code(name):
        if loaded.heat2d_code(name.encode(), ctypes.byref(value)) != OK:
            raise MissingLibrary(f"the heat2d library does not answer its code \"{name}\"")
        return value.value

    REFUSED, TOO_SMALL, BAD_CALL = (code(name) for name in ("refused", "too_small", "bad_call"))
    Kind.NONE, Kind.HEAT_FLUX, Kind.CONVECTION = (Kind(code(name)) for name in ("no_term", "heat_flux", "convection"))


def _checked(status):
    """status, or the library's reason as BadCall."""
    if status not in (OK, REFUSED):
        raise BadCall(library().heat2d_error().decode())
    return status


def _taken(pointer):
    """The lines of the text the core handed out, freed."""
    if not pointer.value:
        return []
    try:
        return os.fsdecode(ctypes.string_at(pointer.value)).splitlines()
    finally:
        library().heat2d_free(pointer.value)


def _ints(values):
    flat = [int(v) for row in values for v in row]
    return (INT * len(flat))(*flat), len(flat)


def _rows(flat, width):
    return [list(flat[k:k + width]) for k in range(0, len(flat), width)]


def _filled(ctype, fill, guess=16):
    """(buffer, count): the values that fill(buffer, capacity, count) writes,
    into a buffer of guess values, or of the size it asks for."""
    count = INT()
    buffer = (ctype * guess)()
    status = fill(buffer, guess, ctypes.byref(count))
    if status == TOO_SMALL:
        buffer = (ctype * count.value)()
        status = fill(buffer, count.value, ctypes.byref(count))
    _checked(status)
    return buffer, count.value


def _sized(ctype, fill):
    buffer, count = _filled(ctype, fill)
    return buffer[:count]


def _array(ctype, fill):
    """The values as a numpy array over the buffer they were written to."""
    buffer, count = _filled(ctype, fill)
    return numpy.ctypeslib.as_array(buffer)[:count] if count else numpy.empty(0, _DTYPES[ctype])


def _static(call, *arguments):
    text = ctypes.c_char_p()
    _checked(call(*arguments, ctypes.byref(text)))
    return text.value.decode()


def version():
    """(release, interface) of the library, checked when it was loaded."""
    return _version(library())


def _named(call, name, ctype):
    value = ctype()
    _checked(call(name.encode(), ctypes.byref(value)))
    return value.value


def code(name):
    """A number the library gives by name: "last_level", "first_dimension", a status..."""
    return _named(library().heat2d_code, name, INT)


def node_count():
    return _named(library().heat2d_count, "nodes", INT)


def element_count():
    return _named(library().heat2d_count, "elements", INT)


def node(name):
    """A node that the rules name: "notch_corner", "notch_top" or "top_right"."""
    return _named(library().heat2d_node, name, INT)


def parameter(name):
    return _named(library().heat2d_parameter, name, DOUBLE)


def term_name(kind):
    return _static(library().heat2d_term_name, int(kind))


def nodes(values=None):
    """[(x, y)] of nodes 1 to 18 (index 0 is node 1) of the plate of values
    (the design's when None)."""
    xy = _sized(DOUBLE, lambda *buffer: library().heat2d_nodes(_handle(values), *buffer))
    return list(zip(xy[0::2], xy[1::2]))


def boundary_table():
    return [TableRow(e, Kind(kind), i, j) for e, kind, i, j in _rows(_sized(INT, library().heat2d_boundary_table), 4)]


def outline_sides(values=None):
    """The sides of the outline of the plate of values (the design's when
    None), walked with the region on the left."""
    sides = _sized(INT, lambda *buffer: library().heat2d_outline_sides(_handle(values), *buffer))
    return [OutlineSide(a, b, _static(library().heat2d_outline_place, _handle(values), part), Kind(kind))
            for a, b, part, kind in _rows(sides, 4)]


def read_elements(data, source, word="element"):
    """The 20 triples of nodes of elements.txt's bytes, as heat2d reads them
    (2.7 is node 2); Refused with heat2d's line, less its prefix."""
    message = ctypes.c_void_p()
    size = 3 * element_count()
    values, count = (INT * size)(), INT()
    if _checked(library().heat2d_read_elements(data, len(data), os.fsencode(source), word.encode(), values, size,
                                               ctypes.byref(count), ctypes.byref(message))) == REFUSED:
        raise Refused(_taken(message))
    return _rows(values[:count.value], 3)


def boundary_sides(elements):
    """The side that each line of the boundary table gives its term, for
    elements in element order (node numbers)."""
    values, count = _ints(elements)
    fill = lambda buffer, capacity, written: library().heat2d_boundary_sides(  # noqa: E731
        values, count, buffer, capacity, written)
    return [TermSide(Kind(kind), a, b) for kind, a, b in _rows(_sized(INT, fill), 3)]


def judge(elements, table_order=True, values=None):
    """The faults that heat2d shows of a triangulation (table_order, "element"),
    or that a tool shows of one in any order and orientation ("triangle"),
    over the plate of values (the design's when None)."""
    given, count = _ints(elements)
    lines = ctypes.c_void_p()
    _checked(library().heat2d_judge(given, count, _handle(values), int(table_order), ctypes.byref(lines)))
    return _taken(lines)


def number(triangles, flip_corner=False, values=None):
    """Numbered(elements, flips): triangles in any order and orientation
    numbered for the boundary table, with the corner flips made; Refused
    with the faults' lines and, when only corners are at fault, their flips."""
    given, count = _ints(triangles)
    size = 3 * element_count()
    elements, written = (INT * size)(), INT()
    lines, flip_count = ctypes.c_void_p(), INT()

    def called(capacity):
        flips = (INT * capacity)()
        return flips, library().heat2d_number_triangles(given, count, _handle(values), int(flip_corner), elements, size,
                                                        ctypes.byref(written), flips, capacity,
                                                        ctypes.byref(flip_count), ctypes.byref(lines))
    flips, status = called(0)
    if status == TOO_SMALL:  # the flips: asked again at the size they need
        flips, status = called(flip_count.value)
    refused = _checked(status) == REFUSED
    made = [Flip(*row) for row in _rows(flips[:flip_count.value], 4)]
    if refused:
        raise Refused(_taken(lines), made)
    return Numbered(_rows(elements[:written.value], 3), made)


def flip(triangles, a, b, values=None):
    """The 20 triangles with inner side a-b flipped, in their places, each
    counter-clockwise; Refused with the reason it cannot flip."""
    given, count = _ints(triangles)
    flipped, written = (INT * count)(), INT()
    reason = ctypes.c_void_p()
    if _checked(library().heat2d_flip_side(given, count, _handle(values), a, b, flipped, count, ctypes.byref(written),
                                           ctypes.byref(reason))) == REFUSED:
        raise Refused(_taken(reason))
    return _rows(flipped[:written.value], 3)


class Result:
    """A result of the core, read by name one flat array at a time."""

    def __init__(self, make):
        self.handle = ctypes.c_void_p()
        _checked(make(ctypes.byref(self.handle)))

    def ints(self, name):
        return _sized(INT, lambda buffer, capacity, count: library().heat2d_result_ints(
            self.handle, name.encode(), buffer, capacity, count))

    def doubles(self, name):
        return _sized(DOUBLE, lambda buffer, capacity, count: library().heat2d_result_doubles(
            self.handle, name.encode(), buffer, capacity, count))

    def array(self, name, ctype=DOUBLE):
        """A flat numpy array of the values named name (ctype INT or DOUBLE)."""
        call = library().heat2d_result_doubles if ctype is DOUBLE else library().heat2d_result_ints
        return _array(ctype, lambda buffer, capacity, count: call(self.handle, name.encode(), buffer, capacity, count))

    def __enter__(self):
        return self

    def __exit__(self, *_):
        self.free()

    def free(self):
        if self.handle and _library is not None:
            _library.heat2d_result_free(self.handle)
        self.handle = ctypes.c_void_p()

    __del__ = free


class _Read:
    """An array of a kept result, read from the core when it is first asked
    for: by name, of ctype, in rows of width (1: flat), as truth values."""

    def __init__(self, name, ctype=DOUBLE, width=1, truth=False):
        self.name, self.ctype, self.width, self.truth = name, ctype, width, truth

    def __set_name__(self, owner, attribute):
        self.attribute = attribute

    def __get__(self, kept, owner=None):
        if kept is None:
            return self
        value = kept._result.array(self.name, self.ctype)
        value = value.reshape(-1, self.width) if self.width > 1 else value.astype(bool) if self.truth else value
        kept.__dict__[self.attribute] = value  # read once
        return value


class _Kept:
    """A level or a step: the core's result kept, its arrays read as they are
    asked for, its figures by name in figures."""

    def __init__(self, result, ints, doubles):
        self._result = result
        self.figures = _figures(result, ["triangles_count", "nodes_count", "hottest_node", "iterations"] + ints,
                                ["hottest", "change", "heat_in", "heat_out", "residual", "seconds"] + doubles)

    nodes = _Read("nodes", width=2)
    triangles = _Read("triangles", INT, 3)
    temperatures = _Read("temperatures")
    error_left = _Read("error_left")
    orders = _Read("orders")


class Values:
    """The problem's eight numbers for the core's calls (its four values and
    the plate's four dimensions), by their names (value_names()), the design's
    unless given; Refused with the range when one is outside it, the number
    kept. The plate as a whole is judged by the calls that compute on it."""

    def __init__(self, **given):
        self.handle = ctypes.c_void_p()
        _checked(library().heat2d_values_new(ctypes.byref(self.handle)))
        for name, value in given.items():
            self[name] = value

    def __setitem__(self, name, value):
        why = ctypes.c_void_p()
        status = library().heat2d_values_set(self.handle, name.encode(), float(value), ctypes.byref(why))
        if _checked(status) == REFUSED:
            raise Refused(_taken(why))

    def __getitem__(self, name):
        value = DOUBLE()
        _checked(library().heat2d_values_get(self.handle, name.encode(), ctypes.byref(value)))
        return value.value

    def __del__(self):
        if self.handle and _library is not None:
            _library.heat2d_values_free(self.handle)
            self.handle = ctypes.c_void_p()


def value_names():
    """The names of the problem's eight numbers, with the console's options:
    [("conductivity", "--conductivity"), ...], in the library's order."""
    names = []
    for k in range(_named(library().heat2d_count, "values", INT)):
        name, option = ctypes.c_char_p(), ctypes.c_char_p()
        _checked(library().heat2d_value_name(k, ctypes.byref(name), ctypes.byref(option)))
        names.append((name.value.decode(), option.value.decode()))
    return names


def dimension_names():
    """The names of the plate's four dimensions, with the console's options:
    [("width", "--width"), ...], the last of value_names()."""
    return value_names()[_named(library().heat2d_code, "first_dimension", INT):]


def value_range(name):
    """(least, most): the closed range of a value."""
    least, most = DOUBLE(), DOUBLE()
    _checked(library().heat2d_value_range(name.encode(), ctypes.byref(least), ctypes.byref(most)))
    return least.value, most.value


def read_number(text):
    """text as heat2d reads an option's number (a decimal number, an exponent
    allowed, finite), or None when it is not one."""
    value = DOUBLE()
    return value.value if _checked(library().heat2d_read_number(os.fsencode(text), ctypes.byref(value))) == OK else None


def _handle(values):
    """A Values' handle, or NULL for the design's values."""
    return values.handle if values is not None else None


def _matrix(flat, width):
    return flat.reshape(-1, width)


def element(elements, e, values=None):
    """Element e's values as the assembly computes them, with the problem's
    values (the design's when None)."""
    given, count = _ints(elements)
    with Result(lambda handle: library().heat2d_element(given, count, e, _handle(values), handle)) as found:
        sides, nodes_of = _rows(found.ints("term_sides"), 2), _rows(found.ints("term_nodes"), 2)
        terms = [Term(Kind(kind), *side, *ends, length, load, matrix)
                 for kind, side, ends, length, load, matrix in zip(
                     found.ints("term_kinds"), sides, nodes_of, found.doubles("term_lengths"),
                     found.doubles("term_loads"), _matrix(found.array("term_matrices"), 9).reshape(-1, 3, 3))]
        return Element(found.array("nodes", INT), found.array("x"), found.array("y"), found.doubles("area")[0],
                       found.array("b"), found.array("c"), _matrix(found.array("conduction"), 3), terms,
                       _matrix(found.array("matrix"), 3), found.array("loads"))


@dataclass
class Solution:
    """heat2d's problem solved on a triangulation: the nodes (18 x 2), its
    triangles (node numbers, as given), K, f and the temperatures T at the
    nodes, full precision, with the heat that comes in and goes out."""
    nodes: numpy.ndarray
    triangles: numpy.ndarray
    K: numpy.ndarray
    f: numpy.ndarray
    T: numpy.ndarray
    heat_in: float
    heat_out: float

    def plot(self, ax=None):
        """The field on matplotlib's axes ax (new ones when None), returned."""
        from .plots import field
        return field(ax, self.nodes, self.triangles, self.T, f"heat2d: {len(self.triangles)} triangles, hottest "
                     f"{self.T.max():.6g} at node {self.T.argmax() + 1}")


def solve(elements, values=None):
    """elements (20 triples, as heat2d takes them) judged and solved with the
    problem's values (the design's when None); Refused with heat2d's faults of
    the triangulation, named: [line, kind, a, b] for each thing a line names."""
    given, count = _ints(elements)
    lines = ctypes.c_void_p()
    with Result(lambda handle: library().heat2d_solve(given, count, _handle(values), handle,
                                                      ctypes.byref(lines))) as found:
        if lines.value:
            raise Refused(_taken(lines), named=_rows(found.ints("named"), 4) if found.handle else ())
        K = found.array("K")
        return Solution(numpy.array(nodes(values)), numpy.ctypeslib.as_array(given).reshape(-1, 3).copy(), _matrix(K, node_count()),
                        found.array("f"), found.array("temperatures"), found.doubles("heat_in")[0],
                        found.doubles("heat_out")[0])


class Level(_Kept):
    """A refined level: its nodes (x, y a row; heat2d's 18 first), triangles
    (node numbers, counter-clockwise), temperatures, its figures by name
    (level, triangles, nodes, hottest, hottest_node, change, heat_in,
    heat_out, residual, iterations, seconds, backward_error), from level 2 on
    the error left at heat2d's nodes with the orders of the extrapolation and
    where they are observed, and from level 1 on the level below's field at
    its nodes. Each array is read from the core when first asked for."""
    observed = _Read("observed", INT, truth=True)
    below = _Read("below")

    def __init__(self, result):
        super().__init__(result, ["level"], [])

    def plot(self, ax=None):
        """The level's field and mesh on matplotlib's axes ax (new ones when None), returned."""
        from .plots import field
        return field(ax, self.nodes, self.triangles, self.temperatures, _title("level", self.figures))


class Step(_Kept):
    """An adaptive step: its mesh, temperatures, each triangle's indicator and
    mark, its figures by name (as a level's, with step,
    smallest_side_at_node_6, eta, node_8 and error), and its answer at
    heat2d's nodes with the error left (none at step 0) and the orders it was
    extrapolated with. Each array is read from the core when first asked for."""
    indicators = _Read("indicators")
    marked = _Read("marked", INT, truth=True)
    answer = _Read("answer")

    def __init__(self, result):
        super().__init__(result, ["step"], ["smallest_side_at_node_6", "eta", "node_8", "error"])

    def plot(self, ax=None):
        """The step's field and its graded mesh on matplotlib's axes ax (new
        ones when None), returned."""
        from .plots import field
        return field(ax, self.nodes, self.triangles, self.temperatures, _title("step", self.figures), True)


def _title(what, figures):
    return (f"{what} {figures[what]}: {figures['triangles']:,} triangles, {figures['nodes']:,} nodes, "
            f"hottest {figures['hottest']:.7g}")


COUNTS = {"triangles_count": "triangles", "nodes_count": "nodes"}  # a line's names for the result's


def _figures(result, ints, doubles):
    """A level's or step's figures, one value each, by name; backward_error
    None where the solve reached its tolerance, not only rounding's level."""
    return {COUNTS.get(name, name): result.ints(name)[0] for name in ints} | \
        {name: result.doubles(name)[0] for name in doubles} | \
        {"backward_error": next(iter(result.doubles("backward_error")), None)}


def _steps(start, next_call, free, elements):
    """Results of a run of the core's, one a call of next_call, until the
    caller stops; Refused with the faults of the triangulation or why a call
    cannot be made."""
    values, count = _ints(elements)
    run, lines = ctypes.c_void_p(), ctypes.c_void_p()
    if _checked(start(values, count, ctypes.byref(run), ctypes.byref(lines))) == REFUSED:
        raise Refused(_taken(lines))
    try:
        while True:
            result = Result(lambda handle: next_call(run, handle, ctypes.byref(lines)))
            if not result.handle:
                raise Refused(_taken(lines))
            yield result
    finally:
        free(run)


def refine(elements, values=None):
    """The levels of elements' refinement with the problem's values (the
    design's when None), 0 first, one a step (a generator); Refused with
    heat2d's faults of the triangulation, or why a level cannot be solved."""
    lib = library()
    start = lambda given, count, run, lines: lib.heat2d_refine(given, count, _handle(values), run, lines)  # noqa: E731
    yield from map(Level, _steps(start, lib.heat2d_refine_next, lib.heat2d_refine_free, elements))


def adapt(elements, values=None):
    """The adaptive steps of elements with the problem's values (the design's
    when None), 0 first, one a step (a generator); Refused with heat2d's faults
    of the triangulation, or why a step cannot be solved."""
    lib = library()
    start = lambda given, count, run, lines: lib.heat2d_adapt(given, count, _handle(values), run, lines)  # noqa: E731
    yield from map(Step, _steps(start, lib.heat2d_adapt_next, lib.heat2d_adapt_free, elements))


def refine_memory(level):
    """The bytes that solving a refined level takes at its peak."""
    value = DOUBLE()
    _checked(library().heat2d_refine_memory(level, ctypes.byref(value)))
    return value.value


def corner_counts(triangles):
    """The corners that the boundary table's slots constrain, with how many of
    the triangles meet at each and the least and most the table takes."""
    values, count = _ints(triangles)
    return [CornerCount(*row) for row in _rows(_sized(INT, lambda buffer, capacity, written: library()
                                                      .heat2d_corner_counts(values, count, buffer, capacity,
                                                                            written)), 4)]


def estimated_by():
    """How the adaptive steps' answer and its error left are obtained, in words."""
    how = ctypes.c_char_p()
    _checked(library().heat2d_adapt_estimated_by(ctypes.byref(how)))
    return how.value.decode()
