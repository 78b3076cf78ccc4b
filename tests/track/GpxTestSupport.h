#ifndef TRAKMOOR_TESTS_TRACK_GPXTESTSUPPORT_H
#define TRAKMOOR_TESTS_TRACK_GPXTESTSUPPORT_H

#include "track/Gpx.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace trakmoor::test {

inline std::filesystem::path gpxDataDir() {
    return std::filesystem::path(TRAKMOOR_TEST_DATA) / "gpx";
}

inline std::string readWholeFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// The cells of one line of a CSV file without quoting; a trailing comma gives an empty last cell.
inline std::vector<std::string> splitCsv(std::string line) {
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    std::vector<std::string> cells;
    std::stringstream in(line);
    for (std::string cell; std::getline(in, cell, ',');)
        cells.push_back(cell);
    if (!line.empty() && line.back() == ',')
        cells.emplace_back();
    return cells;
}

// Every field at full precision, one line per point and per track, so that documents compare as
// texts and a failure shows what differs.
inline std::string describe(const WayPoint& p) {
    std::ostringstream out;
    out.precision(17);
    out << p.lat() << ' ' << p.lon() << ' ' << p.ele() << ' ' << p.time() << '|' << p.timeText()
        << '|' << p.name() << '|' << p.cmt() << '|' << p.desc() << '\n';
    return out.str();
}

inline std::string describe(const Gpx& gpx) {
    std::ostringstream out;
    out.precision(17);
    out << gpx.creator() << '|' << gpx.version() << '|' << gpx.minLat() << ' ' << gpx.minLon()
        << ' ' << gpx.maxLat() << ' ' << gpx.maxLon() << '\n';
    for (int t = 0; t < gpx.trackCount(); ++t) {
        const Track& track = *gpx.trackAt(t);
        out << "track " << track.name() << '|' << track.number() << '\n';
        for (int i = 0; i < track.pointCount(); ++i)
            out << describe(*track.pointAt(i));
    }
    return out.str();
}

// 64-bit FNV-1a, enough to tell two document descriptions apart.
inline std::string digest(const std::string& text) {
    std::uint64_t hash = 14695981039346656037ull;
    for (unsigned char c : text)
        hash = (hash ^ c) * 1099511628211ull;
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
    return hex;
}

} // namespace trakmoor::test

#endif
