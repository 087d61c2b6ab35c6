#!/usr/bin/python3
"""Draws the setup program's welcome and finish page picture (164 x 314, NSIS's size) from the
program's own icon and colours. Writes wizard.bmp next to this script; needs Pillow (Debian
python3-pil). Output is deterministic, so re-running changes nothing."""
import os
import sys

from PIL import Image

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "app", "res"))
import make_art  # noqa: E402  (the icon and the gradients)

SIZE = (164, 314)


def main():
    img = make_art.vertical_gradient(SIZE, [(0.0, (34, 88, 160)), (0.55, make_art.DEEP),
                                            (1.0, make_art.TAB)])
    icon = make_art.icon_image(96)
    img.paste(icon, ((SIZE[0] - 96) // 2, 40), icon)
    img.save(os.path.join(HERE, "wizard.bmp"))


if __name__ == "__main__":
    main()
