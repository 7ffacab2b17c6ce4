#!/usr/bin/env python3
"""Draws the window's pictures (three shaded balls, the check mark and the two folders) into
app/resources/pictures, and the application's icon (a ball with the check mark over it) at the sizes of
the hicolor icon theme into packaging/icons (which the program also carries as its windows' icon).

The pictures are committed; run this again only to change them. Pure Python: no imaging library needed.
"""
import math
import os
import struct
import sys
import zlib


def write_png(path, width, height, pixels):
    """pixels: rows of (r, g, b, a) tuples."""
    raw = b"".join(b"\x00" + bytes(c for px in row for c in px) for row in pixels)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(raw, 9))
    png += chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


def supersample(width, height, shade, n=4):
    """shade(x, y) -> (r, g, b, a) in 0..1 for a point; averages n*n samples per pixel."""
    rows = []
    for py in range(height):
        row = []
        for px in range(width):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(n):
                for sx in range(n):
                    r, g, b, a = shade(px + (sx + 0.5) / n, py + (sy + 0.5) / n)
                    acc[0] += r * a
                    acc[1] += g * a
                    acc[2] += b * a
                    acc[3] += a
            a = acc[3] / (n * n)
            if a > 0:
                colour = [min(255, round(255 * c / acc[3])) for c in acc[:3]]
            else:
                colour = [0, 0, 0]
            row.append((*colour, round(255 * a)))
        rows.append(row)
    return rows


def ball(base):
    """A ball lit from the upper left, with a soft rim and a small highlight."""
    cx, cy, radius = 8.0, 8.0, 7.2

    def shade(x, y):
        dx, dy = (x - cx) / radius, (y - cy) / radius
        d2 = dx * dx + dy * dy
        if d2 > 1.0:
            return (0, 0, 0, 0)
        dz = math.sqrt(1.0 - d2)
        light = max(0.0, (-0.45 * dx - 0.55 * dy + 0.70 * dz))
        diffuse = 0.35 + 0.75 * light
        highlight = max(0.0, math.hypot(dx + 0.38, dy + 0.42) < 0.28) * 0.85
        colour = [min(1.0, c * diffuse + highlight * (1.0 - c * diffuse)) for c in base]
        rim = 1.0 if d2 < 0.85 else 0.75
        return (colour[0] * rim, colour[1] * rim, colour[2] * rim, 1.0)

    return supersample(16, 16, shade)


def distance_to_segment(px, py, ax, ay, bx, by):
    vx, vy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((px - ax) * vx + (py - ay) * vy) / (vx * vx + vy * vy)))
    return math.hypot(px - (ax + t * vx), py - (ay + t * vy))


def check_mark(fill, edge):
    """A thick check mark, 18 by 18, with a darker outline."""
    a, b, c = (3.2, 9.6), (7.2, 13.6), (14.8, 4.4)

    def shade(x, y):
        d = min(distance_to_segment(x, y, *a, *b), distance_to_segment(x, y, *b, *c))
        if d <= 1.55:
            return (*fill, 1.0)
        if d <= 2.35:
            return (*edge, 1.0)
        return (0, 0, 0, 0)

    return supersample(18, 18, shade)


def inside_polygon(x, y, points):
    """Even-odd rule."""
    inside = False
    for i, (ax, ay) in enumerate(points):
        bx, by = points[i - 1]
        if (ay > y) != (by > y) and x < ax + (y - ay) * (bx - ax) / (by - ay):
            inside = not inside
    return inside


def folder(is_open):
    """A yellow folder, 16 by 16, closed or with its front flap opened towards the viewer."""
    outline = (0.45, 0.33, 0.05)
    back = (0.93, 0.76, 0.30)
    front = (1.0, 0.88, 0.45)
    tab = [(1.5, 3.5), (6.0, 3.5), (7.5, 5.0), (7.5, 5.5), (1.5, 5.5)]
    body = [(1.5, 5.0), (14.5, 5.0), (14.5, 13.5), (1.5, 13.5)]
    if is_open:
        flap = [(4.0, 8.0), (15.5, 8.0), (13.0, 13.5), (1.5, 13.5)]
    else:
        flap = [(1.5, 6.5), (14.5, 6.5), (14.5, 13.5), (1.5, 13.5)]

    def edge_distance(x, y, points):
        return min(distance_to_segment(x, y, *points[i - 1], *points[i]) for i in range(len(points)))

    def shade(x, y):
        if inside_polygon(x, y, flap):
            return (*(outline if edge_distance(x, y, flap) < 0.6 else front), 1.0)
        for shape in (body, tab):
            if inside_polygon(x, y, shape):
                return (*(outline if edge_distance(x, y, shape) < 0.6 else back), 1.0)
        return (0, 0, 0, 0)

    return supersample(16, 16, shade)


