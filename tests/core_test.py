"""heat2d's core through its C API, in this process: the library the tools
load (HEAT2D_LIBRARY). Thousands of triangulations take seconds here.
Usage: core_test.py Core [EMULATOR] HEAT2D, as run_test.py."""
import ctypes
import itertools
import math
import os
import random
import sys

from run_test import EXPECTED, HERE, SHIPPED, Program, main, read

sys.path.insert(0, os.path.join(HERE, "..", "tools"))
import numpy  # noqa: E402

import heat2d  # noqa: E402
from heat2d import core  # noqa: E402

DESIGN = heat2d.Problem()

XY = [tuple(float(v) for v in line.split()) for line in EXPECTED["mesh.txt"].splitlines()]
XYT = [list(column) for column in zip(*XY)]
TRIANGLES = [[int(n) for n in line.split()] for line in SHIPPED]
# The two corners that the table's slots may not fit: node 8 in one triangle, 18 in two.
CORNERS = TRIANGLES[:10] + [[7, 13, 8], [7, 12, 13]] + TRIANGLES[12:18] + [[12, 17, 18], [12, 18, 13]]


def flipped(triangles, rng, count):
    """count flips by the core of random sides that it takes (an inner side
    whose two triangles make a convex quadrilateral)."""
    for _ in range(count):
        sides = sorted({tuple(sorted((t[k], t[k - 1]))) for t in triangles for k in range(3)})
        for a, b in rng.sample(sides, len(sides)):
            try:
                triangles = core.flip(triangles, a, b)
                break
            except core.Refused:
                pass
    return triangles


def scrambled(triangles, rng):
    """Shuffled, each turned and half of them mirrored (clockwise)."""
    triangles = [list(t) for t in triangles]
    rng.shuffle(triangles)
    for t in triangles:
        k = rng.randrange(3)
        t[:] = t[k:] + t[:k]
        if rng.random() < 0.5:
            t.reverse()
    return triangles


def value_sets(rng, count):
    """count sets of the eight numbers, for the core's Values: k and h
    log-uniform over their ranges, q and the air's temperature a random sign
    times a log-uniform magnitude down to the least double, one in ten of
    them exactly 0 and one in twenty 1e-200; a plate whose four spacings are
    a shortest, log-uniform from 5e-4 to 1.6, times up to 10^1.99 each, so
    that the notch is inside and every dimension from 0.001 to 1000."""
    def drawn(name):
        least, most = core.value_range(name)
        if least > 0:
            return math.exp(rng.uniform(math.log(least), math.log(most)))
        special = rng.random()
        if special < 0.15:
            return 0.0 if special < 0.1 else 1e-200
        return rng.choice([-1, 1]) * 10 ** rng.uniform(-323, math.log10(most))

    def plate():
        shortest = 10 ** rng.uniform(math.log10(5e-4), math.log10(1.6))
        half_notch, beside, below, half_depth = (shortest * 10 ** rng.uniform(0, 1.99) for _ in range(4))
        return dict(width=2 * half_notch + 4 * beside, height=below * 2 + half_depth * 2, notch_width=2 * half_notch,
                    notch_depth=2 * half_depth)
    return [{**{name: drawn(name) for name, _ in core.value_names()[:4]}, **plate()} for _ in range(count)]


