#!/usr/bin/env bash
# The test command: builds from nothing and runs every test, in the release build, under
# AddressSanitizer with UndefinedBehaviorSanitizer, and under ThreadSanitizer (its known reports
# inside OpenImageIO suppressed by tests/tsan.supp). `scripts/test.sh asan` runs one preset.
set -euo pipefail
cd "$(dirname "$0")/.."
presets=("$@")
((${#presets[@]})) || presets=(release asan tsan)
for preset in "${presets[@]}"; do
  echo "== $preset" >&2
  start=$SECONDS
  bash scripts/build.sh "$preset"
  ctest --preset "$preset" -j "$(nproc)"
  echo "== $preset: built and tested in $((SECONDS - start)) s" >&2
done
