#!/usr/bin/env python3
"""Writes the performance report from one run of the benchmark programs.

Reads, for each program orv-bench-NAME, its console output (NAME.txt: the "ratio N" lines and
the heap allocation line) and its Google Benchmark JSON (NAME.json: the growth curves), times
the tools' start-up and the render loop on 1 and 2 threads, draws each growth curve with
gnuplot, and writes the Markdown report. Every number comes from this run.
"""

import argparse
import json
import math
import os
import platform
import re
import statistics
import subprocess
import sys
import tempfile
import time

# One line per pair, as bench/support/ratio_reporter.cpp prints it (ms where a program times in
# real milliseconds).
RATIO_LINE = re.compile(
    r"^(?P<label>\S.*?)\s+(?P<ns>[\d.]+) [nm]s\s+(?P<base>\S.*?)\s+(?P<base_ns>[\d.]+) [nm]s"
    r"\s+ratio\s+(?P<ratio>\S+)\s*$")
ANSI_ESCAPE = re.compile(r"\x1b\[[0-9;]*m")
# Under callgrind (scripts/performance.sh): each timed loop's dump, and the pairs' benchmarks.
CALLGRIND_LABEL = re.compile(
    r"^desc: Trigger: Client Request: (?P<name>\S+) iterations (?P<iterations>\d+)\s*$", re.M)
CALLGRIND_SUMMARY = re.compile(r"^summary: (?P<count>\d+)\s*$", re.M)
CALLGRIND_PAIR = re.compile(
    r"^callgrind pair: (?P<label>.*?) \| (?P<base>.*?) \| (?P<name>\S+) \| (?P<base_name>\S+)\s*$")
HEAP_LINE = re.compile(r"^heap allocations per evaluation after warm-up.*:\s*(?P<count>\S+)\s*$")

# The aims: what, program, pattern over its ratio labels, comparison, bound (None: no aim),
# and optionally a pattern over the baselines' labels.
TRACE_MODES = [("probe", r"probe$"), ("traced ray", r"traced \(code 4\)$"),
               ("glossy family of 16, probe", r"glossy probe family"),
               ("glossy family of 16, traced", r"glossy traced family")]
TRACE_SCENES = [("twenty balls", r"^"), ("the shot", r"^shot: ")]
TRACE_AIMS = [(f"trace {mode} ÷ its host calls ({scene})", "orv-bench-trace", prefix + pattern,
               "<=", 1.3, r"^host calls$")
              for scene, prefix in TRACE_SCENES for mode, pattern in TRACE_MODES]
TRACE_EMBREE = [(f"trace {mode} ÷ raw Embree on the same rays ({scene}; information)",
                 "orv-bench-trace", prefix + pattern, None, None, r"^rtc")
                for scene, prefix in TRACE_SCENES for mode, pattern in TRACE_MODES]
