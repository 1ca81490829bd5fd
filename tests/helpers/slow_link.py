#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""An ssh ProxyCommand that carries the server's bytes to the client at most RATE bytes a second:
a slow link on the loopback, without root; RATE 0 is as fast as the loopback. With COUNT_FILE, the
bytes carried to the client are written there at the end. usage: slow_link.py HOST PORT RATE [COUNT_FILE]"""
import os
import select
import signal
import socket
import sys
import time

host, port, rate = sys.argv[1], int(sys.argv[2]), float(sys.argv[3])
count_file = sys.argv[4] if len(sys.argv) > 4 else None
carried = 0
link = socket.create_connection((host, port))
# A small receive buffer, so that the server soon feels the link's speed rather than a hidden queue.
link.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 16384)


def write_count(*_):
    if count_file:
        with open(count_file, "w") as out:
            out.write(str(carried))
    os._exit(0)


# ssh ends its ProxyCommand with a signal when the session is over.
for number in (signal.SIGTERM, signal.SIGHUP, signal.SIGINT):
    signal.signal(number, write_count)
rate = rate or 1e12
burst = max(65536, rate / 20) if rate >= 1e12 else rate / 20
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
        carried += count
        pending, tokens = pending[count:], tokens - count
write_count()
