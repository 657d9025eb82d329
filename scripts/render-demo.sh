#!/usr/bin/env bash
# The main command: installs what is missing, builds, and renders the demo scene.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh release
if [ -x build/release/bin/orv-render ]; then
  build/release/bin/orv-render scenes/demo.json -o out/demo.png "$@"
  echo "demo image: out/demo.png" >&2
else
  build/release/bin/orv-info
fi
