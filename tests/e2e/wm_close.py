#!/usr/bin/env python3
"""Asks a window to close as a window manager's close button does: sends it the
WM_DELETE_WINDOW message of the WM_PROTOCOLS protocol. The test X server has no window
manager, so this stands in for clicking the title bar's close box.

  wm_close.py WINDOW_ID     (decimal or 0x hex; the X server is taken from $DISPLAY)

Talks the X11 protocol directly over the server's local socket (no Xlib needed).
"""
import os
import socket
import struct
import sys


def recv_exact(sock, n):
    data = b""
    while len(data) < n:
        chunk = sock.recv(n - len(data))
        if not chunk:
            raise SystemExit("X server closed the connection")
        data += chunk
    return data


def connect():
    display = os.environ.get("DISPLAY", "")
    if not display.startswith(":"):
        raise SystemExit(f"only local displays are supported, not '{display}'")
    number = display[1:].split(".")[0]
    sock = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
    sock.connect(f"/tmp/.X11-unix/X{number}")
    # Little-endian, protocol 11.0, no authorisation.
    sock.sendall(struct.pack("<BxHHHHxx", 0x6C, 11, 0, 0, 0))
    head = recv_exact(sock, 8)
    extra = struct.unpack_from("<H", head, 6)[0] * 4
    body = recv_exact(sock, extra)
    if head[0] != 1:
        reason = body[:head[1]].decode(errors="replace")
        raise SystemExit(f"X server refused the connection: {reason}")
    return sock


def reply(sock):
    """The next reply, skipping events; an error reply ends the program."""
    while True:
        packet = recv_exact(sock, 32)
        if packet[0] == 0:
            raise SystemExit(f"X error {packet[1]}")
        if packet[0] == 1:
            extra = struct.unpack_from("<I", packet, 4)[0] * 4
            return packet + recv_exact(sock, extra)


def intern_atom(sock, name):
    raw = name.encode()
    pad = (4 - len(raw) % 4) % 4
    sock.sendall(struct.pack("<BBHHxx", 16, 0, 2 + (len(raw) + pad) // 4, len(raw)) + raw +
                 b"\0" * pad)
    return struct.unpack_from("<I", reply(sock), 8)[0]


def main():
    if len(sys.argv) != 2:
        raise SystemExit(__doc__)
    window = int(sys.argv[1], 0)
    sock = connect()
    protocols = intern_atom(sock, "WM_PROTOCOLS")
    delete = intern_atom(sock, "WM_DELETE_WINDOW")
    # ClientMessage (33), format 32: data holds the protocol atom and the time (CurrentTime).
    event = struct.pack("<BBHII5I", 33, 32, 0, window, protocols, delete, 0, 0, 0, 0)
    # SendEvent (25) with an empty event mask goes to the client that made the window.
    sock.sendall(struct.pack("<BBHII", 25, 0, 11, window, 0) + event)
    # GetInputFocus (43) as a round trip: once it answers, the event has been delivered.
    sock.sendall(struct.pack("<BxH", 43, 1))
    reply(sock)
    sock.close()


if __name__ == "__main__":
    main()
