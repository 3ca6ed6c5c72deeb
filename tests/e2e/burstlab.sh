#!/usr/bin/env bash
# Two network namespaces joined by a veth pair, for the entry-burst test and bench: a
# copy under test in NAMEc and, in NAMEr, a crowd of peers that answer it. Needs root.
#
#   burstlab.sh up NAME COUNT   NAMEc at 10.77.0.1/16; NAMEr at 10.77.0.2/16 and able to
#                               send from and receive at every address of 10.77.128.0/17
#   burstlab.sh peer I          the address of peer I (0-based), as the bench uses it
#   burstlab.sh down NAME       remove both namespaces and the pair (safe to repeat)
#
# NAME starts with "psc" and has at most 10 characters (interface names hold 15).
# Every address lies inside the one /16, so what the copy sends stays on the pair. The
# copy's side knows the peers' hardware address for good (permanent neighbours): the
# kernel's neighbour table is shared by all namespaces and holds 1024 resolved entries
# by default, and 10,000 address resolutions at once would overflow it for everybody.
set -euo pipefail

cmd=${1:-}
[ -n "$cmd" ] || { sed -n '2,14p' "$0" >&2; exit 2; }

copy_mac=02:00:0a:4d:00:01
crowd_mac=02:00:0a:4d:00:02
peer() { echo "10.77.$(( 128 + $1 / 254 )).$(( 1 + $1 % 254 ))"; }

case "$cmd" in
peer)
  peer "${2:?index}"
  exit 0
  ;;
esac

name=${2:-}
case "$name" in psc*) ;; *) echo "burstlab.sh: NAME must start with psc" >&2; exit 2 ;; esac
[ ${#name} -le 10 ] || { echo "burstlab.sh: NAME '$name' is longer than 10 characters" >&2; exit 2; }

case "$cmd" in
up)
  count=${3:?count}
  [ "$count" -le 32000 ] || { echo "burstlab.sh: at most 32000 peers" >&2; exit 2; }
  "$0" down "$name" >/dev/null 2>&1 || true
  ip netns add "${name}c"
  ip netns add "${name}r"
  ip link add "${name}c0" address $copy_mac netns "${name}c" type veth \
    peer name "${name}r0" address $crowd_mac netns "${name}r"

  ip -n "${name}c" link set lo up
  ip -n "${name}c" addr add 10.77.0.1/16 brd 10.77.255.255 dev "${name}c0"
  ip -n "${name}c" link set "${name}c0" up
  # Without a default route, sending to 255.255.255.255 fails with ENETUNREACH.
  ip -n "${name}c" route add default dev "${name}c0"

  ip -n "${name}r" link set lo up
  ip -n "${name}r" addr add 10.77.0.2/16 brd 10.77.255.255 dev "${name}r0"
  ip -n "${name}r" link set "${name}r0" up
  # The crowd's addresses: all of them local, none of them configured one by one.
  ip -n "${name}r" route add local 10.77.128.0/17 dev lo
  ip -n "${name}r" neigh replace 10.77.0.1 lladdr $copy_mac dev "${name}r0" nud permanent

  for (( i = 0; i < count; i++ )); do
    # Inline, not $(peer): a subshell for each of 10,000 peers takes seconds.
    echo "neigh replace 10.77.$(( 128 + i / 254 )).$(( 1 + i % 254 )) lladdr $crowd_mac dev ${name}c0 nud permanent"
  done | ip -n "${name}c" -batch -
  ;;
down)
  ip netns del "${name}c" 2>/dev/null || true
  ip netns del "${name}r" 2>/dev/null || true
  ip link del "${name}c0" 2>/dev/null || true
  ;;
*)
  sed -n '2,14p' "$0" >&2
  exit 2
  ;;
esac
