#!/usr/bin/python3
"""The lobby's web page in Debian's Chromium, headless, against a real lobby server.

In a network namespace the test makes, it starts the lobby server with its bot (the
project's runner, which serves the page), opens the page in Chromium driven over the
DevTools protocol (--remote-debugging-pipe: JSON messages ending in NUL on fds 3 and 4),
then starts a vimbrel-host whose table name holds markup. The page must list the table
(the time from the host's announcement is printed), show its name as text only, and
offer the Play link of its address. Everything it started is stopped by PID.

Usage: tst_webpage.py RUNNER BOT HOST. Exits 77 (skipped) where namespaces, ejabberd,
Chromium or the page's library cannot be had. VIMBREL_SCREENSHOT_DIR, when set, keeps
screenshots of the page there.
"""
import base64
import fcntl
import json
import os
import select
import subprocess
import sys
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "common"))
from lobbyserver import (LobbyServer, ejabberd_missing, lobby_test_folders,  # noqa: E402
                         report, stop_server_and_rest)
from netmachines import namespaces_work  # noqa: E402
from privatedesktop import skip, wait_for  # noqa: E402

DOMAIN = "lobby.localhost"  # Chromium resolves *.localhost to loopback by itself
HTTP_PORT = 5280  # the namespace is the test's own: no other server is there
TABLE_PORT = 27800
# Markup and an entity, within the 32 characters of a name.
TABLE_NAME = "<b>Ann</b>&amp;<img src=x>"
CHROMIUM = ("/usr/lib/chromium/chromium", "/usr/bin/chromium")
LIBRARY = os.path.join(HERE, "..", "..", "web", "node_modules", "strophe.js", "dist",
                       "strophe.umd.min.js")


def high(fd):
    new = fcntl.fcntl(fd, fcntl.F_DUPFD_CLOEXEC, 10)
    os.close(fd)
    return new


class DevTools:
    """Chromium driven over --remote-debugging-pipe, one page attached in flat mode."""

    def __init__(self, daemons, machine, exe, profile, log):
        # Every end above 3 and 4, which the child's copies take, and closed on exec; the
        # copies alone are inherited.
        to_child, self.wr, self.rd, from_child = (high(fd) for fd in os.pipe() + os.pipe())

        def pipes_on_3_and_4():
            os.dup2(to_child, 3)
            os.dup2(from_child, 4)

        args = [exe, "--headless=new", "--no-sandbox", "--disable-gpu",
                "--remote-debugging-pipe", "--user-data-dir=" + profile, "--no-first-run",
                "--no-default-browser-check", "--disable-extensions", "--disable-sync",
                "--disable-background-networking", "--disable-component-update",
                "--disable-default-apps", "--mute-audio", "about:blank"]
        self.proc = daemons.start(machine.prefix() + args, dict(os.environ, HOME=profile),
                                  stdin=subprocess.DEVNULL, stdout=log, stderr=log,
                                  preexec_fn=pipes_on_3_and_4, close_fds=False)
        os.close(to_child)
        os.close(from_child)
        self.buf = b""
        self.next_id = 0
        self.events = []
        self.session = None

    def _read(self, deadline):
        while b"\0" not in self.buf:
            left = deadline - time.monotonic()
            ready, _, _ = select.select([self.rd], [], [], max(left, 0))
            if not ready:
                raise AssertionError("Chromium did not answer over DevTools")
            chunk = os.read(self.rd, 1 << 16)
            if not chunk:
                raise AssertionError("Chromium closed its DevTools pipe")
            self.buf += chunk
        msg, self.buf = self.buf.split(b"\0", 1)
        return json.loads(msg)

    def call(self, method, params=None, page=True, timeout=30):
        self.next_id += 1
        msg = {"id": self.next_id, "method": method, "params": params or {}}
        if page and self.session:
            msg["sessionId"] = self.session
        os.write(self.wr, json.dumps(msg).encode() + b"\0")
        deadline = time.monotonic() + timeout
        while True:
            got = self._read(deadline)
            if got.get("id") != self.next_id:
                self.events.append(got)
                continue
            if "error" in got:
                raise AssertionError("%s: %s" % (method, got["error"]))
            return got["result"]

    def attach(self):
        pages = [t for t in self.call("Target.getTargets", page=False)["targetInfos"]
                 if t["type"] == "page"]
        if not pages:
            raise AssertionError("Chromium opened no page")
        self.session = self.call("Target.attachToTarget",
                                 {"targetId": pages[0]["targetId"], "flatten": True},
                                 page=False)["sessionId"]

    def size(self, width, height):
        self.call("Emulation.setDeviceMetricsOverride",
                  {"width": width, "height": height, "deviceScaleFactor": 1, "mobile": False})

    def value(self, expression):
        got = self.call("Runtime.evaluate", {"expression": expression, "returnByValue": True})
        if "exceptionDetails" in got:
            raise AssertionError("%s: %s" % (expression, got["exceptionDetails"]))
        return got["result"].get("value")

    def screenshot(self, path):
        data = self.call("Page.captureScreenshot", {"format": "png"})["data"]
        with open(path, "wb") as f:
            f.write(base64.b64decode(data))

    def close(self):
        for fd in (self.wr, self.rd):
            try:
                os.close(fd)
            except OSError:
                pass


