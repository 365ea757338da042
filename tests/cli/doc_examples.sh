#!/usr/bin/env bash
# The examples of the documentation: every example of the reference (written
# out by qvref) and every docs/examples/*.qvs runs through qvrun --plain
# against the demo site (examples/site, served on 127.0.0.1; scripts read its
# address from `site`) and must log exactly its .out file.
#   doc_examples.sh QVRUN QVREF SOURCE-DIR WORKDIR
set -u
qvrun=$1
qvref=$2
src=$3
work=$4
rm -rf "$work" && mkdir -p "$work/reference" || exit 1
"$qvref" examples "$work/reference" || exit 1
cp "$src"/docs/examples/*.qvs "$src"/docs/examples/*.out "$work/" 2>/dev/null

port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
python3 -m http.server "$port" --bind 127.0.0.1 --directory "$src/examples/site" >/dev/null 2>&1 &
server=$!
trap 'kill "$server" 2>/dev/null' EXIT
for _ in $(seq 50); do
  python3 -c "import urllib.request; urllib.request.urlopen('http://127.0.0.1:$port/', timeout=1)" 2>/dev/null && break
  sleep 0.1
done

failures=0
count=0
for script in "$work"/reference/*.qvs "$work"/*.qvs; do
  [ -e "$script" ] || continue
  count=$((count + 1))
  want=${script%.qvs}.out
  got=$(cd "$(dirname "$script")" && timeout 30 "$qvrun" --plain --var "site=http://127.0.0.1:$port/" "$script" 2>&1)
  if [ "$got" != "$(cat "$want")" ]; then
    echo "FAIL: $(basename "$script")"
    diff <(cat "$want") <(echo "$got") | head -20
    failures=$((failures + 1))
  fi
done
echo "$count examples, $failures failed"
[ "$failures" = 0 ]
