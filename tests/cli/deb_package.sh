#!/usr/bin/env bash
# The Debian package: cpack builds it from the already-built programs, it
# holds the programs, the runner that qvrun starts and the helper qvjs (in
# /usr/lib/quorvint, not on the PATH), the manual pages, the documents and the desktop files in their
# places, its Depends name the runtime packages, lintian finds no error and
# the binaries carry the hardening flags, and qvrun runs a script with
# runjs from the unpacked tree, finding the packaged qvjs.
#   deb_package.sh BUILD_DIR WORKDIR WITH_WINDOW(0|1) HARDENED(0|1)
set -u
build=$1
work=$2
with_window=$3
hardened=${4:-1}
rm -rf "$work" && mkdir -p "$work" || exit 1
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

if ! cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/out" >"$work/cpack.log" 2>&1; then
  cat "$work/cpack.log"
  echo "FAIL: cpack"
  exit 1
fi
deb=$(ls "$work"/out/*.deb 2>/dev/null | head -n 1)
[ -n "$deb" ] || { echo "FAIL: no .deb produced"; exit 1; }

depends=$(dpkg-deb -f "$deb" Depends)
for pkg in libcurl4 libicu72 libpcre2-8-0 libelf1 libduktape207; do
  case "$depends" in *"$pkg"*) ;; *) fail "Depends lacks $pkg: $depends" ;; esac
done
recommends=$(dpkg-deb -f "$deb" Recommends)
case "$recommends" in *fonts-noto-cjk*) ;; *) fail "Recommends lacks a CJK font: $recommends" ;; esac
if [ "$with_window" = 1 ]; then
  case "$depends" in *libqt6widgets6*) ;; *) fail "Depends lacks libqt6widgets6: $depends" ;; esac
fi

root=$work/root
dpkg -x "$deb" "$root" || { echo "FAIL: dpkg -x"; exit 1; }
expected=(usr/bin/qvrun usr/lib/quorvint/qvrun-runner usr/lib/quorvint/qvjs usr/share/applications/quorvint.desktop
          usr/share/mime/packages/quorvint.xml usr/share/icons/hicolor/scalable/apps/quorvint.svg
          usr/share/man/man1/qvrun.1.gz usr/share/man/man1/quorvint.1.gz
          usr/share/doc/quorvint/copyright usr/share/doc/quorvint/changelog.gz
          usr/share/doc/quorvint/guide.md usr/share/doc/quorvint/reference.md)
[ "$with_window" = 1 ] && expected+=(usr/bin/quorvint)
for f in "${expected[@]}"; do
  [ -e "$root/$f" ] || fail "missing $f"
done
for f in usr/bin/qvrun usr/lib/quorvint/qvrun-runner usr/lib/quorvint/qvjs; do
  [ -x "$root/$f" ] || fail "$f is not executable"
done
[ -e "$root/usr/bin/qvjs" ] && fail "qvjs is on the PATH"
# The launcher on the PATH links the C library alone: that is its point
# (a sanitizer build adds the sanitizer's runtime).
if [ "$hardened" = 1 ]; then
  needed=$(readelf -d "$root/usr/bin/qvrun" | grep NEEDED)
  [ "$(grep -c . <<<"$needed")" = 1 ] && grep -q 'libc\.so' <<<"$needed" || fail "qvrun links more than libc: $needed"
fi
desktop=$root/usr/share/applications/quorvint.desktop
grep -q '^Exec=quorvint %f$' "$desktop" || fail "desktop entry Exec"
grep -q '^Comment=[A-Za-z]' "$desktop" || fail "desktop entry lacks an English comment"
grep -q '^Comment\[zh_CN\]=' "$desktop" || fail "desktop entry lacks the Chinese comment"
zcat "$root/usr/share/man/man1/qvrun.1.gz" | grep -qF -- '\-\-functions' || fail "qvrun.1 lacks --functions"
zcat "$root/usr/share/doc/quorvint/changelog.gz" | head -1 | grep -q "^quorvint ($(dpkg-deb -f "$deb" Version))" \
  || fail "changelog does not name the package version"

# lintian: no error; the binaries are built with bind-now and fortified
# functions (reported as information, so asked for explicitly).
if ! command -v lintian >/dev/null; then
  fail "lintian is not installed (scripts/setup.sh installs it)"
else
  lintian --fail-on error "$deb" >"$work/lintian.txt" 2>&1 || fail "lintian: $(grep '^E:' "$work/lintian.txt")"
  : >"$work/hardening.txt"
  # A sanitizer build is not hardened: only the release build's package is checked.
  [ "$hardened" = 1 ] && lintian -I --tags hardening-no-bindnow,hardening-no-fortify-functions,hardening-no-relro \
    "$deb" >"$work/hardening.txt" 2>&1
  # qvjs calls read and memcpy only with sizes known at run time, where
  # fortification has nothing to check: lintian's heuristic names it anyway.
  grep '^[EWI]:' "$work/hardening.txt" | grep -v 'hardening-no-fortify-functions \[usr/lib/quorvint/qvjs\]' \
    >"$work/hardening-found.txt"
  [ -s "$work/hardening-found.txt" ] && fail "hardening: $(cat "$work/hardening-found.txt")"
fi
grep -q 'glob pattern="\*.qvs"' "$root/usr/share/mime/packages/quorvint.xml" || fail "MIME glob"

# runjs runs the helper from /usr/lib/quorvint: a stand-in there records
# that it was started, then runs the packaged helper.
helper=$root/usr/lib/quorvint/qvjs
mv "$helper" "$helper.real"
printf '#!/bin/sh\ntouch "%s"\nexec "%s" "$@"\n' "$work/helper-used" "$helper.real" >"$helper"
chmod +x "$helper"
mkdir -p "$work/run"
printf '#language js\nlg("from the package");\nlg(runjs("var a = 6 * 7;", "a"));\n' >"$work/run/hello.qvs"
out=$("$root/usr/bin/qvrun" --plain "$work/run/hello.qvs" 2>"$work/run/stderr.txt")
rc=$?
[ "$rc" = 0 ] || fail "qvrun exit $rc: $(cat "$work/run/stderr.txt")"
[ "$out" = $'from the package\n42' ] || fail "qvrun output [$out]"
[ -e "$work/helper-used" ] || fail "runjs did not use the packaged qvjs"

[ "$failures" = 0 ] && echo "deb package: ok ($(basename "$deb"))"
exit "$failures"
