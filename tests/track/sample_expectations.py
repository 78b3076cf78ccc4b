#!/usr/bin/env python3
"""Expected info panel values for data/sample.gpx, worked out apart from the C++ code (xml.etree,
datetime in UTC, haversine on a 6371000 m sphere, speeds over steps with a positive time only).
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


def clock(s):
    return f"{s // 3600}:{s // 60 % 60:02d}:{s % 60:02d}"


def path_length(points, low, high):
    return sum(haversine(points[i - 1], points[i]) for i in range(low + 1, high + 1))


root = ET.parse(Path(__file__).parents[2] / "data" / "sample.gpx").getroot()
trk = root.find("g:trk", NS)
points = []
for pt in trk.iterfind("g:trkseg/g:trkpt", NS):
    text = pt.find("g:time", NS).text
    moment = datetime.strptime(text, "%Y-%m-%dT%H:%M:%SZ").replace(tzinfo=timezone.utc)
    points.append({"lat": float(pt.get("lat")), "lon": float(pt.get("lon")),
                   "ele": float(pt.find("g:ele", NS).text), "clock": text.split("T")[1][:8],
                   "time": int(moment.timestamp())})
speeds = [haversine(p, q) * 3.6 / (q["time"] - p["time"])
          for p, q in zip(points, points[1:]) if q["time"] > p["time"]]
distance = path_length(points, 0, len(points) - 1)
duration = abs(points[-1]["time"] - points[0]["time"])

for label, value in [
        ("Name", trk.find("g:name", NS).text), ("Number", trk.find("g:number", NS).text),
        ("Creator", root.get("creator")), ("GPX version", root.get("version")),
        ("Start time", points[0]["clock"]), ("Stop time", points[-1]["clock"]),
        ("Min. height", f"{min(p['ele'] for p in points):.0f} m"),
        ("Max. height", f"{max(p['ele'] for p in points):.0f} m"),
        ("Min. speed", f"{min(speeds, default=0.0):.1f} km/h"),
        ("Max. speed", f"{max(speeds, default=0.0):.1f} km/h"),
        ("Duration", clock(duration)), ("Distance", f"{distance / 1000:.2f} km"),
        ("Average", f"{distance * 3.6 / duration if duration else 0.0:.1f} km/h"),
        ("Waypoints", len(points))]:
    print(f"{label:<12}", value)

# Sections named by two marker indices, in either order.
for a, b in ((10, 3), (300, 400)):
    low, high = min(a, b), max(a, b)
    section = path_length(points, low, high)
    span = abs(points[high]["time"] - points[low]["time"])
    print(f"A={a} B={b}:", f"Waypoint A {a + 1}, Waypoint B {b + 1},", f"Duration {clock(span)},",
          f"Distance {section / 1000:.2f} km,",
          f"Average {section * 3.6 / span if span else 0.0:.1f} km/h,",
          f"Waypoints {high - low + 1},",
          f"Direct {haversine(points[low], points[high]) / 1000:.2f} km")
