"""heat2d as a user runs it, in a folder of its own with no standard input.
Usage: run_test.py GROUP [EMULATOR] HEAT2D; GROUP a class below or one of its
tests. A group in which a test is skipped, and none fails, exits 77."""
import os
import re
import shlex
import resource
import signal
import subprocess
import sys
import tempfile
import termios
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
COMMAND = sys.argv[2:]
WINDOWS = "".join(COMMAND[-1:]).endswith(".exe")
WEB = "".join(COMMAND[-1:]).endswith(".js")  # the WebAssembly build under node
OUTPUTS = ["mesh.txt", "mesh.geo", "f.txt", "K.txt", "write_.txt"]
PROMPT = "Press any key to continue . . . \n"


def read(path):
    """A text file's content as written; CR LF read as LF on Windows."""
    with open(path, encoding="utf-8", newline=None if WINDOWS else "") as stream:
        return stream.read()


EXPECTED = {name: read(os.path.join(HERE, "data", name)) for name in OUTPUTS + ["console.txt"]}
SHIPPED = read(os.path.join(HERE, "..", "examples", "elements.txt")).splitlines()


# data/refusals.txt: [(token, what heat2d says of it or "node N")]
TOKENS = [(token.encode().decode("unicode_escape"), said) for token, said in
          (line.split("\t") for line in read(os.path.join(HERE, "data", "refusals.txt")).splitlines()
           if not line.startswith("#"))]


def cases(name):
    """The cases of a data file: [(title, lines)], each after '== '."""
    return [(title, lines) for title, *lines in
            (case.splitlines() for case in read(os.path.join(HERE, "data", name)).split("\n== ")[1:])]


def edited(lines):
    """The shipped elements.txt, its lines N replaced by the lines 'N: a b c'."""
    elements = list(SHIPPED)
    for number, text in [line.split(": ") for line in lines if line[0].isdigit()]:
        elements[int(number) - 1] = text
    return elements


