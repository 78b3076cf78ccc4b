// The background map: reading an OSM file into the engine, and forgetting it.

#include "app/AppPaths.h"
#include "app/AppText.h"
#include "app/TrakmoorEngine.h"
#include "gui/GuiLabel.h"
#include "map/OsmReader.h"
#include "map/OverpassDownload.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>

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

CheckedOsmMapRead readCheckedOsmMap(const std::string& path) {
    // The reader tells the kinds of map file apart by their content and refuses anything else;
    // the turns every failure, memory exhaustion included, into an outcome of its own.
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
    // Maps usually lie beside their tracks.
    std::string folder = pathText(std::filesystem::path(doc.gpxPath).parent_path());
    if (folder.empty()) {
        folder = workingDirectoryText();
    }
    openFileDialog(_("Open OSM map"), folder, osmMapFileEndings(), true);
}

void TrakmoorEngine::showMapError(const std::string& message) {
    const std::string text = _("Could not create the OSM map.\n\n") + message;
    setStatus(text);
    if (SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, _("OSM map unavailable"), text.c_str(),
                                 nullptr) < 0) {
        std::cerr << _("Could not show OSM error message: ") << SDL_GetError() << '\n';
    }
}

} // namespace trakmoor
