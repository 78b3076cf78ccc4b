#!/usr/bin/env python3
"""Expected info panel values for data/sample.gpx, worked out apart from the C++ code.

The numbers pasted into TrackInfoRowsTest.cpp come from running this script:
    python3 tests/track/sample_expectations.py
It parses the GPX with xml.etree, takes times as UTC with datetime, and applies the formulas by hand:
haversine on a sphere of radius 6371000 m, segment speeds distance * 3.6 / dt over the steps with a
positive dt only, min/max elevations, duration |last - first|, average distance * 3.6 / duration,
and for a section between two point indices the same over low..high plus the direct distance.
Python's fixed-point formatting rounds like C's, so the texts can be compared literally.
"""

import math
import sys
import xml.etree.ElementTree as ET
from datetime import datetime, timezone
from pathlib import Path

NS = {"g": "http://www.topografix.com/GPX/1/0"}
RADIUS = 6371000.0


def haversine(a, b):
    phi_a, phi_b = math.radians(a["lat"]), math.radians(b["lat"])
    d_phi = phi_b - phi_a
    d_lambda = math.radians(b["lon"] - a["lon"])
    h = math.sin(d_phi / 2) ** 2 + math.cos(phi_a) * math.cos(phi_b) * math.sin(d_lambda / 2) ** 2
    return 2 * RADIUS * math.asin(math.sqrt(min(max(h, 0.0), 1.0)))


def seconds(text):
    moment = datetime.strptime(text, "%Y-%m-%dT%H:%M:%SZ").replace(tzinfo=timezone.utc)
    return int(moment.timestamp())


def clock(seconds_count):
    return f"{seconds_count // 3600}:{seconds_count // 60 % 60:02d}:{seconds_count % 60:02d}"


def read_points(path):
    root = ET.parse(path).getroot()
    trk = root.find("g:trk", NS)
    points = []
    for pt in trk.iterfind("g:trkseg/g:trkpt", NS):
        time_text = pt.find("g:time", NS).text
        points.append({
            "lat": float(pt.get("lat")),
            "lon": float(pt.get("lon")),
            "ele": float(pt.find("g:ele", NS).text),
            "time_text": time_text,
            "time": seconds(time_text),
        })
    return root, trk, points


def path_length(points, low, high):
    return sum(haversine(points[i - 1], points[i]) for i in range(low + 1, high + 1))


def main():
    path = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).parents[2] / "data" / "sample.gpx"
    root, trk, points = read_points(path)
    speeds = [haversine(p, q) * 3.6 / (q["time"] - p["time"])
              for p, q in zip(points, points[1:]) if q["time"] - p["time"] > 0]
    distance = path_length(points, 0, len(points) - 1)
    duration = abs(points[-1]["time"] - points[0]["time"])
    average = distance * 3.6 / duration if duration else 0.0

    print("Name        ", trk.find("g:name", NS).text)
    print("Number      ", trk.find("g:number", NS).text)
    print("Creator     ", root.get("creator"))
    print("GPX version ", root.get("version"))
    print("Start time  ", points[0]["time_text"].split("T")[1][:8])
    print("Stop time   ", points[-1]["time_text"].split("T")[1][:8])
    print("Min. height ", f"{min(p['ele'] for p in points):.0f} m")
    print("Max. height ", f"{max(p['ele'] for p in points):.0f} m")
    print("Min. speed  ", f"{min(speeds) if speeds else 0.0:.1f} km/h")
    print("Max. speed  ", f"{max(speeds) if speeds else 0.0:.1f} km/h")
    print("Duration    ", clock(duration))
    print("Distance    ", f"{distance / 1000:.2f} km")
    print("Average     ", f"{average:.1f} km/h")
    print("Waypoints   ", len(points))

    # Sections named by two marker indices, in either order.
    for a, b in ((10, 3), (300, 400)):
        low, high = min(a, b), max(a, b)
        section = path_length(points, low, high)
        span = abs(points[high]["time"] - points[low]["time"])
        print(f"A={a} B={b}:",
              f"Waypoint A {a + 1}, Waypoint B {b + 1},",
              f"Duration {clock(span)},",
              f"Distance {section / 1000:.2f} km,",
              f"Average {section * 3.6 / span if span else 0.0:.1f} km/h,",
              f"Waypoints {high - low + 1},",
              f"Direct {haversine(points[low], points[high]) / 1000:.2f} km")


if __name__ == "__main__":
    main()