class Program(unittest.TestCase):
    def setUp(self):
        folder = tempfile.TemporaryDirectory()
        self.addCleanup(folder.cleanup)
        self.folder = folder.name

    def path(self, name):
        return os.path.join(self.folder, name)

    def write(self, name, text):
        """A file of the test's folder; text in Latin-1."""
        with open(self.path(name), "wb") as stream:
            stream.write(text.encode("latin-1") if isinstance(text, str) else text)

    def run_heat2d(self, elements=SHIPPED, arguments=(), **streams):
        """heat2d on elements (lines; None: no file); stdout and stderr as text."""
        if elements is not None:
            self.write("elements.txt", "\n".join(elements) + "\n")
        streams = {"stdin": subprocess.DEVNULL, "stdout": subprocess.PIPE,
                   "stderr": subprocess.PIPE, **streams}
        for _ in range(2):  # once more when Wine's client lost its server, which ends the moment it is idle
            run = subprocess.run(COMMAND + list(arguments), cwd=self.folder, timeout=120, **streams)
            run.stdout, run.stderr = [(text or b"").decode().replace("\r\n", "\n" if WINDOWS else "\r\n")
                                      for text in (run.stdout, run.stderr)]
            if not (WINDOWS and run.stderr.startswith("wine client error:")):
                return run
        return run

    def refuses_as_a_plain_run(self, arguments, stem):
        """A fine run (arguments) of a faulty triangulation names its faults as
        a plain run names them, and writes nothing; one whose file is a folder
        says so. Its three files are left "old"."""
        for name in ["mesh.txt", "elements.txt", "write_.txt"]:
            self.write(f"{stem}_{name}", "old")
        for title, lines in cases("triangulations.txt")[:3]:
            errors = [line for line in lines if line.startswith("heat2d: ")]
            run = self.run_heat2d(edited(lines), arguments)
            self.assertEqual((run.returncode, run.stdout, run.stderr.splitlines()[:len(errors)]), (1, "", errors), title)
        name = f"{stem}_elements.txt"
        os.remove(self.path(name))
        os.mkdir(self.path(name))
        run = self.run_heat2d(arguments=arguments)
        self.assertEqual((run.returncode, run.stderr), (1, f"heat2d: cannot write {name}: is a folder\n"))
        os.rmdir(self.path(name))
        self.write(name, "old")

    def in_memory(self, megabytes, arguments):
        """heat2d given this much address space: its status and stderr's one line."""
        limit = lambda: resource.setrlimit(resource.RLIMIT_AS, (megabytes << 20, megabytes << 20))  # noqa: E731
        run = self.run_heat2d(arguments=arguments, preexec_fn=limit)
        self.assertEqual((run.returncode, len(run.stderr.splitlines())), (1, 1), run.stderr)
        return run

    def balanced(self, rows, at):
        """Lines of a table whose columns at, at + 1 and at + 2 are the heat in (975),
        the heat out and the residual: in balance, solved to the tolerance."""
        for row in rows:
            self.assertEqual(float(row[at]), 975)
            self.assertTrue(abs(float(row[at + 1]) - 975) < 1e-8 * 975 and float(row[at + 2]) <= 1e-10, row)

    def fine_files(self, stem, triangles, nodes=None):
        """A fine run's three files: as many triangles and nodes as its table
        says, heat2d's nodes first, every node numbered and in a triangle. Its
        temperatures, [(node, value)]."""
        xy, elements, T = ([[float(v) for v in line.split()] for line in read(self.path(f"{stem}_{name}.txt")).splitlines()]
                           for name in ["mesh", "elements", "write_"])
        self.assertEqual((len(elements), len(T)), (triangles, nodes or len(xy)))
        self.assertEqual(xy[:18], [[float(v) for v in line.split()] for line in EXPECTED["mesh.txt"].splitlines()])
        self.assertEqual(([int(n) for n, _ in T], sorted({int(n) for t in elements for n in t})), ([*range(1, len(xy) + 1)],) * 2)
        return [(int(n), t) for n, t in T]

    def check(self, run, status, errors, console=EXPECTED["console.txt"], outputs=OUTPUTS):
        """Exit status, stderr lines, the console (on Windows the prompt is the
        command processor's own) and the expected output files."""
        self.assertEqual(run.returncode, status)
        self.assertEqual(run.stderr.splitlines(), ["heat2d: " + line for line in errors])
        if console is not None:
            cut = len(console) - len(PROMPT) if WINDOWS else None
            self.assertEqual(run.stdout[:cut], console[:cut])
            self.assertTrue(not WINDOWS or run.stdout[cut:].strip(), "no prompt after the run")  # Windows: its own words
        for name in outputs:
            self.assertEqual(read(self.path(name)), EXPECTED[name], name)


