#!/usr/bin/env python3
"""Loads the admin dashboard in headless Chromium over the DevTools protocol
(on a pipe, so nothing else can reach it), as a maker's browser would:
with the token as a header, light and dark, at a desktop's and a phone's
width. Prints what the page showed, a line `VIEW KEY VALUE` each (table
rows as the stats command's CSV has them), a line `problem TEXT` for each
console message, error or failed load, and saves a screenshot.

usage: dashboard_probe.py URL TOKEN SCREENSHOT PROFILE_DIR"""
import base64
import json
import os
import subprocess
import sys
import time

URL, TOKEN, SCREENSHOT, PROFILE = sys.argv[1:5]
TIMEOUT = 30

# What the page shows, read from the DOM.
READ_PAGE = """JSON.stringify({
  marks: document.querySelectorAll('svg g.day').length,
  rows: [...document.querySelectorAll('tbody tr, tfoot tr')].map(r =>
      [...r.cells].map(c => c.textContent).join(',')),
  cards: [...document.querySelectorAll('.cards b')].map(b => b.id + '=' + b.textContent),
  scripts: document.scripts.length,
  resources: performance.getEntriesByType('resource').length,
  background: getComputedStyle(document.body).backgroundColor,
  overflow: document.documentElement.scrollWidth > window.innerWidth,
})"""


class Browser:
    def __init__(self):
        to_browser_r, self.to_browser = os.pipe()
        self.from_browser, from_browser_w = os.pipe()

        # The pipe's ends may already be 3 or 4: moved out of the way first.
        def fds():
            reading, writing = os.dup(to_browser_r), os.dup(from_browser_w)
            os.dup2(reading, 3)
            os.dup2(writing, 4)

        args = ["chromium", "--headless", "--remote-debugging-pipe", "--no-first-run",
                "--disable-gpu", "--no-default-browser-check", "--disable-extensions",
                "--user-data-dir=" + PROFILE, "about:blank"]
        if os.geteuid() == 0:
            args.insert(1, "--no-sandbox")  # the sandbox refuses to run as root
        env = dict(os.environ, HOME=PROFILE, XDG_CONFIG_HOME=PROFILE, XDG_CACHE_HOME=PROFILE)
        self.process = subprocess.Popen(args, preexec_fn=fds, close_fds=False, env=env,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(to_browser_r)
        os.close(from_browser_w)
        self.next_id = 0
        self.buffer = b""
        self.events = []

    def read(self):
        while b"\0" not in self.buffer:
            chunk = os.read(self.from_browser, 65536)
            if not chunk:
                raise RuntimeError("the browser went away")
            self.buffer += chunk
        message, self.buffer = self.buffer.split(b"\0", 1)
        return json.loads(message)

    def call(self, method, session=None, **params):
        self.next_id += 1
        message = {"id": self.next_id, "method": method, "params": params}
        if session:
            message["sessionId"] = session
        os.write(self.to_browser, json.dumps(message).encode() + b"\0")
        deadline = time.monotonic() + TIMEOUT
        while time.monotonic() < deadline:
            reply = self.read()
            if reply.get("id") == self.next_id:
                if "error" in reply:
                    raise RuntimeError(f"{method}: {reply['error']}")
                return reply["result"]
            self.events.append(reply)
        raise RuntimeError(f"{method}: no answer")

    def wait_for(self, method):
        deadline = time.monotonic() + TIMEOUT
        for i, event in enumerate(self.events):
            if event.get("method") == method:
                return self.events.pop(i)
        while time.monotonic() < deadline:
            event = self.read()
            if event.get("method") == method:
                return event
            self.events.append(event)
        raise RuntimeError(f"no {method}")


def main():
    browser = Browser()
    try:
        target = browser.call("Target.createTarget", url="about:blank")["targetId"]
        session = browser.call("Target.attachToTarget", targetId=target, flatten=True)["sessionId"]
        for domain in ("Page", "Runtime", "Log", "Network"):
            browser.call(domain + ".enable", session)
        browser.call("Network.setExtraHTTPHeaders", session,
                     headers={"Authorization": "Bearer " + TOKEN})
        views = {}
        for name, width, scheme in (("phone-dark", 360, "dark"), ("desktop", 1100, "light")):
            browser.call("Emulation.setDeviceMetricsOverride", session, width=width, height=900,
                         deviceScaleFactor=1, mobile=width < 600)
            browser.call("Emulation.setEmulatedMedia", session,
                         features=[{"name": "prefers-color-scheme", "value": scheme}])
            browser.call("Page.navigate", session, url=URL)
            browser.wait_for("Page.loadEventFired")
            result = browser.call("Runtime.evaluate", session, expression=READ_PAGE,
                                  returnByValue=True)
            views[name] = json.loads(result["result"]["value"])
        height = browser.call("Runtime.evaluate", session, returnByValue=True,
                              expression="document.documentElement.scrollHeight")
        shot = browser.call("Page.captureScreenshot", session, format="png",
                            captureBeyondViewport=True,
                            clip={"x": 0, "y": 0, "width": 1100,
                                  "height": min(height["result"]["value"], 1400), "scale": 1})
        with open(SCREENSHOT, "wb") as out:
            out.write(base64.b64decode(shot["data"]))
        # A console message, an uncaught error or a failed or blocked load.
        problems = []
        for event in browser.events:
            method, params = event.get("method"), event.get("params", {})
            if method == "Runtime.exceptionThrown":
                problems.append(params["exceptionDetails"].get("text", "exception"))
            elif (method == "Runtime.consoleAPICalled"
                  and params.get("type") in ("error", "warning")):
                problems.append(str(params.get("args")))
            elif method == "Log.entryAdded" and params["entry"]["level"] in ("error", "warning"):
                problems.append(params["entry"]["text"])
            elif method == "Network.loadingFailed":
                problems.append("load failed: " + params.get("errorText", ""))
        for name, seen in views.items():
            for key, value in seen.items():
                for item in value if isinstance(value, list) else [value]:
                    print(name, key, json.dumps(item) if isinstance(item, bool) else item)
        for problem in problems:
            print("problem", problem.replace("\n", " "))
    finally:
        browser.process.kill()
        browser.process.wait()


main()
