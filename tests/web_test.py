"""The page in headless Chromium against the native program and
heat2d-elements of a native build, by real pointer, touch and key events, a
laptop's window or a phone's: named tests that share one browser, each on a
freshly loaded page. Writes the manual's pictures beside SITE.
Usage: web_test.py SITE NATIVE_BUILD [TEST ...]; 77 without Chromium or the
native build."""
import os
import random
import shutil
import sys
import unittest

import engines
from engines import Native, served
try:
    from selenium.webdriver.common.action_chains import ActionChains
    from selenium.webdriver.common.keys import Keys
    from selenium.webdriver.support.ui import Select, WebDriverWait
except ImportError:  # said in one line by the command
    ActionChains = Keys = Select = WebDriverWait = None
from run_test import HERE, cases, edited


def data(name):
    with open(os.path.join(HERE, "data", name), encoding="utf-8") as stream:
        return stream.read()


SHIPPED = data("../../examples/elements.txt")
# The faulty cases of the program's own tests, as elements.txt text.
TRIANGULATIONS = {title: "\n".join(edited(lines)) + "\n" for title, lines in cases("triangulations.txt")}
RIGHT_EDGE = [("convection", f"{a}-{a + 1}") for a in range(14, 18)]
NOTCH_AND_TOP = [("flux", side) for side in ["13-18", "3-6", "6-7", "7-8", "8-13"]]


