#ifndef TRAKMOOR_APP_COMMANDLINE_H
#define TRAKMOOR_APP_COMMANDLINE_H

// The program's command line: trakmoor.bin [--window-size WIDTHxHEIGHT|fullscreen] [TRACK]
// [MAP.osm], or trakmoor.bin --info TRACK [--json].  Parsing is separate from start-up so that
// every rule can be checked on its own.

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace trakmoor {

inline constexpr const char* usageText =
    "Usage: trakmoor.bin [--window-size WIDTHxHEIGHT|fullscreen] [TRACK] [MAP.osm]\n"
    "       trakmoor.bin --info TRACK [--json]\n";

struct StartupSettings {
    int width = 1100;
    int height = 720;
    bool fullscreen = false;
    // At most two, in command-line order: a track or map file, then a map file.
    std::vector<std::string> positional;
    // --info: print the info rows of this file's tracks instead of opening a window.
    std::optional<std::string> infoFile;
    bool infoJson = false;
};

// Reads "WIDTHxHEIGHT" with blanks allowed around the numbers and the 'x'; both sizes must lie in
// 850..8192 and 650..8192.
std::optional<std::pair<int, int>> parseWindowSize(std::string_view value);

// The arguments after the program name; nothing when they break a rule (the caller then prints
// usageText and ends with 2).
std::optional<StartupSettings> parseCommandLine(std::span<const std::string_view> arguments);

// What the positional arguments ask to load at start-up.
struct StartupFiles {
    enum class Kind { SampleAndDefaultMap, SampleAndMap, TrackFile };
    Kind kind = Kind::SampleAndDefaultMap;
    std::string track;
    // The map to load after the track, if any.
    std::string map;
};
StartupFiles startupFiles(const std::vector<std::string>& positional);

} // namespace trakmoor

#endif
