#!/usr/bin/env bash
# orv-info lists node types and their parameters: it needs neither rays nor images, and loading
# Embree's and OpenImageIO's dependency trees multiplies its start-up time. Fails when it links
# either of them, or a host library that does.
# Usage: info_libraries_test.sh ORV_INFO
set -euo pipefail
libraries=$(ldd "$1")
grep -q 'liborv_host_core\.so => /' <<<"$libraries" || {
  echo "FAIL: ldd does not show $1 loading the host's core library:"
  echo "$libraries"
  exit 1
}
if heavy=$(grep -E 'not found|libembree|libOpenImageIO|liborv_host_(embree|render)' <<<"$libraries"); then
  echo "FAIL: $1 loads libraries it has no use for, or misses one:"
  echo "$heavy"
  exit 1
fi