class Core(Program):
    def test_the_problem_by_hand(self):
        self.assertEqual((core.node_count(), core.element_count()), (18, 20))
        self.assertEqual(core.nodes(), XY)  # as heat2d writes them in mesh.txt
        self.assertEqual([core.parameter(name) for name, _ in core.value_names()], [75, 150, 10, 22, 9, 6, 3, 2])
        flux, convection, none = core.Kind.HEAT_FLUX, core.Kind.CONVECTION, core.Kind.NONE
        self.assertEqual(core.boundary_table(), [
            (4, flux, 1, 3), (12, flux, 1, 3), (9, flux, 2, 3), (11, flux, 2, 3), (14, convection, 2, 3),
            (16, convection, 2, 3), (18, convection, 2, 3), (20, convection, 2, 3), (20, flux, 1, 3)])
        bottom, right, top = "the bottom edge (y = 0)", "the right edge (x = 4.5)", "the top edge (y = 6)"
        wall, floor, symmetry = "the notch's wall (x = 1.5)", "the notch's floor (y = 4)", "the symmetry line (x = 0)"
        self.assertEqual(core.outline_sides(), [
            (1, 4, bottom, none), (4, 9, bottom, none), (9, 14, bottom, none), (14, 15, right, convection),
            (15, 16, right, convection), (16, 17, right, convection), (17, 18, right, convection),
            (18, 13, top, flux), (13, 8, top, flux), (8, 7, wall, flux), (7, 6, wall, flux), (6, 3, floor, flux),
            (3, 2, symmetry, none), (2, 1, symmetry, none)])
        # Another plate, 10 x 5 with a 4 x 1 notch: its half's columns at 0, 2, 3.5 and 5, rows 2 apart below
        # the notch's floor, 0.5 above it; the shipped triangulation judged and numbered on it.
        other = core.Values(width=10, height=5, notch_width=4, notch_depth=1)
        self.assertEqual(core.nodes(other), [(0, 0), (0, 2), (0, 4)] + [(x, y) for x in (2, 3.5, 5) for y in (0, 2, 4, 4.5, 5)])
        self.assertEqual(core.judge(TRIANGLES, values=other), [])
        self.assertEqual(core.number(TRIANGLES, values=other).elements, TRIANGLES)
        self.assertEqual(core.version(), (os.environ.get("HEAT2D_RELEASE", core.version()[0]), core.INTERFACE))
        # The sides the shipped elements give their terms: the right edge and the top, the notch.
        self.assertEqual(sorted((term, min(a, b), max(a, b)) for term, a, b in core.boundary_sides(TRIANGLES)),
                         sorted([(convection, 14 + k, 15 + k) for k in range(4)] +
                                [(flux, a, b) for a, b in [(3, 6), (6, 7), (7, 8), (8, 13), (13, 18)]]))

    def test_element_values_by_hand_summed_into_K_and_f_and_solved(self):
        one = DESIGN.element(TRIANGLES, 1)  # nodes 1 4 5: (0, 0), (1.5, 0), (1.5, 2)
        self.assertEqual([v.tolist() for v in (one.nodes, one.x, one.y, one.b, one.c, one.loads)] + [one.area, one.terms],
                         [[1, 4, 5], [0, 1.5, 1.5], [0, 0, 2], [-2, 2, 0], [0, -1.5, 1.5], [0, 0, 0], 1.5, []])
        by_hand = [[50, -50, 0], [-50, 78.125, -28.125], [0, -28.125, 28.125]]  # 75 / (4 * 1.5) (b b' + c c')
        self.assertEqual((one.conduction.tolist(), one.matrix.tolist()), (by_hand, by_hand))
        last = DESIGN.element(numpy.array(TRIANGLES, float), 20)  # 13 17 18: convection on 17-18 (1), flux on 13-18 (1.5)
        self.assertEqual([(t.kind, t.first, t.second, t.a, t.b, t.length, t.load) for t in last.terms],
                         [(2, 2, 3, 17, 18, 1, 110), (1, 1, 3, 13, 18, 1.5, 112.5)])
        self.assertEqual(last.terms[0].matrix.tolist(), [[0, 0, 0], [0, 20 / 6, 10 / 6], [0, 10 / 6, 20 / 6]])
        self.assertEqual(last.loads.tolist(), [112.5, 110, 222.5])
        numpy.testing.assert_allclose(last.matrix - last.conduction, last.terms[0].matrix, atol=1e-12)
        # Every element's loads, added where they go, give the exported f (their matrices K: the notebook's).
        f = numpy.zeros(18)
        for e in range(1, 21):
            numpy.add.at(f, DESIGN.element(TRIANGLES, e).nodes - 1, DESIGN.element(TRIANGLES, e).loads)
        # The core's solve adds them so, and its K, f and T are the program's files to their six digits,
        # with the heat balanced: 150 over 6.5 of flux sides, all out through the right edge.
        solved = DESIGN.solve(numpy.loadtxt(SHIPPED))
        self.assertEqual((solved.f.tolist(), solved.triangles.tolist()), (f.tolist(), TRIANGLES))
        files = [numpy.array(EXPECTED[name].split(), float) for name in ["K.txt", "f.txt", "write_.txt"]]
        for got, written in zip([solved.K.ravel(), f, solved.T], [files[0], files[1], files[2][1::2]], strict=True):
            numpy.testing.assert_allclose(got, written, rtol=5e-6, atol=5e-6)
        self.assertEqual((solved.heat_in, round(solved.heat_out, 9)), (975, 975))
        # Triangulations it refuses: heat2d's lines, and what each names as data (line, kind: element 1, side 2,
        # node 3, the faults a cut list's last line stands for 4): rows 13 and 14 swapped; element 2 made element 1
        # (node 2 left out; the area; an overlap); element 5 clockwise and element 1 three times; the rows reversed.
        T = TRIANGLES
        for triangles, at, lines, named in [
                (T[:12] + [T[13], T[12]] + T[14:], 0, [], [[0, 1, 14, 0], [0, 2, 15, 10], [1, 2, 14, 15]]),
                ([T[0], T[0], [1, 5, 6], [1, 6, 3]] + T[4:], 0, [
                    "node 2 is a corner of no element; every node must belong to one",
                    "the elements cover an area of 25.5, the region's is 24", "element 1 overlaps element 2"],
                 [[0, 3, 2, 0], [2, 1, 1, 0], [2, 1, 2, 0]]),
                ([T[0]] * 3 + [T[3], [T[4][0], T[4][2], T[4][1]]] + T[5:], 1, [
                    "element 1 overlaps element 2 and element 3", "element 2 overlaps element 3"],
                 [[0, 1, 5, 0], [1, 1, 1, 0], [1, 1, 2, 0], [1, 1, 3, 0]]),
                (T[::-1], 10, ["and 8 more faults in the triangulation"], None)]:
            with self.assertRaises(heat2d.Refused) as refused:
                DESIGN.solve(triangles)
            fault = refused.exception
            self.assertEqual((fault.lines, fault.lines[at:at + len(lines)]), (DESIGN.judge(triangles), lines))
            self.assertEqual(fault.named[:len(named)] if named else fault.named[-1:], named or [[10, 4, 8, 0]])
        # A clockwise element: the conduction matrix of the opposite sign.
        mirrored = [t[::-1] if k == 0 else t for k, t in enumerate(TRIANGLES)]
        self.assertEqual(DESIGN.element(mirrored, 1).conduction.tolist(), [[-v for v in row[::-1]] for row in by_hand[::-1]])

    def test_the_package_takes_what_python_gives_and_refuses_the_rest(self):
        """Node numbers as lists, ints or integral floats; what Python may not
        give: TypeError or ValueError naming the argument, the core's own line
        where it is its refusal. The reader of elements.txt's bytes, and of a number."""
        shipped = heat2d.shipped_elements()
        self.assertEqual((shipped.tolist(), heat2d.read_elements(os.path.join(HERE, "..", "examples", "elements.txt"))
                          .tolist()), (TRIANGLES, TRIANGLES))
        self.assertEqual(heat2d.parse_elements("\n".join(SHIPPED)).tolist(), TRIANGLES)
        for call, error, words in [
                (lambda: DESIGN.solve([[1.5, 2, 3]] * 20), ValueError, "elements: 1.5 is not a node number"),
                (lambda: DESIGN.solve(list(range(59))), ValueError, "elements: 59 numbers in shape (59,)"),
                (lambda: DESIGN.judge("abc"), TypeError, "elements: node numbers expected"),
                (lambda: DESIGN.solve(TRIANGLES[:19]), ValueError, "elements holds 57 values, 60 needed"),
                (lambda: DESIGN.element(TRIANGLES, 21), ValueError, "there is no element 21"),
                (lambda: DESIGN.element(TRIANGLES, 2.0), TypeError, "e: a whole number expected"),
                (lambda: DESIGN.refine(TRIANGLES, 13), ValueError, "level: 13 is not a level from 0 to 12"),
                (lambda: DESIGN.adapt(TRIANGLES, 0), ValueError, "error: 0 is not within 1e-06 to 1"),
                (lambda: DESIGN.flip(TRIANGLES, 4, "10"), TypeError, "b: a whole number expected"),
                (lambda: heat2d.Problem(k=1), TypeError, "Problem() takes conductivity, heat_flux, "),
                (lambda: heat2d.Problem(width="9"), TypeError, "width: a number expected, not '9'"),
                (lambda: heat2d.Problem(conductivity=0), heat2d.Refused, "conductivity is taken from 0.001 to 1e+06"),
                (lambda: heat2d.Problem(width=3), heat2d.Refused, "a notch 3 wide is not inside a plate 3 wide"),
                (lambda: heat2d.parse_elements(b"1 2 x"), heat2d.Refused, 'elements.txt: element 1, node 3: "x" is'),
                (lambda: heat2d.parse_elements(None), TypeError, "text: the text of elements.txt expected")]:
            with self.subTest(words), self.assertRaises(error) as raised:
                call()
            self.assertTrue(str(raised.exception).startswith(words), raised.exception)
            self.assertIsInstance(raised.exception, ValueError if error is heat2d.Refused else error)
        other = heat2d.Problem(width=10, notch_depth=3.0)
        self.assertEqual((repr(other), other.numbers["height"], other.nodes.shape), ("heat2d.Problem(width=10.0, "
                         "notch_depth=3.0)", 6, (18, 2)))
        self.assertEqual(heat2d.value_range("error"), (1e-6, 1))
        # A number as the console reads an option's (the tools' and the page's fields read it so).
        self.assertEqual([core.read_number(text) for text in ["1", "-2.5e3", ".5", "5.", "+1E-2", "1e400", "1e", ".",
                                                             "1.2.3", " 5", "0x10", "nan", ""]], [1, -2500, .5, 5, .01] + [None] * 8)
        # elements.txt's bytes as the program reads them (its tokens: run_test), named and worded as asked.
        text = ("\n".join(SHIPPED) + "\n").encode()
        for data, said in [(b"", "found 0 numbers, 60 needed"), (text[:-9] + b"13 17", "found 59 numbers, 60 needed"),
                           (b"1 2 x", 'triangle 1, node 3: "x" is not a number'),
                           (b"1 2 1e-400", 'triangle 1, node 3: "1e-400" is not a node number from 1 to 18')]:
            with self.assertRaises(core.Refused) as refused:
                core.read_elements(data, "in/t.txt", "triangle")
            self.assertEqual(refused.exception.lines, ["in/t.txt: " + said])
        self.assertEqual(core.read_elements(text + b"\x00 anything", "e.txt"), TRIANGLES)
        self.assertEqual(core.read_elements(b"2.7 " + text[2:], "e.txt")[0], [2, 4, 5])  # the node it stands for


    def test_random_triangulations_numbered(self):
        """Hundreds of triangulations made by flips, scrambled: numbered, the
        result runs clean and comes back as it is; a corner to mend is refused
        without --flip-corner, in the one line per corner."""
        rng = random.Random(22)
        seen, corners = set(), 0
        for case in range(400):
            start = CORNERS if case % 2 else TRIANGLES
            triangles = scrambled(flipped(start, rng, case % 25), rng)
            with self.subTest(case=case):
                # The corners' counts as data: those out of the table's bounds are the corner faults.
                counts = core.corner_counts(triangles)
                wrong = [f"node {node} is a corner of {'just one' if found == 1 else found} triangle"
                         for node, found, least, most in counts if not least <= found <= most]
                self.assertEqual([c.node for c in counts], [18, 8])
                try:
                    elements, said = core.number(triangles)
                    self.assertEqual((said, wrong), ([], []))
                except core.Refused as refusal:
                    corners += 1
                    faults = refusal.lines
                    self.assertEqual([line[:len(w)] for line, w in zip(faults, wrong)], wrong)
                    self.assertTrue(1 <= len(faults) <= 2 and all(" is a corner of " in line for line in faults))
                    # The flips each fault names, as data: those that --flip-corner makes.
                    named = [side for line in faults for side in line.split(": flip side")[-1].split(", then ")]
                    self.assertEqual([f"{f.a}-{f.b} to {f.c}-{f.d}" for f in refusal.flips],
                                     [side.replace("s ", "", 1).strip() for side in named])
                    elements, said = core.number(triangles, flip_corner=True)
                    self.assertEqual(said, refusal.flips)
                self.assertEqual(core.judge(elements), [])
                self.assertEqual(core.number(elements), (elements, []))
                if not said:
                    self.assertEqual(sorted(map(sorted, elements)), sorted(map(sorted, triangles)))
                seen.add(tuple(map(tuple, elements)))
        self.assertGreater(corners, 100)
        self.assertGreater(len(seen), 100)

    def test_flips_in_place_and_refusals(self):
        """Side 4-10 of elements 5 (4 9 10) and 6 (4 10 5) becomes 5-9: 10 5 9 and 5 4 9,
        counter-clockwise, in their places; the random flips of the numbering's test
        are judged there."""
        self.assertEqual(core.flip(TRIANGLES, 10, 4), TRIANGLES[:4] + [[10, 5, 9], [5, 4, 9]] + TRIANGLES[6:])
        for a, b, reason in [(1, 4, "is on the outline: it has one triangle"),
                             (18, 1, "is not a side of the triangulation"),
                             (11, 12, "cannot flip: its triangles 7 11 12 and 12 11 17 make a quadrilateral that "
                                      "is not convex")]:
            with self.assertRaises(core.Refused) as refused:
                core.flip([t[::-1] for t in TRIANGLES], a, b)
            self.assertEqual(refused.exception.lines, [f"side {min(a, b)}-{max(a, b)} {reason}"])

    def test_refined_levels_one_a_call(self):
        """Levels 0 to 3 of the shipped case: counts, heat2d's nodes first, the
        design's answer at level 0, the balance, the estimate from level 2; a
        refused triangulation named as the judge names it."""
        levels, before = DESIGN.refine(TRIANGLES, 3), None
        for level, found in enumerate(levels):
            line = found.figures
            self.assertEqual((line["level"], len(found.triangles), len(found.nodes), len(found.temperatures)),
                             (level, 20 * 4 ** level, line["nodes"], line["nodes"]))
            self.assertEqual(list(map(tuple, found.nodes[:18].tolist())), XY)
            self.assertEqual((found.triangles.max(), line["hottest"]), (len(found.nodes), max(found.temperatures)))
            self.assertEqual(len(found.error_left), 18 if level >= 2 else 0)
            self.assertTrue(1 <= line["iterations"] <= 12 and 0 < line["residual"] <= 1e-10, line)  # a few V-cycles a level
            # The level below's field at this level's nodes: its own nodes keep their numbers and
            # temperatures; each new node is the midpoint of one of its sides, and has their mean.
            if before:
                count = len(before.nodes)
                self.assertEqual((found.below[:count].tolist(), len(found.below)), (before.temperatures.tolist(), len(found.nodes)))
                means = {}
                for corners in before.triangles.tolist():
                    for a, b in zip(corners, corners[1:] + corners[:1]):
                        (xa, ya), (xb, yb) = before.nodes[a - 1], before.nodes[b - 1]
                        means[((xa + xb) / 2, (ya + yb) / 2)] = (before.temperatures[a - 1] + before.temperatures[b - 1]) / 2
                self.assertEqual(found.below[count:].tolist(), [means[tuple(p)] for p in found.nodes[count:].tolist()])
                self.assertEqual(line["change"], abs(found.temperatures[:18] - found.below[:18]).max())
            else:
                self.assertEqual(len(found.below), 0)
            before = found
        self.assertEqual((len(levels.figures), levels.last, levels.error_left.tolist(), levels.answer.tolist()),
                         (4, found, found.error_left.tolist(), found.temperatures[:18].tolist()))
        # Pictures: the error left against the nodes from level 2; the field with heat2d's nodes, named in its title.
        if not os.environ.get("HEAT2D_SANITIZE"):  # matplotlib's own code is not run under the sanitizers
            import matplotlib
            matplotlib.use("Agg")
            convergence, field = levels.plot(), found.plot()
            self.assertEqual([line.get_data()[0].tolist() for line in convergence.lines], [[189, 697]])
            self.assertEqual(([p.tolist() for p in field.lines[-1].get_data()], field.get_title()),
                             ([XYT[0], XYT[1]], "level 3: 1,280 triangles, 697 nodes, hottest 48.64415"))
        # Level 5's field is heat2d --refine 5's, to the last digit written.
        self.run_heat2d(arguments=["--refine", "5"])
        written, five = numpy.loadtxt(self.path("refined_write_.txt")), DESIGN.refine(TRIANGLES, 5)
        self.assertEqual((written[:, 0].tolist(), written[:, 1].tolist()), (list(range(1, 10466)),
                                                                            list(five)[-1].temperatures.tolist()))
        self.assertEqual([f"{t:g}" for t in next(iter(DESIGN.refine(TRIANGLES, 0))).temperatures],
                         [line.split()[1] for line in EXPECTED["write_.txt"].splitlines()])
        swapped = TRIANGLES[:12] + [TRIANGLES[13], TRIANGLES[12]] + TRIANGLES[14:]
        with self.assertRaises(heat2d.Refused) as refused:
            next(iter(DESIGN.refine(swapped, 1)))
        self.assertEqual(refused.exception.lines, DESIGN.judge(swapped))

    def test_the_laws_of_the_values(self):
        """On the shipped triangulation and another that the judge takes, at
        level 0 and level 2: the rise above the air scales with q; the air's
        temperature shifts every one; heat in equals heat out. On other plates,
        the laws of conduction and of scale. The values' ranges, each
        corner taken and the next number refused, the handle kept as it was."""
        other = [[int(n) for n in line.split()] for line in read(os.path.join(HERE, "data", "other_elements.txt")).splitlines()]
        self.assertEqual(core.judge(other), [])

        def solved(triangles, level=0, **given):
            return list(heat2d.Problem(**given).refine(triangles, level))[-1]
        for triangles in [TRIANGLES, other]:
            for level in [0, 2]:
                design = solved(triangles, level)
                rise = [t - 22 for t in design.temperatures]
                for q in [1, 150, 1e4]:
                    found = solved(triangles, level, heat_flux=q)
                    for mine, theirs in zip(found.temperatures, rise):
                        self.assertLess(abs((mine - 22) - q / 150 * theirs), 1e-12 * abs(q / 150 * theirs) + 1e-12 * 22)
                    self.assertLess(abs(found.figures["heat_in"] - found.figures["heat_out"]),
                                    1e-12 * abs(found.figures["heat_in"]) + found.figures["residual"] * abs(q) * 10)
                shifted = solved(triangles, level, ambient_temperature=-100.5)
                self.assertLess(max(abs(a - b + 122.5) for a, b in zip(shifted.temperatures, design.temperatures)), 1e-11)
        # On six plates, as k grows the plate tends to one temperature, the air's plus Q / (h height), where
        # Q = q (width / 2 + notch_depth) comes in, within Q over k times the longest path, width / 2 + height, over
        # the narrowest section (level 2 does not converge at k / h = 1e5: rounding). Scaled by s in all four
        # dimensions with h / s and the air at 0, the field is s times the design's at every node, and the adaptive
        # steps bisect the same triangles (past step 19 too, where node 6's sides are shorter than the dual load's radius).
        design = heat2d.Problem(ambient_temperature=0).solve(TRIANGLES).T
        fine = solved(TRIANGLES, 3, ambient_temperature=0).temperatures
        design_steps = list(itertools.islice(core.adapt(TRIANGLES, core.Values(ambient_temperature=0)), 22))
        for w, height, notch, depth in [(9, 6, 3, 2), (10, 6, 3, 2), (9, 6, 1, 5), (20, 1, 2, 0.5), (0.09, 0.06, 0.03, 0.02),
                                        (900, 600, 300, 200)]:
            plate = dict(width=w, height=height, notch_width=notch, notch_depth=depth)
            for level, k in [(0, 1e4), (0, 1e5), (0, 1e6), (2, 1e4)]:
                even = solved(TRIANGLES, level, conductivity=k, **plate).temperatures
                heat = 150 * (w / 2 + depth)
                self.assertLess(max(abs(t - 22 - heat / (10 * height)) for t in even),
                                heat * (w / 2 + height) / (k * min(height - depth, (w - notch) / 2)))
            s = w / 9
            if height / 6 == s and s != 1:
                scaled = dict(plate, convection_coeff=10 / s, ambient_temperature=0)
                steps = itertools.islice(core.adapt(TRIANGLES, core.Values(**scaled)), 22)  # past the error asked
                for mine, theirs, within in [(heat2d.Problem(**scaled).solve(TRIANGLES).T, design, 1e-12),
                                             (solved(TRIANGLES, 3, **scaled).temperatures, fine, 1e-9)] + [
                                                 (step.temperatures, design_step.temperatures, 1e-9) for step,
                                                 design_step in zip(steps, design_steps, strict=True)]:
                    self.assertLess(max(abs(t - s * d) / (s * d) for t, d in zip(mine, theirs, strict=True)), within, s)
        # An element's values with other k, q, h and air: element 20 (13 17 18:
        # heat flux on 13-18 of length 1.5, convection on 17-18 of length 1).
        values = core.Values(conductivity=150, heat_flux=-30, convection_coeff=4, ambient_temperature=50)
        mine, theirs = core.element(TRIANGLES, 20, values), DESIGN.element(TRIANGLES, 20)
        self.assertEqual(mine.conduction.tolist(), (2 * theirs.conduction).tolist())
        self.assertEqual([(t.kind, t.length, t.load) for t in mine.terms],
                         [(core.Kind.CONVECTION, 1, 4 * 50 * 1 / 2), (core.Kind.HEAT_FLUX, 1.5, -30 * 1.5 / 2)])
        self.assertEqual(mine.terms[0].matrix[1][1:].tolist(), [4 / 3, 4 / 6])
        # The ranges: each corner taken, the next number out refused with the range.
        ranges = [("conductivity", 1e-3, 1e6), ("heat_flux", -1e5, 1e5), ("convection_coeff", 1e-3, 1e6),
                  ("ambient_temperature", -1e3, 1e3)] + [(name, 1e-3, 1e3) for name in ["width", "height", "notch_width",
                                                                                         "notch_depth"]]
        self.assertEqual([(name, *core.value_range(name)) for name, _ in core.value_names()], ranges)
        for name, least, most in ranges:
            for corner, beyond in [(least, least - abs(least) * 1e-9 - 1e-12), (most, most * (1 + 1e-9))]:
                values[name] = corner
                self.assertEqual(values[name], corner)
                with self.assertRaises(core.Refused) as refused:
                    values[name] = beyond
                self.assertTrue(refused.exception.lines[0].startswith(f"{name} is taken from {least:g} to "), refused.exception.lines)
                self.assertEqual(values[name], corner)
        with self.assertRaises(core.Refused) as refused:
            values["convection_coeff"] = 0
        self.assertIn("the heat coming in would have no way out", refused.exception.lines[0])
        with self.assertRaises(core.BadCall):
            values["depth"] = 9

    def test_every_solve_returns_with_any_values(self):
        """200 seeded plates with values, and k / h = 1e6: the 18-node solve,
        levels 0 to 2 and three adaptive steps each give a finite answer whose
        heat balance holds to its residual's level (out - in is minus the sum of
        the residual's entries: at most root n times the residual times the
        loads' sum of magnitudes); a zero load gives the zero field, q = 0 the
        air's temperature; a residual above 1e-10 only at rounding's, said."""
        rounded = 0
        for values in value_sets(random.Random(44), 200) + [dict(conductivity=1e6, convection_coeff=1)]:
            given = heat2d.Problem(**values)
            k, q, h, air, width, height, _, depth = given.numbers.values()
            flux_sides = width / 2 + depth
            load = flux_sides * abs(q) + height * h * abs(air)
            solved = given.solve(TRIANGLES)
            self.assertLessEqual(abs(solved.heat_in - q * flux_sides), 1e-12 * abs(q * flux_sides) + 1e-300)
            # Cholesky's rounding grows with K's condition, k / h (past the doubles' least).
            self.assertLessEqual(abs(solved.heat_out - solved.heat_in), 1e-12 * max(1, k / h) * load + 1e-305, values)
            before = None
            for solved in itertools.chain(given.refine(TRIANGLES, 2), itertools.islice(given.adapt(TRIANGLES, 1e-6), 3)):
                line, T = solved.figures, solved.temperatures.tolist()
                if isinstance(solved, core.Step):  # the total indicator and the change, whatever the load's size
                    self.assertAlmostEqual(line["eta"], numpy.hypot.reduce(solved.indicators), delta=1e-12 * line["eta"] + 1e-300)
                    self.assertEqual(line["change"], max(abs(a - b) for a, b in zip(T[:18], before[:18])) if line["step"] else 0)
                    before = T
                self.assertTrue(all(map(math.isfinite, T + [line["heat_out"]])), values)
                self.assertLessEqual(abs(line["heat_in"] - q * flux_sides), 1e-12 * abs(q * flux_sides) + 1e-300)
                self.assertLessEqual(abs(line["heat_in"] - line["heat_out"]),
                                     line["nodes"] ** 0.5 * line["residual"] * load + 1e-12 * load + 1e-300, (values, line))
                backward = line["backward_error"]
                self.assertEqual(backward is not None, line["residual"] > 1e-10, (values, line))
                rounded += backward is not None and backward <= 1e-14
                if load == 0:
                    self.assertEqual((set(T), set(solved.error_left) | {0.0}), ({0.0}, {0.0}))
                    if isinstance(solved, core.Step):  # exact at once: no step after it needed
                        self.assertEqual((len(solved.error_left), line["error"]), (18, 0))
                elif q == 0:
                    self.assertLessEqual(max(abs(t - air) for t in T), max(1, k / h) * (line["residual"] + 1e-12) * abs(air) + 1e-305, values)
        self.assertGreaterEqual(rounded, 6)  # k / h = 1e6 at every level and step, and those drawn so

    def test_adaptive_steps_one_a_call(self):
        """Steps 0 to 6 of the shipped case: heat2d's nodes first and kept, the
        marked triangles bisected, one indicator and mark a triangle, the
        figures by name; a refused triangulation named as the judge names it."""
        steps = iter(DESIGN.adapt(TRIANGLES, 1e-6))
        before = None
        for number, step in zip(range(7), steps):
            line = step.figures
            self.assertEqual((line["step"], len(step.triangles), len(step.nodes), len(step.temperatures)),
                             (number, line["triangles"], line["nodes"], line["nodes"]))
            self.assertEqual(list(map(tuple, step.nodes[:18].tolist())), XY)
            self.assertEqual((len(step.indicators), len(step.marked)), (line["triangles"], line["triangles"]))
            self.assertAlmostEqual(line["eta"], numpy.hypot.reduce(step.indicators), delta=1e-9 * line["eta"])
            self.assertEqual((line["hottest"], line["node_8"]), (max(step.temperatures), step.temperatures[7]))
            self.assertTrue(line["iterations"] >= 1 and 0 < line["residual"] <= 1e-10, line)  # the direct solve counts as one
            self.assertEqual(line["smallest_side_at_node_6"], min(math.dist(step.nodes[5], step.nodes[n - 1])
                                                                  for t in step.triangles.tolist() if 6 in t for n in t if n != 6))
            self.assertEqual(len(step.answer), 18)
            self.assertEqual(len(step.error_left), 18 if number else 0)
            self.assertEqual(line["error"], max(step.error_left, default=0))
            if before is not None:  # bisected where marked, and only there
                kept = {tuple(sorted(t)) for t in step.triangles.tolist()}
                for triangle in before.triangles[before.marked].tolist():
                    self.assertNotIn(tuple(sorted(triangle)), kept)
                self.assertEqual(step.nodes[:len(before.nodes)].tolist(), before.nodes.tolist())
            before = step
        steps.close()
        swapped = TRIANGLES[:12] + [TRIANGLES[13], TRIANGLES[12]] + TRIANGLES[14:]
        with self.assertRaises(heat2d.Refused) as refused:
            next(iter(DESIGN.adapt(swapped, 1e-3)))
        self.assertEqual(refused.exception.lines, DESIGN.judge(swapped))
        # A run of steps ends at the first whose error left is the one asked.
        run = DESIGN.adapt(TRIANGLES, 3e-3)
        errors = [step.figures["error"] for step in run]
        self.assertTrue(errors[-1] <= 3e-3 < min(errors[1:-1]), errors)
        self.assertEqual((run.answer.tolist(), len(run.figures)), (run.last.answer.tolist(), len(errors)))
        self.assertEqual([step.figures["step"] for step in DESIGN.adapt(TRIANGLES, 1)], [0, 1])  # the most asked: step 1
        self.assertTrue(core.estimated_by().startswith("extrapolated from the last mesh"))

    def test_corner_counts_and_a_levels_memory(self):
        """The table's two constrained corners: node 8 needs two triangles or more,
        node 18 exactly one; the shipped triangulation meets both, CORNERS
        neither. A level's memory grows about fourfold a level (past the last:
        bad_calls.txt); one that does not fit is refused."""
        self.assertEqual(core.corner_counts(TRIANGLES), [core.CornerCount(18, 1, 1, 1),
                                                         core.CornerCount(8, 2, 2, core.element_count())])
        self.assertEqual([(c.node, c.count) for c in core.corner_counts(CORNERS)], [(18, 2), (8, 1)])
        with self.assertRaises(core.Refused) as refused:  # each corner named with the triangle the table needs
            core.number(CORNERS)
        self.assertEqual([line.split(": flip")[0] for line in refused.exception.lines], [
            "node 18 is a corner of 2 triangles, but the boundary table needs one there (13 17 18)",
            "node 8 is a corner of just one triangle (7 13 8), whose two heat-flux sides no slot of the boundary table carries"])
        memory = [core.refine_memory(level) for level in range(13)]
        self.assertTrue(all(3.5 < b / a < 4.1 for a, b in zip(memory[9:], memory[10:])), memory)
        if not os.environ.get("HEAT2D_SANITIZE"):  # in 1 GiB of address space, the level that does not fit is refused
            import resource
            import subprocess
            script = ("import sys; sys.path.insert(0, %r); from heat2d import core\ntry: list(core.refine(%r))\n"
                      "except core.Refused as fault: print(fault.lines)") % (os.path.join(HERE, "..", "tools"), TRIANGLES)
            said = subprocess.run([sys.executable, "-c", script], capture_output=True, text=True, check=True,
                                  preexec_fn=lambda: resource.setrlimit(resource.RLIMIT_AS, (1 << 30, 1 << 30))).stdout
            self.assertRegex(said, r"^\['level 9 needs about 1\d\d\d MB, more than the \d\d\d MB available'\]$")

    def test_bad_calls(self):
        """The table of bad calls, each answered by its status and reason; then
        a good call clears the reason, hands out no text and writes nothing
        past what it counts."""
        library = core.library()
        shipped = [n for t in TRIANGLES for n in t]
        element = core.Result(lambda handle: library.heat2d_element((ctypes.c_int * 60)(*shipped), 60, 20, None, handle))
        statuses = {"ok": core.OK, "refused": core.REFUSED, "too small": core.TOO_SMALL, "bad call": core.BAD_CALL}
        design, plate = core.Values(), core.Values(notch_width=9)
        runs = {}  # a refinement and an adaptation of the shipped case, started
        for kind in ("refine", "adapt"):
            runs[kind], lines = ctypes.c_void_p(), ctypes.c_void_p()
            getattr(library, f"heat2d_{kind}")((ctypes.c_int * 60)(*shipped), 60, None, ctypes.byref(runs[kind]),
                                               ctypes.byref(lines))
            self.addCleanup(getattr(library, f"heat2d_{kind}_free"), runs[kind])

        def argument(token):
            if token.startswith('"'):
                return token.strip('"').encode()
            if token.startswith("shipped"):
                values = shipped[:59] if token == "shipped59" else list(shipped)
                if "=" in token:
                    k, v = token[8:].split("]=")
                    values[int(k)] = int(v)
                return (ctypes.c_int * len(values))(*values)
            kind, _, size = token.partition(":")
            made = {"ints": lambda: (ctypes.c_int * int(size))(), "doubles": lambda: (ctypes.c_double * int(size))(),
                    "count": ctypes.c_int, "double": ctypes.c_double, "text": ctypes.c_void_p, "static": ctypes.c_char_p,
                    "result": ctypes.c_void_p, "null": lambda: None, "element": lambda: element.handle,
                    "values": lambda: design.handle, "plate": lambda: plate.handle, "refinement": lambda: runs["refine"],
                    "adaptation": lambda: runs["adapt"]}
            if kind not in made:
                return int(token)
            value = made[kind]()
            return ctypes.byref(value) if kind in ("count", "double", "text", "static", "result") else value

        for line in read(os.path.join(HERE, "data", "bad_calls.txt")).splitlines():
            if line.startswith("#"):
                continue
            name, arguments, status, reason = [field.strip() for field in line.split("|")]
            with self.subTest(line):
                got = getattr(library, name)(*map(argument, arguments.split()))
                self.assertEqual((got, library.heat2d_error().decode()), (statuses[status], reason))
        with element:
            self.assertEqual(element.ints("term_sides"), [2, 3, 1, 3])
        # Outputs of a call that fails are cleared: no handle, no elements counted.
        handle, count, corners = ctypes.c_void_p(1), ctypes.c_int(7), [n for t in CORNERS for n in t]
        self.assertEqual((library.heat2d_element((ctypes.c_int * 60)(*shipped), 60, 21, None, ctypes.byref(handle)),
                          handle.value), (core.BAD_CALL, None))
        flips, flip_count, out = (ctypes.c_int * 8)(), ctypes.c_int(), ctypes.c_void_p()
        self.assertEqual(library.heat2d_number_triangles((ctypes.c_int * 60)(*corners), 60, None, 0, (ctypes.c_int * 60)(),
                                                         60, ctypes.byref(count), flips, 8, ctypes.byref(flip_count),
                                                         ctypes.byref(out)), core.REFUSED)
        self.assertEqual((count.value, flip_count.value, flips[:]), (0, 8, [12, 18, 13, 17, 7, 13, 8, 12]))
        library.heat2d_free(out)
        # A good call: the reason cleared, nothing past the rows, no text.
        rows, count = (ctypes.c_int * 40)(*[-7] * 40), ctypes.c_int()
        self.assertEqual((library.heat2d_boundary_table(rows, 40, ctypes.byref(count)), count.value, rows[36:]),
                         (core.OK, 36, [-7] * 4))
        self.assertEqual(library.heat2d_error(), b"")
        out = ctypes.c_void_p(1)
        self.assertEqual((library.heat2d_judge((ctypes.c_int * 60)(*shipped), 60, None, 1, ctypes.byref(out)), out.value),
                         (core.OK, None))
        read_back = (ctypes.c_int * 64)(*[-7] * 64)
        out.value = 1
        self.assertEqual((library.heat2d_read_elements(b"1 4 5 " * 20, 120, b"s", b"element", read_back, 64,
                                                       ctypes.byref(count), ctypes.byref(out)),
                          out.value, count.value, read_back[60:]), (core.OK, None, 60, [-7] * 4))
        with self.assertRaises(core.Refused):  # no text at all: nothing to read, not a bad call
            core.read_elements(b"", "e.txt")
        # Each thread has its own reason.
        import threading
        seen = []
        worker = threading.Thread(target=lambda: seen.append((core.term_name(1), library.heat2d_error())))
        library.heat2d_count(b"faces", ctypes.byref(count))
        worker.start()
        worker.join()
        self.assertEqual((seen, library.heat2d_error()), ([("heat flux", b"")], b'no count is named "faces"'))

    def test_a_library_of_another_interface_or_none(self):
        """The binding refuses, in one line naming both interfaces, a library
        that answers another; and a HEAT2D_LIBRARY that loads nothing."""
        import subprocess
        script = ("import sys; sys.path.insert(0, %r)\ntry:\n import heat2d; heat2d.core._library = None\n"
                  " heat2d.core.INTERFACE = 1; heat2d.core.library()\nexcept ImportError as fault: print(fault.lines)"
                  ) % os.path.join(HERE, "..", "tools")
        said = subprocess.run([sys.executable, "-c", script], capture_output=True, text=True, check=True).stdout
        self.assertRegex(said, r"^\['the heat2d library .* \(\d+\.\d+\.\d+\) has interface %d, this package needs "
                         r"1'\]$" % core.INTERFACE)
        for library, words in [(os.path.join(HERE, "data", "K.txt"), "cannot be loaded"),
                               ("/no/such/libheat2d.so", "is not at HEAT2D_LIBRARY (/no/such/libheat2d.so): install "
                                "heat2d's package, or set HEAT2D_LIBRARY to the libheat2d.so of a build")]:
            said = subprocess.run([sys.executable, "-c", script], capture_output=True,
                                  text=True, check=True, env=dict(os.environ, HEAT2D_LIBRARY=library)).stdout
            self.assertIn(words, said)


