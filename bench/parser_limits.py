#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Every fuzzed parser on large hostile inputs, in the Release build with the real limits: the
seconds each megabyte of input takes and the peak memory of the process, against the bounds listed
with the targets (tests/fuzz/CMakeLists.txt). Time is processor time. The inputs are each target's seeds and what fuzzing
campaigns found, each stretched to 1 MB four ways: padded with random bytes, repeated, its header
followed by random bytes, and 1 MB drawn from its own bytes (escape-heavy where the seed is).
usage: bench/parser_limits.py BUILD_DIR (a build with the fuzz targets' replays)"""
import os
import random
import subprocess
import sys
import tempfile
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
MEGABYTE = 1 << 20


def stretched(seed, rng):
    """Four 1 MB inputs from one seed."""
    body = seed or b"\0"
    yield seed + rng.randbytes(MEGABYTE - len(seed)) if len(seed) < MEGABYTE else seed
    yield (body * (MEGABYTE // len(body) + 1))[:MEGABYTE]
    yield seed[:64] + rng.randbytes(MEGABYTE - min(64, len(seed)))
    yield seed[:16] + bytes(rng.choices(body, k=MEGABYTE - min(16, len(seed))))


def run_once(binary, path):
    """Processor seconds (not wall time, so that a busy machine does not count) and peak resident MB
    of one replay, started from a small process so that none of this script's memory is counted."""
    out = subprocess.run(["/usr/bin/time", "-f", "%U %S %M", binary, path], stdout=subprocess.DEVNULL,
                         stderr=subprocess.PIPE, text=True)
    user, system, peak_kb = out.stderr.strip().splitlines()[-1].split()
    return float(user) + float(system), int(peak_kb) / 1024, out.returncode


def parser_goals(build_dir, report_line=print):
    """One row a target; returns whether every target kept within its bounds."""
    build_dir = Path(build_dir)
    rng = random.Random(1)
    held = True
    report_line(f"{'parser target':24} {'inputs':>6} {'worst s/MB':>10} {'peak MB':>8} {'bound MB':>8}")
    for line in (build_dir / "fuzz" / "targets.txt").read_text().splitlines():
        name, memory_mb, _ = line.split()
        binary = build_dir / "fuzz" / f"fuzz_{name}"
        folders = [ROOT / "tests" / "fuzz" / "corpus" / name, ROOT / "tests" / "fuzz" / "regressions" / name,
                   ROOT / "build-fuzz" / "corpus" / name]
        files = [f for folder in folders if folder.is_dir() for f in folder.iterdir() if f.is_file()]
        seeds = sorted((f.read_bytes() for f in files), key=len, reverse=True)[:8]
        worst_seconds_per_mb, peak_mb, count = 0.0, 0.0, 0
        with tempfile.TemporaryDirectory() as scratch:
            # What the campaigns found, all in one process: its peak is the largest of any one input.
            if files:
                _, peak, status = run_once(binary, str(folders[0]) if len(folders) else "")
                peak_mb = max(peak_mb, peak)
                for folder in folders[1:]:
                    if folder.is_dir():
                        _, peak, _ = run_once(binary, str(folder))
                        peak_mb = max(peak_mb, peak)
            for seed in seeds:
                for big in stretched(seed, rng):
                    path = Path(scratch) / "input"
                    path.write_bytes(big)
                    seconds, peak, status = run_once(binary, str(path))
                    if status != 0:
                        report_line(f"  {name}: the replay failed on a stretched input (status {status})")
                        held = False
                    worst_seconds_per_mb = max(worst_seconds_per_mb, seconds * MEGABYTE / len(big))
                    peak_mb = max(peak_mb, peak)
                    count += 1
        ok = worst_seconds_per_mb <= 1.0 and peak_mb <= int(memory_mb)
        held = held and ok
        report_line(f"{name:24} {count:>6} {worst_seconds_per_mb:>10.3f} {peak_mb:>8.1f} {memory_mb:>8}"
                    f"{'' if ok else '  NOT MET'}")
    return held


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__.split("usage: ")[1])
    sys.exit(0 if parser_goals(sys.argv[1]) else 1)
