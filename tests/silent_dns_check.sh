#!/usr/bin/env bash
# The news helper against a name server that never answers: in a network namespace of its own
# whose resolv.conf names a loopback name server that reads every query and answers none, a
# fetch of a name it must look up ends with a failure frame within its 3 s and a little more.
# Needs root (ip netns, /etc/netns); the namespace and its folder are removed again.
# Usage: silent_dns_check.sh HELPER
set -euo pipefail
helper=$(realpath "$1")
namespace=voltarik-dns-$$
cleanup() {
  ip netns pids "$namespace" 2>/dev/null | xargs -r kill 2>/dev/null || true
  ip netns delete "$namespace" 2>/dev/null || true
  rm -rf "/etc/netns/$namespace"
}
trap cleanup EXIT
ip netns add "$namespace"
mkdir -p "/etc/netns/$namespace"
echo "nameserver 127.0.0.1" >"/etc/netns/$namespace/resolv.conf"
echo "127.0.0.1 localhost" >"/etc/netns/$namespace/hosts"
ip netns exec "$namespace" ip link set lo up
ip netns exec "$namespace" /usr/bin/python3 -c '
import socket
server = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
server.bind(("127.0.0.1", 53))
while True:
    server.recvfrom(512)' &
# The fetch starts once the name server listens.
for _ in $(seq 100); do
  [ -n "$(ip netns exec "$namespace" ss -Hlun 'sport = :53')" ] && break
  sleep 0.05
done
started=$(date +%s%N)
# The helper is told its parent's process ID, as the program tells it: sh's parent, since sh
# becomes the helper through exec.
frame=$(sh -c 'exec "$@" "$PPID"' sh ip netns exec "$namespace" env -i "$helper" \
  news.example/voltarik.txt 3000 | od -An -c | tr -s ' ')
took=$((($(date +%s%N) - started) / 1000000))
echo "helper answered after $took ms: $frame"
[ "$frame" = " V N F 1 F \0 \0 \0 \0 \0" ] || { echo "not a failure frame"; exit 1; }
[ "$took" -ge 2900 ] && [ "$took" -le 3300 ] || { echo "not within the fetch's limit"; exit 1; }
