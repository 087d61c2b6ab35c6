#!/usr/bin/python3
"""Draws the program's icon, push-button bitmaps (at 100% and a large copy) and button sounds.

Run from anywhere: app/res/make_art.py. Writes zentrove.ico, button_*.bmp, click.wav and
hover.wav next to this script. Needs Pillow (Debian python3-pil); the sounds use only the
standard library. Output is deterministic, so re-running changes nothing.
"""
import math
import os
import struct
import wave

from PIL import Image, ImageDraw

HERE = os.path.dirname(os.path.abspath(__file__))
MAGENTA = (255, 0, 255)

# The program's light-blue family (dialog gradient, tab and strip colours).
SKY_TOP = (228, 239, 252)
SKY_BOTTOM = (242, 250, 251)
TAB = (166, 192, 215)
DEEP = (80, 110, 150)


def lerp(a, b, t):
    return tuple(round(a[i] + (b[i] - a[i]) * t) for i in range(len(a)))


def vertical_gradient(size, stops):
    """stops: list of (position 0..1, colour)."""
    w, h = size
    img = Image.new("RGB", size)
    px = img.load()
    for y in range(h):
        t = y / max(1, h - 1)
        for i in range(len(stops) - 1):
            p0, c0 = stops[i]
            p1, c1 = stops[i + 1]
            if p0 <= t <= p1:
                c = lerp(c0, c1, (t - p0) / max(1e-9, p1 - p0))
                break
        for x in range(w):
            px[x, y] = c
    return img


# --- Push-button bitmaps: 75 x 23 pixels, the size of a 50 x 14 unit button. ---------------
BUTTON_SIZE = (75, 23)
BUTTON_STYLES = {
    # name: (gradient stops, border, inner highlight)
    "normal": ([(0.0, (253, 254, 255)), (0.48, (226, 238, 251)), (0.52, (210, 228, 247)),
                (1.0, (190, 216, 242))], (112, 146, 186), (255, 255, 255)),
    "hover": ([(0.0, (255, 255, 255)), (0.48, (222, 242, 253)), (0.52, (196, 230, 250)),
               (1.0, (160, 212, 243))], (52, 118, 186), (255, 255, 255)),
    "pressed": ([(0.0, (150, 188, 224)), (0.5, (176, 207, 236)), (1.0, (208, 228, 248))],
                (46, 90, 146), (136, 172, 210)),
    "disabled": ([(0.0, (246, 247, 249)), (1.0, (222, 226, 231))], (176, 182, 190),
                 (250, 250, 251)),
}


def button_bitmap(style, k=1):
    """The button at k times its 100% size; the large copy (k = 4) is what the program scales
    down from on screens of more than 96 DPI, so its lines are k pixels wide."""
    stops, border, highlight = BUTTON_STYLES[style]
    size = (BUTTON_SIZE[0] * k, BUTTON_SIZE[1] * k)
    w, h = size
    scale = 4
    body = vertical_gradient(size, stops)
    # Rounded shape drawn large and reduced, then made hard-edged against magenta (the
    # transparent colour cannot carry partial alpha).
    mask = Image.new("L", (w * scale, h * scale), 0)
    ImageDraw.Draw(mask).rounded_rectangle((0, 0, w * scale - 1, h * scale - 1),
                                           radius=4 * k * scale, fill=255)
    mask = mask.resize(size, Image.LANCZOS).point(lambda v: 255 if v >= 128 else 0)
    img = Image.new("RGB", size, MAGENTA)
    img.paste(body, (0, 0), mask)
    d = ImageDraw.Draw(img)
    d.rounded_rectangle((k, k, w - 1 - k, h - 1 - k), radius=3 * k, outline=highlight, width=k)
    d.rounded_rectangle((0, 0, w - 1, h - 1), radius=4 * k, outline=border, width=k)
    # Keep the corners outside the outline transparent.
    px = img.load()
    for y in range(h):
        for x in range(w):
            if mask.getpixel((x, y)) == 0:
                px[x, y] = MAGENTA
    return img


