#!/usr/bin/env python3
"""Runs a command with a COM port of Wine whose other end echoes every byte back.

Usage: com-loopback.py WINEPREFIX PORT COMMAND...

A pseudo-terminal stands in for the serial line: its far end is linked as PORT (such as COM42)
into the prefix's dosdevices, and this script echoes what arrives at its near end. The command
finds the port's name in ZR48_LOOPBACK_PORT; its exit code is this script's.
"""
import os
import pty
import select
import subprocess
import sys
import threading
import tty


def main():
    prefix, port, command = sys.argv[1], sys.argv[2], sys.argv[3:]
    near, far = pty.openpty()
    tty.setraw(far)  # no echo or line editing of its own: only the bytes sent come back
    link = os.path.join(prefix, "dosdevices", port.lower())
    if os.path.lexists(link):
        os.remove(link)
    os.symlink(os.ttyname(far), link)
    stop = threading.Event()

    def echo():
        while not stop.is_set():
            ready, _, _ = select.select([near], [], [], 0.05)
            if ready:
                try:
                    data = os.read(near, 4096)
                except OSError:
                    return
                os.write(near, data)

    thread = threading.Thread(target=echo, daemon=True)
    thread.start()
    try:
        result = subprocess.run(command, env=dict(os.environ, ZR48_LOOPBACK_PORT=port))
    finally:
        stop.set()
        thread.join()
        os.remove(link)
    return result.returncode


if __name__ == "__main__":
    sys.exit(main())
