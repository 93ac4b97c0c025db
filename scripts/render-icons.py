#!/usr/bin/env python3
"""Renders resources/icons/mp3vortan.svg into the PNG sizes of the hicolor theme.

Run after changing the SVG; the PNGs are committed beside it. Uses librsvg and cairo (the
shared libraries the desktop already has) through ctypes, so no Python package is needed.
"""
import ctypes
import ctypes.util
import os
import sys

SIZES = (16, 24, 32, 48, 64, 128, 256, 512)


def load(names):
    for name in names:
        try:
            return ctypes.CDLL(name)
        except OSError:
            pass
    sys.exit("cannot load any of " + ", ".join(names))


def main():
    here = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "resources", "icons")
    rsvg = load(["librsvg-2.so.2", ctypes.util.find_library("rsvg-2") or "librsvg-2.so"])
    cairo = load(["libcairo.so.2", ctypes.util.find_library("cairo") or "libcairo.so"])

    class Rect(ctypes.Structure):
        _fields_ = [("x", ctypes.c_double), ("y", ctypes.c_double),
                    ("width", ctypes.c_double), ("height", ctypes.c_double)]

    rsvg.rsvg_handle_new_from_file.restype = ctypes.c_void_p
    rsvg.rsvg_handle_new_from_file.argtypes = [ctypes.c_char_p, ctypes.c_void_p]
    rsvg.rsvg_handle_render_document.restype = ctypes.c_int
    rsvg.rsvg_handle_render_document.argtypes = [ctypes.c_void_p, ctypes.c_void_p,
                                                 ctypes.POINTER(Rect), ctypes.c_void_p]
    cairo.cairo_image_surface_create.restype = ctypes.c_void_p
    cairo.cairo_image_surface_create.argtypes = [ctypes.c_int, ctypes.c_int, ctypes.c_int]
    cairo.cairo_create.restype = ctypes.c_void_p
    cairo.cairo_create.argtypes = [ctypes.c_void_p]
    cairo.cairo_surface_write_to_png.restype = ctypes.c_int
    cairo.cairo_surface_write_to_png.argtypes = [ctypes.c_void_p, ctypes.c_char_p]
    cairo.cairo_destroy.argtypes = [ctypes.c_void_p]
    cairo.cairo_surface_destroy.argtypes = [ctypes.c_void_p]

    svg = os.path.join(here, "mp3vortan.svg").encode()
    handle = rsvg.rsvg_handle_new_from_file(svg, None)
    if not handle:
        sys.exit("librsvg cannot read the SVG")
    for size in SIZES:
        surface = cairo.cairo_image_surface_create(0, size, size)  # ARGB32
        context = cairo.cairo_create(surface)
        if not rsvg.rsvg_handle_render_document(handle, context, Rect(0, 0, size, size), None):
            sys.exit("librsvg cannot render the SVG")
        out = os.path.join(here, "mp3vortan-%d.png" % size).encode()
        if cairo.cairo_surface_write_to_png(surface, out) != 0:
            sys.exit("cannot write " + out.decode())
        cairo.cairo_destroy(context)
        cairo.cairo_surface_destroy(surface)


if __name__ == "__main__":
    main()
