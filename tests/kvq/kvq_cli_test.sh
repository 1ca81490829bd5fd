#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The built kvq run from a shell. Usage: KVQ=... DEMO_DIR=... CONSOLE_FONT=... kvq_cli_test.sh CASE
set -euo pipefail
case_name=$1
work=$(mktemp -d "${TMPDIR:-/tmp}/kvq-cli-XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"

fail() { echo "FAIL ($case_name): $*" >&2 && exit 1; }
# Runs kvq, with PATH from $path_for_kvq when set; expects STATUS and, unless TEXT is empty, one
# line on standard error that holds TEXT.
expect() { # STATUS TEXT ARGUMENTS...
    local status=0 want=$1 text=$2
    shift 2
    PATH=${path_for_kvq:-$PATH} "$KVQ" "$@" >out 2>err || status=$?
    [[ $status -eq $want ]] || fail "kvq $*: status $status, wanted $want: $(cat err)"
    [[ -z $text ]] || { [[ $(wc -l <err) -eq 1 ]] && grep -qF -- "$text" err; } || fail "kvq $*: $(cat err)"
}
# Two seconds of the demo and the console font; a two-second video of a test picture.
make_inputs() {
    "$KVQ" demo -o demo.kvq && head -c $((2400 * 48)) demo.kvq >anim.kvq && rm demo.kvq
    "$KVQ" font "$CONSOLE_FONT" -o test
}
make_video() { ffmpeg -v error -f lavfi -i testsrc2=size=320x240:rate=30 -f lavfi -i sine -t 2 -pix_fmt yuv420p "$@"; }

case $case_name in
binary)
    status=0
    "$KVQ" --help >/dev/full 2>err || status=$?
    [[ $status -eq 1 ]] && grep -q "cannot write to standard output" err || fail "a full standard output: $(cat err)"
    "$KVQ" demo -o demo.kvq
    [[ $(stat -c %s demo.kvq) -eq $((960 * 2400)) ]] || fail "the demo is not 960 frames"
    cmp -s demo.kvq "$DEMO_DIR/quorva2.kvq" || fail "the build's quorva2.kvq is not what kvq demo writes"
    "$KVQ" font "$CONSOLE_FONT" -o test
    cmp -s test "$DEMO_DIR/test" || fail "the build's test is not the conversion of $CONSOLE_FONT"
    "$KVQ" font "$CONSOLE_FONT" -o - | cmp -s - test || fail "a font to standard output differs"
    [[ $(od -An -tx1 -N 2 "$DEMO_DIR/quorva.mp3" | tr -d ' \n') =~ ^(4944|fffb|fff3)$ ]] || fail "quorva.mp3 is no MP3"
    ;;
play_words)
    # When the frames cannot be used that is all kvq play says: nothing of a font or sound it
    # never came to look for.
    expect 1 "nonexist: cannot open it" play nonexist
    expect 1 "/dev/zero: not a regular file" play /dev/zero
    # A font or a soundtrack named as the frames still plays, with one line saying what it looks like.
    make_inputs
    head -c 5000 anim.kvq >sound.mp3
    for file in test sound.mp3; do
        status=0
        # The GL and audio libraries SDL loads keep allocations that cannot be told from ours.
        ASAN_OPTIONS=detect_leaks=0 SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy \
            timeout --preserve-status -s TERM 2 "$KVQ" play "$file" --audio none 2>err || status=$?
        [[ $status -eq 143 ]] || fail "play $file: status $status: $(cat err)"
        head -1 err | grep -qE "^kvq play: $file: (looks like a font \(8192 bytes\), not frames|5000 bytes is not a whole number of 2400-byte frames and the name does not end in .kvq); playing it as frames$" ||
            fail "play $file: $(cat err)"
    done
    # A piece of the scene's art is no frames: it plays still, scrolling or typed out, saying nothing.
    printf '\e[1;33;44mA piece\r\n\e[5;31mblinking\e[0m\r\n' >piece.ans
    for options in "" "--scroll-speed 8" "--baud 2400"; do
        status=0
        # shellcheck disable=SC2086
        ASAN_OPTIONS=detect_leaks=0 SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy \
            timeout --preserve-status -s TERM 2 "$KVQ" play piece.ans $options 2>err || status=$?
        [[ $status -eq 143 && ! -s err ]] || fail "play piece.ans $options: status $status: $(cat err)"
    done
    ;;
no_ffmpeg)
    make_inputs
    mkdir nobin
    path_for_kvq=$work/nobin
    for ending in mp4 webm mkv; do
        expect 1 "ffmpeg is not installed; install it with: sudo apt-get install ffmpeg" export anim.kvq --font test -o x.$ending
    done
    expect 1 "sudo apt-get install ffmpeg" encode anim.kvq -o show
    [[ $(ls -A) == $'anim.kvq\nerr\nnobin\nout\ntest' ]] || fail "left behind: $(ls -A)"
    expect 0 "" export anim.kvq --font test -o show.gif
    ;;
