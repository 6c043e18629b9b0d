"""The tools beside heat2d as a user runs them, with heat2d as the judge of
every elements.txt that heat2d-elements writes.
Usage: tools_test.py GROUP [EMULATOR] HEAT2D, as run_test.py."""
import math
import os
import random
import resource
import shutil
import subprocess
import sys
import unittest

from core_test import CORNERS, core as heat2d_core, scrambled
from run_test import EXPECTED, HERE, SHIPPED, Program, cases, edited, main, read

TOOLS = os.path.join(HERE, "..", "tools")
XY = [tuple(float(v) for v in line.split()) for line in EXPECTED["mesh.txt"].splitlines()]
TRIANGLES = [[int(n) for n in line.split()] for line in SHIPPED]
KINDS = ["bytes", "zeros", "folder", "missing", "fifo", "device"]  # of input, in data/elements_cases.txt
SECONDS = 30  # a tool's answer: one that hangs fails the test in this time


def make(path, kind, content=None):
    """A file of a kind: a folder, a pipe, a link to a device, or content."""
    if kind == "folder":
        os.mkdir(path)
    elif kind == "fifo":
        os.mkfifo(path)
    elif kind == "device":
        os.symlink("/dev/zero", path)
    elif kind != "missing":
        with open(path, "wb") as stream:
            stream.write(content)


def has(module):
    try:
        return bool(__import__(module))
    except ImportError:
        return False


def needs(module):
    if not has(module):
        raise unittest.SkipTest(f"no {module} for {sys.executable}")


class Tools(Program):
    def tool(self, name, *arguments, **options):
        options = {"stdout": subprocess.PIPE, "stderr": subprocess.PIPE, **options}
        return subprocess.run([sys.executable, os.path.join(TOOLS, name), *arguments], cwd=self.folder,
                              text=True, timeout=SECONDS, stdin=subprocess.DEVNULL, **options)

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

    def test_the_same_triangles_in_every_format(self):
        """Scrambled triangles with both corners to mend, as triples, Gmsh 2.2 text
        (with vertex and line cells), Gmsh 4.1 binary and .vtu, the points in a random
        order: refused, then mended with --flip-corner, the same bytes from each."""
        needs("meshio")
        rng = random.Random(16)
        triangles = scrambled(CORNERS, rng)
        self.write("t.txt", "\n".join(" ".join(map(str, t)) for t in triangles))
        order = rng.sample(range(1, 19), 18)
        for name, others, options in [("t.msh", [("vertex", [[0]]), ("line", [[0, 1]])], ["gmsh22", False]),
                                      ("b.msh", [], ["gmsh", True]), ("t.vtu", [], ["vtu", True])]:
            self.write_mesh(name, triangles, order, others, file_format=options[0], binary=options[1])
        outputs = []
        for name in ["t.txt", "t.msh", "b.msh", "t.vtu"]:
            refused, run = self.number(name), self.number("--flip-corner", name)
            self.assertEqual((run.returncode, refused.returncode, run.stderr.count("heat2d-elements: flipped side ")), (0, 1, 2))
            self.assertTrue(refused.stderr.endswith(", or run again with --flip-corner\n"))
            outputs.append(read(self.path("elements.txt")))
        self.assertEqual(outputs, outputs[:1] * 4)  # the same triangles, the same bytes
        self.judge()

    def test_a_small_file_that_inflates(self):
        """0.9 MB of compressed .vtu holding 17 million points: refused, its reader's
        memory within the bound (the largest child of this process is the reader)."""
        needs("meshio")
        import meshio
        import numpy

        meshio.write(self.path("big.vtu"), meshio.Mesh(numpy.zeros((17_000_000, 3)), [("triangle", [[0, 1, 2]])]),
                     compression="zlib")
        self.assertLess(os.path.getsize(self.path("big.vtu")), 1 << 20)
        # The tool under a parent of its own, which tells the largest resident size (kB) of its processes.
        measured = ("import resource, subprocess, sys; subprocess.run(sys.argv[1:]); "
                    "print(resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss)")
        run = subprocess.run([sys.executable, "-c", measured, sys.executable, os.path.join(TOOLS, "number_elements.py"),
                              "big.vtu"], cwd=self.folder, capture_output=True, text=True, timeout=SECONDS)
        self.assertEqual(run.stderr, "heat2d-elements: big.vtu: cannot be read: needs more than 256 MiB to read\n")
        self.assertLess(int(run.stdout), 300 << 10)

    def test_cases(self):
        """data/elements_cases.txt: the command's refusals, its flips and what it writes."""
        checks, left_out = cases("elements_cases.txt"), 0
        os.mkdir(self.path("elements.txt"))  # in the way: nothing is left of the attempt
        self.write("in.txt", "\n".join(SHIPPED))
        run = self.number("in.txt")
        self.assertEqual((run.returncode, run.stderr, sorted(os.listdir(self.folder))),
                         (1, "heat2d-elements: cannot write elements.txt: Is a directory\n", ["elements.txt", "in.txt"]))
        for title, lines in checks:
            words = dict(line.split(" ", 1) for line in lines if line.split(" ")[0] in ["file", "option"])
            name = words.get("file", "in.txt").encode().decode("unicode_escape")
            errors = [line for line in lines if line.startswith("heat2d-")]
            if not (name.endswith(".txt") or has("meshio")):
                left_out += 1
                continue
            with self.subTest(title):
                self.setUp()
                self.write("elements.txt", "mine\n")
                kind, _, rest = ([line for line in lines if line.split(" ")[0] in KINDS] + [""])[0].partition(" ")
                make(self.path(name), kind, rest.encode().decode("unicode_escape").encode("latin-1") if kind == "bytes"
                     else bytes(int(rest)) if kind == "zeros" else ("\n".join(edited(lines)) + "\n").encode())
                run = self.number(*words.get("option", "").split(), name)
                self.assertEqual(run.stderr.splitlines(), errors)
                if all(line.startswith("heat2d-elements: flipped ") for line in errors):
                    self.assertEqual(run.returncode, 0)
                    self.judge()
                    written = [line[2:] for line in lines if line.startswith("> ")]
                    if written:
                        self.assertEqual(read(self.path("elements.txt")).splitlines(), written)
                    self.assertEqual(os.stat(self.path("elements.txt")).st_mode & 0o777, 0o644)
                else:
                    self.assertEqual((run.returncode, read(self.path("elements.txt"))), (1, "mine\n"))
                    self.assertEqual(sorted(os.listdir(self.folder)), sorted({"elements.txt", name} - {
                        name if "missing" in lines else ""}))
        if left_out:
            self.skipTest(f"{left_out} cases of meshes: no meshio for {sys.executable}")


