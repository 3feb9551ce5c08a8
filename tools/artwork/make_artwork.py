#!/usr/bin/python3
"""Draws Vesk2's artwork: resources/commonTextures.png and resources/texture.png,
and the same pictures at two and three times the resolution for high-density
screens (commonTextures-2x.png, texture-3x.png and so on).

Usage: make_artwork.py OUTPUT_FOLDER

The output is the same bytes on every run and every machine with the same
Debian packages: noise comes from an integer hash instead of a random number
generator, only element-wise arithmetic touches the pixels (no BLAS, no
vectorised transcendental functions, whose last bits vary with the CPU), and
the PNG writer below has no time stamp and a fixed chunk order.

Coordinates are the editor's logical pixels with the origin at the top left;
a picture at density k has k x k pixels per logical pixel, the centre of its
pixel (i, j) at ((i + 0.5) / k, (j + 0.5) / k). Shapes are drawn supersampled
and box-filtered down. At density 1 every value is computed exactly as it
always was, so those pictures keep their bytes.
"""

import math
import os
import struct
import sys
import zlib

import numpy as np
from PIL import Image, ImageDraw, ImageFont

FONT_DIR = "/usr/share/fonts/truetype/ttf-bitstream-vera"

# --- the editor's geometry -------------------------------------------------
#
# The panel is 560 x 170. Knobs are 80 x 80 rects in two rows (y = 2 and 82)
# at x = 8, 80 (time and diffusion), 168, 240, 312, 392 (the high band above,
# the low band below); the right column holds the mode switch at (472, 40),
# 80 x 24, and the output knob at (472, 62). A knob's body is drawn 4 px above
# its rect with the pointer cell at (20, 20) of the body; its label and value
# lines have their baselines 70 and 82 px below the body's top.

KNOB = 80
CELL = 40
CELLS = 96
CELLS_PER_ROW = 8
SWEEP = 150.0                 # degrees either side of straight up
KNOB_BODY_AT = (320, 0)       # in commonTextures.png
LOGO_AT = (422, 50)           # in commonTextures.png
LOGO_SIZE = (90, 30)

PANEL_SIZE = (560, 170)
TITLE_BOX = (472, 4, 556, 36)  # clear of the mode switch below it
LOGO_ON_PANEL = (470, 140)     # same box as the editor's own logo, so the two coincide

# --- small numeric helpers ---------------------------------------------------


def sample_grid(width, height, ss, k=1):
    """Sample positions (logical) of a width x height picture at density k, supersampled ss x ss."""
    xs = (np.arange(width * k * ss, dtype=np.float64) + 0.5) / (ss * k)
    ys = (np.arange(height * k * ss, dtype=np.float64) + 0.5) / (ss * k)
    return np.meshgrid(xs, ys)


def box_down(a, ss):
    """Averages ss x ss blocks, summing in a fixed order."""
    h, w = a.shape[0] // ss, a.shape[1] // ss
    acc = np.zeros((h, w) + a.shape[2:], dtype=np.float64)
    for j in range(ss):
        for i in range(ss):
            acc += a[j::ss, i::ss]
    return acc / (ss * ss)


def clamp01(x):
    return np.clip(x, 0.0, 1.0)


def smoothstep(e0, e1, x):
    t = clamp01((x - e0) / (e1 - e0))
    return t * t * (3.0 - 2.0 * t)


def edge(distance_inside, ss):
    """Coverage of a sample from its signed distance to a shape's edge (logical px,
    positive inside); ss is the samples per logical pixel."""
    return clamp01(distance_inside * ss + 0.5)


def blur(a, sigma):
    """Separable Gaussian blur with clamped borders, as shifted sums."""
    radius = int(math.ceil(3.0 * sigma))
    weights = [math.exp(-0.5 * (k / sigma) ** 2) for k in range(-radius, radius + 1)]
    total = sum(weights)
    weights = [w / total for w in weights]
    for axis in (0, 1):
        n = a.shape[axis]
        pad = [(0, 0)] * a.ndim
        pad[axis] = (radius, radius)
        padded = np.pad(a, pad, mode="edge")
        out = np.zeros_like(a)
        for k, w in enumerate(weights):
            out += w * np.take(padded, np.arange(k, k + n), axis=axis)
        a = out
    return a


