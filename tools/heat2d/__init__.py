"""heat2d from Python: steady heat conduction in heat2d's notched plate by
linear triangles, computed by the same library as the heat2d program and its
page, with numpy arrays.

    import heat2d
    problem = heat2d.Problem(conductivity=2)   # the design's, but k
    solution = problem.solve(heat2d.shipped_elements())
    solution.T                                 # the 18 temperatures
    solution.plot()                            # the field, with matplotlib

A Problem holds the eight numbers by their names: conductivity,
heat_flux, convection_coeff, ambient_temperature (the values), then width,
height, notch_width and notch_depth (the plate); each the design's unless
given. Its calls take a
triangulation: 20 triples of node numbers (1 to 18), as a list or a numpy
array, of ints or of integral floats (what numpy.loadtxt gives).

Input that heat2d refuses (a number out of its range, a plate whose notch is
not inside it, a triangulation with faults) raises heat2d.Refused, a
ValueError, with heat2d's own lines in .lines; an argument of the wrong type
or shape raises TypeError or ValueError naming it. Nothing is printed and
nothing written.

The library (libheat2d.so, heat2d.dll) is found at $HEAT2D_LIBRARY, beside
this package or where heat2d's packages install it; without it the import
fails with one ImportError naming where it looked.
"""

import numbers as _numbers
import os

import numpy

from . import core
from .core import BadCall, Element, Fault, Kind, Level, Refused, Solution, Step, Term

core.library()  # the ImportError of a missing library, here

__all__ = ["Problem", "Run", "Refused", "Fault", "Solution", "Element", "Term", "Level", "Step", "Kind",
           "read_elements", "parse_elements", "shipped_elements", "value_names", "value_range"]

HERE = os.path.dirname(os.path.realpath(__file__))


def value_names():
    """The names of the eight numbers, in the library's order."""
    return [name for name, _ in core.value_names()]


def value_range(name):
    """(least, most), the closed range of a number by its name, or of
    "error", what Problem.adapt may be asked for."""
    return core.value_range(name)


def parse_elements(text, source="elements.txt"):
    """The 20 triples of node numbers of elements.txt's text (str or bytes)
    as heat2d reads it, an array of 20 x 3; Refused with heat2d's line."""
    if not isinstance(text, (str, bytes)):
        raise TypeError(f"text: the text of elements.txt expected, not {type(text).__name__}")
    data = text.encode() if isinstance(text, str) else text
    return numpy.array(core.read_elements(data, str(source)), dtype=numpy.intc)


def read_elements(path):
    """The triples of the elements.txt at path, as heat2d reads it."""
    with open(path, "rb") as stream:
        return parse_elements(stream.read(), os.fspath(path))


def shipped_elements():
    """heat2d's shipped triangulation (examples/elements.txt)."""
    for path in [os.path.join(HERE, "elements.txt"), os.path.join(HERE, "..", "..", "examples", "elements.txt")]:
        if os.path.isfile(path):
            return read_elements(path)
    raise FileNotFoundError(f"heat2d's elements.txt is not beside this package ({HERE})")


def _node_numbers(given, name):
    """given as a list of triples of C ints, or TypeError or ValueError naming name."""
    try:
        array = numpy.asarray(given)
    except ValueError:
        raise ValueError(f"{name}: not triples of node numbers") from None
    if array.dtype == bool or array.dtype.kind not in "iuf":
        raise TypeError(f"{name}: node numbers expected, not {array.dtype} values")
    bad = ~numpy.isfinite(array) | (array != numpy.round(array)) | (abs(array) > 2 ** 31 - 1)
    if bad.any():
        raise ValueError(f"{name}: {array[bad].flat[0]!r} is not a node number")
    if array.size % 3 or array.ndim > 2 or array.ndim == 2 and array.shape[1] != 3:
        raise ValueError(f"{name}: {array.size} numbers in shape {array.shape}, not triples of node numbers")
    return array.astype(numpy.intc).reshape(-1, 3).tolist()


def _whole(value, name):
    if isinstance(value, bool) or not isinstance(value, _numbers.Integral):
        raise TypeError(f"{name}: a whole number expected, not {value!r}")
    return int(value)


