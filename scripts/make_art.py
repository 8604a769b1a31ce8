#!/usr/bin/env python3
"""Draws the editor's own artwork and writes it into services/embedded/.

For every image this writes services/embedded/png/<name>.png and the C++ unit
services/embedded/<name>.cpp holding its bytes, plus the shared header
services/embedded/EmbeddedImages.h. The generated files are kept in the repository
so that a build needs no Python; run this again after changing a drawing.

Standard library only. Shapes are signed distance functions; the rasteriser
samples each pixel 2 x 2 times with a half-pixel edge ramp, which gives
smooth edges on small icons without an imaging library.

    python3 scripts/make_art.py [--sheet contact.png] [--out DIR]
"""

import argparse
import math
import os
import struct
import zlib

# --------------------------------------------------------------------------
# Shapes: a distance function (negative inside) and a bounding box.
# --------------------------------------------------------------------------


class Shape:
    __slots__ = ("d", "box")

    def __init__(self, d, box):
        self.d = d
        self.box = box


def circle(cx, cy, r):
    return Shape(lambda x, y: math.hypot(x - cx, y - cy) - r,
                 (cx - r, cy - r, cx + r, cy + r))


def ellipse(cx, cy, rx, ry):
    k = min(rx, ry)
    return Shape(lambda x, y: (math.hypot((x - cx) / rx, (y - cy) / ry) - 1.0) * k,
                 (cx - rx, cy - ry, cx + rx, cy + ry))


def rbox(x0, y0, x1, y1, r=0.0):
    cx, cy, hw, hh = (x0 + x1) / 2, (y0 + y1) / 2, (x1 - x0) / 2, (y1 - y0) / 2

    def d(x, y):
        qx = abs(x - cx) - hw + r
        qy = abs(y - cy) - hh + r
        return math.hypot(max(qx, 0.0), max(qy, 0.0)) + min(max(qx, qy), 0.0) - r
    return Shape(d, (x0, y0, x1, y1))


def rbox_rot(cx, cy, hw, hh, r, angle):
    """Rounded box of half sizes hw x hh turned by angle (radians) about its centre."""
    c, s = math.cos(angle), math.sin(angle)

    def d(x, y):
        u = (x - cx) * c + (y - cy) * s
        v = -(x - cx) * s + (y - cy) * c
        qx = abs(u) - hw + r
        qy = abs(v) - hh + r
        return math.hypot(max(qx, 0.0), max(qy, 0.0)) + min(max(qx, qy), 0.0) - r
    e = math.hypot(hw, hh)
    return Shape(d, (cx - e, cy - e, cx + e, cy + e))


def _seg_dist(x, y, ax, ay, bx, by):
    ex, ey = bx - ax, by - ay
    wx, wy = x - ax, y - ay
    ee = ex * ex + ey * ey
    t = 0.0 if ee == 0 else max(0.0, min(1.0, (wx * ex + wy * ey) / ee))
    return math.hypot(wx - ex * t, wy - ey * t)


def line(ax, ay, bx, by, w):
    """A stroke of width w with round caps."""
    h = w / 2
    return Shape(lambda x, y: _seg_dist(x, y, ax, ay, bx, by) - h,
                 (min(ax, bx) - h, min(ay, by) - h, max(ax, bx) + h, max(ay, by) + h))


def polyline(pts, w):
    h = w / 2
    segs = list(zip(pts, pts[1:]))

    def d(x, y):
        return min(_seg_dist(x, y, a[0], a[1], b[0], b[1]) for a, b in segs) - h
    xs, ys = [p[0] for p in pts], [p[1] for p in pts]
    return Shape(d, (min(xs) - h, min(ys) - h, max(xs) + h, max(ys) + h))


def polygon(pts):
    n = len(pts)

    def d(x, y):
        best = float("inf")
        inside = False
        j = n - 1
        for i in range(n):
            xi, yi = pts[i]
            xj, yj = pts[j]
            best = min(best, _seg_dist(x, y, xi, yi, xj, yj))
            if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                inside = not inside
            j = i
        return -best if inside else best
    xs, ys = [p[0] for p in pts], [p[1] for p in pts]
    return Shape(d, (min(xs), min(ys), max(xs), max(ys)))


def arc(cx, cy, r, a0, a1, w):
    """Stroke along the circle from angle a0 to a1 (degrees, clockwise on screen)."""
    h = w / 2
    t0, t1 = math.radians(a0), math.radians(a1)
    span = t1 - t0
    e0 = (cx + r * math.cos(t0), cy + r * math.sin(t0))
    e1 = (cx + r * math.cos(t1), cy + r * math.sin(t1))

    def d(x, y):
        t = (math.atan2(y - cy, x - cx) - t0) % (2 * math.pi)
        if t <= span:
            return abs(math.hypot(x - cx, y - cy) - r) - h
        return min(math.hypot(x - e0[0], y - e0[1]), math.hypot(x - e1[0], y - e1[1])) - h
    return Shape(d, (cx - r - h, cy - r - h, cx + r + h, cy + r + h))


