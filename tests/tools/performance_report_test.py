#!/usr/bin/env python3
"""scripts/performance_report.py on canned benchmark output: the growth exponent is fitted to
the least CPU time of each size (not the mean, not the aggregates), the ratio lines, among
the console's coloured rows, are grouped by aim (and by baseline) and judged against it, as are
the "figure:" lines, and a pair's instructions come from the callgrind dump of its most
iterations."""

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
    with open(os.path.join(scratch, "orv-bench-trace.txt"), "w") as out:
        out.write(ratio.format("probe", 110.0, "host calls", 100.0, 1.1))
        out.write(ratio.format("probe", 110.0, "rtcOccluded1 x1", 50.0, 2.2))
    with open(os.path.join(scratch, "orv-bench-live.txt"), "w") as out:
        out.write("figure: edit of a blocker parameter to the first refreshed image (demo, "
                  "640x480) = 145 ms\n")
    with open(os.path.join(scratch, "orv-bench-shot.txt"), "w") as out:
        out.write(ratio.format("render (shading, nodes, sampling) / replayed rays", 3e9,
                               "raw rtcIntersect1/rtcOccluded1", 1.5e9, 2.0))
    counts = os.path.join(scratch, "callgrind")
    os.mkdir(counts)
    with open(os.path.join(counts, "orv-bench-trace.txt"), "w") as out:
        out.write("callgrind pair: probe | host calls | BM_Trace/0/0 | BM_TraceHostCalls/0/0\n")
    dumps = [("BM_Trace/0/0", 1, 90000), ("BM_Trace/0/0", 100, 120000),
             ("BM_TraceHostCalls/0/0", 200, 200000), ("BM_TraceHostCalls/0/0", 10, 50000)]
    for index, (name, iterations, count) in enumerate(dumps):
        with open(os.path.join(counts, f"orv-bench-trace.out.{index + 1}"), "w") as out:
            out.write(f"desc: Trigger: Client Request: {name} iterations {iterations}\n"
                      f"events: Ir\nsummary: {count}\ntotals: {count}\n")
    report = os.path.join(scratch, "performance.md")
    subprocess.run([sys.executable, script, "--results", scratch, "--out", report,
                    "--load-start", "0.5 0.5 0.5", "--load-bench", "0.5 0.5 0.5",
                    "--callgrind", counts], check=True)
    with open(report) as text:
        lines = text.read().splitlines()

expected = [
    "| blocker, outside the outer shape (each kind) | 1.20 – 1.40 | ≤ 1.5 | yes |",
    "| blocker, in the ramp (card / sphere / box / cylinder / s-curve) | 1.60 | ≤ 1.5 | **no** |",
    "| blocker, inside the inner shape (each kind) | not measured | ≤ 1.5 | — |",
    "| trace probe ÷ its host calls (twenty balls) | 1.10 | ≤ 1.3 | yes |",
    "| trace probe ÷ raw Embree on the same rays (twenty balls; information) | 2.20 | — | "
    "(no aim) |",
    "| probe | host calls | 110 | 100 | 1.10 | 1200 | 1000 | 1.20 |",
    "| live: an edit of a blocker parameter to the first refreshed image (demo, 640x480) | "
    "145 ms | ≤ 100 ms | **no** |",
    "| the shot: the render ÷ its rays replayed through raw `rtcIntersect1`/`rtcOccluded1` "
    "(shading, nodes and sampling included; CPU time) | 2.00 | ≤ 1.8 | **no** |",
    "| the shot: the host's ray calls (`AiMakeRay` + `AiTrace`/`AiTraceProbe`) ÷ raw Embree on "
    "the same rays | not measured | ≤ 1.3 | — |",
]
growth = [line for line in lines if line.startswith("| orv-bench-growth | BM_Fake |")]
failures = [f"missing row: {row}" for row in expected if row not in lines]
if len(growth) != 1 or not growth[0].endswith("| 4 | 67.9 ms | 1.50 |"):
    failures.append(f"growth row wrong: {growth}")
for failure in failures:
    print(failure, file=sys.stderr)
sys.exit(1 if failures else 0)
