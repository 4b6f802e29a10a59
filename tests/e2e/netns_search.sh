#!/usr/bin/env bash
# Runs the panel on its real ports and the real broadcast address, with a
# simulated multiviewer, inside two network namespaces joined by a veth pair.
# Nothing reaches the machine's own network. Exit 77 when namespaces cannot
# be made here (the caller skips and says why).
# Usage: netns_search.sh PANEL DEVSIM
set -u
panel=$1
devsim=$2
tag=$$
ns_p=kvpanel$tag
ns_d=kvdev$tag
work=$(mktemp -d)
dev_pid=
panel_pid=

cleanup() {
  [ -n "$panel_pid" ] && kill "$panel_pid" 2>/dev/null
  [ -n "$dev_pid" ] && kill "$dev_pid" 2>/dev/null
  wait 2>/dev/null
  ip netns del "$ns_p" 2>/dev/null
  ip netns del "$ns_d" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

if ! command -v ip >/dev/null 2>&1; then
  echo "SKIP: iproute2 (ip) is not installed"
  exit 77
fi
if ! ip netns add "$ns_p" 2>"$work/err"; then
  echo "SKIP: cannot create a network namespace here: $(head -n1 "$work/err")"
  exit 77
fi
if ! ip netns add "$ns_d" 2>"$work/err" ||
   ! ip link add "vp$tag" netns "$ns_p" type veth peer name "vd$tag" netns "$ns_d" 2>"$work/err"; then
  echo "SKIP: cannot join network namespaces with veth here: $(head -n1 "$work/err")"
  exit 77
fi
ip -n "$ns_p" addr add 10.213.7.1/24 dev "vp$tag"
ip -n "$ns_d" addr add 10.213.7.2/24 dev "vd$tag"
for ns in "$ns_p" "$ns_d"; do ip -n "$ns" link set lo up; done
ip -n "$ns_p" link set "vp$tag" up
ip -n "$ns_d" link set "vd$tag" up
# The limited broadcast leaves through the namespace's only link.
ip -n "$ns_p" route add default dev "vp$tag"
ip -n "$ns_d" route add default dev "vd$tag"

ip netns exec "$ns_d" "$devsim" --multiviewer 1 --first-address 10.213.7.2 \
  --search-address 255.255.255.255 --panel-address 10.213.7.1 --any-address >"$work/dev.log" 2>&1 &
dev_pid=$!
for _ in $(seq 50); do grep -q '^ready' "$work/dev.log" && break; sleep 0.1; done
if ! grep -q '^ready' "$work/dev.log"; then
  echo "FAIL: the simulator did not start"; cat "$work/dev.log"; exit 1
fi

# The panel with no link options at all: ports 7000/7001, 255.255.255.255.
# Its settings in a folder of the run's own, never the user's.
ip netns exec "$ns_p" env QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME="$work/config" \
  "$panel" --scan >"$work/panel.log" 2>&1 &
panel_pid=$!
for _ in $(seq 100); do grep -q 'cmd=0x32' "$work/dev.log" && break; sleep 0.1; done
cat "$work/dev.log"
if ! grep -q 'cmd=0xFF' "$work/dev.log"; then echo "FAIL: no search arrived"; exit 1; fi
if ! grep -q 'cmd=0x32' "$work/dev.log"; then echo "FAIL: no state query arrived"; exit 1; fi
if grep -q 'BAD\|MISADDRESSED' "$work/dev.log"; then echo "FAIL: bad frames"; exit 1; fi
echo "PASS"
exit 0