def union(*shapes):
    ds = [s.d for s in shapes]
    return Shape(lambda x, y: min(f(x, y) for f in ds),
                 (min(s.box[0] for s in shapes), min(s.box[1] for s in shapes),
                  max(s.box[2] for s in shapes), max(s.box[3] for s in shapes)))


def inter(a, b):
    return Shape(lambda x, y: max(a.d(x, y), b.d(x, y)),
                 (max(a.box[0], b.box[0]), max(a.box[1], b.box[1]),
                  min(a.box[2], b.box[2]), min(a.box[3], b.box[3])))


def sub(a, b):
    return Shape(lambda x, y: max(a.d(x, y), -b.d(x, y)), a.box)


def outline(s, w):
    h = w / 2
    return Shape(lambda x, y: abs(s.d(x, y)) - h,
                 (s.box[0] - h, s.box[1] - h, s.box[2] + h, s.box[3] + h))


def grow(s, r):
    return Shape(lambda x, y: s.d(x, y) - r,
                 (s.box[0] - r, s.box[1] - r, s.box[2] + r, s.box[3] + r))


def moved(s, dx, dy, k=1.0):
    """The shape scaled by k about the origin, then moved by (dx, dy)."""
    return Shape(lambda x, y: s.d((x - dx) / k, (y - dy) / k) * k,
                 (s.box[0] * k + dx, s.box[1] * k + dy, s.box[2] * k + dx, s.box[3] * k + dy))


# --------------------------------------------------------------------------
# Canvas: premultiplied RGBA floats in 0..1.
# --------------------------------------------------------------------------

SUBSAMPLES = ((0.25, 0.25), (0.75, 0.25), (0.25, 0.75), (0.75, 0.75))


class Canvas:
    def __init__(self, w, h):
        self.w, self.h = w, h
        self.px = [0.0] * (w * h * 4)

    def _coverage(self, shape):
        x0 = max(0, int(math.floor(shape.box[0])) - 1)
        y0 = max(0, int(math.floor(shape.box[1])) - 1)
        x1 = min(self.w, int(math.ceil(shape.box[2])) + 1)
        y1 = min(self.h, int(math.ceil(shape.box[3])) + 1)
        d = shape.d
        for py in range(y0, y1):
            for px in range(x0, x1):
                cov = 0.0
                for ox, oy in SUBSAMPLES:
                    c = 0.5 - 2.0 * d(px + ox, py + oy)
                    cov += 1.0 if c >= 1.0 else (c if c > 0.0 else 0.0)
                if cov > 0.0:
                    yield px, py, cov * 0.25

    def fill(self, shape, color, alpha=1.0):
        """Paints the shape; color is (r, g, b) in 0..255 or a function of (x, y)."""
        p = self.px
        for x, y, cov in self._coverage(shape):
            r, g, b = color(x, y) if callable(color) else color
            a = cov * alpha
            i = (y * self.w + x) * 4
            k = 1.0 - a
            p[i] = r / 255.0 * a + p[i] * k
            p[i + 1] = g / 255.0 * a + p[i + 1] * k
            p[i + 2] = b / 255.0 * a + p[i + 2] * k
            p[i + 3] = a + p[i + 3] * k

    def erase(self, shape):
        """Cuts the shape out, leaving transparency: a gap around a badge."""
        p = self.px
        for x, y, cov in self._coverage(shape):
            i = (y * self.w + x) * 4
            k = 1.0 - cov
            for j in range(4):
                p[i + j] *= k

    def draw(self, other, dx=0, dy=0, tone=None):
        """Composites another canvas over this one, optionally through a colour map."""
        p, q = self.px, other.px
        for y in range(other.h):
            ty = y + dy
            if not 0 <= ty < self.h:
                continue
            for x in range(other.w):
                tx = x + dx
                if not 0 <= tx < self.w:
                    continue
                j = (y * other.w + x) * 4
                a = q[j + 3]
                if a <= 0.0:
                    continue
                r, g, b = q[j], q[j + 1], q[j + 2]
                if tone:
                    r, g, b = (c * a for c in tone(r / a, g / a, b / a))
                i = (ty * self.w + tx) * 4
                k = 1.0 - a
                p[i] = r + p[i] * k
                p[i + 1] = g + p[i + 1] * k
                p[i + 2] = b + p[i + 2] * k
                p[i + 3] = a + p[i + 3] * k

    def rgba(self):
        out = bytearray(self.w * self.h * 4)
        p = self.px
        for i in range(0, len(p), 4):
            a = p[i + 3]
            if a <= 0.0:
                continue
            out[i] = _byte(p[i] / a)
            out[i + 1] = _byte(p[i + 1] / a)
            out[i + 2] = _byte(p[i + 2] / a)
            out[i + 3] = _byte(a)
        return out


def _byte(v):
    return max(0, min(255, int(round(v * 255.0))))


def vgrad(y0, y1, top, bottom):
    """Vertical gradient between two colours, as a colour function."""
    def f(_x, y):
        t = max(0.0, min(1.0, (y + 0.5 - y0) / max(1e-6, y1 - y0)))
        return tuple(a + (b - a) * t for a, b in zip(top, bottom))
    return f


