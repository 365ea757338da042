#!/usr/bin/env bash
# Compile-and-run cost of large generated scripts: wall time and peak memory
# of qvrun for N simple statements and for N declarations.
# Usage: bench/large_script.sh [N] (default 1000000)
#   QVRUN=path   qvrun to use (default build/release/cli/qvrun)
set -u
here="$(cd "$(dirname "$0")" && pwd)"
root="$(dirname "$here")"
n="${1:-1000000}"
qvrun="${QVRUN:-$root/build/release/cli/qvrun}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# 12 bytes a statement: "x = x + 1;" and CR LF.
python3 - "$n" "$work" <<'PY'
import sys
n, work = int(sys.argv[1]), sys.argv[2]
with open(f"{work}/statements.qvs", "w", newline="") as f:
    f.write("#language js\r\nvar x = 0;\r\n")
    f.write("x = x + 1;\r\n" * n)
    f.write("lg(x);\r\n")
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
printf "%-22s %10s %8s %8s %10s %s\n" script bytes wall_s cpu_s peak_MB output
for name in statements declarations declarations_pas; do
  file="$work/$name.qvs"
  out=$(/usr/bin/time -f "%e %U %S %M" -o "$work/time" "$qvrun" --plain "$file" 2>&1 | tail -1)
  read -r secs user sys kb < <(tail -1 "$work/time")
  cpu=$(echo "$user + $sys" | bc)
  printf "%-22s %10d %8s %8s %10d %s\n" "$name" "$(stat -c %s "$file")" "$secs" "$cpu" $((kb / 1024)) "$out"
done
