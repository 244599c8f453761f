#!/usr/bin/python3
"""The whole lobby on two machines the test makes: network namespaces A and B joined by
a cable (10.77.1.1 and 10.77.1.2). A runs the lobby server with its bot, a dedicated
host that announces its table, and Ann's lobby program; B runs Bob's. Each lobby has
its own desktop (X server, session and accessibility buses) and is driven through
AT-SPI only, as a screen reader would.

Ann creates an account and hosts a table; Bob comes in as a guest, sees her table and
joins it with one click. The games must start with exactly the lobby's three
parameters and hold the lobby link on 127.0.0.1:9001 on their machine. When the games
end both lobbies must be back and Ann's table gone from Bob's list. Everything the test
started is stopped by PID, and a process left on either machine is a failure.

Usage: tst_lobbysystem.py RUNNER BOT HOST LOBBY GAME. Exits 77 (skipped) where
namespaces, ejabberd or the desktop cannot be had.
"""
import json
import os
import select
import signal
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "common"))
from lobbyserver import (LobbyServer, ejabberd_missing, lobby_test_folders,  # noqa: E402
                         report, stop_server_and_rest)
from netmachines import namespaces_work  # noqa: E402
from privatedesktop import (gui_env, need_desktop_tools, private_env,  # noqa: E402
                            skip, start_desktop, wait_for)

A_ADDR, B_ADDR = "10.77.1.1", "10.77.1.2"
DOMAIN = "lobby.localhost"
ANN_GAME_PORT = 27772  # the game's own port, moved as tests must; private to machine A
HOST_TABLE = "Server table"


class Agent:
    """The AT-SPI reader of one desktop (tests/lobbysystem/atspiagent.py)."""

    def __init__(self, daemons, machine, env, log):
        self.proc = daemons.start(machine.prefix() + [sys.executable,
                                                      os.path.join(HERE, "atspiagent.py")],
                                  env, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                  stderr=log)

    def call(self, op, timeout=30, **kw):
        self.proc.stdin.write((json.dumps(dict(kw, op=op)) + "\n").encode())
        self.proc.stdin.flush()
        ready, _, _ = select.select([self.proc.stdout], [], [], timeout)
        if not ready:
            raise AssertionError("the AT-SPI agent did not answer %s" % op)
        line = self.proc.stdout.readline()
        if not line:
            raise AssertionError("the AT-SPI agent ended")
        reply = json.loads(line)
        if "error" in reply:
            raise AssertionError("%s %s: %s" % (op, kw, reply["error"]))
        return reply["ok"]

    def stop(self):
        if self.proc.poll() is None:
            self.proc.stdin.close()
            try:
                self.proc.wait(5)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()


class Player:
    """One person at one machine: a private desktop, the lobby program and its reader."""

    def __init__(self, name, machine, root, daemons, lobby, game, server, ca, extra=None):
        self.name, self.machine, self.game = name, machine, game
        os.makedirs(root)
        self.root = root
        self.env = private_env(root)
        self.env.update(extra or {})
        # The settings a player would type once: where the lobby is and whom to trust.
        with open(os.path.join(self.env["VIMBREL_PROGRAM_DIR"], "zumveklobby.ini"), "w") as f:
            f.write("[ZumvekLobby]\nServer=%s\nServerHost=%s\nCAFile=%s\nGameProgram=%s\n"
                    % (server, A_ADDR, ca, game))
        self.log = open(os.path.join(root, "lobby.log"), "wb")
        start_desktop(daemons, self.env, machine.prefix(), out=self.log)
        self.lobby = daemons.start(machine.prefix() + [lobby], gui_env(self.env),
                                   stdout=self.log, stderr=self.log)
        self.ui = Agent(daemons, machine, self.env, self.log)
        self.ui.call("attach", pid=self.lobby.pid, seconds=40)

    def table_rows(self):
        return self.ui.call("rows", name="Tables")

    def row_with(self, text):
        """The index of the first row of the table list that shows `text`, or None."""
        for i, row in enumerate(self.table_rows()):
            if text in row:
                return i
        return None

    def games(self, game):
        """The game processes this player's lobby started (`game` is the program)."""
        out = []
        for pid in os.listdir("/proc"):
            if not pid.isdigit():
                continue
            try:
                with open("/proc/%s/stat" % pid) as f:
                    ppid = int(f.read().rsplit(")", 1)[1].split()[1])
                if ppid == self.lobby.pid and os.readlink("/proc/%s/exe" % pid) == game:
                    out.append(int(pid))
            except (OSError, ValueError, IndexError):
                pass
        return out


