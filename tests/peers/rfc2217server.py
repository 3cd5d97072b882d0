#!/usr/bin/python3
# pyserial's RFC 2217 server (serial.rfc2217.PortManager, Debian's python3-serial) serving a
# pseudo-terminal, whose far end stands for a projector that listens at 9600 baud only: it
# answers "CR0" CR with "80" CR (stand by) when the terminal's termios said 9600 for each byte of
# the line as it came, and stays silent otherwise. One client after another, each starting with
# the line at BAUD, until killed; the first line printed is the TCP port on 127.0.0.1.
#
# Usage: rfc2217server.py BAUD
import os
import select
import socket
import sys
import termios
import types

import serial
import serial.rfc2217


class Terminal(serial.Serial):
    # A pseudo-terminal has no modem lines.
    cts = dsr = ri = cd = False

    def _update_dtr_state(self):
        pass

    def _update_rts_state(self):
        pass


master, slave = os.openpty()
port = Terminal(os.ttyname(slave), baudrate=int(sys.argv[1]))
listener = socket.create_server(("127.0.0.1", 0))
print(listener.getsockname()[1], flush=True)


def far_end_takes(byte, line):
    """Puts one byte on the line and has the far end read it, while the speed is still the one
    it came at; returns the line so far, None once a byte came at another speed."""
    port.write(byte)
    select.select([master], [], [], 1)
    os.read(master, 1)
    if termios.tcgetattr(master)[5] != termios.B9600:
        line = None
    if byte != b"\r":
        return None if line is None else line + byte
    if line == b"CR0":
        os.write(master, b"80\r")
    return b""


while True:
    client, _ = listener.accept()
    port.baudrate = int(sys.argv[1])
    manager = serial.rfc2217.PortManager(port, types.SimpleNamespace(write=client.sendall))
    line = b""
    while True:
        ready = select.select([client, port.fd], [], [])[0]
        if port.fd in ready:
            client.sendall(b"".join(manager.escape(port.read(port.in_waiting))))
        if client in ready:
            data = client.recv(4096)
            if not data:
                break
            for byte in manager.filter(data):  # the line settings take effect in between
                line = far_end_takes(byte, line)
    client.close()
