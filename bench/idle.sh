#!/usr/bin/env bash
# How quiet is an idle solo game? Starts one offscreen with private folders and a
# free port, lets it settle, then counts its wake-ups (voluntary context switches of
# all its threads) and CPU time over a window of idle seconds.
#   bench/idle.sh [build/vimbrel] [seconds]
set -euo pipefail
exe=${1:-build/vimbrel}
secs=${2:-10}
tmp=$(mktemp -d)
trap 'kill "$pid" 2>/dev/null || true; rm -rf "$tmp"' EXIT
mkdir -p "$tmp/run" "$tmp/prog" && chmod 700 "$tmp/run"
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
XDG_RUNTIME_DIR=$tmp/run HOME=$tmp XDG_CONFIG_HOME=$tmp/cfg XDG_DATA_HOME=$tmp/data \
VIMBREL_PROGRAM_DIR=$tmp/prog VIMBREL_PORT=$port VIMBREL_LOBBY_PORT=1 QT_QPA_PLATFORM=offscreen \
  "$exe" >/dev/null 2>&1 &
pid=$!
sleep 3

switches() { cat /proc/"$pid"/task/*/status 2>/dev/null | awk '/^voluntary_ctxt_switches/ {s+=$2} END {print s+0}'; }
cputicks() { awk '{print $14 + $15}' /proc/"$pid"/stat; }

s0=$(switches); c0=$(cputicks); t0=$(date +%s.%N)
sleep "$secs"
s1=$(switches); c1=$(cputicks); t1=$(date +%s.%N)
hz=$(getconf CLK_TCK)
threads=$(ls /proc/"$pid"/task | wc -l)
awk -v s="$((s1 - s0))" -v c="$((c1 - c0))" -v a="$t0" -v b="$t1" -v hz="$hz" -v th="$threads" 'BEGIN {
  el = b - a
  printf "idle solo game, %.1f s, %d threads\n", el, th
  printf "wake-ups per second: %.2f\n", s / el
  printf "CPU use: %.3f %% (%d ticks of 1/%d s)\n", 100 * c / hz / el, c, hz
}'
