"""The page in one browser engine (chromium, firefox or webkit), driven by
WebDriver alone, against a native build: elements.txt texts, each run by a
real click and shown byte for byte as the native program gives it; another
plate; the page from the file system. One test, run once an engine.
Usage: engines_test.py ENGINE SITE NATIVE_BUILD [COUNT]; 77 when this machine
lacks the engine, with the reason."""
import os
import random
import shutil
import sys
import unittest

if __name__ == "__main__":
    os.environ.setdefault("HEAT2D_LIBRARY", os.path.join(os.path.abspath(sys.argv[3]), "libheat2d.so"))
from core_test import TRIANGLES, core, flipped, scrambled  # noqa: E402
from engines import Native, opened, served  # noqa: E402
from run_test import EXPECTED, OUTPUTS, SHIPPED, TOKENS, cases, edited  # noqa: E402


def texts(count, seed=36):
    """[(title, text)]: the program's faulty and valid triangulations, each of its
    tokens in place of element 7's node 2, counts of numbers it refuses, and count
    triangulations made by flips and numbered by the core, spaced at random."""
    rng = random.Random(seed)
    made = [(title, "\n".join(edited(lines)) + "\n") for title, lines in cases("triangulations.txt")]
    made += [(f"token {token!r}", "\n".join(SHIPPED[:6] + [f"5 {token} 11"] + SHIPPED[7:])) for token, _ in TOKENS]
    made += [("nothing", ""), ("only spaces", " \n\t\n"), ("57 numbers", "\n".join(SHIPPED[:19])),
             ("61 numbers", "\n".join(SHIPPED + ["7"]))]
    for _ in range(count):
        numbered = core.number(scrambled(flipped(TRIANGLES, rng, rng.randint(1, 8)), rng), True).elements
        made.append((f"flipped {len(made)}", "".join(rng.choice(["", " ", "\t"]) + rng.choice([" ", "  ", "\t "]).join(
            map(str, t)) + rng.choice(["\n", " \n", "\r\n"]) for t in numbered)))
    return made

# Waits in the page until document.body.dataset[args[0]] is args[1]; true if it came.
UNTIL = """for (let k = 0; k < 1200; k++) {
             if (document.body.dataset[args[0]] === args[1]) return true;
             await new Promise((done) => setTimeout(done, 50));
           }
           return false;"""
# What the page shows of its last run: what it ran, its console, faults and
# status, and the files it offers, each opened.
SHOWN = """const details = [...document.querySelectorAll("#files details")];
           details.forEach((item) => { item.open = true; });
           await new Promise((done) => setTimeout(done, 50));
           return {text: document.getElementById("elements").value,
                   console: document.getElementById("console").textContent,
                   errors: [...document.querySelectorAll("#errors li")].map((li) => li.textContent + "\\n").join(""),
                   status: document.getElementById("status").textContent,
                   files: Object.fromEntries(details.map((item) => [item.querySelector("summary").textContent,
                                                                    item.querySelector("pre").textContent]))};"""


