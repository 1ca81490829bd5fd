#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The demo set the build made is complete and current. Usage: demo_set_test.sh DEMO_DIR KVQ CONSOLE_FONT
set -euo pipefail

demo=$1
kvq=$2
console_font=$3
work=$(mktemp -d "${TMPDIR:-/tmp}/kvq-demo-set-XXXXXX")
trap 'rm -rf "$work"' EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

for name in quorva2.kvq test quorva.mp3; do
    [[ -s $demo/$name ]] || fail "$demo/$name is missing or empty"
done

"$kvq" demo -o "$work/demo.kvq"
cmp -s "$work/demo.kvq" "$demo/quorva2.kvq" || fail "$demo/quorva2.kvq is not what kvq demo writes"
"$kvq" font "$console_font" -o "$work/test"
cmp -s "$work/test" "$demo/test" || fail "$demo/test is not the conversion of $console_font"

# An MP3 opens with an ID3 tag or an MPEG frame sync, and should last as long as the picture.
magic=$(od -An -tx1 -N 2 "$demo/quorva.mp3" | tr -d ' \n')
[[ $magic == 4944 || $magic == fffb || $magic == fff3 ]] || fail "quorva.mp3 does not look like an MP3 ($magic)"
frames=$(($(stat -c %s "$demo/quorva2.kvq") / 2400))
# soxi reads MP3 only with libsox-fmt-mp3; without it the length goes unchecked.
if seconds=$(soxi -D "$demo/quorva.mp3" 2>/dev/null); then
    awk -v s="$seconds" -v f="$frames" 'BEGIN { d = s - f / 24; exit !(d > -1 && d < 1) }' ||
        fail "the soundtrack lasts $seconds s, the animation $((frames / 24)) s"
else
    echo "note: soxi cannot read MP3 here; the soundtrack's length is not checked"
fi
echo "ok: demo set of $frames frames"
