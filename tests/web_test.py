"""The page in a real browser: headless Chromium, the page served on 127.0.0.1
and opened from the file system. Its console and faults must be the native
program's, byte for byte. Writes page.png beside SITE for a person to look at.
Usage: web_test.py SITE; exits 77 where Chromium or Selenium is missing."""
import functools
import http.server
import os
import shutil
import sys
import threading
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
SITE = os.path.abspath(sys.argv[1]) if len(sys.argv) > 1 else ""


def data(name):
    with open(os.path.join(HERE, "data", name), encoding="utf-8") as stream:
        return stream.read()


SHIPPED = data("../../examples/elements.txt").splitlines()
SWAPPED = SHIPPED[:12] + [SHIPPED[13], SHIPPED[12]] + SHIPPED[14:]  # lines 13 and 14 swapped


class Page(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        from selenium import webdriver
        from selenium.webdriver.chrome.service import Service

        handler = functools.partial(http.server.SimpleHTTPRequestHandler, directory=SITE)
        handler.log_message = lambda *_: None
        cls.server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
        threading.Thread(target=cls.server.serve_forever, daemon=True).start()
        options = webdriver.ChromeOptions()
        options.binary_location = shutil.which("chromium")
        for argument in ["--headless", "--no-sandbox", "--disable-gpu", "--window-size=1000,1700"]:
            options.add_argument(argument)
        cls.browser = webdriver.Chrome(service=Service(shutil.which("chromedriver")), options=options)
        cls.browser.set_script_timeout(60)

    @classmethod
    def tearDownClass(cls):
        cls.browser.quit()
        cls.server.shutdown()

    def text(self, selector):
        return self.browser.execute_script(f"return document.querySelector('{selector}').textContent")

    def runs(self, count):
        """Waits for the page's count-th run to end."""
        from selenium.webdriver.support.ui import WebDriverWait

        WebDriverWait(self.browser, 60).until(
            lambda b: b.execute_script("return document.body.dataset.runs") == str(count))

    def run_typed(self, lines, keys):
        from selenium.webdriver.common.by import By

        box = self.browser.find_element(By.ID, "elements")
        box.clear()
        box.send_keys("\n".join(lines))
        keys(box)

    def test_runs_as_the_native_program(self):
        from selenium.webdriver.common.by import By
        from selenium.webdriver.common.keys import Keys

        port = self.server.server_address[1]
        for address in [f"http://127.0.0.1:{port}/index.html", "file://" + os.path.join(SITE, "index.html")]:
            with self.subTest(address):
                self.browser.get(address)
                self.runs(1)
                self.assertEqual(self.text("#console"), data("console.txt"))
                self.assertEqual(self.text("#errors"), "")
                self.assertEqual(self.text("#extremes"), "Hottest: node 8, 48.4099. Coolest: node 14, 36.1659.")
                files = self.browser.find_elements(By.CSS_SELECTOR, "#files a[download]")
                self.assertEqual([a.get_attribute("download") for a in files],
                                 ["mesh.txt", "mesh.geo", "f.txt", "K.txt", "write_.txt"])
                self.assertEqual(len(self.browser.find_elements(By.CSS_SELECTOR, "#field svg text.node")), 18)

        # A wrong triangulation, run by the button: the native faults, each a line.
        self.run_typed(SWAPPED, lambda box: self.browser.find_element(By.ID, "run").click())
        self.runs(2)
        faults = self.browser.find_elements(By.CSS_SELECTOR, "#errors li")
        self.assertEqual([li.text for li in faults], [
            "heat2d: element 14: its convection side 15-10 is not a side of the outline on the right edge (x = 4.5)",
            "heat2d: side 14-15 of the right edge (x = 4.5) gets no convection; it needs it once"])
        # Another valid one, run from the keyboard; nothing of the last run is left.
        self.run_typed(data("other_elements.txt").splitlines(), lambda box: box.send_keys(Keys.CONTROL, Keys.ENTER))
        self.runs(3)
        self.assertEqual((self.text("#console"), self.text("#errors")), (data("other_console.txt"), ""))
        self.browser.execute_script("document.getElementById('field').scrollIntoView()")
        self.browser.save_screenshot(os.path.join(SITE, "..", "page.png"))


if __name__ == "__main__":
    try:
        import selenium  # noqa: F401
    except ImportError:
        print("Selenium is not installed (python3-selenium)")
        sys.exit(77)
    if not (shutil.which("chromium") and shutil.which("chromedriver")):
        print("Chromium is not installed (chromium, chromium-driver)")
        sys.exit(77)
    result = unittest.main(argv=sys.argv[:1], exit=False).result
    sys.exit(0 if result.wasSuccessful() else 1)