RATIO_AIMS = [
    ("blocker, outside the outer shape (each kind)", "orv-bench-blocker", r", outside$", "<=",
     1.5),
    ("blocker, inside the inner shape (each kind)", "orv-bench-blocker", r", inside$", "<=", 1.5),
    ("blocker, in the ramp (card / sphere / box / cylinder / s-curve)", "orv-bench-blocker",
     r", ramp", "<=", 1.5),
    *TRACE_AIMS,
    *TRACE_EMBREE,
    ("trace environment lookup ÷ the environment shader's evaluation", "orv-bench-trace",
     r"^environment$", None, None),
    ("station (0, 10, 50 slots) ÷ its host calls (its slot reads included)", "orv-bench-radio",
     r"^station, 0 slots|slot reads\)$", "<=", 1.3),
    ("receiver (tuned, untuned) ÷ its host calls", "orv-bench-radio", r"^receiver", "<=", 1.3),
    ("message store look-up by text ÷ `unordered_map<string, void*>`", "orv-bench-radio",
     r"by text", "<=", 0.33),
    ("message store look-up by address ÷ `unordered_map<string, void*>`", "orv-bench-radio",
     r"by address", None, None),
    ("a render with every film channel ÷ the beauty alone (the demo, one thread)",
     "orv-bench-film", r"^every channel$", "<=", 1.2),
    ("the shot: the render ÷ its rays replayed through raw `rtcIntersect1`/`rtcOccluded1` "
     "(shading, nodes and sampling included; CPU time)", "orv-bench-shot", r"replayed rays",
     "<=", 1.8),
    ("the shot: the host's ray calls (`AiMakeRay` + `AiTrace`/`AiTraceProbe`) ÷ raw Embree on "
     "the same rays", "orv-bench-shot", r"^host ray calls", "<=", 1.3),
    ("the shot: OBJ reading time, the scene reader ÷ tinyobjloader on the same file",
     "orv-bench-shot", r"^OBJ reading", "<=", 1.0),
    ("live: full refinement after an edit ÷ a batch render of the same samples (process CPU "
     "time; demo, 640x480, 2 threads)", "orv-bench-live", r"^live refinement \(CPU\)", "<=", 1.1),
    ("live: the same in real time", "orv-bench-live", r"^live refinement \(real time\)", "<=",
     1.1),
]
# Figures a program prints as "figure: WHAT = VALUE UNIT": what, program, pattern over WHAT,
# comparison, bound (None: no aim).
FIGURE_LINE = re.compile(r"^figure: (?P<what>.*?) = (?P<value>\S+) (?P<unit>.*?)\s*$")
FIGURE_AIMS = [
    ("live: an edit of a shader parameter to the first refreshed image (demo, 640x480)",
     "orv-bench-live", r"^edit of a shader parameter", "<=", 100),
    ("live: an edit of a blocker parameter to the first refreshed image (demo, 640x480)",
     "orv-bench-live", r"^edit of a blocker parameter", "<=", 100),
    ("live: an edit to one object, the session's own time against the scene's size (1,000 – "
     "10,000 objects; all but the ray tracer's scene commit): growth exponent, flat",
     "orv-bench-live", r"session's own CPU time, growth exponent", "<=", 0.2),
    ("live: an edit to one object, the ray tracer's scene commit, which spans every object "
     "(growth exponent)", "orv-bench-live", r"scene commit, growth exponent", None, None),
    ("live: an edit to one object, the whole edit (growth exponent)", "orv-bench-live",
     r"^edit to one object, growth exponent", None, None),
    ("live: an edit to one object of 10,000 (CPU time of the edit)", "orv-bench-live",
     r"CPU time at 10,000", None, None),
    ("live: an edit to one object of 10,000, the session's own CPU time (without the commit)",
     "orv-bench-live", r"session's own CPU time \(without", None, None),
    ("live: resident memory growth over 1,000 edits", "orv-bench-live",
     r"^resident memory growth", "<=", 1),
    ("live: heap in use, growth over 1,000 edits", "orv-bench-live", r"^heap in use", "<=", 1),
    ("live: undo steps kept after 1,100 edits (the bound)", "orv-bench-live", r"^undo steps",
     "<=", 100),
]
HEAP_PER_SAMPLE = ("orv-bench-blocker", "orv-bench-radio", "orv-bench-trace")
TIME_UNITS = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}


def progress(message):
    print("performance: " + message, file=sys.stderr, flush=True)


def parse_console(text):
    """The ratio lines, as (label, baseline, ratio), and the most heap allocations any line
    states."""
    ratios, heap = [], None
    for line in ANSI_ESCAPE.sub("", text).splitlines():
        match = RATIO_LINE.match(line)
        if match:
            ratios.append((match["label"], match["base"], float(match["ratio"])))
            continue
        match = HEAP_LINE.match(line)
        if match:
            count = float(match["count"])
            heap = count if heap is None else max(heap, count)
    return ratios, heap


# Programs whose whole output goes into the report.
VERBATIM = {"orv-bench-shot": "The shot (`orv-bench-shot`)"}


def parse_figures(text):
    """(what, value, unit) from the "figure:" lines."""
    figures = []
    for line in ANSI_ESCAPE.sub("", text).splitlines():
        match = FIGURE_LINE.match(line)
        if match:
            figures.append((match["what"], float(match["value"]), match["unit"]))
    return figures


