#ifndef TRAKMOOR_APP_EXPORTCOMMAND_H
#define TRAKMOOR_APP_EXPORTCOMMAND_H

// trakmoor.bin --export OUT.png|OUT.pdf|OUT.svg [--size WxH] [--graph] [--track N] [--download]
// [--no-legend] FILE [MAP]: the picture the window would open with, drawn without a window or display, for
// scripts and for the file manager's thumbnails.

#include <iosfwd>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>

namespace trakmoor {

inline constexpr const char* exportUsageText =
    "Usage: trakmoor.bin --export OUT.png|OUT.pdf|OUT.svg [--size WIDTHxHEIGHT|SIZE] [--graph] "
    "[--track N] [--download] [--no-legend] TRACK [MAP.osm]\n";

struct ExportSettings {
    std::string output;
    // Unset: the panels' size in a window of the design size.
    std::optional<std::pair<int, int>> size;
    bool graph = false;
    bool legend = true;
    // 1 for the first track.
    int track = 1;
    bool download = false;
    std::string file;
    std::string map;
};

// Whether the arguments (after the program name) ask for a picture instead of a window.
bool isExportCommand(std::span<const std::string_view> arguments);

// The settings, or why the arguments cannot be read (translated).
struct ExportParse {
    std::optional<ExportSettings> settings;
    std::string error;
};
ExportParse parseExportCommand(std::span<const std::string_view> arguments);

// Draws and writes the picture; 0 when written, 1 with the reason on `errors` otherwise.
int runExport(const ExportSettings& settings, std::ostream& errors);

} // namespace trakmoor

#endif
