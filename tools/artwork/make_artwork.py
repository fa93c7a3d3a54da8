#!/usr/bin/python3
"""Draws the program's pictures into resources/.

    /usr/bin/python3 tools/artwork/make_artwork.py [--preview DIR]

Writes
  resources/norva.ico     the application and tray icon: a blue shield with a
                          keyhole, 256 (PNG), 128, 48, 32, 24 and 16 pixels,
                          32-bit with alpha
  resources/download.avi  the "downloading" animation of the main window:
                          8 uncompressed 8-bit frames of 16 x 20, 5 a second
  resources/logo.bmp      the banner at the top of the main window, 344 x 80,
                          24 bits

The generated files are kept in the repository, so a build never runs this.
It needs Pillow (Debian: python3-pil) and the DejaVu fonts
(fonts-dejavu-core). With --preview it also leaves enlarged PNG copies of the
pictures in DIR to look at.
"""

import argparse
import io
import os
import struct
import sys

from PIL import Image, ImageDraw, ImageFont

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
RESOURCES = os.path.join(ROOT, "resources")
FONT_DIR = "/usr/share/fonts/truetype/dejavu"

# Palette of the artwork: a calm blue.
BLUE_LIGHT = (78, 154, 230)
BLUE_DARK = (22, 86, 170)
BLUE_EDGE = (13, 52, 110)
WHITE = (255, 255, 255)


def lerp(a, b, t):
    return tuple(int(round(x + (y - x) * t)) for x, y in zip(a, b))


# --------------------------------------------------------------------------
# The shield

def shield_outline(size, inset):
    """Points of the shield, in pixels of a square of `size`, shrunk by
    `inset` (a fraction of the size) on every side."""
    s = size
    left, right = (0.13 + inset) * s, (0.87 - inset) * s
    top = (0.05 + inset) * s
    shoulder = (0.52) * s          # where the straight sides end
    tip = (0.96 - inset * 1.5) * s  # the bottom point
    cx = 0.5 * s
    notch = 0.045 * s              # the top edge dips a little in the middle

    pts = []
    # top edge, left to right, with a shallow dip in the middle
    steps = 24
    for i in range(steps + 1):
        t = i / steps
        x = left + (right - left) * t
        y = top + notch * (1 - (2 * t - 1) ** 2) * 0.5
        pts.append((x, y))
    # right side straight down, then a curve into the point
    pts.append((right, shoulder))
    for i in range(1, steps + 1):
        t = i / steps
        # quadratic Bezier from (right, shoulder) via (right, tip-ish) to tip
        p0, p1, p2 = (right, shoulder), (right, 0.80 * s), (cx, tip)
        x = (1 - t) ** 2 * p0[0] + 2 * (1 - t) * t * p1[0] + t * t * p2[0]
        y = (1 - t) ** 2 * p0[1] + 2 * (1 - t) * t * p1[1] + t * t * p2[1]
        pts.append((x, y))
    for i in range(1, steps + 1):
        t = i / steps
        p0, p1, p2 = (cx, tip), (left, 0.80 * s), (left, shoulder)
        x = (1 - t) ** 2 * p0[0] + 2 * (1 - t) * t * p1[0] + t * t * p2[0]
        y = (1 - t) ** 2 * p0[1] + 2 * (1 - t) * t * p1[1] + t * t * p2[1]
        pts.append((x, y))
    return pts


def vertical_gradient(size, top, bottom):
    img = Image.new("RGB", (size, size))
    draw = ImageDraw.Draw(img)
    for y in range(size):
        draw.line([(0, y), (size, y)], fill=lerp(top, bottom, y / max(1, size - 1)))
    return img


