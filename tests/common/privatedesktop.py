"""A private desktop for tests that drive the real programs the way a screen reader does:
an X server, a session bus and an accessibility bus of their own, private folders, and
every process they start marked so that it can be found and stopped by PID.

Qt exposes its widgets to AT-SPI only on the xcb platform (its offscreen platform has no
accessibility bridge), hence Xvfb rather than QT_QPA_PLATFORM=offscreen.
"""
import os
import signal
import socket
import subprocess
import sys
import time
import warnings

SKIP = 77
LAUNCHER = "/usr/libexec/at-spi-bus-launcher"


def skip(why):
    print("SKIP: " + why, flush=True)
    sys.exit(SKIP)


def free_port():
    """A loopback port nobody listens on now, for the game's own ports in a test."""
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def wait_for(what, check, seconds=20.0, step=0.2):
    end = time.monotonic() + seconds
    while True:
        got = check()
        if got:
            return got
        if time.monotonic() >= end:
            raise AssertionError("timed out waiting for " + what)
        time.sleep(step)


def on_path(tool):
    return any(os.access(os.path.join(d, tool), os.X_OK)
               for d in os.environ.get("PATH", "").split(os.pathsep))


def need_desktop_tools():
    """Skips the test (77) when the private desktop cannot be had here."""
    for tool in ("Xvfb", "dbus-daemon", "dbus-send"):
        if not on_path(tool):
            skip("needs %s (./dev installs it)" % tool)
    if not os.access(LAUNCHER, os.X_OK):
        skip("needs the AT-SPI bus launcher (at-spi2-core)")
    try:
        import gi
        gi.require_version("Atspi", "2.0")
    except (ImportError, ValueError) as e:
        skip("needs python3-gi and gir1.2-atspi-2.0: %s" % e)


def private_env(root, base=None):
    """An environment whose HOME, XDG folders and program folder are under `root`, with
    nothing of the caller's desktop (buses, display) left in it."""
    base = os.environ if base is None else base
    env = {k: v for k, v in base.items()
           if not k.startswith(("DBUS_", "AT_SPI", "DISPLAY", "WAYLAND", "XAUTHORITY"))}
    for sub in ("home", "config", "data", "cache", "runtime", "program"):
        os.makedirs(os.path.join(root, sub), mode=0o700, exist_ok=True)
    env.update(HOME=root + "/home", XDG_CONFIG_HOME=root + "/config",
               XDG_DATA_HOME=root + "/data", XDG_CACHE_HOME=root + "/cache",
               XDG_RUNTIME_DIR=root + "/runtime", VIMBREL_PROGRAM_DIR=root + "/program")
    return env


class Daemons:
    """Every process a test starts, each in its own process group, all marked in their
    environment so that anything they start in turn can be found and stopped."""

    KEY = "VIMBREL_TEST_RUN"

    def __init__(self, marker):
        self.marker = marker
        self.procs = []

    def start(self, args, env, **kw):
        env = dict(env, **{self.KEY: self.marker})
        p = subprocess.Popen(args, env=env, start_new_session=True, **kw)
        self.procs.append(p)
        return p

    def marked(self):
        tag = ("%s=%s" % (self.KEY, self.marker)).encode()
        pids = []
        for pid in os.listdir("/proc"):
            if not pid.isdigit() or int(pid) == os.getpid():
                continue
            try:
                with open("/proc/%s/environ" % pid, "rb") as f:
                    if tag in f.read().split(b"\0"):
                        pids.append(int(pid))
            except OSError:
                pass
        return pids

    def stop_one(self, p, seconds=5):
        if p.poll() is None:
            p.terminate()
            try:
                p.wait(seconds)
            except subprocess.TimeoutExpired:
                os.killpg(p.pid, signal.SIGKILL)
                p.wait()

    def stop(self):
        """Stops what it started, newest first, then whatever they started (the buses'
        own daemons, a game a lobby started). Returns the PIDs that had to be found that
        way; raises when any of them would not go."""
        for p in reversed(self.procs):
            self.stop_one(p)
        left = self.marked()
        for pid in left:
            try:
                os.kill(pid, signal.SIGTERM)
            except ProcessLookupError:
                pass
        end = time.monotonic() + 5
        while self.marked() and time.monotonic() < end:
            time.sleep(0.1)
        for pid in self.marked():
            os.kill(pid, signal.SIGKILL)
        still = self.marked()
        if still:
            raise AssertionError("processes still running: %s" % still)
        return left


