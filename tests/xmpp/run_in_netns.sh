#!/usr/bin/env bash
# Runs a test program in a network namespace of its own with only loopback up, so the
# lobby server it starts can listen on fixed ports and nothing reaches another network.
# Exits 77 (skipped) where namespaces or ejabberd are not available.
set -u
if ! command -v ejabberdctl >/dev/null 2>&1 && [ ! -x /usr/sbin/ejabberdctl ]; then
  echo "SKIP: ejabberd is not installed (apt-get install ejabberd)"
  exit 77
fi
if ! unshare -n true 2>/dev/null; then
  echo "SKIP: cannot create a network namespace here (needs root or user namespaces)"
  exit 77
fi
exec unshare -n bash -c 'ip link set lo up && exec "$@"' netns "$@"
