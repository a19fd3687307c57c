#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes the editor's two pictures: the message window behind each preview label (a GIF89a of
280 x 97 pixels with a 64-entry colour table) and the 32 x 32 icon of both windows (PNG).

Only the standard library is used and every pixel comes from the arithmetic below, so running
it again gives the same bytes. Usage: make_pictures.py [output folder], default
editor/resources beside this tools folder.
"""
import pathlib
import struct
import sys
import zlib

WIDTH, HEIGHT = 280, 97
PALETTE_SIZE = 64

# Colour table: the dark surround outside the rounded corners, the border's three shades, then
# a top-to-bottom ramp of dark blues for the panel.
SURROUND = 0
BORDER_OUTER, BORDER_LIGHT, BORDER_INNER = 1, 2, 3
FIRST_PANEL = 4
PANEL_SHADES = PALETTE_SIZE - FIRST_PANEL
TOP_BLUE = (44, 62, 138)
BOTTOM_BLUE = (10, 16, 58)


def palette():
    colours = [(0, 0, 0), (120, 128, 148), (236, 240, 248), (168, 176, 196)]
    for i in range(PANEL_SHADES):
        t = i / (PANEL_SHADES - 1)
        colours.append(tuple(round(a + (b - a) * t) for a, b in zip(TOP_BLUE, BOTTOM_BLUE)))
    assert len(colours) == PALETTE_SIZE
    return colours


def inset_of(x, y, width, height, radius):
    """How far (x, y) lies inside a rectangle with rounded corners, in whole pixels; negative
    outside it."""
    dx = max(radius - x, 0, x - (width - 1 - radius))
    dy = max(radius - y, 0, y - (height - 1 - radius))
    if dx and dy:
        return radius - int(round((dx * dx + dy * dy) ** 0.5))
    return min(x, y, width - 1 - x, height - 1 - y)


def window_pixels():
    pixels = []
    for y in range(HEIGHT):
        for x in range(WIDTH):
            inset = inset_of(x, y, WIDTH, HEIGHT, 9)
            if inset < 1:
                pixels.append(SURROUND)
            elif inset == 1:
                pixels.append(BORDER_OUTER)
            elif inset <= 3:
                pixels.append(BORDER_LIGHT)
            elif inset == 4:
                pixels.append(BORDER_INNER)
            else:
                shade = (y * (PANEL_SHADES - 1)) // (HEIGHT - 1)
                pixels.append(FIRST_PANEL + shade)
    return pixels


def lzw(indices, min_code_size):
    """GIF's variable-width LZW: codes packed least significant bit first."""
    clear, end = 1 << min_code_size, (1 << min_code_size) + 1
    out = bytearray()
    bit_buffer, bit_count = 0, 0

    def emit(code, width):
        nonlocal bit_buffer, bit_count
        bit_buffer |= code << bit_count
        bit_count += width
        while bit_count >= 8:
            out.append(bit_buffer & 0xFF)
            bit_buffer >>= 8
            bit_count -= 8

    def fresh_table():
        return {(i,): i for i in range(clear)}

    width = min_code_size + 1
    table, next_code = fresh_table(), end + 1
    emit(clear, width)
    current = ()
    for index in indices:
        extended = current + (index,)
        if extended in table:
            current = extended
            continue
        emit(table[current], width)
        table[extended] = next_code
        if next_code >= (1 << width) and width < 12:
            width += 1
        next_code += 1
        if next_code == 4096:
            emit(clear, width)
            width, table, next_code = min_code_size + 1, fresh_table(), end + 1
        current = (index,)
    emit(table[current], width)
    emit(end, width)
    if bit_count:
        out.append(bit_buffer & 0xFF)
    return bytes(out)


def gif(width, height, colours, pixels):
    size_bits = (len(colours) - 1).bit_length()  # 64 entries: 6 bits
    data = bytearray(b"GIF89a")
    data += struct.pack("<HHBBB", width, height, 0x80 | ((size_bits - 1) << 4) | (size_bits - 1),
                        0, 0)
    for colour in colours:
        data += bytes(colour)
    data += struct.pack("<BHHHHB", 0x2C, 0, 0, width, height, 0)
    data.append(size_bits)
    stream = lzw(pixels, size_bits)
    for start in range(0, len(stream), 255):
        block = stream[start:start + 255]
        data.append(len(block))
        data += block
    data += b"\x00\x3B"
    return bytes(data)


def icon_pixels():
    """32 x 32 RGBA: the message window in small, with two lines of text on it."""
    rows = []
    for y in range(32):
        row = bytearray()
        for x in range(32):
            inset = inset_of(x, y - 5, 32, 22, 4) if 5 <= y < 27 else -1
            if inset < 0:
                pixel = (0, 0, 0, 0)
            elif inset == 0:
                pixel = (90, 98, 120, 255)
            elif inset <= 2:
                pixel = (236, 240, 248, 255)
            else:
                t = (y - 8) / 15
                pixel = tuple(round(a + (b - a) * t) for a, b in zip(TOP_BLUE, BOTTOM_BLUE)) + (255,)
                if (y in (11, 12) and 7 <= x <= 24) or (y in (17, 18) and 7 <= x <= 18):
                    pixel = (255, 255, 255, 255)
            row += bytes(pixel)
        rows.append(bytes(row))
    return rows


def png(width, height, rows):
    def chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body +
                struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))

    raw = b"".join(b"\x00" + row for row in rows)
    return (b"\x89PNG\r\n\x1a\n" +
            chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def main():
    here = pathlib.Path(__file__).resolve().parent
    folder = pathlib.Path(sys.argv[1]) if len(sys.argv) > 1 else here.parent.parent / "editor" / "resources"
    folder.mkdir(parents=True, exist_ok=True)
    (folder / "ventana.gif").write_bytes(gif(WIDTH, HEIGHT, palette(), window_pixels()))
    (folder / "textbench.png").write_bytes(png(32, 32, icon_pixels()))


if __name__ == "__main__":
    main()