# --------------------------------------------------------------------------
# Style: colours of the glyphs and of the five widget states.
# --------------------------------------------------------------------------

NORMAL, HOVER, PRESSED, ACTIVE, DISABLED = range(5)

INK = {"ink": (46, 60, 82), "accent": (44, 110, 192), "soft": (196, 216, 242),
       "paper": (255, 255, 255), "media": (46, 60, 82)}
INK_ACTIVE = {"ink": (24, 40, 66), "accent": (24, 90, 176), "soft": (176, 204, 240),
              "paper": (255, 255, 255), "media": (24, 90, 176)}
GOLD = (232, 172, 58)
GREEN = (88, 158, 100)
RED = (210, 84, 80)

# top, bottom and border of the button face in each state
FACES = {
    NORMAL: ((252, 253, 254), (230, 234, 241), (158, 168, 184)),
    HOVER: ((255, 255, 255), (240, 246, 253), (104, 148, 208)),
    PRESSED: ((200, 208, 221), (218, 224, 233), (116, 130, 152)),
    ACTIVE: ((222, 235, 251), (194, 216, 246), (50, 110, 192)),
    DISABLED: ((241, 241, 241), (236, 236, 236), (206, 206, 206)),
}
TAB_FACES = dict(FACES)
TAB_FACES[ACTIVE] = ((255, 255, 255), (242, 247, 253), (50, 110, 192))


def face(w, h, state, radius, faces=FACES):
    c = Canvas(w, h)
    top, bottom, border = faces[state]
    c.fill(rbox(0, 0, w, h, radius), border)
    inner = rbox(1, 1, w - 1, h - 1, radius - 1)
    c.fill(inner, vgrad(1, h - 1, top, bottom))
    if state == PRESSED:
        c.fill(sub(inner, rbox(1, 2, w - 1, h + 4, radius - 1)), (0, 0, 0), 0.16)
        c.fill(sub(inner, rbox(1, 3, w - 1, h + 4, radius - 1)), (0, 0, 0), 0.07)
    elif state != DISABLED:
        c.fill(sub(inner, rbox(1, 2, w - 1, h + 4, radius - 1)), (255, 255, 255), 0.85)
    return c


def disabled_tone(r, g, b):
    """Grey at about half contrast against the disabled face."""
    lum = 0.30 * r + 0.59 * g + 0.11 * b
    base = 238.0 / 255.0
    v = base + (lum - base) * 0.48
    return v, v, v


def strip(w, h, radius, glyph, faces=FACES):
    """Five frames top to bottom: normal, hovered, pressed, active, disabled."""
    normal = Canvas(w, h)
    glyph(normal, INK)
    active = Canvas(w, h)
    glyph(active, INK_ACTIVE)
    out = Canvas(w, h * 5)
    for state in range(5):
        frame = face(w, h, state, radius, faces)
        if state == PRESSED:
            frame.draw(normal, 0, 1)  # pressed in: the glyph sinks a pixel, clipped to its frame
        elif state == ACTIVE:
            frame.draw(active)
        elif state == DISABLED:
            frame.draw(normal, 0, 0, disabled_tone)
        else:
            frame.draw(normal)
        out.draw(frame, 0, state * h)
    return out


# --------------------------------------------------------------------------
# Glyph parts shared by several icons (28 x 28 frames).
# --------------------------------------------------------------------------

SW = 2.0  # outline width of the 28-pixel glyphs


def badge(c, pal, kind, cx=20.0, cy=20.0):
    """A round accent badge in the lower right: plus, arrow down (in) or up (out)."""
    c.erase(circle(cx, cy, 6.8))
    c.fill(circle(cx, cy, 5.4), pal["accent"])
    w = pal["paper"]
    if kind == "plus":
        c.fill(line(cx - 3, cy, cx + 3, cy, 1.8), w)
        c.fill(line(cx, cy - 3, cx, cy + 3, 1.8), w)
    else:
        s = 1 if kind == "down" else -1
        c.fill(line(cx, cy - 3.0 * s, cx, cy + 2.6 * s, 1.8), w)
        c.fill(polyline([(cx - 2.7, cy + 0.1 * s), (cx, cy + 2.8 * s), (cx + 2.7, cy + 0.1 * s)], 1.8), w)


def page(c, pal, x0, y0, x1, y1, fold=4.0):
    body = polygon([(x0, y0), (x1 - fold, y0), (x1, y0 + fold), (x1, y1), (x0, y1)])
    c.fill(body, pal["paper"])
    c.fill(outline(body, SW), pal["ink"])


def picture(c, pal):
    c.fill(rbox(4, 5, 20, 18, 1.5), pal["paper"])
    c.fill(polygon([(5, 17), (9.5, 10.5), (12.5, 14), (14.5, 12), (18, 17)]), pal["accent"])
    c.fill(circle(14.6, 8.6, 1.8), GOLD)
    c.fill(outline(rbox(5, 6, 19, 17, 1), SW), pal["ink"])


