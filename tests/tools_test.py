"""The tools beside heat2d as a user runs them, with heat2d as the judge of
every elements.txt that heat2d-elements writes.
Usage: tools_test.py GROUP [EMULATOR] HEAT2D, as run_test.py."""
import math
import os
import random
import shutil
import subprocess
import sys
import tempfile
import unittest

from run_test import EXPECTED, HERE, SHIPPED, Program, main, read

TOOLS = os.path.join(HERE, "..", "tools")
XY = [tuple(float(v) for v in line.split()) for line in EXPECTED["mesh.txt"].splitlines()]
TRIANGLES = [[int(n) for n in line.split()] for line in SHIPPED]


def needs(module):
    try:
        __import__(module)
    except ImportError:
        raise unittest.SkipTest(f"no {module} for {sys.executable}") from None


def area(t):
    (x1, y1), (x2, y2), (x3, y3) = (XY[n - 1] for n in t)
    return (x2 - x1) * (y3 - y1) - (x3 - x1) * (y2 - y1)


def flipped(triangles, rng, count):
    """count random flips of diagonals whose two triangles make a convex quadrilateral."""
    triangles = [list(t) for t in triangles]
    for _ in range(count):
        pairs = [(i, j) for i in range(20) for j in range(i) if len(set(triangles[i]) & set(triangles[j])) == 2]
        rng.shuffle(pairs)
        for i, j in pairs:
            a, b = set(triangles[i]) & set(triangles[j])
            (c,), (d,) = set(triangles[i]) - {a, b}, set(triangles[j]) - {a, b}
            new = [[a, c, d], [b, d, c]]
            if area([c, d, a]) * area([c, d, b]) < 0:  # c-d crosses a-b
                triangles[i], triangles[j] = [t if area(t) > 0 else t[::-1] for t in new]
                break
    return triangles


class Tools(Program):
    def tool(self, name, *arguments, folder=None):
        return subprocess.run([sys.executable, os.path.join(TOOLS, name), *arguments], cwd=folder or self.folder,
                              capture_output=True, text=True, timeout=120, stdin=subprocess.DEVNULL)

    def number(self, *arguments):
        return self.tool("number_elements.py", *arguments)

    def judge(self):
        """heat2d on the folder's elements.txt runs clean; its triangles as sets."""
        run = self.run_heat2d(None)
        self.assertEqual((run.returncode, run.stderr), (0, ""))
        return [frozenset(map(int, line.split())) for line in read(self.path("elements.txt")).splitlines()]


