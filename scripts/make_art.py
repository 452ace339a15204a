#!/usr/bin/python3
"""Draws the skin PNGs (res/png/<id>.png) and the program icon (res/app.ico).

Needs Pillow, the WenQuanYi Zen Hei font and optipng (apt install optipng). The
output is committed, so the build never runs this; running it again gives the
same bytes.
"""

import math
import os
import struct
import subprocess
import sys
from io import BytesIO

from PIL import Image, ImageChops, ImageDraw, ImageFilter, ImageFont

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
FONT_PATH = "/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc"

# Shapes are drawn this many times larger and box-filtered down for clean edges.
SS = 4

WHITE = (255, 255, 255)
BLACK = (0, 0, 0)
ACCENT = (41, 121, 222)
ACCENT_LIGHT = (72, 146, 236)
ACCENT_DARK = (26, 92, 188)
HERO_TOP = (38, 116, 218)
HERO_BOTTOM = (24, 84, 186)
NAVY_TOP = (24, 54, 104)
NAVY_BOTTOM = (11, 29, 63)
TEXT = (40, 48, 60)
TEXT_MUTED = (104, 114, 128)
TEXT_DISABLED = (168, 176, 188)
LINE = (226, 231, 238)
TINT = (240, 246, 254)
TINT_STRONG = (219, 233, 252)
BORDER = (203, 211, 222)
DANGER = (226, 72, 72)
DANGER_DARK = (190, 50, 50)

STATES = ("normal", "hover", "pressed", "disabled")

# --------------------------------------------------------------------------
# Drawing helpers. Every shape is an "L" coverage mask as large as its target;
# colour is applied by paint(), so transparent pixels never carry stray colour.

_fonts = {}


def font(px):
    if px not in _fonts:
        _fonts[px] = ImageFont.truetype(FONT_PATH, px, index=0)
    return _fonts[px]


def lerp(a, b, t):
    return tuple(int(round(x + (y - x) * t)) for x, y in zip(a, b))


def vgrad(size, top, bottom, y0=0, y1=None):
    w, h = size
    y1 = h if y1 is None else y1
    col = Image.new("RGB", (1, h))
    col.putdata([lerp(top, bottom, min(1.0, max(0.0, (y + 0.5 - y0) / (y1 - y0))))
                 for y in range(h)])
    return col.resize((w, h), Image.NEAREST)


def ss_mask(size, draw_fn):
    """draw_fn(draw, k) draws with fill 255; k scales 1x coordinates."""
    m = Image.new("L", (size[0] * SS, size[1] * SS), 0)
    draw_fn(ImageDraw.Draw(m), lambda *v: [x * SS for x in v])
    return m.reduce(SS)


def rrect(size, box, r):
    x0, y0, x1, y1 = box

    def fn(d, k):
        b = k(x0, y0, x1, y1)
        d.rounded_rectangle((b[0], b[1], b[2] - 1, b[3] - 1), radius=r * SS, fill=255)
    return ss_mask(size, fn)


def rring(size, box, r, width):
    x0, y0, x1, y1 = box
    inner = (x0 + width, y0 + width, x1 - width, y1 - width)
    return ImageChops.subtract(rrect(size, box, r), rrect(size, inner, max(0, r - width)))


def ellipse(size, box):
    def fn(d, k):
        b = k(*box)
        d.ellipse((b[0], b[1], b[2] - 1, b[3] - 1), fill=255)
    return ss_mask(size, fn)


def polyline(size, points, width):
    """Stroked open path with round joins and caps."""
    def fn(d, k):
        pts = [tuple(k(x, y)) for x, y in points]
        w = width * SS
        d.line(pts, fill=255, width=int(round(w)), joint="curve")
        for x, y in (pts[0], pts[-1]):
            d.ellipse((x - w / 2, y - w / 2, x + w / 2, y + w / 2), fill=255)
    return ss_mask(size, fn)


def polygon(size, points):
    return ss_mask(size, lambda d, k: d.polygon([tuple(k(x, y)) for x, y in points], fill=255))


def scale_mask(m, f):
    return m.point(lambda v: int(round(v * f)))


def paint(dst, fill, mask, opacity=1.0):
    if isinstance(fill, tuple):
        layer = Image.new("RGBA", dst.size, fill[:3] + (255,))
    else:
        layer = fill.convert("RGBA")
    if opacity < 1.0:
        mask = scale_mask(mask, opacity)
    layer.putalpha(mask)
    dst.alpha_composite(layer)


