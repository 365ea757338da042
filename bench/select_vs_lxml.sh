#!/usr/bin/env bash
# Parse + select on a 5 MB page against Python lxml (lxml.html.fromstring with
# .cssselect() and .xpath()), side by side, with the ratios; a second
# selection on the parsed page against the first; extractarticle on 100
# pages of about 100 KB. Times are CPU seconds, best of 3.
# Usage: bench/select_vs_lxml.sh [BUILD_DIR]   (default build/release)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
py=${PYTHON:-/usr/bin/python3}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$py" bench/make_html_pages.py "$work"
mb=$("$py" -c "import os,sys; print(round(os.path.getsize(sys.argv[1]) / 1e6, 1))" "$work/big.html")

ours() { "$build/bench/select_bench" "$1" "$work/big.html" 3 | sed -E 's/.*, ([0-9.]+) s$/\1/'; }
peer() {
  "$py" - "$work/big.html" "$1" <<'PY'
import sys, time
import lxml.html
data = open(sys.argv[1], encoding="utf-8").read()
best = 1e9
for _ in range(3):
    t = time.process_time()
    root = lxml.html.fromstring(data)
    if sys.argv[2] == "links":
        out = [a.get("href") for a in root.cssselect("a") if a.get("href") is not None]
    else:
        out = [p.text_content() for p in root.xpath("//p")]
    best = min(best, time.process_time() - t)
print(f"{best:.4f}")
PY
}
links=$(ours links); links_py=$(peer links)
paras=$(ours paras); paras_py=$(peer paras)
again=$(ours again)
other=$(ours other)
printf "%-36s %10s %10s %8s\n" "on a ${mb} MB page (CPU s)" quorvint lxml ratio
printf "%-36s %10s %10s %8.2f\n" "parse + htmlselect a @href" "$links" "$links_py" "$(echo "$links / $links_py" | bc -l)"
printf "%-36s %10s %10s %8.2f\n" "parse + xpath //p" "$paras" "$paras_py" "$(echo "$paras / $paras_py" | bc -l)"
printf "%-36s %10s %10s %8.1fx faster\n" "then htmlselect a (text)" "$again" "-" "$(echo "$links / $again" | bc -l)"
printf "%-36s %10s %10s %8.1fx faster\n" "then htmlselect h2 (a new selector)" "$other" "-" "$(echo "$links / $other" | bc -l)"
"$build/bench/select_bench" article "$work"
