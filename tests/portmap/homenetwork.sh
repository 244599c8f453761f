#!/bin/sh
# A home network for the port-mapping tests, built inside the network namespace the
# test created (never run it anywhere else). This namespace is the player's computer
# (lan1, 10.77.0.2); a second one holds the router (lan0 10.77.0.1 inside, wan0
# 11.22.33.44 outside) running miniupnpd, whose rules follow MODE:
#   allow  forwards ports 1024-65535 to the LAN
#   deny   refuses every mapping
#   none   no daemon at all: nobody answers
#   hostile-KIND  instead of the daemon, hostilerouter.py KIND (a router that misbehaves)
# Usage: homenetwork.sh start DIR MODE | homenetwork.sh stop DIR
set -eu
cmd=$1 dir=$2

if [ "$cmd" = stop ]; then
    for f in "$dir/miniupnpd.pid" "$dir/router.pid"; do
        [ -f "$f" ] && kill "$(cat "$f")" 2>/dev/null || true
        rm -f "$f"
    done
    ip link del lan1 2>/dev/null || true
    exit 0
fi
mode=$3
# The readiness checks below read the log: never an earlier run's.
rm -f "$dir/miniupnpd.log"

# Only a namespace of the test's own, which holds nothing but its loopback yet.
if [ "$(ip -o link show | wc -l)" -ne 1 ]; then
    echo "homenetwork.sh: not in a fresh network namespace; refusing to touch this one" >&2
    exit 1
fi
ip link set lo up
# The router's namespace, held by this process; bounded so it cannot outlive a crash.
unshare -n sleep 120 &
router=$!
echo "$router" >"$dir/router.pid"
tries=0
while [ "$(readlink /proc/$router/ns/net)" = "$(readlink /proc/self/ns/net)" ]; do
    tries=$((tries + 1)); [ $tries -lt 500 ] || { echo "router namespace did not appear" >&2; exit 1; }
    sleep 0.01
done
in_router() { nsenter -t "$router" -n "$@"; }

ip link add lan1 type veth peer name lan0 netns "$router"
ip addr add 10.77.0.2/24 dev lan1
ip link set lan1 up
in_router ip link set lo up
in_router ip addr add 10.77.0.1/24 dev lan0
in_router ip link set lan0 up
# miniupnpd will not take a private or documentation address as its outside.
in_router ip link add wan0 type veth peer name wan1
in_router ip addr add 11.22.33.44/24 dev wan0
in_router ip link set wan0 up
in_router ip link set wan1 up
# The computer reaches everything, multicast discovery included, through the router.
ip route add default via 10.77.0.1 dev lan1

# The chains miniupnpd's nftables backend fills; it fails every mapping without them.
in_router nft -f - <<'NFT'
table inet filter {
  chain forward { type filter hook forward priority 0; policy accept; jump miniupnpd; }
  chain miniupnpd { }
  chain prerouting { type nat hook prerouting priority -100; policy accept; jump prerouting_miniupnpd; }
  chain prerouting_miniupnpd { }
  chain postrouting { type nat hook postrouting priority 100; policy accept; jump postrouting_miniupnpd; }
  chain postrouting_miniupnpd { }
}
NFT
[ "$mode" = none ] && exit 0

case $mode in hostile-*)
    nsenter -t "$router" -n timeout 120 /usr/bin/python3 "$(dirname "$0")/hostilerouter.py" "${mode#hostile-}" \
        10.77.0.1 5555 >"$dir/miniupnpd.log" 2>&1 &
    echo $! >"$dir/miniupnpd.pid"
    # Ready once a search of our own gets through: for a moment after a veth comes up,
    # it drops what is sent, and this router is ready sooner than the daemon.
    tries=0
    until grep -q "search vimbrel:probe" "$dir/miniupnpd.log" 2>/dev/null; do
        tries=$((tries + 1)); [ $tries -lt 300 ] || { cat "$dir/miniupnpd.log" >&2; exit 1; }
        grep -q ready "$dir/miniupnpd.log" 2>/dev/null && /usr/bin/python3 -c '
import socket
socket.socket(socket.AF_INET, socket.SOCK_DGRAM).sendto(
    b"M-SEARCH * HTTP/1.1\r\nST: vimbrel:probe\r\n\r\n", ("239.255.255.250", 1900))'
        sleep 0.02
    done
    exit 0
esac

{
    echo "ext_ifname=wan0"
    echo "listening_ip=lan0"
    echo "port=5555"
    echo "enable_upnp=yes"
    echo "enable_natpmp=no"
    echo "secure_mode=yes"
    echo "system_uptime=yes"
    echo "uuid=3f7d8a52-6b1e-4c47-9d55-2a1c0e9b7f11"
    [ "$mode" = allow ] && echo "allow 1024-65535 10.77.0.0/24 1024-65535"
    echo "deny 0-65535 0.0.0.0/0 0-65535"
} >"$dir/miniupnpd.conf"
nsenter -t "$router" -n timeout 120 /usr/sbin/miniupnpd -f "$dir/miniupnpd.conf" -d -P "$dir/miniupnpd.run.pid" \
    >"$dir/miniupnpd.log" 2>&1 &
echo $! >"$dir/miniupnpd.pid"
# Ready once it listens for requests and has joined the discovery group
# (239.255.255.250, as /proc/net/igmp writes it); it does the latter last.
tries=0
until grep -q "HTTP listening" "$dir/miniupnpd.log" 2>/dev/null &&
    in_router grep -q FAFFFFEF /proc/net/igmp; do
    tries=$((tries + 1)); [ $tries -lt 500 ] || { cat "$dir/miniupnpd.log" >&2; exit 1; }
    sleep 0.01
done
