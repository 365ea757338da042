#!/usr/bin/env bash
# Builds the release configuration and runs the bundled example script (or
# the one named: scripts/run-example.sh examples/crawl/crawl.qvs) against
# the demo site in examples/site, served on 127.0.0.1 by python3's
# http.server on a free port for the length of the run, so it works without
# internet access.
set -euo pipefail
cd "$(dirname "$0")/.."
script=${1:-examples/qv.qvs}
bash scripts/build.sh release qvrun

port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
python3 -m http.server "$port" --bind 127.0.0.1 --directory examples/site >/dev/null 2>&1 &
server=$!
trap 'kill "$server" 2>/dev/null || true' EXIT

# Until the server answers (at most 5 seconds).
for _ in $(seq 50); do
  if python3 -c "import urllib.request; urllib.request.urlopen('http://127.0.0.1:$port/', timeout=1)" 2>/dev/null; then
    break
  fi
  sleep 0.1
done

build/release/cli/qvrun --var "base=http://127.0.0.1:$port/" "$script"