class Elements(Tools):
    def write_mesh(self, name, triangles, order, others=(), **options):
        """triangles as a mesh file whose point k is node order[k], after cells of other kinds."""
        import meshio
        import numpy

        place = {node: k for k, node in enumerate(order)}
        points = numpy.array([[*XY[n - 1], 0.0] for n in order])
        cells = [*others, ("triangle", [[place[n] for n in t] for t in triangles])]
        tags = [[1] * len(block) for _, block in cells]
        meshio.write(self.path(name), meshio.Mesh(points, cells, cell_data={
            "gmsh:physical": tags, "gmsh:geometrical": tags}), **options)

    def test_random_triangulations_in_every_format(self):
        needs("meshio")
        rng = random.Random(16)
        corners = 0
        # Half of them start with both corners to mend: node 8 in one triangle, 18 in two.
        corner = TRIANGLES[:10] + [[7, 13, 8], [7, 12, 13]] + TRIANGLES[12:18] + [[12, 17, 18], [12, 18, 13]]
        for case in range(6):
            triangles = flipped(corner if case % 2 else TRIANGLES, rng, case * 3)
            rng.shuffle(triangles)
            for t in triangles:  # turned, and half of them reversed
                t[:] = t[case % 3:] + t[:case % 3]
                if rng.random() < 0.5:
                    t.reverse()
            with self.subTest(case=case):
                self.setUp()
                self.write("t.txt", "\n".join(" ".join(map(str, t)) for t in triangles))
                order = rng.sample(range(1, 19), 18)
                self.write_mesh("t.msh", triangles, order, [("vertex", [[0]]), ("line", [[0, 1]])],
                                file_format="gmsh22", binary=False)
                self.write_mesh("b.msh", triangles, order, file_format="gmsh", binary=True)
                self.write_mesh("t.vtu", triangles, order)
                outputs = []
                for name in ["t.txt", "t.msh", "b.msh", "t.vtu"]:
                    refused = self.number(name)
                    if refused.returncode:  # only where a corner needs a flip
                        self.assertTrue(refused.stderr.endswith(", or run again with --flip-corner\n"), refused.stderr)
                        self.assertFalse(os.path.exists(self.path("elements.txt")))
                    run = self.number("--flip-corner", name)
                    self.assertEqual(run.returncode, 0, run.stderr)
                    flips = run.stderr.count("heat2d-elements: flipped side ")
                    self.assertEqual((bool(refused.returncode), flips), (bool(flips), len(run.stderr.splitlines())))
                    corners += bool(flips)
                    outputs.append(read(self.path("elements.txt")))
                    if name != "t.vtu":
                        os.remove(self.path("elements.txt"))
                self.assertEqual(outputs, outputs[:1] * 4)  # the same triangles, the same bytes
                got = self.judge()
                if not flips:
                    self.assertEqual(sorted(map(sorted, got)), sorted(map(sorted, triangles)))
        self.assertGreater(corners, 0)

    def test_the_shipped_file_is_kept_and_corners_are_flipped(self):
        for order in [-1, 1]:
            self.write("in.txt", " ".join(SHIPPED[::order]))
            self.assertEqual((self.number("in.txt").returncode, sorted(map(sorted, self.judge()))),
                             (0, sorted(map(sorted, TRIANGLES))))
        self.assertEqual(read(self.path("elements.txt")).splitlines(), SHIPPED)
        # Node 8 a corner of 7 13 8 alone, whose neighbour across 7-13 is 7 6 13;
        # node 18 of 11 17 18, 11 18 12 and 12 18 13.
        self.write("in.txt", "\n".join(SHIPPED[:8] + ["7 13 8", "7 6 13", "6 12 13", "6 11 12"] + SHIPPED[12:16] +
                                   ["11 16 17", "11 17 18", "11 18 12", "12 18 13"]))
        refused = self.number("in.txt")
        self.assertEqual((refused.returncode, refused.stderr.splitlines(), read(self.path("elements.txt"))),
                         (1, ["heat2d-elements: node 18 is a corner of 3 triangles, but the boundary table needs "
                              "one there (13 17 18): flip sides 11-18 to 12-17, then 12-18 to 13-17, or run again "
                              "with --flip-corner",
                              "heat2d-elements: node 8 is a corner of just one triangle (7 13 8), whose two "
                              "heat-flux sides no slot of the boundary table carries: flip sides 6-13 to 7-12, "
                              "then 7-13 to 8-12, or run again with --flip-corner"], "\n".join(SHIPPED) + "\n"))
        run = self.number("--flip-corner", "in.txt")
        self.assertEqual(run.stderr.splitlines(), ["heat2d-elements: flipped side " + flip for flip in [
            "11-18 to 12-17", "12-18 to 13-17", "6-13 to 7-12", "7-13 to 8-12"]])
        self.assertEqual(sorted(map(sorted, self.judge())), sorted(
            map(sorted, TRIANGLES[:8] + [[6, 11, 12], [6, 12, 7]] + TRIANGLES[10:])))

    def test_refusals_leave_elements_txt_as_it_was(self):
        """Faults of the file, then heat2d's cases: its faults of the tiling, in its
        words, or its faults of the table mended."""
        big, folder, gone = b"0" * (1 << 20) + b"\n", object(), None
        triples = lambda lines: "\n".join(lines).encode()
        cases = [("gone.txt", gone, ["gone.txt: cannot open: No such file or directory"]),
                 ("d.msh", folder, ["d.msh: is a folder, not a file"]),
                 ("big.msh", big, ["big.msh: is larger than 1 MiB; 18 nodes and 20 triangles take a few kB"]),
                 ("t.xyz", b"1", ["t.xyz: the format is not known: a .txt of node-number triples, or a mesh file "
                                  "(.msh, .vtu, .vtk, ...)"]),
                 ("t.msh", b"$MeshFormat\n9 0 8\n$EndMeshFormat\n",
                  ["t.msh: cannot be read: Need mesh format in ['2', '2.2', '4', '4.0', '4.1'] (got 9)"]),
                 ("t.vtu", b"<VTKFile", ["t.vtu: cannot be read: Couldn't read file t.vtu as vtu"]),
                 ("t.msh", b"$MeshFormat\n2.2 0 8\n$EndMeshFormat\n$Nodes\n3\n1 0 0 0\n2 6 0 0\n3 2.25 3 0\n"
                  b"$EndNodes\n$Elements\n20\n" + b"".join(b"%d 2 0 1 2 3\n" % k for k in range(1, 21)) +
                  b"$EndElements\n", [f"t.msh: the point at ({p}, 0) is none of heat2d's 18 nodes" for p in ["6, 0", "2.25, 3"]]),
                 ("t.txt", triples(SHIPPED[:19]), ["t.txt: found 57 numbers, 60 needed"]),
                 ("t.txt", triples(["19 x 1.0"] + SHIPPED[1:]), [
                     f't.txt: triangle 1, node {j}: "{v}" is not a node number from 1 to 18'
                     for j, v in [(1, 19), (2, "x"), (3, "1.0")]]),
                 ("t.txt", triples(["1 4 5"] * 20), None)]
        for case in read(os.path.join(HERE, "data", "triangulations.txt")).split("\n== ")[1:]:
            title, *lines = case.splitlines()
            edits = [line.split(": ") for line in lines if line[0].isdigit()]
            if title != "node 10 left out" and not any("more faults" in line or "." in text for line in lines
                                                        for _, text in edits):
                elements = list(SHIPPED)
                for number, text in edits:
                    elements[int(number) - 1] = text
                cases.append((title + ".txt", triples(elements), [
                    line[8:].replace("element", "triangle") for line in lines if line.startswith("heat2d: ") and
                    not any(word in line for word in ["heat-flux", "convection", "gets", "pivot", "area -"])]))
        try:
            import meshio  # noqa: F401
        except ImportError:  # the mesh files' rows need it
            cases = [case for case in cases if case[0].endswith(".txt")]
        for name, content, errors in cases:
            with self.subTest(name):
                self.setUp()
                self.write("elements.txt", "mine\n")
                if content is folder:
                    os.mkdir(self.path(name))
                elif content is not gone:
                    self.write(name, content)
                run = self.number(name)
                if errors == []:  # heat2d's faults of the table alone: mended
                    self.assertEqual((run.returncode, run.stderr), (0, ""))
                    self.judge()
                    continue
                self.assertEqual(run.returncode, 1)
                shown = run.stderr.splitlines()
                if errors is None:  # more than ten faults
                    self.assertEqual(len(shown), 11)
                    self.assertRegex(shown[-1], r"^heat2d-elements: and \d+ more faults in the triangulation$")
                else:
                    self.assertEqual(shown, ["heat2d-elements: " + line for line in errors])
                self.assertEqual(read(self.path("elements.txt")), "mine\n")
                self.assertEqual(sorted(os.listdir(self.folder)), sorted({"elements.txt", name} - {
                    name if content is gone else ""}))


    def test_the_gmsh_route(self):
        if not shutil.which("gmsh"):
            self.skipTest("gmsh is not installed")
        needs("meshio")
        self.run_heat2d()
        os.remove(self.path("elements.txt"))
        subprocess.run(["gmsh", "mesh.geo", os.path.join(TOOLS, "region.geo"), "-2", "-o", "mine.msh"],
                       cwd=self.folder, capture_output=True, timeout=120, check=True)
        refused = self.number("mine.msh")
        self.assertEqual(refused.stderr, "heat2d-elements: node 18 is a corner of 2 triangles, but the boundary "
                         "table needs one there (13 17 18): flip side 12-18 to 13-17, or run again with --flip-corner\n")
        run = self.number("--flip-corner", "mine.msh")
        self.assertEqual(run.stderr, "heat2d-elements: flipped side 12-18 to 13-17\n")
        self.assertEqual(len(self.judge()), 20)
        self.assertEqual(self.tool("export_field.py").returncode, 0)


