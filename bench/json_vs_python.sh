#!/usr/bin/env bash
# jsonpath on a 20 MB document against Python's json.loads and the same walk
# in Python, side by side: a filter query and a descendant query.
# Usage: bench/json_vs_python.sh [BUILD_DIR]   (default build/release)
# Times are best CPU seconds of three runs, text already in memory for both.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
py=${PYTHON:-/usr/bin/python3}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$py" bench/make_json_doc.py "$work/doc.json"
mb=$("$py" -c "import os,sys; print(f'{os.path.getsize(sys.argv[1]) / 1e6:.1f}')" "$work/doc.json")

peer() {
  "$py" - "$work/doc.json" "$1" <<'PY'
import json, sys, time
text = open(sys.argv[1], encoding="utf-8").read()
def logins(v, out):
    if isinstance(v, dict):
        if "login" in v:
            out.append(v["login"])
        for x in v.values():
            logins(x, out)
    elif isinstance(v, list):
        for x in v:
            logins(x, out)
    return out
best = 1e9
for _ in range(3):
    t = time.process_time()
    d = json.loads(text)
    if sys.argv[2] == "filter":
        r = [o["owner"]["login"] for o in d["items"] if o["price"] > 500]
    else:
        r = logins(d, [])
    best = min(best, time.process_time() - t)
print(f"{best:.4f} {len(r)}")
PY
}

printf '%-44s %10s %10s %8s %8s\n' "query on $mb MB" "ours s" "Python s" "results" "speed-up"
for row in 'filter:$.items[?@.price > 500].owner.login' 'descendant:$..login'; do
  kind=${row%%:*}; query=${row#*:}
  read -r ours n1 < <("$build/bench/json_bench" "$work/doc.json" "$query" 3)
  read -r theirs n2 < <(peer "$kind")
  [ "$n1" = "$n2" ] || echo "result counts differ: $n1 vs $n2" >&2
  "$py" -c "import sys; q,o,t,n=sys.argv[1:]; print(f'{q:44s} {float(o):10.3f} {float(t):10.3f} {n:>8s} {float(t)/float(o):7.1f}x')" "$query" "$ours" "$theirs" "$n1"
done
