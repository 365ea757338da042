#!/usr/bin/env bash
# Time from SIGTERM to the exit of qvrun while a script holds a page of
# about 1 GB that is still arriving ("arriving"), and while it keeps the text
# of a 500 MB page (1 GB of UTF-16, a block of the heap) and a second page
# arrives ("kept"): the kernel gives back 4 KB pages slowly, so this shows
# whether the large blocks lie on huge pages. Runs ROUNDS times each with
# qvrun's own settings and, for comparison, with a user's GLIBC_TUNABLES that
# keeps the huge-page switch of the heap off.
# Usage: bench/stop_large_transfer.sh [ROUNDS] (default 5)
#   QVRUN=path   qvrun to use (default build/release/cli/qvrun)
set -u
here="$(cd "$(dirname "$0")" && pwd)"
root="$(dirname "$here")"
rounds="${1:-5}"
qvrun="${QVRUN:-$root/build/release/cli/qvrun}"
work="$(mktemp -d)"
server_pid=""
cleanup() {
  [ -n "$server_pid" ] && kill "$server_pid" 2> /dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# /big announces 1.5 GB, sends 1 GB at once, then a byte a second; /full
# is a complete page of 500 MB.
cat > "$work/server.py" <<'PY'
import sys, time, socket, threading
sock = socket.socket()
sock.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
sock.bind(("127.0.0.1", 0))
sock.listen(8)
open(sys.argv[1], "w").write(str(sock.getsockname()[1]))
chunk = b"x" * (1 << 20)
def serve(conn):
    try:
        request = conn.recv(65536)
        if b"GET /full" in request:
            conn.sendall(b"HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: 524288000\r\n"
                         b"Connection: close\r\n\r\n")
            for _ in range(500):
                conn.sendall(chunk)
            conn.close()
            return
        conn.sendall(b"HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: 1500000000\r\n\r\n")
        for _ in range(1000):
            conn.sendall(chunk)
        while True:
            time.sleep(1)
            conn.sendall(b"x")
    except OSError:
        pass
    conn.close()
while True:
    c, _ = sock.accept()
    threading.Thread(target=serve, args=(c,), daemon=True).start()
PY
python3 "$work/server.py" "$work/port" & server_pid=$!
for _ in $(seq 100); do [ -s "$work/port" ] && break; sleep 0.05; done
port=$(cat "$work/port")
printf '#language js\nhttpget("http://127.0.0.1:%s/big");\n' "$port" > "$work/arriving.qvs"
printf '#language js\nvar kept = httpget("http://127.0.0.1:%s/full");\nhttpget("http://127.0.0.1:%s/big");\n' \
  "$port" "$port" > "$work/kept.qvs"

rss_mb() { awk '/^VmRSS/ {print int($2 / 1024)}' "/proc/$1/status" 2> /dev/null; }

measure() {  # measure LABEL SCRIPT RSS-MB COMMAND...
  local label=$1 script=$2 rss=$3
  shift 3
  local times=()
  for _ in $(seq "$rounds"); do
    "$@" "$qvrun" --plain "$work/$script.qvs" > /dev/null 2>&1 &
    local pid=$!
    for _ in $(seq 600); do
      [ "$(rss_mb "$pid")" -ge "$rss" ] 2> /dev/null && break
      sleep 0.05
    done
    local huge
    huge=$(awk '/AnonHugePages/ {s += $2} END {print int(s / 1024)}' "/proc/$pid/smaps" 2> /dev/null)
    local start
    start=$(date +%s%N)
    kill -TERM "$pid"
    wait "$pid"
    local rc=$?
    times+=("$((($(date +%s%N) - start) / 1000000)) ms (exit $rc, ${huge} MB on huge pages)")
  done
  echo "$label:"
  printf '  %s\n' "${times[@]}"
}

own=GLIBC_TUNABLES=glibc.malloc.check=0
measure "arriving, qvrun as it starts itself" arriving 1000 env
measure "arriving, GLIBC_TUNABLES of the user's own" arriving 1000 env "$own"
measure "kept, qvrun as it starts itself" kept 2000 env
measure "kept, GLIBC_TUNABLES of the user's own" kept 2000 env "$own"
