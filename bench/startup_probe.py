#!/usr/bin/env python3
"""Measures, from outside, how long a program takes to show its window and its finished picture.

  startup_probe.py --title REGEX [--colour RRGGBB [--pixels N]] [--settle S] [--timeout S]
                   [--every MS] -- COMMAND [ARGS...]

Runs on the X display in $DISPLAY, which should have no window manager (top-level windows are
then children of the root window and their MapNotify arrives there). The clock starts right before
the program is started and reads, in milliseconds:
  mapped  the first window whose name matches REGEX is mapped (visible);
  final   the window's pixels first showed the picture they still show SETTLE seconds later
          (read back from the X server every few milliseconds);
  colour  at least N (50) pixels of the colour RRGGBB were first seen in the window (optional).
The program is then ended with SIGTERM. Prints one line: "mapped=N final=N colour=N|-".
"""

import argparse
import ctypes
import ctypes.util
import os
import re
import select
import signal
import subprocess
import sys
import time
import zlib

MAP_NOTIFY = 19
SUBSTRUCTURE_NOTIFY_MASK = 1 << 19
Z_PIXMAP = 2
ALL_PLANES = ctypes.c_ulong(-1).value


class XMapEvent(ctypes.Structure):
    _fields_ = [
        ("type", ctypes.c_int),
        ("serial", ctypes.c_ulong),
        ("send_event", ctypes.c_int),
        ("display", ctypes.c_void_p),
        ("event", ctypes.c_ulong),
        ("window", ctypes.c_ulong),
        ("override_redirect", ctypes.c_int),
    ]


class XEvent(ctypes.Union):
    _fields_ = [("type", ctypes.c_int), ("map", XMapEvent), ("pad", ctypes.c_long * 24)]


class XImage(ctypes.Structure):
    # Only the leading fields are read; the image is freed by XDestroyImage.
    _fields_ = [
        ("width", ctypes.c_int),
        ("height", ctypes.c_int),
        ("xoffset", ctypes.c_int),
        ("format", ctypes.c_int),
        ("data", ctypes.POINTER(ctypes.c_char)),
        ("byte_order", ctypes.c_int),
        ("bitmap_unit", ctypes.c_int),
        ("bitmap_bit_order", ctypes.c_int),
        ("bitmap_pad", ctypes.c_int),
        ("depth", ctypes.c_int),
        ("bytes_per_line", ctypes.c_int),
        ("bits_per_pixel", ctypes.c_int),
    ]


class XWindowAttributes(ctypes.Structure):
    _fields_ = [
        ("x", ctypes.c_int),
        ("y", ctypes.c_int),
        ("width", ctypes.c_int),
        ("height", ctypes.c_int),
        ("rest", ctypes.c_long * 32),  # fields not needed here, room for all of them
    ]


def load_xlib():
    xlib = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
    signatures = {
        "XOpenDisplay": (ctypes.c_void_p, [ctypes.c_char_p]),
        "XDefaultRootWindow": (ctypes.c_ulong, [ctypes.c_void_p]),
        "XConnectionNumber": (ctypes.c_int, [ctypes.c_void_p]),
        "XSelectInput": (ctypes.c_int, [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_long]),
        "XWarpPointer": (ctypes.c_int, [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong,
                                        ctypes.c_int, ctypes.c_int, ctypes.c_uint, ctypes.c_uint,
                                        ctypes.c_int, ctypes.c_int]),
        "XSync": (ctypes.c_int, [ctypes.c_void_p, ctypes.c_int]),
        "XPending": (ctypes.c_int, [ctypes.c_void_p]),
        "XNextEvent": (ctypes.c_int, [ctypes.c_void_p, ctypes.POINTER(XEvent)]),
        "XFetchName": (ctypes.c_int, [ctypes.c_void_p, ctypes.c_ulong,
                                      ctypes.POINTER(ctypes.c_char_p)]),
        "XFree": (ctypes.c_int, [ctypes.c_void_p]),
        "XGetWindowAttributes": (ctypes.c_int, [ctypes.c_void_p, ctypes.c_ulong,
                                                ctypes.POINTER(XWindowAttributes)]),
        "XGetImage": (ctypes.POINTER(XImage), [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int,
                                               ctypes.c_int, ctypes.c_uint, ctypes.c_uint,
                                               ctypes.c_ulong, ctypes.c_int]),
        "XDestroyImage": (ctypes.c_int, [ctypes.POINTER(XImage)]),
        "XSetErrorHandler": (ctypes.c_void_p, [ctypes.c_void_p]),
    }
    for name, (result, arguments) in signatures.items():
        function = getattr(xlib, name)
        function.restype = result
        function.argtypes = arguments
    return xlib


