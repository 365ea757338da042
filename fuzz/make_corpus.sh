#!/usr/bin/env bash
# Rebuilds the seed corpora in fuzz/corpus from the script tests and the
# examples: scripts for the translator, tokenizer and script-run targets
# (first byte: 0 Pascal, 1 Basic, 2 JS, 3 C), their intermediate code for
# the builder and XML reader targets.
#   bash fuzz/make_corpus.sh [path/to/qvrun]
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(dirname "$here")"
qvrun="${1:-$root/build/release/cli/qvrun}"
out="$here/corpus"
rm -rf "$out"
mkdir -p "$out/script" "$out/il"
for src in "$root"/tests/scripts/*.qvs "$root"/examples/*.qvs; do
  name="$(basename "$src" .qvs)"
  # Scripts above 16 KB are left out: the targets skip long inputs.
  [ "$(stat -c %s "$src")" -le 16384 ] || continue
  case "$name" in
    *_pas | pascal_*) lang=0 ;;
    *_bas | basic_*) lang=1 ;;
    *_c | c_*) lang=3 ;;
    *) lang=2 ;;
  esac
  { printf "\\x0$lang"; cat "$src"; } > "$out/script/$name"
  if il="$(cd "$(dirname "$src")" && "$qvrun" --il "$src" 2>/dev/null)"; then
    { printf "\\x0$lang"; printf '%s' "$il"; } > "$out/il/$name"
  fi
done
echo "$(ls "$out/script" | wc -l) scripts, $(ls "$out/il" | wc -l) intermediate codes in $out"
