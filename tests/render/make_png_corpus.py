#!/usr/bin/python3
"""Writes the decoder's corpus of valid pictures: tests/render/png/NAME.png, made by
ImageMagick (an encoder independent of ours), and NAME.rgba, the 8-bit RGBA that
ImageMagick decodes from the same file. Checks that the set covers every colour
type and bit depth, both interlace methods, every filter type and each kind of
transparency. Run by hand after changing the list; the files are committed.
Needs Debian's imagemagick (it calls /usr/bin/convert)."""
import os
import struct
import subprocess
import sys
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "png")
CONVERT = "/usr/bin/convert"
W, H = 19, 13

# A deterministic source: smooth colour gradients with hard edges and a few
# translucent pixels, so every filter has something to predict.
SOURCE = ["-size", f"{W}x{H}", "gradient:#102040-#f0c010", "(", "-size", f"{W}x{H}",
          "gradient:#ff0000-#00ffff", "-rotate", "90", "-resize", f"{W}x{H}!", ")",
          "-compose", "difference", "-composite",
          "-fill", "#ffffff", "-draw", "rectangle 3,2 7,5", "-fill", "#00ff00", "-draw", "point 11,7"]
ALPHA = ["(", "+clone", "-alpha", "extract", "-fx", "(i*13+j*7)%256/255", ")", "-alpha", "off",
         "-compose", "copy_opacity", "-composite"]
COMMON = ["-define", "png:exclude-chunks=date,time,tIME,bKGD"]

# name: (extra ImageMagick arguments, colour type, bit depth)
CASES = {}
for interlace in (0, 1):
    lace = ["-interlace", "PNG"] if interlace else ["-interlace", "none"]
    tag = "i" if interlace else "n"
    for depth in (1, 2, 4, 8, 16):
        levels = min(2 ** depth, 256)
        CASES[f"grey{depth}_{tag}"] = (["-colorspace", "gray", "-posterize", str(levels)] + lace +
                                       ["-define", "png:color-type=0", "-define", f"png:bit-depth={depth}"], 0, depth)
    for depth in (1, 2, 4, 8):
        CASES[f"palette{depth}_{tag}"] = (["-colors", str(2 ** depth), "+dither"] + lace +
                                          ["-define", "png:color-type=3", "-define", f"png:bit-depth={depth}"], 3, depth)
    for depth in (8, 16):
        CASES[f"rgb{depth}_{tag}"] = (lace + ["-define", "png:color-type=2", "-define", f"png:bit-depth={depth}"], 2, depth)
        CASES[f"greyalpha{depth}_{tag}"] = (ALPHA + ["-colorspace", "gray"] + lace +
                                            ["-define", "png:color-type=4", "-define", f"png:bit-depth={depth}"], 4, depth)
        CASES[f"rgba{depth}_{tag}"] = (ALPHA + lace + ["-define", "png:color-type=6",
                                                       "-define", f"png:bit-depth={depth}"], 6, depth)
# Filter settings, stored blocks, and the transparency kinds. (This ImageMagick
# picks its filters adaptively whatever is asked; the check below sees every
# type used somewhere. Paeth's tie-break has a picture of its own, paethties.)
for f in range(5):
    CASES[f"filter{f}"] = (["-define", f"png:compression-filter={f}", "-define", "png:compression-strategy=1",
                            "-define", "png:color-type=2", "-define", "png:bit-depth=8"], 2, 8)
CASES["stored"] = (ALPHA + ["-define", "png:compression-level=0", "-define", "png:color-type=6",
                           "-define", "png:bit-depth=8"], 6, 8)
CASES["greykey8"] = (["-colorspace", "gray", "-transparent", "white", "-define", "png:color-type=0",
                      "-define", "png:bit-depth=8"], 0, 8)
CASES["greykey16"] = (["-colorspace", "gray", "-transparent", "white", "-define", "png:color-type=0",
                       "-define", "png:bit-depth=16"], 0, 16)