def cmdline(pid):
    with open("/proc/%d/cmdline" % pid, "rb") as f:
        return [a.decode() for a in f.read().split(b"\0")[:-1]]


def holds_lobby_link(machine, pid):
    """True when process `pid` has an established TCP connection to 127.0.0.1:9001 on
    `machine` (the lobby link the game opens)."""
    out = machine.run(["ss", "-tnpH", "state", "established"]).stdout.decode()
    for line in out.splitlines():
        parts = line.split()
        # Recv-Q Send-Q Local Peer Process
        if len(parts) >= 5 and parts[3] == "127.0.0.1:9001" and ("pid=%d," % pid) in line:
            return True
    return False


def main():
    if len(sys.argv) != 6:
        sys.exit("usage: tst_lobbysystem.py RUNNER BOT HOST LOBBY GAME")
    runner, bot, host_exe, lobby, game = (os.path.realpath(a) for a in sys.argv[1:])
    why = ejabberd_missing() or namespaces_work()
    if why:
        skip(why)
    need_desktop_tools()
    tmp, daemons, machines = lobby_test_folders("vimbrel-lobbysystem.", (runner, bot, host_exe, lobby, game))
    began = time.monotonic()
    failures = []
    server = host = None
    players = []
    try:
        a = machines.add("A")
        b = machines.add("B")
        machines.link(a, A_ADDR + "/24", b, B_ADDR + "/24")
        # Listening on the cable's address, so that everyone needs TLS.
        sdir = os.path.join(tmp, "server")
        server = LobbyServer(daemons, a, runner, sdir, [
            "--domain", DOMAIN, "--listen", A_ADDR, "--bot", bot,
            "--bot-arg=--ca-file", "--bot-arg=" + os.path.join(sdir, "cacert.pem")])
        print("server:", server.fields, flush=True)
        c2s, ca = server.c2s, server.ca

        # The dedicated host announces itself with an account of its own.
        secret = os.path.join(tmp, "tablehost.password")
        with open(secret, "w") as f:
            f.write("tablehost-secret\n")
        os.chmod(secret, 0o600)
        server.register("tablehost", "tablehost-secret")
        host = daemons.start(a.prefix() + [
            host_exe, "--port", "0", "--lobby-server", "%s:%d" % (A_ADDR, c2s),
            "--lobby-account", "tablehost@" + DOMAIN, "--lobby-password-file", secret,
            "--lobby-ca-file", ca, "--lobby-address", A_ADDR, "--lobby-table-name", HOST_TABLE],
            os.environ, stdout=open(os.path.join(tmp, "host.log"), "wb"),
            stderr=subprocess.STDOUT)

        server_at = "%s:%d" % (DOMAIN, c2s)
        ann = Player("Ann", a, os.path.join(tmp, "ann"), daemons, lobby, game, server_at, ca,
                     {"VIMBREL_PORT": str(ANN_GAME_PORT)})
        players.append(ann)
        bob = Player("Bob", b, os.path.join(tmp, "bob"), daemons, lobby, game, server_at, ca)
        players.append(bob)

        play(ann, bob, a, b, game)
    except AssertionError as e:
        failures.append(str(e))
        for p in players:
            if p.lobby.poll() is not None:
                failures.append("%s's lobby program ended with status %d"
                                % (p.name, p.lobby.returncode))
                continue
            try:
                print("--- %s's lobby as AT-SPI shows it:\n%s" % (p.name, p.ui.call("dump")))
            except AssertionError:
                pass
    finally:
        failures += stop_all(daemons, machines, server, host, players, tmp)
    report(failures, tmp, began)


def sign_in(p, account, password, way):
    ui = p.ui
    wait_for(p.name + "'s sign-in", lambda: ui.call("enabled", name=way), 20)
    ui.call("type", name="Account", text=account)
    if password is not None:
        ui.call("type", name="Password", text=password)
    ui.call("press", name=way)
    # In the room: hosting is offered.
    wait_for(p.name + " in the lobby", lambda: ui.call("enabled", name="Host a Table"), 30)


