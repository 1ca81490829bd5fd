#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Writes test content into a folder: a font whose glyphs are all distinct, and a frame file.

usage: make_content.py FOLDER FRAMES [identical|numbered]
"""
import random
import sys
from pathlib import Path

folder = Path(sys.argv[1])
count = int(sys.argv[2])
kind = sys.argv[3] if len(sys.argv) > 3 else "identical"

rng = random.Random(1234)
font = bytearray(8192)
for code in range(128):
    for row in range(16):
        font[code * 32 + row] = rng.randrange(256)
(folder / "test").write_bytes(bytes(font))

# The frame: every code appears, plain and inverse, in a fixed scrambled order.
frame = bytes(rng.randrange(256) for _ in range(2400))
frames = bytearray()
for index in range(count):
    if kind == "numbered":
        frames += bytes([index % 256]) * 2400
    else:
        frames += frame
(folder / "quorva2.kvq").write_bytes(bytes(frames))
