#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# kvq encode on real videos made with ffmpeg: a playable folder, with or without sound.
# usage: encode_cli_test.sh KVQ
set -euo pipefail
KVQ=$1
WORK=$(mktemp -d /tmp/kvq-encode.XXXXXX)
trap 'rm -rf "$WORK"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
cd "$WORK"

# 2 seconds of a test picture at 30 frames per second, with a tone: 48 frames at 24 per second.
ffmpeg -v error -f lavfi -i testsrc2=size=320x240:rate=30 -f lavfi -i sine=frequency=440:sample_rate=44100 \
    -t 2 -c:v libx264 -pix_fmt yuv420p -c:a aac clip.mp4
"$KVQ" encode clip.mp4 -o played >out.txt
grep -q "^48 frames (2.00 s)" out.txt || fail "summary: $(cat out.txt)"
[ "$(stat -c %s played/quorva2.kvq)" = $((48 * 2400)) ] || fail "frames file of $(stat -c %s played/quorva2.kvq) bytes"
[ "$(stat -c %s played/test)" = 8192 ] || fail "font of $(stat -c %s played/test) bytes"
seconds=$(ffprobe -v error -show_entries format=duration -of csv=p=0 played/quorva.mp3)
awk "BEGIN { exit !($seconds >= 1.95 && $seconds <= 2.1) }" || fail "soundtrack lasts $seconds s"
quality=$(sed -n 's/.*mean PSNR \([0-9.]*\) dB.*/\1/p' out.txt)
awk "BEGIN { exit !($quality > 8 && $quality < 100) }" || fail "mean PSNR $quality"

# A silent video gives no soundtrack, and takes away one an earlier encode left.
ffmpeg -v error -f lavfi -i testsrc2=size=320x240:rate=24 -t 1 -c:v libx264 -pix_fmt yuv420p silent.mp4
"$KVQ" encode silent.mp4 -o played >out.txt
[ ! -e played/quorva.mp3 ] || fail "a silent video left a soundtrack"
[ "$(stat -c %s played/quorva2.kvq)" = $((24 * 2400)) ] || fail "silent video: $(stat -c %s played/quorva2.kvq) bytes"

# Without ffmpeg on the path, one line names the package to install.
mkdir nobin
if PATH="$WORK/nobin" "$KVQ" encode clip.mp4 -o elsewhere 2>err.txt; then fail "ran without ffmpeg"; fi
grep -q "apt-get install ffmpeg" err.txt || fail "message without ffmpeg: $(cat err.txt)"
[ "$(wc -l <err.txt)" = 1 ] || fail "more than one line without ffmpeg"

# Not a video: ffmpeg's own reason, one line, nothing written.
head -c 5000 /dev/zero >noise.mp4
if "$KVQ" encode noise.mp4 -o broken 2>err.txt; then fail "encoded a file of zeros"; fi
[ "$(wc -l <err.txt)" = 1 ] || fail "bad video: $(cat err.txt)"
[ -z "$(ls -A broken 2>/dev/null)" ] || fail "bad video left files: $(ls -A broken)"

[ "$failures" = 0 ] && echo "all checks passed" || exit 1