def text_mask(size, text, px, center=None, left=None, bold=False):
    """Coverage of one line of text; ink centred on center=(x, y) or starting at
    left=(x, y-centre). Regular text is rendered at 1x so that hinting keeps it crisp."""
    f = 2 if bold else 1
    fnt = font(px * f)
    stroke = 1 if bold else 0
    l, t, r, b = fnt.getbbox(text, anchor="ls", stroke_width=stroke)
    if center is not None:
        x = center[0] * f - (l + r) / 2
        y = center[1] * f - (t + b) / 2
    else:
        x = left[0] * f - l
        y = left[1] * f - (t + b) / 2
    m = Image.new("L", (size[0] * f, size[1] * f), 0)
    ImageDraw.Draw(m).text((round(x), round(y)), text, font=fnt, fill=255, anchor="ls",
                           stroke_width=stroke, stroke_fill=255)
    return m.reduce(f) if f > 1 else m


def text_width(text, px, bold=False):
    f = 2 if bold else 1
    l, _, r, _ = font(px * f).getbbox(text, anchor="ls", stroke_width=1 if bold else 0)
    return (r - l) / f


def blur_shadow(size, box, r, sigma, dy, opacity):
    """Soft black shadow of a rounded rectangle, as a mask."""
    x0, y0, x1, y1 = box
    m = rrect(size, (x0, y0 + dy, x1, y1 + dy), r)
    return scale_mask(m.filter(ImageFilter.GaussianBlur(sigma)), opacity)


def canvas(size, colour=None):
    return Image.new("RGBA", size, (colour or (0, 0, 0)) + ((255,) if colour else (0,)))


# --------------------------------------------------------------------------
# Glyphs


def monitor_glyph(size, x, y, s):
    """The program's mark: a monitor outline of height about s at (x, y)."""
    w = s * 1.2
    screen = rring(size, (x, y, x + w, y + s * 0.74), s * 0.12, max(1.4, s * 0.11))
    stand = rrect(size, (x + w * 0.38, y + s * 0.74, x + w * 0.62, y + s * 0.9), 0)
    base = rrect(size, (x + w * 0.22, y + s * 0.86, x + w * 0.78, y + s), s * 0.05)
    face = polyline(size, [(x + w * 0.36, y + s * 0.52), (x + w * 0.5, y + s * 0.42),
                           (x + w * 0.64, y + s * 0.52)], max(1.3, s * 0.08))
    eyes = ImageChops.lighter(ellipse(size, (x + w * 0.33, y + s * 0.2, x + w * 0.43, y + s * 0.3)),
                              ellipse(size, (x + w * 0.57, y + s * 0.2, x + w * 0.67, y + s * 0.3)))
    m = screen
    for part in (stand, base, face, eyes):
        m = ImageChops.lighter(m, part)
    return m


def gear(size, cx, cy, r, teeth=8):
    pts = []
    for i in range(teeth * 4):
        a = 2 * math.pi * i / (teeth * 4) - math.pi / (teeth * 4) * 1.5
        rr = r if (i % 4) in (0, 1) else r * 0.76
        pts.append((cx + rr * math.cos(a), cy + rr * math.sin(a)))
    body = polygon(size, pts)
    hole = ellipse(size, (cx - r * 0.36, cy - r * 0.36, cx + r * 0.36, cy + r * 0.36))
    return ImageChops.subtract(body, hole)


def cross(size, cx, cy, half, width):
    a = polyline(size, [(cx - half, cy - half), (cx + half, cy + half)], width)
    b = polyline(size, [(cx - half, cy + half), (cx + half, cy - half)], width)
    return ImageChops.lighter(a, b)


def download_arrow(size, cx, cy, s, width):
    shaft = polyline(size, [(cx, cy - s * 0.5), (cx, cy + s * 0.15)], width)
    head = polyline(size, [(cx - s * 0.3, cy - s * 0.12), (cx, cy + s * 0.18),
                           (cx + s * 0.3, cy - s * 0.12)], width)
    tray = polyline(size, [(cx - s * 0.5, cy + s * 0.2), (cx - s * 0.5, cy + s * 0.5),
                           (cx + s * 0.5, cy + s * 0.5), (cx + s * 0.5, cy + s * 0.2)], width)
    return ImageChops.lighter(ImageChops.lighter(shaft, head), tray)


# --------------------------------------------------------------------------
# Window backgrounds (the control layers). All opaque.

PANEL = (400, 600)
HERO_EDGE = 378  # lowest point of the blue area's curved bottom edge