class Notebook(Program):
    def test_the_notebook(self):
        """examples/heat2d.ipynb run by a real Jupyter kernel on this library:
        its own checks (element 7 by hand, the 20 matrices adding up to K)
        hold, its temperatures are the program's write_.txt, and every text it
        prints is the one stored with it."""
        try:
            import nbclient
            import nbformat
        except ImportError:
            self.skipTest("install python3-nbclient and python3-ipykernel to run the notebook")
        path = os.path.join(HERE, "..", "examples", "heat2d.ipynb")
        stored, ran = nbformat.read(path, 4), nbformat.read(path, 4)
        environment = dict(os.environ)
        os.environ.update(PYTHONPATH=os.path.join(HERE, "..", "tools"), PYDEVD_DISABLE_FILE_VALIDATION="1")
        try:
            nbclient.NotebookClient(ran, timeout=60, kernel_name="python3").execute()
        finally:
            os.environ.clear()
            os.environ.update(environment)
        texts = [["".join(o.get("text", "") for o in cell.outputs) for cell in book.cells if cell.cell_type == "code"]
                 for book in (stored, ran)]
        self.assertEqual(texts[0], texts[1])
        self.assertEqual(texts[1][0].split()[16:52], EXPECTED["write_.txt"].split())


if __name__ == "__main__":
    main(sys.modules[__name__])
