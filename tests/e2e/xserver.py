# SPDX-License-Identifier: MIT
"""A private X server for the end-to-end tests."""
import os
import subprocess
import time


class Xvfb:
    """Xvfb on a display number of its own choosing, ready once it answers."""

    def __init__(self, size):
        read_end, write_end = os.pipe()
        self.process = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", f"{size}x24",
                                         "-nolisten", "tcp", "-noreset"], pass_fds=[write_end],
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        with os.fdopen(read_end) as numbers:
            self.display = ":" + numbers.readline().strip()
        for _ in range(100):
            if subprocess.run(["xdpyinfo"], env={**os.environ, "DISPLAY": self.display},
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode == 0:
                return
            time.sleep(0.1)
        raise SystemExit("Xvfb does not answer")

    def stop(self):
        self.process.terminate()
        self.process.wait()
