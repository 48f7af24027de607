#!/usr/bin/env python3
"""Slow clients for the load run: opens N connections to 127.0.0.1:PORT and
sends each one's request header one byte per second, never finishing it.

Prints "ready" once every connection is open and has sent its first byte, so
the caller measures only while all of them are there. Stops by itself after
--seconds, or earlier on SIGTERM/SIGINT, and then prints
"open K of N": how many connections the server still held. A server that
drops a slow client before its header time limit shows fewer than N.
"""
import argparse
import signal
import socket
import sys
import time

parser = argparse.ArgumentParser()
parser.add_argument("--port", type=int, required=True)
parser.add_argument("--connections", type=int, default=32)
parser.add_argument("--seconds", type=float, default=30)
args = parser.parse_args()
if not 0 < args.seconds <= 60:
    sys.exit("slow_clients: --seconds must be more than 0 and at most 60")

HEADER = b"GET /getSQL?validator=PING HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n"
stop = False


def on_signal(signum, frame):
    global stop
    stop = True


signal.signal(signal.SIGTERM, on_signal)
signal.signal(signal.SIGINT, on_signal)

deadline = time.monotonic() + args.seconds
conns = []  # [socket or None, bytes sent]
for _ in range(args.connections):
    s = socket.create_connection(("127.0.0.1", args.port), timeout=5)
    s.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
    conns.append([s, 0])


def still_open(s):
    """True while the server has not closed the connection."""
    try:
        s.setblocking(False)
        return s.recv(1, socket.MSG_PEEK) != b""
    except BlockingIOError:
        return True
    except OSError:
        return False
    finally:
        s.setblocking(True)


def trickle():
    for entry in conns:
        s, sent = entry
        # The last byte is never sent: the client stays slow to the end.
        if s is None or sent >= len(HEADER) - 1:
            continue
        try:
            s.send(HEADER[sent:sent + 1])
            entry[1] = sent + 1
        except OSError:
            entry[0] = None


trickle()
print("ready", flush=True)
while not stop and time.monotonic() < deadline:
    time.sleep(min(1.0, max(0.0, deadline - time.monotonic())))
    if not stop:
        trickle()

held = sum(1 for s, _ in conns if s is not None and still_open(s))
print("open %d of %d" % (held, len(conns)), flush=True)
for s, _ in conns:
    if s is not None:
        s.close()