def figure_rows(texts):
    """Rows (what, value, aim, met?) for FIGURE_AIMS from the programs' console texts."""
    rows = []
    for what, program, pattern, comparison, bound in FIGURE_AIMS:
        found = [(value, unit) for label, value, unit in parse_figures(texts.get(program, ""))
                 if re.search(pattern, label)]
        if not found:
            rows.append((what, "not measured", aim_text(comparison, bound), "—"))
            continue
        value, unit = found[0]
        bound_unit = f" {unit.split()[0]}" if unit and not unit.startswith("(") else ""
        rows.append((what, f"{value:g} {unit}", aim_text(comparison, bound, bound_unit),
                     met(value, comparison, bound)))
    return rows


def pair_times(text):
    """(label, baseline) -> (ns, baseline ns) from the ratio lines."""
    times = {}
    for line in ANSI_ESCAPE.sub("", text).splitlines():
        match = RATIO_LINE.match(line)
        if match:
            times[(match["label"], match["base"])] = (float(match["ns"]), float(match["base_ns"]))
    return times


def instruction_counts(folder):
    """Benchmark name -> instructions per iteration, from the callgrind dumps of its timed loops
    in `folder`: the dump of the most iterations, so that the first calls' one-off work (lazy
    binding, cold caches of the host) weighs least."""
    best = {}
    for name in sorted(os.listdir(folder)):
        if name.endswith(".txt"):
            continue
        with open(os.path.join(folder, name), errors="replace") as dump:
            text = dump.read()
        label, summary = CALLGRIND_LABEL.search(text), CALLGRIND_SUMMARY.search(text)
        if not label or not summary:
            continue
        iterations = int(label["iterations"])
        if iterations > best.get(label["name"], (0, 0))[0]:
            best[label["name"]] = (iterations, int(summary["count"]) / iterations)
    return {name: per for name, (_, per) in best.items()}


def instruction_rows(folder, results):
    """Rows (pair, baseline, ns, baseline ns, time ratio, instructions, baseline instructions,
    instruction ratio) for each pair a program printed under callgrind in `folder`, its times
    from the timed run in `results`."""
    counts = instruction_counts(folder)
    rows = []
    for name in sorted(os.listdir(folder)):
        if not name.endswith(".txt"):
            continue
        times = {}
        timed = os.path.join(results, name)
        if os.path.exists(timed):
            with open(timed) as text:
                times = pair_times(text.read())
        with open(os.path.join(folder, name)) as text:
            for line in text.read().splitlines():
                match = CALLGRIND_PAIR.match(line)
                if not match or match["name"] not in counts or match["base_name"] not in counts:
                    continue
                ours, theirs = counts[match["name"]], counts[match["base_name"]]
                ns = times.get((match["label"], match["base"]))
                time_cells = ([f"{ns[0]:.0f}", f"{ns[1]:.0f}", f"{ns[0] / ns[1]:.2f}"] if ns
                              else ["—", "—", "—"])
                rows.append([match["label"], match["base"], *time_cells, f"{ours:.0f}",
                             f"{theirs:.0f}", f"{ours / theirs:.2f}"])
    return rows


def growth_points(runs):
    """Family -> sorted [(size, least CPU seconds per iteration over the repetitions)]."""
    least = {}
    for run in runs:
        if run.get("run_type", "iteration") != "iteration" or "size" not in run:
            continue
        if run.get("error_occurred"):
            continue
        family = run["run_name"].split("/")[0]
        seconds = run["cpu_time"] * TIME_UNITS[run.get("time_unit", "ns")]
        sizes = least.setdefault(family, {})
        size = float(run["size"])
        sizes[size] = min(seconds, sizes.get(size, math.inf))
    return {family: sorted(sizes.items()) for family, sizes in least.items()}


def growth_exponent(points):
    """Least-squares slope of log(seconds) against log(size)."""
    xs = [math.log(n) for n, _ in points]
    ys = [math.log(s) for _, s in points]
    mx, my = statistics.fmean(xs), statistics.fmean(ys)
    sxx = sum((x - mx) ** 2 for x in xs)
    sxy = sum((x - mx) * (y - my) for x, y in zip(xs, ys))
    return sxy / sxx