class Run:
    """The levels of a refinement or the steps of an adaptive refinement,
    each solved as the iteration asks for it (so that a loop may stop, or
    show its progress, between them). Each one's figures are kept in
    .figures, with "error_left", the largest magnitude of its error left;
    .last is the last one, and .answer and .error_left its answer at
    heat2d's 18 nodes and that answer's error left, estimated (a step's
    answer is extrapolated, its error left one bound for all; a level's is
    its temperatures, its error left signed: added, the extrapolation). None
    before the first."""

    def __init__(self, results, what, last):
        self._results, self.what, self._stop = results, what, last
        self.figures, self.last = [], None

    def __iter__(self):
        for found in self._results:
            self.last = found
            self.figures.append({**found.figures, "error_left": float(abs(found.error_left).max(initial=0))})
            yield found
            if self._stop(found):
                return

    @property
    def answer(self):
        if self.last is None:
            return None
        return self.last.answer if self.what == "step" else self.last.temperatures[:18]

    @property
    def error_left(self):
        return None if self.last is None else self.last.error_left

    def plot(self, ax=None):
        """The largest error left at heat2d's nodes against the nodes, log-log,
        of the levels or steps so far, on matplotlib's axes ax (new ones when
        None), returned."""
        from .plots import convergence
        return convergence(ax, self.figures, self.what)


class Problem:
    """heat2d's problem: the plate and its four values, the design's unless
    given by name (value_names()); Refused with heat2d's line when a number is
    outside its range or the notch not inside the plate."""

    def __init__(self, **numbers):
        names = value_names()
        for name, value in numbers.items():
            if name not in names:
                raise TypeError(f"Problem() takes {', '.join(names)}, not {name!r}")
            if isinstance(value, bool) or not isinstance(value, _numbers.Real):
                raise TypeError(f"{name}: a number expected, not {value!r}")
        self._values = core.Values(**numbers)
        try:
            self.nodes = numpy.array(core.nodes(self._values))
        except BadCall as fault:  # the plate as a whole
            raise Refused(fault.lines) from None
        self.nodes.flags.writeable = False

    @property
    def numbers(self):
        """The eight numbers by name."""
        return {name: self._values[name] for name in value_names()}

    def __repr__(self):
        design = core.Values()
        given = [f"{name}={value!r}" for name, value in self.numbers.items() if value != design[name]]
        return f"heat2d.Problem({', '.join(given)})"

    @property
    def outline(self):
        """The sides of the plate's outline, walked with the region on the left:
        (a, b, place, term) each."""
        return core.outline_sides(self._values)

    @property
    def boundary_table(self):
        """heat2d's boundary table: (element, term, first, second) a row, the
        local nodes of the side that carries the term."""
        return core.boundary_table()

    def solve(self, elements):
        """The Solution of the problem on elements (20 triples in heat2d's
        order); Refused with heat2d's lines, and in .named what each names:
        [line, kind, a, b] (kinds by core.code("names_element") and on)."""
        return core.solve(_node_numbers(elements, "elements"), self._values)

    def element(self, elements, e):
        """Element e's (1 to 20) values as the assembly computes them."""
        return core.element(_node_numbers(elements, "elements"), _whole(e, "e"), self._values)

    def judge(self, elements, table_order=True):
        """heat2d's faults of a triangulation, its lines (none: heat2d takes
        it); table_order=False judges triangles in any order and orientation."""
        return core.judge(_node_numbers(elements, "elements"), bool(table_order), self._values)

    def number(self, triangles, flip_corner=False):
        """(elements, flips): triangles in any order and orientation numbered
        for the boundary table, each counter-clockwise, with the corner flips
        made when flip_corner; Refused with the faults' lines and, when only
        corners are at fault, the flips that would mend them in .flips."""
        numbered = core.number(_node_numbers(triangles, "triangles"), bool(flip_corner), self._values)
        return core.Numbered(numpy.array(numbered.elements, dtype=numpy.intc), numbered.flips)

    def flip(self, triangles, a, b):
        """The triangles with the inner side a-b flipped, in their places,
        each counter-clockwise; Refused with the reason it cannot be."""
        return numpy.array(core.flip(_node_numbers(triangles, "triangles"), _whole(a, "a"), _whole(b, "b"),
                                     self._values), dtype=numpy.intc)

    def refine(self, elements, level):
        """The Run of levels 0 to level (at most core.code("last_level")),
        each triangle split into four a level."""
        level, last = _whole(level, "level"), core.code("last_level")
        if not 0 <= level <= last:
            raise ValueError(f"level: {level} is not a level from 0 to {last}")
        return Run(core.refine(_node_numbers(elements, "elements"), self._values), "level",
                   lambda found: found.figures["level"] >= level)

    def adapt(self, elements, error):
        """The Run of adaptive steps until one's answer has an error left of
        error at most (within value_range("error")); Refused when the steps
        stall before it, with heat2d's line."""
        if isinstance(error, bool) or not isinstance(error, _numbers.Real):
            raise TypeError(f"error: a number expected, not {error!r}")
        least, most = value_range("error")
        if not least <= error <= most:
            raise ValueError(f"error: {error!r} is not within {least:g} to {most:g}")
        return Run(core.adapt(_node_numbers(elements, "elements"), self._values), "step",
                   lambda found: found.figures["step"] > 0 and found.figures["error"] <= error)
