#!/usr/bin/env python3
"""scripts/performance_report.py on canned benchmark output: the growth exponent is fitted to
the least CPU time of each size (not the mean, not the aggregates), and the ratio lines, among
the console's coloured rows, are grouped by aim and judged against it."""

import json
import os
import subprocess
import sys
import tempfile

script = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts",
                      "performance_report.py")

with tempfile.TemporaryDirectory(prefix="orv-performance-test-") as scratch:
    runs = []
    for size in (1, 2, 4, 8):
        fastest = 3.0 * size**1.5
        # A slow repetition listed first, and the mean aggregate Google Benchmark adds.
        for cpu, kind in ((fastest * (1 + size), "iteration"), (fastest, "iteration"),
                          (fastest * 2, "aggregate")):
            runs.append({"name": f"BM_Fake/{size}/process_time",
                         "run_name": f"BM_Fake/{size}/process_time", "run_type": kind,
                         "cpu_time": cpu, "time_unit": "ms", "size": size})
    with open(os.path.join(scratch, "orv-bench-growth.json"), "w") as out:
        json.dump({"context": {}, "benchmarks": runs}, out)
    ratio = "{:<44} {:9.1f} ns  {:<24} {:9.1f} ns  ratio {:5.2f}\n"
    with open(os.path.join(scratch, "orv-bench-blocker.txt"), "w") as out:
        out.write("\x1b[0;32mBM_Blocker/0/0/1\x1b[m  12 ns\n\x1b[m\n")
        out.write(ratio.format("card, outside", 12.0, "host calls", 10.0, 1.2))
        out.write(ratio.format("sphere, outside", 14.0, "host calls", 10.0, 1.4))
        out.write(ratio.format("card, ramp", 16.0, "host calls", 10.0, 1.6))
    report = os.path.join(scratch, "performance.md")
    subprocess.run([sys.executable, script, "--results", scratch, "--out", report,
                    "--load-start", "0.5 0.5 0.5", "--load-bench", "0.5 0.5 0.5"], check=True)
    with open(report) as text:
        lines = text.read().splitlines()

expected = [
    "| blocker, outside the outer shape (each kind) | 1.20 – 1.40 | ≤ 1.5 | yes |",
    "| blocker, in the ramp (card / sphere / box / cylinder / s-curve) | 1.60 | ≤ 1.5 | **no** |",
    "| blocker, inside the inner shape (each kind) | not measured | ≤ 1.5 | — |",
]
growth = [line for line in lines if line.startswith("| orv-bench-growth | BM_Fake |")]
failures = [f"missing row: {row}" for row in expected if row not in lines]
if len(growth) != 1 or not growth[0].endswith("| 4 | 67.9 ms | 1.50 |"):
    failures.append(f"growth row wrong: {growth}")
for failure in failures:
    print(failure, file=sys.stderr)
sys.exit(1 if failures else 0)
