#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The soundtrack as SDL's disk audio driver records it while the player runs in a real X server.
# usage: sound.sh CASE
source "$(dirname "$0")/lib.sh"
export SDL_AUDIODRIVER=disk
export SDL_DISKAUDIOFILE="$WORK/output.raw"

folder="$WORK/content"
mkdir -p "$folder"

tone() {  # tone SECONDS: a 440 Hz soundtrack of that length
    sox -n -r 44100 -c 2 -b 16 "$WORK/tone.wav" synth "$1" sine 440 vol 0.5
    lame --quiet -b 128 "$WORK/tone.wav" "$folder/quorva.mp3"
}

play_frames() {  # play_frames COUNT: plays COUNT frames to the end under Xvfb
    python3 "$HELPERS/make_content.py" "$folder" "$1"
    start_xvfb 640x480
    # How long the driver went on writing, in real time: on a busy machine it writes less sound
    # than that (it sleeps a buffer's length after each and wakes late), so the length of what
    # it wrote says how fast the machine kept up, and this says how long the player played. Its
    # last write comes up to one of those late cycles before the player stops it: the span is
    # held to two tenths of a second less than the frames' length.
    rm -f "$WORK/span"; mkfifo "$WORK/span"
    python3 "$HELPERS/growth_span.py" "$SDL_DISKAUDIOFILE" >"$WORK/span" &
    local watcher=$!
    exec 4<"$WORK/span"
    read -r -t 60 _ <&4 || { fail "the output's watcher did not start"; }
    start_player "$folder"
    wait_player 60
    kill -TERM "$watcher"
    span=$(cat <&4)
    exec 4<&-
    wait "$watcher" || true
    [ "$PLAYER_STATUS" = 0 ] || fail "status $PLAYER_STATUS"
    [ -f "$SDL_DISKAUDIOFILE" ] || { fail "no audio output was opened"; : >"$SDL_DISKAUDIOFILE"; }
    # sox on the left channel; "silence" cuts what lies below -40 dBFS at the start (or the end).
    seconds=$(measure "" Length)
    local after_onset
    after_onset=$(measure "silence 1 0.001 1%" Length)
    loud_until=$(measure "reverse silence 1 0.001 1% reverse" Length)
    onset=$(awk "BEGIN { print ($after_onset > 0) ? $seconds - $after_onset : \"none\" }")
    frequency=$(measure "silence 1 0.001 1% reverse silence 1 0.001 1% reverse" "Rough +frequency")
    rms=$(measure "silence 1 0.001 1% reverse silence 1 0.001 1% reverse" "RMS +amplitude")
    # After the tone's last loud sample and the decoder's ring-out of it.
    tail_peak=$(measure "trim $(awk "BEGIN { print $loud_until + 0.05 }")" "Maximum +amplitude")
    echo "measured: span=$span seconds=$seconds onset=$onset loud_until=$loud_until frequency=$frequency rms=$rms tail_peak=$tail_peak"
}

measure() {  # measure EFFECTS FIELD: one figure of sox's statistics of the recorded left channel
    sox -t raw -r 44100 -e signed -b 16 -c 2 "$SDL_DISKAUDIOFILE" -n remix 1 $1 stat 2>&1 |
        awk -F: -v field="^$2" '$1 ~ field { gsub(/ /, "", $2); print $2 + 0; found = 1 } END { if (!found) print 0 }'
}

within() { awk "BEGIN { exit !($1 >= $2 && $1 <= $3) }"; }

case "$1" in
longer_soundtrack)
    # The tone is heard from the start of playback, at its pitch and level, and cut off when the
    # frames end.
    tone 10
    play_frames 48  # 2 s
    within "$frequency" 436 444 && pass "frequency $frequency Hz" || fail "frequency $frequency Hz, expected 440"
    within "$rms" 0.2 0.5 && pass "level $rms" || fail "RMS level $rms, expected about 0.35"
    [ "$onset" != none ] && within "$onset" 0 0.5 && pass "first sound after ${onset}s" || fail "onset $onset"
    within "$span" 1.8 4 && pass "sound for ${span}s for 2s of frames" || fail "sound for ${span}s for 2s of frames"
    # Until the player stops it: what follows is at most the mixer's last two buffers of silence.
    within "$loud_until" "$(awk "BEGIN { print $seconds - 0.15 }")" 4 &&
        pass "tone heard until ${loud_until}s of the ${seconds}s written" || fail "tone until $loud_until of ${seconds}s"
    ;;
shorter_soundtrack)
    # A soundtrack shorter than the animation leaves the rest silent.
    tone 1
    play_frames 72  # 3 s
    within "$span" 2.8 5 && pass "sound for ${span}s for 3s of frames" || fail "sound for ${span}s for 3s of frames"
    within "$loud_until" 0.7 1.5 && pass "tone ends after ${loud_until}s" || fail "tone until $loud_until"
    awk "BEGIN { exit !($tail_peak < 0.001) }" && pass "silence after the tone" || fail "after the tone a peak of $tail_peak"
    ;;
no_sound)
    # A soundtrack that is missing, empty or not sound: the animation plays its whole length, silent.
    for kind in missing empty random; do
        case "$kind" in
        missing) rm -f "$folder/quorva.mp3" ;;
        empty) : >"$folder/quorva.mp3" ;;
        random) python3 -c "import random, sys; sys.stdout.buffer.write(random.Random(7).randbytes(200000))" >"$folder/quorva.mp3" ;;
        esac
        rm -f "$SDL_DISKAUDIOFILE"
        play_frames 48
        stop_xvfb
        within "$PLAYER_SECONDS" 2 15 && within "$span" 1.8 4 && [ "$onset" = none ] &&
            pass "$kind: played ${PLAYER_SECONDS}s, silent output for ${span}s" ||
            fail "$kind: played ${PLAYER_SECONDS}s, output for ${span}s, sound at $onset"
    done
    ;;
no_output)
    # No audio output can be opened at all: the animation still plays its whole length.
    tone 3
    python3 "$HELPERS/make_content.py" "$folder" 48
    start_xvfb 640x480
    for driver in disk no-such-driver; do
        # The disk driver cannot open a file in a folder that does not exist.
        SDL_AUDIODRIVER=$driver SDL_DISKAUDIOFILE="$WORK/no/such/folder/output.raw" start_player "$folder"
        wait_player 60
        [ "$PLAYER_STATUS" = 0 ] && within "$PLAYER_SECONDS" 2 15 && pass "$driver: played ${PLAYER_SECONDS}s, status 0" ||
            fail "$driver: status $PLAYER_STATUS after ${PLAYER_SECONDS}s for 2s of frames"
    done
    ;;
*)
    echo "unknown case $1" >&2; exit 2 ;;
esac
finish
