#!/usr/bin/env bash
# Results that cannot be written are a failure: orv-info and orv-shade writing to a full disk
# (/dev/full) exit 1 and say so, rather than losing their output behind an exit status of 0.
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
