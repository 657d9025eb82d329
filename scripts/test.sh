#!/usr/bin/env bash
# The test command: builds from nothing and runs every test, in the release build and under
# AddressSanitizer with UndefinedBehaviorSanitizer. `scripts/test.sh tsan` runs ThreadSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
presets=("$@")
((${#presets[@]})) || presets=(release asan)
for preset in "${presets[@]}"; do
  echo "== $preset" >&2
  bash scripts/build.sh "$preset"
  ctest --preset "$preset" -j "$(nproc)"
done
