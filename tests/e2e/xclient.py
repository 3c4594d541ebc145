#!/usr/bin/env python3
"""A small X client for the end-to-end tests, talking the X11 protocol directly over the
server's local socket (no Xlib needed). The X server is taken from $DISPLAY.

  xclient.py close WINDOW   sends WINDOW (decimal or 0x hex) the WM_DELETE_WINDOW message
                            of the WM_PROTOCOLS protocol, as a window manager's close box
                            does; the test X server has no window manager
"""
import os
import socket
import struct
import sys
import time


class Connection:
    def __init__(self):
        display = os.environ.get("DISPLAY", "")
        if not display.startswith(":"):
            raise SystemExit(f"only local displays are supported, not '{display}'")
        number = display[1:].split(".")[0]
        self.sock = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        self.sock.settimeout(10)
        self.sock.connect(f"/tmp/.X11-unix/X{number}")
        # Little-endian, protocol 11.0, no authorisation.
        self.sock.sendall(struct.pack("<BxHHHHxx", 0x6C, 11, 0, 0, 0))
        head = self.recv(8)
        body = self.recv(struct.unpack_from("<H", head, 6)[0] * 4)
        if head[0] != 1:
            reason = body[:head[1]].decode(errors="replace")
            raise SystemExit(f"X server refused the connection: {reason}")
        self.setup = body  # the server's connection set-up: resource ids, screens
        self.events = []  # (time.monotonic(), packet) of events met while awaiting replies

    def recv(self, n):
        data = b""
        while len(data) < n:
            chunk = self.sock.recv(n - len(data))
            if not chunk:
                raise SystemExit("X server closed the connection")
            data += chunk
        return data

    def packet(self):
        packet = self.recv(32)
        if packet[0] == 0:
            raise SystemExit(f"X error {packet[1]} (request {packet[10]})")
        if packet[0] == 1:
            packet += self.recv(struct.unpack_from("<I", packet, 4)[0] * 4)
        return packet

    def reply(self):
        """The next reply; events met on the way are kept in `events`."""
        while True:
            packet = self.packet()
            if packet[0] == 1:
                return packet
            self.events.append((time.monotonic(), packet))

    def intern_atom(self, name):
        raw = name.encode()
        pad = (4 - len(raw) % 4) % 4
        self.sock.sendall(struct.pack("<BBHHxx", 16, 0, 2 + (len(raw) + pad) // 4, len(raw)) +
                          raw + b"\0" * pad)
        return struct.unpack_from("<I", self.reply(), 8)[0]

    def sync(self):
        # GetInputFocus (43) as a round trip: once it answers, earlier requests are done.
        self.sock.sendall(struct.pack("<BxH", 43, 1))
        self.reply()


def close(window):
    x = Connection()
    protocols = x.intern_atom("WM_PROTOCOLS")
    delete = x.intern_atom("WM_DELETE_WINDOW")
    # ClientMessage (33), format 32: data holds the protocol atom and the time (CurrentTime).
    event = struct.pack("<BBHII5I", 33, 32, 0, window, protocols, delete, 0, 0, 0, 0)
    # SendEvent (25) with an empty event mask goes to the client that made the window.
    x.sock.sendall(struct.pack("<BBHII", 25, 0, 11, window, 0) + event)
    x.sync()


def main():
    if len(sys.argv) == 3 and sys.argv[1] == "close":
        close(int(sys.argv[2], 0))
    else:
        raise SystemExit(__doc__)


if __name__ == "__main__":
    main()
