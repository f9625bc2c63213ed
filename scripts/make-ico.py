#!/usr/bin/python3
"""Renders the application icon's SVG at 16, 32, 48 and 256 pixels (rsvg-convert) and packs the
pictures into one Windows icon file, each as a PNG image (Windows Vista and later read those).

    make-ico.py SOURCE.svg OUTPUT.ico
"""

import struct
import subprocess
import sys

SIZES = (16, 32, 48, 256)


def render(svg, size):
    return subprocess.run(["rsvg-convert", "--width", str(size), "--height", str(size), svg],
                          check=True, capture_output=True).stdout


def icon(pictures):
    # ICONDIR, then one ICONDIRENTRY per picture, then the pictures.
    header = struct.pack("<HHH", 0, 1, len(pictures))
    offset = len(header) + 16 * len(pictures)
    entries, data = b"", b""
    for size, png in pictures:
        side = 0 if size >= 256 else size  # 0 stands for 256
        entries += struct.pack("<BBBBHHII", side, side, 0, 0, 1, 32, len(png), offset + len(data))
        data += png
    return header + entries + data


def main():
    svg, output = sys.argv[1:3]
    with open(output, "wb") as out:
        out.write(icon([(size, render(svg, size)) for size in SIZES]))


if __name__ == "__main__":
    main()
