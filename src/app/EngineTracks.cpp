// Documents: opening a track file (GPX, FIT, TCX) with the map beside it, taking a document over,
// choosing its track, the built-in sample, and the info panel's rows.

#include "app/AppPaths.h"
#include "app/AppText.h"
#include "app/TrakmoorEngine.h"
#include "gui/GuiComboBox.h"
#include "gui/GuiTreeListCtrl.h"
#include "map/GraphPainter.h"
#include "track/GpxReader.h"
#include "track/TrackFile.h"
#include "track/TrackInfoRows.h"

#include <algorithm>
#include <exception>
#include <filesystem>
#include <future>
#include <system_error>

extern const unsigned char trakmoor_sample_gpx[];
extern const std::size_t trakmoor_sample_gpx_size;

namespace trakmoor {

namespace {
constexpr const char* sampleFileName = "sample.gpx";
} // namespace

bool TrakmoorEngine::installGpx(std::unique_ptr<Gpx> document, const std::string& fileName) {
    if (!document || document->trackCount() == 0) {
        setStatus(_("No tracks found in ") + fileName);
        return false;
    }
    // The map picture may hold the address of a track that is about to go.
    map_.picture().clear();
    document_.replace(std::move(document), fileName);
    if (GuiComboBox* combo = controls_.trackCombo; combo != nullptr) {
        combo->clear();
        for (std::int32_t i = 0; i < document_.gpx()->trackCount(); ++i) {
            const std::string& name = document_.gpx()->trackAt(i)->name();
            combo->addItem(i, name.empty() ? _("Track ") + std::to_string(i + 1) : name);
        }
        combo->select(0, false);
    }
    selectTrack(0);
    return true;
}

void TrakmoorEngine::selectTrack(int index) {
    if (!document_.selectTrack(index)) {
        return;
    }
    if (controls_.trackCombo != nullptr && controls_.trackCombo->selectedIndex() != index) {
        controls_.trackCombo->select(index, false);
    }
    // A free position belongs to the track it was placed on.
    if (controls_.cursorModeCombo != nullptr) {
        controls_.cursorModeCombo->select(waypointCursorMode, false);
    }
    view_.zoom = 1.0;
    view_.panX = 0.0;
    view_.panY = 0.0;
    const Track* track = document_.currentTrack();
    if (track->pointCount() == 0) {
        setStatus(_("Selected track contains no waypoints"));
        refreshInfoPanel();
        return;
    }
    const std::string& name = track->name();
    setStatus(fileNamePart(document_.path()) + "  |  " +
              (name.empty() ? _("Unnamed track") : name) + "  |  " +
              std::to_string(track->pointCount()) + " " +
              ngettext("track point", "track points",
                       static_cast<unsigned long>(track->pointCount())) +
              (track->hasPositions()
                   ? ""
                   : "  |  " + std::string(_("recorded without positions: no map"))));
    offerGraphModes(*track);
    refreshInfoPanel();
}

void TrakmoorEngine::offerGraphModes(const Track& track) {
    GuiComboBox* combo = controls_.statisticsCombo;
    if (combo == nullptr) {
        return;
    }
    const std::vector<GraphMode> modes = graphModesFor(track);
    if (std::find(modes.begin(), modes.end(), static_cast<GraphMode>(options_.statisticsMode)) ==
        modes.end()) {
        options_.statisticsMode = static_cast<int>(GraphMode::Height);
    }
    combo->clear();
    for (GraphMode mode : modes) {
        combo->addItem(static_cast<int>(mode), _(graphModeLabel(mode)));
    }
    combo->selectByValue(options_.statisticsMode, false);
}

void TrakmoorEngine::loadBuiltInSample() {
    try {
        const std::string_view text(reinterpret_cast<const char*>(trakmoor_sample_gpx),
                                    trakmoor_sample_gpx_size);
        installGpx(readGpxText(text), sampleFileName);
    } catch (const std::exception& error) {
        setStatus(_("Could not load bundled sample: ") + std::string(error.what()));
    }
}

void TrakmoorEngine::refreshInfoPanel() {
    GuiTreeListCtrl* list = controls_.infoList;
    if (list == nullptr) {
        return;
    }
    list->clear();
    // Each group row comes right before its own rows.
    std::vector<int> groups;
    for (const TrackInfoRow& row :
         trackInfoRows(document_.gpx(), document_.selectedTrack(), document_.marks().markerA,
                       document_.marks().markerB)) {
        const bool isGroup = row.parentId < 0;
        const int node = list->addNode(
            isGroup ? -1 : groups.back(), row.id,
            {_(row.label), row.translateValue ? std::string(_(row.value.c_str())) : row.value});
        if (isGroup) {
            groups.push_back(node);
        }
    }
    for (int group : groups) {
        list->setExpanded(group, true, false);
    }
}

namespace {

// On a thread when one can be had, else when the result is asked for.
template <class Read> auto startReading(Read read) {
    try {
        return std::async(std::launch::async, read);
    } catch (const std::system_error&) {
        return std::async(std::launch::deferred, read);
    }
}

} // namespace

GpxOpening beginGpxOpening(const std::string& path, const std::string& givenMap) {
    GpxOpening opening;
    opening.path = path;
    opening.found = isRegularFile(path);
    if (!opening.found) {
        return opening;
    }
    opening.gpx = startReading([path] { return readTrackFile(path); });
    // tour.gpx takes tour.osm, or else the smaller tour.osm.pbf.
    std::filesystem::path map(path);
    map.replace_extension(".osm");
    if (!givenMap.empty()) {
        map = givenMap;
    } else if (!isRegularFile(map)) {
        std::filesystem::path pbf = map;
        pbf += ".pbf";
        if (isRegularFile(pbf)) {
            map = pbf;
        }
    }
    opening.mapPath = pathText(map);
    // A map named but missing is reported as such, never downloaded in its place.
    opening.mapBeside = isRegularFile(map) || !givenMap.empty();
    if (opening.mapBeside) {
        opening.map =
            startReading([mapPath = opening.mapPath] { return readCheckedOsmMap(mapPath); });
    }
    return opening;
}

void TrakmoorEngine::openGpxFile(const std::string& path) {
    finishGpxOpening(beginGpxOpening(path));
}

void TrakmoorEngine::finishGpxOpening(GpxOpening opening) {
    const std::string& path = opening.path;
    // The map being fetched belongs to the track shown so far.
    mapPieces_.reset();
    if (!opening.found) {
        std::error_code error;
        setStatus((std::filesystem::is_directory(path, error) ? _("Is a directory: ")
                                                              : _("File not found: ")) +
                  path);
        return;
    }
    // A long recording takes a moment to read: the window shows what it is waiting for.
    setStatus(_("Reading ") + fileNamePart(path));
    repaintNow();
    try {
        // The map is read sooner than a long track: while the track is still read, the first
        // picture of the map gets ready as far as it can without it.
        OsmMapReadResult mapRead;
        if (opening.mapBeside) {
            mapRead = opening.map.get();
            if (mapRead.outcome == OsmMapReadResult::Outcome::Loaded) {
                const auto [width, height] = mapPanelSize();
                map_.picture().prepareFor(mapRead.features, width, height, 1.0,
                                          pictures_.textFont.get());
            }
        }
        TrackFileRead read = opening.gpx.get();
        const std::string problem = trackReadStatusText(read, path);
        if (read.result.outcome != GpxReadResult::Outcome::Loaded) {
            setStatus(problem);
            return;
        }
        if (!installGpx(std::move(read.result.gpx), path)) {
            return;
        }
        // A file read only in part says so instead of the usual summary.
        if (!problem.empty()) {
            setStatus(problem);
        }
        if (!currentTrack()->hasPositions()) {
            // Nothing to put on a map, and nothing to download one for.
            clearMap();
        } else if (opening.mapBeside) {
            installOsmMap(opening.mapPath, std::move(mapRead));
        } else if (startMapPieces(opening.mapPath)) {
            // The map arrives in pieces while the window goes on.
        } else if (downloadOsmMap(opening.mapPath)) {
            LoadOsmMap(opening.mapPath);
        } else {
            clearMap();
        }
    } catch (const std::exception& failure) {
        setStatus(_("Could not load GPX: ") + std::string(failure.what()));
    }
}

void TrakmoorEngine::openGpxDialog() {
    // The next track usually lies beside the one open.
    openFileDialog(_("Open GPX"), folderOfFileOr(document_.path(), workingDirectoryText()),
                   {".gpx", ".fit", ".tcx"}, false);
}

} // namespace trakmoor
