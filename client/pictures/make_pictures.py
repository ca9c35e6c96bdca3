#!/usr/bin/python3
"""Makes the client's three built-in pictures in this directory:

  decoration.jpg       138 x 35, the main window's decoration
  preview_loading.gif  136 x 10, animated, shown while a preview starts
  result_loading.gif    85 x 81, animated, shown while a picture is fetched

The results are committed, so the build never runs this. Needs python3-pil
(scripts/setup.sh installs it); the output is the same on every run.
"""
import math
import os

from PIL import Image, ImageDraw, ImageFont

HERE = os.path.dirname(os.path.abspath(__file__))
FONT = "/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc"


def mix(a, b, t):
    return tuple(int(round(x + (y - x) * t)) for x, y in zip(a, b))


def decoration():
    w, h = 138, 35
    img = Image.new("RGB", (w, h))
    draw = ImageDraw.Draw(img)
    for x in range(w):
        draw.line([(x, 0), (x, h)], fill=mix((38, 92, 160), (70, 170, 190), x / (w - 1)))
    # A little figure holding up a sign on the left, the title beside it.
    draw.rectangle([6, 4, 40, 20], fill=(250, 246, 226), outline=(120, 80, 40))
    draw.line([(23, 20), (23, 25)], fill=(120, 80, 40), width=2)
    draw.ellipse([19, 24, 27, 31], fill=(250, 220, 180))
    draw.line([(10, 12), (36, 12)], fill=(200, 40, 40), width=2)
    if os.path.exists(FONT):
        font = ImageFont.truetype(FONT, 17)
        draw.text((47, 7), "举牌照", font=font, fill=(20, 30, 50))
        draw.text((46, 6), "举牌照", font=font, fill=(255, 255, 255))
    img.save(os.path.join(HERE, "decoration.jpg"), "JPEG", quality=80, optimize=True)


def save_gif(frames, name, delay_ms):
    frames[0].save(os.path.join(HERE, name), save_all=True, append_images=frames[1:],
                   duration=delay_ms, loop=0, optimize=False, disposal=1)


def preview_loading():
    w, h, n = 136, 10, 16
    frames = []
    for i in range(n):
        img = Image.new("RGB", (w, h), (236, 240, 246))
        draw = ImageDraw.Draw(img)
        draw.rectangle([0, 0, w - 1, h - 1], outline=(150, 170, 200))
        x0 = -34 + i * (w + 34) // n
        for k in range(34):
            t = 1 - abs(k - 17) / 17
            draw.line([(x0 + k, 2), (x0 + k, h - 3)], fill=mix((236, 240, 246), (40, 110, 210), t))
        frames.append(img.convert("P", palette=Image.ADAPTIVE, colors=8))
    save_gif(frames, "preview_loading.gif", 60)


def result_loading():
    w, h, n, dots = 85, 81, 12, 12
    frames = []
    for i in range(n):
        img = Image.new("RGB", (w, h), (255, 255, 255))
        draw = ImageDraw.Draw(img)
        for d in range(dots):
            age = (i - d) % dots
            shade = mix((30, 100, 200), (225, 232, 242), age / (dots - 1))
            a = 2 * math.pi * d / dots - math.pi / 2
            cx, cy = w / 2 + 28 * math.cos(a), h / 2 + 28 * math.sin(a)
            r = 6 - age * 0.3
            draw.ellipse([cx - r, cy - r, cx + r, cy + r], fill=shade)
        frames.append(img.convert("P", palette=Image.ADAPTIVE, colors=64))
    save_gif(frames, "result_loading.gif", 80)


if __name__ == "__main__":
    decoration()
    preview_loading()
    result_loading()