CASES["rgbkey8"] = (["-transparent", "#00ff00", "-define", "png:color-type=2", "-define", "png:bit-depth=8"], 2, 8)
CASES["rgbkey16"] = (["-transparent", "#00ff00", "-define", "png:color-type=2", "-define", "png:bit-depth=16"], 2, 16)
CASES["palettealpha"] = (ALPHA + ["-colors", "16", "+dither"], 3, 8)  # written as PNG8: binary transparency
# Interlaced pictures smaller than 8 x 8, whose Adam7 passes are partly empty.
SIZES = {}
for w, h in ((1, 1), (2, 3), (3, 2), (5, 7), (7, 7)):
    name = f"tiny{w}x{h}_i"
    CASES[name] = (["-resize", f"{w}x{h}!"] + ALPHA + ["-interlace", "PNG", "-define", "png:color-type=6",
                                                    "-define", "png:bit-depth=8"], 6, 8)
    SIZES[name] = (w, h)

# Paeth on every row of an RGB picture full of ties between predictors of
# different values, so that the tie-break order decides many bytes. Its pixels
# come from a fixed pseudo-random pattern over a few levels, not from SOURCE.
PAETH_W, PAETH_H = 32, 24
SIZES["paethties"] = (PAETH_W, PAETH_H)
CASES["paethties"] = ([], 2, 8)  # written by paeth_png below, decoded by ImageMagick


def paeth_source():
    levels, state, out = (0, 40, 80, 120, 200), 12345, bytearray()
    for _ in range(PAETH_W * PAETH_H * 3):
        state = (state * 1103515245 + 12345) % 2 ** 31
        out.append(levels[(state >> 16) % len(levels)])
    return bytes(out)


