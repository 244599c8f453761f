"""The lobby server (server/vimbrel-lobby-server) on a test's machine: started from the
project's runner, ready when it prints its READY line, stopped by SIGTERM (the runner
then stops the bot, ejabberd and epmd by PID)."""
import os
import select
import subprocess
import tempfile
import time

EJABBERDCTL = "/usr/sbin/ejabberdctl"


def ejabberd_missing():
    """Why no lobby server can run here, or None."""
    if os.geteuid() != 0:
        return "needs root (ejabberd runs as its own user)"
    if not os.access(EJABBERDCTL, os.X_OK):
        return "needs ejabberd (./dev installs it)"
    return None


class LobbyServer:
    def __init__(self, daemons, machine, runner, folder, args, node="vimbrel", timeout=90):
        """Starts the runner on `machine` with `folder` (whose parents user ejabberd must
        be able to enter) and `args`; waits for READY. `started` and `ready` are the
        monotonic times of the start and of the READY line."""
        self.machine, self.dir, self.node = machine, folder, node + "@localhost"
        self.log = open(folder + ".log", "wb")
        self.started = time.monotonic()
        self.proc = daemons.start(machine.prefix() + [runner, "--dir", folder, "--node", node]
                                  + list(args), os.environ, stdout=subprocess.PIPE,
                                  stderr=self.log)
        ready, _, _ = select.select([self.proc.stdout], [], [], timeout)
        line = self.proc.stdout.readline().decode() if ready else ""
        self.ready = time.monotonic()
        if not line.startswith("READY"):
            self.stop()
            raise AssertionError("the lobby server did not start (%r); see %s.log"
                                 % (line.strip(), folder))
        self.fields = dict(f.split("=", 1) for f in line.split()[1:])
        self.c2s = int(self.fields["c2s"])
        self.domain = self.fields["domain"]
        self.ca = os.path.join(folder, "cacert.pem")

    def register(self, name, password):
        """An account made the way an operator makes one, on the running node."""
        d = self.dir
        self.machine.run([EJABBERDCTL, "--config", d + "/ejabberd.yml", "--spool", d + "/spool",
                          "--logs", d + "/logs", "--ctl-config", d + "/ejabberdctl.cfg",
                          "--node", self.node, "register", name, self.domain, password],
                         stdin=subprocess.DEVNULL)

    def child(self, exe):
        """The PID of the runner's child that runs program `exe` (the bot), or None."""
        for pid in os.listdir("/proc"):
            try:
                with open("/proc/%s/stat" % pid) as f:
                    ppid = int(f.read().rsplit(")", 1)[1].split()[1])
                if ppid == self.proc.pid and os.readlink("/proc/%s/exe" % pid) == exe:
                    return int(pid)
            except (OSError, ValueError, IndexError):
                pass
        return None

    def stop(self, seconds=40):
        """SIGTERM and wait; the runner's status, or None when it would not stop."""
        if self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(seconds)
            except subprocess.TimeoutExpired:
                return None
        return self.proc.returncode


def stop_server_and_rest(daemons, machines, server, failures):
    """The end of a lobby test's stop: the server (its runner stops the bot, ejabberd
    and epmd), then whatever else the test started, then the test's machines. Appends
    what went wrong to `failures` and returns it."""
    if server is not None:
        status = server.stop()
        if status != 0:
            failures.append("the lobby server stopped with status %s" % status)
    try:
        daemons.stop()
    except AssertionError as e:
        failures.append(str(e))
    left = machines.stop()
    if left:
        failures.append("killed at the end: %s" % left)
    return failures


def lobby_test_folders(prefix, programs):
    """The common start of a lobby test: skips when one of `programs` is not built, then
    makes the test's folder (which user ejabberd must be able to enter) and its Daemons
    and Machines. Returns (folder, daemons, machines)."""
    from netmachines import Machines
    from privatedesktop import Daemons, skip
    for exe in programs:
        if not os.access(exe, os.X_OK):
            skip("%s is not built" % exe)
    tmp = tempfile.mkdtemp(prefix=prefix)
    os.chmod(tmp, 0o755)
    return tmp, Daemons(tmp), Machines()


def report(failures, tmp, began):
    """The end of a lobby test: how long it took, its folder removed when it passed (kept
    for its logs when it did not), and the verdict. Exits 1 on a failure."""
    import shutil
    import sys
    print("took %.1f s" % (time.monotonic() - began), flush=True)
    if failures:
        print("logs kept in " + tmp)
        print("FAIL:\n  " + "\n  ".join(failures))
        sys.exit(1)
    shutil.rmtree(tmp, ignore_errors=True)
    print("PASS")
