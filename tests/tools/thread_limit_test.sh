#!/usr/bin/env bash
# A render asking for more threads than the system will start (here a process limit) runs on
# those it got and says so, instead of aborting. Process limits do not bind root, so the render
# runs as nobody, from a copy of the tools it can read; skipped (77) where that cannot be done.
# Usage: thread_limit_test.sh ORV_RENDER SCENE
set -euo pipefail
render=$1 scene=$2
fail() { echo "FAIL: $*" >&2; exit 1; }
skip() { echo "skipped: $*" >&2; exit 77; }
[ "$(id -u)" -eq 0 ] || skip "not root, so cannot run as nobody"
command -v su >/dev/null && id nobody >/dev/null 2>&1 || skip "no su, or no user nobody"

copy=$(mktemp -d)
trap 'rm -rf "$copy"' EXIT
build=$(dirname "$(dirname "$render")")
cp -r "$build/bin" "$build/lib" "$copy/"
cp "$scene" "$copy/scene.json"
chmod -R a+rwX "$copy"
as_nobody() { su nobody -s /bin/bash -c "cd '$copy' && ulimit -u 12 && $1"; }
as_nobody true 2>/dev/null || skip "su to nobody is refused here"

status=0
as_nobody "./bin/orv-render -q scene.json -o out.png -t 64" >"$copy/said" 2>&1 || status=$?
[ "$status" -eq 0 ] || fail "orv-render under a process limit exited $status: $(cat "$copy/said")"
[ -s "$copy/out.png" ] || fail "no image was written: $(cat "$copy/said")"
grep -q "the system started [0-9]* of the 64 render threads" "$copy/said" ||
  fail "no warning of the threads that did not start: $(cat "$copy/said")"
