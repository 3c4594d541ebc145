#!/usr/bin/env python3
"""Times the start of one program on the X server in $DISPLAY, from outside it.

  startup_probe.py WINDOWS SETTLE_MS COMMAND...

Before the program starts, the probe asks the X server (over its local socket, in the
X11 protocol, no Xlib) for the notices of top-level windows being mapped, and for the
DAMAGE extension's notices of anything drawn on the screen. It then starts COMMAND and
prints one line of figures, all in milliseconds from the moment before the start:

  map=T        the first top-level window was mapped
  cpu=T        processor time the program (all its threads) had used by then
  drawn=T      the first drawing on the screen after that map (the first frame)
  ready=T      the WINDOWS-th top-level window was mapped (for the game: its chooser)
  rss_kb=N     VmRSS of the program SETTLE_MS after that
  switches=... with IDLE_SECONDS set in the environment: context switches of each of the
               program's threads over that many seconds after the settle time, as
               NAME:COUNT (voluntary and involuntary together)

The program is then ended with SIGTERM. The server must have no other clients drawing.
"""
import os
import select
import signal
import struct
import subprocess
import sys
import time


sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
from xclient import Connection  # noqa: E402


class X(Connection):
    def __init__(self):
        super().__init__()
        body = self.setup
        self.id_base, self.id_mask = struct.unpack_from("<II", body, 4)
        vendor_len, = struct.unpack_from("<H", body, 16)
        formats = body[21]
        screens = 32 + vendor_len + (4 - vendor_len % 4) % 4 + 8 * formats
        self.root, = struct.unpack_from("<I", body, screens)
        self.next_id = 0

    def new_id(self):
        self.next_id += 1
        return self.id_base | (self.next_id & self.id_mask)

    def query_extension(self, name):
        raw = name.encode()
        pad = (4 - len(raw) % 4) % 4
        self.sock.sendall(struct.pack("<BxHHxx", 98, 2 + (len(raw) + pad) // 4, len(raw)) +
                          raw + b"\0" * pad)
        r = self.reply()
        return r[8], r[9], r[10]  # present, major opcode, first event


def cpu_ms(pid):
    """Processor time of all threads of `pid` so far, from the scheduler's own count."""
    total = 0
    for tid in os.listdir(f"/proc/{pid}/task"):
        try:
            with open(f"/proc/{pid}/task/{tid}/schedstat") as f:
                total += int(f.read().split()[0])
        except OSError:
            pass
    return total / 1e6


def main():
    if len(sys.argv) < 4:
        raise SystemExit(__doc__)
    windows, settle = int(sys.argv[1]), int(sys.argv[2]) / 1000.0
    command = sys.argv[3:]
    idle = float(os.environ.get("IDLE_SECONDS", "0"))

    x = X()
    # SubstructureNotify on the root window: map notices of every top-level window.
    x.sock.sendall(struct.pack("<BxHII I", 2, 4, x.root, 0x800, 0x80000))
    present, damage, damage_event = x.query_extension("DAMAGE")
    if not present:
        raise SystemExit("the X server has no DAMAGE extension")
    x.sock.sendall(struct.pack("<BBHII", damage, 0, 3, 1, 1))  # QueryVersion 1.1
    x.reply()
    region = x.new_id()
    # A damage object on the root window, level NonEmpty: one notice whenever the damaged
    # area turns from empty to non-empty; Subtract empties it again.
    x.sock.sendall(struct.pack("<BBHIIBxxx", damage, 1, 4, region, x.root, 3))
    x.sock.sendall(struct.pack("<BBHIII", damage, 3, 4, region, 0, 0))
    x.sock.sendall(struct.pack("<BxH", 43, 1))  # GetInputFocus: a round trip
    x.reply()
    x.events.clear()

    start = time.monotonic()
    proc = subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL)
    mapped = drawn = ready = cpu = None
    maps = 0
    deadline = start + 30
    try:
        while ready is None or drawn is None:
            while not x.events:
                left = deadline - time.monotonic()
                if left <= 0 or proc.poll() is not None:
                    raise SystemExit(f"no window after {time.monotonic() - start:.1f} s "
                                     f"(exit status {proc.poll()})")
                if select.select([x.sock], [], [], min(left, 0.5))[0]:
                    x.events.append((time.monotonic(), x.packet()))
            when, p = x.events.pop(0)
            code = p[0] & 0x7F
            if code == 19 and not p[12]:  # MapNotify, not override-redirect
                maps += 1
                if mapped is None:
                    mapped = when
                    cpu = cpu_ms(proc.pid)
                if maps == windows:
                    ready = when
            elif code == damage_event:
                if mapped is not None and drawn is None:
                    drawn = when
                x.sock.sendall(struct.pack("<BBHIII", damage, 3, 4, region, 0, 0))
        time.sleep(settle)
        rss = 0
        with open(f"/proc/{proc.pid}/status") as f:
            for line in f:
                if line.startswith("VmRSS:"):
                    rss = int(line.split()[1])
        figures = (f"map={1000 * (mapped - start):.1f} cpu={cpu:.1f} "
                   f"drawn={1000 * (drawn - start):.1f} "
                   f"ready={1000 * (ready - start):.1f} rss_kb={rss}")
        if idle > 0:
            def switches():
                out = {}
                for tid in os.listdir(f"/proc/{proc.pid}/task"):
                    try:
                        with open(f"/proc/{proc.pid}/task/{tid}/comm") as f:
                            name = f.read().strip().replace(" ", "_")
                        count = 0
                        with open(f"/proc/{proc.pid}/task/{tid}/status") as f:
                            for line in f:
                                if "ctxt_switches:" in line:
                                    count += int(line.split()[1])
                        out[tid] = (name, count)
                    except OSError:
                        pass
                return out
            before = switches()
            time.sleep(idle)
            after = switches()
            parts = []
            for tid, (name, count) in sorted(after.items(), key=lambda kv: int(kv[0])):
                parts.append(f"{name}:{count - before.get(tid, (name, 0))[1]}")
            figures += " switches=" + ",".join(parts)
        print(figures, flush=True)
    finally:
        if proc.poll() is None:
            proc.send_signal(signal.SIGTERM)
            try:
                proc.wait(5)
            except subprocess.TimeoutExpired:
                proc.kill()
                proc.wait()


if __name__ == "__main__":
    main()