# Windows can vanish between an event and a request about them; that must not end the probe.
ERROR_HANDLER = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_void_p)(lambda d, e: 0)


def window_name(xlib, display, window):
    name = ctypes.c_char_p()
    if not xlib.XFetchName(display, window, ctypes.byref(name)) or not name.value:
        return None
    text = name.value.decode("utf-8", "replace")
    xlib.XFree(name)
    return text


def window_pixels(xlib, display, root, window):
    """The window's pixels as the screen shows them (children and overlaps included)."""
    attributes = XWindowAttributes()
    if not xlib.XGetWindowAttributes(display, window, ctypes.byref(attributes)):
        return None
    image = xlib.XGetImage(display, root, attributes.x, attributes.y, attributes.width,
                           attributes.height, ALL_PLANES, Z_PIXMAP)
    if not image:
        return None
    size = image.contents.bytes_per_line * image.contents.height
    pixels = ctypes.string_at(image.contents.data, size)
    xlib.XDestroyImage(image)
    return pixels


def main():
    parser = argparse.ArgumentParser(usage=__doc__)
    parser.add_argument("--title", required=True)
    parser.add_argument("--colour")
    parser.add_argument("--pixels", type=int, default=50)
    parser.add_argument("--settle", type=float, default=2.0)
    # Each read-back costs the X server and the probe a few milliseconds of CPU, which the
    # program measured on a machine of two cores does not get.
    parser.add_argument("--every", type=float, default=5.0)
    parser.add_argument("--timeout", type=float, default=60.0)
    parser.add_argument("command", nargs=argparse.REMAINDER)
    options = parser.parse_args()
    command = options.command[1:] if options.command[:1] == ["--"] else options.command
    if not command:
        parser.error("no command")
    title = re.compile(options.title)
    # Little-endian 32-bit pixels on the server hold blue, green, red.
    colour = bytes.fromhex(options.colour)[::-1] if options.colour else None

    xlib = load_xlib()
    xlib.XSetErrorHandler(ctypes.cast(ERROR_HANDLER, ctypes.c_void_p))
    display = xlib.XOpenDisplay(None)
    if not display:
        sys.exit("startup_probe.py: cannot open the X display")
    root = xlib.XDefaultRootWindow(display)
    xlib.XSelectInput(display, root, SUBSTRUCTURE_NOTIFY_MASK)
    # The pointer goes to a corner, away from where a window could show a tooltip.
    xlib.XWarpPointer(display, 0, root, 0, 0, 0, 0, 10000, 10000)
    xlib.XSync(display, False)
    connection = xlib.XConnectionNumber(display)

    start = time.monotonic()
    program = subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
    elapsed_ms = lambda: (time.monotonic() - start) * 1000.0
    deadline = start + options.timeout
    try:
        # Mapped windows whose name may only be set later are looked at again on every turn.
        mapped = []
        window = None
        while window is None:
            if time.monotonic() > deadline or program.poll() is not None:
                sys.exit("startup_probe.py: no window matching %r" % options.title)
            select.select([connection], [], [], 0.005)
            event = XEvent()
            while xlib.XPending(display):
                xlib.XNextEvent(display, ctypes.byref(event))
                if event.type == MAP_NOTIFY:
                    mapped.append(event.map.window)
            for candidate in mapped:
                name = window_name(xlib, display, candidate)
                if name is not None and title.search(name):
                    window = candidate
                    break
        mapped_ms = elapsed_ms()

        last_sum = None
        changed_ms = mapped_ms
        colour_ms = None
        while True:
            # A picture is dated by the moment its read-back was asked for.
            now = time.monotonic()
            grab_ms = (now - start) * 1000.0
            if now > deadline:
                sys.exit("startup_probe.py: the picture never settled")
            pixels = window_pixels(xlib, display, root, window)
            if pixels is None:
                sys.exit("startup_probe.py: the window went away")
            sum_now = zlib.crc32(pixels)
            if sum_now != last_sum:
                last_sum = sum_now
                changed_ms = grab_ms
            elif grab_ms - changed_ms >= options.settle * 1000.0:
                break
            if colour is not None and colour_ms is None and pixels.count(colour) >= options.pixels:
                colour_ms = grab_ms
            time.sleep(options.every / 1000.0)
    finally:
        if program.poll() is None:
            program.send_signal(signal.SIGTERM)
            try:
                program.wait(timeout=10)
            except subprocess.TimeoutExpired:
                program.kill()
                program.wait()
    print("mapped=%.0f final=%.0f colour=%s" %
          (mapped_ms, changed_ms, "%.0f" % colour_ms if colour_ms is not None else "-"))


if __name__ == "__main__":
    main()
