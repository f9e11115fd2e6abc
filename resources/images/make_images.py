#!/usr/bin/env python3
"""Draws the program's toolbar, list and popup images and its icon.

The pictures are simple vector shapes rasterised here, so that they can be
changed in code and rebuilt: python3 make_images.py (writes next to itself).
Bitmaps are 24-bit with magenta (255, 0, 255) as the transparent colour; the
icon carries an alpha channel.
"""
import math
import os
import struct

MAGENTA = (255, 0, 255)
SAMPLES = 4  # supersampling per axis
# A toolbar button is at least its image plus 7 pixels wide: 18 leaves the
# buttons at the 26 pixels they are designed with.
TOOLBAR_IMAGE = 18
# The sizes drawn for windows of any DPI.
PICTURE_SIZES = (16, 20, 24, 32, 48)


class Canvas:
    def __init__(self, size):
        self.size = size
        self.rgba = [[(0, 0, 0, 0.0)] * size for _ in range(size)]

    def fill(self, inside, colour):
        """Paints colour where inside(x, y) holds, x and y in 0..1 of the image."""
        n = self.size
        for py in range(n):
            for px in range(n):
                hits = 0
                for sy in range(SAMPLES):
                    for sx in range(SAMPLES):
                        x = (px + (sx + 0.5) / SAMPLES) / n
                        y = (py + (sy + 0.5) / SAMPLES) / n
                        if inside(x, y):
                            hits += 1
                if hits:
                    a = hits / (SAMPLES * SAMPLES)
                    r, g, b, old = self.rgba[py][px]
                    nr, ng, nb = colour
                    out = a + old * (1 - a)
                    mix = lambda c_new, c_old: (c_new * a + c_old * old * (1 - a)) / out
                    self.rgba[py][px] = (mix(nr, r), mix(ng, g), mix(nb, b), out)


def polygon(points):
    def inside(x, y):
        c = False
        j = len(points) - 1
        for i in range(len(points)):
            xi, yi = points[i]
            xj, yj = points[j]
            if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                c = not c
            j = i
        return c
    return inside


def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x <= x1 and y0 <= y <= y1


