#!/usr/bin/env bash
# Peak memory of one large download: qvrun fetches a page of SIZE MB from a
# loopback server and logs its length; /usr/bin/time gives the peak RSS.
# Pages: ASCII HTML read in the ANSI code page 936 (ICU's converter), the
# same declared UTF-8 with Chinese text, the ASCII page gzip-compressed, and
# the ASCII page sent chunked (no announced length). The goal is at most
# 3 times the page plus 64 MB.
# Usage: bench/download_memory.sh [SIZE_MB] (default 100)
#   QVRUN=path   qvrun to use (default build/release/cli/qvrun)
#   BASE=path    a second qvrun (an older build) run on the same pages
set -u
here="$(cd "$(dirname "$0")" && pwd)"
root="$(dirname "$here")"
mb="${1:-100}"
qvrun="${QVRUN:-$root/build/release/cli/qvrun}"
work="$(mktemp -d)"
server_pid=""
cleanup() {
  [ -n "$server_pid" ] && kill "$server_pid" 2> /dev/null
  rm -rf "$work"
}
trap cleanup EXIT

python3 - "$mb" "$work" <<'PY'
import sys, gzip
mb, work = int(sys.argv[1]), sys.argv[2]
size = mb * 1000 * 1000
def fill(head, line):
    out = bytearray(head)
    n = 0
    while len(out) < size:
        out += line % n
        n += 1
    return bytes(out[:size])
ascii_page = fill(b"<html><head><title>big</title></head><body>\n",
                  b"<p>line %08d of a large page of plain text</p>\n")
open(f"{work}/ascii.html", "wb").write(ascii_page)
utf8_page = fill(b'<html><head><meta charset="utf-8"></head><body>\n',
                 "<p>第 %08d 行：一个很大的中文页面</p>\n".encode())
open(f"{work}/utf8.html", "wb").write(utf8_page)
open(f"{work}/ascii.gz", "wb").write(gzip.compress(ascii_page, 6))
PY

cat > "$work/server.py" <<'PY'
import sys, http.server, socketserver
work = sys.argv[1]
class H(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    def log_message(self, *a): pass
    def do_GET(self):
        name = {"/ascii": "ascii.html", "/utf8": "utf8.html", "/gzip": "ascii.gz",
                "/chunked": "ascii.html"}[self.path]
        data = open(f"{work}/{name}", "rb").read()
        self.send_response(200)
        self.send_header("Content-Type", "text/html")
        if self.path == "/gzip":
            self.send_header("Content-Encoding", "gzip")
        if self.path == "/chunked":
            self.send_header("Transfer-Encoding", "chunked")
            self.end_headers()
            for i in range(0, len(data), 1 << 20):
                part = data[i:i + (1 << 20)]
                self.wfile.write(b"%x\r\n%s\r\n" % (len(part), part))
            self.wfile.write(b"0\r\n\r\n")
        else:
            self.send_header("Content-Length", str(len(data)))
            self.end_headers()
            self.wfile.write(data)
class S(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
s = S(("127.0.0.1", 0), H)
print(s.server_address[1], flush=True)
s.serve_forever()
PY
python3 "$work/server.py" "$work" > "$work/port" &
server_pid=$!
for _ in $(seq 100); do [ -s "$work/port" ] && break; sleep 0.1; done
port="$(cat "$work/port")"

run() {  # qvrun page codepage -> "peak_MB text_length"
  # Length(s) takes a copy of the text, so the peak is measured with a
  # script that only keeps the page, and the length comes from a second run.
  cat > "$work/get.qvs" <<EOF
#language js
var s = httpget("http://127.0.0.1:$port/$2"${4:-});
lg(_Get.ResponseCode);
EOF
  cat > "$work/len.qvs" <<EOF
#language js
lg(length(httpget("http://127.0.0.1:$port/$2"${4:-})));
EOF
  QUORVINT_CODEPAGE="$3" /usr/bin/time -f "%M" -o "$work/rss" "$1" --plain "$work/get.qvs" > /dev/null 2>&1
  QUORVINT_CODEPAGE="$3" "$1" --plain "$work/len.qvs" > "$work/out" 2>&1
  echo "$(( $(cat "$work/rss") / 1024 )) $(tail -1 "$work/out")"
}

printf "%-8s %8s %12s %10s" page "size MB" "text units" "peak MB"
[ -n "${BASE:-}" ] && printf " %10s" "base MB"
printf " %10s\n" "goal MB"
# "cached": the download writes a cache entry (then reads it, in the
# length run); "hit": the page comes from that entry.
cache=', "CHECK", ":", 600'
for row in "ascii 936" "utf8 936" "gzip 936" "chunked 936" "cached ascii 936" "hit ascii 936"; do
  read -r label page cp <<< "$row"
  [ -z "$cp" ] && { cp="$page"; page="$label"; }
  extra=""
  case "$label" in cached | hit) extra="$cache" ;; esac
  [ "$label" = cached ] && rm -rf "$work/data"
  read -r peak len <<< "$(run "$qvrun" "$page" "$cp" "$extra")"
  printf "%-8s %8s %12s %10s" "$label" "$mb" "$len" "$peak"
  if [ -n "${BASE:-}" ]; then
    [ "$label" = cached ] && rm -rf "$work/data"
    read -r base _ <<< "$(run "$BASE" "$page" "$cp" "$extra")"
    printf " %10s" "$base"
  fi
  printf " %10s\n" "$(( mb * 3 + 64 ))"
done