interrupt)
    python3 -c "import random, sys; sys.stdout.buffer.write(random.Random(4).randbytes(2400 * 64) * 225)" >long.kvq
    head -c 8192 long.kvq >font
    for signal in INT TERM; do
        "$KVQ" export long.kvq --font font -o "out-$signal.mp4" 2>/dev/null &
        pid=$!
        # Stopped once ffmpeg has begun writing, so that there is a half-made video to clear away.
        for _ in $(seq 200); do
            [[ -n $(find . -name ".out-$signal*" -size +0) ]] && break
            sleep 0.05
        done
        kill -"$signal" "$pid"
        status=0
        wait "$pid" || status=$?
        [[ $status -eq $((128 + $(kill -l "$signal"))) ]] || fail "status $status after SIG$signal"
        sleep 0.5 # ffmpeg, left without input, ends by itself
        [[ $(ls -A) == $'font\nlong.kvq' ]] || fail "left after SIG$signal: $(ls -A)"
    done
    # A stand-in ffmpeg that never ends by itself must end with kvq, however kvq ends.
    mkdir fake && printf '#!/bin/sh\necho $$ >"%s/child"\nexec sleep 60\n' "$work" >fake/ffmpeg && chmod +x fake/ffmpeg
    alive() { [[ -e /proc/$1 ]] && ! grep -q '^[0-9]* ([^)]*) Z' "/proc/$1/stat"; }
    for signal in INT TERM KILL; do
        rm -f child
        PATH=$work/fake:$PATH "$KVQ" export long.kvq --font font -o out.mp4 2>/dev/null &
        pid=$!
        for _ in $(seq 100); do [[ -s child ]] && break; sleep 0.05; done
        kill -"$signal" "$pid" && ! wait "$pid" && sleep 0.2
        ! alive "$(cat child)" || fail "ffmpeg outlived kvq after SIG$signal"
    done
    # What kill -9 left behind goes when the same output is written again.
    head -c $((2400 * 24)) long.kvq >short.kvq && "$KVQ" export short.kvq --font font -o out.mp4 >/dev/null
    [[ $(ls -A) == $'child\nfake\nfont\nlong.kvq\nout.mp4\nshort.kvq' ]] || fail "left after SIGKILL: $(ls -A)"
    ;;
encode_video)
    # Names that ffmpeg would take for an option, a protocol or a report file, if given them as they are.
    show=-report:x
    make_video file:a:b.mp4
    ln -s a:b.mp4 ./-report
    expect 0 "" encode -o "$show" -- -report
    grep -q "^48 frames (2.00 s) into $show, with its soundtrack" out || fail "summary: $(cat out)"
    [[ $(stat -c %s ./$show/quorva2.kvq) -eq $((48 * 2400)) && $(stat -c %s ./$show/test) -eq 8192 ]] || fail "$(ls -l ./$show)"
    seconds=$(ffprobe -v error -show_entries format=duration -of csv=p=0 file:$show/quorva.mp3)
    quality=$(sed -n 's/^PSNR [0-9.]* dB, blurred PSNR \([0-9.]*\) dB.*/\1/p' out)
    awk "BEGIN { exit !($seconds > 1.95 && $seconds < 2.1 && $quality > 8 && $quality < 100) }" ||
        fail "the soundtrack lasts $seconds s, the blurred PSNR is $quality dB"
    make_inputs
    expect 0 "" export anim.kvq --font test --audio a:b.mp4 -o c:d.mkv
    ! compgen -G '*.log' >/dev/null || fail "ffmpeg or ffprobe wrote a report: $(ls ./*.log)"
    # A silent video takes away the soundtrack an earlier encode left.
    make_video -map 0:v silent.mp4
    expect 0 "" encode silent.mp4 -o "$show" --font "$show/test"
    [[ ! -e $show/quorva.mp3 ]] || fail "a silent video left a soundtrack"
    # A failure leaves no folder made for it.
    head -c 5000 /dev/zero >noise.mp4 && ffmpeg -v error -f lavfi -i sine -t 1 tone.mp3
    expect 1 "noise.mp4: Invalid data" encode noise.mp4 -o broken
    expect 1 "tone.mp3: has no video" encode tone.mp3 -o made/deeper
    [[ ! -e broken && ! -e made ]] || fail "a failed encode left a folder"
    ;;
progress)
    # At a terminal the frame count is rewritten in place, then wiped before the summary or an error.
    make_inputs
    make_video clip.mp4
    head -c 5000 /dev/zero >noise.mp3
    script -qec "'$KVQ' export anim.kvq --font test -o show.gif" /dev/null >typescript
    grep -qF $'\rexporting: frame 48/48 (100%, 0 s left)\r                                       \rshow.gif: 48 frames, 2.00 s' typescript ||
        fail "export: $(cat -A typescript)"
    script -qec "'$KVQ' encode clip.mp4 -o show" /dev/null >typescript
    grep -qE $'^\rencoding: frame [0-9]+/48 \\([0-9]+%, [0-9]+ s left\\), .* dB.*\r +\r48 frames' typescript || fail "encode: $(cat -A typescript)"
    script -qec "'$KVQ' export anim.kvq --font test --audio noise.mp3 -o show.mp4" /dev/null >typescript || true
    [[ $(wc -l <typescript) -eq 1 ]] && grep -qE $'(^|\r)kvq export: ffmpeg failed: ' typescript ||
        fail "error: $(cat -A typescript)"
    ;;
esac
echo "ok ($case_name)"
