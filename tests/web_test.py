"""The page in headless Chromium, served on 127.0.0.1 and opened from the file
system, against the native program and heat2d-elements of a native build:
its runs, its numbering, a flip by click and its undo, the inspector's
numbers summed into K and f, faults followed to what they name. Writes
page.png (laptop) and phone.png beside SITE.
Usage: web_test.py SITE NATIVE_BUILD; 77 without Chromium or the native build."""
import functools
import http.server
import os
import random
import shutil
import subprocess
import sys
import tempfile
import threading

from run_test import HERE, cases, edited


def data(name):
    with open(os.path.join(HERE, "data", name), encoding="utf-8") as stream:
        return stream.read()


SHIPPED = data("../../examples/elements.txt")
# The faulty cases of the program's own tests, as elements.txt text.
TRIANGULATIONS = {title: "\n".join(edited(lines)) + "\n" for title, lines in cases("triangulations.txt")}
RIGHT_EDGE = [("convection", f"{a}-{a + 1}") for a in range(14, 18)]
NOTCH_AND_TOP = [("flux", side) for side in ["13-18", "3-6", "6-7", "7-8", "8-13"]]


class Native:
    """heat2d and heat2d-elements of a native build, each in a folder of its own."""

    def __init__(self, build):
        self.build = build

    def in_folder(self, command, text, name, output=None):
        """command's (stdout, stderr) on text saved as name, or the output file's text."""
        with tempfile.TemporaryDirectory() as folder:
            with open(os.path.join(folder, name), "w", encoding="utf-8") as stream:
                stream.write(text)
            done = subprocess.run(command, cwd=folder, capture_output=True, text=True, stdin=subprocess.DEVNULL,
                                  check=bool(output), env=dict(os.environ, HEAT2D_LIBRARY=os.path.join(
                                      self.build, "libheat2d.so")))
            return data(os.path.join(folder, output)) if output else (done.stdout, done.stderr)

    def run(self, text):
        return self.in_folder([os.path.join(self.build, "heat2d")], text, "elements.txt")

    def number(self, text, *options):
        return self.in_folder([sys.executable, os.path.join(HERE, "..", "tools", "number_elements.py"), "mine.txt",
                               *options], text, "mine.txt", "elements.txt")


def opened(site):
    """(browser, server): headless Chromium at 1280 x 800, and site served on
    127.0.0.1 (its address: server.address)."""
    from selenium import webdriver

    class Quiet(http.server.SimpleHTTPRequestHandler):
        def log_message(self, *_):
            pass

    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), functools.partial(Quiet, directory=site))
    server.address = f"http://127.0.0.1:{server.server_address[1]}/index.html"
    threading.Thread(target=server.serve_forever, daemon=True).start()
    options = webdriver.ChromeOptions()
    options.binary_location = shutil.which("chromium")
    for argument in ["--headless", "--no-sandbox", "--disable-gpu", "--window-size=1280,800"]:
        options.add_argument(argument)
    return webdriver.Chrome(options=options), server