class Outputs(Program):
    def test_shipped_case(self):
        run = self.run_heat2d()
        self.check(run, 0, [])  # the files' numbers are FreeFEM's on the same nodes (tools_test's Converged)
        # --help and --version answer alone; then a longer K.txt is replaced.
        self.write("K.txt", "7" * 100000)
        for argument, said in [("--version", "heat2d 1.4.0\n"), ("--help", read(os.path.join(HERE, "data", "help.txt")))]:
            answered = self.run_heat2d(None, [argument])
            self.assertEqual((answered.returncode, answered.stdout, answered.stderr), (0, said, ""))
        self.assertEqual(sorted(os.listdir(self.folder)), sorted(OUTPUTS + ["elements.txt"]))
        self.assertEqual(read(self.path("K.txt")), "7" * 100000)
        self.check(self.run_heat2d(), 0, [], run.stdout)

    def test_refusals_of_the_command_line(self):
        """Each line of command_lines.txt: its one line, status 2, every file left as it was."""
        names = OUTPUTS + ["values.txt"] + [f"{stem}_{name}" for stem in ("refined", "adapted")
                                            for name in ("mesh.txt", "elements.txt", "write_.txt", "values.txt")]
        for name in names:
            self.write(name, "old")
        for line in filter(lambda line: line[0] != "#", read(os.path.join(HERE, "data", "command_lines.txt")).splitlines()):
            arguments, said = line.split(" | ")
            run = self.run_heat2d(None, shlex.split(arguments))
            self.assertEqual((run.returncode, run.stdout, run.stderr), (2, "", said + "\n"), arguments)
        self.assertEqual([read(self.path(name)) for name in sorted(os.listdir(self.folder)) if name != "elements.txt"],
                         ["old"] * len(names))

    def test_an_unwritable_file_fails_the_run_but_not_the_others(self):
        for blocked in OUTPUTS:
            with self.subTest(blocked):
                self.setUp()
                os.mkdir(self.path(blocked))
                reason = "Permission denied" if WINDOWS else "Is a directory"  # the system's text
                self.check(self.run_heat2d(), 1, [f"cannot write {blocked}: {reason}"],
                           outputs=[name for name in OUTPUTS if name != blocked])

    def test_layouts_and_spellings_give_the_same_results(self):
        numbers = " ".join(SHIPPED).split()
        for text in ["\n".join(numbers) + "\n99 -4 twelve\x01", "\t\r\n\v\f ".join(numbers),
                     "\xef\xbb\xbf" + " ".join(numbers), "\xef\xbb\xbf\r\n" + " ".join(numbers),
                     " ".join(["1.9 4.99 5.5 5 2 1"] + numbers[6:12] + ["9 10 4"] + numbers[15:])]:  # tokens: refusals.txt
            self.check(self.run_heat2d([text]), 0, [])

    def test_connectivity_that_cannot_be_used_stops_after_the_mesh(self):
        cases = [(None, "cannot open: No such file or directory"), ([], "is a folder, not a file"),
                 (SHIPPED[:19], "found 57 numbers, 60 needed"), ([""], "found 0 numbers, 60 needed")]
        for token, message in TOKENS:
            if message.startswith("node "):  # in place of every such node: the shipped run
                self.check(self.run_heat2d([" ".join(token if n == message[5:] else n for n in line.split())
                                            for line in SHIPPED]), 0, [])
            else:
                cases.append((SHIPPED[:6] + [f"5 {token} 11"] + SHIPPED[7:], "element 7, node 2: " + message))
        for elements, message in cases:
            with self.subTest(message):
                self.setUp()
                if elements == []:  # a folder of that name
                    os.mkdir(self.path("elements.txt"))
                run = self.run_heat2d(elements or None)
                self.check(run, 1, ["elements.txt: " + message], PROMPT, ["mesh.txt", "mesh.geo"])
                self.assertEqual([n for n in OUTPUTS if os.path.exists(self.path(n))], OUTPUTS[:2])


class Triangulations(Program):
    def test_faults_are_named_and_valid_ones_silent(self):
        """The cases of data/triangulations.txt; every file is written."""
        for title, lines in cases("triangulations.txt"):
            with self.subTest(title):
                self.setUp()
                errors = [line[8:] for line in lines if line.startswith("heat2d: ")]
                run = self.run_heat2d(edited(lines))
                self.check(run, 1 if errors else 0, errors, None, OUTPUTS[:2])
                for name in OUTPUTS[2:]:
                    self.assertEqual(len(read(self.path(name)).splitlines()), 18, name)
                # A not-a-number is spelled one way on every platform, in the files and on the console.
                for text in [read(self.path(name)) for name in OUTPUTS[2:]] + [run.stdout]:
                    self.assertNotRegex(text, r"(?<!-)nan")


