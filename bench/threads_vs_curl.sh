#!/usr/bin/env bash
# Script threads against curl in one run: 50 child scripts, each downloading
# 20 pages from a server on 127.0.0.1 and logging a line per page, against
# `curl --parallel --parallel-max 50` fetching the same 1,000 addresses. Then
# the start-up cost of one child: runthread of a one-line script up to its
# end callback, averaged over 500 children started one after another.
# Wall times, best of three.
#   bench/threads_vs_curl.sh [path/to/qvrun]
set -euo pipefail
cd "$(dirname "$0")/.."
qvrun=$(realpath "${1:-build/release/cli/qvrun}")
work=$(mktemp -d)
trap 'kill "$server" 2>/dev/null || true; rm -rf "$work"' EXIT

mkdir -p "$work/site"
for p in $(seq 1 20); do
  python3 -c "import sys; print('<html><head><title>page %s</title></head><body>' % sys.argv[1] + 'text ' * 2000 + '</body></html>')" "$p" \
    > "$work/site/p$p.html"
done
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
# http.server with HTTP/1.1 keep-alive and a listen backlog that takes 50
# connections at once (its default of 5 drops connection attempts, which
# then wait a second for the retry).
python3 - "$port" "$work/site" <<'PY' &
import functools, http.server, sys
class Handler(http.server.SimpleHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    def log_message(self, *args):
        pass
http.server.ThreadingHTTPServer.request_queue_size = 256
http.server.ThreadingHTTPServer.daemon_threads = True
http.server.ThreadingHTTPServer(("127.0.0.1", int(sys.argv[1])),
                                functools.partial(Handler, directory=sys.argv[2])).serve_forever()
PY
server=$!
for _ in $(seq 50); do curl -s -o /dev/null "http://127.0.0.1:$port/p1.html" && break; sleep 0.1; done
base="http://127.0.0.1:$port"

# The same 1,000 addresses for both: child c fetches p1..p20 with ?c=c.
for c in $(seq 1 50); do
  for p in $(seq 1 20); do
    printf 'url = "%s/p%s.html?c=%s"\noutput = /dev/null\n' "$base" "$p" "$c"
  done
done > "$work/curl.cfg"

cat > "$work/fifty.qvs" <<QVS
#language js
var q = Chr(34);
for (var c = 1; c <= 50; c++)
  runthread("#language js" + #13#10 +
            "for (var p = 1; p <= 20; p++) lg(regmatch(httpget(" + q + "$base/p" + q +
            " + IntToStr(p) + " + q + ".html?c=" + IntToStr(c) + q + "), " + q + "<title>(.*?)</title>" + q + ", 1));",
            "c" + IntToStr(c));
waitthread();
QVS

cat > "$work/startup.qvs" <<'QVS'
#language js
var ended = 0;
function over(t) { ended++; }
var t0 = GetTickCount();
for (var i = 1; i <= 500; i++) { runthread("#language js" + #13#10 + "x = 1;", "", "", "over"); waitthread(); }
lg(IntToStr(ended) + " " + IntToStr(GetTickCount() - t0));
QVS

best() {  # best wall time in ms of three runs of "$@"
  local best=999999999
  for _ in 1 2 3; do
    local s e
    s=$(date +%s%N)
    "$@" > "$work/out.txt"
    e=$(date +%s%N)
    local ms=$(((e - s) / 1000000))
    [ "$ms" -lt "$best" ] && best=$ms
  done
  echo "$best"
}

ours=$(best "$qvrun" --plain "$work/fifty.qvs")
lines=$(wc -l < "$work/out.txt")
peer=$(best curl -s --no-progress-meter --parallel --parallel-max 50 -K "$work/curl.cfg")
echo "50 children x 20 pages: qvrun ${ours} ms (${lines} lines), curl --parallel ${peer} ms," \
     "ratio $(python3 -c "print(round($ours / max($peer, 1), 2))")"

read -r ended total < <("$qvrun" --plain "$work/startup.qvs")
echo "one child from runthread to its end callback: $((total * 1000 / ended)) us (${ended} children, ${total} ms)"

# A parent with 50 running children (sleeping, downloading from a server that
# trickles, busy in a loop) interrupted: time from SIGINT to the exit of qvrun.
slowport=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
python3 - "$slowport" <<'PY' &
import http.server, socketserver, sys, time
class Slow(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        self.send_response(200)
        self.send_header("Content-Length", "100000")
        self.end_headers()
        try:
            for _ in range(100000):
                self.wfile.write(b"x"); self.wfile.flush(); time.sleep(0.05)
        except OSError:
            pass
    def log_message(self, *args):
        pass
socketserver.ThreadingTCPServer.allow_reuse_address = True
socketserver.ThreadingTCPServer.daemon_threads = True
socketserver.ThreadingTCPServer(("127.0.0.1", int(sys.argv[1])), Slow).serve_forever()
PY
slowserver=$!
trap 'kill "$server" "$slowserver" 2>/dev/null || true; rm -rf "$work"' EXIT
cat > "$work/busy.qvs" <<QVS
#language js
var q = Chr(34);
for (var c = 0; c < 50; c++) {
  var body = "sleep(60000);";
  if (c % 3 == 1) body = "httpget(" + q + "http://127.0.0.1:$slowport/" + q + ");";
  if (c % 3 == 2) body = "while (true) { x = 1; }";
  runthread("#language js" + #13#10 + body, "c" + IntToStr(c));
}
lg("started");
waitthread();
QVS
sleep 0.3
"$qvrun" --plain "$work/busy.qvs" > "$work/busy.out" &
pid=$!
for _ in $(seq 100); do grep -q started "$work/busy.out" 2>/dev/null && break; sleep 0.05; done
sleep 1
s=$(date +%s%N)
kill -INT "$pid"
wait "$pid" || true
e=$(date +%s%N)
echo "50 running children stopped by SIGINT: qvrun exited after $(((e - s) / 1000000)) ms"
