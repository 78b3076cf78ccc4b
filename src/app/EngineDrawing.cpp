// The render step of each frame: the main window follows its size, and the map and graph
// pictures are drawn by the painters of src/map when a panel is about to show a new frame.

#include "app/TrakmoorEngine.h"
#include "gui/GuiPanels.h"
#include "gui/GuiWindow.h"
#include "map/MapPanelPainter.h"

namespace trakmoor {

void TrakmoorEngine::drawWindow(AppWindow* window) {
    const bool mainWindowShown = window == controls.window;
    bool trackPainted = false;
    if (mainWindowShown) {
        layoutForWindowSize(window);
        if (graphPicture_.adoptFinished() && controls.graphPanel != nullptr) {
            controls.graphPanel->invalidate();
        }
        // Pictures are drawn only when they would look different and a panel may show them.
        if (controls.mapPanel != nullptr && controls.graphPanel != nullptr &&
            (controls.mapPanel->isUploadDue() || controls.graphPanel->isUploadDue())) {
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
        if (onFirstFrame) {
            onFirstFrame();
        }
    }
    if (trackPainted && !trackFrameReported_) {
        trackFrameReported_ = true;
        if (onFirstTrackFrame) {
            onFirstTrackFrame();
        }
    }
}

void TrakmoorEngine::paintPanels(const PanelSceneKey& scene, bool paintMap) {
    GuiCairoPanel* mapPanel = controls.mapPanel;
    GuiCairoPanel* graphPanel = controls.graphPanel;
    if (paintMap && mapPanel->cairo() != nullptr) {
        paintMapPanel(mapPanel->cairo(), mapPanel->width, mapPanel->height, scene.map,
                      map.mapPicture);
    }
    if (graphPanel->cairo() != nullptr) {
        paintGraphPanel(graphPanel->cairo(), graphPanel->width, graphPanel->height, scene.graph,
                        static_cast<std::uint64_t>(doc.documentGeneration), graphPicture_);
    }
    if (paintMap) {
        mapPanel->invalidate();
    }
    graphPanel->invalidate();
}

TrakmoorEngine::PanelSceneKey TrakmoorEngine::panelSceneKey() {
    const Track* track = currentTrack();
    const MapScene mapScene{.track = track,
                            .features = &map.mapFeatures,
                            .mapGeneration = map.mapGeneration,
                            .showOsmBackground = options.showOsmBackground,
                            .view = view,
                            .bounds = &trackBounds,
                            .decorations = {.cursorIndex = doc.cursorIndex,
                                            .markerA = doc.markerA,
                                            .markerB = doc.markerB,
                                            .freeCursor = doc.freeCursor,
                                            .freeCursorLat = doc.freeCursorLat,
                                            .freeCursorLon = doc.freeCursorLon,
                                            .showWaypoints = options.showWaypoints,
                                            .showDirectLine = options.showDirectLine,
                                            .flags = {.start = pictures.flagStartImage.get(),
                                                      .finish = pictures.flagFinishImage.get(),
                                                      .markA = pictures.flagMarkAImage.get(),
                                                      .markB = pictures.flagMarkBImage.get()}},
                            .font = pictures.textFont.get()};
    const GraphScene graphScene{.track = track,
                                .cursorIndex = doc.cursorIndex,
                                .statisticsMode = options.statisticsMode,
                                .font = pictures.boldFont.get()};
    return PanelSceneKey{.map = mapScene,
                         .graph = graphScene,
                         .documentGeneration = doc.documentGeneration,
                         .mapWidth = controls.mapPanel->width,
                         .mapHeight = controls.mapPanel->height,
                         .graphWidth = controls.graphPanel->width,
                         .graphHeight = controls.graphPanel->height,
                         .graphVersion = graphPicture_.version()};
}

} // namespace trakmoor