class Refined(Program):
    """heat2d --refine: the table, the error left, the three files; refusals."""
    FILES = ["refined_mesh.txt", "refined_elements.txt", "refined_write_.txt"]

    def test_levels_converge_to_the_field_and_are_written(self):
        run = self.run_heat2d(arguments=["--refine", "7"])
        self.assertEqual((run.returncode, run.stderr), (0, ""))
        lines = run.stdout.splitlines()
        table = [line.split() for line in lines[1:9]]
        for level, row in enumerate(table):
            self.assertEqual([int(row[0]), int(row[1]), row[4]], [level, 20 * 4 ** level, "8"])
        self.balanced(table, 6)
        self.assertEqual(float(table[0][3]), 48.40987)  # the design's answer, to 7 digits
        widths = {len(line) for line in lines[:9]} | {len(line.rsplit(" ", 1)[0]) for line in lines[11:29]}
        self.assertEqual(widths, {len(lines[0]), len(lines[10])})  # columns aligned under their headings
        estimate = {int(row[0]): row for row in (line.split() for line in lines[11:29])}
        eight = estimate[8]
        self.assertTrue(1 < float(eight[3]) < 2 and eight[4] == "observed", eight)
        self.assertLess(abs(float(eight[1]) - 48.651), 1e-3)
        self.assertLess(abs(float(eight[1]) + float(eight[2]) - 48.65137021), 2e-4)  # level 8's, from level 7
        T = self.fine_files("refined", int(table[7][1]), int(table[7][2]))
        for n, value in T[:18]:
            self.assertLess(abs(value - float(estimate[n][1])), 1e-8 * value)
        self.assertEqual(sorted(os.listdir(self.folder)), sorted(["elements.txt"] + self.FILES))
        same = self.run_heat2d(arguments=["--refine=7"]).stdout.splitlines()  # all alike but the seconds
        self.assertEqual([line[:-9] for line in same[:9]] + same[9:], [line[:-9] for line in lines[:9]] + lines[9:])

    def test_refusals_leave_the_old_files(self):
        self.refuses_as_a_plain_run(["--refine", "1"], "refined")
        if not (WINDOWS or WEB):  # a level that cannot fit in the memory the process may take
            if not os.environ.get("HEAT2D_SANITIZE"):
                self.assertRegex(self.in_memory(1024, ["--refine", "12"]).stderr, r"^heat2d: level 12 needs about \d+ MB, "
                                 r"more than the \d+ MB available: the largest level that fits is [789]\n$")
            limit = lambda: (signal.signal(signal.SIGXFSZ, signal.SIG_IGN),  # noqa: E731
                             resource.setrlimit(resource.RLIMIT_FSIZE, (100000, 100000)))
            run = self.run_heat2d(arguments=["--refine", "5"], preexec_fn=limit)
            self.assertEqual((run.returncode, run.stderr), (1, "heat2d: cannot write refined_mesh.txt: File too large\n"))
            self.assertEqual(sorted(os.listdir(self.folder)), sorted(["elements.txt"] + self.FILES))
        self.assertEqual([read(self.path(name)) for name in self.FILES], ["old"] * 3)
        if not (WINDOWS or WEB or os.environ.get("HEAT2D_SANITIZE")):
            # The estimate of level 8's memory against what level 8 takes: above it, by a quarter or so.
            estimate = int(self.in_memory(50, ["--refine", "8"]).stderr.split()[5])
            process = subprocess.Popen(COMMAND + ["--refine", "8"], cwd=self.folder, stdin=subprocess.DEVNULL,
                                       stdout=subprocess.DEVNULL)
            _, status, usage = os.wait4(process.pid, 0)
            self.assertEqual(status, 0)
            self.assertTrue(usage.ru_maxrss / 1024 < estimate < 1.5 * usage.ru_maxrss / 1024, (estimate, usage.ru_maxrss))


