#!/usr/bin/env python3
"""Pings an X window the way a window manager checks that a program still
answers (_NET_WM_PING): the program sends the message back to the root window
once it has read every event the X server gave it before. Uses only the
standard library and the system's libX11, so no window manager has to run.
Usage: wm_ping.py <window id> [seconds to wait, default 10]
Exits 0 on the answer, 1 when none came in time."""
import ctypes
import ctypes.util
import os
import select
import sys
import time

CLIENT_MESSAGE = 33
STRUCTURE_NOTIFY = 1 << 17
SUBSTRUCTURE_NOTIFY = 1 << 19


class ClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong),
                ("send_event", ctypes.c_int), ("display", ctypes.c_void_p),
                ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                ("format", ctypes.c_int), ("data", ctypes.c_long * 5)]


class XEvent(ctypes.Union):
    _fields_ = [("type", ctypes.c_int), ("xclient", ClientMessage),
                ("pad", ctypes.c_long * 24)]


def load_x11():
    x11 = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XDefaultRootWindow.restype = ctypes.c_ulong
    x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
    x11.XInternAtom.restype = ctypes.c_ulong
    x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x11.XSelectInput.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_long]
    x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                               ctypes.POINTER(XEvent)]
    x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
    x11.XPending.argtypes = [ctypes.c_void_p]
    x11.XNextEvent.argtypes = [ctypes.c_void_p, ctypes.POINTER(XEvent)]
    x11.XConnectionNumber.argtypes = [ctypes.c_void_p]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
    return x11


def is_answer(event, protocols, ping, stamp, window):
    m = event.xclient
    return (event.type == CLIENT_MESSAGE and m.message_type == protocols
            and m.data[0] == ping and m.data[1] == stamp and m.data[2] == window)


def ping(window, seconds):
    """True once the window's program has answered, False when time ran out."""
    x11 = load_x11()
    display = x11.XOpenDisplay(None)
    if not display:
        sys.exit("cannot open the X display")
    root = x11.XDefaultRootWindow(display)
    protocols = x11.XInternAtom(display, b"WM_PROTOCOLS", 0)
    ping_atom = x11.XInternAtom(display, b"_NET_WM_PING", 0)
    # The answer goes to whoever listens on the root window (Qt sends it for
    # structure, other toolkits for substructure events); listen before asking.
    x11.XSelectInput(display, root, STRUCTURE_NOTIFY | SUBSTRUCTURE_NOTIFY)
    x11.XSync(display, 0)
    stamp = int.from_bytes(os.urandom(3), "little") + 1  # tells our answer from others
    event = XEvent()
    event.xclient.type = CLIENT_MESSAGE
    event.xclient.window = window
    event.xclient.message_type = protocols
    event.xclient.format = 32
    event.xclient.data[0] = ping_atom
    event.xclient.data[1] = stamp
    event.xclient.data[2] = window
    if not x11.XSendEvent(display, window, 0, 0, ctypes.byref(event)):
        sys.exit("XSendEvent failed")
    x11.XSync(display, 0)
    end = time.monotonic() + seconds
    fd = x11.XConnectionNumber(display)
    answered = False
    while not answered and time.monotonic() < end:
        if not x11.XPending(display):
            select.select([fd], [], [], max(0.0, end - time.monotonic()))
            continue
        x11.XNextEvent(display, ctypes.byref(event))
        answered = is_answer(event, protocols, ping_atom, stamp, window)
    x11.XCloseDisplay(display)
    return answered


def main():
    window = int(sys.argv[1], 0)
    seconds = float(sys.argv[2]) if len(sys.argv) > 2 else 10.0
    sys.exit(0 if ping(window, seconds) else 1)


if __name__ == "__main__":
    main()
