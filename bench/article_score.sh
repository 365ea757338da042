#!/usr/bin/env bash
# Scores extractarticle on a folder of pages with ground truth (the layout of
# the article-extraction development set: html/ID.html.gz, ground-truth.json,
# evaluate.py) and prints its F1 beside the speed.
#   bench/article_score.sh [DEVSET] [BUILD]
set -euo pipefail
dev=${1:-$(dirname "$0")/../tests/library/select/articles-dev}
build=${2:-build/release}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/html" "$work/out" "$work/output"
for f in "$dev"/html/*.html.gz; do gunzip -c "$f" > "$work/html/$(basename "$f" .gz)"; done
"$build/bench/article_bench" "$work/out" "$work"/html/*.html
python3 - "$work" <<'PY'
import json, pathlib, sys
work = pathlib.Path(sys.argv[1])
out = {p.stem: {"articleBody": p.read_text(encoding="utf-8")} for p in (work / "out").glob("*.txt")}
(work / "output" / "quorvint.json").write_text(json.dumps(out))
PY
cp "$dev/ground-truth.json" "$work/"
(cd "$work" && python3 "$dev/evaluate.py" --n-bootstrap 100)
