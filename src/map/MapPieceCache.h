#ifndef TRAKMOOR_MAP_MAPPIECECACHE_H
#define TRAKMOOR_MAP_MAPPIECECACHE_H

// The folder that keeps every fetched piece of map, so that nothing is fetched twice: one file
// per cell and level, written under a temporary name and renamed when complete, so a piece
// interrupted by a crash is never taken for a whole one.

#include "map/MapPieces.h"

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace trakmoor {

class MapPieceCache {
public:
    static constexpr std::chrono::hours defaultMaxAge{24 * 30};

    // $XDG_CACHE_HOME/trakmoor, else ~/.cache/trakmoor; empty when neither can be named.
    static std::filesystem::path defaultFolder();

    // Creates the folder; when that fails the cache is off and keeps nothing.
    explicit MapPieceCache(std::filesystem::path folder,
                           std::chrono::system_clock::duration maxAge = defaultMaxAge);

    bool enabled() const { return enabled_; }
    const std::filesystem::path& folder() const { return folder_; }
    std::filesystem::path pathOf(const MapPiece& piece) const;

    // The text of the kept piece; none when it is missing, older than the maximum age, or not a
    // complete OSM document (such a file is removed).
    std::optional<std::string> load(const MapPiece& piece) const;
    // False when the piece could not be written; the cache is off from then on.
    bool store(const MapPiece& piece, std::string_view text);

private:
    std::filesystem::path folder_;
    std::chrono::system_clock::duration maxAge_;
    bool enabled_ = false;
};

} // namespace trakmoor

#endif
