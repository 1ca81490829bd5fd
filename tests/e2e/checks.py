# SPDX-License-Identifier: MIT
"""Checks that say what they found and fail the test at its end, not at the first: one run shows
every fault there is."""
import sys

failures = []


def check(condition, message):
    print(("ok: " if condition else "FAIL: ") + message, flush=True)
    if not condition:
        failures.append(message)


def finish():
    """Ends the test: status 1 with the count when a check failed."""
    if failures:
        sys.exit(f"{len(failures)} check(s) failed")
    print("all checks passed")
