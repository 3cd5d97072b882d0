#!/usr/bin/env python3
# A scripted telnet server for what real servers do but not on demand, with a projector behind
# it that answers "CR0" CR with "80" CR. One client after another; the first line printed is the
# TCP port on 127.0.0.1, then "data HEX" for each piece of data as it came on the wire, in order.
#
# Usage: telnetpeer.py MODE, one of
#   busybox    busybox telnetd: offers its own options and answers none of the client's, so no
#              COM-PORT-OPTION and no BINARY (a bare CR comes as CR NUL both ways)
#   inetutils  inetutils telnetd: refuses BINARY both ways and COM-PORT-OPTION
#   suspend    an RFC 2217 server whose far port is full: agrees to everything, confirms the
#              line settings, then says FLOWCONTROL-SUSPEND until a line "resume" comes on
#              standard input ("resumed"), then FLOWCONTROL-RESUME
#   flood      a faulty server that offers an option without end and never reads
import os
import select
import socket
import sys

IAC, DONT, DO, WONT, WILL, SB, SE = 255, 254, 253, 252, 251, 250, 240
BINARY, ECHO, SGA, COM_PORT = 0, 1, 3, 44
mode = sys.argv[1]
listener = socket.create_server(("127.0.0.1", 0))
if mode == "flood":
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4096)
print(listener.getsockname()[1], flush=True)


def say(*parts):
    client.sendall(bytes(parts))


def negotiate(verb, option):
    if mode == "inetutils" and verb in (WILL, DO):
        say(IAC, DONT if verb == WILL else WONT, option)
    elif mode == "suspend" and verb in (WILL, DO):
        say(IAC, DO if verb == WILL else WILL, option)


def subnegotiate(body):
    if mode == "suspend" and body[:1] == bytes([COM_PORT]):
        answer = bytes([IAC, SB, COM_PORT, body[1] + 100]) + body[2:] + bytes([IAC, SE])
        if body[1] == 5:  # the last of the line settings: the suspension comes with its answer
            answer += bytes([IAC, SB, COM_PORT, 108, IAC, SE])
        client.sendall(answer)


def serve():
    while mode == "flood":
        client.sendall(bytes([IAC, WILL, ECHO]) * 4096)
    if mode == "busybox":
        say(IAC, WILL, ECHO, IAC, WILL, SGA, IAC, DO, ECHO)
    state, verb, body, line = "data", 0, b"", b""
    sources = [client, sys.stdin] if mode == "suspend" else [client]
    while True:
        ready = select.select(sources, [], [])[0]
        if client in ready:
            wire = client.recv(4096)
            if not wire:
                break
            data = b""
            for byte in wire:
                if state == "data" and byte == IAC:
                    state = "command"
                elif state == "data":
                    data += bytes([byte])
                elif state == "command":
                    state, verb, body = ("sb" if byte == SB else "option" if byte >= WILL
                                         else "data"), byte, b""
                    data += b"\xff" if byte == IAC else b""
                elif state == "option":
                    negotiate(verb, byte)
                    state = "data"
                elif state == "sb":
                    state = "sb-iac" if byte == IAC else "sb"
                    body += b"" if byte == IAC else bytes([byte])
                elif state == "sb-iac":
                    state = "data" if byte == SE else "sb"
                    subnegotiate(body) if byte == SE else None
            if data:
                print("data", data.hex(), flush=True)
            line += data
            if b"CR0\r" in line:
                line = b""
                client.sendall(b"80\r" if mode == "suspend" else b"80\r\0")
        if sys.stdin in ready and sys.stdin.readline().strip() == "resume":
            print("resumed", flush=True)
            say(IAC, SB, COM_PORT, 109, IAC, SE)


while True:
    client = listener.accept()[0]
    try:
        serve()
    except OSError:
        pass  # the client has gone
    client.close()
