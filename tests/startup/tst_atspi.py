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
import subprocess
import sys
import tempfile

DIE = re.compile(r"^Die (\d+), (?:not rolled|(gold|blue|green|magenta), (wild|\d+)(, held)?)$")

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "common"))
from privatedesktop import (Daemons, free_port, app_of, atspi_for, descendants, do_action,  # noqa: E402
                            gui_env, need_desktop_tools, private_env, start_desktop, wait_for)


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
    need_desktop_tools()
    tmp = tempfile.mkdtemp(prefix="vimbrel-atspi.")
    env = private_env(tmp)
    env.update(VIMBREL_PORT=str(free_port()), VIMBREL_LOBBY_PORT=str(free_port()))
    daemons = Daemons(tmp)
    try:
        start_desktop(daemons, env)
        game = daemons.start([exe], gui_env(env), stdout=subprocess.DEVNULL,
                             stderr=open(tmp + "/vimbrel.log", "wb"))
        # This process reads the same buses as the game.
        Atspi = atspi_for(env)
        app = wait_for("the game on the accessibility bus", lambda: app_of(Atspi, game.pid), 30)
        play(Atspi, app)
        assert game.poll() is None, "the game ended"
        print("PASS")
    finally:
        left = daemons.stop()
        print("stopped; the buses had started %d more processes, all stopped" % len(left))
        shutil.rmtree(tmp, ignore_errors=True)


if __name__ == "__main__":
    main()
