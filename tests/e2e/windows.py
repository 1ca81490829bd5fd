#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""kvqplay.exe, the player built for Windows, under Wine in a private X server: its picture pixel
for pixel, its keys, its close requests and its lines for files it cannot use, as on Linux.
usage: windows.py CASE   (picture | keys | files | sound); KVQPLAY_EXE names the program, KVQ the
Linux kvq (for the expected pictures), HELPERS the folder of send_close_request, WINEPREFIX the
Wine prefix to use (made on first use)."""
import contextlib
import os
import shutil
import subprocess
import sys
import tempfile
import time
from pathlib import Path

from checks import check, finish
from xserver import Xvfb

EXE = Path(os.environ["KVQPLAY_EXE"])
KVQ = os.environ["KVQ"]
DEMO = Path(os.environ["KVQ_DEMO"])
# Without a sound card Wine's ALSA driver fills standard error with complaints about it; with no
# audio driver at all the program finds no device and says so in its own one line. No Mono or
# Gecko installer either: it would wait for a click.
WINE_ENV = {"WINEDEBUG": "-all", "WINEDLLOVERRIDES": "mscoree,mshtml,winealsa.drv,winepulse.drv="}

class Player:
    """kvqplay.exe started under Wine in `folder`, as a double click would start it there."""

    def __init__(self, folder, display, env=()):
        self.env = {**os.environ, **WINE_ENV, "DISPLAY": display, **dict(env)}
        self.id = None
        self.process = subprocess.Popen(["wine", str(folder / "kvqplay.exe")], cwd=folder, env=self.env,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)

    def window(self):
        found = subprocess.run(["timeout", "60", "xdotool", "search", "--sync", "--onlyvisible", "--class", "."],
                               env=self.env, capture_output=True, text=True).stdout.split()
        self.id = found[0] if found else None
        return self.id

    def settle(self, seconds=2.0):
        """Waits for the window and for the picture to have been drawn a few times."""
        window = self.window()
        time.sleep(seconds)
        return window

    def screenshot(self, path):
        subprocess.run(["import", "-window", "root", str(path)], env=self.env, check=True)

    def mapped(self, window):
        state = subprocess.run(["xwininfo", "-id", window], env=self.env, capture_output=True, text=True).stdout
        return "IsViewable" in state

    def key(self, name):
        """A key pressed with the window focused, as a click on it would leave it: with no window
        manager nothing else gives Wine's window the keyboard when another has had it."""
        if self.id:
            subprocess.run(["xdotool", "windowfocus", "--sync", self.id], env=self.env, timeout=10)
        subprocess.run(["xdotool", "key", name], env=self.env, check=True)

    def wait(self, seconds):
        try:
            status = self.process.wait(seconds)
        except subprocess.TimeoutExpired:
            return None, ""
        return status, self.process.stderr.read()

    def stop(self):
        """Escape, then what it said."""
        self.key("Escape")
        status, err = self.wait(10)
        if status is None:
            self.process.kill()
            self.process.wait()
        return err


@contextlib.contextmanager
def x_server(size):
    """A private X server for one case. Wine's server and its desktop process outlive the program
    by a few seconds and keep to the display they started on; they are ended with it, so that the
    next case's Wine starts afresh on the next display."""
    x = Xvfb(size)
    try:
        yield x
    finally:
        subprocess.run(["wineserver", "-k"], env={**os.environ, **WINE_ENV}, stderr=subprocess.DEVNULL)
        subprocess.run(["wineserver", "-w"], env={**os.environ, **WINE_ENV}, stderr=subprocess.DEVNULL)
        x.stop()


def lines_of(err):
    return [line for line in err.splitlines() if line.strip()]


def folder_with(work, name, frames=None, font=True, soundtrack=None):
    """A folder holding the program and the files given: the frames' bytes, the demo's font, a
    soundtrack file."""
    folder = work / name
    folder.mkdir()
    shutil.copy(EXE, folder / "kvqplay.exe")
    if frames is not None:
        (folder / "quorva2.kvq").write_bytes(frames)
    if font:
        shutil.copy(DEMO / "test", folder / "test")
    if soundtrack is not None:
        shutil.copy(soundtrack, folder / "quorva.mp3")
    return folder


def title_frames():
    """The demo's title frame, 240 times: whenever the screenshot is taken, it shows that frame."""
    title = (DEMO / "quorva2.kvq").read_bytes()[2400 * 120:2400 * 121]
    return title * 240


def same_picture(work, shot, frame_png, scale):
    expected = work / "expected.png"
    subprocess.run(["convert", frame_png, "-sample", f"{scale * 100}%", expected], check=True)
    differ = subprocess.run(["compare", "-metric", "AE", expected, shot, "null:"], capture_output=True, text=True)
    return differ.stderr.strip()


def picture(work):
    """The title frame at 1x on a 640x480 screen and in exact 2x2 blocks on a 1280x960 one."""
    folder = folder_with(work, "title", title_frames())
    subprocess.run([KVQ, "render", folder / "quorva2.kvq", "--font", folder / "test", "--frame", "0", "-o",
                    work / "frame.png"], check=True)
    for size, scale in (("640x480", 1), ("1280x960", 2)):
        with x_server(size) as x:
            player = Player(folder, x.display)
            player.settle()
            # Wine may take a moment more to put the window over the whole screen.
            shot = work / f"shot-{size}.png"
            for _ in range(20):
                player.screenshot(shot)
                differ = same_picture(work, shot, work / "frame.png", scale)
                if differ == "0":
                    break
                time.sleep(0.5)
            check(differ == "0", f"{size}: the screen is `kvq render`'s frame at {scale}x, pixel for pixel "
                                 f"({differ} pixels differ)")
            player.stop()


