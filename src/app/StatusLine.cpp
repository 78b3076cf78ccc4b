#include "app/StatusLine.h"

#include "track/TrackStats.h"

#include <cmath>
#include <cstdint>
#include <iomanip>
#include <locale>
#include <sstream>

namespace trakmoor {

namespace {

std::ostringstream classicStream() {
    std::ostringstream out;
    out.imbue(std::locale::classic());
    return out;
}

std::string markerText(int marker) {
    return marker >= 0 ? std::to_string(marker + 1) : "-";
}

} // namespace

std::string freeCursorStatusText(const std::string& fileName, const std::string& freeCursorWord,
                                 double lat, double lon) {
    std::ostringstream out = classicStream();
    out << fileName << "  |  " << freeCursorWord << "  |  " << std::fixed << std::setprecision(6)
        << lat << ", " << lon;
    return out.str();
}

std::string pointStatusText(const std::string& fileName, const std::string& pointWord,
                            const Track& track, int cursorIndex, int markerA, int markerB) {
    const std::int32_t count = track.pointCount();
    const WayPoint* cursor = track.pointAt(cursorIndex);
    if (cursor == nullptr) {
        return fileName;
    }
    if (markerA >= count) {
        markerA = -1;
    }
    if (markerB >= count) {
        markerB = -1;
    }
    std::ostringstream out = classicStream();
    out << fileName << "  |  " << pointWord << " " << (cursorIndex + 1) << "/" << count << "  |  "
        << cursor->ele() << " m";
    if (markerA >= 0 || markerB >= 0) {
        out << "  |  A: " << markerText(markerA) << "  B: " << markerText(markerB);
    }
    if (markerA >= 0 && markerB >= 0) {
        const SectionStats section = computeSectionStats(track, markerA, markerB);
        out << "  |  A-B: " << std::llround(section.distance) << " m";
        if (track.pointAt(markerA)->time() != track.pointAt(markerB)->time()) {
            out << ", " << section.duration << " s";
        }
    }
    return out.str();
}

std::string singleLineText(const std::string& text) {
    std::string line;
    bool gap = false;
    for (const char c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            gap = true;
            continue;
        }
        if (gap && !line.empty()) {
            line += ' ';
        }
        gap = false;
        line += c;
    }
    return line;
}

} // namespace trakmoor
