#!/usr/bin/env bash
# The library's text operations against CPython 3 (re.sub, re.search,
# str.split + join) and pcre2grep (JIT) on the same generated pages, in one
# run; prints each time and the ratio library / peer.
#   bench/library_vs_peers.sh [path/to/library_bench]
set -euo pipefail
cd "$(dirname "$0")/.."
bin=${1:-build/release/bench/library_bench}
dir=$(mktemp -d /tmp/qv_library_bench.XXXXXX)
trap 'rm -rf "$dir"' EXIT
big=$dir/page20.html small=$dir/page1.html fields=$dir/fields.txt
"$bin" --make "$big" "$small" "$fields"

"$bin" --run "$big" "$small" "$fields" > "$dir/ours.txt"
python3 bench/peers/library_text.py "$big" "$small" "$fields" > "$dir/python.txt"

# pcre2grep: the last link of the page as one multi-line subject, JIT on.
best=999999
for _ in 1 2 3; do
  t=$(date +%s%N)
  pcre2grep -M --buffer-size=64M --max-buffer-size=64M -o1 '(?si)\A.*href="([^"]*)"' "$big" > "$dir/grep.out"
  d=$(( ($(date +%s%N) - t) / 1000 )); (( d < best )) && best=$d
done
echo "regex_pick_last_link $(awk -v us="$best" 'BEGIN { printf "%.3f", us / 1000 }')" > "$dir/pcre2grep.txt"

printf '%-36s %12s %12s %8s %12s %8s\n' operation "ours ms" "python ms" ratio "pcre2grep ms" ratio
while read -r name ours; do
  py=$(awk -v n="$name" '$1 == n { print $2 }' "$dir/python.txt")
  gr=$(awk -v n="$name" '$1 == n { print $2 }' "$dir/pcre2grep.txt")
  ratio() { [ -n "$2" ] && awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }' || echo "-"; }
  printf '%-36s %12s %12s %8s %12s %8s\n' "$name" "$ours" "${py:--}" "$(ratio "$ours" "$py")" "${gr:--}" \
    "$(ratio "$ours" "$gr")"
done < "$dir/ours.txt"
