#!/usr/bin/env python3
"""close_window.py WINDOW_ID: asks an X11 window to close the way a window manager's close button
does, with a WM_DELETE_WINDOW client message (xdotool before 3.2021 has no "windowclose")."""

import ctypes
import ctypes.util
import sys


class ClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong),
                ("message_type", ctypes.c_ulong), ("format", ctypes.c_int),
                ("data", ctypes.c_long * 5)]


class XEvent(ctypes.Union):
    # XEvent is a union padded to 24 longs; XSendEvent reads the whole of it.
    _fields_ = [("client", ClientMessage), ("pad", ctypes.c_long * 24)]


xlib = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
xlib.XOpenDisplay.restype = ctypes.c_void_p
xlib.XOpenDisplay.argtypes = [ctypes.c_char_p]
xlib.XInternAtom.restype = ctypes.c_ulong
xlib.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
xlib.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                            ctypes.POINTER(XEvent)]
xlib.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
xlib.XCloseDisplay.argtypes = [ctypes.c_void_p]

window = int(sys.argv[1], 0)
display = xlib.XOpenDisplay(None)
if not display:
    sys.exit("close_window.py: cannot open the X display")
event = XEvent()
event.client.type = 33  # ClientMessage
event.client.window = window
event.client.message_type = xlib.XInternAtom(display, b"WM_PROTOCOLS", False)
event.client.format = 32
event.client.data[0] = xlib.XInternAtom(display, b"WM_DELETE_WINDOW", False)  # at CurrentTime
sent = xlib.XSendEvent(display, window, False, 0, ctypes.byref(event))
xlib.XSync(display, False)
xlib.XCloseDisplay(display)
sys.exit(0 if sent else 1)