def hash_noise(ix, iy, seed):
    """Uniform values in [0, 1) for integer lattice points, from a 32-bit integer hash."""
    h = (ix.astype(np.uint32) * np.uint32(0x8DA6B343)) ^ (iy.astype(np.uint32) * np.uint32(0xD8163841))
    h ^= np.uint32((seed * 0xCB1AB31F) & 0xFFFFFFFF)
    h ^= h >> np.uint32(15)
    h *= np.uint32(0x2C1B3C6D)
    h ^= h >> np.uint32(12)
    h *= np.uint32(0x297A2D39)
    h ^= h >> np.uint32(15)
    return h.astype(np.float64) / 4294967296.0


def value_noise(width, height, cell, seed, cell_y=None):
    """Smooth value noise in [0, 1) with lattice spacing `cell` px (quintic interpolation);
    a different vertical spacing stretches it, as for brushed metal."""
    xs = (np.arange(width, dtype=np.float64) + 0.5) / cell
    ys = (np.arange(height, dtype=np.float64) + 0.5) / (cell if cell_y is None else cell_y)
    x, y = np.meshgrid(xs, ys)
    ix, iy = np.floor(x), np.floor(y)
    fx, fy = x - ix, y - iy
    ix, iy = ix.astype(np.int64) + 1000, iy.astype(np.int64) + 1000
    ux = fx * fx * fx * (fx * (fx * 6.0 - 15.0) + 10.0)
    uy = fy * fy * fy * (fy * (fy * 6.0 - 15.0) + 10.0)
    v00, v10 = hash_noise(ix, iy, seed), hash_noise(ix + 1, iy, seed)
    v01, v11 = hash_noise(ix, iy + 1, seed), hash_noise(ix + 1, iy + 1, seed)
    top = v00 + (v10 - v00) * ux
    bottom = v01 + (v11 - v01) * ux
    return top + (bottom - top) * uy


def over(dst_rgb, dst_a, rgb, a):
    """Premultiplied 'over': rgb is straight colour, a its coverage."""
    a3 = a[..., None]
    return rgb * a3 + dst_rgb * (1.0 - a3), a + dst_a * (1.0 - a)


def text_mask(text, font_file, size, width, height, origin, ss=1, tracking=0.0, k=1):
    """Coverage of text drawn by FreeType at density k; origin is the left end of
    the baseline in logical px.

    With ss > 1 the text is drawn larger and box-filtered down, which keeps
    sub-pixel positions (for the letter-spaced captions)."""
    font = load_font(font_file, size * ss * k)
    mask = Image.new("L", (width * ss * k, height * ss * k), 0)
    draw = ImageDraw.Draw(mask)
    x = origin[0] * ss * k
    for ch in text if tracking else [text]:
        draw.text((x, origin[1] * ss * k), ch, fill=255, font=font, anchor="ls")
        x += font.getlength(ch) + tracking * ss * k
    a = np.asarray(mask, dtype=np.float64) / 255.0
    return box_down(a, ss) if ss > 1 else a


def load_font(font_file, size):
    # The basic layout engine: with libraqm present Pillow would otherwise
    # shape differently and move glyphs.
    return ImageFont.truetype(os.path.join(FONT_DIR, font_file), size, layout_engine=ImageFont.Layout.BASIC)


def text_width(text, font_file, size, tracking=0.0):
    font = load_font(font_file, size)
    return font.getlength(text) + tracking * (len(text) - 1)


def to_bytes(x):
    return np.floor(clamp01(x) * 255.0 + 0.5).astype(np.uint8)


# --- PNG --------------------------------------------------------------------


def png_chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)


