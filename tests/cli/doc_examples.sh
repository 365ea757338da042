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
# The guide shows each example file as it is: the code block after an
# "<!-- example: NAME -->" line equals docs/examples/NAME, and the log
# shown after it NAME.out.
python3 - "$src/docs/guide.md" "$src/docs/examples" <<'PY' || failures=$((failures + 1))
import re, sys
guide = open(sys.argv[1], encoding="utf-8").read()
shown = re.findall(r"<!-- example: (\S+) -->\n```\n(.*?)\n```", guide, re.S)
def text(name):
    return open(f"{sys.argv[2]}/{name}", encoding="utf-8").read().rstrip("\n")
bad = [name for name, code in shown if text(name) != code]
# ... and the log that follows it, where the guide shows one.
logs = re.findall(r"<!-- example: (\S+) -->\n```\n(?:(?!```).)*\n```\n\nIt logs:\n\n```\n(.*?)\n```", guide, re.S)
bad += [name for name, log in logs if text(name[:-4] + ".out") != log]
for name in bad:
    print(f"FAIL: docs/guide.md shows {name} (or its log) differently from the files")
sys.exit(1 if bad or not shown else 0)
PY
echo "$count examples, $failures failed"
[ "$failures" = 0 ]
