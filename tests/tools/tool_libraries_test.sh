#!/usr/bin/env bash
# Each tool loads only the libraries it uses: OpenImageIO alone brings some two hundred and fifty,
# which multiply start-up time. orv-info lists node types and needs neither rays nor images;
# orv-shade of a point needs rays, and images only when --grid writes one.
# Usage: tool_libraries_test.sh ORV_INFO ORV_SHADE SCENE NODE
set -euo pipefail
info=$1 shade=$2 scene=$3 node=$4
fail() { echo "FAIL: $*" >&2; exit 1; }

libraries=$(ldd "$info")
grep -q 'liborv_host_core\.so => /' <<<"$libraries" ||
  fail "ldd does not show $info loading the host's core library: $libraries"
if heavy=$(grep -E 'not found|libembree|libOpenImageIO|liborv_host_(embree|render|images)' <<<"$libraries"); then
  fail "$info loads libraries it has no use for, or misses one: $heavy"
fi

# What the dynamic loader reports opening, dlopen included, while orv-shade shades one point.
loaded=$(LD_DEBUG=libs "$shade" "$scene" --node "$node" 2>&1 >/dev/null | grep 'calling init:' || true)
grep -q 'liborv_host_core\.so' <<<"$loaded" || fail "LD_DEBUG shows no library of orv-shade: $loaded"
if heavy=$(grep -E 'libOpenImageIO|liborv_host_images' <<<"$loaded"); then
  fail "orv-shade of one point loads the image libraries: $heavy"
fi

# Libraries are found through the run paths and the system's, never in the working directory:
# an empty run-path entry would have the loader try ./libm.so.6 first, so a library planted
# where someone renders would be loaded, or here, being empty, stop every tool from starting.
planted=$(mktemp -d)
trap 'rm -rf "$planted"' EXIT
for library in libm.so.6 libembree3.so.3 libOpenImageIO.so.2.4 liborv_host_core.so; do
  : >"$planted/$library"
done
(cd "$planted" && "$info" >/dev/null) || fail "$info loads a library from the working directory"
(cd "$planted" && "$shade" "$scene" --node "$node" --grid 0,0,0:1,1,0 --res 4x4 --image grid.png >/dev/null) ||
  fail "$shade loads a library from the working directory"
