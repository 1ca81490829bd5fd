#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# An export stopped by Ctrl+C or SIGTERM leaves neither its output nor its temporary file behind.
# usage: interrupt_test.sh KVQ
set -euo pipefail
KVQ=$1
WORK=$(mktemp -d /tmp/kvq-interrupt.XXXXXX)
trap 'rm -rf "$WORK"' EXIT
cd "$WORK"
failures=0

python3 -c "import random, sys; r = random.Random(3); sys.stdout.buffer.write(r.randbytes(8192))" >font
# Ten minutes of changing frames: far longer than the test waits.
python3 -c "import random, sys; r = random.Random(4); b = r.randbytes(2400 * 64); sys.stdout.buffer.write(b * 225)" >long.kvq

for signal in INT TERM; do
    "$KVQ" export long.kvq --font font -o "out-$signal.mp4" 2>/dev/null &
    pid=$!
    for _ in $(seq 100); do
        ls -A | grep -q "^\.out-$signal" && break
        sleep 0.05
    done
    sleep 0.3
    kill -"$signal" "$pid"
    status=0
    wait "$pid" || status=$?
    expected=$((128 + $(kill -l "$signal")))
    [ "$status" = "$expected" ] || { echo "FAIL: status $status after SIG$signal, expected $expected"; failures=$((failures + 1)); }
    sleep 0.5  # ffmpeg, left without input, ends by itself
    leftovers=$(ls -A | grep -v -x -e font -e long.kvq || true)
    [ -z "$leftovers" ] || { echo "FAIL: left after SIG$signal: $leftovers"; failures=$((failures + 1)); }
done
[ "$failures" = 0 ] && echo "all checks passed" || exit 1
