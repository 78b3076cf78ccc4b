// The background map: reading an OSM file into the engine, and forgetting it.

#include "app/AppPaths.h"
#include "app/AppText.h"
#include "app/TrakmoorEngine.h"
#include "gui/GuiLabel.h"
#include "gui/GuiMessageBox.h"
#include "map/OsmReader.h"
#include "map/OverpassDownload.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>

namespace trakmoor {

namespace {

// Whether a map file holds an <osm> element near its start, as every OSM XML file does.  The
// reader takes any text line by line; without this, an empty or binary file would replace the
// map with an empty one, wherever it came from.  Files that cannot be read are left to the reader
// to report.
bool looksLikeOsmXml(const std::string& path) {
    if (!isRegularFile(path)) {
        return true;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return true;
    }
    std::string head(std::size_t{1} << 16, '\0');
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<std::size_t>(in.gcount()));
    return head.find("<osm") != std::string::npos;
}

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

CheckedOsmMapRead readCheckedOsmMap(const std::string& path) {
    if (!looksLikeOsmXml(path)) {
        return std::nullopt;
    }
    // The reader turns every failure, memory exhaustion included, into an outcome of its own.
    return readOsmMapFile(path);
}

void TrakmoorEngine::LoadOsmMap(const std::string& path) {
    installOsmMap(path, readCheckedOsmMap(path));
}

void TrakmoorEngine::installOsmMap(const std::string& path, CheckedOsmMapRead read) {
    if (!read) {
        setStatus(_("Invalid OSM map: ") + std::string(_("no <osm> element found")));
        return;
    }
    OsmMapReadResult& result = *read;
    if (result.outcome == OsmMapReadResult::Outcome::CannotOpen) {
        setStatus(_("Could not open OSM map: ") + path);
        return;
    }
    if (result.outcome == OsmMapReadResult::Outcome::Invalid) {
        setStatus(_("Invalid OSM map: ") + result.error);
        return;
    }
    // The picture may still be drawing from the old features.
    map.mapPicture.clear();
    map.mapFeatures = std::move(result.features);
    map.mapPath = path;
    ++map.mapGeneration;
    const std::string count = std::to_string(map.mapFeatures.size());
    const std::string file = fileNamePart(path);
    if (controls.mapLabel != nullptr) {
        controls.mapLabel->text = file + "  |  " + count + " " + _("map ways");
        controls.mapLabel->invalidate();
    }
    setStatus(file + "  |  " + count + " " + _("map ways loaded"));
}

void TrakmoorEngine::clearMap() {
    map.mapPicture.clear();
    map.mapFeatures.clear();
    map.mapPath.clear();
    ++map.mapGeneration;
    if (controls.mapLabel != nullptr) {
        controls.mapLabel->text = _("No OSM map loaded");
        controls.mapLabel->invalidate();
    }
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

void TrakmoorEngine::repaintNow() {
    if (controls.window == nullptr) {
        return;
    }
    drawWindow(controls.window);
    SDL_PumpEvents();
}

void TrakmoorEngine::openMapDialog() {
    // Beside the map open, else beside the track, where maps usually lie.
    const std::string folder =
        folderOfFileOr(map.mapPath, folderOfFileOr(doc.gpxPath, workingDirectoryText()));
    openFileDialog(_("Open OSM map"), folder, {".osm", ".xml"}, true);
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
