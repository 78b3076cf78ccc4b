// The render step of each frame: the main window follows its size, and the map and graph
// pictures are drawn by the painters of src/map when a panel is about to show a new frame.

#include "app/TrakmoorEngine.h"
#include "gui/GuiPanels.h"
#include "gui/GuiWindow.h"
#include "map/MapPanelPainter.h"

#include <utility>

namespace trakmoor {

void TrakmoorEngine::drawWindow(AppWindow* window) {
    const bool mainWindowShown = window == controls_.window;
    bool trackPainted = false;
    if (mainWindowShown) {
        layoutForWindowSize(window);
        pollMapPieces();
        if (graphPicture_.adoptFinished() && controls_.graphPanel != nullptr) {
            controls_.graphPanel->invalidate();
        }
        // Pictures are drawn only when they would look different and a panel may show them.
        if (controls_.mapPanel != nullptr && controls_.graphPanel != nullptr &&
            (controls_.mapPanel->isUploadDue() || controls_.graphPanel->isUploadDue())) {
            const PanelSceneKey scene = panelSceneKey();
            if (scene != paintedScene_) {
                const bool paintMap = !paintedScene_ || !scene.sameMap(*paintedScene_);
                paintPanels(scene, paintMap);
                trackPainted = paintMap && scene.map.track != nullptr;
                paintedScene_ = scene;
            }
        }
    }
    GuiEngine::drawWindow(window);
    if (mainWindowShown && !firstFrameReported_) {
        firstFrameReported_ = true;
        if (onFirstFrame_) {
            onFirstFrame_();
        }
    }
    if (trackPainted && !trackFrameReported_) {
        trackFrameReported_ = true;
        if (onFirstTrackFrame_) {
            onFirstTrackFrame_();
        }
    }
}

void TrakmoorEngine::paintPanels(const PanelSceneKey& scene, bool paintMap) {
    GuiCairoPanel* mapPanel = controls_.mapPanel;
    GuiCairoPanel* graphPanel = controls_.graphPanel;
    if (paintMap && mapPanel->cairo() != nullptr) {
        paintMapPanel(mapPanel->cairo(), mapPanel->width, mapPanel->height, scene.map,
                      map_.picture());
    }
    if (graphPanel->cairo() != nullptr) {
        paintGraphPanel(graphPanel->cairo(), graphPanel->width, graphPanel->height, scene.graph,
                        static_cast<std::uint64_t>(document_.generation()), graphPicture_);
    }
    if (paintMap) {
        mapPanel->invalidate();
    }
    graphPanel->invalidate();
}

TrakmoorEngine::PanelSceneKey TrakmoorEngine::panelSceneKey() {
    const Track* track = currentTrack();
    const MapScene mapScene{.track = track,
                            .features = &map_.features(),
                            .mapGeneration = map_.generation(),
                            .showOsmBackground = options_.showOsmBackground,
                            .view = view_,
                            .bounds = &document_.bounds(),
                            .decorations = {.marks = document_.marks(),
                                            .showWaypoints = options_.showWaypoints,
                                            .showDirectLine = options_.showDirectLine,
                                            .flags = pictures_.flags()},
                            .font = pictures_.textFont.get()};
    const GraphScene graphScene{.track = track,
                                .cursorIndex = document_.marks().cursorIndex,
                                .statisticsMode = options_.statisticsMode,
                                .font = pictures_.boldFont.get()};
    return PanelSceneKey{.map = mapScene,
                         .graph = graphScene,
                         .documentGeneration = document_.generation(),
                         .mapWidth = controls_.mapPanel->width,
                         .mapHeight = controls_.mapPanel->height,
                         .graphWidth = controls_.graphPanel->width,
                         .graphHeight = controls_.graphPanel->height,
                         .graphVersion = graphPicture_.version()};
}

void TrakmoorEngine::setFirstFrameHandlers(std::function<void()> firstFrame,
                                           std::function<void()> firstTrackFrame) {
    onFirstFrame_ = std::move(firstFrame);
    onFirstTrackFrame_ = std::move(firstTrackFrame);
}

} // namespace trakmoor
