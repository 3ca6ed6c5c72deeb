#!/usr/bin/env bash
# A virtual LAN of network namespaces joined by a Linux bridge, for end-to-end tests
# that need several copies of the program, each with its own address, broadcasting
# for real. Needs root.
#
#   vlan.sh up NAME COUNT       hosts NAME-1..NAME-COUNT at 10.X.0.2.. on bridge NAME-br
#   vlan.sh addr NAME I         the address of host I
#   vlan.sh exec NAME I CMD...  run CMD inside host I
#   vlan.sh loss NAME I PCT     drop PCT% of host I's packets at random, both ways
#   vlan.sh bridgeloss NAME PCT drop PCT% of the UDP datagrams crossing the bridge (0: none)
#   vlan.sh down NAME           remove every host and the bridge (safe to repeat)
#
# NAME must be short (interface names are limited to 15 characters). The subnet is
# derived from NAME so that two LANs with different names can exist side by side.
set -euo pipefail

cmd=${1:-}
name=${2:-}
[ -n "$cmd" ] && [ -n "$name" ] || { sed -n '2,13p' "$0" >&2; exit 2; }
[ ${#name} -le 8 ] || { echo "vlan.sh: NAME '$name' is longer than 8 characters" >&2; exit 2; }

# 10.<1..250>.0.0/24, chosen from the name.
octet=$(( ($(printf '%s' "$name" | cksum | cut -d' ' -f1) % 250) + 1 ))
subnet="10.$octet.0"
bridge="$name-br"

addr() { echo "$subnet.$(( $1 + 1 ))"; }
# The bridge's loss rules live in the root namespace, one table per LAN.
bridge_table="palavo_loss_${name//[^A-Za-z0-9_]/_}"

case "$cmd" in
up)
  count=${3:?count}
  "$0" down "$name" >/dev/null 2>&1 || true
  ip link add "$bridge" type bridge
  ip addr add "$subnet.1/24" dev "$bridge"
  ip link set "$bridge" up
  for i in $(seq 1 "$count"); do
    ns="$name-$i"
    ip netns add "$ns"
    ip link add "$name-v$i" type veth peer name eth0 netns "$ns"
    ip link set "$name-v$i" master "$bridge" up
    ip -n "$ns" link set lo up
    ip -n "$ns" addr add "$(addr "$i")/24" brd "$subnet.255" dev eth0
    ip -n "$ns" link set eth0 up
    # Without a default route, sending to 255.255.255.255 fails with ENETUNREACH.
    ip -n "$ns" route add default via "$subnet.1"
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
  nft delete table bridge "$bridge_table" 2>/dev/null || true
  # Only UDP: address resolution must not fail, or whole exchanges would vanish for a
  # second instead of single datagrams.
  [ "$pct" -eq 0 ] || nft -f - <<NFT
table bridge $bridge_table {
  chain forward {
    type filter hook forward priority 0;
    iifname "$name-v*" meta l4proto udp numgen random mod 100 < $pct drop;
  }
}
NFT
  ;;
down)
  nft delete table bridge "$bridge_table" 2>/dev/null || true
  for ns in $(ip netns list | awk '{print $1}' | grep -E "^$name-[0-9]+$" || true); do
    ip netns del "$ns" || true
  done
  ip link del "$bridge" 2>/dev/null || true
  for link in $(ip -o link show | awk -F': ' '{print $2}' | cut -d@ -f1 | grep -E "^$name-v[0-9]+$" || true); do
    ip link del "$link" 2>/dev/null || true
  done
  ;;
*)
  sed -n '2,13p' "$0" >&2
  exit 2
  ;;
esac
