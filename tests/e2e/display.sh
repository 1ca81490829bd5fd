#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The player in a real X server: what the screen shows, how it ends, what it ignores.
# usage: display.sh CASE
source "$(dirname "$0")/lib.sh"

content() {  # content FRAMES: a scratch folder holding a font and that many frames
    local folder="$WORK/content"
    mkdir -p "$folder"
    python3 "$HELPERS/make_content.py" "$folder" "$@"
    echo "$folder"
}

case "$1" in
picture_scaled)
    # The picture is the frame, pixel for pixel: on a screen twice the size every pixel is an exact 2x2 block, even when the environment
    # asks SDL for smooth scaling; a taller one adds black bars above and below, the picture centred.
    folder=$(content 2400)
    convert "$folder/expected.ppm" -sample 200% "$WORK/expected-2x.png"
    start_xvfb 1280x960
    SDL_RENDER_SCALE_QUALITY=linear start_player "$folder"
    [ -n "$(wait_window)" ] || fail "no window on the 1280x960 screen"
    screenshot_matches "$WORK/expected-2x.png" && pass "1280x960 screen shows 2x2 blocks" || fail "1280x960 picture"
    kill -TERM "$PLAYER_PID"; wait_player 10; stop_xvfb

    convert -size 1280x1024 xc:black "$WORK/expected-2x.png" -geometry +0+32 -composite "$WORK/expected-bars.png"
    start_xvfb 1280x1024
    start_player "$folder"
    [ -n "$(wait_window)" ] || fail "no window on the 1280x1024 screen"
    screenshot_matches "$WORK/expected-bars.png" && pass "1280x1024 screen: centred with black bars" || fail "1280x1024 picture"
    ;;
close_requests)
    # Alt+F4, a window manager's close request and Alt+Escape are absorbed; Escape ends the run
    # early, with status 0.
    folder=$(content 2400)
    start_xvfb 640x480
    start_player "$folder"
    window=$(wait_window)
    [ -n "$window" ] || fail "no window"
    sleep 0.5
    xdotool keydown alt keydown F4; sleep 0.15; xdotool keyup F4 keyup alt
    sleep 0.5
    player_alive && pass "Alt+F4 is absorbed" || fail "Alt+F4 ended the player"
    "$HELPERS/send_close_request" "$window"
    sleep 0.5
    player_alive && pass "WM_DELETE_WINDOW is absorbed" || fail "a close request ended the player"
    xdotool keydown alt keydown Escape; sleep 0.15; xdotool keyup Escape keyup alt
    sleep 0.5
    player_alive && pass "Alt+Escape does not end playback" || fail "Alt+Escape ended the player"
    # Held until the player has gone: a press and a release seen in one drain would rightly count
    # for nothing, however slow the machine.
    xdotool keydown Escape
    wait_player 10
    xdotool keyup Escape
    [ "$PLAYER_STATUS" = 0 ] && pass "Escape ends playback with status 0" || fail "status $PLAYER_STATUS after Escape"
    ;;
sigterm | sigint)
    # A termination signal ends playback like Escape: the player exits by itself with 128 + the
    # signal's number, which the launcher tells apart from being killed by the signal.
    signal=${1^^}
    folder=$(content 2400)
    start_xvfb 640x480
    # A shell reports 128 + n both for an exit with that status and for death by signal n; Python
    # tells them apart.
    (cd "$folder" && exec python3 -c 'import subprocess, sys; s = subprocess.call(sys.argv[1:])
print(f"killed by signal {-s}" if s < 0 else f"exited {s}")' "$KVQPLAY" >"$WORK/player.out" 2>"$WORK/player.err") &
    PLAYER_PID=$!
    PLAYER_STARTED=$(date +%s.%N)
    [ -n "$(wait_window)" ] || fail "no window"
    player=$(pgrep -P "$PLAYER_PID")
    sleep 0.3
    kill -"${signal#SIG}" "$player"
    wait_player 10
    expected=$(( 128 + $(kill -l "${signal#SIG}") ))
    [ "$(cat "$WORK/player.out")" = "exited $expected" ] && pass "$signal: the player exited with $expected" ||
        fail "$signal: $(cat "$WORK/player.out")"
    kill -0 "$player" 2>/dev/null && fail "the player is still running" || pass "no process left"
    ;;
loading)
    # A FIFO for the frames is refused at once with one line; a signal while 3 GB of frames load
    # ends the run at once, not after the load.
    folder=$(content 24)
    rm "$folder/quorva2.kvq" && mkfifo "$folder/quorva2.kvq"
    start_xvfb 640x480
    start_player "$folder"
    wait_player 10
    [ "$PLAYER_STATUS" = 0 ] && grep -q "quorva2.kvq: not a regular file" "$WORK/player.err" && pass "a FIFO is refused" ||
        fail "FIFO: status $PLAYER_STATUS, $(cat "$WORK/player.err")"
    rm "$folder/quorva2.kvq" && truncate -s 3G "$folder/quorva2.kvq"
    start_player "$folder"
    [ -n "$(wait_window)" ] || fail "no window"
    sleep 0.3
    kill -TERM "$PLAYER_PID"
    PLAYER_STARTED=$(date +%s.%N)
    wait_player 40
    # Well under 0.2 s in Release on an idle machine, but the sanitizer build on a busy one needs
    # several seconds to give back the 3 GB it set aside. A run that ends only after the load
    # takes over 20 s even in Release, so 15 s still tells the fault from a slow machine.
    [ "$PLAYER_STATUS" = 143 ] && awk "BEGIN { exit !($PLAYER_SECONDS < 15) }" && pass "ended ${PLAYER_SECONDS}s after SIGTERM" ||
        fail "status $PLAYER_STATUS ${PLAYER_SECONDS}s after SIGTERM while loading"
    ;;
no_display)
    # With no display at all the player says so on one line and fails, instead of playing unseen.
    # No runtime folder either, as for root over ssh: the libraries SDL tries must stay quiet.
    folder=$(content 240)
    unset DISPLAY WAYLAND_DISPLAY XDG_RUNTIME_DIR
    for requested in unset empty; do
        if [ "$requested" = empty ]; then export SDL_VIDEODRIVER=; fi
        start_player "$folder"
        wait_player 20
        [ "$PLAYER_STATUS" = 1 ] && pass "SDL_VIDEODRIVER $requested: status 1" || fail "SDL_VIDEODRIVER $requested: status $PLAYER_STATUS"
        lines=$(wc -l <"$WORK/player.err")
        [ "$lines" = 1 ] && pass "one line on standard error: $(cat "$WORK/player.err")" ||
            fail "expected one line on standard error, got $lines: $(cat "$WORK/player.err")"
    done
    ;;
*)
    echo "unknown case $1" >&2; exit 2 ;;
esac
finish
