#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Runs a program and says how it ended: "exited N" or "killed by signal N".

A shell reports 143 both for a program that exited with 143 and for one killed by SIGTERM; this
tells them apart. usage: exit_or_signal.py PROGRAM [ARGUMENTS...]
"""
import signal
import subprocess
import sys

# The launcher itself must outlive the signals meant for the program.
signal.signal(signal.SIGINT, signal.SIG_IGN)
signal.signal(signal.SIGTERM, signal.SIG_IGN)
status = subprocess.call(sys.argv[1:], restore_signals=True,
                         preexec_fn=lambda: (signal.signal(signal.SIGINT, signal.SIG_DFL),
                                             signal.signal(signal.SIGTERM, signal.SIG_DFL)))
print(f"killed by signal {-status}" if status < 0 else f"exited {status}")
