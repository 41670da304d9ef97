#!/usr/bin/env python3
"""Draws the iceberg pictures of the main window and the window icon.

Run once with Debian's python3-pil; the JPEG files it writes are committed beside it:
  iceberg_colour.jpg  107 x 29, the colour picture shown once a table list is loaded
  iceberg_grey.jpg    107 x 29, the same in grey tones, shown while nothing is loaded
  vorlan_icon.jpg     32 x 32, the window icon
"""
from PIL import Image, ImageDraw

SKY_TOP, SKY_LOW = (120, 170, 225), (200, 225, 245)
SEA_TOP, SEA_LOW = (20, 80, 140), (5, 25, 70)


def gradient(draw, box, top, low):
    x0, y0, x1, y1 = box
    for y in range(y0, y1):
        t = (y - y0) / max(1, y1 - y0 - 1)
        colour = tuple(round(a + (b - a) * t) for a, b in zip(top, low))
        draw.line([(x0, y), (x1 - 1, y)], fill=colour)


def iceberg(width, height, waterline, peak_x, scale):
    image = Image.new("RGB", (width, height))
    draw = ImageDraw.Draw(image)
    gradient(draw, (0, 0, width, waterline), SKY_TOP, SKY_LOW)
    gradient(draw, (0, waterline, width, height), SEA_TOP, SEA_LOW)
    # The tip above the water: small and bright.
    tip = [(peak_x - 14 * scale, waterline), (peak_x - 6 * scale, waterline - 6 * scale),
           (peak_x - 2 * scale, waterline - 11 * scale), (peak_x + 3 * scale, waterline - 8 * scale),
           (peak_x + 9 * scale, waterline - 3 * scale), (peak_x + 16 * scale, waterline)]
    draw.polygon(tip, fill=(245, 250, 255), outline=(170, 200, 225))
    # The shadowed flank of the tip.
    draw.polygon([(peak_x - 2 * scale, waterline - 11 * scale), (peak_x + 3 * scale, waterline - 8 * scale),
                  (peak_x + 9 * scale, waterline - 3 * scale), (peak_x + 16 * scale, waterline),
                  (peak_x + 2 * scale, waterline)], fill=(190, 215, 235))
    # The much larger body under the water.
    body = [(peak_x - 14 * scale, waterline), (peak_x - 24 * scale, waterline + 6 * scale),
            (peak_x - 20 * scale, height), (peak_x + 27 * scale, height),
            (peak_x + 30 * scale, waterline + 5 * scale), (peak_x + 16 * scale, waterline)]
    draw.polygon(body, fill=(70, 140, 190))
    draw.line([(0, waterline), (width, waterline)], fill=(230, 240, 250))
    return image


def main():
    colour = iceberg(107, 29, 16, 52, 1)
    colour.save("iceberg_colour.jpg", quality=92)
    colour.convert("L").save("iceberg_grey.jpg", quality=92)
    icon = iceberg(32, 32, 17, 15, 0.7)
    icon.save("vorlan_icon.jpg", quality=95)


if __name__ == "__main__":
    main()