class Export(Tools):
    def test_from_gmsh_to_the_viewers(self):
        """The loop as a user runs it: heat2d, Gmsh on region.geo and heat2d-elements
        (where Gmsh is installed), heat2d again, the picture, and the export read
        back against the run's own files and shown by Gmsh."""
        needs("meshio")
        import meshio

        self.run_heat2d()
        if shutil.which("gmsh"):
            subprocess.run(["gmsh", "mesh.geo", os.path.join(TOOLS, "region.geo"), "-2", "-o", "mine.msh"],
                           cwd=self.folder, capture_output=True, timeout=120, check=True)
            self.assertEqual(self.number("mine.msh").stderr, "heat2d-elements: node 18 is a corner of 2 triangles, "
                             "but the boundary table needs one there (13 17 18): flip side 12-18 to 13-17, or run "
                             "again with --flip-corner\n")
            run = self.number("--flip-corner", "mine.msh")
            self.assertEqual(run.stderr, "heat2d-elements: flipped side 12-18 to 13-17\n")
            self.judge()
            # Another plate, 10 x 5 with a 3.33333333333 x 1 notch (mesh.geo: six digits): the mesh is matched to
            # its nodes when its dimensions are given, refused in one line when they are not.
            plate = ["--width", "10", "--height", "5", "--notch-width", "3.33333333333", "--notch-depth", "1"]
            self.run_heat2d(arguments=plate)
            subprocess.run(["gmsh", "mesh.geo", os.path.join(TOOLS, "region.geo"), "-2", "-o", "plate.msh"],
                           cwd=self.folder, capture_output=True, timeout=120, check=True)
            self.assertEqual(self.number("plate.msh").stderr, "heat2d-elements: plate.msh: heat2d's node 4 at (1.5, 0) "
                             "is none of its points: a mesh of another plate needs that plate's --width, --height, "
                             "--notch-width and --notch-depth\n")
            self.assertEqual(self.number("--flip-corner", *plate, "plate.msh").stderr,
                             "heat2d-elements: flipped side 12-18 to 13-17\n")
            self.assertEqual(self.run_heat2d(None, plate).stderr, "")
            os.remove(self.path("values.txt"))
            self.run_heat2d()
        rows = lambda name: [[float(v) for v in line.split()] for line in read(self.path(name)).splitlines()]
        temperatures = [t for _, t in rows("write_.txt")]
        if has("matplotlib"):
            self.assertEqual(self.tool("plot_temperature.py").stderr, "")
            # The picture's figure: each node's number at the node, ten isotherms evenly, the extremes, the terms.
            sys.path.insert(0, TOOLS)
            import plot_temperature
            from heat2d_problem import Run

            from matplotlib.backends.backend_agg import FigureCanvasAgg

            figure = plot_temperature.figure_of(Run(*zip(*XY), TRIANGLES, temperatures))
            FigureCanvasAgg(figure).draw()
            axes = figure.axes[0]
            self.assertEqual([(a.get_text(), a.xy) for a in axes.texts if hasattr(a, "xy")],
                             [(str(n), XY[n - 1]) for n in range(1, 19)])
            self.assertEqual(len(axes.collections), 1 + 10)  # the shading, then an isotherm a level
            levels = {f"{36.1659 + k * (48.4099 - 36.1659) / 11:.1f}" for k in range(1, 11)}
            labels = {t.get_text() for t in axes.texts if not hasattr(t, "xy")}
            self.assertTrue(labels and labels <= levels, (labels, levels))
            self.assertEqual((axes.get_title(), axes.get_xlim(), axes.get_ylim()), (
                "Temperature: lowest 36.1659 (node 14),\nhighest 48.4099 (node 8)", (-0.4, 4.9), (-0.4, 6.4)))
            self.assertEqual([t.get_text() for t in axes.get_legend().get_texts()], ["heat flux 150", "convection 10 to 22"])
            terms = sorted((line.get_color(), sorted(zip(*line.get_data()))) for line in axes.lines if line.get_linewidth() == 4)
            self.assertEqual(terms, sorted([("tab:blue", [XY[n - 1], XY[n]]) for n in range(14, 18)] + [
                ("tab:red", sorted([XY[a - 1], XY[b - 1]])) for a, b in [(3, 6), (6, 7), (7, 8), (8, 13), (13, 18)]]))
            even = plot_temperature.figure_of(Run(*zip(*XY), TRIANGLES, [22.0] * 18)).axes[0]
            self.assertEqual(len(even.collections), 1)  # no isotherm in an even field
        self.assertEqual(self.tool("export_field.py").stdout, "./temperature.vtu\n./temperature.msh\n")
        self.assertEqual({os.stat(self.path(n)).st_mode & 0o777 for n in ["temperature.vtu", "temperature.msh"]},
                         {0o644})
        for name in ["temperature.vtu", "temperature.msh"]:
            mesh = meshio.read(self.path(name))
            self.assertEqual(mesh.points.tolist(), [[x, y, 0] for x, y in XY])
            self.assertEqual(mesh.cells_dict["triangle"].tolist(), [[n - 1 for n in t] for t in rows("elements.txt")])
            self.assertEqual(mesh.point_data["temperature"].tolist(), temperatures)
        self.assertEqual(meshio.read(self.path("temperature.vtu")).cell_data["element"][0].tolist(),
                         list(range(1, 21)))
        if shutil.which("gmsh"):
            self.write("view.geo", 'Merge "temperature.msh";\nPrintf("%g %.6g", PostProcessing.NbViews, View[0].Max);\n')
            shown = subprocess.run(["gmsh", "-nopopup", "view.geo", "-"], cwd=self.folder, capture_output=True,
                                   text=True, timeout=120)
            self.assertIn("1 %.6g" % max(temperatures), shown.stdout + shown.stderr)
        self.write("write_.txt", EXPECTED["write_.txt"].replace("42.0782", "-nan"))
        self.assertEqual(self.tool("export_field.py").stderr, "heat2d-export: the temperatures are not-a-number "
                         "(the run's system was not positive definite); they are written as they are\n")
        self.assertTrue(math.isnan(meshio.read(self.path("temperature.vtu")).point_data["temperature"][17]))

    def test_the_fine_fields(self):
        """Beside heat2d --refine's and --adapt's files the export writes their
        fields too, read back against them; the picture leaves level 4's 5120
        triangles' lines out but marks heat2d's nodes and terms, and draws the
        adapted mesh and its corner; files that do not belong together are
        refused; fine files older than elements.txt are another
        triangulation's: left out, with a line that says so, the rest made."""
        needs("meshio")
        import meshio

        self.run_heat2d()
        for stem, option in [("refined", ["--refine", "4"]), ("adapted", ["--adapt", "1e-2"])]:
            for name in [name for name in os.listdir(self.folder) if name.startswith(("refined_", "adapted_"))]:
                os.remove(self.path(name))  # the other run's files, older than elements.txt
            self.assertEqual(self.run_heat2d(arguments=option).returncode, 0)
            xy, triangles, T = ([[float(v) for v in line.split()] for line in read(self.path(f"{stem}_{name}.txt"))
                                 .splitlines()] for name in ["mesh", "elements", "write_"])
            pictures = {"refined": ["refined_temperature"], "adapted": ["adapted_temperature", "adapted_corner"]}[stem]
            self.assertEqual(self.tool("export_field.py").stdout.split(), [
                f"./{name}.{kind}" for name in ["temperature", f"{stem}_temperature"] for kind in ["vtu", "msh"]])
            for kind in ["vtu", "msh"]:
                mesh = meshio.read(self.path(f"{stem}_temperature.{kind}"))
                self.assertEqual((mesh.points[:, :2].tolist(), mesh.point_data["temperature"].tolist(),
                                  (mesh.cells_dict["triangle"] + 1).tolist()), (xy, [t for _, t in T], triangles))
            if has("matplotlib"):
                sys.path.insert(0, TOOLS)
                import heat2d_problem
                import plot_temperature
                axes = plot_temperature.figure_of(heat2d_problem.read_fine(self.folder, stem, self.fail), TRIANGLES).axes[0]
                self.assertEqual(([a.get_text() for a in axes.texts if hasattr(a, "xy")], len(axes.lines) - 9 > 0),
                                 ([str(n) for n in range(1, 19)], stem == "adapted"))  # level 4's lines left out
                run = self.tool("plot_temperature.py")
                self.assertEqual((run.stdout.split(), run.stderr), ([f"./{name}.png" for name in ["temperature"] + pictures],
                                                                    ""))
        for name, content, said in [
                ("refined_write_.txt", None, "refined_write_.txt: cannot read: No such file or directory"),
                ("refined_mesh.txt", "1 1\n" * 3000, "refined_mesh.txt: its first 18 lines are not heat2d's nodes"),
                ("refined_elements.txt", "1 2 3001\n", "refined_elements.txt: a triangle names a node outside 1 to 2673"),
                ("refined_write_.txt", "1 2 3\n", "refined_write_.txt: not lines of 2 numbers, as heat2d --refine "
                                                    "writes them")]:
            self.run_heat2d(arguments=["--refine", "4"])
            if content is None:
                os.remove(self.path(name))
            else:
                self.write(name, content)
            self.assertEqual(self.tool("export_field.py").stderr, f"heat2d-export: ./{said}\n")
        # elements.txt edited after the fine runs: their fields are left out.
        self.run_heat2d(arguments=["--refine", "1"])
        later = os.stat(self.path("refined_mesh.txt")).st_mtime + 10
        os.utime(self.path("elements.txt"), (later, later))
        run = self.tool("export_field.py")
        self.assertEqual((run.returncode, run.stdout.split(), run.stderr.splitlines()),
                         (0, ["./temperature.vtu", "./temperature.msh"],
                          [f"heat2d-export: ./{stem}_mesh.txt is older than elements.txt: its field, of another "
                           f"triangulation, is left out (run heat2d --{option} again)"
                           for stem, option in [("refined", "refine"), ("adapted", "adapt")]]))

    def test_each_field_labelled_with_its_values(self):
        """A fine run given values beside a plain run given others: each
        field's legend, scale and exported values are its own run's, on its own
        plate, whose nodes are the core's, not mesh.txt's six digits; then a
        run given none, whose field is the design's and whose old values file
        is said to be another run's."""
        needs("meshio")
        import meshio
        import numpy

        self.run_heat2d(arguments=["--refine", "1", "--heat-flux", "300", "--convection=20"])
        plate = ["--width", "3.33333333333", "--height", "2", "--notch-width", "1", "--notch-depth", "1"]
        self.run_heat2d(None, ["--conductivity", "150"] + plate)
        names = [name for name, _ in heat2d_core.value_names()]
        values = lambda name: [set(meshio.read(self.path(name)).point_data.get(n, numpy.array([None])).tolist())  # noqa: E731
                               for n in names]
        self.assertEqual(self.tool("export_field.py").stderr, "")
        self.assertEqual((values("temperature.vtu"), values("refined_temperature.vtu")),
                         ([{150}, {150}, {10}, {22}, {3.33333333333}, {2}, {1}, {1}],
                          [{75}, {300}, {20}, {22}, {9}, {6}, {3}, {2}]))
        self.assertEqual(meshio.read(self.path("temperature.vtu")).points[13:, 0].tolist(), [3.33333333333 / 2] * 5)
        self.assertEqual(list(meshio.read(self.path("refined_temperature.msh")).point_data), ["temperature"])
        if has("matplotlib"):
            sys.path.insert(0, TOOLS)
            import heat2d_problem
            import plot_temperature
            for prefix, legend, scale in [("", ["heat flux 150", "convection 10 to 22"], "temperature (conductivity 150)"),
                                          ("refined_", ["heat flux 300", "convection 20 to 22"], "temperature (conductivity 75)")]:
                run = heat2d_problem.read_fine(self.folder, "refined", self.fail) if prefix else \
                    heat2d_problem.read_run(self.folder, heat2d_problem.read_values(self.folder, prefix, self.fail))
                figure = plot_temperature.figure_of(run, TRIANGLES)
                self.assertEqual(([t.get_text() for t in figure.axes[0].get_legend().get_texts()],
                                  figure.axes[1].get_ylabel()), (legend, scale))
        self.run_heat2d(None)
        self.assertEqual(self.tool("export_field.py").stderr, "heat2d-export: ./values.txt is older than write_.txt: "
                         "its values are another run's, and this field's plate and values are the design's\n")
        self.assertEqual(values("temperature.vtu"), [{None}] * 8)  # the design's: the file as it always was

    def test_outputs_whole_or_not_at_all(self):
        """Under a file-size limit the old outputs stay whole, the pair of the
        export together, and nothing else is left; a full standard output is
        one line."""
        needs("meshio")
        self.run_heat2d()
        self.assertEqual(self.tool("export_field.py").returncode, 0)
        for name in ["temperature.vtu", "temperature.msh", "temperature.png"]:
            self.write(name, "old")
        files = sorted(os.listdir(self.folder))
        for script, limit, name in [("export_field.py", 1800, "msh"), ("export_field.py", 1000, "vtu"),
                                    ("plot_temperature.py", 10000, "png")]:
            if script == "plot_temperature.py" and not has("matplotlib"):
                continue
            run = self.tool(script, preexec_fn=lambda: resource.setrlimit(resource.RLIMIT_FSIZE, (limit, limit)))
            tool = "export" if script == "export_field.py" else "plot"
            self.assertEqual((run.returncode, run.stderr, run.stdout),
                             (1, f"heat2d-{tool}: cannot write ./temperature.{name}: File too large\n", ""))
            self.assertEqual(sorted(os.listdir(self.folder)), files)
            for old in ["temperature.vtu", "temperature.msh", "temperature.png"]:
                self.assertEqual(read(self.path(old)), "old")
        # A target that is a folder: refused before either file is replaced.
        os.remove(self.path("temperature.msh"))
        os.mkdir(self.path("temperature.msh"))
        run = self.tool("export_field.py")
        self.assertEqual((run.returncode, run.stderr, read(self.path("temperature.vtu")), os.listdir(self.path("temperature.msh"))),
                         (1, "heat2d-export: cannot write ./temperature.msh: Is a directory\n", "old", []))
        os.rmdir(self.path("temperature.msh"))
        with open("/dev/full", "w") as full:
            for arguments in [["--help"], []]:
                run = self.tool("export_field.py", *arguments, stdout=full, stderr=subprocess.PIPE)
                self.assertEqual((run.returncode, run.stderr), (1, "heat2d-export: cannot write the standard output: "
                                                                    "No space left on device\n"))
            self.assertEqual(self.tool("export_field.py", "--help", stdout=full, stderr=full).returncode, 1)
        reader, writer = os.pipe()  # a reader gone
        os.close(reader)
        run = self.tool("export_field.py", "--help", stdout=writer)
        os.close(writer)
        self.assertEqual((run.returncode, run.stderr), (1, "heat2d-export: cannot write the standard output: Broken pipe\n"))

    def test_refusals(self):
        """A missing or malformed file of the run folder, one line; nothing written."""
        for name, script in [("export", "export_field"), ("plot", "plot_temperature"), ("elements", "number_elements")]:
            shown, refused = self.tool(script + ".py", "--help"), self.tool(script + ".py", "a", "b")
            self.assertEqual((shown.returncode, refused.returncode, len(refused.stderr.splitlines())), (0, 1, 1))
            self.assertTrue(shown.stdout.splitlines()[2].startswith(f"Usage: heat2d-{name} "))
            self.assertTrue(refused.stderr.startswith(f"heat2d-{name}: usage: heat2d-{name} "))
            # Without the library: one line, naming where it was looked for.
            alone = os.path.join(self.folder, name)
            os.mkdir(alone)
            for module in [script, "heat2d_problem"]:
                shutil.copy(os.path.join(TOOLS, module + ".py"), alone)
            shutil.copytree(os.path.join(TOOLS, "heat2d"), os.path.join(alone, "heat2d"),
                            ignore=shutil.ignore_patterns("__pycache__"))
            environment = {k: v for k, v in os.environ.items() if k != "HEAT2D_LIBRARY"}
            run = subprocess.run([sys.executable, os.path.join(alone, script + ".py"), "x.txt"], cwd=alone,
                                 capture_output=True, text=True, timeout=120, env=environment)
            self.assertEqual((run.returncode, run.stderr), (1, f"heat2d-{name}: the heat2d library is not where it is "
                             f"installed ({alone}/heat2d/libheat2d.so, {alone}/libheat2d.so, {os.path.dirname(self.folder)}"
                             "/heat2d/libheat2d.so): install heat2d's package, or set HEAT2D_LIBRARY to the "
                             "libheat2d.so of a build\n"))
            self.assertEqual(sorted(os.listdir(alone) + os.listdir(os.path.join(alone, "heat2d"))),
                             sorted(["heat2d", "heat2d_problem.py", script + ".py", "__init__.py", "core.py",
                                     "plots.py"]))  # no byte code written beside the scripts
        self.run_heat2d()
        for row in read(os.path.join(HERE, "data", "run_folder_refusals.txt")).splitlines():
            if row.startswith("#"):
                continue
            name, content, error, *only = row.split("\t")
            with self.subTest(error):
                folder = os.path.join(self.folder, "case")
                os.mkdir(folder)
                self.addCleanup(shutil.rmtree, folder, True)
                for other in ["mesh.txt", "elements.txt", "write_.txt"]:
                    shutil.copy(self.path(other), folder)
                if os.path.exists(os.path.join(folder, name)):  # values.txt is a run's with options only
                    os.remove(os.path.join(folder, name))
                kind, _, size = content.replace("-", "missing", content == "-").partition(" ")
                make(os.path.join(folder, name), kind if kind in KINDS else "bytes",
                     bytes(int(size or 0)) if kind == "zeros" else content.encode().decode("unicode_escape").encode())
                before = sorted(os.listdir(folder))
                for tool, prefix in [("export_field.py", "export"), ("plot_temperature.py", "plot")]:
                    if prefix in (only or [prefix]):
                        run = self.tool(tool, "case")
                        self.assertEqual((run.returncode, run.stderr, sorted(os.listdir(folder))),
                                         (1, f"heat2d-{prefix}: {os.path.join('case', error)}\n", before))
                shutil.rmtree(folder)


