#!/usr/bin/env python3
"""Writes the program's icon: window/rechner.ico, a small calculator picture
in three images (32x32 in two colours, 32x32 and 16x16 in 16 colours), and
the 16-colour images as PNG files for the desktop's icon theme in data/icons/."""
import struct
import zlib

# The standard 16-colour palette, as (r, g, b).
PALETTE16 = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
    (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
    (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, DARK_GREY, LIGHT_GREY, WHITE, GREEN, DARK_GREEN, RED = 0, 8, 7, 15, 10, 2, 9


def calculator(size, mono):
    """Rows of palette indices (top row first) and a mask (True = transparent)."""
    s = size / 32.0
    px = [[None] * size for _ in range(size)]

    def rect(x0, y0, x1, y1, c):
        for y in range(int(y0 * s), int(y1 * s)):
            for x in range(int(x0 * s), int(x1 * s)):
                px[y][x] = c

    if mono:
        rect(4, 1, 28, 31, BLACK)
        rect(5, 2, 27, 30, WHITE)
        rect(7, 4, 25, 11, BLACK)
        for row in range(4):
            for col in range(4):
                rect(7 + col * 5, 13 + row * 4, 10 + col * 5, 15 + row * 4, BLACK)
    elif size == 16:
        # Too small for the 4x4 keypad: three by three keys.
        rect(4, 0, 28, 32, BLACK)
        rect(6, 2, 26, 30, DARK_GREY)
        rect(8, 4, 24, 10, GREEN)
        for row in range(3):
            for col in range(3):
                colour = RED if (row, col) == (2, 2) else WHITE
                rect(8 + col * 6, 14 + row * 6, 12 + col * 6, 18 + row * 6, colour)
    else:
        rect(4, 1, 28, 31, BLACK)
        rect(5, 2, 27, 30, DARK_GREY)
        rect(7, 4, 25, 11, DARK_GREEN)
        rect(8, 5, 24, 10, GREEN)
        for row in range(4):
            for col in range(4):
                colour = RED if (row, col) == (3, 3) else WHITE if col < 3 else LIGHT_GREY
                rect(7 + col * 5, 13 + row * 4, 10 + col * 5, 16 + row * 4, colour)
    mask = [[c is None for c in row] for row in px]
    pixels = [[0 if c is None else c for c in row] for row in px]
    if mono:
        pixels = [[1 if c == WHITE else 0 for c in row] for row in pixels]
    return pixels, mask


def pack_rows(rows, bits):
    """Bottom-up rows of `bits` per pixel, each padded to 4 bytes."""
    out = b""
    for row in reversed(rows):
        value, count, data = 0, 0, bytearray()
        for v in row:
            value = (value << bits) | int(v)
            count += bits
            if count == 8:
                data.append(value)
                value, count = 0, 0
        if count:
            data.append(value << (8 - count))
        while len(data) % 4:
            data.append(0)
        out += bytes(data)
    return out


def image(size, bits):
    pixels, mask = calculator(size, bits == 1)
    palette = [(0, 0, 0), (255, 255, 255)] if bits == 1 else PALETTE16
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bits, 0, 0, 0, 0, len(palette), 0)
    colours = b"".join(struct.pack("BBBB", b, g, r, 0) for r, g, b in palette)
    return header + colours + pack_rows(pixels, bits) + pack_rows(mask, 1), len(palette)


def png(size):
    """The 16-colour picture as an RGBA PNG, transparent outside the body."""
    pixels, mask = calculator(size, False)
    raw = b""
    for row, row_mask in zip(pixels, mask):
        raw += b"\0" + b"".join(bytes(PALETTE16[c]) + (b"\0" if m else b"\xff") for c, m in zip(row, row_mask))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")


def main(path):
    images = [image(32, 1), image(32, 4), image(16, 4)]
    sizes = [(32, 1), (32, 4), (16, 4)]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for (data, colours), (size, bits) in zip(images, sizes):
        out += struct.pack("<BBBBHHII", size, size, colours % 256, 0, 1, bits, len(data), offset)
        offset += len(data)
    out += b"".join(data for data, _ in images)
    with open(path, "wb") as f:
        f.write(out)
    for size in (16, 32):
        with open(f"data/icons/rechner-{size}.png", "wb") as f:
            f.write(png(size))


if __name__ == "__main__":
    main("window/rechner.ico")
