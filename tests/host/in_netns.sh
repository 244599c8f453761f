#!/usr/bin/env bash
# Runs a test program in a network namespace of its own, with only loopback up, so the
# lobby server it starts listens nowhere else. Where no namespace can be made (not root,
# no unshare), it runs the program as it is with VIMBREL_NETNS unset, and the cases that
# need the namespace skip themselves.
set -u
if command -v unshare >/dev/null && command -v ip >/dev/null && unshare -n true 2>/dev/null; then
  exec unshare -n bash -c 'ip link set lo up && VIMBREL_NETNS=1 exec "$@"' bash "$@"
fi
exec "$@"
