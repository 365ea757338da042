#!/usr/bin/env bash
# Compile-and-run cost of large generated scripts: CPU time and peak memory
# of qvrun for N simple statements and for N declarations (JS-like and
# Pascal-like), against the goals for N = 1,000,000: the statements in at
# most 800 MB and 5 s, the declarations in at most 4 s each.
# Usage: bench/large_script.sh [N] (default 1000000)
#   QVRUN=path   qvrun to use (default build/release/cli/qvrun)
#   BASE=path    a second qvrun (an older build) run on the same files, for
#                a before/after table from one run of the machine
#   BIG=1        also a 100 MB script of statements (about 8.3 million)
set -u
here="$(cd "$(dirname "$0")" && pwd)"
root="$(dirname "$here")"
n="${1:-1000000}"
qvrun="${QVRUN:-$root/build/release/cli/qvrun}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# 12 bytes a statement: "x = x + 1;" and CR LF.
python3 - "$n" "$work" "${BIG:-0}" <<'PY'
import sys
n, work, big = int(sys.argv[1]), sys.argv[2], sys.argv[3] == "1"
def statements(name, count):
    with open(f"{work}/{name}.qvs", "w", newline="") as f:
        f.write("#language js\r\nvar x = 0;\r\n")
        f.write("x = x + 1;\r\n" * count)
        f.write("lg(x);\r\n")
statements("statements", n)
if big:
    statements("statements_100mb", 100_000_000 // 12)
with open(f"{work}/declarations.qvs", "w", newline="") as f:
    f.write("#language js\r\n")
    for i in range(n):
        f.write(f"var v{i:07d};\r\n")
    f.write('lg("done");\r\n')
with open(f"{work}/declarations_pas.qvs", "w", newline="") as f:
    f.write("#language Pascal\r\nvar\r\n")
    for i in range(n):
        f.write(f"  v{(i * 7919) % n:07d}_{i}: Integer;\r\n")
    f.write("begin\r\n  lg('done');\r\nend.\r\n")
PY

# Wall time depends on the machine's load; CPU time (user + system) less so.
# Sets secs, cpu, mb and out (the last output line) for one run.
measure() {
  out=$(/usr/bin/time -f "%e %U %S %M" -o "$work/time" "$1" --plain "$2" 2>&1 | tail -1)
  read -r secs user sys kb < <(tail -1 "$work/time")
  cpu=$(echo "$user + $sys" | bc)
  mb=$((kb / 1024))
}

# The goals are for a million lines; other sizes scale them.
goal() {
  case "$1" in
    statements) echo "<=$((800 * n / 1000000))MB <=$(echo "scale=1; 5 * $n / 1000000" | bc)s" ;;
    declarations*) echo "<=$(echo "scale=1; 4 * $n / 1000000" | bc)s" ;;
    *) echo "-" ;;
  esac
}

printf "%-18s %-5s %10s %8s %8s %8s %-18s %s\n" script build bytes wall_s cpu_s peak_MB goal output
for name in statements declarations declarations_pas statements_100mb; do
  file="$work/$name.qvs"
  [[ -f "$file" ]] || continue
  for which in new base; do
    bin="$qvrun"
    if [[ "$which" == base ]]; then
      [[ -n "${BASE:-}" ]] || continue
      bin="$BASE"
    fi
    measure "$bin" "$file"
    printf "%-18s %-5s %10d %8s %8s %8d %-18s %s\n" "$name" "$which" "$(stat -c %s "$file")" "$secs" "$cpu" "$mb" \
      "$(goal "$name")" "$out"
  done
done
