#!/usr/bin/env python3
"""A second unit for the key figures, apart from unitsim: a bare TCP server
(standard library socket and selectors only) that answers requests with
reply frames given on the command line and writes one JSON line per frame
received, stamped with time.monotonic_ns() (CLOCK_MONOTONIC, the clock the
benchmark reads before each injection).

  pyunit.py --ready FILE --log FILE --reply TYPE=HEX [--reply TYPE=HEX ...]

TYPE is the request type as 8 hex digits (05000000); HEX the whole reply
frame. The bound port goes to FILE as "tcp: 127.0.0.1:PORT". Frames are
FF FF, two type bytes, a 32-bit big-endian payload length, the payload.
"""
import argparse
import json
import selectors
import socket
import sys
import time


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--ready", required=True)
    parser.add_argument("--log", required=True)
    parser.add_argument("--reply", action="append", default=[])
    args = parser.parse_args()
    replies = {}
    for item in args.reply:
        kind, _, hexbytes = item.partition("=")
        replies[int(kind, 16)] = bytes.fromhex(hexbytes)

    log = open(args.log, "w", buffering=1)
    server = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    server.bind(("127.0.0.1", 0))
    server.listen(4)
    server.setblocking(False)
    selector = selectors.DefaultSelector()
    selector.register(server, selectors.EVENT_READ, None)
    with open(args.ready, "w") as ready:
        ready.write("tcp: 127.0.0.1:%d\n" % server.getsockname()[1])

    buffers = {}
    while True:
        for key, _ in selector.select():
            if key.data is None:
                conn, _ = server.accept()
                conn.setblocking(False)
                conn.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
                selector.register(conn, selectors.EVENT_READ, b"")
                buffers[conn] = b""
                continue
            conn = key.fileobj
            try:
                data = conn.recv(65536)
            except ConnectionError:
                data = b""
            now_us = time.monotonic_ns() // 1000
            if not data:
                selector.unregister(conn)
                buffers.pop(conn, None)
                conn.close()
                continue
            pending = buffers[conn] + data
            while len(pending) >= 8:
                if pending[0:2] != b"\xff\xff":
                    pending = pending[1:]  # not a frame start: look further
                    continue
                size = 8 + int.from_bytes(pending[4:8], "big")
                if len(pending) < size:
                    break
                kind = (pending[2] << 24) | (pending[3] << 16)
                pending = pending[size:]
                log.write(json.dumps({"t_us": now_us, "dir": "rx", "type": "0x%08x" % kind}) + "\n")
                reply = replies.get(kind)
                if reply:
                    conn.sendall(reply)
            buffers[conn] = pending


if __name__ == "__main__":
    sys.exit(main())
