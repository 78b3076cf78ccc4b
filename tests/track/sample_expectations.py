#!/usr/bin/env python3
"""Expected info panel values for data/sample.gpx, worked out apart from the C++ code (xml.etree,
datetime in UTC, haversine on a 6371000 m sphere, speeds over steps with a positive time only,
climbs with single readings more than 1 m off both neighbours flattened and a 0.15 m hysteresis).
TrackInfoRowsTest.cpp holds the output of   python3 tests/track/sample_expectations.py
Python's fixed-point formatting rounds like C's, so the texts can be compared literally.
"""

import math
import xml.etree.ElementTree as ET
from datetime import datetime, timezone
from pathlib import Path

NS = {"g": "http://www.topografix.com/GPX/1/0"}


def haversine(a, b):
    phi_a, phi_b = math.radians(a["lat"]), math.radians(b["lat"])
    h = (math.sin((phi_b - phi_a) / 2) ** 2
         + math.cos(phi_a) * math.cos(phi_b) * math.sin(math.radians(b["lon"] - a["lon"]) / 2) ** 2)
    return 2 * 6371000.0 * math.asin(math.sqrt(min(max(h, 0.0), 1.0)))


def clock(span):
    return f"{span // 3600}:{span // 60 % 60:02d}:{span % 60:02d}"


def summary(points):
    """Duration, distance and average speed texts of a run of points."""
    distance = sum(haversine(p, q) for p, q in zip(points, points[1:]))
    span = abs(points[-1]["time"] - points[0]["time"])
    return (clock(span), f"{distance / 1000:.2f} km",
            f"{distance * 3.6 / span if span else 0.0:.1f} km/h")


def climb_and_motion(points):
    """Ascent, descent (wild single readings flattened, then a 0.15 m hysteresis), moving time
    and its speed."""
    e = [p["ele"] for p in points]
    smooth = e[:1]
    for i in range(1, len(e) - 1):
        a, b, c = smooth[-1], e[i], e[i + 1]
        wild = min(b - a, b - c) > 1 or min(a - b, c - b) > 1
        smooth.append(sorted((a, b, c))[1] if wild else b)
    smooth += e[1:][-1:]
    up = down = 0.0
    turn, going = smooth[0], 0
    for h in smooth[1:]:
        if h > turn and (going > 0 or h - turn >= 0.15):
            up, turn, going = up + h - turn, h, 1
        elif h < turn and (going < 0 or turn - h >= 0.15):
            down, turn, going = down + turn - h, h, -1
    moving = [(q["time"] - p["time"], haversine(p, q)) for p, q in zip(points, points[1:])
              if q["time"] > p["time"] and haversine(p, q) * 3.6 / (q["time"] - p["time"]) >= 1]
    seconds = sum(dt for dt, _ in moving)
    metres = sum(d for _, d in moving)
    return (f"{up:.0f} m", f"{down:.0f} m", clock(seconds),
            f"{metres * 3.6 / seconds if seconds else 0.0:.1f} km/h")


root = ET.parse(Path(__file__).parents[2] / "data" / "sample.gpx").getroot()
trk = root.find("g:trk", NS)
points = []
for pt in trk.iterfind("g:trkseg/g:trkpt", NS):
    text = pt.find("g:time", NS).text
    moment = datetime.strptime(text, "%Y-%m-%dT%H:%M:%SZ").replace(tzinfo=timezone.utc)
    points.append({"lat": float(pt.get("lat")), "lon": float(pt.get("lon")), "clock": text[11:19],
                   "ele": float(pt.find("g:ele", NS).text), "time": int(moment.timestamp())})
speeds = [haversine(p, q) * 3.6 / (q["time"] - p["time"])
          for p, q in zip(points, points[1:]) if q["time"] > p["time"]]
heights = [p["ele"] for p in points]
print(trk.find("g:name", NS).text, trk.find("g:number", NS).text, root.get("creator"),
      root.get("version"), points[0]["clock"], points[-1]["clock"], f"{min(heights):.0f} m",
      f"{max(heights):.0f} m", f"{min(speeds, default=0.0):.1f} km/h",
      f"{max(speeds, default=0.0):.1f} km/h", *summary(points), len(points),
      *climb_and_motion(points), sep=" | ")

# Sections named by two marker indices, in either order.
for a, b in ((10, 3), (300, 400)):
    low, high = min(a, b), max(a, b)
    print(f"A={a} B={b}:", a + 1, b + 1, *summary(points[low:high + 1]), high - low + 1,
          f"{haversine(points[low], points[high]) / 1000:.2f} km",
          *climb_and_motion(points[low:high + 1]), sep=" | ")