def filter_rows(raw, bpp):
    """Each row filtered with whichever of the five PNG filters gives the smallest
    sum of absolute values, as common encoders choose."""
    h, stride = raw.shape
    x = raw.astype(np.int16)
    left = np.zeros_like(x)
    left[:, bpp:] = x[:, :-bpp]
    up = np.zeros_like(x)
    up[1:] = x[:-1]
    up_left = np.zeros_like(x)
    up_left[1:, bpp:] = x[:-1, :-bpp]
    p = left + up - up_left
    pa, pb, pc = np.abs(p - left), np.abs(p - up), np.abs(p - up_left)
    paeth = np.where((pa <= pb) & (pa <= pc), left, np.where(pb <= pc, up, up_left))
    candidates = [x, x - left, x - up, x - ((left + up) >> 1), x - paeth]
    filtered = [(c & 0xFF).astype(np.uint8) for c in candidates]
    costs = np.stack([np.abs(f.astype(np.int8).astype(np.int32)).sum(axis=1) for f in filtered])
    choice = np.argmin(costs, axis=0)
    out = bytearray()
    for row in range(h):
        out.append(int(choice[row]))
        out += filtered[choice[row]][row].tobytes()
    return bytes(out)


def write_png(path, rgba):
    """8-bit RGBA, non-interlaced, with sRGB, gAMA and pHYs (72 dpi) as image editors export them."""
    h, w, _ = rgba.shape
    data = zlib.compress(filter_rows(rgba.reshape(h, w * 4), 4), 9)
    out = b"\x89PNG\r\n\x1a\n"
    out += png_chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 6, 0, 0, 0))
    out += png_chunk(b"sRGB", b"\x00")
    out += png_chunk(b"gAMA", struct.pack(">I", 45455))
    out += png_chunk(b"pHYs", struct.pack(">IIB", 2835, 2835, 1))
    for start in range(0, len(data), 8192):
        out += png_chunk(b"IDAT", data[start:start + 8192])
    out += png_chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(out)


# --- the knob ------------------------------------------------------------------

KNOB_RADIUS = 21.0            # outer edge of the skirt
FACE_RADIUS = 17.5            # the flat top the pointer sits on
DOT_RADIUS = 24.6             # scale dots around the knob