class Adapted(Program):
    """heat2d --adapt: a line a step, the answer within its error left, the
    three files; refusals."""
    FILES = ["adapted_mesh.txt", "adapted_elements.txt", "adapted_write_.txt"]

    def test_steps_reach_the_error_and_are_written(self):
        run = self.run_heat2d(arguments=["--adapt", "1e-3"])
        self.assertEqual((run.returncode, run.stderr), (0, ""))
        lines = run.stdout.splitlines()
        blank = lines.index("")
        steps = [line.split() for line in lines[1:blank]]
        self.assertEqual(lines[0].split()[:3] + lines[blank + 1].split(), ["step", "triangles", "nodes", "node",
                                                                           "temperature", "error", "left", "order"])
        self.assertEqual(len({len(line) for line in lines[:blank]}), 1)  # columns aligned under their headings
        self.assertEqual([int(row[0]) for row in steps], list(range(len(steps))))
        self.assertEqual(steps[0][:7], ["0", "20", "18", "1", "296", "48.40987", "8"])  # the design's answer first
        self.assertEqual(steps[0][12], "-")  # no estimate from one step
        for before, row in zip(steps, steps[1:]):
            self.assertGreater(int(row[2]), int(before[2]))  # nodes added
            self.assertLessEqual(float(row[3]), float(before[3]))  # node 6's sides never grow
        self.balanced(steps, 9)
        errors = [float(row[12]) for row in steps[1:]]
        self.assertTrue(errors[-1] <= 1e-3 < min(errors[:-1]), errors)  # steps until the error is reached
        answer = [line.split() for line in lines[blank + 2:blank + 20]]
        self.assertEqual([int(row[0]) for row in answer], list(range(1, 19)))
        self.assertAlmostEqual(max(float(row[2]) for row in answer), errors[-1], delta=0.01 * errors[-1])
        self.assertEqual({tuple(row[3:]) for row in answer}, {("2", "extrapolated")})
        self.assertEqual({len(line) - len(" extrapolated") for line in lines[blank + 2:blank + 20]},
                         {len(lines[blank + 1])})  # aligned under the headings
        self.assertTrue(lines[blank + 20].startswith("The temperatures are extrapolated from the last mesh and the same "
                                                     "split once"))
        self.assertEqual(len(lines), blank + 21)
        T = self.fine_files("adapted", 4 * int(steps[-1][1]))  # the last mesh split once
        for (_, value), row in zip(T, answer):  # the finest field, not the extrapolation: near it
            self.assertLess(abs(value - float(row[1])), 1e-2)
        self.assertEqual(sorted(os.listdir(self.folder)), sorted(["elements.txt"] + self.FILES))
        files = [read(self.path(name)) for name in self.FILES]
        same = self.run_heat2d(arguments=["--adapt=0.001"])
        self.assertEqual([line[:-9] for line in same.stdout.splitlines()[:blank]], [line[:-9] for line in lines[:blank]])
        self.assertEqual(same.stdout.splitlines()[blank:], lines[blank:])
        self.assertEqual([read(self.path(name)) for name in self.FILES], files)

    def test_refusals_leave_the_old_files(self):
        self.refuses_as_a_plain_run(["--adapt", "1e-2"], "adapted")
        if not (WINDOWS or WEB or os.environ.get("HEAT2D_SANITIZE")):
            # A step that cannot fit in the memory the process may take: refused before it is made.
            run = self.in_memory(400, ["--adapt", "1e-6"])
            found = re.match(r"^heat2d: step (\d+) needs about (\d+) MB, more than the (\d+) MB available: "
                             r"the smallest error that fits is about (\S+)\n$", run.stderr)
            self.assertTrue(found, run.stderr)
            step, needs, available, fits = found.groups()
            self.assertGreater(int(needs), int(available))
            self.assertTrue(1e-6 < float(fits) < 1e-3, fits)
            self.assertEqual(run.stdout.splitlines()[-1].split()[0], str(int(step) - 1))
        self.assertEqual([read(self.path(name)) for name in self.FILES], ["old"] * 3)


