#!/usr/bin/env bash
# Builds the release and the sanitizer configuration and runs the whole test
# suite in both. Exits non-zero when any test fails.
set -euo pipefail
cd "$(dirname "$0")/.."

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

status=0
for config in release asan; do
  echo "== $config =="
  bash scripts/build.sh "$config"
  ctest --test-dir "build/$config" --output-on-failure -j "$(nproc)" || status=1
done
exit $status
