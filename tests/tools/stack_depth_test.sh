#!/usr/bin/env bash
# Rays traced as deep as a scene may ask, through networks as deep as a sample may nest, on
# render threads with a small stack: the render finishes, leaving the rays that would overflow
# the stack uncast and saying so once, instead of ending in a segmentation fault.
# Usage: stack_depth_test.sh ORV_RENDER
set -euo pipefail
render=$1
fail() { echo "FAIL: $*" >&2; exit 1; }
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# Inside a ball whose shader is sixty stations around a mirror trace: every reflected ray hits
# the ball again, sixty-four levels deep.
nodes='{"type": "orv_trace", "name": "mirror", "rayType": 1, "direction": 1}'
previous=mirror
for i in $(seq 1 60); do
  nodes="$nodes, {\"type\": \"orv_radio_station\", \"name\": \"s$i\", \"color\": {\"link\": \"$previous\"}}"
  previous=s$i
done
cat >"$scratch/deep.json" <<JSON
{"options": {"xres": 4, "yres": 4, "samples": 1, "threads": 2, "rayDepth": 64},
 "camera": {"position": [0, 0, 0], "lookAt": [0, 0, -1]},
 "objects": [{"type": "sphere", "radius": 10, "shader": "$previous"}],
 "nodes": [$nodes]}
JSON

status=0
(ulimit -s 2048 && "$render" -q "$scratch/deep.json" -o "$scratch/deep.exr") 2>"$scratch/errors" ||
  status=$?
[ "$status" -eq 0 ] || fail "orv-render on 2 MiB stacks exited $status: $(cat "$scratch/errors")"
[ -s "$scratch/deep.exr" ] || fail "no image was written"
[ "$(grep -c "would overflow its render thread's stack" "$scratch/errors")" -eq 1 ] ||
  fail "expected one warning about the stack: $(cat "$scratch/errors")"
