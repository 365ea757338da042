#!/usr/bin/env bash
# Builds the release configuration and prints the intermediate code of the
# bundled example script (running scripts is not available yet).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh release
build/release/cli/qvrun --il examples/qv.qvs
