#!/usr/bin/env python3
"""Fails when a folder of the host includes a folder on its own floor or above it.

Usage: floors_check.py HOST_DIR. Every folder of HOST_DIR must be on a floor below, so that a
new folder is placed before it is used.
"""
import pathlib
import re
import sys

# Bottom first. A folder includes its own files and those of floors below it, never beside it.
FLOORS = [
    ["plugin"],  # the library's interface header
    ["universe"],
    ["shading", "geometry"],
    ["tracing"],
    ["api", "builtin", "scene"],
    ["render"],
    ["live"],
]
FLOOR_OF = {folder: level for level, folders in enumerate(FLOORS) for folder in folders}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^/"]+)/')


def main(host_dir):
    problems = []
    for path in sorted(pathlib.Path(host_dir).glob("*/*")):
        if path.suffix not in (".h", ".cpp"):
            continue
        folder = path.parent.name
        if folder not in FLOOR_OF:
            problems.append(f"{path}: folder '{folder}' is on no floor")
            continue
        for number, line in enumerate(path.read_text().splitlines(), 1):
            match = INCLUDE.match(line)
            if not match or match.group(1) == folder:
                continue
            included = match.group(1)
            if FLOOR_OF.get(included, len(FLOORS)) >= FLOOR_OF[folder]:
                problems.append(f"{path}:{number}: {folder}/ includes {included}/, "
                                "which is not below it")
    for problem in problems:
        print(problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
