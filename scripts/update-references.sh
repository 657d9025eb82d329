#!/usr/bin/env bash
# Regenerates the reference images of the image regression tests (tests/render/references/)
# from the scenes and settings listed in tests/render/references/scenes.txt, with orv-render
# from the release build. Run it after a change that is meant to alter the pictures, look at
# the new images, and commit them with the change.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build/release}"
[ -x "$build/bin/orv-render" ] || bash scripts/build.sh release
refs=tests/render/references
while read -r scene width height samples; do
  [[ -z "$scene" || "$scene" == \#* ]] && continue
  name=$(basename "$scene" .json)
  "$build/bin/orv-render" "$scene" -o "$refs/$name.png" --res "${width}x${height}" \
    --spp "$samples" -q
done <"$refs/scenes.txt"
