#!/usr/bin/env bash
# Runs the same small programs on the engine (JS-like and Pascal-like syntax),
# CPython 3 and Lua 5.4, and prints best wall times, peak memory and the
# engine/peer ratios. Usage: bench/run_peers.sh [RUNS]
#   QVRUN=path     qvrun to use (default: a release build under build/, built if missing)
#   PYTHON, LUA    interpreters (default: /usr/bin/python3, lua5.4)
#   TIMEOUT=secs   limit per run (default 120); a run that exceeds it shows as "timeout"
set -u
here="$(cd "$(dirname "$0")" && pwd)"
root="$(dirname "$here")"
peers="$here/peers"
runs="${1:-3}"
timeout_s="${TIMEOUT:-120}"
python="${PYTHON:-/usr/bin/python3}"
lua="${LUA:-lua5.4}"

if [[ -z "${QVRUN:-}" ]]; then
  for candidate in "$root/build/release/cli/qvrun" "$root/build/peers/cli/qvrun"; do
    if [[ -x "$candidate" ]]; then QVRUN="$candidate"; break; fi
  done
fi
if [[ -z "${QVRUN:-}" ]]; then
  echo "building a release qvrun in build/peers ..." >&2
  cmake -S "$root" -B "$root/build/peers" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null &&
    cmake --build "$root/build/peers" -j2 --target qvrun >/dev/null || exit 1
  QVRUN="$root/build/peers/cli/qvrun"
fi

gnu_time=""
if /usr/bin/time -f "%e" true 2>/dev/null; then gnu_time=/usr/bin/time; fi

# run_once CMD...: prints "seconds peak_kb status last-word-of-output" for one run.
run_once() {
  local out err status secs kb
  out="$(mktemp)"
  err="$(mktemp)"
  if [[ -n "$gnu_time" ]]; then
    # GNU time gives the peak memory; the wall time comes from the shell's
    # clock, since time's own has only centiseconds.
    local t0=$EPOCHREALTIME
    timeout "$timeout_s" "$gnu_time" -f "%M" -o "$err" "$@" >"$out" 2>/dev/null
    status=$?
    local t1=$EPOCHREALTIME
    secs=$(printf "%.3f" "$(echo "$t1 - $t0" | bc)")
    read -r kb <"$err" 2>/dev/null || true
  else
    local t0 t1
    t0=$(date +%s.%N)
    timeout "$timeout_s" "$@" >"$out" 2>/dev/null
    status=$?
    t1=$(date +%s.%N)
    secs=$(echo "$t1 - $t0" | bc)
    kb=0
  fi
  local last
  last="$(tail -n 1 "$out" | tr -d '\r' | awk '{print $NF}')"
  rm -f "$out" "$err"
  if [[ $status -eq 124 ]]; then
    echo "timeout 0 $status ${last:-none}"
  else
    echo "${secs:-0} ${kb:-0} $status ${last:-none}"
  fi
}

# best EXPECTED CMD...: best time and the peak memory of that run over $runs
# runs; a run whose output does not end with EXPECTED shows as "wrong".
best() {
  local expected="$1"
  shift
  local best_s="" best_kb=0 secs kb status last
  for ((r = 0; r < runs; r++)); do
    read -r secs kb status last < <(run_once "$@")
    if [[ "$secs" == timeout ]]; then best_s=timeout; break; fi
    if [[ $status -ne 0 ]]; then best_s="exit$status"; break; fi
    if [[ "$last" != "$expected" ]]; then best_s=wrong; echo "$* printed '$last', expected '$expected'" >&2; break; fi
    if [[ -z "$best_s" ]] || (($(echo "$secs < $best_s" | bc))); then
      best_s=$secs
      best_kb=$kb
    fi
  done
  echo "$best_s $best_kb"
}

ratio() {
  if [[ "$1" =~ ^[0-9.]+$ && "$2" =~ ^[0-9.]+$ ]] && (($(echo "$2 > 0" | bc))); then
    printf "%.2f" "$(echo "scale=4; $1 / $2" | bc)"
  else
    printf "%s" "-"
  fi
}

mb() { if [[ "$1" =~ ^[0-9]+$ && "$1" -gt 0 ]]; then printf "%.1f" "$(echo "scale=2; $1 / 1024" | bc)"; else printf "-"; fi; }

echo "qvrun: $QVRUN"
echo "python: $($python --version 2>&1)   lua: $($lua -v 2>&1 | cut -d' ' -f1-2)   runs: $runs, best time in seconds, peak RSS in MB"
printf "%-8s %10s %10s %10s %10s | %7s %7s %7s %7s | %7s %7s %7s %7s\n" \
  program qv-js qv-pas python lua js/py js/lua pas/py pas/lua MBjs MBpas MBpy MBlua
declare -A expected=([fib]=832040 [sum]=50000005000000 [concat]=5888896 [array]=999000000)
for prog in fib sum concat array; do
  want="${expected[$prog]}"
  read -r js js_kb < <(best "$want" "$QVRUN" --plain "$peers/$prog.js.qvs")
  read -r pas pas_kb < <(best "$want" "$QVRUN" --plain "$peers/$prog.pas.qvs")
  read -r py py_kb < <(best "$want" "$python" "$peers/$prog.py")
  read -r lu lu_kb < <(best "$want" "$lua" "$peers/$prog.lua")
  printf "%-8s %10s %10s %10s %10s | %7s %7s %7s %7s | %7s %7s %7s %7s\n" "$prog" \
    "$js" "$pas" "$py" "$lu" \
    "$(ratio "$js" "$py")" "$(ratio "$js" "$lu")" "$(ratio "$pas" "$py")" "$(ratio "$pas" "$lu")" \
    "$(mb "$js_kb")" "$(mb "$pas_kb")" "$(mb "$py_kb")" "$(mb "$lu_kb")"
done
