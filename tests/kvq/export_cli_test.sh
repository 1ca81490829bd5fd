#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# kvq export run from a shell as a person would. Usage: export_cli_test.sh CASE KVQ
set -euo pipefail

source "$(dirname "$0")/cli_lib.sh"

# Two seconds of the demo animation and a font whose glyph g has every row equal to g.
make_inputs() {
    "$kvq" demo -o demo.kvq
    head -c $((2400 * 48)) demo.kvq >anim.kvq
    rm demo.kvq
    make_psf1 >font.psf
    "$kvq" font font.psf -o test
    rm font.psf
}

case $case_name in
no_ffmpeg)
    make_inputs
    mkdir nobin
    before=$(files)
    for ending in mp4 webm mkv; do
        status=0
        PATH="$work/nobin" "$kvq" export anim.kvq --font test -o "show.$ending" >out 2>err || status=$?
        expect_status 1
        expect_one_line_error
        expect_in err "ffmpeg is not installed"
        expect_in err "apt-get install ffmpeg"
        [[ $(files) == "$before" ]] || fail "$ending without ffmpeg left files: $(files)"
    done
    # GIF and Y4M are written by kvq itself.
    status=0
    PATH="$work/nobin" "$kvq" export anim.kvq --font test -o show.gif >out 2>err || status=$?
    expect_status 0
    ;;
progress)
    make_inputs
    # At a terminal the frame count is rewritten in place, then wiped before the summary.
    script -qec "'$kvq' export anim.kvq --font test -o show.gif" /dev/null >typescript
    grep -qF $'\rexporting: frame 48/48' typescript || fail "no progress at a terminal: $(cat -A typescript)"
    grep -qF "show.gif: 48 frames, 2.00 s" typescript || fail "no summary at a terminal: $(cat -A typescript)"
    # An error at a terminal is one line too, with no progress left standing before it.
    head -c 5000 /dev/zero >noise.mp3
    script -qec "'$kvq' export anim.kvq --font test --audio noise.mp3 -o show.mp4" /dev/null >typescript || true
    [[ $(wc -l <typescript) -eq 1 ]] || fail "error at a terminal is not one line: $(cat -A typescript)"
    # What stays on the screen is the text after the last carriage return, over a wiped line.
    text=$(tr -d '\n' <typescript)
    text=${text%$'\r'}
    shown=${text##*$'\r'}
    [[ $shown == "kvq export: ffmpeg failed: "* ]] || fail "error at a terminal: $(cat -A typescript)"
    if [[ $text == *exporting* ]]; then
        before_error=${text%$'\r'*}
        wiped=${before_error##*$'\r'}
        longest=$(tr '\r' '\n' <typescript | grep exporting | awk '{ n = length > n ? length : n } END { print n }')
        [[ -z ${wiped// /} && ${#wiped} -ge $longest ]] || fail "the progress line was not wiped: $(cat -A typescript)"
    fi
    ;;
*)
    fail "no such case"
    ;;
esac
echo "ok ($case_name)"