def circle(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def ring(cx, cy, r0, r1):
    return lambda x, y: r0 * r0 <= (x - cx) ** 2 + (y - cy) ** 2 <= r1 * r1


def segment(x0, y0, x1, y1, width):
    def inside(x, y):
        dx, dy = x1 - x0, y1 - y0
        t = max(0.0, min(1.0, ((x - x0) * dx + (y - y0) * dy) / (dx * dx + dy * dy)))
        px, py = x0 + t * dx, y0 + t * dy
        return (x - px) ** 2 + (y - py) ** 2 <= (width / 2) ** 2
    return inside


def outlined(canvas, shape_outer, shape_inner, edge, body):
    canvas.fill(shape_outer, edge)
    canvas.fill(shape_inner, body)


def folder(c, x0=0.06, y0=0.2, x1=0.94, y1=0.86, open_=False):
    w, h = x1 - x0, y1 - y0
    tab = polygon([(x0, y0 + 0.12 * h), (x0 + 0.05 * w, y0), (x0 + 0.38 * w, y0),
                   (x0 + 0.45 * w, y0 + 0.12 * h)])
    c.fill(tab, (176, 128, 24))
    c.fill(rect(x0, y0 + 0.1 * h, x1, y1), (176, 128, 24))
    c.fill(rect(x0 + 0.05, y0 + 0.1 * h + 0.05, x1 - 0.05, y1 - 0.05), (250, 204, 72))
    c.fill(rect(x0 + 0.05, y0 + 0.28 * h, x1 - 0.05, y1 - 0.05), (255, 222, 110))


def plus(c, cx, cy, r, colour):
    c.fill(circle(cx, cy, r), (255, 255, 255))
    c.fill(circle(cx, cy, r * 0.86), colour)
    c.fill(rect(cx - r * 0.55, cy - r * 0.16, cx + r * 0.55, cy + r * 0.16), (255, 255, 255))
    c.fill(rect(cx - r * 0.16, cy - r * 0.55, cx + r * 0.16, cy + r * 0.55), (255, 255, 255))


def minus(c, cx, cy, r, colour):
    c.fill(circle(cx, cy, r), (255, 255, 255))
    c.fill(circle(cx, cy, r * 0.86), colour)
    c.fill(rect(cx - r * 0.55, cy - r * 0.16, cx + r * 0.55, cy + r * 0.16), (255, 255, 255))


def magnifier(c):
    c.fill(segment(0.6, 0.6, 0.9, 0.9, 0.16), (110, 70, 30))
    c.fill(circle(0.4, 0.4, 0.32), (40, 70, 120))
    c.fill(circle(0.4, 0.4, 0.24), (190, 225, 250))
    c.fill(circle(0.32, 0.32, 0.07), (255, 255, 255))


def find_folders(c):
    folder(c, 0.0, 0.1, 0.78, 0.72)
    c.fill(segment(0.74, 0.74, 0.96, 0.96, 0.12), (110, 70, 30))
    c.fill(circle(0.6, 0.6, 0.26), (40, 70, 120))
    c.fill(circle(0.6, 0.6, 0.19), (190, 225, 250))


def trash(c):
    c.fill(polygon([(0.2, 0.3), (0.8, 0.3), (0.72, 0.94), (0.28, 0.94)]), (70, 70, 80))
    c.fill(polygon([(0.26, 0.35), (0.74, 0.35), (0.67, 0.89), (0.33, 0.89)]), (170, 175, 190))
    for x in (0.4, 0.5, 0.6):
        c.fill(rect(x - 0.025, 0.42, x + 0.025, 0.82), (90, 90, 105))
    c.fill(rect(0.12, 0.18, 0.88, 0.28), (70, 70, 80))
    c.fill(rect(0.38, 0.08, 0.62, 0.2), (70, 70, 80))
    c.fill(segment(0.62, 0.55, 0.92, 0.85, 0.11), (200, 30, 30))
    c.fill(segment(0.92, 0.55, 0.62, 0.85, 0.11), (200, 30, 30))


def chart(c):
    c.fill(rect(0.08, 0.08, 0.14, 0.92), (60, 60, 60))
    c.fill(rect(0.08, 0.86, 0.92, 0.92), (60, 60, 60))
    for x0, top, colour in ((0.22, 0.45, (40, 110, 200)), (0.45, 0.2, (50, 160, 70)), (0.68, 0.58, (230, 140, 30))):
        c.fill(rect(x0, top, x0 + 0.18, 0.84), (40, 40, 40))
        c.fill(rect(x0 + 0.03, top + 0.03, x0 + 0.15, 0.84), colour)


def gear(c):
    teeth = []
    for i in range(16):
        angle = i * math.pi / 8
        r = 0.46 if i % 2 == 0 else 0.33
        for d in (-0.12, 0.12):
            teeth.append((0.5 + r * math.cos(angle + d), 0.5 + r * math.sin(angle + d)))
    c.fill(polygon(teeth), (80, 85, 100))
    c.fill(circle(0.5, 0.5, 0.3), (150, 155, 170))
    c.fill(circle(0.5, 0.5, 0.13), (80, 85, 100))


def info(c):
    c.fill(circle(0.5, 0.5, 0.46), (20, 70, 160))
    c.fill(circle(0.5, 0.5, 0.4), (50, 120, 220))
    c.fill(circle(0.5, 0.28, 0.07), (255, 255, 255))
    c.fill(rect(0.43, 0.4, 0.57, 0.78), (255, 255, 255))


def exit_door(c):
    c.fill(rect(0.1, 0.06, 0.56, 0.94), (100, 60, 20))
    c.fill(rect(0.15, 0.11, 0.51, 0.94), (170, 110, 50))
    c.fill(circle(0.44, 0.52, 0.04), (250, 220, 90))
    c.fill(polygon([(0.46, 0.42), (0.7, 0.42), (0.7, 0.28), (0.95, 0.52), (0.7, 0.76), (0.7, 0.62), (0.46, 0.62)]),
           (30, 130, 40))


def explore(c):
    folder(c)
    c.fill(segment(0.66, 0.66, 0.92, 0.92, 0.14), (110, 70, 30))
    c.fill(circle(0.56, 0.56, 0.22), (40, 70, 120))
    c.fill(circle(0.56, 0.56, 0.15), (190, 225, 250))


def check_box(c, checked):
    c.fill(rect(0.12, 0.12, 0.88, 0.88), (60, 60, 70))
    c.fill(rect(0.19, 0.19, 0.81, 0.81), (255, 255, 255))
    if checked:
        c.fill(segment(0.28, 0.5, 0.45, 0.68, 0.13), (20, 120, 30))
        c.fill(segment(0.45, 0.68, 0.74, 0.3, 0.13), (20, 120, 30))


def app_icon(c):
    folder(c, 0.04, 0.18, 0.96, 0.9)
    star = []
    for i in range(8):
        angle = i * math.pi / 4 - math.pi / 2
        r = 0.26 if i % 2 == 0 else 0.08
        star.append((0.66 + r * math.cos(angle), 0.58 + r * math.sin(angle)))
    c.fill(polygon(star), (30, 110, 220))
    c.fill(circle(0.66, 0.58, 0.06), (255, 255, 255))


ARROW_GREY = (0xAC, 0xA8, 0x99)


def arrow_rows(widths):
    """Rows of a 9 x 6 arrow: grey runs of the given widths, centred; None is an all-fuchsia row."""
    rows = []
    for w in widths:
        row = [MAGENTA] * 9
        if w:
            start = (9 - w) // 2
            row[start:start + w] = [ARROW_GREY] * w
        rows.append(row)
    return rows


def write_rows_bmp(path, rows):
    """A 24-bit bitmap of exactly these RGB rows, top row first."""
    width, height = len(rows[0]), len(rows)
    stride = (width * 3 + 3) & ~3
    pixels = bytearray()
    for row in reversed(rows):
        line = bytearray()
        for r, g, b in row:
            line += bytes((b, g, r))
        line += b"\0" * (stride - len(line))
        pixels += line
    header = struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + pixels)


