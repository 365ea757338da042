#!/usr/bin/env bash
# Builds the release configuration and runs the bundled example script.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh release
build/release/cli/qvrun --plain examples/qv.qvs