def notes(c, pal):
    ink = pal["ink"]
    c.fill(ellipse(6.8, 16.4, 2.7, 2.2), ink)
    c.fill(ellipse(13.8, 14.2, 2.7, 2.2), ink)
    c.fill(line(8.7, 16.0, 8.7, 6.8, 1.8), ink)
    c.fill(line(15.7, 13.8, 15.7, 4.6, 1.8), ink)
    c.fill(polygon([(7.8, 5.8), (16.6, 3.6), (16.6, 6.8), (7.8, 9.0)]), ink)


def text_page(c, pal):
    page(c, pal, 6, 4, 18, 22)
    for y, x1 in ((11, 14.5), (14, 14.5), (17, 12)):
        c.fill(line(9.5, y, x1, y, 1.5), pal["accent"])


def magnifier(c, pal, plus):
    c.fill(circle(12, 12, 6.6), pal["paper"])
    c.fill(outline(circle(12, 12, 6.6), SW), pal["ink"])
    c.fill(line(17, 17, 21.5, 21.5, 3.4), pal["ink"])
    c.fill(line(9, 12, 15, 12, 2), pal["accent"])
    if plus:
        c.fill(line(12, 9, 12, 15, 2), pal["accent"])


def swatch(c, pal, fill):
    body = rbox(6, 6, 22, 22, 2)
    if fill == "checker":
        c.fill(body, (255, 255, 255))
        for i in range(4):
            for j in range(4):
                if (i + j) % 2 == 0:
                    c.fill(inter(body, rbox(6 + 4 * i, 6 + 4 * j, 10 + 4 * i, 10 + 4 * j)), (186, 190, 196))
    else:
        c.fill(body, fill)
    c.fill(outline(rbox(6.5, 6.5, 21.5, 21.5, 1.5), 1.4), pal["ink"])


# --------------------------------------------------------------------------
# The 28-pixel glyphs.
# --------------------------------------------------------------------------


def g_new(c, pal):
    page(c, pal, 6, 4, 18, 22)
    badge(c, pal, "plus")


def g_load(c, pal):
    ink = pal["ink"]
    back = polygon([(5, 8), (10.5, 8), (12.5, 10), (20, 10), (20, 21), (5, 21)])
    c.fill(back, pal["soft"])
    c.fill(outline(back, SW), ink)
    flap = polygon([(5, 21), (8.5, 13.5), (23.5, 13.5), (20, 21)])
    c.fill(flap, pal["accent"])
    c.fill(outline(flap, 1.6), ink)


def g_import_xml(c, pal):
    page(c, pal, 6, 4, 18, 22)
    a = pal["accent"]
    c.fill(polyline([(9.9, 8.8), (8.0, 11.6), (9.9, 14.4)], 1.5), a)
    c.fill(line(12.9, 8.6, 11.1, 14.6, 1.4), a)
    c.fill(polyline([(14.1, 8.8), (16.0, 11.6), (14.1, 14.4)], 1.5), a)
    badge(c, pal, "down")


def padlock_body(c, pal):
    body = rbox(7.5, 12.5, 20.5, 23, 2)
    c.fill(body, pal["accent"])
    c.fill(outline(body, 1.4), pal["ink"])
    c.fill(circle(14, 16.8, 1.7), pal["paper"])
    c.fill(line(14, 17, 14, 20, 1.6), pal["paper"])


def g_lock(c, pal):
    c.fill(arc(14, 10.5, 4.3, 180, 360, 2.4), pal["ink"])
    c.fill(line(9.7, 10.5, 9.7, 13, 2.4), pal["ink"])
    c.fill(line(18.3, 10.5, 18.3, 13, 2.4), pal["ink"])
    padlock_body(c, pal)


def g_unlock(c, pal):
    c.fill(arc(18.3, 8.5, 4.3, 180, 360, 2.4), pal["ink"])
    c.fill(line(14.0, 8.5, 14.0, 10.0, 2.4), pal["ink"])
    c.fill(line(22.6, 8.5, 22.6, 13, 2.4), pal["ink"])
    padlock_body(c, pal)


def g_tools(c, pal):
    ang = math.radians(-45)
    hx, hy = 17.6, 10.4
    head = circle(hx, hy, 5.2)
    jaw = rbox_rot(hx + 2.6 * math.cos(ang), hy + 2.6 * math.sin(ang), 3.4, 1.7, 0.3, ang)
    wrench = union(sub(head, jaw), line(hx, hy, 7.8, 20.2, 3.8))
    c.fill(wrench, pal["ink"])
    c.fill(circle(7.9, 20.1, 0.9), pal["paper"])


def g_close(c, pal):
    c.fill(line(8.5, 8.5, 19.5, 19.5, 2.8), pal["ink"])
    c.fill(line(19.5, 8.5, 8.5, 19.5, 2.8), pal["ink"])


def g_info(c, pal):
    c.fill(circle(14, 14, 9), pal["accent"])
    c.fill(circle(14, 9.4, 1.5), pal["paper"])
    c.fill(line(14, 12.8, 14, 18.8, 2.6), pal["paper"])


def g_new_item(c, pal):
    c.fill(line(14, 6.5, 14, 21.5, 3.2), pal["accent"])
    c.fill(line(6.5, 14, 21.5, 14, 3.2), pal["accent"])


