#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The built kvq run from a shell as a person would. Usage: kvq_cli_test.sh CASE KVQ
set -euo pipefail

source "$(dirname "$0")/cli_lib.sh"

case $case_name in
help)
    run --help
    expect_status 0
    for command in font info render demo help; do expect_in out "  $command "; done
    run help render
    expect_status 0
    expect_in out "Usage: kvq render ANIMATION --font FONT --frame N -o OUT.png"
    run
    expect_status 2
    run frobnicate
    expect_status 2
    expect_one_line_error
    ;;
font)
    make_psf1 >font.psf
    gzip -9 -c font.psf >font.psf.gz
    run font font.psf -o plain.out
    expect_status 0
    run font font.psf.gz -o gzip.out
    expect_status 0
    [[ $(stat -c %s plain.out) -eq 8192 ]] || fail "font file is $(stat -c %s plain.out) bytes"
    cmp -s plain.out gzip.out || fail "gzip and plain fonts convert differently"
    # Slot 65 holds glyph 65's 16 rows and then 16 zero bytes.
    [[ $(od -An -tx1 -j $((65 * 32)) -N 32 plain.out | tr -d ' \n') == "$(printf '41%.0s' {1..16})$(printf '00%.0s' {1..16})" ]] ||
        fail "slot 65 is $(od -An -tx1 -j $((65 * 32)) -N 32 plain.out)"
    before=$(files)
    run font missing.psf -o missing.out
    expect_status 1
    expect_one_line_error
    expect_in err "missing.psf"
    head -c 1000 font.psf >cut.psf
    before=$(files)
    run font cut.psf -o cut.out
    expect_status 1
    expect_in err "truncated"
    [[ $(files) == "$before" ]] || fail "a failed conversion left files: $(files)"
    run font font.psf -o font.psf
    expect_status 1
    cmp -s <(make_psf1) font.psf || fail "the input was overwritten"
    ;;
info)
    head -c $((2400 * 300 + 100)) /dev/zero >anim.kvq
    run info anim.kvq
    expect_status 0
    expect_in out "frames: 301"
    expect_in out "12.54 s"
    expect_in out "becomes one more frame; cells past them repeat the previous frame"
    head -c $((2400 * 2 + 29)) /dev/zero >short.kvq
    run info short.kvq
    expect_status 0
    expect_in out "ignored"
    run info nowhere.kvq
    expect_status 1
    expect_one_line_error
    expect_in err "nowhere.kvq"
    ;;
render)
    run demo -o demo.kvq
    expect_status 0
    make_psf1 >font.psf
    run font font.psf -o test
    expect_status 0
    run render demo.kvq --font test --frame 500 -o frame.png
    expect_status 0
    # PNG signature, then the IHDR chunk: 640 x 480, bit depth 8, colour type 2 (RGB).
    [[ $(od -An -tx1 -N 26 frame.png | tr -d ' \n') == 89504e470d0a1a0a0000000d4948445200000280000001e00802 ]] ||
        fail "not a 640x480 8-bit RGB PNG: $(od -An -tx1 -N 26 frame.png)"
    before=$(files)
    run render demo.kvq --font test --frame 960 -o late.png
    expect_status 1
    expect_one_line_error
    expect_in err "no frame 960"
    [[ $(files) == "$before" ]] || fail "a failed render left files: $(files)"
    ;;
demo)
    start=$(date +%s%N)
    run demo -o one.kvq
    expect_status 0
    elapsed_ms=$((($(date +%s%N) - start) / 1000000))
    echo "kvq demo took $elapsed_ms ms"
    run demo -o two.kvq
    expect_status 0
    cmp -s one.kvq two.kvq || fail "two runs of kvq demo differ"
    [[ $(stat -c %s one.kvq) -ge $((2400 * 720)) ]] || fail "the demo is shorter than 30 s"
    run info one.kvq
    expect_in out "trailing bytes: none"
    ;;
*)
    fail "no such case"
    ;;
esac
echo "ok ($case_name)"
