#!/usr/bin/env python3
"""Checks a screenshot of the main window at 1100 x 720 with the built-in sample: the track's blue
lies where an independent computation of the map projection (zoom 1, no pan, no angles) puts the
track points, and map colours fill the panel around it.

    track_on_screen.py SCREENSHOT.png SAMPLE.gpx   (the picture is read through ImageMagick)
"""
import subprocess
import sys
import xml.etree.ElementTree as ET

PANEL_X, PANEL_Y, PANEL_W, PANEL_H = 340, 42, 520, 522
TRACK_BLUE = (20, 97, 179)
PANEL_BACKGROUND = (245, 247, 250)


def read_rgb(path):
    size = subprocess.run(["identify", "-format", "%w %h", path], capture_output=True, text=True,
                          check=True).stdout.split()
    width, height = int(size[0]), int(size[1])
    data = subprocess.run(["convert", path, "rgb:-"], capture_output=True, check=True).stdout
    return width, height, data


def track_points(gpx):
    points = []
    for element in ET.parse(gpx).iter():
        if element.tag.endswith("trkpt"):
            points.append((float(element.get("lat")), float(element.get("lon"))))
    return points


def main():
    width, height, data = read_rgb(sys.argv[1])
    if (width, height) != (1100, 720):
        sys.exit(f"screenshot is {width} x {height}, expected 1100 x 720")

    def pixel(x, y):
        i = (y * width + x) * 3
        return tuple(data[i:i + 3])

    points = track_points(sys.argv[2])
    lats = [p[0] for p in points]
    lons = [p[1] for p in points]
    c_lat, c_lon = (min(lats) + max(lats)) / 2, (min(lons) + max(lons)) / 2
    r_lat, r_lon = max(max(lats) - min(lats), 1e-12), max(max(lons) - min(lons), 1e-12)
    scale = min((PANEL_W - 56) / r_lon, (PANEL_H - 56) / r_lat)

    def on_screen(lat, lon):
        return (PANEL_X + PANEL_W / 2 + (lon - c_lon) * scale,
                PANEL_Y + PANEL_H / 2 + (c_lat - lat) * scale)

    # Flags and the cursor ring stand over the ends of the track.
    ends = [on_screen(*points[0]), on_screen(*points[-1])]
    checked = hits = 0
    for lat, lon in points[::12]:
        x, y = on_screen(lat, lon)
        if any(abs(x - ex) < 40 and abs(y - ey) < 40 for ex, ey in ends):
            continue
        checked += 1
        near = [pixel(int(x) + dx, int(y) + dy) for dx in range(-2, 3) for dy in range(-2, 3)]
        if any(all(abs(a - b) <= 30 for a, b in zip(p, TRACK_BLUE)) for p in near):
            hits += 1
    if checked < 30 or hits < 0.95 * checked:
        sys.exit(f"track blue found at {hits} of {checked} projected points")

    painted = sum(1 for y in range(PANEL_Y, PANEL_Y + PANEL_H, 4)
                  for x in range(PANEL_X, PANEL_X + PANEL_W, 4)
                  if all(abs(a - b) > 6 for a, b in zip(pixel(x, y), PANEL_BACKGROUND)))
    share = painted / ((PANEL_W // 4) * (PANEL_H // 4))
    if share < 0.35:
        sys.exit(f"map colours cover only {share:.0%} of the map panel")
    print(f"track blue at {hits} of {checked} projected points; map colours cover {share:.0%}")


main()
