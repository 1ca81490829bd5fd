#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""An ssh ProxyCommand that carries the server's bytes to the client at most RATE bytes a second:
a slow link on the loopback, without root. usage: slow_link.py HOST PORT RATE"""
import os
import select
import socket
import sys
import time

host, port, rate = sys.argv[1], int(sys.argv[2]), float(sys.argv[3])
link = socket.create_connection((host, port))
# A small receive buffer, so that the server soon feels the link's speed rather than a hidden queue.
link.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 16384)
burst = rate / 20
tokens, last, pending, server_open, client_open = burst, time.monotonic(), b"", True, True
while server_open or pending:
    now = time.monotonic()
    tokens, last = min(burst, tokens + (now - last) * rate), now
    readers = ([0] if client_open else []) + ([link] if server_open and len(pending) < 4096 else [])
    ready, _, _ = select.select(readers, [], [], 0.01)
    if 0 in ready:
        data = os.read(0, 65536)
        if data:
            link.sendall(data)
        else:
            client_open = False
            link.shutdown(socket.SHUT_WR)
    if link in ready:
        data = link.recv(4096)
        server_open = bool(data)
        pending += data
    if pending and tokens >= 1:
        count = min(len(pending), int(tokens))
        os.write(1, pending[:count])
        pending, tokens = pending[count:], tokens - count
