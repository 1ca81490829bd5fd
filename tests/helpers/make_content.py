#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""usage: make_content.py FOLDER FRAMES: writes a font of distinct glyphs, FRAMES copies of one frame, and
"expected.ppm", the frame drawn here from the file formats alone, so that a screenshot is checked
against something other than the player's own code."""
import random
import sys
from pathlib import Path

folder = Path(sys.argv[1])
count = int(sys.argv[2])

rng = random.Random(1234)
font = bytearray(8192)
for code in range(128):
    for row in range(16):
        font[code * 32 + row] = rng.randrange(256)
(folder / "test").write_bytes(bytes(font))

# The frame: every code appears, plain and inverse, in a fixed scrambled order.
frame = bytes(rng.randrange(256) for _ in range(2400))
frames = frame * count
(folder / "quorva2.kvq").write_bytes(frames)

INK = (0x17, 0x14, 0x10)
PAPER = (0xE8, 0xCC, 0xA0)
first = frames[:2400]
rows = bytearray()
for y in range(480):
    for x in range(640):
        code = first[(y // 16) * 80 + x // 8]
        bits = font[(code & 0x7F) * 32 + y % 16]
        if code >= 128:
            bits ^= 0xFF
        rows += bytes(INK if (bits >> (7 - x % 8)) & 1 else PAPER)
(folder / "expected.ppm").write_bytes(b"P6\n640 480\n255\n" + bytes(rows))
