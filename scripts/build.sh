#!/usr/bin/env bash
# Builds one configuration into build/<config>: release (default), asan, tsan
# or fuzz; further arguments name the targets to build (default: all).
set -euo pipefail
cd "$(dirname "$0")/.."

config=${1:-release}
shift || true
case "$config" in
  release) flags=(-DCMAKE_BUILD_TYPE=Release) ;;
  asan) flags=(-DCMAKE_BUILD_TYPE=Debug -DQV_SANITIZE=ON -DQV_BENCH=OFF) ;;
  tsan) flags=(-DCMAKE_BUILD_TYPE=Debug -DQV_TSAN=ON -DQV_BENCH=OFF) ;;
  fuzz) flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DQV_FUZZ=ON -DQV_TESTS=OFF -DQV_BENCH=OFF
               -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++) ;;
  *) echo "usage: scripts/build.sh [release|asan|tsan|fuzz]" >&2; exit 64 ;;
esac

cmake -S . -B "build/$config" -G Ninja "${flags[@]}" >/dev/null
if [ $# -gt 0 ]; then
  cmake --build "build/$config" --target "$@"
else
  cmake --build "build/$config"
fi