def knob_body(k=1):
    """80 x 80 logical px premultiplied RGBA (floats): a machined dark knob lit from above."""
    ss = 4
    x, y = sample_grid(KNOB, KNOB, ss, k)
    cx, cy = 40.0, 40.0
    dx, dy = x - cx, y - cy
    d = np.sqrt(dx * dx + dy * dy)
    nx, ny = dx / np.maximum(d, 1e-9), dy / np.maximum(d, 1e-9)
    rgb = np.zeros(x.shape + (3,))
    a = np.zeros(x.shape)

    # Soft contact shadow, a little below the knob; gone well above the label's line.
    sd = np.sqrt(dx * dx + (dy - 1.2) ** 2)
    shadow = 0.62 * (1.0 - smoothstep(KNOB_RADIUS - 2.5, KNOB_RADIUS + 2.2, sd))
    rgb, a = over(rgb, a, np.zeros(x.shape + (3,)), shadow)

    # Scale: eleven dots from -150 to +150 degrees, the ends a little brighter.
    dots = np.zeros(x.shape)
    for dot in range(11):
        ang = math.radians(-SWEEP + dot * 30.0)
        px, py = cx + DOT_RADIUS * math.sin(ang), cy - DOT_RADIUS * math.cos(ang)
        r = 0.95 if dot in (0, 5, 10) else 0.75
        dots = np.maximum(dots, edge(r - np.sqrt((x - px) ** 2 + (y - py) ** 2), ss * k)
                          * (0.85 if dot in (0, 5, 10) else 0.6))
    rgb, a = over(rgb, a, np.full(x.shape + (3,), 0.62), dots)

    # Light from above, slightly from the left.
    lx, ly = -0.34, -0.94
    lambert = nx * lx + ny * ly

    # Skirt: a chamfered ring whose brightness follows the light.
    skirt = 0.105 + 0.075 * lambert + 0.035 * lambert * np.abs(lambert)
    # The thin rim: a bright lip around the top edge, fading to nothing below.
    lip = smoothstep(KNOB_RADIUS - 1.6, KNOB_RADIUS - 0.6, d) * (1.0 - smoothstep(KNOB_RADIUS - 0.5, KNOB_RADIUS, d))
    skirt = skirt + lip * 0.20 * clamp01(lambert + 0.1)
    t = (d / 0.8) % 1.0
    skirt = skirt + 0.008 * (np.abs(2.0 * t - 1.0) - 0.5)

    # Face: turned metal, a shallow gradient from the top, the conical sheen of
    # concentric machining and its fine rings.
    u = (dx * 0.5 + dy * 0.866) / np.maximum(d, 1e-9)   # sheen axis tilted by 30 degrees
    v = (dx * 0.866 - dy * 0.5) / np.maximum(d, 1e-9)
    cos2 = u * u - v * v
    face = 0.185 - 0.035 * (dy / FACE_RADIUS) + 0.040 * cos2 * smoothstep(0.5, 8.0, d)
    t = (d / 0.5) % 1.0
    face = face + 0.010 * (np.abs(2.0 * t - 1.0) - 0.5)
    # The step from face to skirt: a lit bevel at the top, a shadowed one below.
    bevel = smoothstep(FACE_RADIUS - 1.3, FACE_RADIUS - 0.3, d) * (1.0 - smoothstep(FACE_RADIUS - 0.3, FACE_RADIUS + 0.4, d))
    face = face + bevel * (0.16 * clamp01(lambert) - 0.07 * clamp01(-lambert))
    groove = smoothstep(FACE_RADIUS, FACE_RADIUS + 0.4, d) * (1.0 - smoothstep(FACE_RADIUS + 0.6, FACE_RADIUS + 1.6, d))
    body = np.where(d < FACE_RADIUS, face, skirt * (1.0 - 0.6 * groove))
    tint = np.stack([body * 0.985, body * 0.995, body * 1.03], axis=-1)
    coverage = edge(KNOB_RADIUS - d, ss * k)
    rgb, a = over(rgb, a, clamp01(tint), coverage)

    rgb, a = box_down(rgb, ss), box_down(a, ss)
    return np.concatenate([rgb, a[..., None]], axis=-1)