def canvas_rows(width, height, painter):
    """Rasterises painter on a square canvas as wide as the picture and keeps the top rows."""
    c = Canvas(width)
    painter(c, height / width)
    return opaque_rows(c)[:height]


def tool_logo(c, aspect):
    """The build tool's logo: a wrench over a gear, on a band, in a 174 x 71 picture."""
    h = aspect
    c.fill(rect(0, 0, 1, h), (40, 60, 110))
    c.fill(rect(0.012, 0.03, 0.988, h - 0.03), (70, 110, 190))
    teeth = []
    cx, cy = 0.2, h / 2
    for i in range(16):
        angle = i * math.pi / 8
        r = 0.16 if i % 2 == 0 else 0.12
        for d in (-0.12, 0.12):
            teeth.append((cx + r * math.cos(angle + d), cy + r * math.sin(angle + d)))
    c.fill(polygon(teeth), (230, 230, 235))
    c.fill(circle(cx, cy, 0.05), (70, 110, 190))
    c.fill(segment(0.42, h * 0.7, 0.9, h * 0.3, 0.07), (240, 200, 60))
    c.fill(circle(0.9, h * 0.3, 0.06), (240, 200, 60))
    c.fill(circle(0.92, h * 0.27, 0.025), (70, 110, 190))


def windows_logo(c):
    """Four coloured panes on white."""
    c.fill(rect(0, 0, 1, 1), (255, 255, 255))
    c.fill(rect(0.08, 0.08, 0.47, 0.47), (240, 80, 40))
    c.fill(rect(0.53, 0.08, 0.92, 0.47), (120, 190, 40))
    c.fill(rect(0.08, 0.53, 0.47, 0.92), (30, 160, 230))
    c.fill(rect(0.53, 0.53, 0.92, 0.92), (250, 190, 20))


def draw(painter, size):
    c = Canvas(size)
    painter(c)
    return c


