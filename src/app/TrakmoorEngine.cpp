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
    if (controls_.statusLabel == nullptr) {
        return;
    }
    controls_.statusLabel->text = singleLineText(text);
    controls_.statusLabel->invalidate();
}

void TrakmoorEngine::updateStatusLine() {
    const Track* track = currentTrack();
    if (track == nullptr || document_.marks().cursorIndex < 0) {
        return;
    }
    const std::string file = fileNamePart(document_.path());
    if (document_.marks().freeCursor) {
        setStatus(freeCursorStatusText(file, _("free cursor"), document_.marks().freeCursorLat,
                                       document_.marks().freeCursorLon));
    } else {
        setStatus(pointStatusText(file, _("point"), *track, document_.marks().cursorIndex,
                                  document_.marks().markerA, document_.marks().markerB));
    }
}

std::pair<int, int> TrakmoorEngine::mapPanelSize() const {
    if (controls_.mapPanel == nullptr) {
        return {0, 0};
    }
    return {controls_.mapPanel->width, controls_.mapPanel->height};
}

} // namespace trakmoor