def g_save_item(c, pal):
    body = polygon([(6.5, 6), (18.5, 6), (21.5, 9), (21.5, 22), (6.5, 22)])
    c.fill(grow(body, 0.4), pal["accent"])
    c.fill(rbox(9.5, 6, 17.5, 11.5, 0.8), pal["paper"])
    c.fill(rbox(14.5, 7.3, 16.3, 10.2), pal["ink"])
    c.fill(rbox(9, 14.5, 19, 22, 1), pal["paper"])
    c.fill(line(11, 17, 17, 17, 1.2), pal["soft"])
    c.fill(line(11, 19.5, 17, 19.5, 1.2), pal["soft"])
    c.fill(outline(grow(body, 0.4), 1.4), pal["ink"])


def g_delete_item(c, pal):
    ink = pal["ink"]
    body = polygon([(8.5, 10.5), (19.5, 10.5), (18.4, 22.5), (9.6, 22.5)])
    c.fill(body, pal["soft"])
    c.fill(outline(body, SW), ink)
    c.fill(line(6.5, 8.2, 21.5, 8.2, 2), ink)
    c.fill(polyline([(11.5, 7.5), (11.5, 5.5), (16.5, 5.5), (16.5, 7.5)], 1.6), ink)
    c.fill(line(12.2, 13.5, 12.4, 19.5, 1.5), ink)
    c.fill(line(15.8, 13.5, 15.6, 19.5, 1.5), ink)


def g_zoom_in(c, pal):
    magnifier(c, pal, True)


def g_zoom_out(c, pal):
    magnifier(c, pal, False)


def g_grid(c, pal):
    c.fill(rbox(6, 6, 22, 22, 1), pal["paper"])
    for v in (12, 16):
        c.fill(rbox(v - 0.75, 7, v + 0.75, 21), pal["accent"])
        c.fill(rbox(7, v - 0.75, 21, v + 0.75), pal["accent"])
    c.fill(outline(rbox(7, 7, 21, 21, 1), SW), pal["ink"])


def g_pattern_block(c, pal):
    swatch(c, pal, "checker")


def g_pattern_white(c, pal):
    swatch(c, pal, (255, 255, 255))


def g_pattern_black(c, pal):
    swatch(c, pal, (28, 30, 34))


def g_tilemap(c, pal):
    colours = [[GREEN, GREEN, pal["accent"]],
               [GREEN, pal["soft"], pal["accent"]],
               [pal["soft"], pal["accent"], pal["accent"]]]
    for j in range(3):
        for i in range(3):
            x, y = 6 + 5.5 * i, 6 + 5.5 * j
            c.fill(rbox(x, y, x + 4.6, y + 4.6, 1), colours[j][i])
    c.fill(outline(rbox(5.2, 5.2, 22.8, 22.8, 2), 1.2), pal["ink"])


def g_visibility(c, pal):
    a, b = 9.5, 5.6
    r = (a * a + b * b) / (2 * b)
    k = r - b
    eye = inter(circle(14, 14 + k, r), circle(14, 14 - k, r))
    c.fill(eye, pal["paper"])
    c.fill(circle(14, 14, 3.9), pal["accent"])
    c.fill(circle(14, 14, 1.7), pal["ink"])
    c.fill(circle(15.2, 12.8, 0.8), pal["paper"])
    c.fill(outline(eye, SW), pal["ink"])


def g_import_img(c, pal):
    picture(c, pal)
    badge(c, pal, "down")


def g_export_img(c, pal):
    picture(c, pal)
    badge(c, pal, "up")


def g_import_audio(c, pal):
    notes(c, pal)
    badge(c, pal, "down")


def g_export_audio(c, pal):
    notes(c, pal)
    badge(c, pal, "up")


def g_import_file(c, pal):
    text_page(c, pal)
    badge(c, pal, "down")


def g_export_file(c, pal):
    text_page(c, pal)
    badge(c, pal, "up")


def g_play(c, pal):
    c.fill(grow(polygon([(10.5, 8), (20, 14), (10.5, 20)]), 1.0), pal["media"])


def g_pause(c, pal):
    c.fill(rbox(8.5, 7.5, 12.5, 20.5, 1), pal["media"])
    c.fill(rbox(15.5, 7.5, 19.5, 20.5, 1), pal["media"])


def g_stop(c, pal):
    c.fill(rbox(8, 8, 20, 20, 1.8), pal["media"])


def g_fit(c, pal):
    ink = pal["ink"]
    for sx, sy in ((6, 6), (22, 6), (6, 22), (22, 22)):
        dx = 5 if sx < 14 else -5
        dy = 5 if sy < 14 else -5
        c.fill(polyline([(sx + dx, sy), (sx, sy), (sx, sy + dy)], SW), ink)
    c.fill(rbox(10, 11, 18, 17, 1), pal["accent"])


def g_settings(c, pal):
    teeth = [rbox_rot(14, 14, 8.4, 1.9, 0.6, math.radians(a)) for a in (0, 45, 90, 135)]
    gear = sub(union(circle(14, 14, 6.4), *teeth), circle(14, 14, 2.6))
    c.fill(gear, pal["ink"])


