#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""`kvq play --terminal` in a real xterm, ended every way a person or the system ends it: after each,
the terminal must be as it was. A shell in the xterm records `stty -g` before and after, then asks
the terminal itself (DECRQM) whether the cursor shows and the alternate screen is left, and what
its colours are (DECRQSS), and writes what it heard to a file read here.
usage: terminal_exits.py CASE   (quit_keys | end | interrupt | terminate | hang_up | crash | resize);
KVQ names kvq."""
import os
import re
import signal
import shutil
import subprocess
import sys
import tempfile
import time
from pathlib import Path

from checks import check, finish
from xserver import Xvfb

KVQ = os.environ["KVQ"]
FRAME_BYTES = 2400

# Run in the xterm: for each run, the modes before, kvq, how it ended, the modes after and the
# terminal's own answers.
SHELL = r"""
cd "$WORK"
ulimit -c 0
echo "$WINDOWID" > window
run=1
while [ "$run" -le "$RUNS" ]; do
    stty -g > before.$run
    python3 "$JOB" $run 2> stderr.$run
    stty -g > after.$run
    python3 "$ASK" > answers.$run 2>&1
    run=$((run + 1))
done
echo done > finished
sleep 600
"""

# Runs kvq as a job-control shell runs a job: in a process group of its own in the foreground, so
# that the terminal's Ctrl+Z would reach it; writes its pid (the test signals it and nothing else),
# then how it ended: "exit N", "signal N" (killed) or "stopped N" (suspended, then killed).
JOB = r"""
import os, signal, subprocess, sys
run = sys.argv[1]
for number in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP, signal.SIGQUIT, signal.SIGTSTP, signal.SIGTTOU):
    signal.signal(number, signal.SIG_IGN)
tty = os.open("/dev/tty", os.O_RDWR)
def foreground():
    os.setpgid(0, 0)
    os.tcsetpgrp(tty, os.getpgrp())
    for number in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP, signal.SIGQUIT, signal.SIGTSTP, signal.SIGTTOU):
        signal.signal(number, signal.SIG_DFL)
kvq = subprocess.Popen([os.environ["KVQ"], "play", "frames.kvq", "--terminal", "--protocol", "text", "--no-audio"],
                       env={**os.environ, "KVQ_PLAY_TRACE": f"trace.{run}"}, preexec_fn=foreground, pass_fds=())
with open(f"pid.{run}", "w") as out:
    out.write(str(kvq.pid))
_, status = os.waitpid(kvq.pid, os.WUNTRACED)
if os.WIFSTOPPED(status):
    ended = f"stopped {os.WSTOPSIG(status)}"
    os.kill(kvq.pid, signal.SIGKILL)
    os.waitpid(kvq.pid, 0)
elif os.WIFSIGNALED(status):
    ended = f"signal {os.WTERMSIG(status)}"
else:
    ended = f"exit {os.WEXITSTATUS(status)}"
os.tcsetpgrp(tty, os.getpgrp())
with open(f"status.{run}", "w") as out:
    out.write(ended)
"""

# Asks the terminal, in raw mode for the moment, and prints its replies as text.
ASK = r"""
import os, select, sys, termios, tty
fd = os.open("/dev/tty", os.O_RDWR)
saved = termios.tcgetattr(fd)
tty.setraw(fd)
try:
    os.write(fd, b"\x1b[?25$p\x1b[?1049$p\x1bP$qm\x1b\\\x1b[c")
    reply = b""
    while not reply.endswith(b"c") and select.select([fd], [], [], 10)[0]:
        reply += os.read(fd, 1024)
finally:
    termios.tcsetattr(fd, termios.TCSANOW, saved)
