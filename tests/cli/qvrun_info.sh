#!/usr/bin/env bash
# qvrun's answering options: --help (usage on standard output, exit 0, also
# among other options), --version, --functions [TEXT] (declarations and
# one-line descriptions, name match ignoring case, exit 1 when nothing
# matches); bad usage still exits 64.
#   qvrun_info.sh QVRUN
set -u
qvrun=$1
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

out=$("$qvrun" --help 2>err.txt); rc=$?
[ $rc = 0 ] || fail "--help exit $rc"
[[ $out == "usage: qvrun "* ]] || fail "--help output [$out]"
[[ $out == *"--functions"* && $out == *"--version"* ]] || fail "--help lists the options"
[ -s err.txt ] && fail "--help wrote to standard error"
"$qvrun" --plain --help >/dev/null 2>&1 || fail "--help among other options"

out=$("$qvrun" --version); rc=$?
[ $rc = 0 ] || fail "--version exit $rc"
[[ $out =~ ^qvrun\ [0-9]+\.[0-9]+\.[0-9]+$ ]] || fail "--version output [$out]"

out=$("$qvrun" --functions SpLiTpIcK); rc=$?
[ $rc = 0 ] || fail "--functions exit $rc"
want="procedure splitpick(CallBack,Source:string;separator:string='||';Para:Variant='');
    Calls a procedure of the script once per piece of a split text."
[ "$out" = "$want" ] || fail "--functions splitpick: [$out]"

# Classes with their members, constants, variables, the window's functions.
all=$("$qvrun" --functions)
for want in "class TStringList(TStrings)" "property Count: Integer (read-only)    [TStrings]" \
    "const MTError: Integer = 1" "const SplitStr: String = '||'" "var _AppPath: String" \
    "object _Get: ThttpGet" "procedure _close;    [window only]"; do
  grep -qF -- "$want" <<<"$all" || fail "--functions lacks [$want]"
done
[ "$(grep -c '^    ' <<<"$all")" -gt 400 ] || fail "--functions lists too few names"
# Every entry is a declaration followed by exactly one description line.
awk 'NR % 2 == 1 && /^    / { bad = 1 } NR % 2 == 0 && !/^    [^ ]/ { bad = 1 } END { exit bad }' <<<"$all" \
  || fail "--functions entries are not declaration + description pairs"

"$qvrun" --functions no_such_name_at_all >out.txt 2>err.txt; rc=$?
[ $rc = 1 ] || fail "--functions without a match exit $rc"
grep -q "no_such_name_at_all" err.txt || fail "--functions without a match says so"

"$qvrun" --bogus >/dev/null 2>&1; rc=$?
[ $rc = 64 ] || fail "unknown option exit $rc"
"$qvrun" --functions a b >/dev/null 2>&1; rc=$?
[ $rc = 64 ] || fail "--functions with two words exit $rc"

[ "$failures" = 0 ] && echo "all passed"
[ "$failures" = 0 ]
