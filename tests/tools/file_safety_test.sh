#!/usr/bin/env bash
# Files the tools write are replaced whole and only where meant: an image is not corrupted by
# messages when stderr is closed; orv-info --update-doc follows no link planted beside the
# document, updates a document that is a link through it, and keeps its mode; an existing
# image keeps its mode, and a read-only one is refused.
# Usage: file_safety_test.sh ORV_RENDER ORV_INFO
set -euo pipefail
render=$1 info=$2
fail() { echo "FAIL: $*" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
echo '{"options": {"xres": 4, "yres": 4, "samples": 1},
       "objects": [{"type": "sphere", "name": "ball", "scale": [1, 0, 1]}]}' >scene.json

# With stderr closed, the image's temporary would take descriptor 2 and the warning, the
# summary and "wrote" would be written into the image.
"$render" scene.json -o closed.png 2>&- || fail "orv-render with stderr closed exited $?"
[ "$(head -c 4 closed.png | od -An -c | tr -d ' ')" = "211PNG" ] ||
  fail "the image does not start as a PNG: $(head -c 40 closed.png | od -c | head -2)"

printf '# Nodes\n' >victim.md
cp victim.md doc.md
ln -s victim.md doc.md.tmp                # a link planted where a fixed temporary once went
"$info" --update-doc doc.md || fail "--update-doc exited $?"
[ -L doc.md.tmp ] && [ ! -L doc.md ] && [ "$(cat victim.md)" = "# Nodes" ] ||
  fail "--update-doc followed or replaced the planted link"
mkdir real
printf '# Nodes\n' >real/nodes.md
chmod 640 real/nodes.md
ln -s real/nodes.md linked.md
"$info" --update-doc linked.md || fail "--update-doc through a link exited $?"
[ -L linked.md ] || fail "--update-doc replaced the link instead of the file it names"
[ "$(stat -c %a real/nodes.md)" = 640 ] || fail "the document lost its mode"
ls -a real | grep -q '^\.orv-' && fail "a temporary was left: $(ls -a real)"

"$render" -q scene.json -o kept.png 2>/dev/null
chmod 600 kept.png
"$render" -q scene.json -o kept.png 2>/dev/null || fail "replacing an image exited $?"
[ "$(stat -c %a kept.png)" = 600 ] || fail "the image's mode became $(stat -c %a kept.png)"
chmod 444 kept.png
before=$(md5sum <kept.png)
status=0
said=$("$render" -q scene.json -o kept.png 2>&1) || status=$?
[ "$status" -eq 1 ] && grep -q "kept.png.*read-only" <<<"$said" ||
  fail "a read-only image: exit $status, said: $said"
[ "$(md5sum <kept.png)" = "$before" ] || fail "the read-only image was replaced"
