#!/usr/bin/python3
"""The solo game as a screen reader meets it: the real program on a private X server,
a private session bus and accessibility bus, read and played through AT-SPI only.

Starts the game and finds the dice by their accessible names, rolls by the ROLL DICE button's action,
reads the new dice from their names and holds one by its toggle action.
Usage: tst_atspi.py VIMBREL_EXE. Exits 77 (skipped) where the buses cannot start.
"""
import os
import re
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time
import warnings

SKIP = 77
LAUNCHER = "/usr/libexec/at-spi-bus-launcher"
DIE = re.compile(r"^Die (\d+), (?:not rolled|(yellow|blue|green|pink), (wild|\d+)(, held)?)$")


def skip(why):
    print("SKIP: " + why)
    sys.exit(SKIP)


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def wait_for(what, check, seconds=20.0):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        got = check()
        if got:
            return got
        time.sleep(0.2)
    raise AssertionError("timed out waiting for " + what)


class Daemons:
    """Every process the test starts, each in its own process group, all marked in
    their environment so that anything they start in turn can be found and stopped."""

    def __init__(self, marker):
        self.marker = marker
        self.procs = []

    def start(self, args, env, **kw):
        env = dict(env, VIMBREL_ATSPI_RUN=self.marker)
        p = subprocess.Popen(args, env=env, start_new_session=True, **kw)
        self.procs.append(p)
        return p

    def marked(self):
        pids = []
        for pid in os.listdir("/proc"):
            if not pid.isdigit() or int(pid) == os.getpid():
                continue
            try:
                with open("/proc/%s/environ" % pid, "rb") as f:
                    if ("VIMBREL_ATSPI_RUN=" + self.marker).encode() in f.read().split(b"\0"):
                        pids.append(int(pid))
            except OSError:
                pass
        return pids

    def stop(self):
        for p in reversed(self.procs):
            if p.poll() is None:
                p.terminate()
                try:
                    p.wait(5)
                except subprocess.TimeoutExpired:
                    os.killpg(p.pid, signal.SIGKILL)
                    p.wait()
        # What the buses started on their own (the registry daemon, the launcher's bus).
        left = self.marked()
        for pid in left:
            try:
                os.kill(pid, signal.SIGTERM)
            except ProcessLookupError:
                pass
        wait_for_gone = time.monotonic() + 5
        while self.marked() and time.monotonic() < wait_for_gone:
            time.sleep(0.1)
        for pid in self.marked():
            os.kill(pid, signal.SIGKILL)
        still = self.marked()
        if still:
            raise AssertionError("daemons still running: %s" % still)
        return left


