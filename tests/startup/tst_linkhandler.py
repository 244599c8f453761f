#!/usr/bin/python3
"""A "Play" link opened the way a browser opens it: xdg-open finds the game's desktop
entry (installed under a private XDG_DATA_HOME, its MimeType indexed by
update-desktop-database) and starts the game, which joins a real vimbrel-host on
loopback under the name the Join dialog saved, or asks for one in that dialog. A link
that names no table starts nothing.

Usage: tst_linkhandler.py VIMBREL_EXE VIMBREL_HOST_EXE DESKTOP_FILE
Exits 77 (skipped) where xdg-utils, update-desktop-database, Xvfb or xdotool are missing.
"""
import contextlib
import os
import re
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "common"))
from privatedesktop import Daemons, free_port, on_path, private_env, skip, start_x, wait_for  # noqa: E402


def install_entry(env, exe, desktop):
    """The real entry, its Exec pointed at the build's program, as a package installs it."""
    apps = os.path.join(env["XDG_DATA_HOME"], "applications")
    os.makedirs(apps, exist_ok=True)
    with open(desktop, encoding="utf-8") as f:
        text = f.read()
    assert re.search(r"^Exec=vimbrel %u$", text, re.M), "the entry's Exec is not 'vimbrel %u'"
    with open(os.path.join(apps, os.path.basename(desktop)), "w", encoding="utf-8") as f:
        f.write(re.sub(r"^Exec=vimbrel ", "Exec=%s " % exe, text, flags=re.M))
    subprocess.run(["update-desktop-database", apps], check=True, env=env)


def handler_env(root):
    env = private_env(root)
    # Nothing of this machine's desktops may pick the handler: xdg-open's generic mode,
    # only the private folders, and no browser to fall back on.
    for key in ("XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "KDE_FULL_SESSION",
                "GNOME_DESKTOP_SESSION_ID", "MATE_DESKTOP_SESSION_ID", "XDG_MENU_PREFIX"):
        env.pop(key, None)
    env.update(XDG_DATA_DIRS=root + "/nodata", XDG_CONFIG_DIRS=root + "/noconfig",
               BROWSER="false", DBUS_SESSION_BUS_ADDRESS="disabled:",
               QT_QPA_PLATFORM="xcb", VIMBREL_PORT=str(free_port()),
               VIMBREL_LOBBY_PORT=str(free_port()))
    return env


def start_host(daemons, env, log_path):
    log = open(log_path, "w")
    daemons.start([HOST, "--port", "0"], env, stdout=log, stderr=subprocess.STDOUT)

    def port():
        m = re.search(r"listening on port (\d+) ", read(log_path))
        return int(m.group(1)) if m else 0
    return wait_for("the host to listen", port, 10)


def read(path):
    with open(path, encoding="utf-8", errors="replace") as f:
        return f.read()


def game_cmdline(daemons):
    """The game's command line, once xdg-open has started it."""
    for pid in daemons.marked():
        try:
            with open("/proc/%d/cmdline" % pid, "rb") as f:
                args = f.read().split(b"\0")[:-1]
        except OSError:
            continue
        if args and os.path.basename(args[0].decode()) == os.path.basename(EXE):
            return [a.decode() for a in args]
    return None


@contextlib.contextmanager
def table_with_handler(root, case, saved_name=None):
    """A private desktop with the game's entry installed and a real host on loopback.
    Yields (env, daemons, port); shows the logs when a check fails, and stops
    everything it started."""
    env = handler_env(root)
    install_entry(env, EXE, DESKTOP)
    if saved_name:
        with open(os.path.join(env["VIMBREL_PROGRAM_DIR"], "zumveklobby.ini"), "w") as f:
            f.write("[Vimbrel]\nLastname=%s\n" % saved_name)
    daemons = Daemons("linkhandler-%s-%d" % (case, os.getpid()))
    try:
        start_x(daemons, env)
        yield env, daemons, start_host(daemons, env, root + "/host.log")
    except AssertionError:
        for name in ("host.log", "xdg.log"):
            print("--- %s\n%s" % (name, read(os.path.join(root, name))))
        raise
    finally:
        daemons.stop()


def open_link(daemons, env, root, link):
    # xdg-open waits for the program it started, as a browser's helper does.
    daemons.start(["xdg-open", link], env, stdout=open(root + "/xdg.log", "w"),
                  stderr=subprocess.STDOUT)


def joins_under_saved_name(root):
    with table_with_handler(root, "join", saved_name="Bob") as (env, daemons, port):
        link = "vimbrel://join/127.0.0.1:%d" % port
        open_link(daemons, env, root, link)
        args = wait_for("xdg-open to start the game", lambda: game_cmdline(daemons), 20)
        assert args[1:] == [link], "the game got %r, not the link" % args[1:]
        wait_for("the host to log Bob in",
                 lambda: "record 1 logged in as Bob" in read(root + "/host.log"), 20)
        print("ok: xdg-open started %s and it joined port %d as Bob" % (args, port))


def asks_for_a_name(root):
    """No saved name: the Join dialog comes up filled with the table; the name typed there
    joins, and is saved for the next link."""
    with table_with_handler(root, "ask") as (env, daemons, port):
        open_link(daemons, env, root, "vimbrel://join/127.0.0.1:%d" % port)

        def dialog():
            r = subprocess.run(["xdotool", "search", "--onlyvisible", "--name",
                                "Join a Network Game"], env=env, capture_output=True, text=True)
            return r.stdout.split()
        window = wait_for("the Join dialog", dialog, 20)[0]
        subprocess.run(["xdotool", "windowfocus", "--sync", window], env=env, check=True)
        subprocess.run(["xdotool", "type", "--delay", "30", "Cy"], env=env, check=True)
        subprocess.run(["xdotool", "key", "Return"], env=env, check=True)
        wait_for("the host to log Cy in",
                 lambda: "record 1 logged in as Cy" in read(root + "/host.log"), 20)
        ini = read(os.path.join(env["VIMBREL_PROGRAM_DIR"], "zumveklobby.ini"))
        assert "Lastname=Cy" in ini, ini
        print("ok: the Join dialog asked for the name and joined port %d as Cy" % port)


def refuses_a_bad_link(root):
    with table_with_handler(root, "bad") as (env, daemons, port):
        link = "vimbrel://join/127.0.0.1:%d/<b>x</b>" % port
        open_link(daemons, env, root, link)
        # The game says why, naming the link, and waits in its box for the player.
        wait_for("the game to refuse the link", lambda: link in read(root + "/xdg.log"), 20)
        assert "does not name a table" in read(root + "/xdg.log"), read(root + "/xdg.log")
        assert "connection from" not in read(root + "/host.log"), read(root + "/host.log")
        print("ok: %s refused" % link)


if __name__ == "__main__":
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    EXE, HOST, DESKTOP = (os.path.abspath(a) for a in sys.argv[1:])
    for tool in ("xdg-open", "xdg-mime", "update-desktop-database", "Xvfb", "xdotool"):
        if not on_path(tool):
            skip("needs %s (./dev installs it)" % tool)
    base = tempfile.mkdtemp(prefix="vimbrel-linkhandler-")
    try:
        joins_under_saved_name(os.path.join(base, "join"))
        asks_for_a_name(os.path.join(base, "ask"))
        refuses_a_bad_link(os.path.join(base, "bad"))
    finally:
        shutil.rmtree(base, ignore_errors=True)
