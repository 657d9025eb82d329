#!/usr/bin/env bash
# Results that cannot be written are a failure: orv-info and orv-shade writing to a full disk
# (/dev/full) exit 1 and say so, rather than losing their output behind an exit status of 0.
# A reader that went away (a pipe into head) is not a failure: the tool ends quietly, with 0.
# Usage: output_failure_test.sh ORV_INFO ORV_SHADE SCENE NODE
set -euo pipefail
info=$1 shade=$2 scene=$3 node=$4
fail() { echo "FAIL: $*" >&2; exit 1; }

check() {
  local tool=$1
  shift
  local status=0
  errors=$("$@" 2>&1 >/dev/full) || status=$?
  [ "$status" -eq 1 ] || fail "$tool writing to a full disk exited $status"
  grep -q "^$tool: cannot write the output" <<<"$errors" || fail "$tool said: $errors"
}
check orv-info "$info"
check orv-info "$info" --format json
check orv-shade "$shade" "$scene" --node "$node"

# A reader that goes away without reading: more results than a pipe holds, so that writing
# them fails whenever the reader goes.
points="[$(for i in $(seq 1 2000); do printf '{"point": [%d, 0, 0]},' "$i"; done)"
points="${points%,}]"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
echo "$points" >"$scratch/points.json"
quiet() {
  local tool=$1
  shift
  set +o pipefail
  "$@" 2>"$scratch/errors" | "${reader[@]}"
  local status=${PIPESTATUS[0]}
  set -o pipefail
  [ "$status" -eq 0 ] || fail "$tool into a closed pipe exited $status"
  [ ! -s "$scratch/errors" ] || fail "$tool into a closed pipe said: $(cat "$scratch/errors")"
}
reader=(true)
quiet orv-shade "$shade" "$scene" --node "$node" --points "$scratch/points.json"
reader=(head -n 1)
quiet orv-info "$info"