class Export(Tools):
    def test_the_field_for_the_viewers(self):
        needs("meshio")
        import meshio

        run = self.run_heat2d()
        self.assertEqual(self.tool("export_field.py").returncode, 0)
        temperatures = [float(line.split()[1]) for line in EXPECTED["write_.txt"].splitlines()]
        for name in ["temperature.vtu", "temperature.msh"]:
            mesh = meshio.read(self.path(name))
            self.assertEqual(mesh.points.tolist(), [[x, y, 0] for x, y in XY])
            self.assertEqual(mesh.cells_dict["triangle"].tolist(), [[n - 1 for n in t] for t in TRIANGLES])
            self.assertEqual(mesh.point_data["temperature"].tolist(), temperatures)
        self.assertEqual(meshio.read(self.path("temperature.vtu")).cell_data["element"][0].tolist(),
                         list(range(1, 21)))
        nan = EXPECTED["write_.txt"].replace("42.0782", "-nan")
        self.write("write_.txt", nan)
        self.assertEqual(self.tool("export_field.py").stderr, "heat2d-export: the temperatures are not-a-number "
                         "(the run's system was not positive definite); they are written as they are\n")
        self.assertTrue(math.isnan(meshio.read(self.path("temperature.vtu")).point_data["temperature"][17]))
        if shutil.which("gmsh"):
            self.write("view.geo", 'Merge "temperature.msh";\nPrintf("%g %.6g", PostProcessing.NbViews, View[0].Max);\n')
            shown = subprocess.run(["gmsh", "-nopopup", "view.geo", "-"], cwd=self.folder, capture_output=True,
                                   text=True, timeout=120)
            self.assertIn("1 48.4099", shown.stdout + shown.stderr)

    def test_refusals(self):
        """A missing or malformed file of the run folder, one line; nothing written."""
        self.run_heat2d()
        for row in read(os.path.join(HERE, "data", "run_folder_refusals.txt")).splitlines()[2:]:
            name, content, error = row.split("\t")
            with self.subTest(error):
                folder = os.path.join(self.folder, "case")
                os.mkdir(folder)
                for other in ["mesh.txt", "elements.txt", "write_.txt"]:
                    shutil.copy(self.path(other), folder)
                os.remove(os.path.join(folder, name))
                if content != "-":
                    self.write(os.path.join("case", name), content.encode().decode("unicode_escape"))
                before = sorted(os.listdir(folder))
                for tool, prefix in [("export_field.py", "export"), ("plot_temperature.py", "plot")]:
                    run = self.tool(tool, "case")
                    self.assertEqual((run.returncode, run.stderr, sorted(os.listdir(folder))),
                                     (1, f"heat2d-{prefix}: {os.path.join('case', error)}\n", before))
                shutil.rmtree(folder)


if __name__ == "__main__":
    main(sys.modules[__name__])
