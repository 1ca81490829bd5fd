#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""kvq play --terminal over a real ssh connection: Debian's sshd on the loopback, on a free port, with
a throwaway key. This script is the terminal at the far end: a pty of a chosen size in pixels that
answers what kvq asks (device attributes, "are you there" once all before it is read) as a sixel,
kitty or text-only terminal would. The demo plays to its end and the bytes that crossed are counted.

usage: terminal_ssh.py sixel|kitty|text|throttled|bench
"""
import fcntl
import getpass
import os
import pty
import re
import select
import shutil
import signal
import socket
import struct
import subprocess
import sys
import tempfile
import termios
import time
from pathlib import Path

KVQ = os.environ.get("KVQ", "build/kvq")
DEMO = os.environ.get("DEMO_DIR", "build/demo")
FRAMES = 960  # the demo's, at 24 a second: 40 s
SLOW_LINK = Path(__file__).resolve().parent.parent / "helpers" / "slow_link.py"

# What each kind of terminal answers to primary device attributes and to kitty's graphics query.
ATTRIBUTES = {"sixel": b"\x1b[?63;1;2;4;6;9;15;16;22;28c", "kitty": b"\x1b[?62;c", "text": b"\x1b[?62;c"}
KITTY_QUERY = re.compile(rb"\x1b_Gi=(\d+)[^\x1b]*a=q[^\x1b]*\x1b\\")


def fail(message):
    print("FAIL: " + message)
    sys.exit(1)


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


class Sshd:
    """sshd for one test, its keys and configuration in `folder`, stopped by pid."""

    def __init__(self, folder):
        self.folder = folder
        self.user = getpass.getuser()
        for key in ("hostkey", "client"):
            subprocess.run(["ssh-keygen", "-q", "-t", "ed25519", "-N", "", "-f", folder / key], check=True)
        shutil.copy(folder / "client.pub", folder / "authorized_keys")
        os.chmod(folder / "authorized_keys", 0o600)
        (folder / "sshd_config").write_text(
            f"ListenAddress 127.0.0.1\nHostKey {folder}/hostkey\nAuthorizedKeysFile {folder}/authorized_keys\n"
            "PidFile none\nStrictModes no\nUsePAM no\nPasswordAuthentication no\nKbdInteractiveAuthentication no\n"
            "PermitRootLogin prohibit-password\nAcceptEnv TERM COLORTERM\nLogLevel ERROR\n")
        if os.geteuid() == 0:
            os.makedirs("/run/sshd", mode=0o755, exist_ok=True)
        self.port = free_port()
        self.process = subprocess.Popen(["/usr/sbin/sshd", "-D", "-e", "-f", folder / "sshd_config", "-p",
                                         str(self.port)], stderr=open(folder / "sshd.log", "w"))
        for _ in range(100):
            try:
                socket.create_connection(("127.0.0.1", self.port), timeout=1).close()
                return
            except OSError:
                if self.process.poll() is not None:
                    fail("sshd did not start: " + (folder / "sshd.log").read_text())
                time.sleep(0.1)
        fail("sshd does not listen")

    def command(self, remote, throttle=None, compress=False, count_file=None):
        options = ["-p", str(self.port), "-i", str(self.folder / "client"), "-o", "BatchMode=yes",
                   "-o", "StrictHostKeyChecking=no", "-o", "UserKnownHostsFile=/dev/null", "-o", "LogLevel=ERROR",
                   "-o", "SendEnv=COLORTERM", "-tt"]
        if throttle is not None:
            options += ["-o", f"ProxyCommand={sys.executable} {SLOW_LINK} 127.0.0.1 {self.port} {throttle} "
                              f"{count_file or ''}"]
        if compress:
            options.append("-C")
        return ["ssh", *options, f"{self.user}@127.0.0.1", remote]

    def stop(self):
        self.process.terminate()
        self.process.wait()


class FarTerminal:
    """A pty the ssh client runs in, read as fast as it writes, answering as `kind` would."""

    def __init__(self, command, kind, columns=110, rows=40, cell=(8, 16)):
        self.kind = kind
        master, slave = os.openpty()
        fcntl.ioctl(master, termios.TIOCSWINSZ,
                    struct.pack("HHHH", rows, columns, columns * cell[0], rows * cell[1]))
        env = {**os.environ, "TERM": "xterm-256color", "COLORTERM": "truecolor"}
        self.process = subprocess.Popen(command, stdin=slave, stdout=slave, stderr=slave, env=env,
                                        start_new_session=True, preexec_fn=lambda: fcntl.ioctl(0, termios.TIOCSCTTY, 0))
        os.close(slave)
        self.master = master
        self.received = 0
        self.tail = b""
        self.answered = 0
        self.carried = None

    def pump(self, seconds):
        """Reads and answers for `seconds`; False once the far side has closed."""
        until = time.monotonic() + seconds
        while time.monotonic() < until:
            ready, _, _ = select.select([self.master], [], [], 0.05)
            if not ready:
                continue
            try:
                data = os.read(self.master, 65536)
            except OSError:
                return False
            if not data:
                return False
            self.received += len(data)
            seen = self.tail + data
            # Answers in the order asked, each only once all before it has been read.
            for match in re.finditer(rb"\x1b\[5n|\x1b\[c|\x1b_G[^\x1b]*\x1b\\", seen):
                if match.end() <= len(self.tail):
                    continue
                asked = match.group(0)
                if asked == b"\x1b[5n":
                    self.answered += 1
                    os.write(self.master, b"\x1b[0n")
                elif asked == b"\x1b[c":
                    os.write(self.master, ATTRIBUTES[self.kind])
                elif self.kind == "kitty" and KITTY_QUERY.match(asked):
                    os.write(self.master, b"\x1b_Gi=" + KITTY_QUERY.match(asked).group(1) + b";OK\x1b\\")
            self.tail = seen[-64:]
        return True

    def type(self, keys):
        os.write(self.master, keys)

    def wait(self, seconds):
        until = time.monotonic() + seconds
        while self.process.poll() is None and time.monotonic() < until:
            self.pump(0.1)
        if self.process.poll() is None:
            os.killpg(self.process.pid, signal.SIGKILL)
            fail("ssh did not end")
        return self.process.returncode


def trace_lines(path):
    lines = []
    for line in Path(path).read_text().splitlines():
        parts = line.split()
        if len(parts) >= 2:
            lines.append((float(parts[0]), parts[1], parts[2] if len(parts) > 2 else ""))
    return lines


def play(sshd, folder, protocol, throttle=None, compress=False):
    """Plays the demo over ssh to its end; returns the trace and the terminal."""
    trace = folder / f"trace-{protocol}-{throttle or 0}-{compress}"
    count_file = folder / "carried"
    kind = "text" if protocol == "text" else protocol
    remote = (f"KVQ_PLAY_TRACE={trace} {Path(KVQ).resolve()} play {Path(DEMO).resolve()} --terminal "
              f"--protocol {protocol} --no-audio")
    terminal = FarTerminal(sshd.command(remote, throttle, compress, count_file), kind)
    started = time.monotonic()
    last = f"present {FRAMES - 1}"
    while True:
        if not terminal.pump(0.2):
            fail(f"the link closed before the end:\n{trace.read_text() if trace.exists() else 'no trace'}")
        if trace.exists() and f"present {FRAMES - 1}\n" in trace.read_text():
            break
        if time.monotonic() - started > 120:
            fail("the demo did not reach its last frame in 120 s")
    # The last frame on the screen, then q.
    terminal.pump(3 if throttle else 0.5)
    terminal.type(b"q")
    status = terminal.wait(20)
    if status != 0:
        fail(f"kvq play over ssh ended with {status}")
    if count_file.exists():
        terminal.carried = int(count_file.read_text())
        count_file.unlink()
    return trace_lines(trace), terminal


def check_run(lines, terminal, protocol):
    presents = [(t, int(v)) for t, what, v in lines if what == "present"]
    sent = [(t, int(v)) for t, what, v in lines if what == "sent"]
    if not sent:
        fail("nothing was sent")
    start = next(t for t, what, _ in lines if what == "chosen")
    end = next(t for t, frame in presents if frame == FRAMES - 1)
    seconds = end - start
    rate = sum(b for _, b in sent) / (FRAMES / 24)
    print(f"{protocol}: {len(sent)} pictures sent for {FRAMES} frames in {seconds:.2f} s; "
          f"{rate / 1000:.1f} kB per second of animation; {terminal.received} bytes received")
    # The clock, not the link, says when the last frame is due.
    if abs(seconds - (FRAMES - 1) / 24) > 2:
        fail(f"the last frame came at {seconds:.2f} s, not at {(FRAMES - 1) / 24:.2f} s")
    return rate, sent


def in_flight_never_above_one(lines):
    flying = 0
    for _, what, _ in lines:
        if what == "sent":
            flying += 1
            if flying > 1:
                fail("a picture was sent before the terminal had answered for the one before")
        elif what == "shown":
            flying = max(0, flying - 1)


def main():
    case = sys.argv[1]
    with tempfile.TemporaryDirectory() as scratch:
        folder = Path(scratch)
        os.chmod(folder, 0o755)
        sshd = Sshd(folder)
        try:
            if case in ("sixel", "kitty", "text"):
                lines, terminal = play(sshd, folder, case)
                check_run(lines, terminal, case)
                in_flight_never_above_one(lines)
            elif case == "throttled":
                lines, terminal = play(sshd, folder, "sixel", throttle=20000)
                _, sent = check_run(lines, terminal, "sixel at 20 kB/s")
                in_flight_never_above_one(lines)
                # Each picture sent is the one the clock asked for when the link was free: what the
                # review presented last before it, never an older one waiting in a queue.
                presents = [(t, int(v)) for t, what, v in lines if what == "present"]
                shown = [t for t, what, _ in lines if what == "shown"]
                crossings = sorted(shown_at - sent_at for (sent_at, _), shown_at in zip(sent, shown))
                print(f"each picture on the screen {crossings[len(crossings) // 2]:.2f} s (median), at most "
                      f"{crossings[-1]:.2f} s after it was sent; {FRAMES / len(sent):.1f} frames a picture")
                if len(sent) > FRAMES // 4:
                    fail(f"{len(sent)} pictures crossed a 20 kB/s link: they cannot all have been drawn")
                start = next(t for t, what, _ in lines if what == "chosen")
                # The last frame reaches the screen a picture's crossing after it is due, not a queue's.
                last_present = next(t for t, f in presents if f == FRAMES - 1)
                if not any(last_present < at < last_present + 3 for at in shown):
                    fail("the last frame was not on the screen within 3 s of being due")
                for at in shown:
                    due = min(FRAMES - 1, int((at - start) * 24))
                    latest = max((f for t, f in presents if t <= at), default=0)
                    if latest < due - 1:
                        fail(f"at {at - start:.2f} s the review had presented frame {latest}, the clock's is {due}")
            elif case == "bench":
                # What kvq writes, then what crosses the network with ssh's compression on.
                for protocol in ("text", "sixel", "kitty"):
                    lines, terminal = play(sshd, folder, protocol)
                    rate, _ = check_run(lines, terminal, protocol)
                    print(f"terminal-{protocol}-bytes {rate / 1000:.1f} kB/s")
                for protocol in ("text", "sixel", "kitty"):
                    lines, terminal = play(sshd, folder, protocol, throttle=0, compress=True)
                    check_run(lines, terminal, protocol + " with ssh -C")
                    print(f"terminal-{protocol}-ssh-compressed {terminal.carried / (FRAMES / 24) / 1000:.1f} kB/s")
            else:
                sys.exit(__doc__)
        finally:
            sshd.stop()


if __name__ == "__main__":
    main()
