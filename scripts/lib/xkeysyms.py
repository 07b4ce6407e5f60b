#!/usr/bin/env python3
"""Binds keysyms (by name, e.g. eacute) that the X server's keymap lacks to
keycodes that have none, so that xdotool finds them there. Otherwise xdotool
binds such a keysym for the one key stroke and unbinds it right after; a
program that reads the key after the unbinding sees no letter.
Uses only the standard library and the system's libX11.
Usage: xkeysyms.py <keysym name>..."""
import ctypes
import ctypes.util
import sys


def load_x11():
    x11 = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XDisplayKeycodes.argtypes = [ctypes.c_void_p, ctypes.POINTER(ctypes.c_int),
                                     ctypes.POINTER(ctypes.c_int)]
    x11.XGetKeyboardMapping.restype = ctypes.POINTER(ctypes.c_ulong)
    x11.XGetKeyboardMapping.argtypes = [ctypes.c_void_p, ctypes.c_ubyte, ctypes.c_int,
                                        ctypes.POINTER(ctypes.c_int)]
    x11.XStringToKeysym.restype = ctypes.c_ulong
    x11.XStringToKeysym.argtypes = [ctypes.c_char_p]
    x11.XChangeKeyboardMapping.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int,
                                           ctypes.POINTER(ctypes.c_ulong), ctypes.c_int]
    x11.XFree.argtypes = [ctypes.c_void_p]
    x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
    return x11


def keymap(x11, display):
    """The keycode range and, for each keycode, the keysyms bound to it."""
    low, high = ctypes.c_int(), ctypes.c_int()
    x11.XDisplayKeycodes(display, ctypes.byref(low), ctypes.byref(high))
    per = ctypes.c_int()
    count = high.value - low.value + 1
    syms = x11.XGetKeyboardMapping(display, low.value, count, ctypes.byref(per))
    table = {low.value + i: [syms[i * per.value + j] for j in range(per.value)]
             for i in range(count)}
    x11.XFree(syms)
    return table


def main():
    names = sys.argv[1:]
    x11 = load_x11()
    display = x11.XOpenDisplay(None)
    if not display:
        sys.exit("cannot open the X display")
    table = keymap(x11, display)
    bound = {s for syms in table.values() for s in syms}
    free = [code for code, syms in sorted(table.items(), reverse=True) if not any(syms)]
    for name in names:
        sym = x11.XStringToKeysym(name.encode())
        if not sym:
            sys.exit(f"no keysym {name}")
        if sym in bound:
            continue
        if not free:
            sys.exit(f"no free keycode for {name}")
        pair = (ctypes.c_ulong * 2)(sym, sym)  # the same with and without Shift
        x11.XChangeKeyboardMapping(display, free.pop(0), 2, pair, 1)
        bound.add(sym)
    x11.XSync(display, 0)
    x11.XCloseDisplay(display)


if __name__ == "__main__":
    main()
