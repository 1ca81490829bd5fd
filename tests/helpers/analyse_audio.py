#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Measures raw 16-bit stereo 44.1 kHz output from SDL's disk audio driver, left channel only.

usage: analyse_audio.py FILE
prints: seconds=<length> onset=<seconds to the first sample above -40 dBFS or none>
        frequency=<Hz from zero crossings over the loud part> rms=<RMS of the loud part, 0..1>
        tail_rms=<RMS of what follows the loud part>
"""
import array
import math
import sys

RATE = 44100
THRESHOLD = int(32768 * 0.01)

samples = array.array("h")
with open(sys.argv[1], "rb") as raw:
    samples.frombytes(raw.read())
if sys.byteorder != "little":
    samples.byteswap()
left = samples[0::2]
seconds = len(left) / RATE

loud = [i for i in range(0, len(left), 64) if abs(left[i]) > THRESHOLD]
if not loud:
    print(f"seconds={seconds:.3f} onset=none frequency=0 rms=0 tail_rms=0")
    sys.exit(0)

first = next(i for i in range(max(0, loud[0] - 64), len(left)) if abs(left[i]) > THRESHOLD)
last = loud[-1]
body = left[first:last]
crossings = sum(1 for a, b in zip(body, body[1:]) if (a < 0) != (b < 0))
frequency = crossings / 2 / (len(body) / RATE) if body else 0
rms = math.sqrt(sum(s * s for s in body) / max(1, len(body))) / 32768
tail = left[last + 64:]
tail_rms = math.sqrt(sum(s * s for s in tail) / max(1, len(tail))) / 32768
print(f"seconds={seconds:.3f} onset={first / RATE:.4f} loud_until={last / RATE:.3f} "
      f"frequency={frequency:.1f} rms={rms:.4f} tail_rms={tail_rms:.5f}")