# --------------------------------------------------------------------------
# The 20-pixel glyphs.
# --------------------------------------------------------------------------


def i_time(c, pal):
    c.fill(circle(10, 10, 7), pal["paper"])
    c.fill(outline(circle(10, 10, 6.6), 1.6), pal["ink"])
    c.fill(polyline([(10, 5.8), (10, 10), (13, 11.8)], 1.5), pal["accent"])
    c.fill(circle(10, 10, 1.1), pal["ink"])


def i_theme(c, pal):
    blob = sub(ellipse(10, 10, 7.4, 6.6), circle(12.6, 14.6, 2.1))
    c.fill(blob, pal["paper"])
    c.fill(outline(blob, 1.4), pal["ink"])
    for (x, y), col in (((6.2, 9.6), RED), ((8.6, 6.2), GOLD), ((12.4, 6.0), GREEN), ((14.6, 9.4), pal["accent"])):
        c.fill(circle(x, y, 1.55), col)


def i_align(c, pal):
    for y, x1 in ((4, 17), (8, 12), (12, 15), (16, 10)):
        c.fill(rbox(3, y - 1, x1, y + 1, 0.6), pal["ink"])


def i_justify(c, pal):
    for y, x1 in ((4, 17), (8, 17), (12, 17), (16, 11)):
        c.fill(rbox(3, y - 1, x1, y + 1, 0.6), pal["ink"])


def i_width(c, pal):
    c.fill(rbox(2.5, 4.5, 4, 15.5), pal["ink"])
    c.fill(rbox(16, 4.5, 17.5, 15.5), pal["ink"])
    c.fill(line(6, 10, 14, 10, 1.6), pal["accent"])
    c.fill(polyline([(8.2, 7.4), (5.7, 10), (8.2, 12.6)], 1.6), pal["accent"])
    c.fill(polyline([(11.8, 7.4), (14.3, 10), (11.8, 12.6)], 1.6), pal["accent"])


def i_height(c, pal):
    c.fill(rbox(4.5, 2.5, 15.5, 4), pal["ink"])
    c.fill(rbox(4.5, 16, 15.5, 17.5), pal["ink"])
    c.fill(line(10, 6, 10, 14, 1.6), pal["accent"])
    c.fill(polyline([(7.4, 8.2), (10, 5.7), (12.6, 8.2)], 1.6), pal["accent"])
    c.fill(polyline([(7.4, 11.8), (10, 14.3), (12.6, 11.8)], 1.6), pal["accent"])


def i_colors(c, pal):
    for (x, y), col in (((10, 7.6), pal["accent"]), ((7.4, 12.2), RED), ((12.6, 12.2), GREEN)):
        c.fill(circle(x, y, 4.4), col, 0.82)
        c.fill(outline(circle(x, y, 4.4), 0.9), pal["ink"], 0.55)


# --------------------------------------------------------------------------
# Tab check box, icon, logo and background.
# --------------------------------------------------------------------------


def tab_strip():
    w, h = 78, 28
    out = Canvas(w, h * 5)
    for state in range(5):
        f = face(w, h, state, 6, TAB_FACES)
        if state == ACTIVE:
            f.fill(rbox(8, h - 5, w - 8, h - 2, 1.5), INK_ACTIVE["accent"])
        out.draw(f, 0, state * h)
    return out


def emblem(c, x, y, k):
    """The editor's mark: a blue rounded square holding a white S."""
    tile = moved(rbox(0, 0, 36, 36, 8.5), x, y, k)
    c.fill(tile, vgrad(y, y + 36 * k, (70, 138, 218), (34, 88, 164)))
    c.fill(moved(sub(rbox(0, 0, 36, 36, 8.5), rbox(0, 1.4, 36, 40, 8.5)), x, y, k), (255, 255, 255), 0.35)
    s = union(arc(18, 12.6, 5.4, 90, 340, 4.2), arc(18, 23.4, 5.4, -90, 160, 4.2))
    c.fill(moved(s, x, y + 0.6 * k, k), (20, 52, 104), 0.35)
    c.fill(moved(s, x, y, k), (255, 255, 255))


def app_icon():
    c = Canvas(36, 36)
    emblem(c, 0, 0, 1.0)
    return c


def logo():
    c = Canvas(56, 36)
    emblem(c, 1, 1, 34 / 36)
    layers = ((26, (34, 88, 164)), (19.5, (70, 138, 218)), (13, (150, 190, 238)))
    for cy, col in layers:
        rhomb = polygon([(46.5, cy - 5), (55, cy), (46.5, cy + 5), (38, cy)])
        c.erase(grow(rhomb, 1.3))
        c.fill(grow(rhomb, 0.4), col)
    return c


