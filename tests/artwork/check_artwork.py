#!/usr/bin/python3
"""The committed artwork: what the generator makes today, byte for byte, in the
format and layout the editor relies on.

Usage: check_artwork.py SOURCE_DIR
"""

import math
import os
import struct
import subprocess
import sys
import tempfile
import unittest
import zlib

import numpy as np
from PIL import Image

SOURCE = sys.argv.pop(1) if len(sys.argv) > 1 else os.getcwd()
RESOURCES = os.path.join(SOURCE, "resources")
GENERATOR = os.path.join(SOURCE, "tools", "artwork", "make_artwork.py")
DENSITIES = (1, 2, 3)


def named(base, k):
    return "%s%s.png" % (base, "" if k == 1 else "-%dx" % k)


PICTURES = tuple(named(base, k) for k in DENSITIES for base in ("commonTextures", "texture"))


def chunks(path):
    """(type, data) of every chunk, checking each CRC."""
    with open(path, "rb") as f:
        data = f.read()
    assert data[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG signature"
    pos, out = 8, []
    while pos < len(data):
        (length,) = struct.unpack(">I", data[pos:pos + 4])
        kind, body = data[pos + 4:pos + 8], data[pos + 8:pos + 8 + length]
        (crc,) = struct.unpack(">I", data[pos + 8 + length:pos + 12 + length])
        assert crc == zlib.crc32(kind + body) & 0xFFFFFFFF, "bad CRC in %r" % kind
        out.append((kind, body))
        pos += 12 + length
    return out


def pixels(name):
    return np.asarray(Image.open(os.path.join(RESOURCES, name)).convert("RGBA")).astype(np.int32)


class Artwork(unittest.TestCase):
    def test_generator_reproduces_the_committed_pictures(self):
        with tempfile.TemporaryDirectory() as out:
            subprocess.run([sys.executable, GENERATOR, out], check=True)
            for name in PICTURES:
                with self.subTest(name):
                    with open(os.path.join(out, name), "rb") as f:
                        fresh = f.read()
                    with open(os.path.join(RESOURCES, name), "rb") as f:
                        committed = f.read()
                    self.assertTrue(fresh == committed,
                                    "resources/%s differs from what tools/artwork/make_artwork.py draws; "
                                    "regenerate it with: /usr/bin/python3 tools/artwork/make_artwork.py resources"
                                    % name)

    def test_format_is_8_bit_rgba_with_ancillary_chunks(self):
        for k in DENSITIES:
            for base, (w, h) in (("commonTextures", (600, 480)), ("texture", (560, 170))):
                self.check_format(named(base, k), (w * k, h * k))

    def check_format(self, name, size):
            with self.subTest(name):
                found = chunks(os.path.join(RESOURCES, name))
                kinds = [k for k, _ in found]
                self.assertEqual(kinds[0], b"IHDR")
                self.assertEqual(kinds[-1], b"IEND")
                w, h, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", found[0][1])
                self.assertEqual((w, h), size)
                self.assertEqual((depth, colour, interlace), (8, 6, 0))
                ancillary = [k for k in kinds[:kinds.index(b"IDAT")] if k[0:1].islower()]
                self.assertTrue(ancillary, "an ancillary chunk before the image data")

    def test_common_textures_are_premultiplied_and_clear_outside_their_regions(self):
        img = pixels("commonTextures.png")
        self.assertTrue((img[..., :3] <= img[..., 3:4]).all(), "colour exceeds alpha somewhere")
        used = np.zeros(img.shape[:2], dtype=bool)
        used[0:480, 0:320] = True      # pointer cells
        used[0:80, 320:400] = True     # knob body
        used[50:80, 422:512] = True    # logo
        self.assertFalse(img[~used].any(), "texels outside the regions are not transparent black")
        logo = img[50:80, 422:512]
        self.assertTrue(logo[..., 3].max() == 255 and (logo[..., :3] == logo[..., 3:4]).all(), "the logo is white")

    def test_knob_body_leaves_room_for_the_pointer_and_the_texts(self):
        body = pixels("commonTextures.png")[0:80, 320:400]
        y, x = np.nonzero(body[..., 3])
        self.assertLessEqual(np.hypot(x + 0.5 - 40, y + 0.5 - 40).max(), 26.0, "the body reaches too far out")
        self.assertFalse(body[64:, :, 3].any(), "the strip of the label and value lines must stay clear")
        self.assertTrue((body[30:50, 30:50, 3] == 255).all(), "the knob's face is opaque under the pointer")

    def test_pointer_sweeps_evenly_from_minus_to_plus_150_degrees(self):
        img = pixels("commonTextures.png")
        yy, xx = np.mgrid[0:40, 0:40] + 0.5
        angles, totals = [], []
        for n in range(96):
            cell = img[(n // 8) * 40:(n // 8) * 40 + 40, (n % 8) * 40:(n % 8) * 40 + 40]
            with self.subTest(cell=n):
                self.assertTrue((cell[..., :3] == cell[..., 3:4]).all(), "the pointer is white")
                a = cell[..., 3].astype(np.float64)
                self.assertLessEqual(np.hypot(xx - 20, yy - 20)[a > 0].max(), 19.0, "the pointer leaves the face")
                cx, cy = (a * xx).sum() / a.sum() - 20, (a * yy).sum() / a.sum() - 20
                angles.append(math.degrees(math.atan2(cx, -cy)))
                totals.append(a.sum())
        self.assertAlmostEqual(angles[0], -150.0, delta=0.5)
        self.assertAlmostEqual(angles[-1], 150.0, delta=0.5)
        steps = np.diff(angles)
        self.assertLess(np.abs(steps - 300.0 / 95).max(), 0.3, "uneven steps between neighbouring cells")
        self.assertLess((max(totals) - min(totals)) / max(totals), 0.01, "the pointer's weight flickers")

    def test_panel_is_opaque(self):
        for k in DENSITIES:
            self.assertTrue((pixels(named("texture", k))[..., 3] == 255).all())

    def test_denser_pictures_show_the_same_layout(self):
        # Box-filtered down to one pixel per logical pixel, a denser picture
        # shows what the 1x one shows, where it shows it: only the finer edges differ.
        for base in ("texture", "commonTextures"):
            one = pixels(named(base, 1)).astype(np.float64)
            for k in DENSITIES[1:]:
                with self.subTest(base=base, k=k):
                    dense = pixels(named(base, k)).astype(np.float64)
                    h, w = one.shape[:2]
                    down = dense.reshape(h, k, w, k, 4).mean(axis=(1, 3))
                    self.assertLess(np.abs(down - one).mean(), 1.0, "the pictures disagree on average")
                    self.assertLess(np.percentile(np.abs(down - one).max(axis=2), 99), 16.0,
                                    "something sits elsewhere")


if __name__ == "__main__":
    unittest.main(verbosity=2)