def play(ann, bob, a, b, game):
    sign_in(ann, "ann", "ann-password-1", "Create account")
    sign_in(bob, "Bob", None, "Come in as a guest")

    # The dedicated host's table, on both lists.
    for p in (ann, bob):
        wait_for("the dedicated host's table on %s's list" % p.name,
                 lambda: p.row_with(HOST_TABLE) is not None, 20, 0.1)

    before = len(bob.table_rows())
    ann.ui.call("press", name="Host a Table")
    pressed = time.monotonic()
    wait_for("Ann's table on Bob's list",
             lambda: len(bob.table_rows()) > before and bob.row_with("ann") is not None, 20, 0.05)
    print("Bob saw Ann's table %.2f s after she pressed Host a Table (goal: within 2 s)"
          % (time.monotonic() - pressed), flush=True)

    # The bot checked from the server that Ann's game answers on her cable's address.
    wait_for("Ann's table listed as reachable",
             lambda: "reachable" in bob.table_rows()[bob.row_with("ann")], 20, 0.1)

    ann_game = wait_for("Ann's game", lambda: ann.games(game), 20)
    assert len(ann_game) == 1, ann_game
    assert cmdline(ann_game[0])[1:] == ["ann", "127.0.0.1", "true"], cmdline(ann_game[0])

    bob.ui.call("select", name="Tables", row=bob.row_with("ann"))
    bob.ui.call("press", name="Join")
    bob_game = wait_for("Bob's game", lambda: bob.games(game), 20)
    assert len(bob_game) == 1, bob_game
    args = cmdline(bob_game[0])[1:]
    assert args == ["Bob", "%s:%d" % (A_ADDR, ANN_GAME_PORT), "join"], args

    for who, m, pid in (("Ann", a, ann_game[0]), ("Bob", b, bob_game[0])):
        wait_for("%s's game holding the lobby link" % who, lambda: holds_lobby_link(m, pid), 20)
    for p in (ann, bob):
        assert not p.ui.call("enabled", name="Host a Table"), \
            "%s's lobby offers to host while the game runs" % p.name

    # The host leaves, then Bob closes his game.
    for who, pid in (("Ann", ann_game[0]), ("Bob", bob_game[0])):
        os.kill(pid, signal.SIGTERM)
    ended = time.monotonic()
    for p in (ann, bob):
        wait_for("%s back in the lobby" % p.name,
                 lambda: p.ui.call("enabled", name="Host a Table")
                 and "Zumvek Lobby" in p.ui.call("windows"), 20)
    wait_for("Ann's table gone from Bob's list", lambda: bob.row_with("ann") is None, 20, 0.1)
    print("Ann's table left Bob's list %.2f s after the games were ended"
          % (time.monotonic() - ended), flush=True)
    assert bob.row_with(HOST_TABLE) is not None, "the dedicated host's table went too"


DESKTOP = {"Xvfb", "dbus-daemon", "at-spi-bus-laun", "at-spi2-registr"}


def comm(pid):
    try:
        with open("/proc/%d/comm" % pid) as f:
            return f.read().strip()
    except OSError:
        return ""


def stop_all(daemons, machines, server, host, players, tmp):
    """Stops everything by PID, the desktops last. A program of the lobby still on a
    machine after that (a game, the bot, ejabberd, epmd) is a failure."""
    failures = []
    for p in players:
        p.ui.stop()
        # A game the flow did not get to end (the test failed before) goes first.
        for pid in p.games(p.game):
            failures.append("%s's game was still running" % p.name)
            os.kill(pid, signal.SIGTERM)
    for proc in [p.lobby for p in players] + [host]:
        if proc is not None:
            daemons.stop_one(proc)
    if server is not None:
        status = server.stop()
        if status != 0:
            failures.append("the lobby server stopped with status %s" % status)
    left = {pid: what for pid, what in machines.processes().items()
            if comm(pid) not in DESKTOP}
    if left:
        failures.append("left running after the stop: %s" % left)
    return stop_server_and_rest(daemons, machines, None, failures)


if __name__ == "__main__":
    main()