class Values(Program):
    """The problem's values as options, in any order and spelling and with
    --refine or --adapt: the files and lines with those values, values.txt."""
    PLATE = "width 9\nheight 6\nnotch_width 3\nnotch_depth 2\n"
    VALUES = "conductivity 75\nheat_flux 300\nconvection_coeff 10\nambient_temperature 30\n" + PLATE

    def test_the_files_and_lines_with_other_values(self):
        design = [float(line.split()[1]) for line in EXPECTED["write_.txt"].splitlines()]
        for arguments in [["--heat-flux", "300", "--ambient", "30"], ["--ambient=30", "--heat-flux=300"]]:
            run = self.run_heat2d(arguments=arguments)
            self.assertEqual((run.returncode, run.stderr), (0, ""), arguments)
            T = [float(line.split()[1]) for line in read(self.path("write_.txt")).splitlines()]
            self.assertLess(max(abs((mine - 30) - 2 * (theirs - 22)) for mine, theirs in zip(T, design)), 1e-3)
            self.assertEqual([line for line in run.stdout.splitlines() if line.startswith("x[")],
                             [f"x[{n}]_={line.split()[1]}" for n, line in enumerate(read(self.path("write_.txt")).splitlines(), 1)])
            self.assertEqual((read(self.path("values.txt")), read(self.path("mesh.txt")), read(self.path("K.txt"))),
                             (self.VALUES, EXPECTED["mesh.txt"], EXPECTED["K.txt"]))  # K does not hold q or the air
        # k and h doubled: K doubles (the element's terms and loads by k and h: core_test).
        self.run_heat2d(arguments=["--conductivity", "150", "--convection", "20"])
        for mine, theirs in zip(read(self.path("K.txt")).split(), EXPECTED["K.txt"].split()):
            self.assertLess(abs(float(mine) - 2 * float(theirs)), 1e-5 * abs(float(theirs)) + 1e-12)
        # Then a run without options: the design's every byte, values.txt left older than its answer.
        self.check(self.run_heat2d(), 0, [])
        self.assertLess(os.stat(self.path("values.txt")).st_mtime_ns, os.stat(self.path("write_.txt")).st_mtime_ns)

    def test_another_plate(self):
        """10 x 6 with a 3 x 3 notch: mesh.txt's nodes where the plate puts
        them, values.txt; a faulty triangulation named with that plate's
        places; --refine on it, with its heat in, 150 (5 + 3)."""
        run = self.run_heat2d(arguments=["--width", "10", "--notch-depth=3"])
        self.assertEqual((run.returncode, run.stderr), (0, ""))
        xy = [[float(v) for v in line.split()] for line in read(self.path("mesh.txt")).splitlines()]
        self.assertEqual(xy, [[0, 0], [0, 1.5], [0, 3]] + [[x, y] for x in (1.5, 3.25, 5) for y in (0, 1.5, 3, 4.5, 6)])
        values = "conductivity 75\nheat_flux 150\nconvection_coeff 10\nambient_temperature 22\nwidth 10\nheight 6\n" \
                 "notch_width 3\nnotch_depth 3\n"
        self.assertEqual(read(self.path("values.txt")), values)
        title, lines = cases("triangulations.txt")[1]
        run = self.run_heat2d(edited(lines), ["--width", "10", "--notch-width", "4", "--notch-depth", "3"])
        self.assertEqual((run.returncode, run.stderr), (1, "".join(line.replace("x = 1.5", "x = 2").replace("y = 4", "y = 3")
                                                                   + "\n" for line in lines[1:])))
        run = self.run_heat2d(arguments=["--refine", "2", "--width", "10", "--notch-depth", "3"])
        self.assertEqual((run.returncode, run.stderr, read(self.path("refined_values.txt"))),
                         (0, "", values))
        self.assertEqual([float(row.split()[6]) for row in run.stdout.splitlines()[1:4]], [1200] * 3)  # heat in

    def test_finer_levels_and_steps_with_other_values(self):
        self.assertEqual(self.run_heat2d(arguments=["--refine", "3", "--heat-flux", "-150"]).stderr, "")
        run = self.run_heat2d(arguments=["--convection=20", "--adapt", "1e-2"])
        self.assertEqual((run.returncode, run.stderr), (0, ""))
        self.assertEqual(read(self.path("adapted_values.txt")),
                         "conductivity 75\nheat_flux 150\nconvection_coeff 20\nambient_temperature 22\n" + self.PLATE)
        self.assertEqual(read(self.path("refined_values.txt")),
                         "conductivity 75\nheat_flux -150\nconvection_coeff 10\nambient_temperature 22\n" + self.PLATE)
        # k a million times h: rounding keeps each level's residual above 1e-10, taken at rounding's level, said.
        run = self.run_heat2d(arguments=["--refine", "3", "--conductivity", "1e6", "--convection", "1"])
        self.assertEqual((run.returncode, run.stderr), (0, ""))
        for row in run.stdout.splitlines()[1:5]:
            self.assertRegex(row, r" [0-9.e-]+ +0\.\d\d  limited by rounding: backward error \d(\.\d)?e-1[5-7]$")
        self.assertEqual(read(self.path("refined_values.txt")),  # in six digits where they read back
                         "conductivity 1e+06\nheat_flux 150\nconvection_coeff 1\nambient_temperature 22\n" + self.PLATE)
        # No load: the zero field at once, exact: its error left 0 at step 0.
        run = self.run_heat2d(arguments=["--adapt", "1e-6", "--heat-flux", "0", "--ambient", "0"])
        self.assertEqual((run.returncode, run.stderr, run.stdout.splitlines()[1].split()[4:-1]),
                         (0, "", ["0", "0", "1", "0", "0", "0", "0", "0", "0"]))
        self.assertEqual(read(self.path("adapted_write_.txt")).split()[1::2], ["0"] * 55)  # step 0 split once

    def test_a_values_file_that_cannot_be_written_fails_the_run_which_writes_the_rest(self):
        os.mkdir(self.path("values.txt"))
        run = self.run_heat2d(arguments=["--heat-flux", "300"])
        self.assertEqual((run.returncode, run.stderr.startswith("heat2d: cannot write values.txt"),
                          sorted(set(os.listdir(self.folder)) - {"values.txt"})), (1, True, sorted(OUTPUTS + ["elements.txt"])))