def keys(work):
    """Escape ends it with status 0; Alt+F4 and a window manager's close request do not. The player
    hides its window some 40 ms after the key, but Wine's X11 driver then waits 2 s for a window
    manager to confirm it withdrawn before it takes it off the screen, and without one that never
    comes: so 2 s more than the player's own 2."""
    folder = folder_with(work, "keys", title_frames())
    with x_server("640x480") as x:
        player = Player(folder, x.display)
        window = player.settle()
        check(window is not None, "the window shows")
        pressed = time.monotonic()
        player.key("Escape")
        while player.mapped(window) and time.monotonic() - pressed < 10:
            time.sleep(0.02)
        gone = time.monotonic() - pressed
        status, err = player.wait(10)
        ended = time.monotonic() - pressed
        check(gone < 2 + 2 and status == 0 and ended < 2 + 2 + 1,
              f"Escape takes the window away within 2 s and Wine's 2 ({gone:.2f} s) and ends it with status 0 "
              f"({status}, {ended:.2f} s)")
        check("kvqplay: quorva.mp3: cannot open it (No such file or directory); playing silent" in lines_of(err),
              f"the missing soundtrack in one line: {err!r}")

        player = Player(folder, x.display)
        window = player.settle()
        player.key("alt+F4")
        subprocess.run([Path(os.environ["HELPERS"]) / "send_close_request", window or "0"], env=player.env)
        status, _ = player.wait(3)
        check(status is None, "Alt+F4 and a close request leave it playing")
        player.stop()


def files(work):
    """Missing frames end it at once; a missing font shows blank paper; each is said in one line."""
    with x_server("640x480") as x:
        player = Player(folder_with(work, "no-frames"), x.display)
        status, err = player.wait(60)
        check(status == 0, f"without frames it ends at once, status 0 ({status})")
        check("kvqplay: quorva2.kvq: cannot open it (No such file or directory); nothing to play" in lines_of(err),
              f"and says why: {err!r}")

        player = Player(folder_with(work, "no-font", title_frames(), font=False), x.display)
        player.settle()
        shot = work / "no-font.png"
        player.screenshot(shot)
        colours = subprocess.run(["convert", shot, "-unique-colors", "-depth", "8", "txt:-"], capture_output=True,
                                 text=True).stdout.splitlines()[1:]
        check(len(colours) == 1 and "#E8CCA0" in colours[0], f"without a font, blank paper: {colours[:3]}")
        err = player.stop()
        check("kvqplay: test: cannot open it (No such file or directory); every character shows as blank paper"
              in lines_of(err), f"and says why: {err!r}")


def sound(work):
    """What Wine cannot let anyone hear, SDL's disk driver writes down: the soundtrack decoded by
    the Windows build, a 1 kHz tone in the file; and a soundtrack that cannot be decoded."""
    tone = work / "tone.mp3"
    subprocess.run(["sox", "-n", "-r", "44100", "-c", "2", tone, "synth", "4", "sine", "1000"], check=True)
    folder = folder_with(work, "sound", title_frames()[:2400 * 72], soundtrack=tone)
    heard = work / "heard.raw"
    noise = work / "noise.mp3"
    noise.write_bytes(bytes(range(256)) * 400)
    with x_server("640x480") as x:
        player = Player(folder, x.display, {"SDL_AUDIODRIVER": "disk", "SDL_DISKAUDIOFILE": f"Z:{heard}"})
        status, err = player.wait(60)
        check(status == 0, f"three seconds of frames play to their end, status 0 ({status}; {err!r})")
        shutil.copy(noise, folder / "quorva.mp3")
        player = Player(folder, x.display, {"SDL_AUDIODRIVER": "disk", "SDL_DISKAUDIOFILE": f"Z:{work / 'noise.raw'}"})
        status, err = player.wait(60)
        check(status == 0 and lines_of(err) == ["kvqplay: quorva.mp3: cannot be decoded; playing silent"],
              f"bytes that are no MP3 play silent, said in one line ({status}; {err!r})")
    stat = subprocess.run(["sox", "-t", "raw", "-r", "44100", "-e", "signed", "-b", "16", "-c", "2", heard, "-n",
                           "remix", "1", "stat"], capture_output=True, text=True).stderr
    figures = {line.split(":")[0].strip(): line.split(":")[1].strip() for line in stat.splitlines() if ":" in line}
    frequency = int(figures.get("Rough   frequency", "0"))
    amplitude = float(figures.get("Maximum amplitude", "0"))
    check(abs(frequency - 1000) < 50 and amplitude > 0.5,
          f"the disk driver's file holds the tone: {frequency} Hz, amplitude {amplitude}")


work = Path(tempfile.mkdtemp(prefix="kvq-windows."))
try:
    # A prefix of its own, made once: the first run of Wine takes a while to set one up.
    # wineboot returns before the prefix is finished; the server's end says it is.
    if not (Path(os.environ["WINEPREFIX"]) / "system.reg").exists():
        with x_server("640x480") as x:
            wine_env = {**os.environ, **WINE_ENV, "DISPLAY": x.display}
            subprocess.run(["wineboot", "--init"], env=wine_env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                           timeout=300)
            subprocess.run(["wineserver", "-w"], env=wine_env, timeout=300)
    {"picture": picture, "keys": keys, "files": files, "sound": sound}[sys.argv[1]](work)
finally:
    shutil.rmtree(work, ignore_errors=True)
finish()
