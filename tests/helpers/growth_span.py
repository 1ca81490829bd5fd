#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""usage: growth_span.py FILE: watches FILE grow until SIGTERM, then prints the seconds from the
first write seen to the last: the real time that SDL's disk audio driver went on writing for. On
a busy machine the driver falls behind and writes less than that span; the span still says how
long the sound was playing."""
import os
import signal
import sys
import time

path = sys.argv[1]
first = last = None
size = 0
stopped = False


def stop(*_):
    global stopped
    stopped = True


signal.signal(signal.SIGTERM, stop)
# Watching from now on: the caller waits for this before it starts what writes the file.
print("watching", flush=True)
while not stopped:
    try:
        now_size = os.stat(path).st_size
    except FileNotFoundError:
        now_size = 0
    if now_size != size:
        last = time.monotonic()
        first = first or last
        size = now_size
    time.sleep(0.002)
print(f"{last - first:.3f}" if first else "0")