def pointer_cell(n, k=1):
    """40 x 40 logical px premultiplied white: the pointer line at cell n of the sweep."""
    ss = -(-16 // k)  # about sixteen samples per logical pixel at every density
    x, y = sample_grid(CELL, CELL, ss, k)
    ang = math.radians(-SWEEP + 2.0 * SWEEP * n / (CELLS - 1))
    ux, uy = math.sin(ang), -math.cos(ang)
    cx, cy = CELL / 2.0, CELL / 2.0
    r0, r1, half_width = 6.0, 15.0, 1.2
    # Distance to the segment from r0 to r1 along the pointer's direction (a capsule).
    along = (x - cx) * ux + (y - cy) * uy
    across = (x - cx) * uy - (y - cy) * ux
    t = np.clip(along, r0, r1)
    dist = np.sqrt((along - t) ** 2 + across * across)
    line = (dist < half_width).astype(np.float64)
    # A faint glow keeps the line readable when the tint is light grey on grey.
    glow = 0.18 * (1.0 - smoothstep(half_width, half_width + 1.6, dist))
    a = box_down(np.maximum(line, glow), ss)
    return np.repeat(a[..., None], 4, axis=-1)


def logo_mask(k=1):
    """Coverage of the maker's logo in its 90 x 30 box: the name above a valley line."""
    w, h = LOGO_SIZE
    name = "Morlenvale"
    size = 13
    width = text_width(name, "VeraBd.ttf", size)
    mask = text_mask(name, "VeraBd.ttf", size, w, h, ((w - width) / 2.0, 17.0), ss=1, k=k)
    # A long shallow 'V' under the name: the vale.
    ss = 8
    x, y = sample_grid(w, h, ss, k)
    left, right, mid = (w - width) / 2.0 + 1.0, (w + width) / 2.0 - 1.0, w / 2.0
    top, bottom = 21.5, 24.5
    slope = (bottom - top) / (mid - left)
    yline = top + slope * ((mid - left) - np.abs(x - mid))
    thickness = 0.5
    inside_x = (x >= left) & (x <= right)
    line = ((np.abs(y - yline) <= thickness) & inside_x).astype(np.float64)
    taper = clamp01(1.0 - np.abs(x - mid) / (mid - left)) * 0.6 + 0.4
    v = box_down(line * taper, ss)
    return np.maximum(mask, v)


def common_textures(k=1):
    w, h = 600 * k, 480 * k
    img = np.zeros((h, w, 4))
    c = CELL * k
    for n in range(CELLS):
        cx, cy = (n % CELLS_PER_ROW) * c, (n // CELLS_PER_ROW) * c
        img[cy:cy + c, cx:cx + c] = pointer_cell(n, k)
    bx, by = KNOB_BODY_AT[0] * k, KNOB_BODY_AT[1] * k
    img[by:by + KNOB * k, bx:bx + KNOB * k] = knob_body(k)
    lx, ly = LOGO_AT[0] * k, LOGO_AT[1] * k
    lw, lh = LOGO_SIZE[0] * k, LOGO_SIZE[1] * k
    img[ly:ly + lh, lx:lx + lw] = np.repeat(logo_mask(k)[..., None], 4, axis=-1)
    # Premultiplied: colour never exceeds coverage.
    out = to_bytes(img)
    out[..., :3] = np.minimum(out[..., :3], out[..., 3:4])
    return out


# --- the panel ---------------------------------------------------------------


def panel(k=1):
    w, h = PANEL_SIZE
    x, y = sample_grid(w, h, 1, k)
    pw, ph = w * k, h * k  # pixels

    # Clouds: three octaves of value noise, gently blurred.
    n = (0.55 * value_noise(pw, ph, 96.0 * k, 11) + 0.30 * value_noise(pw, ph, 40.0 * k, 23)
         + 0.15 * value_noise(pw, ph, 16.0 * k, 37))
    n = blur(n, 2.0 * k) - 0.5
    base = np.array([0.118, 0.124, 0.134])
    rgb = base + 0.075 * n[..., None] * np.array([1.0, 1.0, 1.05])

    # Faint horizontal brushing.
    brush = (0.6 * value_noise(pw, ph, 140.0 * k, 41, cell_y=0.7 * k)
             + 0.4 * value_noise(pw, ph, 35.0 * k, 43, cell_y=0.7 * k))
    rgb = rgb + 0.012 * (brush - 0.5)[..., None]

    # Plates, each a quiet step apart in tone: time and diffusion, the high
    # band row, the low band row. Raised a hair: lit top and left edges, a
    # dark outline and a soft shadow below.
    def plate(x0, y0, x1, y1, radius=3.0):
        """Signed distance to a rounded rectangle, negative inside."""
        qx = np.abs(x - (x0 + x1) / 2.0) - ((x1 - x0) / 2.0 - radius)
        qy = np.abs(y - (y0 + y1) / 2.0) - ((y1 - y0) / 2.0 - radius)
        outside = np.sqrt(np.maximum(qx, 0.0) ** 2 + np.maximum(qy, 0.0) ** 2)
        return outside + np.minimum(np.maximum(qx, qy), 0.0) - radius

    plates = [
        ((4, 4, 163, 166), np.array([0.020, 0.020, 0.020])),     # time / diffusion
        ((167, 4, 466, 82), np.array([0.022, 0.025, 0.032])),    # high band: a touch cooler
        ((167, 86, 466, 166), np.array([0.016, 0.015, 0.014])),  # low band: a touch warmer
    ]
    for (x0, y0, x1, y1), lift in plates:
        sd = plate(x0, y0, x1, y1)
        below = plate(x0, y0 + 1.5, x1, y1 + 1.5)
        rgb = rgb * (1.0 - 0.25 * (1.0 - smoothstep(-0.5, 2.5, below)) * clamp01(sd + 0.5))[..., None]
        inside = clamp01(0.5 - sd)
        rgb = rgb + inside[..., None] * lift
        rim = clamp01(1.0 - np.abs(sd + 0.5))
        rgb = rgb * (1.0 - 0.35 * rim)[..., None]
        inner = clamp01(1.0 - np.abs(sd + 1.5))
        lit = clamp01(((y0 + 8.0) - y) / 4.0) + clamp01(((x0 + 8.0) - x) / 4.0)
        rgb = rgb + (inner * clamp01(lit))[..., None] * 0.030

    # Right column: a slightly darker strip behind the title, mode, output and logo.
    strip = clamp01(x - 469.0)
    rgb = rgb * (1.0 - 0.10 * strip)[..., None]
    # The panel's own edges: lit along the top, darker along the bottom.
    rgb = rgb + (0.035 * (y < 1.0))[..., None] - (0.03 * (y > h - 1.0))[..., None]

    # Vignette: corners a little darker.
    vx = (x - w / 2.0) / (w / 2.0)
    vy = (y - h / 2.0) / (h / 2.0)
    rgb = rgb * (1.0 - 0.16 * smoothstep(0.3, 1.6, vx * vx * 0.6 + vy * vy))[..., None]

    # Title: "Vesk2" with a warm accent on the numeral, set into the panel.
    x1 = TITLE_BOX[2]
    size = 24
    tw = text_width("Vesk2", "VeraBd.ttf", size)
    origin = (x1 - tw - 2.0, 25.0)
    title = text_mask("Vesk2", "VeraBd.ttf", size, w, h, origin, k=k)
    vesk_w = text_width("Vesk", "VeraBd.ttf", size)
    warm = (x >= origin[0] + vesk_w - 0.5).astype(np.float64)
    shade = np.roll(title, k, axis=0)
    rgb = rgb * (1.0 - 0.5 * shade * (1.0 - title))[..., None]
    ink = np.array([0.80, 0.81, 0.83]) * (1.0 - warm[..., None]) + np.array([0.86, 0.70, 0.30]) * warm[..., None]
    rgb = rgb * (1.0 - title[..., None]) + ink * title[..., None]
    sub = "ROOM REVERB"
    sw = text_width(sub, "Vera.ttf", 7, tracking=1.3)
    subtitle = text_mask(sub, "Vera.ttf", 7, w, h, (x1 - sw - 2.0, 34.0), ss=4, tracking=1.3, k=k)
    rgb = rgb * (1.0 - subtitle[..., None]) + np.array([0.50, 0.51, 0.53]) * subtitle[..., None]

    # The maker's logo in the lower right corner, quietly engraved.
    lx, ly = LOGO_ON_PANEL[0] * k, LOGO_ON_PANEL[1] * k
    lw, lh = LOGO_SIZE[0] * k, LOGO_SIZE[1] * k
    logo = np.zeros((ph, pw))
    logo[ly:ly + lh, lx:lx + lw] = logo_mask(k)
    lit = np.roll(logo, k, axis=0)
    rgb = rgb + (0.04 * lit * (1.0 - logo))[..., None]
    rgb = rgb * (1.0 - logo[..., None]) + np.array([0.36, 0.37, 0.39]) * logo[..., None]

    # Dither away banding in the gradients.
    dither = hash_noise(np.floor(x * k).astype(np.int64), np.floor(y * k).astype(np.int64), 97) - 0.5
    out = np.floor(clamp01(rgb) * 255.0 + 0.5 + dither[..., None]).clip(0, 255).astype(np.uint8)
    alpha = np.full((ph, pw, 1), 255, dtype=np.uint8)
    return np.concatenate([out, alpha], axis=-1)


def main(argv):
    if len(argv) != 2:
        sys.stderr.write("usage: make_artwork.py OUTPUT_FOLDER\n")
        return 2
    folder = argv[1]
    os.makedirs(folder, exist_ok=True)
    for k in (1, 2, 3):
        suffix = "" if k == 1 else "-%dx" % k
        write_png(os.path.join(folder, "commonTextures%s.png" % suffix), common_textures(k))
        write_png(os.path.join(folder, "texture%s.png" % suffix), panel(k))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