def met(value, comparison, bound):
    if comparison is None:
        return "(no aim)"
    ok = value <= bound if comparison == "<=" else value >= bound
    return "yes" if ok else "**no**"


def aim_text(comparison, bound, unit=""):
    if comparison is None:
        return "—"
    return ("≤ " if comparison == "<=" else "≥ ") + f"{bound:g}{unit}"


def ratio_rows(consoles):
    """Rows (what, ratio text, aim, met?) from the programs' ratio lines."""
    rows = []
    for what, program, pattern, comparison, bound, *base in RATIO_AIMS:
        values = [r for label, baseline, r in consoles.get(program, ([], None))[0]
                  if re.search(pattern, label) and (not base or re.search(base[0], baseline))]
        if not values:
            rows.append((what, "not measured", aim_text(comparison, bound), "—"))
            continue
        low, high = min(values), max(values)
        text = f"{low:.2f}" if low == high else f"{low:.2f} – {high:.2f}"
        worst = high if comparison in (None, "<=") else low
        rows.append((what, text, aim_text(comparison, bound), met(worst, comparison, bound)))
    # Programs whose iterations are samples (the film's are whole renders).
    heaps = [heap for program, (_, heap) in consoles.items()
             if heap is not None and program in HEAP_PER_SAMPLE]
    if heaps:
        most = max(heaps)
        rows.append(("heap allocations per sample after warm-up (most of any benchmark)",
                     f"{most:g}", "0", "yes" if most == 0 else "**no**"))
    return rows


def best_seconds(command, runs):
    best = math.inf
    for _ in range(runs):
        start = time.perf_counter()
        subprocess.run(command, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        best = min(best, time.perf_counter() - start)
    return best


def shared_libraries(command):
    """The shared objects the dynamic loader maps while `command` runs, dlopened ones too."""
    env = dict(os.environ, LD_DEBUG="files")
    done = subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, env=env,
                          text=True, check=True)
    return len(set(re.findall(r"file=(\S+) \[\d+\];\s+generating link map", done.stderr)))


def exr_render_seconds(path):
    """The render time orv-render wrote into the image's metadata."""
    info = subprocess.run(["oiiotool", "--info", "-v", path], capture_output=True, text=True,
                          check=True).stdout
    return float(re.search(r"orv:renderTime:\s*([\d.eE+-]+)", info)[1])


def tool_rows(bin_dir, source_dir, runs):
    """The start-up and render loop rows, measured by running the tools."""
    rows = []
    demo = os.path.join(source_dir, "scenes", "demo.json")
    info = [os.path.join(bin_dir, "orv-info")]
    shade = [os.path.join(bin_dir, "orv-shade"), demo, "--node", "floorChecker", "--point",
             "0.5,0,0.5"]
    for name, command, comparison in (("orv-info", info, "<="), ("orv-shade of one point", shade,
                                                                 None)):
        progress(f"timing {name} (best of {runs})")
        ms = best_seconds(command, runs) * 1000
        libs = shared_libraries(command)
        note = "" if comparison else " (it casts rays)"
        rows.append((f"tool start-up, {name}{note}", f"{ms:.0f} ms, {libs} shared libraries",
                     aim_text(comparison, 60, " ms"), met(ms, comparison, 60)))
    with tempfile.TemporaryDirectory(prefix="orv-performance-") as scratch:
        reported, whole = {}, {}
        for threads in (1, 2):
            progress(f"timing orv-render --threads {threads} on the demo (best of 3)")
            image = os.path.join(scratch, f"demo{threads}.exr")
            command = [os.path.join(bin_dir, "orv-render"), demo, "--threads", str(threads), "-q",
                       "-o", image]
            best_tool, best_whole = math.inf, math.inf
            for _ in range(3):
                best_whole = min(best_whole, best_seconds(command, 1))
                best_tool = min(best_tool, exr_render_seconds(image))
            reported[threads], whole[threads] = best_tool, best_whole
    tool = reported[1] / reported[2]
    process = whole[1] / whole[2]
    rows.append(("render loop, 2 threads ÷ 1 thread, speed-up (time the tool reports: "
                 f"{reported[1]:.2f} s / {reported[2]:.2f} s)", f"{tool:.2f}", "≥ 1.9",
                 met(tool, ">=", 1.9)))
    rows.append(("render loop, 2 threads ÷ 1 thread, speed-up (whole process: "
                 f"{whole[1]:.2f} s / {whole[2]:.2f} s)", f"{process:.2f}", "≥ 1.8",
                 met(process, ">=", 1.8)))
    return rows


