#include "map/MapPieceCache.h"

#include "map/OsmMerge.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <system_error>

namespace trakmoor {

namespace fs = std::filesystem;

fs::path MapPieceCache::defaultFolder() {
    const char* cacheHome = std::getenv("XDG_CACHE_HOME");
    if (cacheHome != nullptr && *cacheHome == '/') {
        return fs::path(cacheHome) / "trakmoor";
    }
    const char* home = std::getenv("HOME");
    if (home != nullptr && *home != '\0') {
        return fs::path(home) / ".cache" / "trakmoor";
    }
    return {};
}

MapPieceCache::MapPieceCache(fs::path folder, std::chrono::system_clock::duration maxAge)
    : folder_(std::move(folder)), maxAge_(maxAge) {
    std::error_code error;
    enabled_ = !folder_.empty() && (fs::create_directories(folder_, error), !error) &&
               fs::is_directory(folder_, error);
}

fs::path MapPieceCache::pathOf(const MapPiece& piece) const {
    return folder_ / (piece.key() + ".osm");
}

std::optional<std::string> MapPieceCache::load(const MapPiece& piece) const {
    if (!enabled_) {
        return std::nullopt;
    }
    const fs::path path = pathOf(piece);
    std::error_code error;
    const auto written = fs::last_write_time(path, error);
    if (error) {
        return std::nullopt;
    }
    const auto age = fs::file_time_type::clock::now() - written;
    if (age > std::chrono::duration_cast<fs::file_time_type::duration>(maxAge_)) {
        return std::nullopt;
    }
    std::ifstream in(path, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in.good() && !in.eof()) {
        return std::nullopt;
    }
    if (!isCompleteOsmText(text)) {
        fs::remove(path, error);
        return std::nullopt;
    }
    return text;
}

bool MapPieceCache::store(const MapPiece& piece, std::string_view text) {
    if (!enabled_) {
        return false;
    }
    const fs::path path = pathOf(piece);
    fs::path part = path;
    part += ".part";
    std::error_code error;
    fs::create_directories(path.parent_path(), error);
    {
        std::ofstream out(part, std::ios::binary | std::ios::trunc);
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        if (!error && out.flush()) {
            out.close();
            fs::rename(part, path, error);
            if (!error) {
                return true;
            }
        }
    }
    fs::remove(part, error);
    enabled_ = false;
    return false;
}

} // namespace trakmoor