class Engine(unittest.TestCase):
    engine = site = native = None
    count = 30

    def until(self, name, value):
        self.assertTrue(self.engine.call(UNTIL, name, str(value)), f"the page's {name} never became {value}")

    def click(self, selector):
        """A real click in the middle of what selector finds, brought into view
        and still for two frames (a page still laying itself out, as on a busy
        machine, would move it from under the pointer)."""
        self.engine.click(*self.engine.call(
            "const found = document.querySelector(args[0]); let last = [];"
            "for (let k = 0; k < 50; k++) {"
            "  found.scrollIntoView({block: 'center'}); const r = found.getBoundingClientRect();"
            "  const middle = [r.x + r.width / 2, r.y + r.height / 2];"
            "  if (middle[0] === last[0] && middle[1] === last[1]) break;"
            "  last = middle;"
            "  await new Promise((done) => requestAnimationFrame(() => requestAnimationFrame(done)));"
            "}"
            "return last;", selector))

    def same_as_native(self, shown):
        native = self.native.run(shown["text"])
        files = {name: native["files"][name] for name in OUTPUTS if name in native["files"]}
        self.assertEqual((shown["console"], shown["errors"], shown["files"]), (native["console"], native["errors"], files))
        self.assertTrue(shown["status"].startswith(f"exit status {native['status']}, "), shown["status"])
        return native

    def test_generated_inputs_levels_and_steps(self):
        engine = self.engine
        engine.open(self.address)
        self.until("runs", 1)
        shipped = self.same_as_native(engine.call(SHOWN))
        self.assertEqual((shipped["console"], shipped["files"]["write_.txt"]), (EXPECTED["console.txt"], EXPECTED["write_.txt"]))
        self.click("#number")  # the box run as it stands, not numbered first
        self.assertFalse(engine.call("return document.getElementById('number').checked"))
        runs, kinds = 1, set()
        for title, text in texts(self.count):
            with self.subTest(title, text=text):
                engine.call("document.getElementById('elements').value = args[0]", text)
                self.click("#run")
                runs += 1
                self.until("runs", runs)
                native = self.same_as_native(engine.call(SHOWN))
                kinds |= {"fault" if native["errors"] else "answer"} | ({"NaN"} if "-nan" in native["console"] else set())
        self.assertEqual(kinds, {"fault", "answer", "NaN"})

        # Another plate from the address, run as the native program runs it, its node 18 at its top right
        # corner; then from the file system: the shipped run, level 2 in the Worker, the zoom.
        engine.open(self.address + "?width=10&notch_depth=3")
        self.until("runs", 1)
        self.assertEqual(engine.call(SHOWN)["console"],
                         self.native.run("".join(line + "\n" for line in SHIPPED), "--width", "10", "--notch-depth", "3")["console"])
        self.assertEqual(engine.call("const c = document.querySelector('#drawing circle[data-node=\"18\"]');"
                                     "return [c.getAttribute('cx'), c.getAttribute('cy')]"), ["328", "28"])
        # A key on the width's slider runs the plate it moves to, in every engine (Firefox's change waits for blur).
        engine.call("document.getElementById('slider-width').focus()")
        engine.keys("\ue014")  # the right arrow
        self.until("runs", 2)
        width = engine.call("return document.getElementById('value-width').value")
        self.assertEqual(engine.call(SHOWN)["console"], self.native.run("".join(line + "\n" for line in SHIPPED), "--width",
                                                                        width, "--notch-depth", "3")["console"])
        engine.open("file://" + os.path.join(self.site, "index.html"))
        self.until("runs", 1)
        self.assertEqual(engine.call(SHOWN)["console"], EXPECTED["console.txt"])
        engine.call("const s = document.getElementById('fineness'); s.value = '2'; s.dispatchEvent(new Event('change'))")
        self.until("level", 2)
        got = engine.call("return [...document.querySelectorAll('#refined-temperatures td[data-value]')]"
                          ".map((cell) => Number(cell.dataset.value))")
        native = self.native.run("".join(line + "\n" for line in SHIPPED), "--refine", "2")
        expected = [float(line.split()[1]) for line in native["files"]["refined_write_.txt"].splitlines()[:18]]
        self.assertEqual(len(got), 18)
        for node, (mine, theirs) in enumerate(zip(got, expected), 1):
            self.assertLess(abs(mine - theirs), 1e-12 * abs(theirs), node)
        # "+" zooms about the drawing's middle (the wheel: the page's test): what is there stays,
        # drawn again with the view's colour scale, the probe reading the field beside node 6.
        middle = ("const r = document.querySelector(args[0]).getBoundingClientRect();"
                  "return [r.x + r.width / 2, r.y + r.height / 2]")
        node6 = '#drawing circle[data-node="6"]'
        engine.call("document.getElementById('zoom-in').scrollIntoView({block: 'center'})")  # the button in view
        (x, y), (px, py) = engine.call(middle, node6), engine.call(middle, "#drawing")
        engine.click(*engine.call(middle, "#zoom-in"))
        engine.call("await new Promise((done) => requestAnimationFrame(() => setTimeout(done, 100)))")
        zoom, title = engine.call("return [state.view.zoom, document.querySelector('#scale .title').textContent]")
        self.assertGreaterEqual(zoom, 2)
        self.assertEqual(title, "temperature in view")
        x, y = [p + (b - p) * zoom for b, p in zip((x, y), (px, py))]
        self.assertLess(max(abs(a - b) for a, b in zip(engine.call(middle, node6), (x, y))), 1.5)
        self.assertLess(abs(engine.call("return finer.temperatureAt(args[0], args[1])", x + 2, y + 2) - got[5]), 0.5)


def main(name, site, build, count):
    engine, why = opened(name)
    if not engine:
        sys.exit(print(f"page in {name}: skipped, {why}") or 77)
    server = served(site)
    Engine.engine, Engine.site, Engine.native, Engine.address = engine, site, Native(build), server.address
    Engine.count = count
    try:
        result = unittest.TextTestRunner(verbosity=2).run(unittest.defaultTestLoader.loadTestsFromTestCase(Engine))
    finally:
        engine.close()
        server.shutdown()
    sys.exit(0 if result.wasSuccessful() else 1)


if __name__ == "__main__":
    name, site, build = sys.argv[1], os.path.abspath(sys.argv[2]), os.path.abspath(sys.argv[3])
    if not os.path.isfile(os.path.join(build, "heat2d")):
        sys.exit(print(f"page in {name}: skipped, no native build in {build} (cmake --workflow --preset default)") or 77)
    if name == "webkit" and not os.environ.get("DISPLAY") and shutil.which("xvfb-run"):
        os.execvp("xvfb-run", ["xvfb-run", "-a", sys.executable, *sys.argv])  # a display of its own
    main(name, site, build, int(sys.argv[4]) if len(sys.argv) > 4 else 30)
