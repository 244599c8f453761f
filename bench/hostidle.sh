#!/usr/bin/env bash
# The dedicated host at rest, beside the desktop program hosting offscreen:
#   - resident memory (VmRSS) once started and idle, nobody connected;
#   - wake-ups per second while idle: voluntary context switches of all its threads;
#   - start-to-listening: from just before exec until the port accepts a connection
#     (median of several starts);
#   - SIGTERM-to-exit with one player connected (same starts).
# Usage: bench/hostidle.sh [build-dir] [idle-seconds=10] [starts=10]
# Needs python3 (free ports, timing the starts). Loopback ports from the ephemeral
# range; every process it starts is stopped before it ends.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
secs=${2:-10}
starts=${3:-10}
host=$build/vimbrel-host
desktop=$build/vimbrel
[ -x "$host" ] || { echo "no $host (build the vimbrel-host target)" >&2; exit 1; }
[ -x "$desktop" ] || { echo "no $desktop (build the vimbrel target)" >&2; exit 1; }

tmp=$(mktemp -d "${TMPDIR:-/tmp}/hostidle.XXXXXX")
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$tmp"
}
trap cleanup EXIT

free_port() {
    python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'
}

# Private folders for the desktop program; prints the env assignments for `env`.
desktop_env() {
    local d=$tmp/home.$1
    mkdir -p "$d/run" "$d/home" "$d/cfg" "$d/data" "$d/prog" && chmod 700 "$d/run"
    echo "XDG_RUNTIME_DIR=$d/run HOME=$d/home XDG_CONFIG_HOME=$d/cfg XDG_DATA_HOME=$d/data" \
         "VIMBREL_PROGRAM_DIR=$d/prog VIMBREL_PORT=$2 VIMBREL_LOBBY_PORT=1 QT_QPA_PLATFORM=offscreen"
}

switches() { cat /proc/"$1"/task/*/status 2>/dev/null | awk '/^voluntary_ctxt_switches/ {s+=$2} END {print s+0}'; }
cputicks() { awk '{print $14 + $15}' /proc/"$1"/stat; }
rss_kb() { awk '/^VmRSS:/ {print $2}' /proc/"$1"/status; }

# idle NAME PID: memory, then wake-ups and CPU over the idle window.
idle() {
    local name=$1 pid=$2
    local rss s0 c0 t0 s1 c1 t1 threads
    rss=$(rss_kb "$pid")
    s0=$(switches "$pid"); c0=$(cputicks "$pid"); t0=$(date +%s.%N)
    sleep "$secs"
    s1=$(switches "$pid"); c1=$(cputicks "$pid"); t1=$(date +%s.%N)
    threads=$(ls /proc/"$pid"/task | wc -l)
    awk -v n="$name" -v rss="$rss" -v s="$((s1 - s0))" -v c="$((c1 - c0))" -v a="$t0" -v b="$t1" \
        -v hz="$(getconf CLK_TCK)" -v th="$threads" 'BEGIN {
        el = b - a
        printf "%-13s RSS %6.1f MB   wake-ups %6.2f /s   CPU %.3f %%   %d threads   (%.1f s idle)\n",
               n, rss / 1024, s / el, 100 * c / hz / el, th, el }'
}

# Start-to-listening, `starts` times: exec, then a connection attempt every 0.5 ms.
start_times() {
    python3 - "$starts" "$@" <<'EOF'
import os, socket, statistics, subprocess, sys, time
starts, name, kind, exe = int(sys.argv[1]), sys.argv[2], sys.argv[3], sys.argv[4]
extra = dict(kv.split("=", 1) for kv in sys.argv[5:])
times, stops = [], []
for i in range(starts):
    s = socket.socket(); s.bind(("127.0.0.1", 0)); port = s.getsockname()[1]; s.close()
    env = dict(os.environ)
    for k, v in extra.items():
        env[k] = v.replace("{port}", str(port)).replace("{i}", str(i))
    for k in ("XDG_RUNTIME_DIR", "HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "VIMBREL_PROGRAM_DIR"):
        if k in extra: os.makedirs(env[k], mode=0o700, exist_ok=True)
    args = [exe, "--port", str(port)] if kind == "host" else [exe, "Host", "127.0.0.1", "true"]
    t0 = time.perf_counter_ns()
    p = subprocess.Popen(args, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    listening = None
    while time.perf_counter_ns() - t0 < 20e9:
        c = socket.socket()
        try:
            c.connect(("127.0.0.1", port))
            listening = time.perf_counter_ns()
            break
        except OSError:
            time.sleep(0.0005)
        finally:
            c.close()
    # A player at the table while it stops: the host tells it and closes before exiting.
    player = socket.create_connection(("127.0.0.1", port)) if listening else None
    time.sleep(0.1)
    t1 = time.perf_counter_ns()
    p.terminate()
    try: p.wait(5)
    except subprocess.TimeoutExpired: p.kill(); p.wait()
    stopped = time.perf_counter_ns()
    if player: player.close()
    if listening is None: sys.exit(f"{exe} never listened")
    times.append((listening - t0) / 1e6)
    stops.append((stopped - t1) / 1e6)
print(f"{name:<13} start-to-listening median {statistics.median(times):6.1f} ms"
      f"   min {min(times):.1f}   max {max(times):.1f}   ({starts} starts)")
print(f"{name:<13} SIGTERM-to-exit    median {statistics.median(stops):6.1f} ms"
      f"   min {min(stops):.1f}   max {max(stops):.1f}   (one player connected)")
EOF
}

echo "machine: $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg) before"

# Idle: the dedicated host with nobody connected; the desktop program hosting, with
# only its own player at the table.
port=$(free_port)
"$host" --port "$port" >"$tmp/host.log" 2>&1 &
hpid=$!; pids+=("$hpid")
for _ in $(seq 200); do grep -q listening "$tmp/host.log" 2>/dev/null && break; sleep 0.05; done
grep -q listening "$tmp/host.log" || { echo "vimbrel-host did not start" >&2; exit 1; }
sleep 2
idle vimbrel-host "$hpid"
kill "$hpid"; wait "$hpid" || true

dport=$(free_port)
env $(desktop_env idle "$dport") "$desktop" Host 127.0.0.1 true >/dev/null 2>&1 &
dpid=$!; pids+=("$dpid")
sleep 3
idle "desktop host" "$dpid"
kill "$dpid"; wait "$dpid" || true

start_times vimbrel-host host "$host"
start_times "desktop host" desktop "$desktop" XDG_RUNTIME_DIR="$tmp/start.{i}/run" HOME="$tmp/start.{i}/home" \
    XDG_CONFIG_HOME="$tmp/start.{i}/cfg" XDG_DATA_HOME="$tmp/start.{i}/data" \
    VIMBREL_PROGRAM_DIR="$tmp/start.{i}/prog" VIMBREL_PORT="{port}" VIMBREL_LOBBY_PORT=1 QT_QPA_PLATFORM=offscreen

echo "machine: load average $(cut -d' ' -f1-3 /proc/loadavg) after"
echo "goals for vimbrel-host: RSS <= 12 MB, 0 wake-ups per second idle, start-to-listening <= 50 ms," \
     "SIGTERM-to-exit <= 2 s"
