#!/usr/bin/python3
"""The lobby's figures beside their goals, on this machine. Everything runs on machines
this script makes (network namespaces), so only their own loopback carries traffic:

  server start: one node (runner start to READY, with its accounts, room and bot), and a
      second node joined to it as a cluster (the first node's start to the second's READY)
  bot resident memory with 1,000 tables and its wake-ups per second at rest (the bot's
      own benchmark, build/lobbybotbench)
  lobby program start to the table list shown: the real program on a private desktop,
      driven through AT-SPI; it signs in as a guest the moment its sign-in shows
  a table's change reaching 1,000 guests in the room (build/lobbyfanout), p50 / p99

  sudo bench/lobbybench.py [--build build] [--clients 1000] [--changes 10] [--idle 10]
                           [--only NAME,...] [--keep]   (figures: server, cluster, bot, lobby,
                           fanout; --keep leaves the logs)
A figure that cannot be measured here says why instead.
"""
import argparse
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tests", "common"))
from lobbyserver import LobbyServer, ejabberd_missing  # noqa: E402
from netmachines import Machines, namespaces_work  # noqa: E402
from privatedesktop import Daemons, gui_env, private_env, start_desktop, wait_for  # noqa: E402

RUNNER = os.path.join(ROOT, "server", "vimbrel-lobby-server")
AGENT = os.path.join(ROOT, "tests", "lobbysystem", "atspiagent.py")


class Skip(Exception):
    pass


def load():
    with open("/proc/loadavg") as f:
        return " ".join(f.read().split()[:3])


def switches(pid):
    """Voluntary and involuntary context switches of all of a process's threads."""
    total = 0
    for task in os.listdir("/proc/%d/task" % pid):
        with open("/proc/%d/task/%s/status" % (pid, task)) as f:
            for line in f:
                if line.startswith(("voluntary_ctxt_switches", "nonvoluntary_ctxt_switches")):
                    total += int(line.split()[1])
    return total


def cpu_ticks(pid):
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return int(fields[11]) + int(fields[12])


