#include "app/TrackInfoPrinter.h"

#include "track/TrackFile.h"
#include "track/TrackInfoRows.h"

#include <cstdio>
#include <filesystem>

namespace trakmoor {

namespace {

std::string jsonString(const std::string& text) {
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", c);
            quoted += escape;
        } else {
            quoted += c;
        }
    }
    return quoted + '"';
}

} // namespace

int printTrackInfo(const std::string& path, bool json, std::ostream& out, std::ostream& errors) {
    const TrackFileRead read = readTrackFile(path);
    const std::string status =
        trackReadStatusText(read, std::filesystem::path(path).filename().string());
    if (!status.empty())
        errors << status << '\n';
    const Gpx* gpx = read.result.gpx.get();
    if (gpx == nullptr)
        return 1;
    if (json)
        out << '[';
    for (int t = 0; t < gpx->trackCount(); ++t) {
        const std::vector<TrackInfoRow> rows = trackInfoRows(gpx, t, -1, -1);
        if (json)
            out << (t > 0 ? ",\n" : "\n") << " {";
        else if (t > 0)
            out << '\n';
        bool first = true;
        for (const TrackInfoRow& row : rows) {
            if (row.parentId < 0)
                continue;
            if (json)
                out << (first ? "" : ", ") << jsonString(row.label) << ": "
                    << jsonString(row.value);
            else
                out << row.label << ": " << row.value << '\n';
            first = false;
        }
        if (json)
            out << '}';
    }
    if (json)
        out << "\n]\n";
    return 0;
}

} // namespace trakmoor
