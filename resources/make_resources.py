#!/usr/bin/env python3
"""Draws the program's built-in images into the build folder.

  make_resources.py OUTDIR

writes OUTDIR/lumo.ico (the window icon: a blue globe on a transparent
background at 16x16, 32x32 and 48x48, 32 bits per pixel with an AND mask)
and OUTDIR/background_tan.bmp (the window background: an 800 x 576 tan
gradient, 8 bits per pixel with a 256-entry palette, uncompressed).

Only the standard library is used, and the output depends on nothing but
this file, so every build makes the same bytes.
"""

import math
import os
import struct
import sys

ICON_SIZES = (16, 32, 48)
BMP_WIDTH, BMP_HEIGHT = 800, 576

# Tan ramp of the background: the light end at the top left, the dark end
# at the bottom right.
TAN_LIGHT = (0xF6, 0xEE, 0xE0)
TAN_DARK = (0xD9, 0xC2, 0x9C)


def globe_pixel(x, y):
  """Colour (r, g, b, a) of one sample of the globe, in a unit square (0..1)."""
  cx, cy = x - 0.5, y - 0.5
  radius = 0.46
  d = math.hypot(cx, cy)
  if d > radius:
    return (0, 0, 0, 0)
  if d > radius - 0.045:  # dark rim
    return (0x10, 0x33, 0x7A, 255)
  # Unit sphere coordinates for shading and the grid lines.
  u, v = cx / radius, cy / radius
  w = math.sqrt(max(0.0, 1.0 - u * u - v * v))
  # Light from the upper left.
  light = max(0.0, -0.45 * u - 0.55 * v + 0.70 * w)
  base = (0x1E + int(0x50 * light), 0x5A + int(0x70 * light), 0xC8 + int(0x37 * light))
  # Grid: a centre meridian and two elliptic ones, the equator and two
  # parallels, all about equally thin.
  t = 0.06
  half = math.sqrt(max(0.0, 1.0 - v * v))
  on_meridian = any(abs(u - k * half) < t for k in (-0.55, 0.0, 0.55))
  on_parallel = any(abs(v - p) < t for p in (-0.55, 0.0, 0.55))
  if on_meridian or on_parallel:
    return (0xD8, 0xEC, 0xFF, 255)
  return base + (255,)


def draw_icon_image(size):
  """BGRA rows, top row first, drawn with 4 x 4 samples per pixel."""
  ss = 4
  rows = []
  for py in range(size):
    row = bytearray()
    for px in range(size):
      acc = [0, 0, 0, 0]
      for sy in range(ss):
        for sx in range(ss):
          r, g, b, a = globe_pixel((px + (sx + 0.5) / ss) / size, (py + (sy + 0.5) / ss) / size)
          acc[0] += r * a
          acc[1] += g * a
          acc[2] += b * a
          acc[3] += a
      alpha = acc[3] // (ss * ss)
      if acc[3]:
        # Premultiplied sums back to straight colour.
        r, g, b = (acc[0] // acc[3], acc[1] // acc[3], acc[2] // acc[3])
      else:
        r = g = b = 0
      row += bytes((b, g, r, alpha))
    rows.append(bytes(row))
  return rows


def icon_entry_data(size):
  """One image of the icon file: header, colour bits, AND mask (bottom row first)."""
  rows = draw_icon_image(size)
  mask_stride = ((size + 31) // 32) * 4
  xor = b"".join(reversed(rows))
  mask_rows = []
  for row in rows:
    bits = bytearray(mask_stride)
    for px in range(size):
      if row[px * 4 + 3] == 0:  # fully transparent: the mask hides the pixel
        bits[px // 8] |= 0x80 >> (px % 8)
    mask_rows.append(bytes(bits))
  mask = b"".join(reversed(mask_rows))
  header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(mask),
                       0, 0, 0, 0)
  return header + xor + mask


def make_icon():
  images = [icon_entry_data(s) for s in ICON_SIZES]
  out = struct.pack("<HHH", 0, 1, len(images))
  offset = 6 + 16 * len(images)
  for size, data in zip(ICON_SIZES, images):
    out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(data), offset)
    offset += len(data)
  return out + b"".join(images)


def make_background():
  palette = bytearray()
  for i in range(256):
    t = i / 255.0
    r, g, b = (round(TAN_LIGHT[k] + (TAN_DARK[k] - TAN_LIGHT[k]) * t) for k in range(3))
    palette += bytes((b, g, r, 0))
  # A diagonal gradient with a 4 x 4 ordered dither, so the 256 steps show
  # no bands when the picture is stretched over a large window.
  bayer = ((0, 8, 2, 10), (12, 4, 14, 6), (3, 11, 1, 9), (15, 7, 13, 5))
  span = (BMP_WIDTH - 1) * 0.35 + (BMP_HEIGHT - 1)
  rows = []
  for y in range(BMP_HEIGHT):
    row = bytearray(BMP_WIDTH)
    brow = bayer[y % 4]
    for x in range(BMP_WIDTH):
      level = (x * 0.35 + y) / span * 255.0 + (brow[x % 4] - 7.5) / 16.0
      row[x] = min(255, max(0, int(level + 0.5)))
    rows.append(bytes(row))
  stride = (BMP_WIDTH + 3) // 4 * 4
  pixels = b"".join(r + bytes(stride - BMP_WIDTH) for r in reversed(rows))
  info = struct.pack("<IiiHHIIiiII", 40, BMP_WIDTH, BMP_HEIGHT, 1, 8, 0, len(pixels), 2835, 2835,
                     256, 0)
  offset = 14 + len(info) + len(palette)
  file_header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
  return file_header + info + bytes(palette) + pixels


def write_file(path, data):
  # Written whole under a temporary name first, so an interrupted build
  # never leaves a half image that looks up to date.
  tmp = path + ".tmp"
  with open(tmp, "wb") as f:
    f.write(data)
  os.replace(tmp, path)


def main(argv):
  if len(argv) != 2:
    sys.stderr.write("usage: make_resources.py OUTDIR\n")
    return 2
  outdir = argv[1]
  os.makedirs(outdir, exist_ok=True)
  write_file(os.path.join(outdir, "lumo.ico"), make_icon())
  write_file(os.path.join(outdir, "background_tan.bmp"), make_background())
  return 0


if __name__ == "__main__":
  sys.exit(main(sys.argv))
