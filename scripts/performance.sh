#!/usr/bin/env bash
# Builds the release preset, runs every benchmark program (3 repetitions, CPU time), counts the
# trace and blocker pairs' instructions with callgrind, and writes docs/performance.md, with the
# growth curves drawn in docs/images/performance/.
#
#   scripts/performance.sh [--quick]
#
# --quick: one repetition of each benchmark, shorter timings and a smaller shot, for a machine
# too loaded or too slow for the full run; the report says it was made so.
set -euo pipefail
cd "$(dirname "$0")/.."
quick=0
case "${1:-}" in
  --quick) quick=1 ;;
  "") ;;
  *) echo "usage: scripts/performance.sh [--quick]" >&2; exit 1 ;;
esac
load_start="$(cut -d' ' -f1-3 /proc/loadavg)"
started="$(date -u '+%Y-%m-%d %H:%M UTC')"
bash scripts/build.sh release

results="$(mktemp -d "${TMPDIR:-/tmp}/orv-performance-XXXXXX")"
trap 'rm -rf "$results"' EXIT
if ((quick)); then
  repetitions=1
  timing=(--benchmark_min_time=0.1)
  shot_triangles=300000
  shot=(--res 320x180 --spp 2 --triangles "$shot_triangles")
  mode="Quick mode (scripts/performance.sh --quick, for a machine too loaded for the full run): 1 repetition, 0.1 s per benchmark; the shot of ${shot_triangles} triangles, and orv-bench-shot's frame 320x180 at 2 samples."
else
  repetitions=3
  timing=()
  shot_triangles=1500000
  shot=()
  mode="The shot has ${shot_triangles} triangles; orv-bench-shot renders it at 1280x720, 16 samples."
fi
callgrind_triangles=100000

load_bench="$(cut -d' ' -f1-3 /proc/loadavg)"
for program in build/release/bin/orv-bench-*; do
  name="$(basename "$program")"
  extra=()
  [ "$name" = orv-bench-trace ] && extra=(--shot_triangles="$shot_triangles")
  [ "$name" = orv-bench-shot ] && extra=("${shot[@]}")
  echo "performance: running $name" >&2
  "$program" --benchmark_repetitions="$repetitions" "${timing[@]}" "${extra[@]}" \
    --benchmark_out="$results/$name.json" --benchmark_out_format=json >"$results/$name.txt"
done

# Instructions per evaluation of the trace and blocker pairs: each timed loop dumps its own
# counts.
callgrind=()
if command -v valgrind >/dev/null; then
  echo "performance: counting the trace and blocker pairs' instructions under callgrind" >&2
  mkdir -p "$results/callgrind"
  valgrind --tool=callgrind --callgrind-out-file="$results/callgrind/orv-bench-trace.out" \
    build/release/bin/orv-bench-trace --shot_triangles="$callgrind_triangles" \
    --benchmark_filter='^BM_(Shot)?(Trace|TraceHostCalls|HostCalls|Embree)/' \
    --benchmark_repetitions=1 --benchmark_min_time=0.02 \
    >"$results/callgrind/orv-bench-trace.txt" 2>"$results/callgrind.log"
  valgrind --tool=callgrind --callgrind-out-file="$results/callgrind/orv-bench-blocker.out" \
    build/release/bin/orv-bench-blocker --benchmark_repetitions=1 --benchmark_min_time=0.02 \
    >"$results/callgrind/orv-bench-blocker.txt" 2>>"$results/callgrind.log"
  callgrind=(--callgrind "$results/callgrind")
  mode="$mode Instructions were counted on the shot of ${callgrind_triangles} triangles."
else
  echo "performance: valgrind not found (scripts/setup.sh installs it): no instruction counts" >&2
fi

rm -f docs/images/performance/*.png
python3 scripts/performance_report.py --results "$results" --out docs/performance.md \
  --images docs/images/performance --bin build/release/bin --source . --build build/release \
  --load-start "$load_start" --load-bench "$load_bench" --started "$started" \
  --repetitions "$repetitions" --mode "$mode" "${callgrind[@]}"
