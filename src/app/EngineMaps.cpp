// The background map: reading an OSM file into the engine, and forgetting it.

#include "app/AppPaths.h"
#include "app/AppText.h"
#include "app/TrakmoorEngine.h"
#include "gui/GuiLabel.h"
#include "gui/GuiMessageBox.h"
#include "map/MapPieces.h"
#include "map/OsmReader.h"
#include "map/OverpassDownload.h"

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <utility>

namespace trakmoor {

namespace {

bool isEscapePress(const SDL_Event& event) {
    return event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_ESCAPE;
}

// Looks for a queued Escape without taking anything from the queue.
bool escapeQueued() {
    SDL_Event events[64];
    const int count = SDL_PeepEvents(events, 64, SDL_PEEKEVENT, SDL_KEYDOWN, SDL_KEYDOWN);
    return std::any_of(events, events + std::max(count, 0), isEscapePress);
}

// The Escape that cancelled a download must not go on to reset the view.
void dropQueuedEscapes() {
    SDL_FilterEvents([](void*, SDL_Event* event) { return isEscapePress(*event) ? 0 : 1; },
                     nullptr);
}

} // namespace

void TrakmoorEngine::LoadOsmMap(const std::string& path) {
    // A map the user chose wins over one still being fetched.
    mapPieces_.reset();
    installOsmMap(path, readCheckedOsmMap(path));
}

void TrakmoorEngine::installOsmMap(const std::string& path, OsmMapReadResult read) {
    switch (read.outcome) {
    case OsmMapReadResult::Outcome::CannotOpen:
        setStatus(_("Could not open OSM map: ") + path);
        return;
    case OsmMapReadResult::Outcome::Invalid:
        setStatus(_("Invalid OSM map: ") + read.error);
        return;
    case OsmMapReadResult::Outcome::Loaded:
        break;
    }
    map_.replace(std::move(read.features), path);
    const std::string count = std::to_string(map_.features().size());
    const std::string file = fileNamePart(path);
    if (controls_.mapLabel != nullptr) {
        controls_.mapLabel->text = file + "  |  " + count + " " + _("map ways");
        controls_.mapLabel->invalidate();
    }
    setStatus(file + "  |  " + count + " " + _("map ways loaded"));
}

void TrakmoorEngine::clearMap() {
    map_.clear();
    if (controls_.mapLabel != nullptr) {
        controls_.mapLabel->text = _("No OSM map loaded");
        controls_.mapLabel->invalidate();
    }
}

void TrakmoorEngine::setMapDownloader(std::function<bool(const std::string& path)> downloader) {
    mapDownloader_ = std::move(downloader);
}

bool TrakmoorEngine::downloadOsmMap(const std::string& path) {
    return mapDownloader_ && mapDownloader_(path);
}

bool TrakmoorEngine::downloadMapFromServers(const std::string& path) {
    bool cancelled = false;
    DownloadCallbacks callbacks{
        .setStatus = [this](const std::string& text) { setStatus(text); },
        .repaintNow = [this] { repaintNow(); },
        .cancelRequested =
            [&cancelled] {
                cancelled = cancelled || escapeQueued();
                return cancelled;
            },
        .showMapError = [this](const std::string& detail) { showMapError(detail); }};
    const bool written =
        trakmoor::downloadOsmMap(currentTrack(), path, configuredOverpassServers(), callbacks);
    if (cancelled) {
        dropQueuedEscapes();
    }
    return written;
}

void TrakmoorEngine::enableMapPieces(std::vector<OverpassServer> servers,
                                     std::filesystem::path cacheFolder, PieceFetchTiming timing) {
    mapPieceSettings_ = MapPieceSettings{std::move(servers), std::move(cacheFolder), timing};
}

bool TrakmoorEngine::startMapPieces(const std::string& path) {
    mapPieces_.reset();
    if (!mapPieceSettings_ || currentTrack() == nullptr) {
        return false;
    }
    MapPiecePlan plan = planMapPieces(*currentTrack());
    switch (plan.kind) {
    case MapPiecePlan::Kind::NoPoints:
    case MapPiecePlan::Kind::Single:
        return false;
    case MapPiecePlan::Kind::TooLong:
        clearMap();
        setStatus(trackTooLongText(plan.lengthMeters));
        return true;
    case MapPiecePlan::Kind::Pieces:
        break;
    }
    clearMap();
    mapPiecesTarget_ = path;
    mapPiecesStatus_.clear();
    mapPieces_ = std::make_unique<MapPieceFetcher>(
        std::move(plan.pieces), mapPieceSettings_->servers,
        MapPieceCache(mapPieceSettings_->cacheFolder), path, mapPieceSettings_->timing);
    pollMapPieces();
    return true;
}

void TrakmoorEngine::pollMapPieces() {
    if (!mapPieces_) {
        return;
    }
    MapFetchUpdate update = mapPieces_->poll();
    if (update.features) {
        if (update.finished && update.written) {
            OsmMapReadResult merged;
            merged.features = std::move(*update.features);
            installOsmMap(mapPiecesTarget_, std::move(merged));
        } else {
            // Not a file yet: the label names the file the map will be.
            map_.replace(std::move(*update.features), mapPiecesTarget_);
        }
    }
    if (update.finished) {
        mapPieces_.reset();
        if (update.written && !update.cacheOff) {
            return;
        }
    }
    std::string status = MapPieceFetcher::statusText(update);
    if (status != mapPiecesStatus_) {
        mapPiecesStatus_ = status;
        setStatus(status);
    }
}

void TrakmoorEngine::repaintNow() {
    if (controls_.window == nullptr) {
        return;
    }
    drawWindow(controls_.window);
    SDL_PumpEvents();
}

void TrakmoorEngine::openMapDialog() {
    // Beside the map open, else beside the track, where maps usually lie.
    const std::string folder =
        folderOfFileOr(map_.path(), folderOfFileOr(document_.path(), workingDirectoryText()));
    openFileDialog(_("Open OSM map"), folder, osmMapFileEndings(), true);
}

void TrakmoorEngine::showMapError(const std::string& message) {
    const std::string text = _("Could not create the OSM map.\n\n") + message;
    setStatus(text);
    // The toolkit's box, not the system's: that one would hold the main loop, so the program
    // could not end while it is open.
    if (showMessageBox(*this, _("OSM map unavailable"), text) == nullptr) {
        std::cerr << _("Could not show OSM error message: ") << SDL_GetError() << '\n';
    }
}

} // namespace trakmoor
