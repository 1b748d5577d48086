#!/usr/bin/env bash
# Peak resident memory (VmHWM) of the program, started under Xvfb and closed once its window is
# up, with the news port refused, a short document, a document of the largest accepted size
# (1 MiB) and a server sending an endless body. Run after bench/measure-cost.sh has built
# build-bench/. Usage: bench/measure-news-memory.sh [rounds]
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=${1:-5}
port=8907
binary=build-bench/window/voltarik

peak() {
  QT_QPA_PLATFORM=xcb xvfb-run --auto-servernum /usr/bin/python3 - "$binary" <<'PY'
import os, subprocess, sys, time
sys.path.insert(0, "tools")
from x11_window import ask_to_close, open_display, wait_for_map
x = open_display()
process = subprocess.Popen([sys.argv[1]], stderr=subprocess.DEVNULL)
window = wait_for_map(x, time.monotonic() + 30)
time.sleep(0.5)
with open(f"/proc/{process.pid}/status") as status:
    print(next(line.split()[1] for line in status if line.startswith("VmHWM:")))
ask_to_close(x, window)
process.wait(timeout=10)
PY
}

for kind in refused short mib flood; do
  server=
  if [ "$kind" != refused ]; then
    /usr/bin/python3 bench/news_server.py $port 0 "$kind" &
    server=$!
    sleep 0.5
  fi
  values=()
  for _ in $(seq "$rounds"); do values+=("$(peak)"); done
  [ -n "$server" ] && kill "$server" && wait "$server" 2>/dev/null || true
  median=$(printf '%s\n' "${values[@]}" | sort -n | sed -n "$(((rounds + 1) / 2))p")
  echo "$kind: peak RSS median $((median / 1024)) MiB ($median KiB; rounds: ${values[*]})"
done
