#!/usr/bin/env bash
# The Debian package: cpack builds it from the already-built programs, it
# holds the programs and the desktop files in their places, its Depends
# name the runtime packages, and qvrun runs a script from the unpacked tree.
#   deb_package.sh BUILD_DIR WORKDIR WITH_WINDOW(0|1)
set -u
build=$1
work=$2
with_window=$3
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
expected=(usr/bin/qvrun usr/bin/qvjs usr/share/applications/quorvint.desktop
          usr/share/mime/packages/quorvint.xml usr/share/icons/hicolor/scalable/apps/quorvint.svg)
[ "$with_window" = 1 ] && expected+=(usr/bin/quorvint)
for f in "${expected[@]}"; do
  [ -e "$root/$f" ] || fail "missing $f"
done
for f in usr/bin/qvrun usr/bin/qvjs; do
  [ -x "$root/$f" ] || fail "$f is not executable"
done
grep -q '^Exec=quorvint %f$' "$root/usr/share/applications/quorvint.desktop" || fail "desktop entry Exec"
grep -q 'glob pattern="\*.qvs"' "$root/usr/share/mime/packages/quorvint.xml" || fail "MIME glob"

mkdir -p "$work/run"
printf '#language js\nlg("from the package");\nlg(runjs("var a = 6 * 7;", "a"));\n' >"$work/run/hello.qvs"
out=$("$root/usr/bin/qvrun" --plain "$work/run/hello.qvs" 2>"$work/run/stderr.txt")
rc=$?
[ "$rc" = 0 ] || fail "qvrun exit $rc: $(cat "$work/run/stderr.txt")"
[ "$out" = $'from the package\n42' ] || fail "qvrun output [$out]"

[ "$failures" = 0 ] && echo "deb package: ok ($(basename "$deb"))"
exit "$failures"
