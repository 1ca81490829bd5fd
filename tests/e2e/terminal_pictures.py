#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""`kvq play --terminal` in real terminals under a private X server: the picture the terminal shows,
read back from it, against `kvq render` of the same frame. Sixel in xterm (a VT340) at 1x and 2x,
kitty's graphics in kitty, and characters in xterm read back with print-immediate.
usage: terminal_pictures.py CASE   (sixel_1x | sixel_2x | text | kitty); KVQ names kvq."""
import os
import random
import re
import shlex
import subprocess
import sys
import tempfile
import time
from pathlib import Path

from checks import check, finish
from xserver import Xvfb

KVQ = os.environ["KVQ"]
PAPER, INK = (0xE8, 0xCC, 0xA0), (0x17, 0x14, 0x10)


def sixel_shown(level):
    """What xterm shows for an 8-bit level sent as a sixel percentage: the percent p whose shown value
    floor(floor(p * 65535 / 100) / 256) is nearest. Never more than one level off."""
    shown = min((p * 65535 // 100 // 256 for p in range(101)), key=lambda value: abs(value - level))
    assert abs(shown - level) <= 1
    return shown


SIXEL_LEVELS = bytes(sixel_shown(level) for level in range(256))


def make_animation(folder, frames, seed=11):
    """A font of random glyphs and frames that each change a few dozen cells of the one before, so
    that the terminal is sent changed rectangles, not only whole pictures. Long enough that a slow
    (sanitized) build is still playing when the test pauses it and steps on."""
    folder.mkdir()
    rng = random.Random(seed)
    font = bytearray(8192)
    for at in range(128 * 32):
        font[at] = rng.randrange(256) if at % 32 < 16 else 0
    (folder / "test").write_bytes(bytes(font))
    frame = bytearray(rng.randbytes(2400))
    data = bytearray()
    for _ in range(frames):
        for _ in range(40):
            frame[rng.randrange(2400)] = rng.randrange(256)
        data += frame
    (folder / "quorva2.kvq").write_bytes(bytes(data))


class TerminalRun:
    """kvq play --terminal inside a terminal window, with its trace; the window's id once it shows."""

    def __init__(self, work, display, terminal, window_class, kvq_options):
        self.work = work
        self.trace = work / "trace.txt"
        self.status = work / "status.txt"
        self.env = {**os.environ, "DISPLAY": display, "KVQ_PLAY_TRACE": str(self.trace),
                    "XDG_RUNTIME_DIR": str(work), "COLORTERM": "truecolor"}
        for name in ("SDL_VIDEODRIVER", "SDL_AUDIODRIVER"):
            self.env.pop(name, None)
        command = " ".join(shlex.quote(str(part)) for part in [KVQ, "play", *kvq_options])
        (work / "run.sh").write_text(f"{command} 2>{shlex.quote(str(work / 'stderr.txt'))}\n"
                                     f"echo $? >{shlex.quote(str(self.status))}\n")
        self.process = subprocess.Popen([*terminal, "sh", str(work / "run.sh")], env=self.env,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        # A terminal may take seconds to start on a busy machine: waited for, never slept over.
        found = subprocess.run(["timeout", "60", "xdotool", "search", "--sync", "--onlyvisible", "--class",
                                window_class], env=self.env, capture_output=True, text=True).stdout.split()
        self.window = found[0] if found else None
        check(self.window is not None, f"the {window_class} window shows")

    def lines(self, what):
        text = self.trace.read_text() if self.trace.exists() else ""
        return [line.split() for line in text.splitlines() if line.split()[1:2] == [what]]

    def presents(self):
        return [(float(t), int(f)) for t, _, f in self.lines("present")]

    def wait_for(self, condition, seconds=60):
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            if condition():
                return True
            if self.status.exists():
                return False
            time.sleep(0.05)
        return False

    def key(self, name):
        """Presses the key (xterm takes keys only from its focused window, not sent events) and waits
        until the review has taken it and presented what follows."""
        keys = len(self.lines("key"))
        subprocess.run(["xdotool", "windowfocus", "--sync", self.window, "key", name], env=self.env, check=True)
        return self.wait_for(lambda: len(self.lines("key")) > keys and self.presents()
                             and self.presents()[-1][0] > float(self.lines("key")[-1][0]))

    def screenshot(self, name):
        path = self.work / f"{name}.png"
        subprocess.run(["import", "-window", self.window, str(path)], env=self.env, check=True)
        return rgb_of(path)

    def until_shown(self, look, seconds=30):
        """Looks at the terminal with `look(frame)` (the frame last presented) until it finds the
        frame shown, or for `seconds`: a present reaches the screen once the terminal has taken
        what was sent before it, which on a busy machine takes a while. (frame, where, differ)."""
        deadline = time.monotonic() + seconds
        while True:
            frame = self.presents()[-1][1]
            where, differ = look(frame)
            if differ == 0 or time.monotonic() > deadline:
                return frame, where, differ
            time.sleep(0.25)

    def quit(self):
        self.key("q")
        self.wait_for(lambda: False, 20)
        try:
            self.process.wait(20)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
        status = self.status.read_text().strip() if self.status.exists() else "none"
        stderr = (self.work / "stderr.txt").read_text() if (self.work / "stderr.txt").exists() else ""
        return status, stderr.strip()


def rgb_of(path):
    """(width, height, bytes) of a picture, three bytes a pixel."""
    size = subprocess.run(["identify", "-format", "%w %h", str(path)], capture_output=True, text=True,
                          check=True).stdout.split()
    data = subprocess.run(["convert", str(path), "-depth", "8", "rgb:-"], capture_output=True, check=True).stdout
    return int(size[0]), int(size[1]), data


def rendered(work, folder, frame, scale):
    path = work / "frame.png"
    subprocess.run([KVQ, "render", folder / "quorva2.kvq", "--font", folder / "test", "--frame", str(frame), "-o",
                    path], check=True)
    if scale != 1:
        subprocess.run(["convert", path, "-sample", f"{scale * 100}%", path], check=True)
    return rgb_of(path)


def compare_picture(shot, picture, levels, band):
    """Finds the picture in the screenshot by one of its rows and counts the pixels that differ,
    each of the picture's levels taken through `levels` first; `band` rows at the top and the bottom
    are left out, where the status line and the seek bar may be drawn over the picture."""
    shot_width, shot_height, shot_data = shot
    width, height, data = picture
    expected = data.translate(levels)
    row_bytes = width * 3
    best = (None, width * height)
    for key_row in (height // 2, height // 3, height * 2 // 3, band):
        wanted = expected[key_row * row_bytes:(key_row + 1) * row_bytes]
        for y in range(key_row, shot_height - (height - key_row) + 1):
            line = shot_data[y * shot_width * 3:(y + 1) * shot_width * 3]
            x = line.find(wanted)
            while x >= 0 and x % 3:
                x = line.find(wanted, x + 1)
            if x < 0:
                continue
            left, top = x // 3, y - key_row
            differ = 0
            for row in range(band, height - band):
                at = ((top + row) * shot_width + left) * 3
                got, want = shot_data[at:at + row_bytes], expected[row * row_bytes:(row + 1) * row_bytes]
                if got != want:
                    differ += sum(1 for i in range(0, row_bytes, 3) if got[i:i + 3] != want[i:i + 3])
            if differ < best[1]:
                best = ((left, top), differ)
            if differ == 0:
                return best
    return best


def pictures(work, case):
    """Plays in the terminal, pauses, and compares the paused frame with kvq render's."""
    folder = work / "show"
    make_animation(folder, 24 * 40)
    scale = 2 if case == "sixel_2x" else 1
    if case == "kitty":
        screen = "1100x800"
        terminal = ["kitty", "--config", "NONE", "-o", "window_padding_width=0", "-o", "remember_window_size=no",
                    "-o", "initial_window_width=720", "-o", "initial_window_height=560",
                    "-o", "placement_strategy=top-left"]
        window_class, protocol = "kitty", "kitty"
    else:
        # The only font this X server has is 6x13: 110x40 cells hold 640x480 and a free last row,
        # 220x78 hold 1280x960 and one.
        geometry = "220x78" if scale == 2 else "110x40"
        screen = "1400x1100" if scale == 2 else "800x600"
        terminal = ["xterm", "-ti", "vt340", "-b", "0", "-bw", "0", "-geometry", f"{geometry}+0+0",
                    "-xrm", "XTerm*maxGraphicSize: 2048x2048", "-e"]
        window_class, protocol = "xterm", "sixel"
    x = Xvfb(screen)
    try:
        run = TerminalRun(work, x.display, terminal, window_class,
                          [folder, "--terminal", "--protocol", protocol, "--no-audio", "--start", "2"])
        if run.window is None:
            return
        check(run.wait_for(lambda: len(run.presents()) >= 24), "the animation plays in the terminal")
        check(run.key("space"), "Space pauses it")
        levels = SIXEL_LEVELS if protocol == "sixel" else bytes(range(256))
        drawn = {}

        def look(frame):
            if frame not in drawn:
                drawn[frame] = rendered(work, folder, frame, scale)
            return compare_picture(run.screenshot("shown"), drawn[frame], levels, 16 * scale)

        frame, where, differ = run.until_shown(look)
        how = "through sixel's percentages" if protocol == "sixel" else "exactly"
        check(where is not None and differ == 0,
              f"frame {frame} shows as kvq render draws it at {scale}x, {how}, between the status line's and "
              f"seek bar's bands (at {where}: {differ} pixels differ)")
        # A frame on: only what changed is sent, and the picture is still the frame.
        check(run.key("period"), "'.' steps a frame on")
        frame, where, differ = run.until_shown(look)
        check(where is not None and differ == 0, f"and frame {frame} shows as drawn ({differ} pixels differ)")
        status, stderr = run.quit()
        check(status == "0", f"Q quits with status 0 ({status}; {stderr})")
    finally:
        x.stop()


# Glyphs whose shape one character of the terminal's has: each as its four quarters (top left, top
# right, bottom left, bottom right), True where ink.
BLOCK_GLYPHS = {0x20: (0, 0, 0, 0), 1: (1, 1, 1, 1), 2: (1, 1, 0, 0), 3: (0, 0, 1, 1), 4: (1, 0, 1, 0), 5: (0, 1, 0, 1)}
# The characters that draw them: each quarter True where in the foreground colour.
BLOCK_CHARACTERS = {" ": (0, 0, 0, 0), "\u2588": (1, 1, 1, 1), "\u2580": (1, 1, 0, 0), "\u2584": (0, 0, 1, 1),
                    "\u258c": (1, 0, 1, 0), "\u2590": (0, 1, 0, 1)}


def make_block_animation(folder, frames, seed=13):
    """A font of blocks and halves, and frames of them and their inverse (codes from 128) that each
    change a few dozen cells of the one before."""
    folder.mkdir()
    font = bytearray(8192)
    for code, (top_left, top_right, bottom_left, bottom_right) in BLOCK_GLYPHS.items():
        for row in range(16):
            left, right = (top_left, top_right) if row < 8 else (bottom_left, bottom_right)
            font[code * 32 + row] = (0xF0 if left else 0) | (0x0F if right else 0)
    (folder / "test").write_bytes(bytes(font))
    rng = random.Random(seed)
    codes = [code | inverse for code in BLOCK_GLYPHS for inverse in (0, 128)]
    frame = bytearray(rng.choice(codes) for _ in range(2400))
    data = bytearray()
    for _ in range(frames):
        for _ in range(40):
            frame[rng.randrange(2400)] = rng.choice(codes)
        data += frame
    (folder / "quorva2.kvq").write_bytes(bytes(data))
    return data


SGR = re.compile(r"\x1b\[([0-9;:]*)m")


def parse_screen(text):
    """xterm's print-immediate dump: per row, per cell (character, foreground, background), colours
    as (r, g, b) or None for the terminal's own."""
    rows = []
    for line in text.replace("\x1b#5", "").split("\n"):
        line = line.rstrip("\r")
        cells, foreground, background, reverse, at = [], None, None, False, 0
        while at < len(line):
            match = SGR.match(line, at)
            if match:
                parameters = match.group(1).split(";")
                for parameter in parameters:
                    parts = parameter.split(":")
                    if parameter in ("", "0"):
                        foreground, background, reverse = None, None, False
                    elif parameter == "7":
                        reverse = True
                    elif parts[0] in ("38", "48") and len(parts) == 6 and parts[1] == "2":
                        colour = tuple(int(value) for value in parts[3:6])
                        if parts[0] == "38":
                            foreground = colour
                        else:
                            background = colour
                at = match.end()
                continue
            cells.append((line[at], background, foreground) if reverse else (line[at], foreground, background))
            at += 1
        rows.append(cells)
    return rows


def read_back(run, dump):
    """The screen as xterm writes it out on print-immediate (Ctrl+Shift+P, bound by the test)."""
    for old in dump.parent.glob(dump.name + "*"):
        old.unlink()
    subprocess.run(["xdotool", "windowfocus", "--sync", run.window, "key", "ctrl+shift+p"], env=run.env, check=True)
    # xterm names the file it writes with the time after the name given.
    written = []
    run.wait_for(lambda: bool(written.extend(dump.parent.glob(dump.name + "*")) or written), 10)
    time.sleep(0.2)  # for it to be written whole; one cut short differs, and is read again
    return parse_screen(written[0].read_text(encoding="utf-8", errors="replace")) if written else []


def compare_cells(screen, codes):
    """Finds the 80x30 picture on the screen read back and counts the cells that do not look as their
    code's glyph does: each quarter in ink or paper as the glyph has it."""
    def looks(cell):
        character, foreground, background = cell
        if character not in BLOCK_CHARACTERS:
            return None
        return tuple(foreground if quarter else background for quarter in BLOCK_CHARACTERS[character])

    def wanted(code):
        ink = BLOCK_GLYPHS[code & 0x7F]
        return tuple((PAPER if on else INK) if code & 0x80 else (INK if on else PAPER) for on in ink)

    best = (None, 2400)
    for top in range(len(screen) - 29):
        for left in range(max((len(row) for row in screen[top:top + 30]), default=0) - 79):
            differ = 0
            for row in range(30):
                cells = screen[top + row]
                for column in range(80):
                    cell = cells[left + column] if left + column < len(cells) else (" ", None, None)
                    differ += looks(cell) != wanted(codes[row * 80 + column])
                if differ >= best[1]:
                    break
            if differ < best[1]:
                best = ((left, top), differ)
    return best


def text(work):
    folder = work / "show"
    frames = make_block_animation(folder, 24 * 40)
    dump = work / "screen.txt"
    terminal = ["xterm", "-u8", "-b", "0", "-bw", "0", "-geometry", "90x34+0+0",
                "-xrm", f"XTerm*printFileImmediate: {dump}", "-xrm", "XTerm*printModeImmediate: 2",
                "-xrm", "XTerm*printOptsImmediate: 1",
                "-xrm", "XTerm*VT100.translations: #override Ctrl Shift <Key>P: print-immediate()", "-e"]
    x = Xvfb("800x600")
    try:
        run = TerminalRun(work, x.display, terminal, "xterm",
                          [folder, "--terminal", "--protocol", "text", "--no-audio", "--start", "2"])
        if run.window is None:
            return
        check(run.wait_for(lambda: len(run.presents()) >= 24), "the animation plays in the terminal")
        check(run.key("space"), "Space pauses it")

        def look(frame):
            return compare_cells(read_back(run, dump), frames[frame * 2400:(frame + 1) * 2400])

        frame, where, differ = run.until_shown(look)
        check(where is not None and differ == 0,
              f"frame {frame} reads back as its blocks' characters, ink {INK} and paper {PAPER} in 24-bit colour "
              f"(at {where}: {differ} of 2400 cells differ)")
        if differ:
            run.screenshot("text")  # to look at where the read-back differs
        check(run.key("period"), "'.' steps a frame on")
        frame, where, differ = run.until_shown(look)
        check(where is not None and differ == 0, f"and frame {frame} reads back so ({differ} cells differ)")
        status, stderr = run.quit()
        check(status == "0", f"Q quits with status 0 ({status}; {stderr})")
    finally:
        x.stop()


def main():
    case = sys.argv[1] if len(sys.argv) > 1 else ""
    if case not in ("sixel_1x", "sixel_2x", "text", "kitty"):
        sys.exit(__doc__)
    # KEEP=folder keeps what the test made there (screenshots, the trace), to look at after a failure.
    with tempfile.TemporaryDirectory(prefix="kvq-terminal-") as name:
        work = Path(os.environ.get("KEEP") or name)
        work.mkdir(parents=True, exist_ok=True)
        if case == "text":
            text(work)
        else:
            pictures(work, case)
    finish()


if __name__ == "__main__":
    main()
