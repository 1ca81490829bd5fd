# SPDX-License-Identifier: MIT
# Shared by the end-to-end tests: a private X server per test, the player run in a scratch folder,
# and checks that fail the test with a message. Every test leaves no process behind.
set -euo pipefail

: "${KVQPLAY:?path to the kvqplay binary}"
: "${HELPERS:?folder of the test helpers}"
WORK=$(mktemp -d /tmp/kvq-e2e.XXXXXX)
XVFB_PID=""
PLAYER_PID=""
FAILURES=0
# Leaks are not looked for: the libraries SDL loads and unloads keep allocations that cannot be
# told from ours by name. The player's SDL handles all have owners that give them back.
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=0}"
unset SDL_VIDEODRIVER SDL_RENDER_SCALE_QUALITY SDL_RENDER_VSYNC
# A login session has a private runtime folder; without one the Wayland client library complains
# on standard error before SDL moves on to X11.
mkdir -m 700 "$WORK/runtime"
export XDG_RUNTIME_DIR="$WORK/runtime"
# The picture tests need no sound; the machine may have no sound card (the sound tests choose
# their own driver).
export SDL_AUDIODRIVER="${SDL_AUDIODRIVER:-dummy}"

cleanup() {
    if [ -n "$PLAYER_PID" ] && kill -0 "$PLAYER_PID" 2>/dev/null; then kill -KILL "$PLAYER_PID" 2>/dev/null || true; fi
    stop_xvfb
    rm -rf "$WORK"
}
trap cleanup EXIT

fail() { echo "FAIL: $*" >&2; FAILURES=$((FAILURES + 1)); }
pass() { echo "ok: $*"; }
finish() {
    if [ "$FAILURES" -ne 0 ]; then echo "$FAILURES check(s) failed" >&2; exit 1; fi
    echo "all checks passed"
}

# start_xvfb WIDTHxHEIGHT: a server on a display number it picks itself, answering before we go on.
start_xvfb() {
    local size=$1 fifo="$WORK/displayfd"
    rm -f "$fifo"; mkfifo "$fifo"
    Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp -noreset 3>"$fifo" >"$WORK/xvfb.log" 2>&1 &
    XVFB_PID=$!
    local number
    read -r -t 20 number <"$fifo" || { cat "$WORK/xvfb.log" >&2; echo "Xvfb did not start" >&2; exit 1; }
    export DISPLAY=":$number"
    for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && return 0; sleep 0.1; done
    echo "Xvfb on $DISPLAY does not answer" >&2; exit 1
}

stop_xvfb() {
    if [ -n "$XVFB_PID" ]; then
        kill "$XVFB_PID" 2>/dev/null || true
        wait "$XVFB_PID" 2>/dev/null || true
        XVFB_PID=""
    fi
}

# start_player FOLDER: runs the player there in the background, its output in $WORK/player.{out,err}.
start_player() {
    (cd "$1" && exec "$KVQPLAY" >"$WORK/player.out" 2>"$WORK/player.err") &
    PLAYER_PID=$!
    PLAYER_STARTED=$(date +%s.%N)
}

# wait_window: the player's window id once it is mapped.
wait_window() {
    timeout 20 xdotool search --sync --onlyvisible --name '^DirectDrawView$' | head -n 1
}

# wait_player SECONDS: waits for the player to end; sets PLAYER_STATUS and PLAYER_SECONDS.
wait_player() {
    local limit=$1
    for _ in $(seq $((limit * 20))); do
        kill -0 "$PLAYER_PID" 2>/dev/null || break
        sleep 0.05
    done
    if kill -0 "$PLAYER_PID" 2>/dev/null; then
        PLAYER_STATUS=timeout
        kill -KILL "$PLAYER_PID" 2>/dev/null || true
        wait "$PLAYER_PID" 2>/dev/null || true
    else
        PLAYER_STATUS=0
        wait "$PLAYER_PID" || PLAYER_STATUS=$?
    fi
    if [ "$PLAYER_STATUS" != 0 ] && [ -s "$WORK/player.err" ]; then
        echo "player's standard error (status $PLAYER_STATUS):" >&2
        grep -v '^    #' "$WORK/player.err" | head -n 30 >&2
    fi
    PLAYER_SECONDS=$(awk "BEGIN { printf \"%.2f\", $(date +%s.%N) - $PLAYER_STARTED }")
    PLAYER_PID=""
}

player_alive() { [ -n "$PLAYER_PID" ] && kill -0 "$PLAYER_PID" 2>/dev/null; }

# screenshot_matches EXPECTED: the whole screen equals the image, within 10 s (a full-screen window
# shows, hides and shows again while it settles). Prints the differing pixel count on failure.
screenshot_matches() {
    local expected=$1 shot="$WORK/shot.png" differing=""
    for _ in $(seq 50); do
        import -window root "$shot" 2>/dev/null || true
        differing=$(compare -metric AE "$expected" "$shot" null: 2>&1 || true)
        [ "$differing" = "0" ] && return 0
        sleep 0.2
    done
    cp "$shot" "${SCREENSHOT_KEEP:-$WORK}/last-mismatch.png" 2>/dev/null || true
    echo "screenshot differs from $expected in $differing pixels" >&2
    return 1
}

