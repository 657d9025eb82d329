#!/usr/bin/env bash
# Builds the fuzz preset (clang's libFuzzer with ASan and UBSan) and runs each fuzz target of
# tests/fuzz in turn from its kept inputs, stopping at the first failure:
#   scripts/fuzz.sh                 60 seconds per target (CI runs 30)
#   scripts/fuzz.sh 3600            an hour per target
#   scripts/fuzz.sh 1000000x        a million executions per target
#   scripts/fuzz.sh 600 nodes       one target: scene or nodes
# Inputs that reach new code collect in build/fuzz/corpus/<target>/, not in the repository. A
# failing input is written to build/fuzz/findings/ and named at the end; keep it, with the fix,
# in tests/fuzz/corpus/<target>/, where the test build replays it.
set -euo pipefail
cd "$(dirname "$0")/.."
budget="${1:-60}"
(($#)) && shift
targets=("$@")
if ((${#targets[@]} == 0)); then
  for source in tests/fuzz/*_fuzz.cpp; do targets+=("$(basename "$source" _fuzz.cpp)"); done
fi
case "$budget" in
  *x) limit=("-runs=${budget%x}") ;;
  *) limit=("-max_total_time=$budget") ;;
esac

bash scripts/setup.sh
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$(nproc)"

for target in "${targets[@]}"; do
  corpus="build/fuzz/corpus/$target"
  findings="build/fuzz/findings"
  log="build/fuzz/$target.log"
  mkdir -p "$corpus" "$findings"
  options=("${limit[@]}" -timeout=20 -print_final_stats=1 "-artifact_prefix=$findings/$target-")
  [ -f "tests/fuzz/$target.dict" ] && options+=("-dict=tests/fuzz/$target.dict")
  [ "$target" = scene ] && options+=(-max_len=16384)  # the entry skips longer inputs
  echo "== fuzz $target ($budget)" >&2
  start=$SECONDS
  if ! "build/fuzz/bin/orv-fuzz-$target" "${options[@]}" "$corpus" "tests/fuzz/corpus/$target" \
    >"$log" 2>&1; then
    tail -n 60 "$log" >&2
    echo "fuzz: $target failed after $((SECONDS - start)) s; log $log; input:" \
      "$(ls -t "$findings"/"$target"-* 2>/dev/null | head -n 1)" >&2
    exit 1
  fi
  runs=$(grep -o 'stat::number_of_executed_units: [0-9]*' "$log" | grep -o '[0-9]*$' || echo "?")
  echo "== fuzz $target: $runs runs in $((SECONDS - start)) s, clean" >&2
done