class Page(unittest.TestCase):
    site = native = browser = server = None

    @classmethod
    def setUpClass(cls):
        cls.browser, cls.server = engines.opened("chromium")[0].driver, served(cls.site)  # at 1280 x 800
        cls.addClassCleanup(cls.browser.quit)
        cls.addClassCleanup(cls.server.shutdown)

    def setUp(self):
        self.browser.set_window_size(1280, 800)
        self.device(False)
        self.load(self.server.address)

    def load(self, address):
        """The page at address, its first run ended."""
        self.browser.get(address)
        self.runs = 0
        self.ran(lambda: None)

    find = lambda self, selector: self.browser.find_elements("css selector", selector)  # noqa: E731
    text = lambda self, selector: self.browser.execute_script(f"return document.querySelector('{selector}').textContent")  # noqa: E501, E731
    box = lambda self: self.browser.execute_script("return document.getElementById('elements').value")  # noqa: E731
    sides = lambda self: sorted((line.get_attribute("class"), line.get_attribute("data-side"))  # noqa: E731
                                for line in self.find("#drawing line.flux, #drawing line.convection"))

    def until(self, seconds, condition):
        """Waits until condition() holds, for at most seconds."""
        WebDriverWait(self.browser, seconds).until(lambda _: condition())

    def mouse(self, kind, x, y, **more):
        """A mouse event at (x, y) of the window, through the browser's input."""
        self.browser.execute_cdp_cmd("Input.dispatchMouseEvent", {"type": kind, "x": x, "y": y, **more})

    def dataset(self, name):
        return self.browser.execute_script(f"return document.body.dataset.{name}")

    def keys(self, *pressed):
        """Keys pressed, as real input, on what has the focus."""
        ActionChains(self.browser).send_keys(*pressed).perform()

    def fineness(self, value, wait=True):
        """A fineness chosen in its list; what it draws awaited."""
        Select(self.find("#fineness")[0]).select_by_value(str(value))
        if wait:
            self.until(60, lambda: self.dataset("level") == str(value))

    def ran(self, action):
        """Does action, then waits for the page's next run to end."""
        action()
        self.runs += 1
        self.until(60, lambda: self.dataset("runs") == str(self.runs))

    def typed(self, content, keys=None):
        self.browser.execute_script("document.getElementById('elements').value = arguments[0]", content)
        self.ran(lambda: self.find("#elements")[0].send_keys(*keys) if keys else self.find("#run")[0].click())

    def device(self, phone):
        """A laptop's window, or an emulated phone of 390 x 844 with touch."""
        command = self.browser.execute_cdp_cmd
        if phone:
            command("Emulation.setDeviceMetricsOverride", {"width": 390, "height": 844, "deviceScaleFactor": 2, "mobile": True})
            command("Emulation.setTouchEmulationEnabled", {"enabled": True, "maxTouchPoints": 5})
        else:
            command("Emulation.clearDeviceMetricsOverride", {})
            command("Emulation.setTouchEmulationEnabled", {"enabled": False})
        self.phone = phone

    def tap(self, x, y):
        """A real click (a tap on the phone) at (x, y) of the window, through the browser's input."""
        command = self.browser.execute_cdp_cmd
        self.browser.execute_script("window.tapped = false; addEventListener('click', () => { window.tapped = true; },"
                                    " {once: true, capture: true})")
        if self.phone:
            command("Input.dispatchTouchEvent", {"type": "touchStart", "touchPoints": [{"x": x, "y": y}]})
            command("Input.dispatchTouchEvent", {"type": "touchEnd", "touchPoints": []})
        else:
            for kind in ["mousePressed", "mouseReleased"]:
                self.mouse(kind, x, y, button="left", clickCount=1)
        self.until(5, lambda: self.browser.execute_script("return window.tapped"))

    def point(self, e, weights=(1 / 3, 1 / 3, 1 / 3)):
        """Where in the window the point of element e with these weights of its corners is."""
        return self.browser.execute_script("""
            const polygon = document.querySelector(`#drawing polygon[data-element="${arguments[0]}"]`), w = arguments[1];
            const p = polygon.points, s = polygon.getScreenCTM();
            const x = w[0] * p[0].x + w[1] * p[1].x + w[2] * p[2].x, y = w[0] * p[0].y + w[1] * p[1].y + w[2] * p[2].y;
            return [s.a * x + s.e, s.d * y + s.f];""", e, weights)

    def choose(self, e):
        """Clicks (taps) the middle of element e, and waits for its numbers."""
        self.browser.execute_script("document.getElementById('drawing').scrollIntoView({block: 'nearest'})")
        self.tap(*self.point(e))
        self.until(5, lambda: self.text("#inspector h3").startswith(f"Element {e}:"))

    def flip(self, side):
        """Clicks (taps) the handle of side a-b of the chosen element; waits for what it says."""
        self.browser.execute_script("document.getElementById('said').textContent = ''")
        self.tap(*self.browser.execute_script("const r = document.querySelector(arguments[0]).getBoundingClientRect();"
                                              "return [r.x + r.width / 2, r.y + r.height / 2]", f'#drawing .handle[data-side="{side}"]'))
        self.until(10, lambda: self.text("#said"))

    def same_as_native(self, content):
        native = self.native.run(content)
        console, errors = native["console"], native["errors"]
        self.assertEqual((self.text("#console"), "".join(li.text + "\n" for li in self.find("#errors li"))),
                         (console, errors), content)

    def test_the_shipped_run(self):
        """The shipped run over HTTP (from the file system: engines_test's)."""
        self.assertEqual((self.text("#console"), self.text("#errors")), (data("console.txt"), ""))
        self.assertTrue(self.text("#status").startswith("exit status 0, no faults, "))
        self.assertEqual(self.text("#extremes"), "Hottest: node 8, 48.4099. Coolest: node 14, 36.1659.")
        self.assertEqual([a.get_attribute("download") for a in self.find("#files a")],
                         ["mesh.txt", "mesh.geo", "f.txt", "K.txt", "write_.txt"])
        self.assertEqual((len(self.find("#drawing [data-node]")), len(self.find("#drawing polygon[data-element]")),
                          [span.text for span in self.find("[data-count]")]), (18, 20, ["18", "20", "20"]))
        self.assertEqual(self.sides(), RIGHT_EDGE + NOTCH_AND_TOP)
        self.assertEqual((self.text("#gutter").split(), self.text("#scale-unit")),
                         ([str(n) for n in range(1, 22)], "(same units as the air's 22)"))
        rows = [[td.text for td in tr.find_elements("tag name", "td")] for tr in self.find("#table tbody tr")]
        self.assertEqual((len(rows), rows[0], rows[-1]), (9, ["4", "heat flux", "1-3"], ["20", "heat flux", "1-3"]))
        self.browser.save_screenshot(os.path.join(self.site, "..", "page.png"))
        # Every file the page asked for was there: its icon is in it.
        self.assertEqual([request for request in self.server.requests if request[1] not in (200, 304)], [])
        self.assertTrue(self.find("link[rel=icon]")[0].get_attribute("href").startswith("data:image/svg+xml,"))
        # A call the core cannot take is a fault of the page, with the core's reason.
        self.assertEqual(self.browser.execute_async_script(
            "heat2d.core.then((core) => { try { core.parameter('depth'); } catch (fault) { arguments[0](fault.message); } })"),
            'no parameter is named "depth"')

    def test_the_inspector_shows_where_an_element_goes(self):
        """Element 20 (13 17 18: convection on 17-18, heat flux on 13-18): its
        nine entries marked at the rows and columns of its nodes, its loads by
        hand (1.5 x 150 / 2 and 1 x 10 x 22 / 2) in f; the node inspector's row."""
        script = self.browser.execute_script
        self.choose(20)
        self.assertIn("Element 20: nodes 13 17 18", self.text("#inspector"))
        self.assertEqual(sorted(script("return [...document.querySelectorAll('#inspector [data-row]')]"
                                       ".map((c) => [Number(c.dataset.row), Number(c.dataset.column)])")),
                         sorted([i, j] for i in (13, 17, 18) for j in (13, 17, 18)))
        self.assertEqual(script("return [...document.querySelectorAll('#inspector [data-entry]')]"
                                ".map((c) => [Number(c.dataset.entry), Number(c.dataset.value)])"),
                         [[13, 112.5], [17, 110], [18, 222.5]])
        self.assertIn("node 13 at (3, 6); node 17 at (4.5, 5); node 18 at (4.5, 6)", self.text("#inspector"))
        self.find('#drawing circle[data-node="8"]')[0].click()
        self.assertTrue(self.text("#inspector").startswith("Node 8: temperature 48.4099Its row of K: K[8][7] = "))
        self.assertEqual((self.text("#said"), [th.text for th in self.find("table.kview tr:first-child th")]),
                         ("Node 8: temperature 48.4099.", [""] + [str(n) for n in range(1, 19)] + ["f"]))

    def test_flips_by_keyboard_and_pointer_and_their_undo(self):
        """The keyboard's route: a skip link, the drawing one Tab stop, the arrows,
        + and - on element 5, Enter, Tab to its handles, Escape back, Enter flips
        4-10 to 5-9 with why no temperature changed; 1-5 by pointer; each run as
        the native program runs it, undone; refusals worded for the flip."""
        first = self.box()
        keys = self.keys
        focused = lambda: self.browser.execute_script(  # noqa: E731
            "const f = document.activeElement; return ((f.id || f.className.baseVal || f.className)"
            " + ' ' + (f.dataset.element || f.dataset.side || f.dataset.node || '')).trim()")
        self.browser.execute_script("document.activeElement.blur()")
        self.assertEqual([keys(Keys.TAB) or focused() for _ in range(4)], ["skip", "fineness", "element 1", "node 1"])
        # The nodes, their own Tab stop: the arrows by direction, Enter to see one, in a ring.
        self.assertEqual([keys(pressed) or focused() for pressed in [Keys.RIGHT, Keys.UP, Keys.LEFT, Keys.DOWN]],
                         ["node 4", "node 5", "node 2", "node 1"])
        keys(Keys.UP, Keys.RIGHT, Keys.ENTER)
        self.until(5, lambda: self.text("#inspector h3").startswith("Node 5: temperature 41.1932"))
        self.assertEqual(len(self.find("#ring circle.ring")), 2)
        ActionChains(self.browser).key_down(Keys.SHIFT).send_keys(Keys.TAB).key_up(Keys.SHIFT).perform()
        # The arrows by direction, from the triangles' middles: nothing left of or below 1; right of 1 is 5
        # (its middle level with 1's); above 5 is 6, up and to the left, before 7 farther up; below 6 is 5.
        self.assertEqual([keys(pressed) or focused() for pressed in [Keys.END, Keys.HOME, Keys.LEFT, Keys.DOWN, Keys.RIGHT,
                                                                    Keys.UP, Keys.DOWN]],
                         [f"element {e}" for e in [20, 1, 1, 1, 5, 6, 5]])
        # The focused triangle wears a ring of two tones; + and - zoom on it, 0 goes back; it keeps the focus.
        self.browser.save_screenshot(os.path.join(self.site, "..", "focus.png"))
        keys("+")
        self.settled()
        self.assertEqual((self.zoom(), focused(), self.text("#zoom-level")), (2, "element 5", "×2"))
        before = self.at_node()  # Shift with an arrow: the view a quarter to the right
        ActionChains(self.browser).key_down(Keys.SHIFT).send_keys(Keys.RIGHT).key_up(Keys.SHIFT).perform()
        self.settled()
        self.assertLess(abs(self.at_node()[0] - before[0] + self.find("#drawing")[0].rect["width"] / 4), 1)
        keys("+", "-", "+", "0")
        self.settled()
        self.assertEqual((self.zoom(), focused(), len(self.find("#ring polygon"))), (1, "element 5", 2))
        self.assertEqual(len(self.find('#drawing polygon[tabindex="0"]')), 1)
        keys(Keys.ENTER)
        self.until(5, lambda: self.text("#inspector h3").startswith("Element 5:"))
        self.assertEqual([keys(pressed) or focused() for pressed in [Keys.TAB, Keys.TAB, Keys.ESCAPE, Keys.TAB]],
                         ["handle 9-10", "handle 4-10", "element 5", "handle 9-10"])
        keys(Keys.TAB)
        self.ran(lambda: keys(Keys.ENTER))
        self.until(5, lambda: self.text("#said").startswith("Flipped"))
        self.assertEqual((focused(), self.text("#said")), ("handle 5-9", (
            "Flipped side 4-10 to 5-9. No temperature changed, and none should: nodes 4, 5, 10 and 9 make a rectangle, "
            "whose diagonal adds nothing to K (the angles opposite it are right angles), so K is the same either way.")))
        self.assertTrue("4 10" not in self.box())
        self.same_as_native(self.box())
        flipped = self.box()
        self.choose(1)
        self.ran(lambda: self.flip("1-5"))
        self.assertTrue(self.text("#said").startswith("Flipped side 1-5 to 2-4. No temperature changed"))
        self.same_as_native(self.box())
        self.ran(lambda: self.find("#undo")[0].click())
        self.assertEqual(self.box(), flipped)
        self.ran(lambda: self.find("#undo")[0].click())
        self.assertEqual((self.box(), self.text("#console")), (first, data("console.txt")))
        for e, side, said in [(10, "11-12", "Side 11-12 cannot flip: its triangles 11 12 7 and 11 17 12 make a "
                                            "quadrilateral that is not convex."),
                              (20, "13-17", "Side 13-17 is not flipped: flipping 13-17 would make node 18 a corner of "
                                            "two triangles, and the boundary table needs one there.")]:
            self.choose(e)
            self.flip(side)
            self.assertEqual((self.text("#said"), self.box()), (said, first))

    def test_a_click_inside_every_triangle_chooses_it(self):
        """On a laptop and on a phone, a click or tap a quarter of a triangle's
        height from its sides chooses it and flips nothing; handles and nodes at
        least 24 px across; a refused flip said in view, without scrolling. On the
        phone the drawing comes first, and a run scrolls up to it."""
        shipped = self.box()
        for phone in [False, True]:
            self.device(phone)
            self.load(self.server.address)
            if phone:  # the drawing first, and a run scrolls up to it
                self.typed(SHIPPED)
                self.assertTrue(self.find("#picture")[0].location["y"] < self.find("#elements")[0].location["y"] and
                                -5 < self.browser.execute_script("return picture.getBoundingClientRect().top") < 100)
                self.browser.save_screenshot(os.path.join(self.site, "..", "phone.png"))
            for e in range(1, 21):
                for weights in [(0.5, 0.25, 0.25), (0.25, 0.5, 0.25), (0.25, 0.25, 0.5), (1 / 3, 1 / 3, 1 / 3)]:
                    with self.subTest(phone=phone, element=e, weights=weights):
                        self.tap(*self.point(e, weights))
                        self.until(5, lambda: self.text("#inspector h3").startswith(f"Element {e}:"))
                        self.assertEqual(len(self.find("#drawing polygon.chosen")), 2)
                        self.assertTrue(self.text("#said").startswith(f"Element {e}, nodes "))
            self.assertEqual(self.box(), shipped)
            sizes = self.browser.execute_script(
                "return [...document.querySelectorAll('#drawing .handle circle, #drawing circle.node')]"
                ".map((c) => Math.min(c.getBoundingClientRect().width, c.getBoundingClientRect().height))")
            self.assertGreaterEqual(min(sizes), 24, sizes)
            self.choose(20)
            scrolled = self.browser.execute_script("return scrollY")
            self.flip("13-17")
            self.assertTrue(self.text("#said").startswith("Side 13-17 is not flipped"))
            self.assertEqual(self.browser.execute_script("const r = document.getElementById('said').getBoundingClientRect();"
                                                         "return [r.top >= -1 && r.bottom <= innerHeight + 1, scrollY]"),
                             [True, scrolled])

    def test_numbering_as_the_command_numbers(self):
        """A shuffled, clockwise paste, numbered as heat2d-elements numbers it, then
        run; corners that only flips mend are asked first, then mended."""
        triangles = [line.split() for line in data("other_elements.txt").splitlines()]
        random.Random(23).shuffle(triangles)
        shuffled = "".join(" ".join(t[::-1]) + "\n" for t in triangles)
        self.typed(shuffled, [Keys.CONTROL, Keys.ENTER])
        self.assertEqual(self.box(), self.native.number(shuffled))
        self.assertTrue(self.text("#notice").startswith("Numbered for the boundary table, as heat2d-elements does:line 1, "))
        self.same_as_native(self.box())
        corners = SHIPPED.splitlines()
        corners[10:12], corners[18:20] = ["7 13 8", "7 12 13"], ["12 17 18", "12 18 13"]
        self.typed("\n".join(corners) + "\n")
        notice = self.text("#notice")
        self.assertTrue("flip side 12-18 to 13-17" in notice and "--flip-corner" not in notice, notice)
        self.ran(lambda: self.find("#flip-corner")[0].click())
        self.assertEqual((self.box(), self.text("#errors")),
                         (self.native.number("\n".join(corners) + "\n", "--flip-corner"), ""))
        self.assertIn("flipped side 12-18 to 13-17flipped side 7-13 to 8-12", self.text("#notice"))

    def test_faults_followed_without_the_numbering(self):
        """heat2d's faults, each linked to what it names; a system not positive
        definite still drawn, its row marked; faults counted as the program counts
        them; more than 1 MiB refused unrun."""
        self.find("#number")[0].click()
        self.typed(TRIANGULATIONS["lines 13 and 14 swapped"])  # each as the native program: engines_test
        self.assertTrue(self.text("#status").startswith("exit status 1, 2 faults, "))
        self.assertEqual(self.sides(), [("convection", "10-15")] + RIGHT_EDGE[1:] + NOTCH_AND_TOP)
        self.find("#errors li a")[0].click()
        self.assertEqual([p.get_attribute("data-element") for p in self.find("#drawing polygon.marked")], ["14"])
        self.assertEqual(self.browser.execute_script("const box = document.getElementById('elements');"
                                                     "return box.value.slice(box.selectionStart, box.selectionEnd)"),
                         "9 15 10")
        self.find("#errors li a")[1].click()
        self.assertEqual([line.get_attribute("data-side") for line in self.find("#drawing line.marked")], ["14-15"])
        self.typed(TRIANGULATIONS["an overlap inside: two triangles on one quadrilateral's two diagonals"])
        self.find("#errors li a")[0].click()  # the overlap: both its triangles marked
        self.assertEqual([p.get_attribute("data-element") for p in self.find("#drawing polygon.marked")], ["6", "7"])
        # A refused triangulation gives no answer: no colour, no extremes, no node's temperature.
        self.assertEqual((self.text("#extremes"), {p.get_attribute("fill") for p in self.find("#drawing polygon")}),
                         ("No valid answer: heat2d refused this elements.txt (see its faults), so no temperature is "
                          "shown.", {"#e8eef4"}))
        self.find('#drawing circle[data-node="8"]')[0].click()
        self.assertTrue(self.text("#inspector").startswith("Node 8: no temperature in this run"))
        # A file that cannot be read: the outline and the numbered nodes drawn; its fault's line selected, in view.
        self.typed("\n".join(SHIPPED.splitlines()[:6] + ["5 10 19"] + SHIPPED.splitlines()[7:]) + "\n")
        self.assertEqual((len(self.find("#drawing circle[data-node]")), len(self.find("#drawing line.outline")),
                          len(self.find("#drawing polygon"))), (18, 14, 0))
        self.find("#errors li a")[0].click()
        self.assertEqual(self.browser.execute_script(
            "const box = document.getElementById('elements'), y = box.getBoundingClientRect().top + 6 * 21 - box.scrollTop;"
            "return [box.value.slice(box.selectionStart, box.selectionEnd), y >= 0 && y + 21 <= innerHeight]"),
            ["5 10 19", True])  # line 7, 21 px a line, within the window
        self.typed(TRIANGULATIONS["clockwise"])
        self.assertTrue(self.text("#status").startswith("exit status 1, 2 faults, "))
        self.assertEqual(len(self.find("#drawing polygon[data-element]")), 20)
        self.assertEqual([c.get_attribute("data-node") for c in self.find("#drawing circle.marked")], ["6"])
        self.typed(TRIANGULATIONS["nodes 1 and 18 left out"])
        self.assertTrue(self.text("#status").startswith("exit status 1, 19 faults, "))
        self.browser.execute_script("document.getElementById('elements').value = '1 '.repeat(600000);"
                                    "document.getElementById('run').click()")
        self.until(5, lambda: "more than 1 MiB: not run" in self.text("#notice"))
        self.assertEqual(self.dataset("runs"), str(self.runs))

    def field(self, name):
        """What the What if field of a value holds."""
        return self.browser.execute_script(f"return document.getElementById('value-{name}').value")

    def test_what_if_values_by_slider_keys_fields_and_address(self):
        """The k slider dragged by a real pointer: while it moves the field and
        the extremes follow without a run; let go, a run with the option, as
        the native program gives it. At a finer level, the air's slider, by a
        key, solves that level again."""
        field = self.field
        x, y, width = self.browser.execute_script(
            "const s = document.getElementById('slider-conductivity'); s.scrollIntoView({block: 'center'});"
            "const r = s.getBoundingClientRect(), at = Number(s.value) / Number(s.max);"
            "return [r.left + 8 + at * (r.width - 16), r.top + r.height / 2, r.width];")
        extremes = self.text("#extremes")
        self.mouse("mousePressed", x, y, button="left", clickCount=1)
        for step in range(1, 6):
            self.mouse("mouseMoved", x - step * width / 12, y, button="left")
        self.until(5, lambda: self.text("#extremes") != extremes)
        moved = self.text("#extremes")
        self.assertEqual(self.dataset("runs"), str(self.runs))  # no run yet
        self.assertLess(float(field("conductivity")), 75)
        self.ran(lambda: self.mouse("mouseReleased", x - 5 * width / 12, y, button="left", clickCount=1))
        k = field("conductivity")
        native = self.native.run(SHIPPED, "--conductivity", k)
        console, errors = native["console"], native["errors"]
        self.assertEqual((self.text("#console"), self.text("#errors"), self.text("#extremes")), (console, errors, moved))
        self.assertIn(f"k={k}", self.browser.current_url)
        self.choose(20)
        self.assertIn(f"k = {k}", self.text("#inspector"))
        # At a finer level a value's change solves that level again with the
        # values, as the native program solves it.
        self.fineness("2")
        self.browser.execute_script("document.getElementById('slider-ambient_temperature').focus()")
        self.ran(lambda: self.keys(Keys.LEFT))
        t = field("ambient_temperature")
        self.until(30, lambda: self.dataset("level") == "2")
        native = self.native.run(SHIPPED, "--refine", "2", "--conductivity", k, "--ambient", t)
        native = native["files"]["refined_write_.txt"]
        got = [float(td.get_attribute("data-value")) for td in self.find("#refined-temperatures td[data-value]")]
        for mine, theirs in zip(got, (float(line.split()[1]) for line in native.splitlines()[:18])):
            self.assertLess(abs(mine - theirs), 1e-12 * abs(theirs))
        self.assertIn("the 20 triangles' answer with these values", self.text("#refined-estimate"))
        self.assertIn(f"of its rise above the air's {t})", self.text("#refined-estimate"))

    def test_what_if_bad_fields_the_reset_and_addresses(self):
        """A bad field marked, with why, and nothing run until it is mended; the
        reset; an address with values, and one with a bad value, which opens
        the design's values and says why."""
        for text, why in [("75abc", '"75abc" is not a decimal number'),
                          ("0", "Conductivity is taken from 0.001 to 1e+06, not 0")]:
            box = self.find("#value-conductivity")[0]
            box.clear()
            box.send_keys(text, Keys.TAB)
            self.assertEqual((box.get_attribute("aria-invalid"), self.text("#why-conductivity"),
                              self.dataset("runs")),
                             ("true", why + ": nothing is solved until it is mended.", str(self.runs)))
        self.ran(lambda: self.find("#design-values")[0].click())
        self.assertEqual((self.text("#console"), self.field("conductivity"), self.find("#value-conductivity")[0]
                          .get_attribute("aria-invalid")), (data("console.txt"), "75", None))
        # Addresses: values to open with, and a bad one.
        self.load(self.server.address + "?q=300&t=30")
        console = self.native.run(SHIPPED, "--heat-flux", "300", "--ambient", "30")["console"]
        self.assertEqual((self.text("#console"), self.text("#scale-unit")), (console, "(same units as the air's 30)"))
        self.assertIn("Biot", self.text("#biot"))
        self.load(self.server.address + "?k=0&h=ten")
        self.assertEqual((self.text("#console"), self.text("#notice")), (data("console.txt"), (
            'The address\'s values are not taken (k: conductivity is taken from 0.001 to 1e+06, not 0; h: "ten" is not '
            "a decimal number): the design's values are shown.")))

    def test_another_plate_by_address_slider_and_field(self):
        """A plate in the address (its run and its slider's: engines_test): the
        drawing fitted to it, the Biot number of its width, the address after the
        slider; a notch as wide as the plate marked and nothing run; an address
        of such a plate opens the design's and says why; its error map, zoomed."""
        self.load(self.server.address + "?width=10&notch_depth=3")
        self.assertEqual((self.browser.execute_script("return document.getElementById('drawing').getAttribute('viewBox')"),
                          self.text("#biot")[:12]), ("0 0 356 416", "h·5/k = 0.66"))  # 360 units to the height 6, 5 wide
        self.browser.save_screenshot(os.path.join(self.site, "..", "another_plate.png"))
        self.browser.execute_script("document.getElementById('slider-width').focus()")
        self.ran(lambda: self.keys(Keys.RIGHT))
        width = self.field("width")
        self.assertIn(f"width={width}&height=6&notch_width=3&notch_depth=3", self.browser.current_url)
        box = self.find("#value-notch_width")[0]
        box.clear()
        box.send_keys(width, Keys.TAB)
        self.assertEqual((box.get_attribute("aria-invalid"), self.text("#why-notch_width"), self.dataset(
            "runs")), ("true", f"A notch {width} wide is not inside a plate {width} wide: the "
                                                            "notch's width must be less than the plate's: nothing is solved "
                                                            "until it is mended.", str(self.runs)))
        self.load(self.server.address + "?notch_width=9")
        self.assertEqual((self.text("#console"), self.find('#drawing circle[data-node="18"]')[0].get_attribute("cx")),
                         (data("console.txt"), "298"))  # 28 + 4.5 x 60
        self.assertEqual(self.text("#notice"), "The address's values are not taken (the plate: a notch 9 wide is not inside "
                         "a plate 9 wide: the notch's width must be less than the plate's): the design's values are shown.")
        # The plate's error map at level 4, brightest at its own node 6's corner.
        self.load(self.server.address + "?width=10&notch_depth=3")
        self.fineness(4)
        self.find("#error-map")[0].click()
        self.assertLess(self.brightest_from_node_6(), 0.05 * self.find("#refined-field")[0].rect["width"])
        x, y = map(round, self.at_node(6))  # the wheel zooms about the pointer on this plate too (its whole pixels)
        self.mouse("mouseWheel", x, y, deltaX=0, deltaY=-480, modifiers=2)
        self.settled()
        self.assertEqual((self.text("#zoom-level"), max(abs(a - b) for a, b in zip(self.at_node(6), (x, y))) < 1.5), ("×2.72", True))

    def test_adaptive_steps_as_the_native_program_takes_them(self):
        """The steps to 1e-3 in the Worker as heat2d --adapt 1e-3 takes them
        (the last one's triangles and nodes, its answer to the digits printed),
        plotted beside the uniform levels; the error map brightest at node 6."""
        self.fineness("3")
        self.fineness("adapt:0.001")
        console = self.native.run(SHIPPED, "--adapt", "1e-3")["console"]
        lines = console.splitlines()
        blank = lines.index("")
        last = lines[blank - 1].split()
        self.assertTrue(self.text("#refining-text").startswith(f"step {last[0]}: {int(last[1]):,} triangles and "
                                                               f"{int(last[2]):,} nodes"), (self.text("#refining-text"), last))
        answer = [float(line.split()[1]) for line in lines[blank + 2:blank + 20]]
        got = [float(td.get_attribute("data-value")) for td in self.find("#refined-temperatures td[data-value]")]
        for mine, theirs in zip(got, answer):
            self.assertLess(abs(mine - theirs), 1e-6 * abs(theirs))
        self.assertEqual(len(self.find("#convergence circle.adaptive")), int(last[0]))  # steps 1 to the last
        self.assertEqual(len(self.find("#convergence circle.measured")), 2)  # levels 2 and 3, kept beside them
        self.browser.save_screenshot(os.path.join(self.site, "..", "adapted.png"))
        # The error map: each triangle's indicator over the root of its area, its own scale; the
        # brightest pixel (the most error) at node 6's corner.
        self.find("#error-map")[0].click()
        self.assertEqual((self.find("#error-map")[0].get_attribute("aria-pressed"), self.text("#scale .title")),
                         ("true", "error density (log10)"))
        self.assertLess(self.brightest_from_node_6(), 0.05 * self.find("#refined-field")[0].rect["width"])
        self.browser.save_screenshot(os.path.join(self.site, "..", "error_map.png"))

    def brightest_from_node_6(self):
        """How far the brightest pixel of the field shown lies from node 6, in px."""
        return self.browser.execute_script("""
            const canvas = document.getElementById("refined-field"), c = canvas.getBoundingClientRect();
            const data = canvas.getContext("2d").getImageData(0, 0, canvas.width, canvas.height).data;
            let best = -1, at = 0;
            for (let k = 0; k < data.length; k += 4) {
              const light = data[k] + data[k + 1] + data[k + 2];
              if (data[k + 3] && light > best) [best, at] = [light, k / 4];
            }
            const x = c.left + ((at % canvas.width) + 0.5) * c.width / canvas.width;
            const y = c.top + (Math.floor(at / canvas.width) + 0.5) * c.height / canvas.height;
            const r = document.querySelector('#drawing circle[data-node="6"]').getBoundingClientRect();
            return Math.hypot(x - r.x - r.width / 2, y - r.y - r.height / 2);""")

    def at_node(self, n=6):
        """Where node n is in the window."""
        return self.browser.execute_script("const r = document.querySelector(`#drawing circle[data-node=\"${arguments[0]}\"]`)"
                                           ".getBoundingClientRect(); return [r.x + r.width / 2, r.y + r.height / 2]", n)

    def zoom(self):
        return self.browser.execute_script("return state.view.zoom")

    def settled(self):
        """After the next frame and a little more: what an event changed is drawn."""
        self.browser.execute_script("return new Promise((done) => requestAnimationFrame(() => setTimeout(done, 50)))")

    def test_zoom_and_pan_into_node_6s_corner(self):
        """The wheel with Ctrl zooms about the pointer into node 6's corner,
        down to the adapted mesh's smallest triangles, drawn in the view's own
        coordinates (the field read at node 6 is the mesh's value there); a
        drag moves the view and chooses nothing; the buttons; a uniform
        level's error map."""
        script, node6, settled = self.browser.execute_script, self.at_node, self.settled
        self.fineness("adapt:0.001")
        script("scrollTo(0, 0)")
        for _ in range(10):  # e to the 10th
            x, y = node6()
            self.mouse("mouseWheel", x, y, deltaX=0, deltaY=-240, modifiers=2)
        settled()
        drawn = self.find("#drawing")[0].rect
        x, y = node6()
        self.assertEqual((self.text("#zoom-level"), self.text("#scale .title")), ("×22,000", "temperature in view"))
        self.assertTrue(drawn["x"] < x < drawn["x"] + drawn["width"] and drawn["y"] < y < drawn["y"] + drawn["height"])
        # Every line and polygon within the view and its margin of 40 units, whatever the zoom.
        self.assertLess(script("""
            const box = document.getElementById('drawing').viewBox.baseVal;
            const far = (x, y) => Math.max(-x, -y, x - box.width, y - box.height);
            return Math.max(...[...document.querySelectorAll('#drawing polygon')].flatMap((p) => [...p.points].map((q) => far(q.x, q.y))),
                            ...[...document.querySelectorAll('#drawing line')].map((l) => Math.max(far(l.x1.baseVal.value, l.y1.baseVal.value),
                                                                                                   far(l.x2.baseVal.value, l.y2.baseVal.value))))"""),
                        40.001)
        # Beside node 6 (3 px into the plate) the probe reads the mesh's temperature there, to far below the digits it shows.
        probe, mesh = script("return [finer.temperatureAt(arguments[0], arguments[1]), state.levels.solved.temperatures[5]]",
                             x + 3, y + 3)
        self.assertLess(abs(probe - mesh), 1e-4)
        self.browser.save_screenshot(os.path.join(self.site, "..", "corner.png"))
        # A drag of 60 px to the right carries node 6 with it, and reads or chooses nothing.
        self.browser.execute_script("document.getElementById('said').textContent = ''")
        self.mouse("mousePressed", x, y, button="left", buttons=1, clickCount=1)
        for step in range(1, 7):
            self.mouse("mouseMoved", x + 10 * step, y, button="left", buttons=1)
        self.mouse("mouseReleased", x + 60, y, button="left", buttons=0, clickCount=1)
        settled()
        self.assertLess(abs(node6()[0] - x - 60), 1.5)
        self.assertEqual(self.text("#said"), "")
        # The buttons: in, and back to the whole plate.
        for button, level in [("#zoom-reset", "×1"), ("#zoom-in", "×2"), ("#zoom-reset", "×1")]:
            self.find(button)[0].click()
            settled()
            self.assertEqual(self.text("#zoom-level"), level)
        # A uniform level's error map: the change from the level below, brightest at node 6's corner from level 4 on.
        self.fineness("4")
        self.find("#error-map")[0].click()
        self.assertEqual(self.text("#scale .title"), "change from level 3 (log10)")
        self.assertLess(self.brightest_from_node_6(), 0.05 * drawn["width"])
        self.browser.save_screenshot(os.path.join(self.site, "..", "error_map_level.png"))

    def test_two_fingers_zoom_on_a_phone(self):
        """Two fingers on a phone spread apart: the view zooms about their middle."""
        command, node6, zoom, settled = self.browser.execute_cdp_cmd, self.at_node, self.zoom, self.settled
        self.device(True)
        self.load(self.server.address)
        self.browser.execute_script("document.getElementById('drawing').scrollIntoView({block: 'center'})")
        settled()
        x, y = node6()
        command("Input.dispatchTouchEvent", {"type": "touchStart", "touchPoints": [{"x": x - 20, "y": y, "id": 1}, {"x": x + 20, "y": y, "id": 2}]})
        for step in range(1, 6):
            command("Input.dispatchTouchEvent", {"type": "touchMove", "touchPoints": [{"x": x - 20 - 16 * step, "y": y, "id": 1},
                                                                                      {"x": x + 20 + 16 * step, "y": y, "id": 2}]})
        command("Input.dispatchTouchEvent", {"type": "touchEnd", "touchPoints": []})
        settled()
        self.assertLess(abs(zoom() - 5), 0.01)  # the fingers 40 px apart, then 200
        self.assertLess(max(abs(a - b) for a, b in zip(node6(), (x, y))), 1.5)

    def test_the_fineness_line_the_gutter_and_the_drawing_keep_their_places(self):
        """The line under Fineness always says what is drawn: a solve cut short
        by a click leaves it empty, and so does going back to level 0 or a
        refused run, which takes no finer level. The line numbers match the
        box's lines, scrolled or not."""
        level = lambda: self.dataset("level")  # noqa: E731
        self.fineness(7, wait=False)
        self.tap(*self.point(5))
        self.until(5, lambda: self.text("#inspector h3").startswith("Element 5:"))
        self.browser.execute_script("return new Promise((done) => setTimeout(done, 1500))")
        self.assertEqual((level(), self.text("#refining-text")), ("0", ""))
        for leave in [lambda: self.fineness(0, wait=False), lambda: self.typed(TRIANGULATIONS["nodes 1 and 18 left out"])]:
            self.fineness(2)
            self.assertTrue(self.text("#refining-text").startswith("level 2: 320 triangles"))
            leave()
            self.assertEqual((level(), self.text("#refining-text")), ("0", ""))
        self.assertEqual((self.find("#fineness")[0].get_attribute("disabled"), self.text("#fineness-why")),
                         ("true", "A finer level needs a triangulation that heat2d takes: mend the faults first."))
        # Two copies of the file pasted: 41 lines with the empty last one, every one numbered, level with it.
        self.browser.execute_script("const box = document.getElementById('elements'); box.value = arguments[0];"
                                    "box.dispatchEvent(new Event('input')); box.scrollTop = box.scrollHeight;", SHIPPED * 2)
        self.until(5, lambda: self.browser.execute_script(
            "return document.getElementById('gutter').scrollTop === document.getElementById('elements').scrollTop"))
        self.assertEqual(self.browser.execute_script(
            "const box = document.getElementById('elements'), gutter = document.getElementById('gutter');"
            "return [gutter.textContent.split('\\n').length, box.value.split('\\n').length, box.scrollTop > 0,"
            " Math.abs(gutter.getBoundingClientRect().bottom - box.getBoundingClientRect().bottom) <= 1]"), [41, 41, True, True])

    def test_finer_levels_solved_in_a_worker(self):
        """A point of the plot a level solved, with its table, balance and
        lesson (its temperatures: engines_test); the pointer reading the field;
        a solve cancelled by a new choice; at a finer level a click reads the
        field where it lands and keeps the level; steps refused, then a level."""
        level = lambda: self.dataset("level")  # noqa: E731
        self.fineness(2)
        self.assertEqual([c.get_attribute("data-level") for c in self.find("#convergence circle")], ["2"])
        # The plot's points in plain numbers; the balance of the level; the corner's lesson; an order a node from level 2.
        self.assertEqual([t.get_attribute("textContent") for t in self.find("#convergence circle title")][0][:34],
                         "level 2: 189 nodes, error left 0.0")
        self.assertTrue(self.text("#refined-balance").startswith("Heat in 975, heat out 975 (the residual"))
        self.assertIn("270 degrees", self.text("#corner"))
        orders = [float(tr.find_elements("tag name", "td")[5].text) for tr in self.find("#refined-temperatures tbody tr")]
        self.assertTrue(len(orders) == 18 and all(order > 0 for order in orders), orders)
        self.assertIn("elements.txt's answer, 48.4099, is 0.89% low (of its rise above the air's 22)",
                      self.text("#refined-estimate"))
        # At level 4 (no mesh lines), what the pointer reads at node 11, against its temperature.
        self.fineness(4)
        t11 = float(self.find("#refined-temperatures td[data-value]")[10].get_attribute("data-value"))
        x, y = self.at_node(11)
        ActionChains(self.browser).move_to_element_with_offset(self.find("#field")[0], 0, 0).perform()
        self.mouse("mouseMoved", x, y)
        probe = self.text("#probe")  # the field at the point, from its triangle, to four digits
        self.assertTrue(abs(float(probe) - t11) < 0.05 and len(probe.replace(".", "").lstrip("0")) <= 4, (probe, t11))
        self.fineness(7, wait=False)
        self.fineness(1)
        points = [c.get_attribute("data-level") for c in self.find("#convergence circle")]
        self.assertTrue(points[:3] == ["2", "3", "4"] and "7" not in points, points)  # level 7 never ended
        self.tap(*self.point(5))  # at a finer level a click reads the field there, and the level stays
        self.until(5, lambda: self.text("#said").startswith("Level 1: temperature "))
        self.assertEqual((level(), self.find("#fineness")[0].get_attribute("value")), ("1", "1"))
        # Steps that the core refuses (a slender plate's stall) are said, and the next choice is solved.
        self.load(self.server.address + "?width=20&height=1&notch_width=2&notch_depth=0.5")
        self.fineness("adapt:0.01", wait=False)
        self.until(30, lambda: self.text("#said").startswith("The steps to 0.01 are not solved: the steps stalled: "))
        self.fineness(2)


def main(site, native, names):
    Page.site, Page.native = site, native
    loader = unittest.defaultTestLoader
    tests = loader.loadTestsFromNames(names, Page) if names else loader.loadTestsFromTestCase(Page)
    result = unittest.TextTestRunner(verbosity=2).run(tests)
    sys.exit(0 if result.wasSuccessful() else 1)


if __name__ == "__main__":
    if not ActionChains:
        sys.exit(print("page: skipped, python3-selenium is not installed") or 77)
    if not (shutil.which("chromium") and shutil.which("chromedriver")):
        sys.exit(print("page: skipped, chromium and chromium-driver are not installed") or 77)
    if not os.path.isfile(os.path.join(sys.argv[2], "heat2d")):
        sys.exit(print(f"page: skipped, no native build in {sys.argv[2]} (cmake --workflow --preset default)") or 77)
    main(os.path.abspath(sys.argv[1]), Native(os.path.abspath(sys.argv[2])), sys.argv[3:])
