#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""`kvq play` in a real X server, driven with real keys and watched as a person would: what the
window shows after each key, and whether the sound heard (SDL's disk audio driver) and the picture
shown stay within a frame of each other.
usage: review.py CASE   (transport | av_offset | av_offset_speeds | messages | sizes | loop | scrolled |
       scrolled_with_sound | typed); KVQ names kvq."""
import array
import math
import os
import random
import re
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import threading
import time
from pathlib import Path

from checks import check, finish
from xserver import Xvfb

KVQ = os.environ["KVQ"]
FRAME = 1 / 24
# What counts as "within a frame" for the timing checks; a sanitized build asks for less.
tolerance = float(os.environ.get("TIMING_TOLERANCE_MS", 1000 * FRAME)) / 1000

class Review:
    """kvq play on a folder, with its trace of presents and keys."""

    def __init__(self, work, folder, display, audio_file=None, options=()):
        self.trace = work / "trace.txt"
        env = {**os.environ, "DISPLAY": display, "KVQ_PLAY_TRACE": str(self.trace), "XDG_RUNTIME_DIR": str(work),
               "ASAN_OPTIONS": os.environ.get("ASAN_OPTIONS", "detect_leaks=0")}
        env.pop("SDL_VIDEODRIVER", None)
        if audio_file:
            env.update(SDL_AUDIODRIVER="disk", SDL_DISKAUDIOFILE=str(audio_file))
        else:
            env["SDL_AUDIODRIVER"] = "dummy"
        self.env = env
        self.process = subprocess.Popen([KVQ, "play", str(folder), *options], env=env, stdout=subprocess.PIPE,
                                        stderr=subprocess.PIPE, text=True)
        window = subprocess.run(["timeout", "20", "xdotool", "search", "--sync", "--onlyvisible", "--name", "^kvq play"],
                                env=env, capture_output=True, text=True).stdout.split()
        check(bool(window), "the review window shows")
        self.window = window[0] if window else None

    def key(self, name):
        """Presses the key and waits until the review has taken it and presented what follows."""
        keys = len(self.keys())
        subprocess.run(["xdotool", "key", name], env=self.env, check=True)
        for _ in range(500):
            if self.process.poll() is not None:
                return
            if len(self.keys()) > keys and self.presents() and self.presents()[-1][0] > self.keys()[-1]:
                break
            time.sleep(0.01)
        time.sleep(0.1)  # for the X server to have the presented picture

    def presents(self):
        """(time, frame) of every present so far."""
        lines = self.trace.read_text().splitlines() if self.trace.exists() else []
        return [(float(t), int(f)) for t, what, f in (line.split() for line in lines) if what == "present"]

    def chosen(self):
        """(time chosen, time presented, frame) of every present."""
        lines = self.trace.read_text().splitlines() if self.trace.exists() else []
        chosen = [(float(t), int(f)) for t, what, f in (line.split() for line in lines) if what == "chosen"]
        return [(t, presented, f) for (t, f), (presented, _) in zip(chosen, self.presents())]

    def keys(self):
        lines = self.trace.read_text().splitlines() if self.trace.exists() else []
        return [float(t) for t, what, _ in (line.split() for line in lines) if what == "key"]

    def shown(self):
        return self.presents()[-1][1]

    def screenshot(self, path):
        subprocess.run(["import", "-window", "root", str(path)], env=self.env, check=True)

    def quit(self):
        self.key("q")
        try:
            status = self.process.wait(10)
        except subprocess.TimeoutExpired:
            self.process.kill()
            status = "timeout"
        return status, self.process.stderr.read()


def make_animation(folder, seconds, seed=7):
    folder.mkdir()
    rng = random.Random(seed)
    font = bytearray(8192)
    for at in range(128 * 32):
        font[at] = rng.randrange(256) if at % 32 < 16 else 0
    (folder / "test").write_bytes(bytes(font))
    (folder / "quorva2.kvq").write_bytes(rng.randbytes(2400 * 24 * seconds))


# Between the bands of the on-screen line and the seek bar (16 picture rows each, at 2x).
BETWEEN_THE_BANDS = "1280x896+0+32"


def same_between_the_bands(work, expected, actual):
    for name, shot in (("expected.png", expected), ("actual.png", actual)):
        subprocess.run(["convert", shot, "-crop", BETWEEN_THE_BANDS, "+repage", work / name], check=True)
    differ = subprocess.run(["compare", "-metric", "AE", work / "expected.png", work / "actual.png", "null:"],
                            capture_output=True, text=True).stderr.strip()
    return differ == "0"


def same_below_the_line(work, shot, frame, folder):
    """The screenshot, between the bands, is the frame as `kvq render` draws it, every pixel a 2x2
    block."""
    subprocess.run([KVQ, "render", folder / "quorva2.kvq", "--font", folder / "test", "--frame", str(frame), "-o",
                    work / "frame.png"], check=True)
    subprocess.run(["convert", work / "frame.png", "-sample", "200%", work / "frame-2x.png"], check=True)
    return same_between_the_bands(work, work / "frame-2x.png", shot)


def transport(work):
    folder = work / "show"
    make_animation(folder, 20)
    x = Xvfb("1280x960")
    try:
        review = Review(work, folder, x.display)
        time.sleep(1.5)
        review.key("space")
        paused_at = review.shown()
        review.screenshot(work / "a.png")
        time.sleep(1.0)
        review.screenshot(work / "b.png")
        check(review.shown() == paused_at and same_between_the_bands(work, work / "a.png", work / "b.png"),
              f"the picture holds while paused (frame {paused_at})")
        check(same_below_the_line(work, work / "b.png", paused_at, folder),
              "the paused picture is the frame as rendered, sharp at 2x")
        review.key("period")
        check(review.shown() == paused_at + 1, f"'.' shows the next frame ({review.shown()})")
        review.screenshot(work / "c.png")
        check(same_below_the_line(work, work / "c.png", paused_at + 1, folder), "and it is that frame's picture")
        review.key("comma")
        review.key("comma")
        check(review.shown() == paused_at - 1, f"',' twice shows the frame before the paused one ({review.shown()})")
        review.key("Right")
        check(review.shown() == paused_at - 1 + 120, f"Right lands 5 s later ({review.shown()})")
        key_time = review.keys()[-1]
        shown_at = next(t for t, f in review.presents() if t >= key_time)
        check(shown_at - key_time < tolerance, f"the seek is shown within {tolerance * 1000:.0f} ms ({(shown_at - key_time) * 1000:.1f} ms)")
        # A click near the right end of the seek bar, along the bottom of the window.
        subprocess.run(["xdotool", "mousemove", "1270", "955", "click", "1"], env=review.env, check=True)
        time.sleep(0.3)
        check(review.shown() == int(1270 / 2 / 640 * 20 * 24), f"a click on the seek bar seeks there ({review.shown()})")
        status, err = review.quit()
        check(status == 0, f"Q quits with status 0 ({status}; {err.strip()})")
    finally:
        x.stop()


def click_track(path, seconds, click_seconds):
    """An MP3 of 1 kHz clicks on every whole second."""
    subprocess.run(["ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i",
                    f"aevalsrc='if(lt(mod(t,1),{click_seconds}),0.8*sin(2*PI*1000*t),0)':s=44100:d={seconds}",
                    "-ac", "2", "-c:a", "libmp3lame", "-b:a", "192k", path], check=True)


def av_offset(work, options=(), script=(("space", 3), ("space", 1.5), ("Right", 2.5)), speeds=(1, 1, 1, 1),
              click_seconds=0.005, paused_phases=(1,)):
    """Plays a track of a click on every second beside frames, presses the keys of `script` (each
    after its pause; `speeds` the speed before the first and after each; paused after the keys
    counted in `paused_phases`) and measures, for every click heard, how far from it the frames
    chosen around it lie."""
    folder = work / "show"
    make_animation(folder, 20)
    click_track(folder / "quorva.mp3", 20, click_seconds)
    heard = work / "heard.raw"
    heard.write_bytes(b"")
    # When the disk driver writes each buffer: what it writes is what a person would hear then.
    writes, watching = [], True

    def watch():
        size = 0
        while watching:
            now_size = heard.stat().st_size
            if now_size != size:
                writes.append((time.monotonic(), size, now_size))
                size = now_size
            time.sleep(0.0005)

    watcher = threading.Thread(target=watch)
    watcher.start()
    x = Xvfb("1280x960")
    try:
        review = Review(work, folder, x.display, heard, options)
        for key, pause in script:
            time.sleep(pause)
            review.key(key)
        time.sleep(2.5)
        status, _ = review.quit()
        check(status == 0, "quits with status 0")
    finally:
        watching = False
        watcher.join()
        x.stop()

    samples = array.array("h", heard.read_bytes())[::2]  # left channel of 16-bit stereo
    # A click's first loud sample, then nothing for a quarter of a second (at 4x a click comes
    # every 0.25 s).
    clicks, at = [], 0
    while at < len(samples):
        if abs(samples[at]) > 3000:
            clicks.append(at)
            at += 11025
        else:
            at += 1
    # The clicks keep their pitch at every speed: 1 kHz swings from loud positive to loud negative
    # and back 10 times in 5 ms. Stretching cuts some clicks short (fewer swings), but never raises
    # their pitch as playing faster would.
    pitches = []
    for click in clicks:
        swings, sign = 0, 0
        for sample in samples[click + 44:click + 265]:
            if abs(sample) > 1000 and (sample > 0) != (sign > 0):
                swings, sign = swings + 1, sample
        pitches.append(swings * 100)
    if click_seconds >= 0.02:
        check(pitches and max(pitches) <= 1250 and 900 <= statistics.median(pitches),
              f"the clicks heard at 1 kHz: {sorted(pitches)} Hz")
    # Each frame is judged when the review chose it: on a busy machine its present may come
    # later, and that is the machine falling behind, not the review choosing the wrong frame.
    chosen = review.chosen()
    key_times = review.keys()
    offsets, heard_while_paused, untimed = [], [], 0
    for click in clicks:
        byte = click * 4
        write = next((w for w in writes if w[1] <= byte < w[2]), None)
        if write is None:
            continue
        # The driver writes a buffer of 1024 frames at a time; more seen at once means the
        # watcher was held up, and when the earlier ones went out is not known.
        if write[2] - write[1] > 2 * 1024 * 4:
            untimed += 1
            continue
        heard_at = write[0] + (byte - write[1]) / (44100 * 4)
        phase = sum(1 for t in key_times if t < heard_at)
        # The buffer filled just before the pause key may still go out after it.
        if phase in paused_phases and heard_at > key_times[phase - 1] + 0.15:
            heard_while_paused.append(round(heard_at - key_times[phase - 1], 3))
        speed = speeds[phase]
        stride = max(1, math.ceil(speed))
        # The frames chosen near the click with no key between: the sound there was at the
        # click's second plus the real time since it, at the speed then.
        near = [(t, presented, f) for t, presented, f in chosen if abs(t - heard_at) < 0.3 / max(1, speed)
                and not any(min(t, heard_at) <= k <= max(presented, heard_at) for k in key_times)]
        if not near:
            continue
        t, _, f = min(near, key=lambda present: abs(present[0] - heard_at))
        second = round(f / 24 - (t - heard_at) * speed)

        def offset(t, presented, f):
            """How far the frame lies from the sound, in real time, at the moment between its
            choice and its present when they were closest: a machine held up between the two
            changes what the choice saw of the sound."""
            at_choice = ((f + stride / 2) / 24 - (second + (t - heard_at) * speed)) / speed
            at_present = at_choice - (presented - t)
            return 0 if at_choice >= 0 >= at_present else min(at_choice, at_present, key=abs)

        worst = max(offset(*present) for present in near) * 1000
        least = min(offset(*present) for present in near) * 1000
        offsets.append((phase, second, max(abs(worst), abs(least)) / 1000))
        print(f"  after {phase} key(s) at {speed}x: {len(near)} frames chosen near the click of second {second}, "
              f"{least:+.1f} to {worst:+.1f} ms from the sound")
    print(f"  {untimed} click(s) left out: the watcher saw them written with others at once")
    check(not heard_while_paused, f"no click heard while paused ({heard_while_paused} s after the pause key)")
    phases = {phase for phase, _, _ in offsets}
    check(len(offsets) >= 6 and phases >= {0, len(script) - 1, len(script)},
          f"{len(offsets)} clicks matched with the frames chosen near them, before the keys and after the last two")
    worst = max((o for _, _, o in offsets), default=1)
    check(worst <= tolerance, f"picture and sound within {tolerance * 1000:.0f} ms of each other (worst {worst * 1000:.1f} ms)")


def av_offset_speeds(work):
    """The same at half speed, through a pause, then at 2x after the speed keys and a seek; the
    clicks are longer, since time-stretching at 2x leaves out parts of the sound."""
    av_offset(work, ("--speed", "0.5"), (("space", 4.5), ("space", 1), ("bracketright", 4.5), ("bracketright", 0),
                                         ("bracketright", 0), ("Right", 2.5)), (0.5, 0.5, 0.5, 1, 1.5, 2, 2),
              click_seconds=0.04, paused_phases=(1,))


def loop(work):
    """--loop starts again at the first frame after the last; without it the review pauses on the
    last frame. Judged from the frames presented, whatever the pace."""
    folder = work / "show"
    make_animation(folder, 2)
    x = Xvfb("640x480")
    try:
        for options in (("--loop",), ()):
            review = Review(work, folder, x.display, options=("--start", "1.5", *options))
            wrapped, frames, given_up = False, [], time.monotonic() + 60
            while time.monotonic() < given_up and review.process.poll() is None:
                frames = [f for _, f in review.presents()]
                # A busy machine may skip a frame or two, the last among them.
                wrapped = any(before >= 40 and after < 24 for before, after in zip(frames, frames[1:]))
                if wrapped or (not options and 47 in frames):
                    break
                time.sleep(0.01)
            if options:
                check(wrapped, f"--loop: after the last frame the first ones come again ({frames[-5:]})")
            else:
                time.sleep(1)  # a review that went on would have shown more frames by now
                frames = [f for _, f in review.presents()]
                check(47 in frames and frames[-1] == 47 and not any(f < 36 for f in frames[frames.index(47):]),
                      f"without --loop the review holds the last frame ({frames[-5:]})")
            status, err = review.quit()
            check(status == 0, f"quits with status 0 ({status}; {err.strip()})")
    finally:
        x.stop()


def messages(work):
    """What kvq play says of a scale too large, a start past the end, and a closed terminal."""
    folder = work / "show"
    make_animation(folder, 10)
    x = Xvfb("1280x960")
    try:
        review = Review(work, folder, x.display, options=("--scale", "16"))
        geometry = subprocess.run(["xdotool", "getwindowgeometry", review.window or "0"], env=review.env,
                                  capture_output=True, text=True).stdout
        check("Geometry: 1280x960" in geometry, f"--scale 16 on a 1280x960 desktop opens at 2x: {geometry.split()[-1:]}")
        status, err = review.quit()
        check(err.startswith("kvq play: --scale 16 is larger than the desktop (1280x960): using 2\n"), f"said: {err!r}")

        review = Review(work, folder, x.display, options=("--start", "0:59"))
        time.sleep(0.5)
        check(review.shown() == 239, f"a start past the end shows the last frame ({review.shown()})")
        status, err = review.quit()
        check(err.startswith("kvq play: --start 0:59 is past the end (the last frame is at 9.96 s); starting there"),
              f"said: {err!r}")

        review = Review(work, folder, x.display)
        time.sleep(0.5)
        review.process.send_signal(signal.SIGHUP)
        try:
            status = review.process.wait(10)
        except subprocess.TimeoutExpired:
            review.process.kill()
            status = "timeout"
        check(status == 128 + signal.SIGHUP, f"SIGHUP ends the review as SIGTERM does: status {status}")

        # Bytes that are no MP3 are said to be so, not played as noise.
        (folder / "quorva.mp3").write_bytes(random.Random(3).randbytes(100_000))
        review = Review(work, folder, x.display)
        status, err = review.quit()
        check(f"kvq play: {folder}/quorva.mp3: cannot be decoded; playing silent\n" in err, f"said: {err!r}")
    finally:
        x.stop()


def pixels(shot, x, y, width, height):
    """The screenshot's pixels in a rectangle, row after row, as 0xRRGGBB."""
    raw = subprocess.run(["convert", shot, "-crop", f"{width}x{height}+{x}+{y}", "+repage", "-depth", "8", "rgb:-"],
                         capture_output=True, check=True).stdout
    return [int.from_bytes(raw[i:i + 3], "big") for i in range(0, len(raw), 3)]


INK, PAPER, BAND = 0x171410, 0xE8CCA0, 0x101010


def read_text(shot, left, top, scale, columns, font):
    """The row of text at (left, top), each glyph an 8x16 block of `scale`-pixel squares, read back
    as characters of the font; None where a cell is no glyph of it, or holds colours other than
    the text's and its band's."""
    width, height = 8 * scale * columns, 16 * scale
    cells = pixels(shot, left, top, width, height)
    glyphs = {bytes(font[32 * code:32 * code + 16]): chr(code) for code in range(127, 31, -1)}
    text = ""
    for column in range(columns):
        rows = []
        for y in range(16):
            bits = 0
            for x in range(8):
                block = {cells[(y * scale + dy) * width + (column * 8 + x) * scale + dx]
                         for dy in range(scale) for dx in range(scale)}
                if not block <= {PAPER, BAND} or len(block) != 1:
                    return None
                bits |= (PAPER in block) << (7 - x)
            rows.append(bits)
        text += glyphs.get(bytes(rows), "?")
    return text.rstrip()


def edge_widths(row):
    """How wide each picture pixel of a row that alternates ink and paper shows, in screen pixels:
    its run of pure pixels and its share of a blended pixel at each side; None where two
    blended pixels lie side by side."""
    green = [(p >> 8) & 0xFF for p in row]
    ink = [(0xCC - g) / (0xCC - 0x14) for g in green]
    widths, run, left_share = [], 0, None
    for at, share in enumerate(ink):
        pure = share > 0.99 or share < 0.01
        if pure and (run == 0 or (share > 0.5) == (ink[at - 1] > 0.5)):
            run += 1
            continue
        if not pure and at and 0.01 <= ink[at - 1] <= 0.99:
            return None
        colour_is_ink = ink[at - 1] > 0.5
        right = (share if colour_is_ink else 1 - share) if not pure else 0
        if left_share is not None:
            widths.append(run + left_share + right)
        left_share = (1 - right) if not pure else 0
        run = 0 if not pure else 1
    return widths


def sizes(work):
    """The picture and the status line at 1920x1080 (2.25x, bars beside the picture) and 400x300
    (below 1x, no bars): every picture pixel equally wide, and a line that reads back as text."""
    folder = work / "show"
    folder.mkdir()
    checker = bytearray(8192)
    checker[32:48] = bytes([0xAA, 0x55] * 8)  # glyph 1: a one-pixel checkerboard
    (folder / "test").write_bytes(bytes(checker))
    (folder / "quorva2.kvq").write_bytes(bytes([1]) * 2400 * 240)
    text_font = work / "text.font"
    subprocess.run([KVQ, "font", "/usr/share/consolefonts/Lat15-VGA16.psf.gz", "-o", text_font], check=True)
    font = text_font.read_bytes()
    for size in ("1920x1080", "400x300"):
        x = Xvfb(size)
        try:
            review = Review(work, folder, x.display, options=("--fullscreen", "--start", "5"))
            time.sleep(0.5)
            review.key("space")
            first, paused_on = review.presents()[0][1], review.shown()
            shot = work / f"{size}.png"
            review.screenshot(shot)
            status, _ = review.quit()
            check(status == 0, f"{size}: quits with status 0")
        finally:
            x.stop()
        if size == "1920x1080":
            # The picture 1440 wide between bars of 240; the line in the left bar at 1x.
            widths = edge_widths(pixels(shot, 240, 540, 1440, 1))
            check(widths is not None and len(widths) >= 600 and all(abs(w - 2.25) < 0.03 for w in widths),
                  f"{size}: every picture pixel 2.25 screen pixels wide, one blended pixel at most at each edge "
                  f"({None if widths is None else (min(widths), max(widths), len(widths))})")
            column = pixels(shot, 241, 0, 1, 1080)
            heights = edge_widths(column)
            check(heights is not None and all(abs(h - 2.25) < 0.03 for h in heights), f"{size}: and as high")
            # Wrapped to the bar's 28 columns.
            rows = [read_text(shot, 8, 16 * row, 1, 28, font) for row in range(3)]
            line = None if None in rows else "  ".join(rows)
            check(pixels(shot, 1700, 0, 200, 1080) == [0] * 200 * 1080, f"{size}: the right bar is black")
        else:
            # Smaller than the picture: an area average, so no pixel of the checkerboard is pure
            # ink or paper; the line over the picture at 1x.
            picture = pixels(shot, 0, 16, 400, 268)  # between the line and the seek bar
            shares = [(0xCC - ((p >> 8) & 0xFF)) / (0xCC - 0x14) for p in picture]
            check(all(0.3 < share < 0.7 for share in shares),
                  f"{size}: the picture is averaged, not sampled ({min(shares):.2f} to {max(shares):.2f} ink)")
            line = read_text(shot, 8, 0, 1, 48, font)
        # Where the review paused depends on how soon it took the key; the line must tell the
        # frame it shows (counted from 0) and a time within it.
        check(first is not None and 120 <= first <= paused_on, f"{size}: --start 5 shows frame 120 first, or one soon "
              f"after on a busy machine ({first}, paused on {paused_on})")
        low, high = (int(10 * f / 24 + 1e-9) for f in (paused_on, paused_on + 1 - 1e-6))
        times = "|".join(f"{tenths // 600}:{tenths // 10 % 60:02}\\.{tenths % 10}" for tenths in range(low, high + 1))
        check(line is not None and re.fullmatch(rf"({times}) / 0:10\.0  frame {paused_on} of 0-239  1x  paused", line),
              f"{size}: the status line reads back as text, of frame {paused_on}: {line!r}")


def tall_piece(path, rows):
    """A colour piece taller than any screen, one line of text, shading and line drawing a row, each
    row in its own colours, every third bold."""
    art = bytearray(b"\x1b[0m")
    for row in range(rows):
        art += f"\x1b[{1 if row % 3 == 0 else 22};{30 + row % 8};{40 + (row // 8) % 8}m".encode()
        art += f"row {row:03} ".encode() + bytes([0xB0, 0xB1, 0xB2, 0xDB, 0xC4, 0xC5, 0xCD]) * 10 + b"\x1b[0m\r\n"
    path.write_bytes(bytes(art))


def typed_piece(path):
    """An ANSImation: the screen cleared, then words in colour put here and there by the cursor."""
    art = bytearray(b"\x1b[2J")
    for step in range(60):
        art += f"\x1b[{1 + step * 11 % 25};{1 + step * 7 % 70}H\x1b[{30 + step % 8};{40 + (step // 8) % 8}m".encode()
        art += f"step {step:02}".encode() + bytes([0xDB, 0xB1]) * 2
    path.write_bytes(bytes(art))


def rendered(work, piece, *options):
    """`kvq render` of the piece, and its size."""
    subprocess.run([KVQ, "render", piece, *options, "-o", work / "rendered.png"], check=True)
    size = subprocess.run(["identify", "-format", "%w %h", work / "rendered.png"], capture_output=True, text=True,
                          check=True).stdout.split()
    return work / "rendered.png", int(size[0]), int(size[1])


def same_as_rendered_rows(work, shot, picture, top, rows, window):
    """The screenshot's window rectangle `window` is rows [top, top + rows) of the rendered picture,
    every pixel a 2x2 block."""
    subprocess.run(["convert", picture, "-crop", f"{window[0] // 2}x{rows}+0+{top}", "+repage", "-sample", "200%",
                    work / "expected.png"], check=True)
    subprocess.run(["convert", shot, "-crop", f"{window[0]}x{2 * rows}+0+{window[1]}", "+repage",
                    work / "actual.png"], check=True)
    differ = subprocess.run(["compare", "-metric", "AE", work / "expected.png", work / "actual.png", "null:"],
                            capture_output=True, text=True).stderr.strip()
    return differ == "0", differ


def scrolled(work):
    """A tall colour piece fills the window's width at 2x; keys scroll it a line and a screen at a time
    to exactly where they say, and End to its bottom."""
    piece = work / "tall.ans"
    tall_piece(piece, 120)
    picture, width, height = rendered(work, piece)
    check(width == 640 and height > 1000, f"the piece renders 640 wide and taller than the screen ({width}x{height})")
    x = Xvfb("1280x960")
    try:
        review = Review(work, piece, x.display)
        offsets = lambda: [int(f) for _, what, f in (line.split() for line in review.trace.read_text().splitlines())
                           if what == "scroll"]

        def settled(row):
            """The view glides to its place; the row it came to rest on, once it has."""
            for _ in range(500):
                if offsets()[-1:] == [row]:
                    break
                time.sleep(0.01)
            time.sleep(0.2)  # for the X server to have the presented picture
            return offsets()[-1:]

        for name in ("Down", "Down", "Down", "Next"):
            review.key(name)
        check(settled(3 * 16 + 480) == [3 * 16 + 480], f"three lines and a screen down: row {3 * 16 + 480} ({offsets()[-1:]})")
        review.screenshot(work / "a.png")
        # Below the status line over the picture's top, 448 of the piece's rows at 2x.
        same, differ = same_as_rendered_rows(work, work / "a.png", picture, 3 * 16 + 480 + 16, 448, (1280, 32))
        check(same, f"the window shows the piece's rows there, pixel for pixel at 2x ({differ} differ)")
        review.key("End")
        check(settled(height - 480) == [height - 480], f"End: the bottom ({offsets()[-1:]}, {height - 480} wanted)")
        review.screenshot(work / "b.png")
        same, differ = same_as_rendered_rows(work, work / "b.png", picture, height - 480 + 16, 448, (1280, 32))
        check(same, f"and it is the piece's last rows ({differ} differ)")
        review.key("Home")
        check(settled(0) == [0], f"Home: the top ({offsets()[-1:]})")
        # Two notches of the wheel towards the person: six text rows down.
        subprocess.run(["xdotool", "mousemove", "640", "480", "click", "5", "click", "5"], env=review.env, check=True)
        check(settled(96) == [96], f"the wheel scrolls three rows a notch ({offsets()[-1:]})")
        status, err = review.quit()
        check(status == 0 and err == "", f"Q quits with status 0 ({status}; {err.strip()})")
    finally:
        x.stop()


def scrolled_with_sound(work):
    """A tall piece scrolling by itself beside a 3 s soundtrack: the soundtrack is the clock, so the
    scroll stops where 3 s of it bring the view when the soundtrack ends."""
    piece = work / "tall.ans"
    tall_piece(piece, 120)
    subprocess.run(["ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i", "sine=frequency=440:duration=3", "-ac", "2",
                    "-c:a", "libmp3lame", work / "tone.mp3"], check=True)
    x = Xvfb("1280x960")
    try:
        review = Review(work, piece, x.display, work / "heard.raw", ("--audio", work / "tone.mp3", "--scroll-speed", "8"))
        offsets = lambda: [int(f) for _, what, f in (line.split() for line in review.trace.read_text().splitlines())
                           if what == "scroll"]
        for _ in range(1000):
            if len(offsets()) > 2 and offsets()[-1] >= 3 * 128:
                break
            time.sleep(0.01)
        time.sleep(1)
        last = offsets()
        time.sleep(1)
        # 8 rows of 16 pixels a second; an MP3's decoder pads its length by a few hundredths.
        check(3 * 128 <= last[-1] <= 3.1 * 128 and offsets() == last,
              f"the scroll stops with the soundtrack at row {last[-1]} ({3 * 128} or a little more wanted)")
        status, err = review.quit()
        check(status == 0 and err == "", f"Q quits with status 0 ({status}; {err.strip()})")
    finally:
        x.stop()


def typed(work):
    """An ANSImation at 2400 baud, paused and sent to half its length: the screen is kvq render's at
    that time, pixel for pixel at 2x."""
    piece = work / "typed.ans"
    typed_piece(piece)
    x = Xvfb("1280x960")
    try:
        review = Review(work, piece, x.display, options=("--baud", "2400"))
        review.key("space")
        review.key("5")
        frame = review.shown()
        review.screenshot(work / "a.png")
        status, err = review.quit()
        check(status == 0 and err == "", f"Q quits with status 0 ({status}; {err.strip()})")
    finally:
        x.stop()
    # Half of 1500-odd bytes at 240 a second: about 3 s in.
    check(48 <= frame <= 96, f"5 shows the frame at half the length ({frame})")
    picture, width, height = rendered(work, piece, "--baud", "2400", "--time", f"{(frame + 0.5) / 24:.4f}")
    check((width, height) == (640, 400), f"a screen of 80x25 cells ({width}x{height})")
    # 1280x800 between bars of 80 rows.
    same, differ = same_as_rendered_rows(work, work / "a.png", picture, 0, 400, (1280, 80))
    check(same, f"the paused screen is the render at frame {frame}'s time ({differ} differ)")


work = Path(tempfile.mkdtemp(prefix="kvq-review."))
try:
    {"transport": transport, "av_offset": av_offset, "av_offset_speeds": av_offset_speeds,
     "messages": messages, "sizes": sizes, "loop": loop, "scrolled": scrolled,
     "scrolled_with_sound": scrolled_with_sound, "typed": typed}[sys.argv[1]](work)
finally:
    shutil.rmtree(work, ignore_errors=True)
finish()