print(repr(reply))
# The shell's own descriptor of the terminal, shared with whatever runs next, is still blocking.
print("blocking" if os.get_blocking(0) else "non-blocking")
"""


def make_font(path):
    """A font of 128 different glyphs (and their inverses above), so that the text painter picks many characters."""
    glyphs = bytearray(8192)
    for code in range(256):
        for row in range(16):
            bits = (code * 73 + row * 29) & 0xFF if code % 128 else 0
            glyphs[code * 32 + row] = bits ^ 0xFF if code >= 128 else bits
    path.write_bytes(bytes(glyphs))


def make_frames(path, count):
    """`count` frames, each a different picture, so that every frame draws something."""
    with open(path, "wb") as out:
        for frame in range(count):
            out.write(bytes(32 + (frame + cell) % 95 for cell in range(FRAME_BYTES)))


class Terminal:
    """An xterm running SHELL `runs` times, each run's files in `work`."""

    def __init__(self, display, work, runs):
        self.work = work
        self.env = {**os.environ, "DISPLAY": display, "WORK": str(work), "RUNS": str(runs), "KVQ": KVQ,
                    "ASK": str(work / "ask.py"), "JOB": str(work / "job.py"), "COLORTERM": "",
                    "ASAN_OPTIONS": os.environ.get("ASAN_OPTIONS", "detect_leaks=0")}
        (work / "ask.py").write_text(ASK)
        (work / "job.py").write_text(JOB)
        (work / "shell.sh").write_text(SHELL)
        # Ctrl+Shift+P writes the screen, with its colours, to a file: what the terminal shows, as text.
        self.dump_prefix = work / "screen"
        dump = ["-xrm", f"XTerm*printFileImmediate: {self.dump_prefix}", "-xrm", "XTerm*printModeImmediate: 2",
                "-xrm", "XTerm*printOptsImmediate: 1",
                "-xrm", "XTerm*VT100.translations: #override Ctrl Shift <Key>P: print-immediate()"]
        self.process = subprocess.Popen(["xterm", "-geometry", "100x40", "-b", "0", *dump, "-e", "sh", str(work / "shell.sh")],
                                        env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.window = self.wait_for(lambda: (work / "window").exists() and (work / "window").read_text().strip(),
                                    "the xterm's shell starts")

    def wait_for(self, condition, what, seconds=60):
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            value = condition()
            if value:
                return value
            if self.process.poll() is not None:
                break
            time.sleep(0.05)
        check(False, what)
        return None

    def trace(self, run):
        path = self.work / f"trace.{run}"
        return path.read_text().splitlines() if path.exists() else []

    def presents(self, run):
        """The frames presented so far, in order."""
        return [int(parts[2]) for parts in (line.split() for line in self.trace(run))
                if len(parts) == 3 and parts[1] == "present"]

    def started(self, run):
        """Waits until kvq has drawn (it reads keys from then on); its pid."""
        self.wait_for(lambda: self.presents(run), f"run {run}: kvq play draws in the terminal")
        pid = self.work / f"pid.{run}"
        if not pid.exists():
            finish()
        return int(pid.read_text())

    def key(self, name):
        # xterm takes no synthetic key events sent to a window: focus it and type as a person.
        subprocess.run(["xdotool", "windowfocus", "--sync", self.window], env=self.env, timeout=20)
        subprocess.run(["xdotool", "key", name], env=self.env, check=True, timeout=20)

    def shown(self, run):
        """How many drawings the terminal has said it took (its answer to the status query after each)."""
        return sum(1 for line in self.trace(run) if line.split()[1:2] == ["shown"])

    def picture_extent(self):
        """The rows and columns of the cells shown with a background colour (the picture), above the
        last row (the status line's)."""
        self.key("ctrl+shift+p")
        found = self.wait_for(lambda: list(self.work.glob("screen*")), "the terminal writes its screen")
        if not found:
            return set(), set()
        time.sleep(0.5)  # written at once, but let it be closed
        # Its name has the time to the second: taken away, so that the next one is not the same file.
        text = found[0].read_text(encoding="utf-8", errors="replace")
        found[0].unlink()
        lines = text.replace("\x1b#5", "").split("\n")
        rows, columns = set(), set()
        for row, line in enumerate(lines[:-2]):
            column, coloured = 0, False
            for token in re.findall(r"\x1b\[[0-9;:]*m|\x1b.|[^\x1b\r]", line):
                if token.startswith("\x1b["):
                    parameters = token[2:-1].split(";")
                    for index, value in enumerate(parameters):
                        if value in ("", "0", "49"):
                            coloured = False
                        elif value.startswith("48") or (value.isdigit() and (40 <= int(value) <= 47 or
                                                                              100 <= int(value) <= 107)):
                            coloured = not (index > 0 and parameters[index - 1] == "38")
                elif not token.startswith("\x1b"):
                    if coloured:
                        rows.add(row)
                        columns.add(column)
                    column += 1
        return rows, columns

    def check_layout(self, columns, rows):
        """The 80x30 picture, cut to the terminal where it is smaller, centred across."""
        shown_rows, shown_columns = self.picture_extent()
        wide, high = min(80, columns), min(30, rows - 1)
        if not shown_columns:
            check(False, f"at {columns}x{rows} the picture shows")
            return
        left, right = min(shown_columns), columns - 1 - max(shown_columns)
        check(len(shown_columns) == wide and max(shown_columns) - left + 1 == wide,
              f"at {columns}x{rows} the picture is {wide} columns wide ({len(shown_columns)}, from {left})")
        check(abs(left - right) <= 1, f"at {columns}x{rows} the picture is centred ({left} and {right} columns beside it)")
        check(len(shown_rows) == high, f"at {columns}x{rows} the picture is {high} rows high ({len(shown_rows)})")

    def ended(self, run):
        """Waits for the run's records; its status and what the terminal said afterwards."""
        answers = self.work / f"answers.{run}"
        self.wait_for(lambda: answers.exists() and answers.read_text().strip(), f"run {run}: kvq play ends")
        status = (self.work / f"status.{run}").read_text().strip() if (self.work / f"status.{run}").exists() else ""
        return status, answers.read_text() if answers.exists() else ""

    def check_restored(self, run, status, *expected):
        before = (self.work / f"before.{run}").read_text().strip()
        after = (self.work / f"after.{run}").read_text().strip() if (self.work / f"after.{run}").exists() else ""
        answers = self.ended(run)[1]
        check(status in expected, f"run {run}: kvq play ended by {status or 'nothing'}, {' or '.join(expected)} expected")
        check(before == after and before != "", f"run {run}: the terminal's modes are as before ({after or 'none'})")
        check("?25;1$y" in answers, f"run {run}: the cursor shows again ({answers.strip()})")
        check("?1049;2$y" in answers, f"run {run}: the alternate screen is left")
        check(re.search(r"P1\$r0?m", answers) is not None, f"run {run}: colours are reset")
        check("non-blocking" not in answers, f"run {run}: the shell's standard input is left blocking")
        errors = (self.work / f"stderr.{run}").read_text() if (self.work / f"stderr.{run}").exists() else ""
        check("ERROR" not in errors and "runtime error" not in errors, f"run {run}: no sanitizer report ({errors.strip()})")

    def stop(self):
        if self.process.poll() is None:
            self.process.terminate()
            self.process.wait(timeout=20)


def main():
    case = sys.argv[1]
    work = Path(tempfile.mkdtemp(prefix="kvq-terminal-exits-"))
    xserver = Xvfb("1024x768")
    terminal = None
    try:
        make_frames(work / "frames.kvq", 12 if case == "end" else 24 * 120)
        make_font(work / "test")
        runs = 2 if case == "quit_keys" else 1
        terminal = Terminal(xserver.display, work, runs)
        if terminal.window is None:
            return
        if case == "quit_keys":
            for run, key in ((1, "q"), (2, "Escape")):
                terminal.started(run)
                if run == 1:
                    # Neither suspends nor quits: a stopped player would leave its raw screen to the shell.
                    terminal.key("ctrl+z")
                    terminal.key("ctrl+backslash")
                terminal.key(key)
                status, _ = terminal.ended(run)
                terminal.check_restored(run, status, "exit 0")
        elif case == "end":
            # Played to its end it pauses on the last frame, still reading keys, until the person quits.
            terminal.started(1)
            terminal.wait_for(lambda: 11 in terminal.presents(1), "the last frame shows")
            time.sleep(0.5)
            check(not (work / "status.1").exists(), "kvq play waits at the end")
            terminal.key("q")
            status, _ = terminal.ended(1)
            terminal.check_restored(1, status, "exit 0")
        elif case == "interrupt":
            terminal.started(1)
            terminal.key("ctrl+c")
            status, _ = terminal.ended(1)
            terminal.check_restored(1, status, "exit 130")
        elif case == "hang_up":
            # The first stop signal ends it in order, as Q does.
            os.kill(terminal.started(1), signal.SIGHUP)
            status, _ = terminal.ended(1)
            terminal.check_restored(1, status, "exit 129")
        elif case == "terminate":
            # One after another until it has gone: those after the first end the process there and then,
            # wherever it is in ending in order, and the terminal is still put back.
            pid = terminal.started(1)
            for _ in range(5000):
                if (work / "status.1").exists():
                    break
                try:
                    os.kill(pid, signal.SIGTERM)
                except ProcessLookupError:
                    break
                time.sleep(0.0002)
            status, _ = terminal.ended(1)
            terminal.check_restored(1, status, "exit 143", "signal 15")
        elif case == "crash":
            os.kill(terminal.started(1), signal.SIGSEGV)
            status, _ = terminal.ended(1)
            terminal.check_restored(1, status, "signal 11")
        elif case == "resize":
            pid = terminal.started(1)
            terminal.wait_for(lambda: terminal.shown(1) > 3, "the terminal takes its drawings")
            terminal.check_layout(100, 40)
            for columns, rows in ((60, 20), (140, 50)):
                shown = terminal.shown(1)
                subprocess.run(["xdotool", "windowsize", "--usehints", terminal.window, str(columns), str(rows)],
                               env=terminal.env, check=True, timeout=20)
                with open(f"/proc/{pid}/fd/0") as tty:
                    size = subprocess.run(["stty", "size"], stdin=tty, capture_output=True, text=True).stdout.split()
                check(size == [str(rows), str(columns)], f"the terminal is {columns}x{rows} ({size})")
                terminal.wait_for(lambda: terminal.shown(1) > shown + 5, f"it draws on at {columns}x{rows}")
                terminal.check_layout(columns, rows)
            terminal.key("q")
            status, _ = terminal.ended(1)
            terminal.check_restored(1, status, "exit 0")
        else:
            sys.exit(f"unknown case {case}")
    finally:
        if terminal:
            terminal.stop()
        xserver.stop()
        shutil.rmtree(work, ignore_errors=True)
    finish()


if __name__ == "__main__":
    main()