def log_ticks(low, high):
    """Tick values for a log axis from `low` to `high`: 1, 2, 5 of each decade, or every digit
    when that gives fewer than three."""
    decades = range(math.floor(math.log10(low)), math.ceil(math.log10(high)) + 1)
    for digits in ((1, 2, 5), range(1, 10)):
        ticks = [d * 10.0**e for e in decades for d in digits if low <= d * 10.0**e <= high]
        if len(ticks) >= 3:
            break
    return ", ".join(f"{tick:g}" for tick in ticks)


def plot(family, points, exponent, what, png):
    """A log-log PNG of the curve and its fitted line, drawn by gnuplot."""
    xs = [math.log(n) for n, _ in points]
    ys = [math.log(s * 1000) for _, s in points]
    intercept = statistics.fmean(ys) - exponent * statistics.fmean(xs)
    data = "\n".join(f"{n:g} {s * 1000:.6g}" for n, s in points)
    low_x, high_x = points[0][0], points[-1][0]
    low_y = min(s for _, s in points) * 1000
    high_y = max(s for _, s in points) * 1000
    script = f"""
set terminal pngcairo size 640,420 font "DejaVu Sans,10" noenhanced
set output "{png}"
set title "{family}: growth exponent {exponent:.2f}"
set logscale xy
set xrange [{low_x / 1.25:g}:{high_x * 1.25:g}]
set yrange [{low_y / 1.5:.6g}:{high_y * 1.5:.6g}]
set xtics ({", ".join(f"{n:g}" for n, _ in points)})
set ytics ({log_ticks(low_y / 1.5, high_y * 1.5)})
set xlabel "{what}"
set ylabel "CPU ms per iteration (least of the repetitions)"
set grid
set key top left
$data << EOD
{data}
EOD
plot exp({intercept:.9g}) * x**{exponent:.9g} with lines linewidth 2 dashtype 2 \\
         title "fitted: slope {exponent:.2f}", \\
     $data using 1:2 with points pointtype 7 pointsize 1.5 title "measured"
"""
    subprocess.run(["gnuplot"], input=script, text=True, check=True)


# What each growth family's size counts.
SIZE_NAMES = {
    "BM_Pixels": "pixels (demo scene, 1 sample)",
    "BM_SamplesPerPixel": "camera samples per pixel (demo, 64x48)",
    "BM_GlossyFamily": "glossy family size (rays per evaluation)",
    "BM_StationSlots": "tuned station slots",
    "BM_NamedNodes": "named nodes in the scene",
    "BM_UnnamedObjects": "unnamed objects in the scene",
    "BM_LinkChain": "links in a chain",
    "BM_ObjectEdit": "objects in the scene (an edit moves one)",
    "BM_ShotTriangles": "triangles in the shot (96x54, 1 sample)",
    "BM_ShotLights": "lights with blockers in the shot",
    "BM_ShotGlossyFamily": "glossy family size in the shot",
    "BM_ShotBuild": "triangles in the shot read, built and set up",
}