def hero_mask(size):
    def fn(d, k):
        d.rectangle(k(0, 0, size[0], 340), fill=255)
        # A wide, flat ellipse gives the gently curved lower edge.
        b = k(-300, HERO_EDGE - 178, size[0] + 300, HERO_EDGE)
        d.ellipse(b, fill=255)
    return ss_mask(size, fn)


def draw_illustration(img, cx, top):
    size = img.size
    # Halo behind the monitor.
    paint(img, WHITE, ellipse(size, (cx - 92, top - 18, cx + 92, top + 150)).filter(
        ImageFilter.GaussianBlur(14)), 0.16)
    mx0, mx1 = cx - 74, cx + 74
    my0, my1 = top + 4, top + 100
    paint(img, BLACK, blur_shadow(size, (mx0, my0, mx1, my1), 10, 6, 5, 0.22))
    paint(img, WHITE, rrect(size, (mx0, my0, mx1, my1), 10))
    # A blue screen, the thing this tool is about.
    sx0, sy0, sx1, sy1 = mx0 + 7, my0 + 7, mx1 - 7, my1 - 14
    paint(img, vgrad(size, (38, 110, 220), (20, 72, 170), sy0, sy1),
          rrect(size, (sx0, sy0, sx1, sy1), 4))
    face = text_mask(size, ":(", 26, left=(sx0 + 12, sy0 + 22), bold=True)
    paint(img, WHITE, face)
    for i, wdt in enumerate((92, 70, 80)):
        paint(img, WHITE, rrect(size, (sx0 + 12, sy0 + 42 + i * 9, sx0 + 12 + wdt, sy0 + 46 + i * 9), 2),
              0.55 if i == 0 else 0.35)
    paint(img, (214, 224, 238), rrect(size, (cx - 4, my1 - 10, cx + 4, my1 - 5), 2))
    # Stand.
    paint(img, (226, 234, 245), polygon(size, [(cx - 12, my1), (cx + 12, my1),
                                               (cx + 16, my1 + 18), (cx - 16, my1 + 18)]))
    paint(img, BLACK, blur_shadow(size, (cx - 40, my1 + 16, cx + 40, my1 + 23), 3, 3, 2, 0.18))
    paint(img, WHITE, rrect(size, (cx - 40, my1 + 16, cx + 40, my1 + 23), 3.5))
    # Settings badge.
    bx, by, br = mx1 - 4, my1 - 6, 22
    paint(img, BLACK, ellipse(size, (bx - br, by - br + 3, bx + br, by + br + 3)).filter(
        ImageFilter.GaussianBlur(4)), 0.25)
    paint(img, WHITE, ellipse(size, (bx - br, by - br, bx + br, by + br)))
    paint(img, vgrad(size, ACCENT_LIGHT, ACCENT_DARK, by - br, by + br),
          ellipse(size, (bx - br + 3, by - br + 3, bx + br - 3, by + br - 3)))
    paint(img, WHITE, gear(size, bx, by, 11))