def draw_shield(size):
    """The icon at `size` pixels, RGBA. Drawn 8 times larger and scaled down,
    with a heavier edge at small sizes so that it stays legible."""
    scale = 8
    big = size * scale
    edge = max(0.035, 1.15 / size)   # the dark rim, at least about a pixel

    canvas = Image.new("RGBA", (big, big), (0, 0, 0, 0))

    outer = Image.new("L", (big, big), 0)
    ImageDraw.Draw(outer).polygon(shield_outline(big, 0.0), fill=255)
    canvas.paste(Image.new("RGBA", (big, big), BLUE_EDGE + (255,)), (0, 0), outer)

    inner = Image.new("L", (big, big), 0)
    ImageDraw.Draw(inner).polygon(shield_outline(big, edge), fill=255)
    body = vertical_gradient(big, BLUE_LIGHT, BLUE_DARK).convert("RGBA")
    # the right half a shade darker: the shield reads as having a ridge
    shade = Image.new("RGBA", (big, big), (0, 0, 0, 0))
    ImageDraw.Draw(shade).rectangle([big // 2, 0, big, big], fill=(0, 20, 60, 48))
    body = Image.alpha_composite(body, shade)
    canvas.paste(body, (0, 0), inner)

    # a soft light rim just inside the edge, on the larger sizes only
    if size >= 48:
        rim = Image.new("L", (big, big), 0)
        d = ImageDraw.Draw(rim)
        d.polygon(shield_outline(big, edge + 0.012), fill=90)
        d.polygon(shield_outline(big, edge + 0.024), fill=0)
        canvas.paste(Image.new("RGBA", (big, big), WHITE + (255,)), (0, 0), rim)

    # the keyhole
    key = Image.new("L", (big, big), 0)
    d = ImageDraw.Draw(key)
    small = size <= 24
    cx, cy = 0.5 * big, (0.38 if small else 0.41) * big
    r = (0.135 if small else 0.11) * big
    d.ellipse([cx - r, cy - r, cx + r, cy + r], fill=255)
    half_top = (0.075 if small else 0.045) * big
    half_bottom = (0.12 if small else 0.08) * big
    bottom = (0.72 if small else 0.70) * big
    d.polygon([(cx - half_top, cy), (cx + half_top, cy),
               (cx + half_bottom, bottom), (cx - half_bottom, bottom)], fill=255)
    canvas.paste(Image.new("RGBA", (big, big), WHITE + (255,)), (0, 0), key)

    return canvas.resize((size, size), Image.LANCZOS)


# --------------------------------------------------------------------------
# norva.ico

def dib_icon_image(img):
    """An icon image as a 32-bit BITMAPINFOHEADER DIB with its AND mask."""
    w, h = img.size
    px = img.load()
    xor = bytearray()
    for y in range(h - 1, -1, -1):                 # bottom-up rows
        for x in range(w):
            r, g, b, a = px[x, y]
            xor += bytes((b, g, r, a))
    mask_stride = ((w + 31) // 32) * 4
    mask = bytearray()
    for y in range(h - 1, -1, -1):
        row = bytearray(mask_stride)
        for x in range(w):
            if px[x, y][3] == 0:                    # 1 = transparent
                row[x // 8] |= 0x80 >> (x % 8)
        mask += row
    header = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 32, 0,
                         len(xor) + len(mask), 0, 0, 0, 0)
    return header + bytes(xor) + bytes(mask)


def png_bytes(img):
    out = io.BytesIO()
    img.save(out, format="PNG", optimize=True)
    return out.getvalue()


def write_ico(path, images):
    """`images`: RGBA pictures; the 256-pixel one is stored as PNG."""
    blobs = [png_bytes(i) if i.size[0] >= 256 else dib_icon_image(i) for i in images]
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for img, blob in zip(images, blobs):
        w, h = img.size
        out += struct.pack("<BBBBHHII", w % 256, h % 256, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
    for blob in blobs:
        out += blob
    with open(path, "wb") as f:
        f.write(out)


# --------------------------------------------------------------------------
# download.avi

AVI_W, AVI_H, AVI_FRAMES = 16, 20, 8
AVI_USEC_PER_FRAME = 200000          # 5 frames a second

# Index 0 is the background: the animation control shows the dialog through
# every pixel of the top-left pixel's colour. No other entry may equal it.
AVI_PALETTE = [
    (240, 240, 240),   # 0 background (transparent)
    (16, 62, 128),     # 1 arrow edge
    (46, 128, 222),    # 2 arrow, filled
    (214, 230, 248),   # 3 arrow, still empty
    (84, 104, 134),    # 4 tray
    (120, 184, 244),   # 5 highlight of the fill's front
]


def arrow_cells():
    """(edge, inside) sets of (x, y) for the arrow."""
    edge, inside = set(), set()
    # shaft: columns 5..10, rows 1..9
    for y in range(1, 10):
        for x in range(5, 11):
            if y == 1 or x in (5, 10):
                edge.add((x, y))
            else:
                inside.add((x, y))
    # head: rows 9..15, narrowing by one pixel a side per row
    for y in range(9, 16):
        xl, xr = 1 + (y - 9), 14 - (y - 9)
        for x in range(xl, xr + 1):
            on_top_edge = y == 9 and not (6 <= x <= 9)
            if x in (xl, xr) or y == 15 or on_top_edge:
                edge.add((x, y))
            else:
                inside.add((x, y))
    inside -= edge
    return edge, inside


def avi_frames():
    edge, inside = arrow_cells()
    top = min(y for _, y in inside)
    bottom = max(y for _, y in inside)
    rows = bottom - top + 1
    frames = []
    for k in range(AVI_FRAMES):
        level = top + (rows * (k + 1) + AVI_FRAMES - 1) // AVI_FRAMES - 1
        grid = [[0] * AVI_W for _ in range(AVI_H)]
        for x, y in inside:
            if y < level:
                grid[y][x] = 2
            elif y == level:
                grid[y][x] = 5 if k < AVI_FRAMES - 1 else 2
            else:
                grid[y][x] = 3
        for x, y in edge:
            grid[y][x] = 1
        # the tray the arrow points into
        for x in range(1, 15):
            grid[18][x] = 4
        for y in (16, 17):
            grid[y][1] = 4
            grid[y][14] = 4
        frames.append(grid)
    return frames


def chunk(fourcc, data):
    pad = b"\0" if len(data) % 2 else b""
    return fourcc + struct.pack("<I", len(data)) + data + pad


def riff_list(kind, fourcc, payload):
    return kind + struct.pack("<I", len(payload) + 4) + fourcc + payload


def write_avi(path, frames):
    frame_size = AVI_W * AVI_H          # rows of 16 bytes are already DWORD-aligned
    fps_scale, fps_rate = 1, 1000000 // AVI_USEC_PER_FRAME

    avih = struct.pack("<14I",
                       AVI_USEC_PER_FRAME,
                       (frame_size + 8) * fps_rate,   # dwMaxBytesPerSec
                       0,                             # dwPaddingGranularity
                       0x10,                          # AVIF_HASINDEX
                       len(frames),                   # dwTotalFrames
                       0,                             # dwInitialFrames
                       1,                             # dwStreams
                       frame_size,                    # dwSuggestedBufferSize
                       AVI_W, AVI_H, 0, 0, 0, 0)
    strh = struct.pack("<4s4sIHHIIIIIIIIhhhh",
                       b"vids", b"DIB ",
                       0, 0, 0,                       # dwFlags, wPriority, wLanguage
                       0,                             # dwInitialFrames
                       fps_scale, fps_rate,
                       0, len(frames),                # dwStart, dwLength
                       frame_size,
                       0xFFFFFFFF,                    # dwQuality: default
                       0,                             # dwSampleSize: varies
                       0, 0, AVI_W, AVI_H)            # rcFrame
    palette = list(AVI_PALETTE) + [(0, 0, 0)] * (256 - len(AVI_PALETTE))
    strf = struct.pack("<IiiHHIIiiII", 40, AVI_W, AVI_H, 1, 8, 0, frame_size,
                       0, 0, 256, 0)
    strf += b"".join(bytes((b, g, r, 0)) for r, g, b in palette)

    strl = riff_list(b"LIST", b"strl", chunk(b"strh", strh) + chunk(b"strf", strf))
    hdrl = riff_list(b"LIST", b"hdrl", chunk(b"avih", avih) + strl)

    movi_payload = bytearray()
    index = bytearray()
    for grid in frames:
        bits = b"".join(bytes(grid[y]) for y in range(AVI_H - 1, -1, -1))  # bottom-up
        assert len(bits) == frame_size
        offset = 4 + len(movi_payload)       # from the 'movi' type field
        index += struct.pack("<4sIII", b"00db", 0x10, offset, frame_size)  # AVIIF_KEYFRAME
        movi_payload += chunk(b"00db", bits)
    movi = riff_list(b"LIST", b"movi", bytes(movi_payload))

    body = hdrl + movi + chunk(b"idx1", bytes(index))
    with open(path, "wb") as f:
        f.write(riff_list(b"RIFF", b"AVI ", body))


def avi_frame_image(grid):
    img = Image.new("RGB", (AVI_W, AVI_H))
    px = img.load()
    for y in range(AVI_H):
        for x in range(AVI_W):
            px[x, y] = AVI_PALETTE[grid[y][x]]
    return img


# --------------------------------------------------------------------------
# logo.bmp

LOGO_W, LOGO_H = 344, 80


def draw_logo():
    left, right = (12, 50, 104), (38, 122, 204)
    img = Image.new("RGB", (LOGO_W, LOGO_H))
    px = img.load()
    for y in range(LOGO_H):
        for x in range(LOGO_W):
            # mostly left to right, a little top to bottom
            t = 0.82 * x / (LOGO_W - 1) + 0.18 * (1 - y / (LOGO_H - 1))
            px[x, y] = lerp(left, right, t)

    # a faint wide arc on the right, for depth
    glow = Image.new("L", (LOGO_W, LOGO_H), 0)
    ImageDraw.Draw(glow).ellipse([210, -120, 560, 150], fill=26)
    img.paste(Image.new("RGB", (LOGO_W, LOGO_H), WHITE), (0, 0), glow)

    shield = draw_shield(64)
    img.paste(shield, (14, 8), shield)

    bold = ImageFont.truetype(os.path.join(FONT_DIR, "DejaVuSans-Bold.ttf"), 38)
    regular = ImageFont.truetype(os.path.join(FONT_DIR, "DejaVuSans.ttf"), 14)
    draw = ImageDraw.Draw(img)

    x = 92
    # "NORVA", slightly spaced out, with a soft shadow
    cursor = x
    for ch in "NORVA":
        draw.text((cursor + 1, 11), ch, font=bold, fill=(8, 30, 66))
        draw.text((cursor, 10), ch, font=bold, fill=WHITE)
        cursor += draw.textlength(ch, font=bold) + 3
    draw.line([(x + 1, 55), (cursor - 3, 55)], fill=(120, 180, 240), width=1)
    draw.text((x + 1, 58), "Connection Assistant", font=regular, fill=(214, 232, 252))
    return img


# --------------------------------------------------------------------------

def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--preview", metavar="DIR",
                        help="also write enlarged PNG previews into DIR")
    parser.add_argument("--out", metavar="DIR", default=RESOURCES,
                        help="where to write the files (default: resources/)")
    args = parser.parse_args()

    os.makedirs(args.out, exist_ok=True)
    icons = [draw_shield(s) for s in (256, 128, 48, 32, 24, 16)]
    write_ico(os.path.join(args.out, "norva.ico"), icons)
    frames = avi_frames()
    write_avi(os.path.join(args.out, "download.avi"), frames)
    logo = draw_logo()
    logo.save(os.path.join(args.out, "logo.bmp"), format="BMP")

    if args.preview:
        os.makedirs(args.preview, exist_ok=True)
        sheet = Image.new("RGBA", (256 + 128 + 48 + 32 + 24 + 16 + 70, 256), (236, 236, 236, 255))
        x = 0
        for img in icons:
            sheet.alpha_composite(img, (x, 0))
            x += img.size[0] + 10
        sheet.save(os.path.join(args.preview, "icon_sheet.png"))
        for img in icons:
            n = img.size[0]
            zoom = max(1, 256 // n)
            big = img.resize((n * zoom, n * zoom), Image.NEAREST)
            back = Image.new("RGBA", big.size, (236, 236, 236, 255))
            back.alpha_composite(big)
            back.save(os.path.join(args.preview, "icon_%d.png" % n))
        zoom = 8
        strip = Image.new("RGB", ((AVI_W * zoom + 8) * len(frames), AVI_H * zoom), (255, 0, 255))
        for i, grid in enumerate(frames):
            f = avi_frame_image(grid).resize((AVI_W * zoom, AVI_H * zoom), Image.NEAREST)
            strip.paste(f, (i * (AVI_W * zoom + 8), 0))
        strip.save(os.path.join(args.preview, "avi_strip.png"))
        logo.save(os.path.join(args.preview, "logo.png"))
    return 0


if __name__ == "__main__":
    sys.exit(main())