def machine_lines(args, contexts, tools_load):
    cpu = platform.processor() or "unknown"
    try:
        with open("/proc/cpuinfo") as cpuinfo:
            models = re.findall(r"^model name\s*:\s*(.*)$", cpuinfo.read(), re.M)
            if models:
                cpu = models[0]
    except OSError:
        pass
    cache = {}
    try:
        with open(os.path.join(args.build, "CMakeCache.txt")) as text:
            for line in text:
                match = re.match(r"^(CMAKE_CXX_COMPILER|CMAKE_BUILD_TYPE):\w+=(.*)$", line)
                if match:
                    cache[match[1]] = match[2]
    except OSError:
        pass
    compiler = cache.get("CMAKE_CXX_COMPILER", "unknown")
    try:
        compiler = subprocess.run([compiler, "--version"], capture_output=True, text=True,
                                  check=True).stdout.splitlines()[0]
    except (OSError, subprocess.CalledProcessError, IndexError):
        pass
    library = sorted({c.get("library_build_type", "?") for c in contexts}) or ["?"]
    cores = os.cpu_count()
    lines = [
        f"- CPU: {cpu}, {cores} cores",
        f"- date: {args.started}",
        f"- load average (1, 5, 15 min) at the start: {args.load_start}; when the benchmarks "
        f"began, after the build: {args.load_bench}"
        + (f"; when the tools were timed: {tools_load}" if tools_load else ""),
        f"- compiler: {compiler}; build type: {cache.get('CMAKE_BUILD_TYPE', 'unknown')}; "
        f"Google Benchmark library: {', '.join(library)} build",
    ]
    loads = [args.load_start, args.load_bench] + ([tools_load] if tools_load else [])
    busiest = max(float(load.split()[0]) for load in loads)
    if cores and busiest >= 0.5 * cores:
        lines.append(f"- the machine was loaded (a load of {busiest:g} on {cores} cores): times "
                     "are inflated and vary; read the ratios, which are taken within one run "
                     "(the 2-thread render loop needs two idle cores)")
    return lines


def current_load():
    return " ".join(f"{load:.2f}" for load in os.getloadavg())


