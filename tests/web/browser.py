"""Headless Chromium driven over the DevTools protocol, for the tests of the
web player: Debian's chromium renders WebGL in software (SwiftShader), and
talks over a pipe (--remote-debugging-pipe: JSON messages ended by a NUL
byte, commands on its file descriptor 3, answers and events on 4), so
nothing but the standard library is needed. Pages are served by a local
HTTP server on a free port."""

import base64
import fcntl
import functools
import http.server
import json
import os
import shutil
import subprocess
import tempfile
import threading
import time

CHROMIUM = os.environ.get("QUADRELUME_CHROMIUM", "/usr/bin/chromium")

# Software WebGL, and nothing that reaches for the network or a profile.
FLAGS = [
    "--headless=new", "--use-angle=swiftshader", "--enable-unsafe-swiftshader", "--no-sandbox", "--disable-gpu",
    "--disable-quic", "--no-first-run", "--disable-background-networking", "--disable-component-update",
    "--disable-sync", "--remote-debugging-pipe",
]


class Site:
    """Serves `folder` over HTTP on 127.0.0.1 until closed."""

    def __init__(self, folder):
        handler = functools.partial(_QuietHandler, directory=folder)
        self.server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
        self.url = "http://127.0.0.1:%d/" % self.server.server_address[1]
        threading.Thread(target=self.server.serve_forever, daemon=True).start()

    def close(self):
        self.server.shutdown()
        self.server.server_close()


class _QuietHandler(http.server.SimpleHTTPRequestHandler):
    extensions_map = dict(http.server.SimpleHTTPRequestHandler.extensions_map, **{".wasm": "application/wasm"})

    def log_message(self, *args):
        pass


class Browser:
    """One Chromium with a fresh profile; closed by close()."""

    def __init__(self, extra_flags=()):
        self.profile = tempfile.mkdtemp(prefix="quadrelume-chromium-")
        commands_read, commands_write = os.pipe()
        answers_read, answers_write = os.pipe()

        def on_fds_3_and_4():
            # Out of the way first: either pipe may itself be on 3 or 4.
            commands = fcntl.fcntl(commands_read, fcntl.F_DUPFD, 10)
            answers = fcntl.fcntl(answers_write, fcntl.F_DUPFD, 10)
            os.dup2(commands, 3)
            os.dup2(answers, 4)

        self.process = subprocess.Popen(
            [CHROMIUM] + FLAGS + list(extra_flags) + ["--user-data-dir=" + self.profile, "about:blank"],
            pass_fds=(3, 4), preexec_fn=on_fds_3_and_4, stdin=subprocess.DEVNULL,
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(commands_read)
        os.close(answers_write)
        self.commands = os.fdopen(commands_write, "wb", buffering=0)
        self.answers = os.fdopen(answers_read, "rb", buffering=0)
        self.pending = b""
        self.last_id = 0
        self.console = []

    def send(self, method, params=None, session=None):
        """Sends a command and gives its result; raises on an error."""
        self.last_id += 1
        message = {"id": self.last_id, "method": method, "params": params or {}}
        if session:
            message["sessionId"] = session
        self.commands.write(json.dumps(message).encode() + b"\0")
        while True:
            answer = self._next()
            if answer.get("method") == "Runtime.consoleAPICalled":
                self.console.append(" ".join(str(a.get("value", "")) for a in answer["params"]["args"]))
            if answer.get("id") == self.last_id:
                if "error" in answer:
                    raise RuntimeError("%s: %s" % (method, answer["error"]))
                return answer["result"]

    def _next(self):
        while b"\0" not in self.pending:
            chunk = self.answers.read(1 << 20)
            if not chunk:
                raise RuntimeError("chromium closed its pipe")
            self.pending += chunk
        message, self.pending = self.pending.split(b"\0", 1)
        return json.loads(message)

    def open(self, width, height, scale=1):
        """A new tab whose viewport is width x height CSS pixels at `scale`
        device pixels each, set before anything loads."""
        target = self.send("Target.createTarget", {"url": "about:blank"})["targetId"]
        session = self.send("Target.attachToTarget", {"targetId": target, "flatten": True})["sessionId"]
        self.send("Emulation.setDeviceMetricsOverride",
                  {"width": width, "height": height, "deviceScaleFactor": scale, "mobile": False}, session)
        self.send("Page.enable", {}, session)
        self.send("Runtime.enable", {}, session)
        return Page(self, session)

    def close(self):
        try:
            self.send("Browser.close")
            self.process.wait(timeout=10)
        except Exception:
            self.process.kill()
            self.process.wait()
        shutil.rmtree(self.profile, ignore_errors=True)


class Page:
    def __init__(self, browser, session):
        self.browser = browser
        self.session = session

    def send(self, method, params=None):
        return self.browser.send(method, params, self.session)

    def resize(self, width, height, scale=1):
        """Gives the viewport another size, as a window resized would."""
        self.send("Emulation.setDeviceMetricsOverride",
                  {"width": width, "height": height, "deviceScaleFactor": scale, "mobile": False})

    def go(self, url):
        """Navigates to `url`; where only the fragment differs from the
        page's, that is the page's own affair."""
        self.send("Page.navigate", {"url": url})

    def load(self, url):
        """Loads `url` afresh, whatever the page was."""
        self.go("about:blank")
        self.go(url)

    def evaluate(self, expression):
        result = self.send("Runtime.evaluate", {"expression": expression, "returnByValue": True,
                                                "awaitPromise": True})
        if "exceptionDetails" in result:
            raise RuntimeError("%s: %s" % (expression, result["exceptionDetails"]))
        return result["result"].get("value")

    def state(self):
        """The player's state as the page shows it (loading, waiting,
        playing, held, halted, failed), the demo time of the frame shown and
        the frames drawn."""
        shown = self.evaluate("document.body ? [document.body.dataset.state || '', document.body.dataset.time || '',"
                              " document.body.dataset.frames || ''] : ['', '', '']")
        return shown[0], float(shown[1] or "nan"), int(shown[2] or "0")

    def wait_for(self, states, seconds=60):
        """Waits until the page's state is one of `states`; gives it."""
        deadline = time.time() + seconds
        while True:
            shown = self.state()
            if shown[0] in states:
                return shown
            if time.time() > deadline:
                raise AssertionError("the page stayed %s, not %s; console: %s" % (shown, states,
                                                                                    self.browser.console[-10:]))
            time.sleep(0.05)

    def message(self):
        return self.evaluate("document.getElementById('message').hidden ? ''"
                             " : document.getElementById('message').textContent")

    def screenshot(self):
        """The viewport as PNG bytes, in device pixels."""
        return base64.b64decode(self.send("Page.captureScreenshot", {"format": "png"})["data"])

    def click(self, x, y):
        for kind in ("mousePressed", "mouseReleased"):
            self.send("Input.dispatchMouseEvent", {"type": kind, "x": x, "y": y, "button": "left", "clickCount": 1})

    def press(self, key):
        for kind in ("keyDown", "keyUp"):
            self.send("Input.dispatchKeyEvent", {"type": kind, "key": key, "text": key if kind == "keyDown" else ""})
