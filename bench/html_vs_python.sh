#!/usr/bin/env bash
# HtmlToText on a 5 MB page against lxml's text_content() and BeautifulSoup's
# get_text(), side by side, and analyzecontent on 100 pages of about 100 KB.
# Usage: bench/html_vs_python.sh [BUILD_DIR]   (default build/release)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
# Debian's interpreter, where python3-lxml and python3-bs4 are installed.
py=${PYTHON:-/usr/bin/python3}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$py" bench/make_html_pages.py "$work"
mb=$("$py" -c "import os,sys; print(os.path.getsize(sys.argv[1]) / 1e6)" "$work/big.html")

ours=$("$build/bench/html_bench" text "$work/big.html" 5 | sed -E 's/.*: ([0-9.]+) s,.*/\1/')
peer() {
  "$py" - "$work/big.html" "$1" <<'PY'
import sys, time
data = open(sys.argv[1], encoding="utf-8").read()
best = 1e9
for _ in range(3):
    t = time.perf_counter()
    if sys.argv[2] == "lxml":
        import lxml.html
        lxml.html.fromstring(data).text_content()
    else:
        from bs4 import BeautifulSoup
        BeautifulSoup(data, "lxml").get_text()
    best = min(best, time.perf_counter() - t)
print(f"{best:.3f}")
PY
}
lxml=$(peer lxml)
bs4=$(peer bs4)
printf '%-32s %10s %10s %12s\n' "5 MB page ($mb MB)" seconds "MB/s" "vs ours"
for row in "HtmlToText:$ours" "lxml text_content():$lxml" "BeautifulSoup get_text():$bs4"; do
  name=${row%%:*}; s=${row##*:}
  "$py" -c "import sys; n,s,mb,o=sys.argv[1],float(sys.argv[2]),float(sys.argv[3]),float(sys.argv[4]); print(f'{n:32s} {s:10.3f} {mb/s:10.1f} {s/o:11.2f}x')" "$name" "$s" "$mb" "$ours"
done
"$build/bench/html_bench" content "$work"/article_*.html