class Streams(Program):
    """POSIX: lost standard streams, a full disk, endless input, the pause."""

    def test_lost_streams_and_full_files(self):
        lost = "cannot write standard output: "
        reader, writer = os.pipe()
        os.close(reader)
        with open("/dev/full", "wb") as full:
            for elements, streams, errors in [
                    (None, {"stdout": full}, ["elements.txt: cannot open: No such file or directory",
                                              lost + "No space left on device"]),
                    (SHIPPED, {"stdout": full}, [lost + "No space left on device"]),
                    (SHIPPED, {"preexec_fn": lambda: os.close(1)}, [lost + "Bad file descriptor"]),
                    (SHIPPED, {"stdout": writer}, [lost + "Broken pipe"]),
                    (SHIPPED, {"stdin": None, "preexec_fn": lambda: os.close(0)}, [])]:
                self.setUp()
                self.check(self.run_heat2d(elements, **streams), 1 if errors else 0, errors, None,
                           OUTPUTS * bool(elements))
        os.close(writer)
        # With stderr closed, no output file takes its place.
        self.setUp()
        os.mkdir(self.path("K.txt"))
        self.check(self.run_heat2d(preexec_fn=lambda: os.close(2)), 1, [],
                   outputs=["mesh.txt", "mesh.geo", "f.txt", "write_.txt"])
        os.rmdir(self.path("K.txt"))
        os.symlink("/dev/full", self.path("K.txt"))
        self.check(self.run_heat2d(), 1, ["cannot write K.txt: No space left on device"],
                   outputs=["mesh.txt", "mesh.geo", "f.txt", "write_.txt"])

    def test_endless_or_unreadable_input_is_refused(self):
        os.mkfifo(self.path("elements.txt"))  # 100 MB of zeros, unless the reader goes
        writer = subprocess.Popen(["dd", "if=/dev/zero", "of=" + self.path("elements.txt"),
                                   "bs=1M", "count=100"], stderr=subprocess.DEVNULL)
        run = self.run_heat2d(None)
        writer.wait()
        self.check(run, 1, ['elements.txt: element 1, node 1: "' + "\\x00" * 40 +
                            '..." is longer than 64 characters'], PROMPT, OUTPUTS[:2])
        self.assertLess(resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss, 60 << 10)  # KiB
        # A read error: the process's own memory, at an address not mapped.
        self.setUp()
        os.symlink("/proc/self/mem", self.path("elements.txt"))
        self.check(self.run_heat2d(None), 1, ["elements.txt: cannot be read"], PROMPT, OUTPUTS[:2])

    def at_the_prompt(self, keys, console, shown, end):
        """heat2d's status and stderr, end(process) called once the prompt shows."""
        process = subprocess.Popen(COMMAND, cwd=self.folder, stdin=keys, stdout=console,
                                   stderr=subprocess.PIPE, start_new_session=True)
        seen = b""
        while not seen.endswith(PROMPT.encode()[:-1]):
            seen += os.read(shown, 4096)
        end(process)
        return process.wait(timeout=60), process.stderr.read().decode()

    def test_the_pause_on_a_terminal_and_the_console_lost_at_the_end(self):
        self.run_heat2d()  # the run's files, so that the pause comes soon
        controller, terminal = os.openpty()
        modes = lambda: termios.tcgetattr(terminal)[3] & (termios.ECHO | termios.ICANON)
        settings = termios.tcgetattr(terminal)
        settings[6][termios.VMIN] = 0  # the pause must set what a key needs
        termios.tcsetattr(terminal, termios.TCSANOW, settings)

        def end(process, how):
            for _ in range(10000):  # until the program has the terminal in key mode
                if not modes() or process.poll() is not None:
                    break
                time.sleep(0.01)
            self.assertEqual(modes(), 0)
            how(process)

        # A key ends the pause, as each signal does; the terminal's modes are given back either way.
        for number, how in [(0, lambda _: os.write(controller, b"k"))] + [
                (n, lambda p, n=n: p.send_signal(n)) for n in [signal.SIGTERM, signal.SIGHUP, signal.SIGINT, signal.SIGQUIT]]:
            with self.subTest(number):
                self.assertEqual(self.at_the_prompt(terminal, terminal, controller, lambda p: end(p, how)), (-number, ""))
                self.assertEqual(modes(), termios.ECHO | termios.ICANON)
        os.close(controller)

        # The console's reader goes while the prompt waits; of two bytes at hand, the pause takes one.
        keys, key = os.pipe()
        reader, writer = os.pipe()
        self.assertEqual(self.at_the_prompt(keys, writer, reader, lambda _: [
            os.close(writer), os.close(reader), os.write(key, b"kb")]),
            (1, "heat2d: cannot write standard output: Broken pipe\n"))
        self.assertEqual(os.read(keys, 9), b"b")
        for fd in [terminal, keys, key]:
            os.close(fd)


def main(module):
    group = sys.argv[1]
    if (WINDOWS or WEB) and group == "Streams":
        print(f"{group}: POSIX only: {'Windows' if WINDOWS else 'WebAssembly under node'} has no terminals, "
              "signals or descriptors to close")
        sys.exit(77)
    suite = unittest.defaultTestLoader.loadTestsFromName(group, module)
    result = unittest.TextTestRunner(verbosity=2).run(suite)
    # A skip is reported as the group's: its reasons said, and status 77 where nothing failed.
    for test, reason in result.skipped:
        print(f"{group}: skipped {test.id().split('.')[-1]}: {reason}")
    sys.exit(1 if not result.wasSuccessful() else 77 if result.skipped else 0)


if __name__ == "__main__":
    main(sys.modules[__name__])
