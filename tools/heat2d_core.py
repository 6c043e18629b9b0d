"""heat2d's rules for the tools, from the library that heat2d is built from
(libheat2d.so, heat2d.dll), through its C API: the nodes, the boundary table,
the reading of elements.txt, the judge of a triangulation, the numbering for
the table and one element's values. Nothing of them is written here.

The library is looked for at $HEAT2D_LIBRARY, beside this script, and where
the installed layout puts it (lib/heat2d beside share/heat2d).
"""

import ctypes
import os
import sys

NAME = "heat2d.dll" if sys.platform == "win32" else "libheat2d.so"
OK, REFUSED, BAD_CALL = 0, 1, -1
FLUX, CONVECTION = "heat flux", "convection"


class MissingLibrary(Exception):
    """The library is not where the tools look for it; the text says where they looked."""


class Refused(Exception):
    """The core refused the input: args[0] holds its lines."""


class BadCall(Exception):
    """A call the core could not take, with its reason: a fault of the caller."""


class Term(ctypes.Structure):
    _fields_ = [("kind", ctypes.c_int), ("first", ctypes.c_int), ("second", ctypes.c_int),
                ("a", ctypes.c_int), ("b", ctypes.c_int), ("length", ctypes.c_double),
                ("load", ctypes.c_double), ("matrix", (ctypes.c_double * 3) * 3)]


class Element(ctypes.Structure):
    _fields_ = [("nodes", ctypes.c_int * 3), ("x", ctypes.c_double * 3), ("y", ctypes.c_double * 3),
                ("area", ctypes.c_double), ("b", ctypes.c_double * 3), ("c", ctypes.c_double * 3),
                ("conduction", (ctypes.c_double * 3) * 3), ("term_count", ctypes.c_int),
                ("terms", Term * 2), ("matrix", (ctypes.c_double * 3) * 3), ("loads", ctypes.c_double * 3)]


def candidates():
    here = os.path.dirname(os.path.realpath(__file__))
    found = [os.environ["HEAT2D_LIBRARY"]] if os.environ.get("HEAT2D_LIBRARY") else []
    return found + [os.path.join(here, NAME), os.path.normpath(os.path.join(here, "..", "..", "lib", "heat2d", NAME))]


_library = None


def library():
    """The loaded library, its functions declared."""
    global _library
    if _library is None:
        paths = candidates()
        path = next((p for p in paths if os.path.isfile(p)), None)
        if path is None:
            raise MissingLibrary(f"the heat2d library is not installed beside this script ({', '.join(paths)})")
        try:
            loaded = ctypes.CDLL(path)
        except OSError as error:
            raise MissingLibrary(f"the heat2d library cannot be loaded ({path}: {error})") from None
        c_int_p, c_double_p, text = (ctypes.POINTER(ctypes.c_int), ctypes.POINTER(ctypes.c_double),
                                     ctypes.POINTER(ctypes.c_void_p))
        for name, result, arguments in [
                ("heat2d_error", ctypes.c_char_p, []),
                ("heat2d_free", None, [ctypes.c_void_p]),
                ("heat2d_node_count", ctypes.c_int, []),
                ("heat2d_element_count", ctypes.c_int, []),
                ("heat2d_parameter", ctypes.c_double, [ctypes.c_char_p]),
                ("heat2d_term_name", ctypes.c_char_p, [ctypes.c_int]),
                ("heat2d_nodes", ctypes.c_int, [c_double_p, ctypes.c_int]),
                ("heat2d_boundary_table", ctypes.c_int, [c_int_p, ctypes.c_int]),
                ("heat2d_outline_sides", ctypes.c_int, [c_int_p, ctypes.c_int]),
                ("heat2d_outline_place", ctypes.c_void_p, [ctypes.c_int]),
                ("heat2d_read_elements", ctypes.c_int, [ctypes.c_char_p, ctypes.c_size_t, ctypes.c_char_p,
                                                        ctypes.c_char_p, c_double_p, ctypes.c_int, text]),
                ("heat2d_boundary_sides", ctypes.c_int, [c_double_p, ctypes.c_int, c_int_p, ctypes.c_int]),
                ("heat2d_judge", ctypes.c_int, [c_double_p, ctypes.c_int, ctypes.c_int, text]),
                ("heat2d_number", ctypes.c_int, [c_int_p, ctypes.c_int, ctypes.c_int, c_int_p, ctypes.c_int, text]),
                ("heat2d_flip", ctypes.c_int, [c_int_p, ctypes.c_int, ctypes.c_int, ctypes.c_int, c_int_p, ctypes.c_int,
                                               text]),
                ("heat2d_element", ctypes.c_int, [c_double_p, ctypes.c_int, ctypes.c_int, ctypes.POINTER(Element)])]:
            function = getattr(loaded, name)
            function.restype, function.argtypes = result, arguments
        _library = loaded
    return _library


