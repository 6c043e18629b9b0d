"""heat2d's core through its C API, in this process: the library the tools
load (HEAT2D_LIBRARY). Thousands of triangulations take seconds here.
Usage: core_test.py Core [EMULATOR] HEAT2D, as run_test.py."""
import ctypes
import os
import random
import sys
import unittest

from run_test import EXPECTED, HERE, SHIPPED, main

sys.path.insert(0, os.path.join(HERE, "..", "tools"))
import heat2d_core as core  # noqa: E402

XY = [tuple(float(v) for v in line.split()) for line in EXPECTED["mesh.txt"].splitlines()]
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


class Core(unittest.TestCase):
    def test_the_problem_by_hand(self):
        self.assertEqual((core.node_count(), core.element_count()), (18, 20))
        self.assertEqual(core.nodes(), XY)  # as heat2d writes them in mesh.txt
        self.assertEqual([core.parameter(name) for name in ["width", "height", "notch_width", "notch_depth",
                                                            "conductivity", "convection_coeff", "heat_flux",
                                                            "ambient_temperature"]], [9, 6, 3, 2, 75, 10, 150, 22])
        flux, convection = core.FLUX, core.CONVECTION
        self.assertEqual(core.boundary_table(), [
            (4, flux, 1, 3), (12, flux, 1, 3), (9, flux, 2, 3), (11, flux, 2, 3), (14, convection, 2, 3),
            (16, convection, 2, 3), (18, convection, 2, 3), (20, convection, 2, 3), (20, flux, 1, 3)])
        bottom, right, top = "the bottom edge (y = 0)", "the right edge (x = 4.5)", "the top edge (y = 6)"
        wall, floor, symmetry = "the notch's wall (x = 1.5)", "the notch's floor (y = 4)", "the symmetry line (x = 0)"
        self.assertEqual(core.outline_sides(), [
            (1, 4, bottom, ""), (4, 9, bottom, ""), (9, 14, bottom, ""), (14, 15, right, convection),
            (15, 16, right, convection), (16, 17, right, convection), (17, 18, right, convection),
            (18, 13, top, flux), (13, 8, top, flux), (8, 7, wall, flux), (7, 6, wall, flux), (6, 3, floor, flux),
            (3, 2, symmetry, ""), (2, 1, symmetry, "")])
        # The sides the shipped elements give their terms: the right edge and the top, the notch.
        self.assertEqual(sorted((term, min(a, b), max(a, b)) for term, a, b in core.boundary_sides(TRIANGLES)),
                         sorted([(convection, 14 + k, 15 + k) for k in range(4)] +
                                [(flux, a, b) for a, b in [(3, 6), (6, 7), (7, 8), (8, 13), (13, 18)]]))

    def test_element_values_by_hand_and_summed_into_K_and_f(self):
        one = core.element(TRIANGLES, 1)  # nodes 1 4 5: (0, 0), (1.5, 0), (1.5, 2)
        self.assertEqual((list(one.nodes), one.area, list(one.b), list(one.c), one.term_count),
                         ([1, 4, 5], 1.5, [-2, 2, 0], [0, -1.5, 1.5], 0))
        by_hand = [[50, -50, 0], [-50, 78.125, -28.125], [0, -28.125, 28.125]]  # 75 / (4 * 1.5) (b b' + c c')
        self.assertEqual([list(row) for row in one.conduction], by_hand)
        self.assertEqual([list(row) for row in one.matrix], by_hand)
        last = core.element(TRIANGLES, 20)  # 13 17 18: convection on 17-18 (length 1), heat flux on 13-18 (1.5)
        self.assertEqual([(t.kind, t.first, t.second, t.a, t.b, t.length, t.load) for t in last.terms],
                         [(2, 2, 3, 17, 18, 1, 110), (1, 1, 3, 13, 18, 1.5, 112.5)])
        self.assertEqual([list(row) for row in last.terms[0].matrix], [[0, 0, 0], [0, 20 / 6, 10 / 6],
                                                                        [0, 10 / 6, 20 / 6]])
        self.assertEqual(list(last.loads), [112.5, 110, 222.5])
        self.assertEqual([[round(last.matrix[i][j] - last.conduction[i][j], 12) for j in range(3)] for i in range(3)],
                         [[round(v, 12) for v in row] for row in last.terms[0].matrix])
        # Every element's entries, added where they go, give the exported K and f.
        K = [[0.0] * 18 for _ in range(18)]
        f = [0.0] * 18
        for e in range(1, 21):
            values = core.element(TRIANGLES, e)
            for i, p in enumerate(values.nodes):
                f[p - 1] += values.loads[i]
                for j, q in enumerate(values.nodes):
                    K[p - 1][q - 1] += values.matrix[i][j]
        close = lambda got, text: self.assertTrue(abs(got - float(text)) <= 5e-6 * max(1.0, abs(got)), (got, text))
        for row, line in zip(K, EXPECTED["K.txt"].splitlines()):
            for got, text in zip(row, line.split(), strict=True):
                close(got, text)
        for got, text in zip(f, EXPECTED["f.txt"].split(), strict=True):
            close(got, text)
        # A clockwise element: the conduction matrix of the opposite sign.
        mirrored = [t[::-1] if k == 0 else t for k, t in enumerate(TRIANGLES)]
        self.assertEqual([list(row) for row in core.element(mirrored, 1).conduction],
                         [[-v for v in row[::-1]] for row in by_hand[::-1]])

    def test_the_reader(self):
        """elements.txt's bytes as the program reads them (its tokens are run_test's), named
        and worded as the caller asks, the numbers as read."""
        text = ("\n".join(SHIPPED) + "\n").encode()
        for data, said in [(b"", "found 0 numbers, 60 needed"), (text[:-9] + b"13 17", "found 59 numbers, 60 needed"),
                           (b"1 2 x", 'triangle 1, node 3: "x" is not a number'),
                           (b"1 2 1e-400", 'triangle 1, node 3: "1e-400" is not a node number from 1 to 18')]:
            with self.assertRaises(core.Refused) as refused:
                core.read_elements(data, "in/t.txt", "triangle")
            self.assertEqual(refused.exception.args[0], ["in/t.txt: " + said])
        self.assertEqual(core.read_elements(text + b"\x00 anything", "e.txt"), TRIANGLES)
        self.assertEqual(core.read_elements(b"2.7 " + text[2:], "e.txt")[0], [2.7, 4, 5])  # as read

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
                try:
                    elements, said = core.number(triangles)
                    self.assertEqual(said, [])
                except core.Refused as refusal:
                    corners += 1
                    faults = refusal.args[0]
                    self.assertTrue(1 <= len(faults) <= 2 and all(line.endswith(
                        ", or run again with --flip-corner") for line in faults), faults)
                    elements, said = core.number(triangles, flip_corner=True)
                    self.assertEqual(len(said), sum(line.count(" to ") for line in faults))
                    self.assertTrue(all(line.startswith("flipped side ") for line in said))
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
            self.assertEqual(refused.exception.args[0], [f"side {min(a, b)}-{max(a, b)} {reason}"])

    def test_faults_and_bad_calls(self):
        # Calls the core cannot take: a clear reason, never a crash.
        library = core.library()
        doubles = (ctypes.c_double * 60)(*[float(n) for t in TRIANGLES for n in t])
        ints = (ctypes.c_int * 60)(*[n for t in TRIANGLES for n in t])
        out = ctypes.c_void_p()
        values = core.Element()
        for call, reason in [
                (lambda: library.heat2d_judge(None, 60, 1, ctypes.byref(out)), "elements is a null pointer"),
                (lambda: library.heat2d_judge(doubles, 59, 1, ctypes.byref(out)), "elements holds 59 values, 60 needed"),
                (lambda: library.heat2d_judge(doubles, 60, 1, None), "lines is a null pointer"),
                (lambda: library.heat2d_number(ints, 60, 0, ints, 3, ctypes.byref(out)), "elements holds 3 values, 60 needed"),
                (lambda: library.heat2d_number(ints, 60, 0, None, 60, ctypes.byref(out)), "elements is a null pointer"),
                (lambda: library.heat2d_element(doubles, 60, 21, ctypes.byref(values)), "there is no element 21"),
                (lambda: library.heat2d_element(doubles, 60, 1, None), "values is a null pointer"),
                (lambda: library.heat2d_nodes(None, 36), "xy is a null pointer"),
                (lambda: library.heat2d_boundary_table(ints, 35), "rows holds 35 values, 36 needed"),
                (lambda: library.heat2d_outline_sides(ints, 55), "rows holds 55 values, 56 needed"),
                (lambda: library.heat2d_boundary_sides(doubles, 60, ints, 26), "sides holds 26 values, 27 needed"),
                (lambda: library.heat2d_read_elements(None, 3, b"s", b"element", doubles, 60, ctypes.byref(out)),
                 "text, source, word or message is a null pointer"),
                (lambda: library.heat2d_read_elements(b"1", 1, b"s", b"element", doubles, 59, ctypes.byref(out)),
                 "elements holds 59 values, 60 needed"),
                (lambda: library.heat2d_read_elements(None, 1, b"s", b"element", doubles, 60, ctypes.byref(out)),
                 "text, source, word or message is a null pointer"),
                (lambda: library.heat2d_read_elements(b"1", 1, None, b"element", doubles, 60, ctypes.byref(out)),
                 "text, source, word or message is a null pointer"),
                (lambda: library.heat2d_read_elements(b"1", 1, b"s", None, doubles, 60, ctypes.byref(out)),
                 "text, source, word or message is a null pointer"),
                (lambda: library.heat2d_number(ints, 59, 0, ints, 60, ctypes.byref(out)), "triangles holds 59 values, 60 needed"),
                (lambda: library.heat2d_flip(ints, 60, 1, 4, ints, 59, ctypes.byref(out)), "flipped holds 59 values, 60 needed"),
                (lambda: library.heat2d_flip(ints, 60, 1, 4, ints, 60, None), "reason is a null pointer"),
                (lambda: library.heat2d_flip(ints, 60, 0, 4, ints, 60, ctypes.byref(out)),
                 "side 0-4 is not between two nodes from 1 to 18")]:
            with self.subTest(reason):
                self.assertEqual((call(), library.heat2d_error().decode()), (core.BAD_CALL, reason))
        for bad in [0, 19, 0.5, float("nan")]:
            with self.assertRaises(core.BadCall) as refused:
                core.judge([[bad, 4, 5]] + TRIANGLES[1:])
            self.assertEqual(str(refused.exception), "elements[0] is not a node number from 1 to 18")
        with self.assertRaises(core.BadCall) as refused:
            core.number(TRIANGLES[:19] + [[13, 17, 19]])
        self.assertEqual(str(refused.exception), "triangles[59] is not a node number from 1 to 18")
        with self.assertRaises(core.BadCall) as refused:
            core.parameter("depth")
        self.assertEqual(str(refused.exception), 'no parameter is named "depth"')
        self.assertEqual((library.heat2d_outline_place(6), library.heat2d_error()), (None, b"there is no part 6 of the outline"))
        self.assertEqual((core.term_name(0), core.term_name(3)), ("", ""))
        self.assertEqual(core.parameter("width"), 9)
        self.assertEqual(library.heat2d_error(), b"")
        with self.assertRaises(core.Refused):  # no text at all: nothing to read, not a bad call
            core.read_elements(b"", "e.txt")
        # The rows written and nothing past them; no text handed out for a good triangulation.
        rows, read = (ctypes.c_int * 60)(*[-7] * 60), (ctypes.c_double * 64)(*[-7.0] * 64)
        self.assertEqual((library.heat2d_boundary_table(rows, 60), rows[36:40]), (9, [-7] * 4))
        self.assertEqual((library.heat2d_outline_sides(rows, 60), rows[56:]), (14, [-7] * 4))
        out.value = 1
        self.assertEqual((library.heat2d_read_elements(b"1 4 5 " * 20, 120, b"s", b"element", read, 64,
                                                       ctypes.byref(out)), out.value, read[60:]), (0, None, [-7] * 4))
        out.value = 1
        self.assertEqual((library.heat2d_judge(doubles, 60, 1, ctypes.byref(out)), out.value), (core.OK, None))
        self.assertEqual(library.heat2d_error(), b"")  # a good call clears the last reason


if __name__ == "__main__":
    main(sys.modules[__name__])