def start_buses(daemons, env):
    xvfb = daemons.start(["Xvfb", "-displayfd", "1", "-noreset", "-nolisten", "tcp",
                          "-screen", "0", "1280x1024x24"], env,
                         stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    display = xvfb.stdout.readline().decode().strip()
    if not display:
        skip("Xvfb did not start")
    env["DISPLAY"] = ":" + display
    bus = daemons.start(["dbus-daemon", "--session", "--nofork", "--print-address=1"], env,
                        stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    address = bus.stdout.readline().decode().strip()
    if not address:
        skip("the private D-Bus session bus did not start")
    env["DBUS_SESSION_BUS_ADDRESS"] = address
    daemons.start([LAUNCHER, "--launch-immediately"], env,
                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    probe = ["dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus",
             "/org/a11y/bus", "org.a11y.Bus.GetAddress"]
    end = time.monotonic() + 10
    while time.monotonic() < end:
        r = subprocess.run(probe, env=env, capture_output=True)
        if r.returncode == 0 and b"unix:" in r.stdout:
            return
        time.sleep(0.2)
    skip("the accessibility bus did not start")


def descendants(node, depth=0):
    if node is None or depth > 30:
        return
    yield node
    for i in range(node.get_child_count()):
        yield from descendants(node.get_child_at_index(i), depth + 1)


def do_action(Atspi, node, wanted):
    with warnings.catch_warnings():  # its replacement is not in Debian 12's bindings
        warnings.simplefilter("ignore", DeprecationWarning)
        names = [node.get_action_name(i) for i in range(node.get_n_actions())]
    for i, n in enumerate(names):
        if n.lower() == wanted:
            return node.do_action(i)
    raise AssertionError("%s has no action %r (it has %s)" % (node.get_name(), wanted, names))


def play(Atspi, app):
    def controls():
        app.clear_cache()
        dice, roll = {}, None
        for node in descendants(app):
            name = node.get_name() or ""
            m = DIE.match(name)
            if m and node.get_role() == Atspi.Role.CHECK_BOX:
                dice[int(m.group(1))] = (node, m)
            elif name == "Roll Dice" and node.get_role() == Atspi.Role.PUSH_BUTTON:
                roll = node
        return dice, roll

    def showing(node):
        s = node.get_state_set()
        return s.contains(Atspi.StateType.SHOWING) and s.contains(Atspi.StateType.ENABLED)

    def button(name):
        app.clear_cache()
        for node in descendants(app):
            if node.get_name() == name and node.get_role() == Atspi.Role.PUSH_BUTTON:
                return node if showing(node) else None
        return None

    # The solo table is ours; its START GAME deals the first turn (ours or Klot's).
    do_action(Atspi, wait_for("START GAME on show", lambda: button("Start Game")), "press")
    wait_for("ROLL DICE on show", lambda: button("Roll Dice"), 60)
    dice, roll = controls()
    assert roll is not None
    assert sorted(dice) == list(range(1, 11)), sorted(dice)
    before = [dice[k][0].get_name() for k in range(1, 11)]
    print("before the roll:", before)
    assert all(n.endswith("not rolled") for n in before), before

    do_action(Atspi, roll, "press")

    def rolled():
        d, _ = controls()
        return d if len(d) == 10 and all(m.group(2) for _, m in d.values()) else None
    dice = wait_for("the rolled dice's names", rolled)
    after = [dice[k][0].get_name() for k in range(1, 11)]
    print("after the roll:", after)
    for k in range(1, 11):
        value = dice[k][1].group(3)
        # Wilds are only on dice 1 to 4 (before any sort, places are die numbers).
        assert value == "wild" and k <= 4 or value.isdigit() and 1 <= int(value) <= 10, after[k - 1]
        assert not dice[k][1].group(4), after[k - 1]

    node = dice[5][0]
    do_action(Atspi, node, "toggle")

    def held():
        app.clear_cache()
        return node.get_name().endswith(", held") and \
            node.get_state_set().contains(Atspi.StateType.CHECKED)
    wait_for("die 5 held", held)
    print("held:", node.get_name())


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: tst_atspi.py VIMBREL_EXE")
    exe = sys.argv[1]
    for tool in ("Xvfb", "dbus-daemon", "dbus-send"):
        if not any(os.access(os.path.join(d, tool), os.X_OK)
                   for d in os.environ.get("PATH", "").split(os.pathsep)):
            skip("needs %s (./dev installs it)" % tool)
    if not os.access(LAUNCHER, os.X_OK):
        skip("needs the AT-SPI bus launcher (at-spi2-core)")
    try:
        import gi
        gi.require_version("Atspi", "2.0")
    except (ImportError, ValueError) as e:
        skip("needs python3-gi and gir1.2-atspi-2.0: %s" % e)

    tmp = tempfile.mkdtemp(prefix="vimbrel-atspi.")
    env = {k: v for k, v in os.environ.items()
           if not k.startswith(("DBUS_", "AT_SPI", "DISPLAY", "WAYLAND"))}
    for sub in ("home", "config", "data", "cache", "runtime", "program"):
        os.makedirs(os.path.join(tmp, sub), mode=0o700)
    env.update(HOME=tmp + "/home", XDG_CONFIG_HOME=tmp + "/config",
               XDG_DATA_HOME=tmp + "/data", XDG_CACHE_HOME=tmp + "/cache",
               XDG_RUNTIME_DIR=tmp + "/runtime", VIMBREL_PROGRAM_DIR=tmp + "/program",
               VIMBREL_PORT=str(free_port()), VIMBREL_LOBBY_PORT=str(free_port()))
    daemons = Daemons(tmp)
    try:
        start_buses(daemons, env)
        game_env = dict(env, QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
        game = daemons.start([exe], game_env, stdout=subprocess.DEVNULL,
                             stderr=open(tmp + "/vimbrel.log", "wb"))
        # This process reads the same buses as the game.
        for key in ("DISPLAY", "DBUS_SESSION_BUS_ADDRESS", "HOME", "XDG_RUNTIME_DIR"):
            os.environ[key] = env[key]
        from gi.repository import Atspi
        Atspi.init()
        desktop = Atspi.get_desktop(0)

        def the_game():
            for i in range(desktop.get_child_count()):
                a = desktop.get_child_at_index(i)
                if a is not None and a.get_process_id() == game.pid:
                    return a
            return None
        app = wait_for("the game on the accessibility bus", the_game, 30)
        play(Atspi, app)
        assert game.poll() is None, "the game ended"
        print("PASS")
    finally:
        left = daemons.stop()
        print("stopped; the buses had started %d more processes, all stopped" % len(left))
        shutil.rmtree(tmp, ignore_errors=True)


if __name__ == "__main__":
    main()