def background():
    """The empty editor area: soft gradient, faint dot grid and a watermark of the mark."""
    w, h = 1040, 935
    top, bottom = (238, 241, 245), (218, 224, 232)
    mark_size = 240
    mark = Canvas(mark_size, mark_size)
    k = mark_size / 36
    mark.fill(outline(moved(rbox(1, 1, 35, 35, 8), 0, 0, k), 1.2 * k), (60, 90, 130))
    s = union(arc(18, 12.6, 5.4, 90, 340, 4.2), arc(18, 23.4, 5.4, -90, 160, 4.2))
    mark.fill(moved(s, 0, 0, k), (60, 90, 130))
    mx, my = (w - mark_size) // 2, (h - mark_size) // 2
    rows = []
    for y in range(h):
        t = y / (h - 1)
        base = [int(round(a + (b - a) * t)) for a, b in zip(top, bottom)]
        row = bytearray(bytes(base) * w)
        if y % 24 == 12:
            dot = bytes(max(0, v - 12) for v in base)
            for x in range(12, w, 24):
                row[x * 3:x * 3 + 3] = dot
        if my <= y < my + mark_size:
            for x in range(mark_size):
                j = ((y - my) * mark_size + x) * 4
                a = mark.px[j + 3] * 0.07
                if a <= 0.0:
                    continue
                i = (mx + x) * 3
                src = mark.px[j:j + 3]
                for ch in range(3):
                    v = row[i + ch] / 255.0
                    row[i + ch] = _byte(src[ch] / mark.px[j + 3] * a + v * (1 - a))
        rows.append(bytes(row))
    return w, h, rows


# --------------------------------------------------------------------------
# PNG writing.
# --------------------------------------------------------------------------


def _paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def _filter_rows(rows, bpp, mode):
    prev = bytes(len(rows[0]))
    out = bytearray()
    for row in rows:
        n = len(row)
        left = bytes(bpp) + row[:-bpp]
        upleft = bytes(bpp) + prev[:-bpp]
        cands = {
            0: row,
            1: bytes((row[i] - left[i]) & 255 for i in range(n)),
            2: bytes((row[i] - prev[i]) & 255 for i in range(n)),
        }
        if mode == "adaptive":
            cands[3] = bytes((row[i] - ((left[i] + prev[i]) >> 1)) & 255 for i in range(n))
            cands[4] = bytes((row[i] - _paeth(left[i], prev[i], upleft[i])) & 255 for i in range(n))
            kind = min(cands, key=lambda f: sum(v if v < 128 else 256 - v for v in cands[f]))
        else:
            kind = mode
        out.append(kind)
        out += cands[kind]
        prev = row
    return bytes(out)


def _chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)