def panel_background():
    """Tool panel: blue hero with title row, illustration, heading, list and the
    two main buttons; white lower part with a hint card, the more-tools link
    and a white footer for the check box and links."""
    w, h = PANEL
    img = canvas(PANEL, WHITE)
    hm = hero_mask(PANEL)
    paint(img, vgrad(PANEL, HERO_TOP, HERO_BOTTOM, 0, HERO_EDGE), hm)
    # Soft light circles, kept inside the blue area and away from the title row,
    # where white text needs the dark ground.
    deco = ImageChops.lighter(scale_mask(ellipse(PANEL, (290, 40, 500, 250)), 0.55),
                              scale_mask(ellipse(PANEL, (-110, 150, 110, 370)), 0.45))
    paint(img, WHITE, ImageChops.multiply(deco, hm), 0.12)

    # Title row: mark and name; the version is drawn by the program at x 188.
    paint(img, WHITE, monitor_glyph(PANEL, 14, 14, 17))
    paint(img, WHITE, text_mask(PANEL, "Kestrune", 15, left=(41, 23), bold=True))
    paint(img, WHITE, text_mask(PANEL, "蓝屏调试", 13, left=(114, 23)), 0.85)
    # A thin divider before the version text.
    paint(img, WHITE, rrect(PANEL, (178, 17, 179, 30), 0), 0.35)

    draw_illustration(img, w // 2, 62)

    # Lower part: hint card.
    card = (30, 396, 370, 528)
    paint(img, (250, 252, 255), rrect(PANEL, card, 8))
    paint(img, (222, 231, 244), rring(PANEL, card, 8, 1))
    paint(img, ACCENT, ellipse(PANEL, (46, 409, 62, 425)))
    paint(img, WHITE, rrect(PANEL, (53, 415, 55, 422), 0.5))
    paint(img, WHITE, ellipse(PANEL, (52.8, 411.2, 55.2, 413.6)))
    paint(img, TEXT, text_mask(PANEL, "温馨提示", 14, left=(70, 417), bold=True))
    tips = ("选择转储类型后点击“设置”，重启电脑后生效",
            "蓝屏文件将导出到桌面的 BlueScreen 文件夹",
            "勾选“同意”使用许可协议后才能进行设置")
    for i, tip in enumerate(tips):
        y = 447 + i * 25
        paint(img, ACCENT, ellipse(PANEL, (51, y - 2.5, 56, y + 2.5)))
        paint(img, TEXT_MUTED, text_mask(PANEL, tip, 12, left=(66, y)))

    # Divider above the footer; the footer itself stays plain white because the
    # check box and the links paint white behind themselves.
    paint(img, LINE, rrect(PANEL, (0, 568, w, 569), 0))
    return img


def busy_background():
    size = (204, 104)
    img = canvas(size)
    paint(img, vgrad(size, (40, 120, 224), (24, 86, 190)), rrect(size, (0, 0) + size, 0))
    # Light circles in the corners, clear of the white text in the middle.
    deco = ImageChops.lighter(ellipse(size, (150, -70, 250, 30)), ellipse(size, (-50, 74, 40, 164)))
    paint(img, WHITE, deco, 0.08)
    # A static progress track under the text; the text itself is drawn by the program.
    track = rrect(size, (52, 80, 152, 83), 1.5)
    paint(img, WHITE, track, 0.22)
    # The bright part fades out at both ends so it reads as activity, not as a
    # fill level.
    sweep = Image.new("L", size, 0)
    sweep.putdata([int(255 * max(0.0, 1 - abs(x - 102) / 34.0) ** 1.2) for y in range(size[1])
                   for x in range(size[0])])
    paint(img, WHITE, ImageChops.multiply(track, sweep), 0.95)
    return img


PROMPT = (320, 140)
PROMPT_BAND = 29  # the draggable strip of the layer, in image pixels


def prompt_background():
    img = canvas(PROMPT, WHITE)
    paint(img, vgrad(PROMPT, ACCENT_LIGHT, ACCENT, 0, PROMPT_BAND), rrect(PROMPT, (0, 0, 320, PROMPT_BAND), 0))
    paint(img, WHITE, text_mask(PROMPT, "提示", 14, left=(12, PROMPT_BAND / 2), bold=True))
    return img


FEEDBACK = (400, 468)


def feedback_background():
    w, h = FEEDBACK
    img = canvas(FEEDBACK)
    paint(img, vgrad(FEEDBACK, NAVY_TOP, NAVY_BOTTOM), rrect(FEEDBACK, (0, 0, w, h), 0))
    glow = ellipse(FEEDBACK, (40, -60, 360, 200)).filter(ImageFilter.GaussianBlur(40))
    paint(img, ACCENT, glow, 0.35)
    paint(img, ACCENT, ellipse(FEEDBACK, (280, 360, 520, 600)), 0.10)
    paint(img, ACCENT, ellipse(FEEDBACK, (-90, 380, 90, 560)), 0.08)
    # Title row.
    paint(img, WHITE, monitor_glyph(FEEDBACK, 14, 9, 14), 0.8)
    paint(img, WHITE, text_mask(FEEDBACK, "Kestrune", 13, left=(36, 16), bold=True), 0.8)
    # Question mark badge and the question.
    cx = w // 2
    paint(img, BLACK, ellipse(FEEDBACK, (cx - 26, 48, cx + 26, 100)).filter(ImageFilter.GaussianBlur(5)), 0.3)
    paint(img, vgrad(FEEDBACK, ACCENT_LIGHT, ACCENT_DARK, 44, 96), ellipse(FEEDBACK, (cx - 26, 44, cx + 26, 96)))
    paint(img, WHITE, text_mask(FEEDBACK, "?", 30, center=(cx, 70), bold=True))
    paint(img, WHITE, text_mask(FEEDBACK, "您的问题是否已经解决？", 20, center=(cx, 124), bold=True))
    return img


# --------------------------------------------------------------------------
# Frames: the layer's face surrounded by a soft black shadow. Black keeps the
# shadow identical whether the alpha is read straight or premultiplied.


def frame(face, size, margins, sigma, dy, strength):
    left, top, right, bottom = margins
    fw, fh = face.size
    assert (left + fw + right, top + fh + bottom) == size
    m = Image.new("L", size, 0)
    ImageDraw.Draw(m).rectangle((left, top + dy, left + fw - 1, top + fh - 1 + dy), fill=255)
    m = scale_mask(m.filter(ImageFilter.GaussianBlur(sigma)), strength)
    out = Image.new("RGBA", size, (0, 0, 0, 0))
    out.putalpha(m)
    out.paste(face.convert("RGBA"), (left, top))
    return out


# --------------------------------------------------------------------------
# Buttons


def caption_button(bg, kind, state):
    """26x34 minimise or close button, opaque: the background under it is
    part of the image because the program draws it without a backdrop."""
    size = bg.size
    img = bg.copy()
    cx, cy = 13, 20
    hl = rrect(size, (1, cy - 12, 25, cy + 12), 5)
    if state == "hover":
        paint(img, DANGER if kind == "close" else WHITE, hl, 1.0 if kind == "close" else 0.2)
    elif state == "pressed":
        if kind == "close":
            paint(img, DANGER_DARK, hl)
        else:
            paint(img, BLACK, hl, 0.16)
    if kind == "close":
        glyph = cross(size, cx, cy, 4.6, 1.5)
    else:
        glyph = rrect(size, (cx - 5.5, cy - 0.5, cx + 5.5, cy + 1), 0)
    paint(img, WHITE, glyph, 0.45 if state == "disabled" else 1.0)
    return img.convert("RGB")


def small_close(bg, state):
    """12x12 close button of the popups, opaque for the same reason."""
    size = bg.size
    img = bg.copy()
    if state == "hover":
        paint(img, WHITE, rrect(size, (0, 0, 12, 12), 3), 0.22)
    elif state == "pressed":
        paint(img, BLACK, rrect(size, (0, 0, 12, 12), 3), 0.2)
    paint(img, WHITE, cross(size, 6, 6, 3, 1.3), 0.45 if state == "disabled" else 1.0)
    return img.convert("RGB")


def hero_button(size, label, icon, primary, state):
    """Main panel buttons on the blue area; transparent outside the rounded body."""
    w, h = size
    img = canvas(size)
    down = 1 if state == "pressed" else 0
    body = (2, 2 + down, w - 2, h - 4 + down)
    r = 8
    if state != "pressed" and state != "disabled":
        paint(img, BLACK, blur_shadow(size, body, r, 1.6, 1.5, 0.28 if state == "hover" else 0.2))
    if primary:
        fill = {"normal": (WHITE, (244, 248, 255)), "hover": ((248, 251, 255), (232, 241, 254)),
                "pressed": ((221, 234, 252), (212, 228, 251)), "disabled": None}[state]
        if fill:
            paint(img, vgrad(size, fill[0], fill[1], body[1], body[3]), rrect(size, body, r))
            fg, fg_op = (ACCENT_DARK if state == "pressed" else ACCENT), 1.0
        else:
            paint(img, WHITE, rrect(size, body, r), 0.3)
            fg, fg_op = WHITE, 0.7
    else:
        fill_op = {"normal": 0.14, "hover": 0.26, "pressed": 0.06, "disabled": 0.06}[state]
        line_op = {"normal": 0.8, "hover": 1.0, "pressed": 0.6, "disabled": 0.3}[state]
        paint(img, WHITE, rrect(size, body, r), fill_op)
        if state == "pressed":
            paint(img, BLACK, rrect(size, body, r), 0.08)
        paint(img, WHITE, rring(size, body, r, 1.4), line_op)
        fg, fg_op = WHITE, (0.5 if state == "disabled" else 1.0)
    cy = (body[1] + body[3]) / 2
    px = 16
    tw = text_width(label, px, bold=True)
    iw = 17
    x0 = (w - (iw + 7 + tw)) / 2
    paint(img, fg, icon(size, x0 + iw / 2, cy), fg_op)
    paint(img, fg, text_mask(size, label, px, left=(round(x0 + iw + 7), cy), bold=True), fg_op)
    return img


def more_tools_button(state):
    size = (58, 18)
    img = canvas(size)
    pill = rrect(size, (0, 0, 58, 18), 9)
    if state == "hover":
        paint(img, TINT, pill)
    elif state == "pressed":
        paint(img, TINT_STRONG, pill)
    colour = {"normal": ACCENT, "hover": ACCENT_DARK, "pressed": ACCENT_DARK,
              "disabled": TEXT_DISABLED}[state]
    paint(img, colour, text_mask(size, "更多工具", 12, center=(29, 9)))
    return img


def prompt_button(label, primary, state):
    """55x24 prompt buttons; opaque on the prompt's white body."""
    size = (55, 24)
    img = canvas(size, WHITE)
    body = (0, 0, 55, 24)
    r = 4
    if primary:
        top, bottom = {"normal": (ACCENT_LIGHT, ACCENT), "hover": ((96, 162, 242), ACCENT_LIGHT),
                       "pressed": (ACCENT_DARK, ACCENT_DARK), "disabled": ((190, 210, 236),) * 2}[state]
        paint(img, vgrad(size, top, bottom), rrect(size, body, r))
        fg = WHITE
    else:
        fill, line, fg = {"normal": (WHITE, BORDER, TEXT), "hover": (TINT, ACCENT, ACCENT),
                          "pressed": (TINT_STRONG, ACCENT_DARK, ACCENT_DARK),
                          "disabled": (WHITE, LINE, TEXT_DISABLED)}[state]
        paint(img, fill, rrect(size, body, r))
        paint(img, line, rring(size, body, r, 1))
    paint(img, fg, text_mask(size, label, 12, center=(27.5, 12 + (0.5 if state == "pressed" else 0))))
    return img.convert("RGB")


def feedback_button(label, primary, state):
    """266x60 answer buttons; the 9-pixel rim is transparent apart from a soft
    shadow, matching the part of the button that ignores clicks."""
    size = (266, 60)
    img = canvas(size)
    down = 1 if state == "pressed" else 0
    body = (9, 9 + down, 257, 51 + down)
    r = 21
    if state in ("normal", "hover"):
        glow = ACCENT if (primary and state == "hover") else BLACK
        paint(img, glow, blur_shadow(size, body, r, 3.5, 2, 0.55 if glow == ACCENT else 0.35))
    if primary:
        cols = {"normal": (ACCENT_LIGHT, ACCENT), "hover": ((98, 166, 246), ACCENT_LIGHT),
                "pressed": (ACCENT_DARK, (22, 80, 170)),
                "disabled": ((70, 88, 120), (62, 78, 108))}[state]
        paint(img, vgrad(size, cols[0], cols[1], body[1], body[3]), rrect(size, body, r))
        paint(img, WHITE, rring(size, body, r, 1), 0.18 if state != "disabled" else 0.06)
        fg_op = 0.5 if state == "disabled" else 1.0
    else:
        fill_op = {"normal": 0.08, "hover": 0.17, "pressed": 0.04, "disabled": 0.04}[state]
        line_op = {"normal": 0.55, "hover": 0.85, "pressed": 0.4, "disabled": 0.2}[state]
        paint(img, WHITE, rrect(size, body, r), fill_op)
        paint(img, WHITE, rring(size, body, r, 1.2), line_op)
        fg_op = 0.4 if state == "disabled" else 1.0
    paint(img, WHITE, text_mask(size, label, 16, center=(133, 30 + down), bold=True), fg_op)
    return img


def checkbox_strip():
    """Unticked, ticked and disabled frames of 16x16."""
    size = (48, 16)
    img = canvas(size)
    for i in range(3):
        x = i * 16
        box = (x + 1, 1, x + 15, 15)
        if i == 1:
            paint(img, vgrad(size, ACCENT_LIGHT, ACCENT, 1, 15), rrect(size, box, 3))
            paint(img, WHITE, polyline(size, [(x + 4.2, 8.2), (x + 7, 11), (x + 11.8, 5.4)], 1.7))
        else:
            paint(img, WHITE if i == 0 else (238, 241, 245), rrect(size, box, 3))
            paint(img, (166, 176, 190) if i == 0 else (212, 218, 226), rring(size, box, 3, 1))
    return img


# --------------------------------------------------------------------------
# Program icon


def icon_image(n):
    size = (n, n)
    img = canvas(size)
    pad = n * 0.06 if n >= 48 else 0
    box = (pad, pad, n - pad, n - pad)
    paint(img, vgrad(size, (64, 146, 240), (24, 88, 196), box[1], box[3]), rrect(size, box, n * 0.22))
    s = n - 2 * pad
    # Monitor in white with a blue screen.
    mx0, my0 = pad + s * 0.17, pad + s * 0.2
    mx1, my1 = pad + s * 0.83, pad + s * 0.66
    paint(img, WHITE, rrect(size, (mx0, my0, mx1, my1), s * 0.06))
    bz = max(1.0, s * 0.05)
    paint(img, (22, 70, 168), rrect(size, (mx0 + bz, my0 + bz, mx1 - bz, my1 - bz), s * 0.03))
    if n >= 32:
        f = lambda v: s * v
        paint(img, WHITE, polyline(size, [(mx0 + f(0.16), my0 + f(0.31)), (mx0 + f(0.26), my0 + f(0.23)),
                                          (mx0 + f(0.36), my0 + f(0.31))], max(1.2, s * 0.035)))
        paint(img, WHITE, ellipse(size, (mx0 + f(0.14), my0 + f(0.1), mx0 + f(0.19), my0 + f(0.15))))
        paint(img, WHITE, ellipse(size, (mx0 + f(0.33), my0 + f(0.1), mx0 + f(0.38), my0 + f(0.15))))
    cx = n / 2
    paint(img, WHITE, rrect(size, (cx - s * 0.06, my1, cx + s * 0.06, pad + s * 0.76), 0), 0.9)
    paint(img, WHITE, rrect(size, (cx - s * 0.2, pad + s * 0.74, cx + s * 0.2, pad + s * 0.8), s * 0.03))
    # Gear badge at the lower right of the screen.
    if n >= 32:
        bx, by, br = pad + s * 0.74, pad + s * 0.66, s * 0.17
        paint(img, WHITE, ellipse(size, (bx - br, by - br, bx + br, by + br)))
        paint(img, ACCENT, gear(size, bx, by, br * 0.72))
    return img


def write_ico(path, images):
    """ICO with 32-bit BMP entries for the small sizes and PNG for 256, the
    usual layout that every resource compiler and Windows version accepts."""
    entries = []
    for img in images:
        n = img.size[0]
        if n >= 256:
            buf = BytesIO()
            img.save(buf, format="PNG", optimize=False)
            data = buf.getvalue()
        else:
            px = img.load()
            header = struct.pack("<IiiHHIIiiII", 40, n, n * 2, 1, 32, 0, 0, 0, 0, 0, 0)
            rows = bytearray()
            for y in range(n - 1, -1, -1):
                for x in range(n):
                    r, g, b, a = px[x, y]
                    rows += bytes((b, g, r, a))
            stride = ((n + 31) // 32) * 4
            mask = bytearray()
            for y in range(n - 1, -1, -1):
                row = bytearray(stride)
                for x in range(n):
                    if px[x, y][3] == 0:
                        row[x // 8] |= 0x80 >> (x % 8)
                mask += row
            data = header + bytes(rows) + bytes(mask)
        entries.append((n, data))
    out = bytearray(struct.pack("<HHH", 0, 1, len(entries)))
    offset = 6 + 16 * len(entries)
    for n, data in entries:
        out += struct.pack("<BBBBHHII", n % 256, n % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    for _, data in entries:
        out += data
    with open(path, "wb") as fh:
        fh.write(bytes(out))


# --------------------------------------------------------------------------
# Assembly


def build():
    """Returns {id: image} for every PNG resource, plus the icon images."""
    art = {}
    panel = panel_background()
    art[139] = panel.convert("RGB")
    art[138] = frame(panel, (410, 611), (5, 4, 5, 7), 2.2, 1, 0.5)

    art[140] = checkbox_strip()

    for first, kind, x in ((141, "close", 368), (147, "min", 340)):
        bg = panel.crop((x, 0, x + 26, 34))
        for i, st in enumerate(STATES):
            art[first + i] = caption_button(bg, kind, st)

    busy = busy_background()
    art[146] = busy.convert("RGB")
    art[145] = frame(busy, (232, 132), (14, 12, 14, 16), 5.0, 2, 0.55)

    prompt = prompt_background()
    art[160] = prompt.convert("RGB")
    art[159] = frame(prompt, (330, 150), (5, 3, 5, 7), 2.2, 2, 0.5)
    # The close button sits 26 px from the right of the 326-pixel layer, which
    # the 320-pixel image is stretched over.
    close_bg = prompt.crop((294, 8, 306, 20))
    for i, st in enumerate(STATES[:3]):
        art[164 + i] = small_close(close_bg, st)
    for first, label, primary in ((161, "取消", False), (167, "否", False),
                                  (170, "确认", True), (173, "是", True)):
        for i, st in enumerate(STATES[:3]):
            art[first + i] = prompt_button(label, primary, st)

    feedback = feedback_background()
    art[177] = feedback.convert("RGB")
    art[176] = frame(feedback, (410, 479), (5, 4, 5, 7), 2.2, 1, 0.5)
    fb_close_bg = feedback.crop((382, 6, 394, 18))
    for i, st in enumerate(STATES):
        art[178 + i] = small_close(fb_close_bg, st)
    for first, label, primary in ((187, "问题已解决，继续保持！", True),
                                  (192, "问题未解决，我要吐槽！", False),
                                  (151, "其 他", False)):
        for i, st in enumerate(STATES):
            art[first + i] = feedback_button(label, primary, st)

    gear_icon = lambda size, cx, cy: gear(size, cx, cy, 8.5)
    arrow_icon = lambda size, cx, cy: download_arrow(size, cx, cy, 15, 1.7)
    for i, st in enumerate(STATES):
        art[200 + i] = hero_button((136, 47), "设置", gear_icon, True, st)
        art[196 + i] = hero_button((168, 47), "导出蓝屏文件", arrow_icon, False, st)
        art[155 + i] = more_tools_button(st)

    art[191] = showcase(art)
    return art


def main_window_preview(art):
    """The main window as the program paints it, for the showcase image."""
    img = art[138].copy()
    ox, oy = 5, 4
    for ident, (x, y) in ((200, (30, 305)), (196, (200, 305)), (155, (50, 545)),
                          (147, (340, 0)), (141, (368, 0))):
        layer = canvas(img.size)
        layer.paste(art[ident].convert("RGBA"), (ox + x, oy + y))
        img.alpha_composite(layer)
    size = img.size
    paint(img, WHITE, text_mask(size, "1.3.22.1026", 12, left=(ox + 188, oy + 23)))
    paint(img, WHITE, text_mask(size, "请选择蓝屏调试设置", 13, left=(ox + 60, oy + 247)))
    paint(img, WHITE, rrect(size, (ox + 60, oy + 270, ox + 340, oy + 290), 0))
    paint(img, BORDER, rring(size, (ox + 60, oy + 270, ox + 340, oy + 290), 0, 1))
    paint(img, TEXT, text_mask(size, "小内存转储", 12, left=(ox + 66, oy + 280)))
    paint(img, TEXT_MUTED, polyline(size, [(ox + 327, oy + 278), (ox + 331, oy + 282), (ox + 335, oy + 278)], 1.3))
    box = canvas(img.size)
    box.paste(art[140].crop((16, 0, 32, 16)), (ox + 8, oy + 577))
    img.alpha_composite(box)
    paint(img, BLACK, text_mask(size, "同意", 12, left=(ox + 26, oy + 585)))
    paint(img, (92, 92, 255), text_mask(size, "《Orlavi服务工具使用许可协议》", 12, left=(ox + 56, oy + 585)))
    paint(img, (92, 92, 255), text_mask(size, "反馈问题", 12, left=(ox + 340, oy + 585)))
    return img


def feedback_preview(art):
    img = art[176].copy()
    for ident, y in ((187, 154), (192, 234), (151, 314)):
        layer = canvas(img.size)
        layer.paste(art[ident], (5 + 67, 4 + y))
        img.alpha_composite(layer)
    return img


def showcase(art):
    """Resource 191 is never shown by the program; it carries a picture of the
    main window and the feedback popup."""
    size = (541, 402)
    img = canvas(size)
    paint(img, vgrad(size, (236, 243, 252), (214, 228, 248)), rrect(size, (0, 0) + size, 0))
    paint(img, WHITE, ellipse(size, (300, -160, 700, 200)), 0.35)
    main = main_window_preview(art).resize((246, 367), Image.LANCZOS)
    fb = feedback_preview(art).resize((246, 287), Image.LANCZOS)
    img.alpha_composite(main, (36, 18))
    img.alpha_composite(fb, (262, 70))
    return img.convert("RGB")


EXPECTED_IDS = [i for i in range(138, 204) if not 182 <= i <= 186]


def main():
    art = build()
    assert sorted(art) == EXPECTED_IDS, sorted(set(EXPECTED_IDS) ^ set(art))
    out_dir = os.path.join(ROOT, "res", "png")
    os.makedirs(out_dir, exist_ok=True)
    paths = [os.path.join(out_dir, "%d.png" % ident) for ident in EXPECTED_IDS]
    for ident, path in zip(EXPECTED_IDS, paths):
        art[ident].save(path, format="PNG", optimize=True)
    # Lossless recompression (tests/ui/skin_pixels.py checks the pixels): the images are a
    # quarter of the executable. zopflipng packs tighter but changed fully transparent pixels.
    subprocess.run(["optipng", "-quiet", "-o7", "-strip", "all"] + paths, check=True)
    write_ico(os.path.join(ROOT, "res", "app.ico"), [icon_image(n) for n in (16, 32, 48, 256)])
    print("wrote %d PNGs and the icon" % len(EXPECTED_IDS))


if __name__ == "__main__":
    sys.exit(main())
