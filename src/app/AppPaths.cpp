#include "app/AppPaths.h"

#include <SDL.h>
#include <libintl.h>

#include <clocale>
#include <memory>
#include <system_error>

namespace trakmoor {

namespace fs = std::filesystem;

namespace {

bool isDirectory(const fs::path& path) {
    std::error_code error;
    return fs::is_directory(fs::status(path, error));
}

// An installed program lies in PREFIX/bin and its files in PREFIX/share, whatever the prefix.
// The executable's folder is a resolved path, so removing ".." lexically is exact.
fs::path installedShareFolder(const fs::path& exeFolder) {
    return (exeFolder / ".." / "share").lexically_normal();
}

} // namespace

std::optional<fs::path> executableFolder() {
    static const std::optional<fs::path> folder = []() -> std::optional<fs::path> {
        std::unique_ptr<char, decltype(&SDL_free)> base(SDL_GetBasePath(), &SDL_free);
        if (!base) {
            return std::nullopt;
        }
        return fs::path(base.get());
    }();
    return folder;
}

std::string dataFile(const std::string& relative) {
    if (const auto folder = executableFolder()) {
        const fs::path beside = *folder / "data" / relative;
        if (isRegularFile(beside)) {
            return pathText(beside);
        }
        const fs::path installed = installedShareFolder(*folder) / "trakmoor" / relative;
        if (isRegularFile(installed)) {
            return pathText(installed);
        }
    }
    return "data/" + relative;
}

std::vector<fs::path> localizationCandidates(const std::optional<fs::path>& exeFolder,
                                             const char* argument0) {
    std::vector<fs::path> candidates;
    if (exeFolder) {
        candidates.push_back(*exeFolder / "data" / "locale");
        candidates.push_back(installedShareFolder(*exeFolder) / "locale");
    }
    std::optional<fs::path> programFolder;
    if (argument0 != nullptr && *argument0 != '\0') {
        std::error_code error;
        const fs::path absolute = fs::absolute(fs::path(argument0), error);
        if (!error) {
            programFolder = absolute.parent_path();
        }
    }
    if (programFolder) {
        candidates.push_back(*programFolder / "data" / "locale");
        candidates.push_back(*programFolder / "locale");
    }
    candidates.emplace_back("data/locale");
    candidates.emplace_back("locale");
    candidates.emplace_back("../share/locale");
    if (programFolder) {
        candidates.push_back(*programFolder / ".." / "share" / "locale");
    }
    return candidates;
}

std::optional<fs::path> initLocalization(const char* argument0) {
    std::setlocale(LC_ALL, "");
    std::optional<fs::path> bound;
    for (const fs::path& candidate : localizationCandidates(executableFolder(), argument0)) {
        if (isDirectory(candidate)) {
            bindtextdomain("trakmoor", pathText(candidate).c_str());
            bound = candidate;
            break;
        }
    }
    bind_textdomain_codeset("trakmoor", "UTF-8");
    textdomain("trakmoor");
    return bound;
}

std::vector<fs::path> defaultMapCandidates(const std::optional<fs::path>& exeFolder) {
    std::vector<fs::path> candidates;
    if (exeFolder) {
        candidates.push_back(*exeFolder / "data" / "data.osm");
        candidates.push_back(installedShareFolder(*exeFolder) / "trakmoor" / "data.osm");
        candidates.push_back(*exeFolder / "data.osm");
    }
    candidates.emplace_back("data.osm");
    candidates.emplace_back("data/data.osm");
    candidates.emplace_back("../../data.osm");
    candidates.emplace_back("map.osm");
    candidates.emplace_back("../../map.osm");
    if (exeFolder) {
        candidates.push_back(*exeFolder / ".." / ".." / "data.osm");
    }
    return candidates;
}

std::optional<std::string> findDefaultMap(const std::vector<fs::path>& candidates) {
    for (const fs::path& candidate : candidates) {
        if (isRegularFile(candidate)) {
            return pathText(candidate);
        }
    }
    return std::nullopt;
}

bool isRegularFile(const fs::path& path) {
    std::error_code error;
    return fs::is_regular_file(fs::status(path, error));
}

std::string pathText(const fs::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

std::string fileNamePart(const std::string& path) {
    return pathText(fs::path(path).filename());
}

std::string workingDirectoryText() {
    std::error_code error;
    const fs::path folder = fs::current_path(error);
    return error ? std::string() : pathText(folder);
}

std::string folderOfFileOr(const std::string& path, const std::string& fallback) {
    std::error_code error;
    const fs::path folder = fs::absolute(fs::path(path), error).parent_path();
    if (path.empty() || error || !fs::is_directory(folder, error)) {
        return fallback;
    }
    return pathText(folder);
}

} // namespace trakmoor
