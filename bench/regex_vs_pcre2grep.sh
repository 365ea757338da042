#!/usr/bin/env bash
# Times href extraction from a generated 20 MB page: the regular-expression
# object (bench/regex_bench) against pcre2grep -o1, in one run.
#   bench/regex_vs_pcre2grep.sh [path/to/regex_bench]
set -euo pipefail
cd "$(dirname "$0")/.."
bin=${1:-build/release/bench/regex_bench}
page=$(mktemp /tmp/qv_regex_page.XXXXXX.html)
trap 'rm -f "$page"' EXIT
"$bin" --make "$page"
pattern='href\s*=\s*"([^"]*)"'

ms() { echo $(( ($(date +%s%N) - $1) / 1000000 )); }
best_grep=999999
for _ in 1 2 3; do
  t=$(date +%s%N)
  pcre2grep -i -o1 "$pattern" "$page" > /dev/null
  d=$(ms "$t"); (( d < best_grep )) && best_grep=$d
done
echo "pcre2grep -o1: ${best_grep} ms ($(pcre2grep -i -o1 "$pattern" "$page" | wc -l) links)"
"$bin" --only "$page"
