#!/usr/bin/env bash
# Builds the release preset, runs every benchmark program (3 repetitions, CPU time) and writes
# docs/performance.md, with the growth curves drawn in docs/images/performance/.
set -euo pipefail
cd "$(dirname "$0")/.."
load_start="$(cut -d' ' -f1-3 /proc/loadavg)"
started="$(date -u '+%Y-%m-%d %H:%M UTC')"
bash scripts/build.sh release

results="$(mktemp -d "${TMPDIR:-/tmp}/orv-performance-XXXXXX")"
trap 'rm -rf "$results"' EXIT
load_bench="$(cut -d' ' -f1-3 /proc/loadavg)"
for program in build/release/bin/orv-bench-*; do
  name="$(basename "$program")"
  echo "performance: running $name" >&2
  "$program" --benchmark_repetitions=3 --benchmark_out="$results/$name.json" \
    --benchmark_out_format=json >"$results/$name.txt"
done

rm -f docs/images/performance/*.png
python3 scripts/performance_report.py --results "$results" --out docs/performance.md \
  --images docs/images/performance --bin build/release/bin --source . --build build/release \
  --load-start "$load_start" --load-bench "$load_bench" --started "$started"
