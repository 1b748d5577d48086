#!/usr/bin/env bash
# Every system call the news helper makes inside its sandbox during normal transfers, traced with
# strace in a network namespace of its own (root): a literal IPv4 and IPv6 address, a name looked
# up over DNS on UDP and on TCP, a proxy, HTTPS, and a redirect from HTTP to HTTPS, verified
# against a certificate made here, given as a bundle and found in a hashed certificate folder
# inside the sandbox; all of them again as on a kernel without Landlock,
# where the helper sees the file system through a namespace of its own. Each transfer must bring
# its document, and every call the filter refused must be one refused on purpose; any other
# refusal is a call the libraries now make that the filter has never seen, and fails the check
# with its name.
# Usage: sandbox_syscalls_check.sh HELPER WITHOUT_LANDLOCK
set -euo pipefail
helper=$(realpath "$1")
without_landlock=$(realpath "$2")
here=$(dirname "$(realpath "$0")")
# Refused on purpose, as the start of a traced call: glibc tries clone3 first and falls back to
# clone, whose flags the filter can check; name lookup first asks the name service cache daemon
# over a local socket, and without one goes on by itself.
on_purpose='^(clone3\(|socket\(AF_UNIX,)'

namespace=voltarik-calls-$$
work=$(mktemp -d)
cleanup() {
  ip netns pids "$namespace" 2>/dev/null | xargs -r kill 2>/dev/null || true
  ip netns delete "$namespace" 2>/dev/null || true
  rm -rf "/etc/netns/$namespace" "$work"
}
trap cleanup EXIT
ip netns add "$namespace"
mkdir -p "/etc/netns/$namespace"
echo "127.0.0.1 localhost" >"/etc/netns/$namespace/hosts"
ip netns exec "$namespace" ip link set lo up
openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -days 1 -subj /CN=news.test \
  -addext subjectAltName=DNS:news.test -keyout "$work/key.pem" -out "$work/certificate.pem" \
  2>/dev/null
mkdir "$work/certs"
cp "$work/certificate.pem" "$work/certs/news.test.pem"
openssl rehash "$work/certs"
ip netns exec "$namespace" python3 "$here/loopback_name_and_news_server.py" \
  "$work/certificate.pem" "$work/key.pem" &
# Ready once its last server, HTTPS, takes connections: the others are listening by then.
for _ in $(seq 100); do
  ip netns exec "$namespace" bash -c 'echo >/dev/tcp/127.0.0.1/443' 2>/dev/null && break
  sleep 0.1
done

failed=0
wrapper=()  # what the helper runs under: nothing, or the program that hides Landlock
transfer() {  # NAME RESOLV_OPTIONS ADDRESS PORT_SERVING [VARIABLE=VALUE ...]
  local name=$1 options=$2 address=$3 port=$4
  shift 4
  printf 'nameserver 127.0.0.1\n%s\n' "$options" >"/etc/netns/$namespace/resolv.conf"
  # One trace file a thread, so that no call is split across lines.
  local trace=$work/$name/trace
  mkdir -p "$work/$name"
  # The helper's parent is strace, which sh becomes through exec: the helper is told sh's ID.
  sh -c 'exec "$@" "$$"' sh ip netns exec "$namespace" env -i "$@" "${wrapper[@]}" \
    strace -ff -qq -o "$trace" \
    "$helper" "$address" 3000 | cat >"$work/$name/frame"
  # The refusals after the filter is in place (the resolver's threads start inside it), and
  # those of them not made on purpose.
  local main refused unexpected
  if [ "${#wrapper[@]}" -gt 0 ] && ! unshare --user true 2>/dev/null; then
    # Neither Landlock nor a user namespace: the helper must fetch nothing at all.
    if [ "$(od -An -c "$work/$name/frame" | tr -s ' ')" = " V N F 1 F \0 \0 \0 \0 \0" ]; then
      echo "$name: no user namespaces here either: nothing fetched"
    else
      echo "$name: fetched without any layer keeping the helper from the user's files"; failed=1
    fi
    return
  fi
  main=$(grep -l 'seccomp(SECCOMP_SET_MODE_FILTER' "$trace".* || true)
  refused=$(for file in "$trace".*; do
    if [ "$file" = "$main" ]; then sed -n '/seccomp(SECCOMP_SET_MODE_FILTER/,$p' "$file"
    else cat "$file"; fi
  done | { grep -E ' = -1 (EPERM|ENOSYS) ' || true; })
  unexpected=$({ grep -vE "$on_purpose" <<<"$refused" || true; } | sed '/^$/d')
  if [ -z "$main" ]; then
    echo "$name: the helper never entered its filter"; failed=1
  elif ! grep -qa "voltarik news via $port\$" "$work/$name/frame"; then
    echo "$name: no document: $(od -An -c "$work/$name/frame" | head -c 200)"; failed=1
  elif [ -n "$unexpected" ]; then
    echo "$name: refused calls the filter has never seen:"
    sort -u <<<"$unexpected" | head -n 10
    failed=1
  else
    echo "$name: document brought; refused on purpose:" \
      "$({ sed -E 's/\(.*//' <<<"$refused" | sort -u | tr '\n' ' '; } | sed 's/^ *$/none/')"
  fi
}
for kernel in with_landlock without_landlock; do
  [ "$kernel" = with_landlock ] || wrapper=("$without_landlock")
  transfer "$kernel/ipv4" '' 127.0.0.1/voltarik.txt 80
  transfer "$kernel/ipv6" '' '[::1]/voltarik.txt' 80
  transfer "$kernel/dns_udp" '' news.test/voltarik.txt 80
  transfer "$kernel/dns_tcp" 'options use-vc' news.test/voltarik.txt 80
  transfer "$kernel/proxy" '' news.test/voltarik.txt 8080 http_proxy=http://proxy.test:8080
  transfer "$kernel/https" '' https://news.test/voltarik.txt 443 \
    SSL_CERT_FILE="$work/certificate.pem"
  transfer "$kernel/http_to_https" '' news.test/to-https 443 SSL_CERT_FILE="$work/certificate.pem"
  transfer "$kernel/https_hashed_folder" '' https://news.test/voltarik.txt 443 \
    SSL_CERT_DIR="$work/certs"
done
exit $failed
