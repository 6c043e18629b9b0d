"""The three browser engines behind one face, each driven by WebDriver:
Chromium and WebKitGTK by Selenium (classic WebDriver), Firefox by its own
WebDriver BiDi over a WebSocket. An engine opens an address, calls an async
function body in the page with JSON arguments (`args`) and gives its value as
JSON, clicks at a point of the viewport and presses keys, both as real input
actions. opened(name) gives one, or a reason it cannot."""
import asyncio
import json
import os
import re
import shutil
import subprocess
import tempfile
import threading

WIDTH, HEIGHT = 1280, 800
MINIBROWSER = "/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser"
# The body of an async function whose value comes back as JSON text; what it
# throws comes back as {thrown: message}.
WRAPPED = ("(async (args) => {{ {body}\n}})(JSON.parse(text))"
           ".then((value) => JSON.stringify({{value: value === undefined ? null : value}}),"
           " (fault) => JSON.stringify({{thrown: String(fault && fault.stack || fault)}}))")


def served(site):
    """site served on 127.0.0.1 in a thread of its own, logging nothing: the
    server, with the address of its index.html (server.address) and each
    request's path and status (server.requests)."""
    import functools
    import http.server

    class Quiet(http.server.SimpleHTTPRequestHandler):
        def log_message(self, *_):
            pass

        def log_request(self, code="-", size="-"):
            self.server.requests.append((self.path, int(code)))

    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), functools.partial(Quiet, directory=site))
    server.requests = []
    server.address = f"http://127.0.0.1:{server.server_address[1]}/index.html"
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


class Native:
    """heat2d and heat2d-elements of a native build, each run in a folder of
    its own on a text saved as its input."""

    def __init__(self, build):
        self.build = build

    def in_folder(self, command, text, name):
        """command on text saved as name: {console, errors, status, files (by name)}."""
        with tempfile.TemporaryDirectory() as folder:
            with open(os.path.join(folder, name), "w", encoding="utf-8", newline="") as stream:
                stream.write(text)
            done = subprocess.run(command, cwd=folder, capture_output=True, stdin=subprocess.DEVNULL, timeout=120,
                                  env=dict(os.environ, HEAT2D_LIBRARY=os.path.join(self.build, "libheat2d.so")))
            files = {}
            for file in sorted(os.listdir(folder)):
                with open(os.path.join(folder, file), encoding="utf-8", newline="") as stream:
                    files[file] = stream.read()
        return {"console": done.stdout.decode(), "errors": done.stderr.decode(), "status": done.returncode,
                "files": files}

    def run(self, text, *options):
        """heat2d with options on text as elements.txt."""
        return self.in_folder([os.path.join(self.build, "heat2d"), *options], text, "elements.txt")

    def number(self, text, *options):
        """The elements.txt that heat2d-elements writes of text as mine.txt."""
        import sys
        tool = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools", "number_elements.py")
        done = self.in_folder([sys.executable, tool, "mine.txt", *options], text, "mine.txt")
        assert done["status"] == 0, done["errors"]
        return done["files"]["elements.txt"]


class Thrown(AssertionError):
    """The page threw: its message."""


def _value(text):
    answer = json.loads(text)
    if "thrown" in answer:
        raise Thrown(answer["thrown"])
    return answer["value"]


class Classic:
    """An engine through Selenium's WebDriver."""

    def __init__(self, driver):
        self.driver = driver
        driver.set_script_timeout(120)
        driver.set_window_size(WIDTH, HEIGHT)

    def open(self, address):
        self.driver.get(address)

    def call(self, body, *args):
        script = f"const text = arguments[0], done = arguments[1]; {WRAPPED.format(body=body)}.then(done)"
        return _value(self.driver.execute_async_script(script, json.dumps(args)))

    def click(self, x, y):
        from selenium.webdriver.common.actions.action_builder import ActionBuilder
        actions = ActionBuilder(self.driver)
        actions.pointer_action.move_to_location(int(x), int(y))
        actions.pointer_action.click()
        actions.perform()

    def keys(self, *keys):
        from selenium.webdriver.common.action_chains import ActionChains
        ActionChains(self.driver).send_keys(*keys).perform()

    def close(self):
        self.driver.quit()


