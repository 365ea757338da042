#!/usr/bin/env bash
# The pooled crawler (examples/crawl: 8 workers on the work queue) against
# one child thread per page (8 at a time) on a generated site served on
# 127.0.0.1: wall and CPU time of qvrun, and the TCP connections and
# requests the server saw. Usage: bench/crawl_pool.sh [PAGES] (default 2000).
set -euo pipefail
cd "$(dirname "$0")/.."
pages=${1:-2000}
bash scripts/build.sh release qvrun >/dev/null
qvrun=build/release/cli/qvrun

run() {  # label, script, queue name
  local port
  port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
  python3 bench/crawl/site_server.py "$port" "$pages" &
  local server=$!
  for _ in $(seq 50); do curl -s -o /dev/null "http://127.0.0.1:$port/stats" && break; sleep 0.1; done
  local times
  times=$( { /usr/bin/time -f "%e %U %S" "$qvrun" --plain --var "base=http://127.0.0.1:$port/p/" \
             --var "queue=$3" --var workers=8 "$2" >/dev/null; } 2>&1 | tail -1)
  local stats
  stats=$(curl -s "http://127.0.0.1:$port/stats")
  kill "$server"
  read -r wall user sys <<<"$times"
  read -r conns reqs <<<"$stats"
  printf "%-16s wall %6.2f s  cpu %6.2f s  connections %5d  requests %5d\n" "$1" "$wall" \
    "$(echo "$user + $sys" | bc)" $((conns - 2)) "$reqs"
}

echo "crawl of $pages pages:"
run pooled examples/crawl/crawl.qvs pool
run thread-per-page bench/crawl/per_page.qvs perpage
