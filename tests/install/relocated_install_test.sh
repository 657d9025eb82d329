#!/usr/bin/env bash
# Installs the build into a temporary prefix, moves the prefix, builds a plug-in of its own
# against the installed package and loads it with the installed tools: from ORV_PLUGIN_PATH
# (beside a broken module, and twice, which is an error) and with --plugin. Builds the
# installed example and shades its nodes; follows the installed documentation's links.
# Usage: relocated_install_test.sh BUILD_DIR SOURCE_DIR CXX_COMPILER SANITIZED(0|1)
set -euo pipefail
build=$1 source=$2 compiler=$3 sanitized=$4
here=$(cd "$(dirname "$0")" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$scratch/first" >/dev/null
mv "$scratch/first" "$scratch/moved"
prefix=$scratch/moved
unset ORV_PLUGIN_PATH

# Nothing of the source or build tree may be in what was installed: no run path, no text.
for file in "$prefix"/bin/* "$prefix"/lib/orv_shaders/*.so; do
  ! readelf -d "$file" | grep -E 'R(UN)?PATH' | grep -qF "$build" || fail "$file: run path into the build tree"
  # Sanitizers keep source file names for their reports.
  if [ "$sanitized" = 0 ]; then
    readelf -p .rodata "$file" | grep -qF -e "$source" -e "$build" && fail "$file: a source or build path in its data"
  fi
done

# The installed demo, found beside the moved tools.
"$prefix/bin/orv-render" -q --res 16x12 --spp 1 -o "$scratch/demo.exr" || fail "orv-render of the bundled demo"
[ -s "$scratch/demo.exr" ] || fail "no demo image"

cmake -S "$here/plugin" -B "$scratch/plugin-build" -G Ninja -DCMAKE_CXX_COMPILER="$compiler" \
  -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$scratch/plugin-build" >/dev/null
mkdir -p "$scratch/plugins" "$scratch/again"
cp "$scratch/plugin-build/tint_nodes.so" "$scratch/plugins/"
cp "$scratch/plugin-build/tint_nodes.so" "$scratch/again/tint_copy.so"
printf 'not a module\n' >"$scratch/plugins/broken.so"
nm -D --defined-only "$scratch/plugins/tint_nodes.so" | grep -q ' NodeLoader$' || fail "NodeLoader not exported"

cat >"$scratch/scene.json" <<'JSON'
{"nodes": [{"type": "orv_test_tint", "name": "tint", "gain": 4}]}
JSON
expected='"output":[1.0,2.0,3.0]'

out=$(ORV_PLUGIN_PATH="/nonexistent::$scratch/plugins" "$prefix/bin/orv-shade" "$scratch/scene.json" \
        --node tint 2>"$scratch/warnings") || fail "orv-shade with ORV_PLUGIN_PATH: $(cat "$scratch/warnings")"
grep -qF "$expected" <<<"$out" || fail "unexpected output: $out"
grep -q "broken.so'.*skipped" "$scratch/warnings" || fail "no warning naming broken.so: $(cat "$scratch/warnings")"

# grep reads it all: -q would go at the first match, before the host's own types are written.
ORV_PLUGIN_PATH="$scratch/plugins" "$prefix/bin/orv-info" 2>/dev/null | grep orv_test_tint >/dev/null ||
  fail "orv-info does not list the search path's node type"

out=$("$prefix/bin/orv-shade" "$scratch/scene.json" --node tint --plugin "$scratch/plugins/tint_nodes.so")
grep -qF "$expected" <<<"$out" || fail "--plugin: unexpected output: $out"

if ORV_PLUGIN_PATH="$scratch/plugins:$scratch/again" "$prefix/bin/orv-shade" "$scratch/scene.json" \
     --node tint >/dev/null 2>"$scratch/errors"; then
  fail "two modules offering orv_test_tint were accepted"
fi
grep -F "tint_nodes.so" "$scratch/errors" | grep -qF "tint_copy.so" ||
  fail "the error does not name both modules: $(cat "$scratch/errors")"
# The installed documentation's relative links and images lead to installed files.
docs=$prefix/share/doc/orv-shaders
[ -s "$docs/copyright" ] || fail "no copyright file in $docs"
for page in "$docs"/README.md "$docs"/docs/*.md; do
  for link in $(grep -oE '\]\([^)#:]+\)' "$page" | sed 's/^](//; s/)$//'); do
    [ -e "$(dirname "$page")/$link" ] || fail "$page links to $link, which is not installed"
  done
done

# The worked example, built from its installed sources, its two nodes shaded by the tools.
cmake -S "$prefix/share/orv_shaders/examples" -B "$scratch/example-build" -G Ninja \
  -DCMAKE_CXX_COMPILER="$compiler" -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$scratch/example-build" >/dev/null
example=("$prefix/share/orv_shaders/examples/example.json" --plugin "$scratch/example-build/example_nodes.so")
# The tint reads the checker linked into its colour: 0.5 or 1 per channel, times [1, 0.75, 0.5].
out=$("$prefix/bin/orv-shade" "${example[@]}" --node warmTiles -P 0.25,0,0.25)$("$prefix/bin/orv-shade" \
  "${example[@]}" --node warmTiles -P 0.25,0,1.25)
grep -qF '"output":[0.5,0.375,0.25]' <<<"$out" && grep -qF '"output":[1.0,0.75,0.5]' <<<"$out" ||
  fail "example_tint: unexpected output: $out"
# The dimmer takes 2 stops off light reaching points below 1, and passes the rest.
out=$("$prefix/bin/orv-shade" "${example[@]}" --node lowLight -P 0,0.5,0 -L 8)
grep -qF '"filteredIntensity":[2.0,2.0,2.0]' <<<"$out" || fail "example_dimmer below: $out"
out=$("$prefix/bin/orv-shade" "${example[@]}" --node lowLight -P 0,1.5,0 -L 8)
grep -qF '"filteredIntensity":[8.0,8.0,8.0]' <<<"$out" || fail "example_dimmer above: $out"
"$prefix/bin/orv-render" -q "${example[@]}" --res 24x18 --spp 1 -o "$scratch/example.png" ||
  fail "orv-render of the example scene"
[ -s "$scratch/example.png" ] || fail "no image of the example scene"

# Without the image library, shading points still works and a render stops before it starts.
mv "$prefix"/lib/orv_shaders/liborv_host_images.so "$scratch/"
"$prefix/bin/orv-shade" "$scratch/scene.json" --node tint --plugin "$scratch/plugins/tint_nodes.so" \
  >/dev/null 2>&1 || fail "orv-shade of a point needs the image library"
if "$prefix/bin/orv-render" -q --res 16x12 --spp 1 -o "$scratch/none.exr" 2>"$scratch/errors"; then
  fail "orv-render without the image library succeeded"
fi
grep -q "liborv_host_images.so" "$scratch/errors" ||
  fail "the error does not name the image library: $(cat "$scratch/errors")"
[ ! -e "$scratch/none.exr" ] || fail "orv-render left an image without the image library"
echo "relocated install: ok"