def opaque_rows(canvas):
    """Rows of RGB pixels; half-covered pixels are kept, the rest is magenta."""
    rows = []
    for row in canvas.rgba:
        out = []
        for r, g, b, a in row:
            out.append((round(r), round(g), round(b)) if a >= 0.5 else MAGENTA)
        rows.append(out)
    return rows


def write_bmp(path, canvases):
    """The canvases side by side, as one strip."""
    strips = [opaque_rows(c) for c in canvases]
    rows = [sum((strip[y] for strip in strips), []) for y in range(canvases[0].size)]
    write_rows_bmp(path, rows)


def icon_image(canvas):
    n = canvas.size
    xor = bytearray()
    for y in range(n - 1, -1, -1):
        for r, g, b, a in canvas.rgba[y]:
            xor += bytes((round(b), round(g), round(r), round(a * 255)))
    mask_stride = ((n + 31) // 32) * 4
    mask = bytearray(mask_stride * n)  # all opaque: the alpha channel decides
    info = struct.pack("<IiiHHIIiiII", 40, n, n * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    return info + xor + mask


def write_ico(path, canvases):
    images = [icon_image(c) for c in canvases]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for c, data in zip(canvases, images):
        n = c.size
        out += struct.pack("<BBBBHHII", n % 256, n % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    with open(path, "wb") as f:
        f.write(out + b"".join(images))


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    toolbar = [
        lambda c: (folder(c), plus(c, 0.72, 0.7, 0.26, (40, 150, 50))),
        lambda c: (folder(c), minus(c, 0.72, 0.7, 0.26, (200, 40, 40))),
        magnifier, trash, chart, gear, info, exit_door, find_folders,
    ]
    write_bmp(os.path.join(here, "Toolbar.bmp"), [draw(p, TOOLBAR_IMAGE) for p in toolbar])
    write_bmp(os.path.join(here, "FolderList.bmp"), [draw(folder, 16)])
    popup = [
        explore,
        lambda c: (folder(c), minus(c, 0.72, 0.7, 0.26, (200, 40, 40))),
        folder,
        lambda c: check_box(c, True),
        lambda c: check_box(c, False),
    ]
    write_bmp(os.path.join(here, "Popup.bmp"), [draw(p, 16) for p in popup])
    # The same pictures in every size a window picks for its DPI (see
    # framework/Dpi.h): 16 at 96 DPI, 24 at 144, 32 at 192.
    for n in PICTURE_SIZES:
        write_bmp(os.path.join(here, "Toolbar%d.bmp" % n), [draw(p, n) for p in toolbar])
        write_bmp(os.path.join(here, "FolderList%d.bmp" % n), [draw(folder, n)])
        write_bmp(os.path.join(here, "Popup%d.bmp" % n), [draw(p, n) for p in popup])
    write_ico(os.path.join(here, "Marrowby.ico"), [draw(app_icon, n) for n in (16, 20, 24, 32, 48)])
    # The list view's sort arrows: 9 x 6, grey on fuchsia, pixel for pixel.
    write_rows_bmp(os.path.join(here, "ArrowUp.bmp"), arrow_rows([1, 3, 5, 7, 9, 0]))
    write_rows_bmp(os.path.join(here, "ArrowDown.bmp"), arrow_rows([0, 9, 7, 5, 3, 1]))
    # The about window's pictures, designed 174 x 71 and 40 x 40 at 96 DPI,
    # drawn for each DPI in the scale of the picture sizes (20 / 16 = 125 %,
    # and so on): ToolLogo16.bmp is the logo at 96 DPI, ToolLogo24.bmp at 144.
    for n in PICTURE_SIZES:
        scaled = lambda design: (design * n + 8) // 16
        write_rows_bmp(os.path.join(here, "ToolLogo%d.bmp" % n), canvas_rows(scaled(174), scaled(71), tool_logo))
        write_bmp(os.path.join(here, "WindowsLogo%d.bmp" % n), [draw(windows_logo, scaled(40))])


if __name__ == "__main__":
    main()