def app_icon(size):
    """The application's icon: a violet-blue ball with a green check mark across its lower right, drawn
    in units of the icon's side so that every size is the same picture."""
    cx, cy, radius = 0.43, 0.47, 0.39
    violet, blue = (0.56, 0.22, 0.80), (0.16, 0.36, 0.88)
    a, b, c = (0.38, 0.60), (0.56, 0.78), (0.85, 0.30)
    # Strokes cannot be thinner than about a pixel and a half, or the mark fades out at 16 by 16.
    stroke = max(0.07, 0.85 / size)
    edge = stroke + max(0.03, 0.6 / size)
    halo = edge + max(0.035, 0.7 / size)

    def ball_shade(x, y):
        dx, dy = (x - cx) / radius, (y - cy) / radius
        d2 = dx * dx + dy * dy
        if d2 > 1.0:
            return None
        dz = math.sqrt(1.0 - d2)
        # Violet at the top left turning blue towards the bottom right.
        t = min(1.0, max(0.0, 0.5 + 0.5 * (dx + dy) / 1.4))
        base = [v + (bl - v) * t for v, bl in zip(violet, blue)]
        light = max(0.0, -0.45 * dx - 0.55 * dy + 0.70 * dz)
        diffuse = 0.30 + 0.80 * light
        gloss = max(0.0, 1.0 - math.hypot(dx + 0.36, dy + 0.42) / 0.30) ** 1.5 * 0.9
        colour = [min(1.0, ch * diffuse + gloss * (1.0 - ch * diffuse)) for ch in base]
        rim = 1.0 if d2 < 0.90 else 0.72
        return [ch * rim for ch in colour]

    def shade(px, py):
        x, y = px / size, py / size
        d = min(distance_to_segment(x, y, *a, *b), distance_to_segment(x, y, *b, *c))
        if d <= stroke:
            return (0.16, 0.72, 0.16, 1.0)
        if d <= edge:
            return (0.0, 0.35, 0.0, 1.0)
        ball_colour = ball_shade(x, y)
        if d <= halo and ball_colour is not None:
            return (1.0, 1.0, 1.0, 1.0)
        if ball_colour is None:
            return (0, 0, 0, 0)
        return (*ball_colour, 1.0)

    return supersample(size, size, shade, 4 if size >= 64 else 8)


ICON_SIZES = (16, 32, 48, 64, 128, 256)


def main():
    out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "app", "resources", "pictures")
    os.makedirs(out, exist_ok=True)
    balls = {
        "ball-violet.png": (0.56, 0.22, 0.80),
        "ball-green.png": (0.15, 0.68, 0.20),
        "ball-blue.png": (0.16, 0.36, 0.88),
    }
    for name, colour in balls.items():
        write_png(os.path.join(out, name), 16, 16, ball(colour))
    write_png(os.path.join(out, "checkmark.png"), 18, 18, check_mark((0.16, 0.72, 0.16), (0.0, 0.35, 0.0)))
    write_png(os.path.join(out, "checkmark-disabled.png"), 18, 18,
              check_mark((0.75, 0.75, 0.75), (0.50, 0.50, 0.50)))
    write_png(os.path.join(out, "folder-open.png"), 16, 16, folder(True))
    write_png(os.path.join(out, "folder-closed.png"), 16, 16, folder(False))

    icons = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "packaging", "icons")
    os.makedirs(icons, exist_ok=True)
    for size in ICON_SIZES:
        write_png(os.path.join(icons, f"{size}x{size}.png"), size, size, app_icon(size))
    return 0


if __name__ == "__main__":
    sys.exit(main())