def _checked(status):
    if status == BAD_CALL:
        raise BadCall(library().heat2d_error().decode())
    return status


def _taken(pointer):
    """The text the core handed out, freed."""
    if not pointer.value:
        return ""
    try:
        return os.fsdecode(ctypes.string_at(pointer.value))
    finally:
        library().heat2d_free(pointer.value)


def _doubles(values):
    flat = [float(v) for row in values for v in row]
    return (ctypes.c_double * len(flat))(*flat), len(flat)


def node_count():
    return library().heat2d_node_count()


def element_count():
    return library().heat2d_element_count()


def parameter(name):
    value = library().heat2d_parameter(name.encode())
    if value != value:
        raise BadCall(library().heat2d_error().decode())
    return value


def term_name(kind):
    return library().heat2d_term_name(kind).decode()


def nodes():
    """[(x, y)] of nodes 1 to 18 (index 0 is node 1)."""
    xy = (ctypes.c_double * (2 * node_count()))()
    _checked(library().heat2d_nodes(xy, len(xy)))
    return list(zip(xy[0::2], xy[1::2]))


def _rows(function, width, count=64):
    rows = (ctypes.c_int * (width * count))()
    found = _checked(function(rows, len(rows)))
    return [tuple(rows[width * k:width * k + width]) for k in range(found)]


def boundary_table():
    """[(element, term, first local node, second local node)]"""
    return [(e, term_name(kind), i, j) for e, kind, i, j in _rows(library().heat2d_boundary_table, 4)]


def outline_sides():
    """[(a, b, place, term or "")]: the sides of the outline, walked with the region on the left."""
    def place(part):
        pointer = ctypes.c_void_p(library().heat2d_outline_place(part))
        return _taken(pointer)
    return [(a, b, place(part), term_name(kind)) for a, b, part, kind in _rows(library().heat2d_outline_sides, 4)]


def read_elements(data, source, word="element"):
    """The 20 triples of elements.txt's bytes, as heat2d reads them (as read:
    2.7 stays 2.7); Refused with heat2d's line, less its prefix."""
    values = (ctypes.c_double * (3 * element_count()))()
    message = ctypes.c_void_p()
    status = _checked(library().heat2d_read_elements(data, len(data), os.fsencode(source), word.encode(),
                                                     values, len(values), ctypes.byref(message)))
    if status == REFUSED:
        raise Refused([_taken(message)])
    return [list(values[k:k + 3]) for k in range(0, len(values), 3)]


def boundary_sides(elements):
    """[(term, a, b)]: the side that each line of the boundary table gives its
    term, for elements in element order (node numbers)."""
    values, count = _doubles(elements)
    sides = (ctypes.c_int * 64)()
    found = _checked(library().heat2d_boundary_sides(values, count, sides, len(sides)))
    return [(term_name(sides[3 * k]), sides[3 * k + 1], sides[3 * k + 2]) for k in range(found)]


def judge(elements, table_order=True):
    """The faults that heat2d shows of a triangulation (table_order, "element"),
    or that a tool shows of one in any order and orientation ("triangle")."""
    values, count = _doubles(elements)
    lines = ctypes.c_void_p()
    _checked(library().heat2d_judge(values, count, int(table_order), ctypes.byref(lines)))
    return _taken(lines).splitlines()


def number(triangles, flip_corner=False):
    """(elements, flips): triangles in any order and orientation numbered for
    the boundary table; Refused with the faults' lines."""
    flat = [int(n) for t in triangles for n in t]
    given = (ctypes.c_int * len(flat))(*flat)
    elements = (ctypes.c_int * (3 * element_count()))()
    lines = ctypes.c_void_p()
    status = _checked(library().heat2d_number(given, len(flat), int(flip_corner), elements, len(elements),
                                              ctypes.byref(lines)))
    said = _taken(lines).splitlines()
    if status == REFUSED:
        raise Refused(said)
    return [list(elements[k:k + 3]) for k in range(0, len(elements), 3)], said


def flip(triangles, a, b):
    """The 20 triangles with inner side a-b flipped, in their places, each
    counter-clockwise; Refused with the reason it cannot flip."""
    flat = [int(n) for t in triangles for n in t]
    given = (ctypes.c_int * len(flat))(*flat)
    flipped = (ctypes.c_int * (3 * element_count()))()
    reason = ctypes.c_void_p()
    status = _checked(library().heat2d_flip(given, len(flat), a, b, flipped, len(flipped), ctypes.byref(reason)))
    said = _taken(reason).splitlines()
    if status == REFUSED:
        raise Refused(said)
    return [list(flipped[k:k + 3]) for k in range(0, len(flipped), 3)]


def element(elements, e):
    """Element e's values as the assembly computes them (an Element)."""
    values, count = _doubles(elements)
    result = Element()
    _checked(library().heat2d_element(values, count, e, ctypes.byref(result)))
    return result