class Lines:
    """A process's output read on a thread, each line with the monotonic time it came."""

    def __init__(self, stream, copy):
        self.lines = []
        self.copy = copy
        threading.Thread(target=self._read, args=(stream,), daemon=True).start()

    def _read(self, stream):
        for raw in iter(stream.readline, b""):
            self.lines.append((time.monotonic(), raw.decode(errors="replace").rstrip("\n")))
            self.copy.write(raw)
            self.copy.flush()

    def first(self, text):
        return next((t for t, line in self.lines if text in line), None)


# What the page shows, read from its document: the rows of each list, and whether any
# element a name's markup would make exists anywhere on the page.
PAGE_STATE = """(() => {
  const text = (root, sel) => { const e = root.querySelector(sel); return e ? e.textContent : null; };
  return {
    status: document.getElementById("status").getAttribute("data-kind"),
    tables: Array.from(document.querySelectorAll("#tables > li")).map((li) => ({
      name: text(li, ".table-name"),
      players: text(li, ".table-players"),
      spectators: text(li, ".table-spectators"),
      state: text(li, ".table-state"),
      href: li.querySelector("a.play") ? li.querySelector("a.play").getAttribute("href") : null,
      nameElements: li.querySelector(".table-name").children.length,
    })),
    online: Array.from(document.querySelectorAll("#online .person-name")).map((e) => e.textContent),
    bestEmpty: !document.getElementById("best-empty").hidden,
    markup: document.querySelectorAll("b, img").length,
  };
})()"""


def chromium():
    return next((c for c in CHROMIUM if os.access(c, os.X_OK)), None)