def start_x(daemons, env, prefix=(), out=None):
    """Starts Xvfb (1280x1024) for `env`, whose DISPLAY it sets."""
    xvfb = daemons.start(list(prefix) + ["Xvfb", "-displayfd", "1", "-noreset", "-nolisten",
                                         "tcp", "-screen", "0", "1280x1024x24"], env,
                         stdout=subprocess.PIPE, stderr=out or subprocess.DEVNULL)
    display = xvfb.stdout.readline().decode().strip()
    if not display:
        skip("Xvfb did not start")
    env["DISPLAY"] = ":" + display


def start_openbox(daemons, env, out=None):
    """Starts openbox on `env`'s display and waits until it manages windows."""
    if not on_path("openbox") or not on_path("xprop"):
        skip("needs openbox and xprop (./dev installs them)")
    daemons.start(["openbox", "--sm-disable"], env, stdout=subprocess.DEVNULL,
                  stderr=out or subprocess.DEVNULL)

    def managing():
        r = subprocess.run(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], env=env,
                           capture_output=True, text=True)
        return r.returncode == 0 and "window id" in r.stdout
    wait_for("openbox to manage the display", managing)


def start_desktop(daemons, env, prefix=(), out=None):
    """Starts Xvfb, a session bus and the accessibility bus for `env` (changed in place),
    each through `prefix` (such as nsenter into a network namespace). `out` is where
    their errors go (a log file), or nowhere."""
    err = out or subprocess.DEVNULL
    start_x(daemons, env, prefix, out)
    # A socket in the file system: abstract ones would not cross network namespaces.
    bus = daemons.start(list(prefix) + ["dbus-daemon", "--session", "--nofork",
                                        "--address=unix:dir=" + env["XDG_RUNTIME_DIR"],
                                        "--print-address=1"], env,
                        stdout=subprocess.PIPE, stderr=err)
    address = bus.stdout.readline().decode().strip()
    if not address:
        skip("the private D-Bus session bus did not start")
    env["DBUS_SESSION_BUS_ADDRESS"] = address
    daemons.start(list(prefix) + [LAUNCHER, "--launch-immediately"], env,
                  stdout=subprocess.DEVNULL, stderr=err)
    probe = ["dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus",
             "/org/a11y/bus", "org.a11y.Bus.GetAddress"]
    end = time.monotonic() + 10
    while time.monotonic() < end:
        r = subprocess.run(list(prefix) + probe, env=env, capture_output=True)
        if r.returncode == 0 and b"unix:" in r.stdout:
            return
        time.sleep(0.2)
    skip("the accessibility bus did not start")


def gui_env(env):
    """What a Qt program needs to show itself to AT-SPI on the private desktop."""
    return dict(env, QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")


# --- AT-SPI, for the process that reads the private desktop ------------------------


def atspi_for(env):
    """Points this process at `env`'s desktop and returns the Atspi module."""
    for key in ("DISPLAY", "DBUS_SESSION_BUS_ADDRESS", "HOME", "XDG_RUNTIME_DIR"):
        os.environ[key] = env[key]
    import gi
    gi.require_version("Atspi", "2.0")
    from gi.repository import Atspi
    Atspi.init()
    return Atspi


def app_of(Atspi, pid):
    desktop = Atspi.get_desktop(0)
    for i in range(desktop.get_child_count()):
        a = desktop.get_child_at_index(i)
        if a is not None and a.get_process_id() == pid:
            return a
    return None


def descendants(node, depth=0):
    if node is None or depth > 30:
        return
    yield node
    for i in range(node.get_child_count()):
        yield from descendants(node.get_child_at_index(i), depth + 1)


def showing(Atspi, node):
    s = node.get_state_set()
    return s.contains(Atspi.StateType.SHOWING) and s.contains(Atspi.StateType.ENABLED)


def do_action(Atspi, node, wanted):
    with warnings.catch_warnings():  # its replacement is not in Debian 12's bindings
        warnings.simplefilter("ignore", DeprecationWarning)
        names = [node.get_action_name(i) for i in range(node.get_n_actions())]
    for i, n in enumerate(names):
        if n.lower() == wanted:
            return node.do_action(i)
    raise AssertionError("%s has no action %r (it has %s)" % (node.get_name(), wanted, names))