class Converged(Tools):
    def freefem(self, name, script):
        """FreeFEM's output of script, saved as name in the test's folder, as numbers' texts."""
        if not shutil.which("FreeFem++"):
            self.skipTest("FreeFem++ is not installed")
        self.write(name, script)
        return subprocess.run(["FreeFem++", "-nw", "-v", "0", name], cwd=self.folder, capture_output=True, text=True,
                              timeout=600).stdout.split()

    def same(self, theirs, ours, within=1e-9):
        self.assertEqual(len(theirs), len(ours))
        largest = max(map(abs, ours))  # of the field, which may cross 0 on another plate
        self.assertLess(max(abs(float(t) - u) for t, u in zip(theirs, ours)), within * largest)

    def test_converged(self):
        """heat2d too cool at every node, by 0.268 at node 7; both balance 975."""
        self.run_heat2d()
        with open(os.path.join(TOOLS, "converged.edp"), encoding="utf-8") as stream:
            words = self.freefem("converged.edp", stream.read())
        rows = [words[k:k + 4] for k in range(words.index("difference") + 1, len(words), 4)]
        self.assertEqual([row[2] for row in rows[:18]], [line.split()[1] for line in EXPECTED["write_.txt"].splitlines()])
        differences = [float(row[3]) for row in rows[:18]]
        self.assertEqual(min(differences), differences[6])
        self.assertTrue(-0.269 < differences[6] < -0.267 and max(differences) < 0, differences)
        self.assertEqual(rows[18][:2], ["heat", "in"])
        self.assertAlmostEqual(float(rows[18][2]), 975, delta=1e-6)
        self.assertAlmostEqual(float(words[-1]), 975, delta=1e-3)  # heat out

    def test_refined_levels_and_adapted_steps_as_a_general_package_solves_them(self):
        """heat2d --refine L, levels 0 to 5, and the core's solve of the 18 nodes,
        against FreeFEM's P1 on the very same mesh (splitmesh of the 20 triangles
        into 4^L each), every node to 1e-9; its script made from the core's values
        and outline; at level 0, K and f as FreeFEM assembles them. Then five
        other plates, with the design's values and with others, at levels 0 and
        4. Then the adaptive steps' meshes (steps 2, 5 and 8 through the core,
        and the last split once from heat2d --adapt's files), to 1e-9 relative."""
        sys.path[:0] = [TOOLS, os.path.join(HERE, "..", "bench")]
        import freefem_p1
        from heat2d import core
        labels = freefem_p1.write_base_mesh(core, self.folder, TRIANGLES)
        self.assertEqual(labels, {core.Kind.HEAT_FLUX: "3, 4, 5", core.Kind.CONVECTION: "2"})
        others = {"--conductivity": "20", "--convection": "45", "--heat-flux": "-300", "--ambient": "100"}
        plates = [[]] * 6 + [["--width", w, "--height", h, "--notch-width", a, "--notch-depth", d] + sum(given, [])
                             for w, h, a, d in [("10", "6", "3", "2"), ("9", "6", "1", "5"), ("20", "1", "2", "0.5"),
                                                ("0.09", "0.06", "0.03", "0.02"), ("900", "600", "300", "200")]
                             for given in [[], [list(pair) for pair in others.items()]]]
        for level, plate in zip(list(range(6)) + [0, 4] * 5, plates):
            with self.subTest(level=level, plate=plate):
                values = core.Values(**{name: float(plate[plate.index(option) + 1]) for name, option in core.value_names()
                                        if option in plate})
                labels = freefem_p1.write_base_mesh(core, self.folder, TRIANGLES, values)
                self.run_heat2d(arguments=["--refine", str(level)] + plate)
                ours = [float(line.split()[1]) for line in read(self.path("refined_write_.txt")).splitlines()]
                peer = self.freefem("p1.edp", freefem_p1.script(core, labels, level, "refined_mesh.txt", len(ours), values=values))
                self.same(peer, ours)
                if level == 0:  # the core's solve, and K and f as FreeFEM assembles them on the same 18 nodes
                    solved = core.solve(TRIANGLES, values)
                    system = self.freefem("system.edp", freefem_p1.system_script(core, labels, values))
                    self.same(peer, solved.T)
                    self.same(system[:324], [v for row in solved.K for v in row])
                    self.same(system[324:], solved.f)
        labels = freefem_p1.write_base_mesh(core, self.folder, TRIANGLES)
        meshes = [(step.nodes, step.triangles, step.temperatures)
                  for number, step in zip(range(9), core.adapt(TRIANGLES)) if number in (2, 5, 8)]
        self.run_heat2d(arguments=["--adapt", "1e-3"])
        columns = lambda name: [line.split() for line in read(self.path(name)).splitlines()]  # noqa: E731
        meshes.append(([[float(v) for v in p] for p in columns("adapted_mesh.txt")],
                       [[int(n) for n in t] for t in columns("adapted_elements.txt")],
                       [float(T) for _, T in columns("adapted_write_.txt")]))
        for k, (xy, triangles, ours) in enumerate(meshes):
            with self.subTest(mesh=k):
                freefem_p1.write_mesh(core, self.folder, xy, triangles)
                self.write("points.txt", "".join(f"{x!r} {y!r}\n" for x, y in xy))
                self.same(self.freefem("p1.edp", freefem_p1.script(core, labels, 0, "points.txt", len(ours), "adapted.msh")),
                          ours)


if __name__ == "__main__":
    main(sys.modules[__name__])