def table(header, rows):
    lines = ["| " + " | ".join(header) + " |", "|" + "---|" * len(header)]
    lines += ["| " + " | ".join(str(cell) for cell in row) + " |" for row in rows]
    return lines


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--results", required=True, help="folder of NAME.txt and NAME.json")
    parser.add_argument("--out", required=True, help="the Markdown report to write")
    parser.add_argument("--images", help="folder for the PNG plots (none drawn without it)")
    parser.add_argument("--bin", help="the built programs (tool rows skipped without it)")
    parser.add_argument("--source", default=".", help="the source tree (scenes)")
    parser.add_argument("--build", default="build/release", help="the build tree measured")
    parser.add_argument("--load-start", default=current_load(),
                        help="load average when the run began (default: now)")
    parser.add_argument("--load-bench", default=current_load(),
                        help="load average before the benchmarks (default: now)")
    parser.add_argument("--started", default=time.strftime("%Y-%m-%d %H:%M UTC", time.gmtime()))
    parser.add_argument("--runs", type=int, default=10, help="tool start-up runs, best kept")
    parser.add_argument("--callgrind",
                        help="folder of the programs' callgrind dumps and console output")
    parser.add_argument("--mode", default="", help="a sentence on how the run was made")
    parser.add_argument("--repetitions", type=int, default=3,
                        help="the repetitions each benchmark ran")
    args = parser.parse_args()

    programs = sorted({os.path.splitext(name)[0] for name in os.listdir(args.results)
                       if name.endswith((".txt", ".json"))})
    consoles, texts, curves, contexts = {}, {}, {}, []
    for program in programs:
        base = os.path.join(args.results, program)
        if os.path.exists(base + ".txt"):
            with open(base + ".txt") as text:
                texts[program] = text.read()
                consoles[program] = parse_console(texts[program])
        if os.path.exists(base + ".json"):
            with open(base + ".json") as text:
                output = json.load(text)
            contexts.append(output.get("context", {}))
            for family, points in growth_points(output.get("benchmarks", [])).items():
                if len(points) >= 2:
                    curves[(program, family)] = points

    rows = ratio_rows(consoles) + figure_rows(texts)
    tools_load = None
    if args.bin:
        tools_load = current_load()
        rows += tool_rows(args.bin, args.source, args.runs)

    growth = []
    image_lines = []
    out_dir = os.path.dirname(os.path.abspath(args.out))
    for (program, family), points in sorted(curves.items()):
        exponent = growth_exponent(points)
        what = SIZE_NAMES.get(family, "size")
        growth.append((program, family, what, f"{points[0][0]:g} – {points[-1][0]:g}",
                       len(points), f"{points[-1][1] * 1000:.3g} ms", f"{exponent:.2f}"))
        if args.images:
            os.makedirs(args.images, exist_ok=True)
            png = os.path.join(args.images, f"{program}-{family}.png")
            progress(f"plotting {family}")
            plot(family, points, exponent, what, png)
            relative = os.path.relpath(os.path.abspath(png), out_dir)
            image_lines.append(f"![{family}]({relative})")

    lines = ["# Performance", "",
             "Written by `scripts/performance.sh` from one run of every benchmark program "
             f"(Google Benchmark, CPU time, {args.repetitions} "
             f"repetition{'' if args.repetitions == 1 else 's'}; each ratio and each "
             "point from the least CPU time over the repetitions) and of the tools. Nothing here "
             "is typed in by hand: run the script again to measure again."
             + (f" {args.mode}" if args.mode else ""), "", "## Machine", ""]
    lines += machine_lines(args, contexts, tools_load)
    lines += ["", "## Ratios against the aims", "",
              "Each ratio divides a node's cost by its baseline's in the same run. Every node "
              "is judged beside the renderer calls its algorithm makes, made without it with "
              "the same arguments: the blocker's transforms, the station's and receiver's "
              "look-ups and reads, and the trace node's parameter reads, `AiMakeRay`, "
              "`AiTrace` or `AiTraceProbe` and, for a glossy family, `spread` and the sampler's "
              "walk (checked against the node's own colour before timing). The trace node's "
              "ratios to raw Embree on the same rays are kept as information: they charge the "
              "host's ray making and shading to the node. The trace pairs are measured on the "
              "floor and twenty balls and on the shot (`bench/support/shot_scene.h`), where "
              "the node stands at surface points the camera sees and looks along the mirror "
              "direction. Several pairs in one row give the range.", ""]
    lines += table(["what", "ratio", "aim", "met?"], rows)
    judged = [row for row in rows if row[3] in ("yes", "**no**")]
    missed = [row[0] for row in judged if row[3] != "yes"]
    lines += ["", f"{len(judged) - len(missed)} of {len(judged)} aims met"
              + (": not met: " + "; ".join(missed) + "." if missed else ".")]
    if args.callgrind and os.path.isdir(args.callgrind):
        counted = instruction_rows(args.callgrind, args.results)
        if counted:
            lines += ["", "## The trace and blocker pairs in instructions", "",
                      "Instructions per evaluation counted by callgrind, which the machine's load "
                      "does not change, beside the CPU times of the timed run. Each benchmark's "
                      "timed loop is dumped on its own (the dump of the most iterations is "
                      "taken); the shot's counts come from a smaller shot than the timed one "
                      "(see the run's mode above), since callgrind builds it 50 times slower.", ""]
            lines += table(["pair", "baseline", "ns", "baseline ns", "time ratio",
                            "instructions", "baseline instructions", "instruction ratio"],
                           counted)
    for program, title in VERBATIM.items():
        if program in texts:
            lines += ["", f"## {title}", "", "Its own output, as it printed it:", "", "```"]
            lines += ANSI_ESCAPE.sub("", texts[program]).rstrip().splitlines()
            lines += ["```"]
    lines += ["", "## How cost grows", "",
              "The growth exponent is the least-squares slope of log(CPU time) against "
              "log(size): 1 for a cost linear in the size, 0 for one that does not grow.", ""]
    lines += table(["program", "family", "size", "sizes", "points", "CPU time at the largest",
                    "exponent"], growth)
    if image_lines:
        lines += [""] + image_lines
    lines += ["", "## Every ratio line", ""]
    for program in programs:
        ratios = consoles.get(program, ([], None))[0]
        if ratios:
            lines += [f"`{program}`:", ""]
            lines += table(["pair", "baseline", "ratio"],
                           [(label, base, f"{r:.2f}") for label, base, r in ratios])
            lines.append("")
    with open(args.out, "w") as report:
        report.write("\n".join(lines).rstrip() + "\n")
    progress(f"wrote {args.out}")


if __name__ == "__main__":
    main()
