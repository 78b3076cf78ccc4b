#include "app/CommandLine.h"

#include "map/OsmReader.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <locale>
#include <sstream>

namespace trakmoor {

std::optional<std::pair<int, int>> parseWindowSize(std::string_view value) {
    // Formatted extraction skips blanks before each item, which is what lets "1024 x 768" pass.
    std::istringstream in{std::string(value)};
    in.imbue(std::locale::classic());
    int width = 0;
    int height = 0;
    char separator = 0;
    if (!(in >> width >> separator >> height) || separator != 'x') {
        return std::nullopt;
    }
    char trailing = 0;
    if (in >> trailing) {
        return std::nullopt;
    }
    if (width < 850 || width > 8192 || height < 650 || height > 8192) {
        return std::nullopt;
    }
    return std::pair{width, height};
}

std::optional<StartupSettings> parseCommandLine(std::span<const std::string_view> arguments) {
    StartupSettings settings;
    bool sizeGiven = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string_view argument = arguments[i];
        if (argument == "--window-size") {
            if (sizeGiven || i + 1 >= arguments.size()) {
                return std::nullopt;
            }
            const std::string_view value = arguments[++i];
            if (value == "fullscreen") {
                settings.fullscreen = true;
            } else if (auto size = parseWindowSize(value)) {
                settings.width = size->first;
                settings.height = size->second;
            } else {
                return std::nullopt;
            }
            sizeGiven = true;
        } else if (argument == "--info") {
            if (settings.infoFile || i + 1 >= arguments.size()) {
                return std::nullopt;
            }
            settings.infoFile = std::string(arguments[++i]);
        } else if (argument == "--json") {
            if (settings.infoJson) {
                return std::nullopt;
            }
            settings.infoJson = true;
        } else if (argument.starts_with("--")) {
            return std::nullopt;
        } else if (settings.positional.size() >= 2) {
            return std::nullopt;
        } else {
            settings.positional.emplace_back(argument);
        }
    }
    // The info goes to the terminal alone: nothing of the window's goes with it.
    if (settings.infoFile ? sizeGiven || !settings.positional.empty() : settings.infoJson) {
        return std::nullopt;
    }
    return settings;
}

StartupFiles startupFiles(const std::vector<std::string>& positional) {
    StartupFiles files;
    if (positional.empty()) {
        return files;
    }
    std::string extension = std::filesystem::path(positional[0]).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    // A map alone is shown over the sample; maps are told by name or by content.
    if (extension != ".gpx" && isOsmMapFile(positional[0])) {
        files.kind = StartupFiles::Kind::SampleAndMap;
        files.map = positional[0];
        return files;
    }
    files.kind = StartupFiles::Kind::TrackFile;
    files.track = positional[0];
    if (positional.size() > 1) {
        files.map = positional[1];
    }
    return files;
}

} // namespace trakmoor