def png(w, h, rows, channels):
    """The smallest of a few filter strategies; rows are raw pixel bytes."""
    colour_type = 6 if channels == 4 else 2
    best = None
    for mode in ("adaptive", 0, 1, 2):
        data = zlib.compress(_filter_rows(rows, channels, mode), 9)
        if best is None or len(data) < len(best):
            best = data
    header = struct.pack(">IIBBBBB", w, h, 8, colour_type, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + _chunk(b"IHDR", header) + _chunk(b"IDAT", best) + _chunk(b"IEND", b"")


def canvas_png(c):
    data = c.rgba()
    stride = c.w * 4
    return png(c.w, c.h, [bytes(data[y * stride:(y + 1) * stride]) for y in range(c.h)], 4)


def read_png(blob):
    """Decodes the PNGs written above (8-bit RGB or RGBA): width, height, channels, rows."""
    assert blob[:8] == b"\x89PNG\r\n\x1a\n"
    pos, idat, w = 8, b"", 0
    while pos < len(blob):
        n, = struct.unpack(">I", blob[pos:pos + 4])
        kind, data = blob[pos + 4:pos + 8], blob[pos + 8:pos + 8 + n]
        if kind == b"IHDR":
            w, h, _depth, ctype = struct.unpack(">IIBB", data[:10])
        elif kind == b"IDAT":
            idat += data
        pos += 12 + n
    ch = 4 if ctype == 6 else 3
    raw = zlib.decompress(idat)
    stride = w * ch
    rows, prev = [], bytearray(stride)
    for y in range(h):
        kind = raw[y * (stride + 1)]
        line_ = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line_[i - ch] if i >= ch else 0
            b = prev[i]
            c = prev[i - ch] if i >= ch else 0
            line_[i] = (line_[i] + (0, a, b, (a + b) >> 1, _paeth(a, b, c))[kind]) & 255
        rows.append(bytes(line_))
        prev = line_
    return w, h, ch, rows


# --------------------------------------------------------------------------
# The image set and the C++ units.
# --------------------------------------------------------------------------

BUTTONS_28 = [
    ("Skardy_btn_new", g_new), ("Skardy_btn_load", g_load), ("Skardy_btn_import_xml", g_import_xml),
    ("Skardy_btn_lock", g_lock), ("Skardy_btn_unlock", g_unlock), ("Skardy_btn_tools", g_tools),
    ("Skardy_btn_close", g_close), ("Skardy_btn_info", g_info),
    ("Skardy_btn_new_item", g_new_item), ("Skardy_btn_save_item", g_save_item),
    ("Skardy_btn_delete_item", g_delete_item),
    ("Skardy_btn_import_img", g_import_img), ("Skardy_btn_export_img", g_export_img),
    ("Skardy_btn_zoom_in", g_zoom_in), ("Skardy_btn_zoom_out", g_zoom_out),
    ("Skardy_chk_grid", g_grid), ("Skardy_chk_pattern_block", g_pattern_block),
    ("Skardy_chk_pattern_white", g_pattern_white), ("Skardy_chk_pattern_black", g_pattern_black),
    ("Skardy_chk_tilemap", g_tilemap), ("Skardy_chk_visibility", g_visibility),
    ("Skardy_btn_import_audio", g_import_audio), ("Skardy_btn_export_audio", g_export_audio),
    ("Skardy_chk_audio_play", g_play), ("Skardy_chk_audio_pause", g_pause), ("Skardy_chk_audio_stop", g_stop),
    ("Skardy_btn_import_file", g_import_file), ("Skardy_btn_export_file", g_export_file),
    ("Skardy_chk_fit", g_fit), ("Skardy_btn_settings", g_settings),
]

ICONS_20 = [
    ("Skardy_icon_time", i_time), ("Skardy_icon_theme", i_theme), ("Skardy_icon_align", i_align),
    ("Skardy_icon_justify", i_justify), ("Skardy_icon_width", i_width), ("Skardy_icon_height", i_height),
    ("Skardy_icon_colors", i_colors),
]


def build_images():
    """Every image as (name, PNG bytes, the canvas for the contact sheet or None)."""
    images = [("Skardy_img_app_icon", app_icon()), ("Skardy_img_logo", logo()), ("Skardy_chk_tab", tab_strip())]
    images += [(name, strip(28, 28, 5, g)) for name, g in BUTTONS_28]
    images += [(name, strip(20, 20, 4, g)) for name, g in ICONS_20]
    out = [(name, canvas_png(c), c) for name, c in images]
    w, h, rows = background()
    out.append(("Skardy_bg_default", png(w, h, rows, 3), None))
    return sorted(out, key=lambda item: item[0])


HEADER = """\
// Editor artwork compiled into the program: each image is a PNG file held as a
// byte array with its size in bytes. Widget images are vertical strips of five
// frames, top to bottom: normal, hovered, pressed, active, disabled.
// Generated by scripts/make_art.py; change the drawings there and run it again.
#pragma once

"""


def cpp_unit(name, blob):
    lines = ["// Generated by scripts/make_art.py from the drawing of " + name + "; do not edit.",
             '#include "services/embedded/EmbeddedImages.h"', "",
             "extern const unsigned char " + name + "[] = {"]
    for i in range(0, len(blob), 20):
        lines.append(",".join("0x%02x" % b for b in blob[i:i + 20]) + ",")
    lines += ["};", "extern const unsigned int " + name + "_size = sizeof(" + name + ");", ""]
    return "\n".join(lines)


def write_if_changed(path, data):
    if isinstance(data, str):
        data = data.encode()
    if os.path.exists(path):
        with open(path, "rb") as f:
            if f.read() == data:
                return
    with open(path, "wb") as f:
        f.write(data)


def contact_sheet(images, path, scale=3, width=1400):
    """All strips side by side on the menu bar's grey, enlarged and wrapped into rows."""
    shown = [c for _, _, c in images if c is not None]
    gap = 8
    rows_of, row, x = [], [], gap
    for c in shown:
        if row and x + c.w * scale > width:
            rows_of.append(row)
            row, x = [], gap
        row.append(c)
        x += c.w * scale + gap
    rows_of.append(row)
    h = sum(max(c.h for c in r) * scale + gap for r in rows_of) + gap
    grey = (225, 225, 225)
    sheet = [bytearray(bytes(grey) * width) for _ in range(h)]
    top = gap
    for r in rows_of:
        x = gap
        for c in r:
            data = c.rgba()
            for y in range(c.h * scale):
                line_ = sheet[top + y]
                for xx in range(c.w * scale):
                    j = ((y // scale) * c.w + xx // scale) * 4
                    a = data[j + 3] / 255.0
                    i = (x + xx) * 3
                    for ch in range(3):
                        line_[i + ch] = int(round(data[j + ch] * a + grey[ch] * (1 - a)))
            x += c.w * scale + gap
        top += max(c.h for c in r) * scale + gap
    with open(path, "wb") as f:
        f.write(png(width, h, [bytes(r) for r in sheet], 3))


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--out", default=os.path.join(root, "services", "embedded"), help="output folder")
    ap.add_argument("--sheet", help="also write an enlarged contact sheet PNG here")
    args = ap.parse_args()

    images = build_images()
    os.makedirs(os.path.join(args.out, "png"), exist_ok=True)
    header = HEADER
    for name, blob, _ in images:
        w, h, _ch, _rows = read_png(blob)
        write_if_changed(os.path.join(args.out, "png", name + ".png"), blob)
        write_if_changed(os.path.join(args.out, name + ".cpp"), cpp_unit(name, blob))
        header += "extern const unsigned char %s[];  // %d x %d\n" % (name, w, h)
        header += "extern const unsigned int %s_size;\n" % name
    write_if_changed(os.path.join(args.out, "EmbeddedImages.h"), header)
    if args.sheet:
        contact_sheet(images, args.sheet)
    for name, blob, _ in images:
        print("%-28s %7d bytes" % (name, len(blob)))


if __name__ == "__main__":
    main()
