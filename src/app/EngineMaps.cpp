// The background map: reading an OSM file into the engine, and forgetting it.

#include "app/AppPaths.h"
#include "app/AppText.h"
#include "app/TrakmoorEngine.h"
#include "gui/GuiLabel.h"
#include "map/OsmReader.h"

#include <filesystem>
#include <iostream>

namespace trakmoor {

void TrakmoorEngine::LoadOsmMap(const std::string& path) {
    // The reader turns every failure, memory exhaustion included, into an outcome of its own.
    OsmMapReadResult result = readOsmMapFile(path);
    if (result.outcome == OsmMapReadResult::Outcome::CannotOpen) {
        setStatus(_("Could not open OSM map: ") + path);
        return;
    }
    if (result.outcome == OsmMapReadResult::Outcome::Invalid) {
        setStatus(_("Invalid OSM map: ") + result.error);
        return;
    }
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
    map.mapFeatures.clear();
    map.mapPath.clear();
    ++map.mapGeneration;
    if (controls.mapLabel != nullptr) {
        controls.mapLabel->text = _("No OSM map loaded");
        controls.mapLabel->invalidate();
    }
}

void TrakmoorEngine::openMapDialog() {
    // Maps usually lie beside their tracks.
    std::string folder = pathText(std::filesystem::path(doc.gpxPath).parent_path());
    if (folder.empty()) {
        folder = workingDirectoryText();
    }
    openFileDialog(_("Open OSM map"), folder, {".osm", ".xml"}, true);
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