class Bench:
    def __init__(self, o):
        self.o = o
        self.build = os.path.realpath(o.build)
        self.exe = {n: os.path.join(self.build, n) for n in
                    ("vimbrel", "vimbrel-host", "vimbrel-lobbybot", "zumveklobby",
                     "lobbyfanout", "lobbybotbench")}
        self.tmp = tempfile.mkdtemp(prefix="vimbrel-lobbybench.")
        os.chmod(self.tmp, 0o755)  # the servers' folders are entered by user ejabberd
        self.daemons = Daemons(self.tmp)
        self.machines = Machines()
        self.rows = []
        self.server = None

    def built(self, *names):
        for n in names:
            if not os.access(self.exe[n], os.X_OK):
                raise Skip("%s is not built" % self.exe[n])

    def row(self, figure, measured, goal):
        self.rows.append((figure, measured, goal))
        print("  %s: %s (goal %s)" % (figure, measured, goal), flush=True)

    def first_server(self):
        """One node with the bot on machine S, kept for the figures that need a server."""
        if self.server is None:
            self.built("vimbrel-lobbybot")
            self.s = self.machines.add("S")
            self.server = LobbyServer(self.daemons, self.s, RUNNER, self.tmp + "/s1",
                                      ["--bot", self.exe["vimbrel-lobbybot"]])
        return self.server

    def fig_server(self):
        s = self.first_server()
        self.row("server start, one node (with accounts, room and bot)",
                 "%.2f s" % (s.ready - s.started), "<= 2 s")

    def fig_cluster(self):
        m = self.machines.add("C")
        one = LobbyServer(self.daemons, m, RUNNER, self.tmp + "/c1", ["--node", "c1"])
        two = LobbyServer(self.daemons, m, RUNNER, self.tmp + "/c2",
                          ["--join-cluster", "c1", "--c2s-port", "5223", "--http-port", "5281"],
                          node="c2")
        # The second must stop first: the first's runner ends epmd only once no node uses it.
        for s in (two, one):
            s.stop()
        self.row("server start, two-node cluster joined (first node's start to second's READY)",
                 "%.2f s (the second node alone %.2f s)"
                 % (two.ready - one.started, two.ready - two.started), "<= 5 s")

    def fig_bot(self):
        """The bot's own benchmark (bench/lobbybot), on a machine of its own: the memory
        of a list of 1,000 tables, and the real bot idle in the room."""
        self.built("lobbybotbench")
        m = self.machines.add("M")
        r = subprocess.run(m.prefix() + [self.exe["lobbybotbench"], "--seconds",
                                         "%d" % self.o.idle], capture_output=True, text=True,
                           timeout=600)
        print(r.stdout, end="")
        listed = re.search(r"table list: 1000 tables, (-?\d+) kB resident for them "
                           r"\(process (\d+) kB\)", r.stdout)
        idle = re.search(r"idle bot: (\d+) kB resident, ([0-9.]+) wake-ups a second over (\d+) s",
                         r.stdout)
        if listed and idle:
            self.row("bot resident memory with 1,000 tables",
                     "%.1f MB (the bot idle in the room %.1f MB + a list of 1,000 tables %.1f MB)"
                     % ((int(idle.group(1)) + int(listed.group(1))) / 1024,
                        int(idle.group(1)) / 1024, int(listed.group(1)) / 1024), "<= 20 MB")
        elif listed:
            self.row("bot resident memory with 1,000 tables",
                     "list of 1,000 tables %.1f MB (the real bot could not be measured)"
                     % (int(listed.group(1)) / 1024), "<= 20 MB")
        if idle:
            self.row("bot wake-ups per second, idle (%s s)" % idle.group(3), idle.group(2), "0")
        if not (listed or idle):
            raise Skip("it printed no figure: %s" % (r.stdout + r.stderr).strip()[-300:])

    def fig_lobby(self):
        self.built("vimbrel-host", "zumveklobby", "vimbrel")
        s = self.first_server()
        # A table to be listed: a dedicated host that announces itself.
        secret = self.tmp + "/host.password"
        with open(secret, "w") as f:
            f.write("bench-host-secret\n")
        os.chmod(secret, 0o600)
        s.register("benchhost", "bench-host-secret")
        host = self.daemons.start(self.s.prefix() + [
            self.exe["vimbrel-host"], "--port", "0", "--lobby-server", "127.0.0.1:%d" % s.c2s,
            "--lobby-account", "benchhost@" + s.domain, "--lobby-password-file", secret,
            "--lobby-address", "127.0.0.1", "--lobby-table-name", "Bench table"],
            os.environ, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        env = private_env(self.tmp + "/lobby")
        with open(env["VIMBREL_PROGRAM_DIR"] + "/zumveklobby.ini", "w") as f:
            f.write("[ZumvekLobby]\nServer=%s:%d\nServerHost=127.0.0.1\nGameProgram=%s\n"
                    % (s.domain, s.c2s, self.exe["vimbrel"]))
        log = open(self.tmp + "/lobby.log", "wb")
        start_desktop(self.daemons, env, self.s.prefix(), out=log)
        agent = self.daemons.start(self.s.prefix() + [sys.executable, AGENT], env,
                                   stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=log)

        def call(op, **kw):
            agent.stdin.write((json.dumps(dict(kw, op=op)) + "\n").encode())
            agent.stdin.flush()
            reply = json.loads(agent.stdout.readline() or b'{"error": "agent ended"}')
            if "error" in reply:
                raise Skip("%s: %s" % (op, reply["error"]))
            return reply["ok"]

        time.sleep(2)  # let the host announce its table and the bot check it
        t0 = time.monotonic()
        lobby = self.daemons.start(self.s.prefix() + [self.exe["zumveklobby"]], gui_env(env),
                                   stdout=log, stderr=log)
        call("attach", pid=lobby.pid, seconds=30)
        wait_for("the sign-in", lambda: call("enabled", name="Come in as a guest"), 20, 0.01)
        shown = time.monotonic()
        call("type", name="Account", text="bench")
        call("press", name="Come in as a guest")
        pressed = time.monotonic()
        inside = []

        def listed():
            if not inside and call("enabled", name="Host a Table"):
                inside.append(time.monotonic())
            return len(call("rows", name="Tables", missing_ok=True)) > 0
        wait_for("the table list", listed, 20, 0.01)
        t1 = time.monotonic()
        inside.append(t1)
        for p in (lobby, host, agent):
            self.daemons.stop_one(p)
        self.row("lobby program start to the table list shown, loopback server",
                 "%.2f s (sign-in shown after %.2f s; guest click to the room %.2f s, "
                 "to the list %.2f s)" % (t1 - t0, shown - t0, inside[0] - pressed, t1 - pressed),
                 "<= 1 s")

    def check_server_files(self):
        """ejabberd must be allowed a descriptor for every client (Erlang sizes its poll
        set by the limit it starts with)."""
        for pid, (machine, _) in self.machines.processes().items():
            try:
                with open("/proc/%d/comm" % pid) as f:
                    if machine != "S" or f.read().strip() != "beam.smp":
                        continue
                with open("/proc/%d/limits" % pid) as f:
                    soft = [x for x in f if x.startswith("Max open files")][0].split()[3]
            except (OSError, IndexError):
                continue
            if int(soft) < self.o.clients + 100:
                raise Skip("ejabberd may hold only %s open files" % soft)

    def fig_fanout(self):
        self.built("lobbyfanout")
        s = self.first_server()
        self.check_server_files()
        r = subprocess.run(self.s.prefix() + [
            self.exe["lobbyfanout"], "--port", str(s.c2s), "--domain", s.domain,
            "--clients", str(self.o.clients), "--changes", str(self.o.changes)],
            capture_output=True, text=True, timeout=1800)
        print(r.stdout, end="")
        m = re.search(r"RESULT clients=(\d+) p50_ms=([0-9.]+) p99_ms=([0-9.]+) missing=(\d+)",
                      r.stdout)
        if not m:
            raise Skip(r.stdout.strip().splitlines()[-1] if r.stdout.strip() else r.stderr)
        self.row("a table's change reaching %s lobby clients (simulated), p50 / p99"
                 % m.group(1), "%s ms / %s ms (%s of %d changes missed)"
                 % (m.group(2), m.group(3), m.group(4), int(m.group(1)) * self.o.changes),
                 "<= 100 ms / <= 500 ms")

    def close(self):
        left = {}
        try:
            if self.server is not None:
                self.server.stop()
            self.daemons.stop()
        finally:
            left = self.machines.stop()
            if self.o.keep:
                print("logs kept in " + self.tmp)
            else:
                shutil.rmtree(self.tmp, ignore_errors=True)
        if left:
            print("had to kill what was left: %s" % left)


FIGURES = ("server", "cluster", "bot", "lobby", "fanout")


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--build", default=os.path.join(ROOT, "build"))
    p.add_argument("--clients", type=int, default=1000)
    p.add_argument("--changes", type=int, default=10)
    p.add_argument("--idle", type=float, default=10)
    p.add_argument("--only", default=",".join(FIGURES))
    p.add_argument("--keep", action="store_true", help="keep the servers' and lobby's logs")
    o = p.parse_args()
    why = ejabberd_missing() or namespaces_work()
    if why:
        print("SKIP: the lobby's benchmarks " + why)
        return 77
    print("load average before: " + load(), flush=True)
    b = Bench(o)
    try:
        for name in o.only.split(","):
            print("%s:" % name, flush=True)
            try:
                getattr(b, "fig_" + name)()
            except (Skip, AssertionError, subprocess.SubprocessError, OSError) as e:
                b.rows.append((name, "not measured: %s" % e, ""))
                print("  not measured: %s" % e, flush=True)
    finally:
        b.close()
    print("\nload average after: " + load())
    print("| figure | measured | goal |\n|---|---|---|")
    for figure, measured, goal in b.rows:
        print("| %s | %s | %s |" % (figure, measured, goal))
    return 0


if __name__ == "__main__":
    sys.exit(main())