def main():
    if len(sys.argv) != 4:
        sys.exit("usage: tst_webpage.py RUNNER BOT HOST")
    runner, bot, host_exe = (os.path.realpath(a) for a in sys.argv[1:])
    why = ejabberd_missing() or namespaces_work()
    if why:
        skip(why)
    browser = chromium()
    if not browser:
        skip("needs Debian's chromium (./dev installs it)")
    if not os.path.isfile(LIBRARY):
        skip("needs the page's library: npm ci in web/ (./dev does)")
    tmp, daemons, machines = lobby_test_folders("vimbrel-webpage.", (runner, bot, host_exe))
    began = time.monotonic()
    failures = []
    server = browser_ = host = None
    try:
        a = machines.add("A")
        # Chromium starts while the server does.
        browser_ = DevTools(daemons, a, browser, os.path.join(tmp, "chromium"),
                            open(os.path.join(tmp, "chromium.log"), "wb"))
        server = LobbyServer(daemons, a, runner, os.path.join(tmp, "server"), [
            "--domain", DOMAIN, "--listen", "127.0.0.1", "--http-port", str(HTTP_PORT),
            "--bot", bot])
        secret = os.path.join(tmp, "tablehost.password")
        with open(secret, "w") as f:
            f.write("tablehost-secret\n")
        os.chmod(secret, 0o600)
        server.register("tablehost", "tablehost-secret")
        print("server ready %.1f s after the start" % (time.monotonic() - began), flush=True)

        browser_.attach()
        browser_.size(1000, 760)
        browser_.call("Page.navigate", {"url": "http://%s:%d/lobby/" % (DOMAIN, HTTP_PORT)})
        wait_for("the page in the lobby's room",
                 lambda: browser_.value("document.getElementById('status')"
                                        "?.getAttribute('data-kind') === 'ok'"), 20, 0.05)
        state = browser_.value(PAGE_STATE)
        assert state["tables"] == [], "tables before any was announced: %s" % state["tables"]

        started = time.monotonic()
        host = daemons.start(a.prefix() + [
            host_exe, "--port", str(TABLE_PORT), "--lobby-server", "127.0.0.1:%d" % server.c2s,
            "--lobby-account", "tablehost@" + DOMAIN, "--lobby-password-file", secret,
            "--lobby-address", "127.0.0.1", "--lobby-table-name", TABLE_NAME],
            os.environ, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        out = Lines(host.stdout, open(os.path.join(tmp, "host.log"), "wb"))
        state = wait_for("the host's table on the page",
                         lambda: (lambda s: s if s["tables"] else None)(browser_.value(PAGE_STATE)),
                         20, 0.02)
        seen = time.monotonic()
        announced = wait_for("the host's log of its announcement",
                             lambda: out.first("lobby: announced"), 5, 0.02)
        print("the page listed the table %.2f s after the host logged its announcement, "
              "%.2f s after the host started (goal: within 2 s)"
              % (seen - announced, seen - started), flush=True)

        check(state)
        shots = os.environ.get("VIMBREL_SCREENSHOT_DIR") or tmp
        os.makedirs(shots, exist_ok=True)
        browser_.screenshot(os.path.join(shots, "webpage.png"))
        browser_.size(380, 760)
        browser_.screenshot(os.path.join(shots, "webpage-narrow.png"))
        print("screenshots in " + shots, flush=True)
    except AssertionError as e:
        failures.append(str(e))
    finally:
        failures += stop_all(daemons, machines, server, host, browser_)
    report(failures, tmp, began)


def check(state):
    assert len(state["tables"]) == 1, state["tables"]
    t = state["tables"][0]
    # Shown as the text it is: the same characters, and no element made from them.
    assert t["name"] == TABLE_NAME, "the name shows as %r, not %r" % (t["name"], TABLE_NAME)
    assert t["nameElements"] == 0 and state["markup"] == 0, \
        "the name's markup made elements on the page: %s" % state
    assert t["href"] == "vimbrel://join/127.0.0.1:%d" % TABLE_PORT, "Play links to %r" % t["href"]
    assert (t["players"], t["spectators"], t["state"]) == ("0/4 players", "0/5 spectators",
                                                         "waiting"), t
    # The host is online; the bot and the page itself are not listed.
    assert state["online"] == ["tablehost"], "online: %s" % state["online"]
    # This bot has no rated games to show.
    assert state["bestEmpty"], state


def stop_all(daemons, machines, server, host, browser):
    failures = []
    if browser is not None:
        browser.close()
    for proc in (host, browser.proc if browser else None):
        if proc is not None:
            daemons.stop_one(proc)
    return stop_server_and_rest(daemons, machines, server, failures)


if __name__ == "__main__":
    main()
