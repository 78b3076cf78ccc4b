// The background map: reading an OSM file into the engine, and forgetting it.

#include "app/AppPaths.h"
#include "app/AppText.h"
#include "app/TrakmoorEngine.h"
#include "gui/GuiLabel.h"
#include "map/OsmReader.h"

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

} // namespace trakmoor