def main(site, native):
    from selenium.webdriver.common.action_chains import ActionChains
    from selenium.webdriver.common.by import By
    from selenium.webdriver.common.keys import Keys
    from selenium.webdriver.support.ui import WebDriverWait

    browser, server = opened(site)
    script = browser.execute_script
    find = lambda selector: browser.find_elements(By.CSS_SELECTOR, selector)
    text = lambda selector: script(f"return document.querySelector('{selector}').textContent")
    box = lambda: script("return document.getElementById('elements').value")
    sides = lambda: sorted((line.get_attribute("class"), line.get_attribute("data-side")) for line in
                           find("#drawing line.flux, #drawing line.convection"))
    runs = [0]

    def ran(action):
        """Does action, then waits for the page's next run to end."""
        action()
        runs[0] += 1
        WebDriverWait(browser, 60).until(lambda b: b.execute_script("return document.body.dataset.runs") == str(runs[0]))

    def typed(content, keys=None):
        script("document.getElementById('elements').value = arguments[0]", content)
        if keys:
            ran(lambda: find("#elements")[0].send_keys(*keys))
        else:
            ran(lambda: find("#run")[0].click())

    def click_inside(e):
        """Clicks element e where a person would: at its centroid, what is there."""
        assert script("""
            const polygon = document.querySelector(`#drawing polygon[data-element="${arguments[0]}"]`);
            const p = polygon.points;
            const x = (p[0].x + p[1].x + p[2].x) / 3, y = (p[0].y + p[1].y + p[2].y) / 3;
            polygon.scrollIntoView({block: "center"});
            const s = polygon.getScreenCTM();
            const there = document.elementFromPoint(s.a * x + s.e, s.d * y + s.f);
            there.dispatchEvent(new MouseEvent("click", {bubbles: true}));
            return there === polygon;""", e), e

    def same_as_native(content):
        console, errors = native.run(content)
        assert (text("#console"), "".join(li.text + "\n" for li in find("#errors li"))) == (console, errors), content

    try:
        for address in [server.address, "file://" + os.path.join(site, "index.html")]:
            browser.get(address)
            runs[0] = 0
            ran(lambda: None)
            assert (text("#console"), text("#errors")) == (data("console.txt"), ""), address
            assert text("#status").startswith("exit status 0, no faults, ")
            assert text("#extremes") == "Hottest: node 8, 48.4099. Coolest: node 14, 36.1659."
            assert [a.get_attribute("download") for a in find("#files a")] == [
                "mesh.txt", "mesh.geo", "f.txt", "K.txt", "write_.txt"]
            assert (len(find("#drawing [data-node]")), len(find("#drawing polygon[data-element]"))) == (18, 20)
            assert sides() == RIGHT_EDGE + NOTCH_AND_TOP, sides()
            assert [[td.text for td in tr.find_elements(By.TAG_NAME, "td")] for tr in find("#table tbody tr")] == [
                ["4", "heat flux", "1-3"], ["12", "heat flux", "1-3"], ["9", "heat flux", "2-3"],
                ["11", "heat flux", "2-3"], ["14", "convection", "2-3"], ["16", "convection", "2-3"],
                ["18", "convection", "2-3"], ["20", "convection", "2-3"], ["20", "heat flux", "1-3"]]
        browser.save_screenshot(os.path.join(site, "..", "page.png"))

        # The inspector: each element's entries, summed as the assembly sums
        # them (element by element, in order), give K.txt and f.txt.
        K = [[0.0] * 18 for _ in range(18)]
        f = [0.0] * 18
        for e in range(1, 21):
            click_inside(e)
            assert f"Element {e}: nodes {SHIPPED.splitlines()[e - 1]}" in text("#inspector")
            for row, column, value in script("return [...document.querySelectorAll('#inspector [data-row]')]"
                                             ".map((c) => [c.dataset.row, c.dataset.column, c.dataset.value])"):
                K[int(row) - 1][int(column) - 1] += float(value)
            for entry, value in script("return [...document.querySelectorAll('#inspector [data-entry]')]"
                                       ".map((c) => [c.dataset.entry, c.dataset.value])"):
                f[int(entry) - 1] += float(value)
        assert "".join(" ".join(f"{v:g}" for v in row) + " \n" for row in K) == data("K.txt")
        assert "".join(f"{v:g}\n" for v in f) == data("f.txt")
        find('#drawing circle[data-node="8"]')[0].click()
        assert text("#inspector").startswith("Node 8: temperature 48.4099Its row of K: K[8][7] = ")

        # A flip by click (4-10 to 5-9), then by the keyboard (1-5 to 2-4),
        # each as the native program runs the box; undo gives each back.
        first = box()
        ran(lambda: find('#drawing line.inner[data-side="4-10"]')[0].click())
        assert "4 10" not in box() and "Flipped side 4-10." in text("#notice")
        same_as_native(box())
        flipped = box()
        ran(lambda: find('#drawing line.inner[data-side="1-5"]')[0].send_keys(Keys.ENTER))
        same_as_native(box())
        ran(lambda: find("#undo")[0].click())
        assert box() == flipped
        ran(lambda: find("#undo")[0].click())
        assert (box(), text("#console")) == (first, data("console.txt"))
        # A side that cannot flip says why, and nothing runs.
        script("document.querySelector('#drawing line.inner[data-side=\"11-12\"]').focus()")
        ActionChains(browser).send_keys(Keys.ENTER).perform()
        WebDriverWait(browser, 5).until(lambda b: text("#notice") == "side 11-12 cannot flip: its triangles 11 12 7 "
                                        "and 11 17 12 make a quadrilateral that is not convex")
        # A shuffled, clockwise paste: numbered as heat2d-elements numbers it, then run.
        triangles = [line.split() for line in data("other_elements.txt").splitlines()]
        random.Random(23).shuffle(triangles)
        shuffled = "".join(" ".join(t[::-1]) + "\n" for t in triangles)
        typed(shuffled, [Keys.CONTROL, Keys.ENTER])
        assert box() == native.number(shuffled)
        assert text("#notice").startswith("Numbered for the boundary table, as heat2d-elements does:line 1, ")
        same_as_native(box())
        # Corners the numbering mends only by flips: asked first.
        corners = SHIPPED.splitlines()
        corners[10:12], corners[18:20] = ["7 13 8", "7 12 13"], ["12 17 18", "12 18 13"]
        typed("\n".join(corners) + "\n")
        assert "flip side" in text("#notice") and "--flip-corner" not in text("#notice"), text("#notice")
        ran(lambda: find("#flip-corner")[0].click())
        assert (box(), text("#errors")) == (native.number("\n".join(corners) + "\n", "--flip-corner"), "")

        # Without the numbering: heat2d's faults, each linked to what it names.
        find("#number")[0].click()
        typed(TRIANGULATIONS["lines 13 and 14 swapped"])
        same_as_native(box())
        assert text("#status").startswith("exit status 1, 2 faults, ")
        assert sides() == [("convection", "10-15")] + RIGHT_EDGE[1:] + NOTCH_AND_TOP, sides()
        find("#errors li a")[0].click()
        assert [p.get_attribute("data-element") for p in find("#drawing polygon.marked")] == ["14"]
        assert script("const box = document.getElementById('elements');"
                      "return box.value.slice(box.selectionStart, box.selectionEnd)") == "9 15 10"
        find("#errors li a")[1].click()
        assert [line.get_attribute("data-side") for line in find("#drawing line.marked")] == ["14-15"]
        # Not positive definite: the mesh still drawn, the row named marked.
        typed(TRIANGULATIONS["clockwise"])
        assert text("#status").startswith("exit status 1, 2 faults, ")
        assert len(find("#drawing polygon[data-element]")) == 20
        assert [c.get_attribute("data-node") for c in find("#drawing circle.marked")] == ["6"]
        # The faults counted as the program counts them: ten shown and six more, then the pivot.
        typed(TRIANGULATIONS["nodes 1 and 18 left out"])
        same_as_native(box())
        assert text("#status").startswith("exit status 1, 17 faults, ")
        # More than 1 MiB: refused at once, nothing run.
        script("document.getElementById('elements').value = '1 '.repeat(600000);"
               "document.getElementById('run').click()")
        WebDriverWait(browser, 5).until(lambda b: "more than 1 MiB: not run" in text("#notice"))
        assert script("return document.body.dataset.runs") == str(runs[0])

        # On a phone: the drawing first, and a run scrolls up to it.
        browser.set_window_size(390, 844)
        find("#number")[0].click()
        typed(SHIPPED)
        assert find("#picture")[0].location["y"] < find("#elements")[0].location["y"]
        assert -5 < script("return document.getElementById('picture').getBoundingClientRect().top") < 100
        browser.save_screenshot(os.path.join(site, "..", "phone.png"))
    finally:
        browser.quit()
        server.shutdown()
    print("page: 1 passed, 0 failed")


if __name__ == "__main__":
    try:
        import selenium  # noqa: F401
    except ImportError:
        sys.exit(print("page: skipped, python3-selenium is not installed") or 77)
    if not (shutil.which("chromium") and shutil.which("chromedriver")):
        sys.exit(print("page: skipped, chromium and chromium-driver are not installed") or 77)
    if not os.path.isfile(os.path.join(sys.argv[2], "heat2d")):
        sys.exit(print(f"page: skipped, no native build in {sys.argv[2]} (cmake --workflow --preset default)") or 77)
    main(os.path.abspath(sys.argv[1]), Native(os.path.abspath(sys.argv[2])))