class Bidi:
    """Firefox through WebDriver BiDi: started headless in a profile of its
    own, the address of its WebSocket read from its standard error."""

    def __init__(self, firefox):
        import websockets
        self.profile = tempfile.TemporaryDirectory()
        self.process = subprocess.Popen([firefox, "--headless", "--no-remote", "--remote-debugging-port", "0",
                                         "--profile", self.profile.name, "about:blank"], stdin=subprocess.DEVNULL,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
        found = threading.Event()

        def drain():  # read to its end, so that Firefox never waits on a full pipe
            for line in self.process.stderr:
                match = re.search(r"WebDriver BiDi listening on (ws://\S+)", line)
                if match and not found.is_set():
                    self.address = match.group(1)
                    found.set()
            found.set()
        self.address = None
        threading.Thread(target=drain, daemon=True).start()
        found.wait(90)
        if not self.address:
            self.close()
            raise RuntimeError("Firefox gave no WebDriver BiDi address")
        self.loop = asyncio.new_event_loop()
        asyncio.set_event_loop(self.loop)

        async def connect():
            return await websockets.connect(self.address + "/session", max_size=1 << 26)
        self.socket = self._await(connect())
        self.number = 0
        self.send("session.new", {"capabilities": {}})
        self.context = self.send("browsingContext.getTree", {})["contexts"][0]["context"]
        self.send("browsingContext.setViewport", {"context": self.context,
                                                  "viewport": {"width": WIDTH, "height": HEIGHT}})

    def _await(self, coroutine, seconds=120):
        return self.loop.run_until_complete(asyncio.wait_for(coroutine, seconds))

    def send(self, method, params):
        """A command's result; its events, unasked for, are passed over."""
        self.number += 1
        number = self.number

        async def exchange():
            await self.socket.send(json.dumps({"id": number, "method": method, "params": params}))
            while True:
                message = json.loads(await self.socket.recv())
                if message.get("id") == number:
                    return message
        message = self._await(exchange())
        if message.get("type") == "error":
            raise AssertionError(f"{method}: {message.get('error')}: {message.get('message')}")
        return message["result"]

    def open(self, address):
        self.send("browsingContext.navigate", {"context": self.context, "url": address, "wait": "complete"})

    def call(self, body, *args):
        answer = self.send("script.callFunction", {
            "functionDeclaration": f"(text) => {WRAPPED.format(body=body)}", "awaitPromise": True,
            "target": {"context": self.context}, "arguments": [{"type": "string", "value": json.dumps(args)}]})
        if answer["type"] == "exception":
            raise Thrown(answer["exceptionDetails"]["text"])
        return _value(answer["result"]["value"])

    def _act(self, kind, name, actions, parameters=None):
        """One input source's actions, as the protocol has them."""
        source = {"type": kind, "id": name, "actions": actions, **({"parameters": parameters} if parameters else {})}
        self.send("input.performActions", {"context": self.context, "actions": [source]})

    def click(self, x, y):
        self._act("pointer", "mouse", [{"type": "pointerMove", "x": int(x), "y": int(y)},
                                       {"type": "pointerDown", "button": 0}, {"type": "pointerUp", "button": 0}],
                  {"pointerType": "mouse"})

    def keys(self, *keys):
        self._act("key", "keyboard", [{"type": kind, "value": key} for key in "".join(keys)
                                      for kind in ("keyDown", "keyUp")])

    def close(self):
        try:
            if getattr(self, "socket", None):
                self._await(self.socket.close(), 10)
        finally:
            self.process.kill()
            self.process.wait()
            self.profile.cleanup()


def opened(name):
    """(engine, None), or (None, why it cannot be tried on this machine)."""
    try:
        import selenium  # noqa: F401
    except ImportError:
        return None, "python3-selenium is not installed"
    from selenium import webdriver
    if name == "chromium":
        if not (shutil.which("chromium") and shutil.which("chromedriver")):
            return None, "chromium and chromium-driver are not installed"
        options = webdriver.ChromeOptions()
        options.binary_location = shutil.which("chromium")
        for argument in ["--headless", "--no-sandbox", "--disable-gpu", f"--window-size={WIDTH},{HEIGHT}"]:
            options.add_argument(argument)
        return Classic(webdriver.Chrome(options=options)), None
    if name == "firefox":
        try:
            import websockets  # noqa: F401
        except ImportError:
            return None, "python3-websockets is not installed"
        firefox = shutil.which("firefox-esr") or shutil.which("firefox")
        return (Bidi(firefox), None) if firefox else (None, "firefox-esr is not installed")
    if name == "webkit":
        if not (shutil.which("WebKitWebDriver") and os.path.isfile(MINIBROWSER)):
            return None, "webkit2gtk-driver is not installed"
        if not os.environ.get("DISPLAY"):
            return None, "WebKitGTK needs a display: run under xvfb-run (Debian's xvfb)"
        from selenium.webdriver.webkitgtk.options import Options
        options = Options()
        options.binary_location = MINIBROWSER
        options.add_argument("--automation")
        return Classic(webdriver.WebKitGTK(options=options)), None
    raise ValueError(f"no engine is named {name}")