def paeth_png():
    """The paethties picture, every row Paeth-filtered with the standard tie-break
    (ImageMagick chooses its own filters, so this one file is written here)."""
    src, row, raw, prev = paeth_source(), PAETH_W * 3, bytearray(), bytes(PAETH_W * 3)
    for y in range(PAETH_H):
        line = src[y * row:(y + 1) * row]
        raw.append(4)
        for x in range(row):
            a, b, c = (line[x - 3] if x >= 3 else 0), prev[x], (prev[x - 3] if x >= 3 else 0)
            p = a + b - c
            pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
            raw.append((line[x] - (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255)
        prev = line

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", PAETH_W, PAETH_H, 8, 2, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


def paeth_decisions(raw):
    """Bytes of the paethties rows whose value depends on the tie-break order:
    decoded with the standard order and with each of two wrong ones."""
    def predictor(order):
        def pick(a, b, c):
            p = a + b - c
            pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
            if order == "standard":
                return a if pa <= pb and pa <= pc else b if pb <= pc else c
            if order == "strict":
                return a if pa < pb and pa < pc else b if pb < pc else c
            return c if pc <= pa and pc <= pb else b if pb <= pa else a  # "reversed"
        return pick
    results = {}
    for order in ("standard", "strict", "reversed"):
        row = PAETH_W * 3
        pick, prev, rows, at = predictor(order), bytes(row), [], 0
        for _ in range(PAETH_H):
            ftype, line = raw[at], bytearray(raw[at + 1:at + 1 + row])
            at += row + 1
            assert ftype == 4, "every row must be Paeth-filtered"
            for x in range(row):
                a = line[x - 3] if x >= 3 else 0
                c = prev[x - 3] if x >= 3 else 0
                line[x] = (line[x] + pick(a, prev[x], c)) & 255
            rows.append(bytes(line))
            prev = line
        results[order] = b"".join(rows)
    return results


def chunks(data):
    p = 8
    while p + 8 <= len(data):
        n, t = struct.unpack(">I4s", data[p:p + 8])
        yield t.decode("latin-1"), data[p + 8:p + 8 + n]
        p += 12 + n


def filters_used(data, ctype, depth, interlace, W, H):
    """Filter type bytes of every row, by inflating with Python's zlib."""
    raw = zlib.decompress(b"".join(body for t, body in chunks(data) if t == "IDAT"))
    bpp = depth * {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}[ctype]
    passes = [(0, 0, 1, 1)] if not interlace else [(0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4),
                                                   (0, 2, 2, 4), (1, 0, 2, 2), (0, 1, 1, 2)]
    used, at = set(), 0
    for x0, y0, dx, dy in passes:
        pw, ph = max(0, (W - x0 + dx - 1) // dx), max(0, (H - y0 + dy - 1) // dy)
        if not pw or not ph:
            continue
        row = (pw * bpp + 7) // 8
        for _ in range(ph):
            used.add(raw[at])
            at += row + 1
    return used


def main():
    os.makedirs(OUT, exist_ok=True)
    covered = {"filters": set(), "types": set(), "trns": set()}
    for name, (args, ctype, depth) in sorted(CASES.items()):
        png = os.path.join(OUT, name + ".png")
        prefix = "PNG8:" if name == "palettealpha" else "PNG:"
        w, h = SIZES.get(name, (W, H))
        if name == "paethties":
            open(png, "wb").write(paeth_png())
        else:
            subprocess.run([CONVERT] + SOURCE + args + COMMON + [prefix + png], check=True)
        data = open(png, "rb").read()
        ihdr = data[16:29]
        got_type, got_depth, got_lace = ihdr[9], ihdr[8], ihdr[12]
        if (got_type, got_depth) != (ctype, depth):
            sys.exit(f"{name}: ImageMagick wrote colour type {got_type} depth {got_depth}, not {ctype}/{depth}")
        types = [t for t, _ in chunks(data)]
        if "tRNS" in types:
            covered["trns"].add(ctype)
        covered["types"].add((ctype, depth, got_lace))
        covered["filters"] |= filters_used(data, ctype, depth, got_lace, w, h)
        # Sixteen-bit samples are read as sixteen bits and cut to their high
        # byte: ImageMagick's own 8-bit output rounds instead.
        wide = depth == 16
        rgba = subprocess.run([CONVERT, png, "-endian", "MSB", "-depth", "16" if wide else "8", "RGBA:-"], check=True,
                              stdout=subprocess.PIPE).stdout
        if wide:
            rgba = rgba[0::2]  # big-endian samples: every other byte is a high byte
        if len(rgba) != w * h * 4:
            sys.exit(f"{name}: ImageMagick decoded {len(rgba)} bytes")
        if name == "paethties":
            decoded = paeth_decisions(zlib.decompress(b"".join(b for t, b in chunks(data) if t == "IDAT")))
            opaque = bytes(v for i, v in enumerate(rgba) if i % 4 != 3)
            if decoded["standard"] != opaque or decoded["standard"] != paeth_source():
                sys.exit("paethties: the standard Paeth decode differs from ImageMagick's")
            for order in ("strict", "reversed"):
                differ = sum(x != y for x, y in zip(decoded[order], decoded["standard"]))
                if differ < 20:
                    sys.exit(f"paethties: the {order} tie-break changes only {differ} bytes")
                print(f"paethties: the {order} tie-break changes {differ} bytes")
        open(os.path.join(OUT, name + ".rgba"), "wb").write(rgba)
        print(f"{name}: type {got_type} depth {got_depth} interlace {got_lace} chunks {' '.join(types)}")
    missing = []
    for ctype, depths in ((0, (1, 2, 4, 8, 16)), (2, (8, 16)), (3, (1, 2, 4, 8)), (4, (8, 16)), (6, (8, 16))):
        for d in depths:
            for lace in (0, 1):
                if (ctype, d, lace) not in covered["types"]:
                    missing.append(f"type {ctype} depth {d} interlace {lace}")
    missing += [f"filter {f}" for f in range(5) if f not in covered["filters"]]
    missing += [f"tRNS for type {t}" for t in (0, 2, 3) if t not in covered["trns"]]
    if missing:
        sys.exit("not covered: " + ", ".join(missing))


if __name__ == "__main__":
    main()
