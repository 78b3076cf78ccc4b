// Construction and destruction of the engine, the status line, and the hand-over of events to
// the areas that handle them (EngineCommands.cpp).

#include "app/TrakmoorEngine.h"

#include "app/AppPaths.h"
#include "app/AppText.h"
#include "app/StatusLine.h"
#include "gui/GuiLabel.h"
#include "gui/GuiPanels.h"

namespace trakmoor {

TrakmoorEngine::TrakmoorEngine() = default;

// Pictures and map go before the windows (and with them every control) in the base class.
TrakmoorEngine::~TrakmoorEngine() = default;

void TrakmoorEngine::setStatus(const std::string& text) {
    if (controls.statusLabel == nullptr) {
        return;
    }
    controls.statusLabel->text = singleLineText(text);
    controls.statusLabel->invalidate();
}

void TrakmoorEngine::updateStatusLine() {
    const Track* track = currentTrack();
    if (track == nullptr || doc.cursorIndex < 0) {
        return;
    }
    const std::string file = fileNamePart(doc.gpxPath);
    if (doc.freeCursor) {
        setStatus(
            freeCursorStatusText(file, _("free cursor"), doc.freeCursorLat, doc.freeCursorLon));
    } else {
        setStatus(
            pointStatusText(file, _("point"), *track, doc.cursorIndex, doc.markerA, doc.markerB));
    }
}

std::pair<int, int> TrakmoorEngine::mapPanelSize() const {
    if (controls.mapPanel == nullptr) {
        return {0, 0};
    }
    return {controls.mapPanel->width, controls.mapPanel->height};
}

} // namespace trakmoor