# --- Icon 128: a blue tile with a white sweep and a green tick, 32 and 16 pixels. -----------
def icon_image(size):
    s = 16  # supersampling
    big = size * s
    tile = vertical_gradient((big, big), [(0.0, (126, 182, 236)), (1.0, (34, 88, 160))])
    alpha = Image.new("L", (big, big), 0)
    margin = big // 16
    ImageDraw.Draw(alpha).rounded_rectangle((margin, margin, big - margin - 1, big - margin - 1),
                                            radius=big // 5, fill=255)
    img = Image.new("RGBA", (big, big), (0, 0, 0, 0))
    img.paste(tile, (0, 0), alpha)
    d = ImageDraw.Draw(img)
    # Light rim of the tile, in the dialogs' sky colour.
    d.rounded_rectangle((margin, margin, big - margin - 1, big - margin - 1), radius=big // 5,
                        outline=SKY_TOP + (255,), width=max(1, big // 32))
    # A bold "Z" as a polygon so it needs no font.
    u = big / 32.0
    z = [(8, 7), (23, 7), (23, 11), (13.5, 21), (23, 21), (23, 25), (8, 25), (8, 21),
         (17.5, 11), (8, 11)]
    d.polygon([(x * u, y * u) for x, y in z], fill=(255, 255, 255, 255))
    # Green tick at the lower right: cleaned.
    tick = [(18, 22), (21, 25), (28, 16)]
    d.line([(x * u, y * u) for x, y in tick], fill=(30, 70, 40, 255), width=round(5 * u),
           joint="curve")
    d.line([(x * u, y * u) for x, y in tick], fill=(96, 214, 96, 255), width=round(3 * u),
           joint="curve")
    return img.resize((size, size), Image.LANCZOS)


def write_ico(path, images):
    """ICO with 32-bit BMP entries (alpha plus AND mask), readable by every Windows version."""
    entries = []
    blobs = []
    for im in images:
        w, h = im.size
        header = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 32, 0, 0, 0, 0, 0, 0)
        rows = []
        for y in range(h - 1, -1, -1):
            row = bytearray()
            for x in range(w):
                r, g, b, a = im.getpixel((x, y))
                row += bytes((b, g, r, a))
            rows.append(bytes(row))
        mask_row_bytes = ((w + 31) // 32) * 4
        mask = bytearray()
        for y in range(h - 1, -1, -1):
            bits = bytearray(mask_row_bytes)
            for x in range(w):
                if im.getpixel((x, y))[3] == 0:
                    bits[x // 8] |= 0x80 >> (x % 8)
            mask += bits
        blobs.append(header + b"".join(rows) + bytes(mask))
        entries.append((w, h))
    offset = 6 + 16 * len(images)
    out = struct.pack("<HHH", 0, 1, len(images))
    for (w, h), blob in zip(entries, blobs):
        out += struct.pack("<BBBBHHII", w % 256, h % 256, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
    out += b"".join(blobs)
    with open(path, "wb") as f:
        f.write(out)


# --- Sounds: short and quiet, 22.05 kHz mono 16-bit. ----------------------------------------
RATE = 22050


def write_wave(path, samples):
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(b"".join(struct.pack("<h", max(-32767, min(32767, round(s * 32767))))
                               for s in samples))


def click_samples():
    # 35 ms: a soft tick of two partials that dies away fast.
    n = int(RATE * 0.035)
    out = []
    for i in range(n):
        t = i / RATE
        env = math.exp(-t * 140.0) * min(1.0, i / 20.0)
        out.append(0.22 * env * (math.sin(2 * math.pi * 1850 * t) +
                                 0.4 * math.sin(2 * math.pi * 3700 * t)) / 1.4)
    return out


def hover_samples():
    # 45 ms: a gentle rising blip, quieter than the click.
    n = int(RATE * 0.045)
    out = []
    phase = 0.0
    for i in range(n):
        t = i / RATE
        f = 900 + 500 * (t / 0.045)
        phase += 2 * math.pi * f / RATE
        env = math.sin(math.pi * i / n) ** 2
        out.append(0.09 * env * math.sin(phase))
    return out


def main():
    for name in BUTTON_STYLES:
        button_bitmap(name).save(os.path.join(HERE, "button_%s.bmp" % name))
        button_bitmap(name, 4).save(os.path.join(HERE, "button_%s_large.bmp" % name))
    # Every size the system asks for from 100% to 200%, so no icon is ever stretched.
    write_ico(os.path.join(HERE, "zentrove.ico"),
              [icon_image(n) for n in (128, 96, 64, 48, 40, 32, 24, 20, 16)])
    write_wave(os.path.join(HERE, "click.wav"), click_samples())
    write_wave(os.path.join(HERE, "hover.wav"), hover_samples())


if __name__ == "__main__":
    main()
