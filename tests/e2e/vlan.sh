#!/usr/bin/env bash
# A virtual LAN of network namespaces joined by a Linux bridge, for end-to-end tests
# that need several copies of the program, each with its own address, broadcasting
# for real. Needs root.
#
#   vlan.sh up NAME COUNT       hosts NAME-1..NAME-COUNT at 10.X.0.2.. (a /16), bridged in NAME-br
#   vlan.sh addr NAME I         the address of host I
#   vlan.sh exec NAME I CMD...  run CMD inside host I
#   vlan.sh loss NAME I PCT     drop PCT% of host I's packets at random, both ways
#   vlan.sh bridgeloss NAME PCT drop PCT% of the UDP datagrams crossing the bridge (0: none)
#   vlan.sh down NAME           remove every host and the bridge (safe to repeat)
#
# The LAN is sealed: the bridge lives in a namespace of its own (NAME-br) with no
# address, and each host's default route points out of its own eth0 with no gateway.
# Whatever a host sends, to any address, stays on the LAN; the machine's own network
# never sees it. NAME must be short; the subnet is derived from it.
set -euo pipefail

cmd=${1:-}
name=${2:-}
[ -n "$cmd" ] && [ -n "$name" ] || { sed -n '2,16p' "$0" >&2; exit 2; }
[ ${#name} -le 8 ] || { echo "vlan.sh: NAME '$name' is longer than 8 characters" >&2; exit 2; }

# 10.<1..250>.0.0/16, chosen from the name.
octet=$(( ($(printf '%s' "$name" | cksum | cut -d' ' -f1) % 250) + 1 ))
brns="$name-br"

# Host I is the (I+1)-th address of the /16: 10.X.0.2 for host 1, and the old /24
# numbers stay what they were for the first 253 hosts.
addr() {
  local n=$(( $1 + 1 ))
  [ "$1" -ge 1 ] && [ "$n" -le 65534 ] || { echo "vlan.sh: no host $1" >&2; return 2; }
  echo "10.$octet.$(( n / 256 )).$(( n % 256 ))"
}

case "$cmd" in
up)
  count=${3:?count}
  "$0" down "$name" >/dev/null 2>&1 || true
  ip netns add "$brns"
  ip -n "$brns" link set lo up
  ip -n "$brns" link add br0 type bridge
  ip -n "$brns" link set br0 up
  for i in $(seq 1 "$count"); do
    ns="$name-$i"
    ip netns add "$ns"
    ip -n "$brns" link add "v$i" type veth peer name eth0 netns "$ns"
    ip -n "$brns" link set "v$i" master br0 up
    ip -n "$ns" link set lo up
    ip -n "$ns" addr add "$(addr "$i")/16" brd + dev eth0
    ip -n "$ns" link set eth0 up
    # On-link, no gateway: sending to 255.255.255.255 needs a default route, and any
    # address outside the LAN is simply asked for on the LAN, where nobody answers.
    ip -n "$ns" route add default dev eth0
  done
  ;;
addr)
  addr "${3:?host}"
  ;;
exec)
  i=${3:?host}
  shift 3
  exec ip netns exec "$name-$i" "$@"
  ;;
loss)
  i=${3:?host}
  pct=${4:?percent}
  ip netns exec "$name-$i" nft -f - <<NFT
table inet palavo_loss
delete table inet palavo_loss
table inet palavo_loss {
  chain input  { type filter hook input priority 0; numgen random mod 100 < $pct drop; }
  chain output { type filter hook output priority 0; numgen random mod 100 < $pct drop; }
}
NFT
  ;;
bridgeloss)
  pct=${3:?percent}
  ip netns exec "$brns" nft delete table bridge palavo_loss 2>/dev/null || true
  # Only UDP: address resolution must not fail, or whole exchanges would vanish for a
  # second instead of single datagrams.
  [ "$pct" -eq 0 ] || ip netns exec "$brns" nft -f - <<NFT
table bridge palavo_loss {
  chain forward {
    type filter hook forward priority 0;
    iifname "v*" meta l4proto udp numgen random mod 100 < $pct drop;
  }
}
NFT
  ;;
down)
  # Deleting a namespace deletes its veth ends, and with them their peers.
  for ns in $(ip netns list | awk '{print $1}' | grep -E "^$name-([0-9]+|br)$" || true); do
    ip netns del "$ns" || true
  done
  # LANs made before the bridge had its own namespace left it and its ports here.
  for link in $(ip -o link show | awk -F': ' '{print $2}' | cut -d@ -f1 | grep -E "^$name-(br|v[0-9]+)$" || true); do
    ip link del "$link" 2>/dev/null || true
  done
  ;;
*)
  sed -n '2,16p' "$0" >&2
  exit 2
  ;;
esac
