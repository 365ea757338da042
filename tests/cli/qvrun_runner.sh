#!/usr/bin/env bash
# qvrun as a runner: exit codes, start-up variables, the warning for a
# script the grammar stopped translating, standard input, the log format of
# named and unnamed lines, and SIGINT/SIGTERM stopping a sleeping script
# quickly with every line logged before the stop kept.
#   qvrun_runner.sh QVRUN WORKDIR
set -u
qvrun=$1
work=$2
rm -rf "$work" && mkdir -p "$work" && cd "$work" || exit 1
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

expect() {  # expect RC EXPECTED-STDOUT -- qvrun args...
  local rc=$1 want=$2
  shift 3
  local out
  out=$("$qvrun" "$@" 2>stderr.txt)
  local got=$?
  [ "$got" = "$rc" ] || fail "$*: exit $got, expected $rc ($(cat stderr.txt))"
  [ "$out" = "$want" ] || fail "$*: output [$out], expected [$want]"
}

printf '#language js\nlg("a");\nlg(1 div 0);\nlg("b");\n' > run_error.qvs
expect 2 $'a\nMainProc:(Division by zero), 在第 3 行,第 1 个字符' -- --plain run_error.qvs
grep -qx 'run_error.qvs:3:1: error: Division by zero' stderr.txt || fail "no error line: $(cat stderr.txt)"
printf '#language js\nlg("a")\nx = ;\n' > compile_error.qvs
expect 1 'MainProc:Expression expected, 在第 3 行,第 5 个字符' -- --plain compile_error.qvs
printf '#language js\nlg("a");\nstop("enough");\nlg("b");\n' > stopped.qvs
expect 0 $'a\nenough' -- --plain stopped.qvs

# Start-up variables: integers, Booleans, text; a value may hold "=".
printf '#language js\nlg(VarType(n)); lg(n + 1); lg(VarType(b)); lg(s);\n' > vars.qvs
expect 0 $'3\n43\n11\nx=y' -- --plain --var n=42 --var b=true --var s=x=y vars.qvs
expect 64 '' -- --var novalue vars.qvs

# A template: literal text goes to the template output, lg(..., true) logs.
printf 'literal\n<? lg("code", true); echo("out"); ?>\n' > template.qvs
expect 0 'code' -- --plain template.qvs
# --syntax: the same file without "#language" as a plain script.
printf 'lg("plain");\n' > plain.qvs
expect 0 'plain' -- --plain --syntax js plain.qvs
expect 0 '' -- --plain plain.qvs

# Standard input; _AppPath is the current directory then.
out=$(printf '#language js\nlg(_AppPath);\n' | "$qvrun" --plain -)
[ "$out" = "$(pwd)/" ] || fail "stdin _AppPath: [$out]"

# The log line: time stamp, one space, the message.
out=$("$qvrun" template.qvs)
[[ "$out" =~ ^[0-9]{4}-[0-9]{2}-[0-9]{2}\ [0-9]{2}:[0-9]{2}:[0-9]{2}\ code$ ]] || fail "time stamp: [$out]"

# Translation that stops early: one warning on standard error, not in the log.
printf '#language js\nlg("a");\n@@ bad\nlg("b");\n' > partial.qvs
expect 0 'a' -- --plain partial.qvs
grep -q 'partial.qvs:3:1: warning: translation stopped here' stderr.txt || fail "no warning: $(cat stderr.txt)"

# SIGINT and SIGTERM during a long sleep: exit 130 soon, earlier lines kept.
for sig in INT TERM; do
  printf '#language js\nlg("before");\nsleep(60000);\nlg("after");\n' > sleeper.qvs
  "$qvrun" --plain sleeper.qvs > sleeper.out 2>&1 &
  pid=$!
  for _ in $(seq 100); do grep -q before sleeper.out 2>/dev/null && break; sleep 0.05; done
  start=$(date +%s%N)
  kill -s "$sig" "$pid"
  wait "$pid"
  rc=$?
  ms=$((($(date +%s%N) - start) / 1000000))
  [ "$rc" = 130 ] || fail "SIG$sig: exit $rc"
  [ "$ms" -lt 1000 ] || fail "SIG$sig: took $ms ms"
  [ "$(cat sleeper.out)" = before ] || fail "SIG$sig: output [$(cat sleeper.out)]"
  echo "SIG$sig stopped the script in $ms ms"
done

# Identifiers differ between runs too: a file named after one must not
# collide with the previous run's.
printf '#language js\nlg(getguid());\n' > guid.qvs
first=$("$qvrun" --plain guid.qvs)
second=$("$qvrun" --plain guid.qvs)
[ "$first" != "$second" ] || fail "getguid repeated across runs: $first"

# The launcher starts the runner once, with the huge-page switch where huge
# pages are given on request, and leaves a user's own tunables alone; the
# process keeps the name qvrun.
printf '#language js\nlg(Trim(readfile("/proc/self/comm")));\nlg(replace(readfile("/proc/self/environ"), #0, " "));\n' > self.qvs
out=$("$qvrun" --plain self.qvs)
[ "$(head -n 1 <<<"$out")" = qvrun ] || fail "process name: [$out]"
runner=$(dirname "$qvrun")/../lib/quorvint/qvrun-runner
if grep -qF '[madvise]' /sys/kernel/mm/transparent_hugepage/enabled 2>/dev/null && [ -z "${GLIBC_TUNABLES:-}" ] \
   && ! ldd "$runner" | grep -qE 'lib(a|t)san'; then
  case "$out" in *"GLIBC_TUNABLES=glibc.malloc.hugetlb=1"*) ;; *) fail "no huge-page switch: [$out]" ;; esac
fi
out=$(GLIBC_TUNABLES=glibc.malloc.check=0 "$qvrun" --plain self.qvs)
case "$out" in *"GLIBC_TUNABLES=glibc.malloc.check=0 "*) ;; *) fail "user's tunables changed: [$out]" ;; esac
case "$out" in *QV_HUGE_PAGE_BLOCKS*) fail "mark set beside the user's tunables: [$out]" ;; esac
# A script ends the run as soon as its last thread ends, also when a child
# outlives the main script.
printf '#language js\nrunthread("#language js" + #13#10 + "sleep(300); lg(" + Chr(34) + "child" + Chr(34) + ");");\nlg("main");\n' > outlived.qvs
expect 0 $'main\nchild' -- --plain outlived.qvs

# libcurl and libcrypto are loaded by the first download and the first
# digest, not at start.
printf '#language js\nvar maps = readfile("/proc/self/maps");\nlg(pos("libcurl", maps) > 0);\nlg(pos("libcrypto", maps) > 0);\nlg(md5("abc"));\nlg(pos("libcrypto", readfile("/proc/self/maps")) > 0);\nhttpget("http://127.0.0.1:1/");\nlg(pos("libcurl", readfile("/proc/self/maps")) > 0);\n' > lazy.qvs
expect 0 $'False\nFalse\n900150983cd24fb0d6963f7d28e17f72\nTrue\nTrue' -- --plain lazy.qvs

[ "$failures" = 0 ] || exit 1
echo "all runner checks passed"
