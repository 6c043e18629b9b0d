"""The page in headless Chromium, served on 127.0.0.1 and opened from the file
system: its console and faults must be the native program's, byte for byte.
Writes page.png beside SITE. Usage: web_test.py SITE; 77 without Chromium."""
import functools
import http.server
import os
import shutil
import sys
import threading

HERE = os.path.dirname(os.path.abspath(__file__))


def data(name):
    with open(os.path.join(HERE, "data", name), encoding="utf-8") as stream:
        return stream.read()


RIGHT_EDGE = [("convection", f"{a}-{a + 1}") for a in range(14, 18)]
NOTCH_AND_TOP = [("flux", side) for side in ["13-18", "3-6", "6-7", "7-8", "8-13"]]


def main(site):
    from selenium import webdriver
    from selenium.webdriver.common.by import By
    from selenium.webdriver.common.keys import Keys
    from selenium.webdriver.support.ui import WebDriverWait

    handler = functools.partial(http.server.SimpleHTTPRequestHandler, directory=site)
    handler.log_message = lambda *_: None
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    options = webdriver.ChromeOptions()
    options.binary_location = shutil.which("chromium")
    for argument in ["--headless", "--no-sandbox", "--disable-gpu", "--window-size=1000,1700"]:
        options.add_argument(argument)
    browser = webdriver.Chrome(options=options)
    sides = lambda selector: sorted((line.get_attribute("class"), line.get_attribute("data-side")) for line in
                                    browser.find_elements(By.CSS_SELECTOR, f"{selector} line[data-side]"))
    text = lambda selector: browser.execute_script(f"return document.querySelector('{selector}').textContent")
    ran = lambda count: WebDriverWait(browser, 60).until(  # the page's count-th run has ended
        lambda b: b.execute_script("return document.body.dataset.runs") == str(count))

    def run_typed(lines, keys):
        box = browser.find_element(By.ID, "elements")
        box.clear()
        box.send_keys("\n".join(lines))
        keys(box)

    try:
        for address in [f"http://127.0.0.1:{server.server_address[1]}/index.html",
                        "file://" + os.path.join(site, "index.html")]:
            browser.get(address)
            ran(1)
            assert (text("#console"), text("#errors")) == (data("console.txt"), ""), address
            assert text("#extremes") == "Hottest: node 8, 48.4099. Coolest: node 14, 36.1659."
            assert [a.get_attribute("download") for a in browser.find_elements(By.CSS_SELECTOR, "#files a")] == [
                "mesh.txt", "mesh.geo", "f.txt", "K.txt", "write_.txt"]
            assert len(browser.find_elements(By.CSS_SELECTOR, "#field svg text.node")) == 18
            # The problem as the core has it: the sketch's sides, the table, by hand.
            assert sides("#sketch") == RIGHT_EDGE + NOTCH_AND_TOP, sides("#sketch")
            assert sides("#field") == RIGHT_EDGE + NOTCH_AND_TOP
            assert [[td.text for td in tr.find_elements(By.TAG_NAME, "td")] for tr in
                    browser.find_elements(By.CSS_SELECTOR, "#table tbody tr")] == [
                ["4", "heat flux", "1-3"], ["12", "heat flux", "1-3"], ["9", "heat flux", "2-3"],
                ["11", "heat flux", "2-3"], ["14", "convection", "2-3"], ["16", "convection", "2-3"],
                ["18", "convection", "2-3"], ["20", "convection", "2-3"], ["20", "heat flux", "1-3"]]
            assert len(browser.find_elements(By.CSS_SELECTOR, "#field [data-element]")) == 20
        # Lines 13 and 14 swapped, run by the button: heat2d's faults, a line each.
        shipped = data("../../examples/elements.txt").splitlines()
        run_typed(shipped[:12] + shipped[13:11:-1] + shipped[14:], lambda _: browser.find_element(By.ID, "run").click())
        ran(2)
        assert [li.text for li in browser.find_elements(By.CSS_SELECTOR, "#errors li")] == [
            "heat2d: element 14: its convection side 15-10 is not a side of the outline on the right edge (x = 4.5)",
            "heat2d: side 14-15 of the right edge (x = 4.5) gets no convection; it needs it once"]
        # The field shows the sides that the table gives a term in this file: 10-15, not 14-15.
        assert sides("#field") == [("convection", "10-15")] + RIGHT_EDGE[1:] + NOTCH_AND_TOP, sides("#field")
        # Another valid one, run from the keyboard: nothing of the last run is left.
        run_typed(data("other_elements.txt").splitlines(), lambda box: box.send_keys(Keys.CONTROL, Keys.ENTER))
        ran(3)
        assert (text("#console"), text("#errors")) == (data("other_console.txt"), "")
        browser.execute_script("document.getElementById('field').scrollIntoView()")
        browser.save_screenshot(os.path.join(site, "..", "page.png"))
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
    main(os.path.abspath(sys.argv[1]))
