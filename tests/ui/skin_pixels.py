#!/usr/bin/python3
"""Every committed skin PNG decodes to exactly the pixels that scripts/make_art.py draws: a
recompression that changed one pixel, or an image edited without the script, fails here."""
import os
import sys

from PIL import Image

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(ROOT, "scripts"))
import make_art  # noqa: E402

art = make_art.build()
differing = []
for ident in make_art.EXPECTED_IDS:
    with Image.open(os.path.join(ROOT, "res", "png", "%d.png" % ident)) as shipped:
        drawn = art[ident].convert("RGBA")
        if shipped.size != drawn.size or shipped.convert("RGBA").tobytes() != drawn.tobytes():
            differing.append(ident)
print("%d images, differing: %s" % (len(make_art.EXPECTED_IDS), differing or "none"))
sys.exit(1 if differing else 0)
