#!/usr/bin/python3
"""Where the table opens under a real window manager (openbox on a private Xvfb), read
from the window manager: on a first start its frame, title bar included, is on the
screen and centred; a table the player moved opens where the player left it, unless that
place is off every screen.

Usage: tst_windowplace.py VIMBREL_EXE. Exits 77 (skipped) where the desktop cannot start.
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "common"))
from privatedesktop import (Daemons, free_port, on_path, private_env, skip, start_openbox,  # noqa: E402
                            start_x, wait_for)

SCREEN = (1280, 1024)


def run(env, *args):
    return subprocess.run(list(args), env=env, capture_output=True, text=True).stdout


def size_of(env, window):
    info = run(env, "xwininfo", "-id", window)
    m = re.search(r"Width:\s+(\d+).*Height:\s+(\d+)", info, re.S)
    return int(m.group(1)) * int(m.group(2)) if m else 0


def table_window(env, pid):
    """The table: the largest window of the game titled Vimbrel (its download window and
    message boxes are smaller)."""
    out = run(env, "xdotool", "search", "--all", "--onlyvisible", "--pid", str(pid),
              "--name", "^Vimbrel")
    ids = out.split()
    return max(ids, key=lambda w: size_of(env, w)) if ids else None


def frame_of(env, window):
    """The frame's (left, top, width, height) as the window manager has it: the inner
    area's place on the root window less the frame extents openbox announces."""
    extents = run(env, "xprop", "-id", window, "_NET_FRAME_EXTENTS")
    m = re.search(r"= (\d+), (\d+), (\d+), (\d+)", extents)
    if not m:
        return None
    left, right, top, bottom = map(int, m.groups())
    info = run(env, "xwininfo", "-id", window)
    x = int(re.search(r"Absolute upper-left X:\s+(-?\d+)", info).group(1))
    y = int(re.search(r"Absolute upper-left Y:\s+(-?\d+)", info).group(1))
    w = int(re.search(r"Width:\s+(\d+)", info).group(1))
    h = int(re.search(r"Height:\s+(\d+)", info).group(1))
    return (x - left, y - top, w + left + right, h + top + bottom)


def settled_frame(env, window):
    """The frame once it has stayed put for a while (the table places itself again when
    it has read the settings file)."""
    last, since = None, time.monotonic()
    end = time.monotonic() + 30
    while time.monotonic() < end:
        now = frame_of(env, window)
        if now != last:
            last, since = now, time.monotonic()
        elif now and time.monotonic() - since >= 2.0:
            return now
        time.sleep(0.2)
    raise AssertionError("the table's frame did not settle: %s" % (last,))


def start_table(daemons, env, exe, log):
    game = daemons.start([exe], env, stdout=subprocess.DEVNULL, stderr=log)
    window = wait_for("the table on the screen", lambda: table_window(env, game.pid), 30)
    return game, window, settled_frame(env, window)


def close_table(env, game, window):
    """As a player closes it: the window manager's Alt+F4, so the table saves its place.
    On a loaded machine openbox may not have given the table the focus yet when the key
    arrives, and then nothing closes: press it again until the game has gone."""
    end = time.monotonic() + 40
    while time.monotonic() < end:
        run(env, "xdotool", "windowactivate", "--sync", window)
        run(env, "xdotool", "key", "--clearmodifiers", "alt+F4")
        try:
            game.wait(5)
            return
        except subprocess.TimeoutExpired:
            print("the table is still open after Alt+F4; pressing it again")
    raise AssertionError("the table did not close on Alt+F4")


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: tst_windowplace.py VIMBREL_EXE")
    exe = sys.argv[1]
    for tool in ("Xvfb", "xdotool", "xwininfo"):
        if not on_path(tool):
            skip("needs %s (./dev installs it)" % tool)
    tmp = tempfile.mkdtemp(prefix="vimbrel-place.")
    env = private_env(tmp)
    env.update(VIMBREL_PORT=str(free_port()), VIMBREL_LOBBY_PORT=str(free_port()),
               QT_QPA_PLATFORM="xcb")
    daemons = Daemons(tmp)
    log = open(tmp + "/vimbrel.log", "wb")
    try:
        start_x(daemons, env)
        start_openbox(daemons, env)

        game, window, frame = start_table(daemons, env, exe, log)
        print("first start, frame at", frame)
        left, top, width, height = frame
        assert top >= 0 and left >= 0, "the title bar is off the screen: %s" % (frame,)
        assert left + width <= SCREEN[0] and top + height <= SCREEN[1], frame
        assert abs(left + width / 2 - SCREEN[0] / 2) <= 20, "not centred: %s" % (frame,)
        assert abs(top + height / 2 - SCREEN[1] / 2) <= 20, "not centred: %s" % (frame,)

        # The player drags it elsewhere and closes it; the next start keeps that place.
        run(env, "xdotool", "windowmove", "--sync", window, "200", "150")
        moved = settled_frame(env, window)
        print("moved, frame at", moved)
        assert moved[:2] != frame[:2], "the window did not move"
        close_table(env, game, window)
        game, window, again = start_table(daemons, env, exe, log)
        print("second start, frame at", again)
        assert again == moved, "opened at %s, left at %s" % (again, moved)
        close_table(env, game, window)

        # A place off every screen (a monitor since unplugged) could not be dragged back.
        ini = os.path.join(env["VIMBREL_PROGRAM_DIR"], "zumveklobby.ini")
        with open(ini, "rb") as f:
            text = f.read()
        assert b"Left=200" in text and b"Top=150" in text, text
        with open(ini, "wb") as f:
            f.write(text.replace(b"Left=200", b"Left=3000").replace(b"Top=150", b"Top=2500"))
        game, window, back = start_table(daemons, env, exe, log)
        print("saved off the screen, frame at", back)
        assert back == frame, "opened at %s, not centred at %s" % (back, frame)
        close_table(env, game, window)
        print("PASS")
    except BaseException:
        log.flush()
        with open(tmp + "/vimbrel.log", "rb") as f:
            sys.stderr.write("the game's log:\n" + f.read()[-4000:].decode(errors="replace"))
        raise
    finally:
        daemons.stop()
        log.close()
        shutil.rmtree(tmp, ignore_errors=True)


if __name__ == "__main__":
    main()
