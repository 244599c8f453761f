"""Machines for a test: network namespaces it makes itself, each held open by one
process, joined by veth pairs. Nothing is left behind: a namespace and its links go
when its holder ends, and no name is registered anywhere (no `ip netns add`).
"""
import os
import signal
import subprocess
import time


def namespaces_work():
    """Why namespaces cannot be made here, or None when they can."""
    for tool in ("unshare", "nsenter", "ip"):
        if not any(os.access(os.path.join(d, tool), os.X_OK)
                   for d in os.environ.get("PATH", "").split(os.pathsep) + ["/usr/sbin", "/sbin"]):
            return "needs %s" % tool
    r = subprocess.run(["unshare", "-n", "true"], capture_output=True)
    if r.returncode != 0:
        return "cannot make a network namespace (unshare -n: %s)" % r.stderr.decode().strip()
    return None


def net_ns(pid):
    return os.readlink("/proc/%d/ns/net" % pid)


class Machine:
    def __init__(self, name, holder):
        self.name = name
        self.holder = holder
        self.ns = net_ns(holder.pid)

    def prefix(self):
        """Put before a command to run it on this machine (nsenter execs the command,
        so the PID a caller gets is the program's own)."""
        return ["nsenter", "--net=/proc/%d/ns/net" % self.holder.pid, "--"]

    def run(self, args, **kw):
        return subprocess.run(self.prefix() + list(args), check=True, capture_output=True, **kw)


class Machines:
    def __init__(self):
        self.machines = []

    def add(self, name):
        holder = subprocess.Popen(["unshare", "-n", "--", "sleep", "infinity"],
                                  start_new_session=True)
        own = net_ns(os.getpid())
        end = time.monotonic() + 5
        while True:  # unshare may not have made the namespace yet
            try:
                if net_ns(holder.pid) != own:
                    break
            except OSError:
                pass
            if holder.poll() is not None or time.monotonic() > end:
                raise AssertionError("the holder of %s did not start" % name)
            time.sleep(0.01)
        m = Machine(name, holder)
        self.machines.append(m)
        m.run(["ip", "link", "set", "lo", "up"])
        return m

    def link(self, a, a_cidr, b, b_cidr):
        """A cable between two machines: veth0 on each, with the given addresses."""
        subprocess.run(["ip", "link", "add", "veth0", "netns", str(a.holder.pid), "type", "veth",
                        "peer", "name", "veth0", "netns", str(b.holder.pid)],
                       check=True, capture_output=True)
        for m, cidr in ((a, a_cidr), (b, b_cidr)):
            m.run(["ip", "addr", "add", cidr, "dev", "veth0"])
            m.run(["ip", "link", "set", "veth0", "up"])

    def processes(self):
        """Every process on the machines but their holders: {pid: (machine, command)}."""
        ours = {m.ns: m for m in self.machines}
        holders = {m.holder.pid for m in self.machines}
        found = {}
        for pid in os.listdir("/proc"):
            if not pid.isdigit() or int(pid) in holders:
                continue
            try:
                m = ours.get(net_ns(int(pid)))
                if m is None:
                    continue
                with open("/proc/%s/cmdline" % pid, "rb") as f:
                    cmd = f.read().replace(b"\0", b" ").decode(errors="replace").strip()
            except OSError:
                continue
            found[int(pid)] = (m.name, cmd)
        return found

    def stop(self):
        """Kills whatever still runs on the machines (each by its PID; returns them,
        for the caller to report), then ends the holders and with them the namespaces."""
        left = self.processes()
        for pid in left:
            try:
                os.kill(pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
        for m in self.machines:
            if m.holder.poll() is None:
                m.holder.kill()
            m.holder.wait()
        return left
