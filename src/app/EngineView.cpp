// The view: zoom, pan, rotation, perspective presets, centring on the cursor, the cursor itself
// and the options that act on the view.  The arithmetic lives in src/map; what is here applies it
// to the engine's state and tells the user through the status line and the angle fields.

#include "app/AppText.h"
#include "app/TrakmoorEngine.h"
#include "gui/GuiButton.h"
#include "gui/GuiComboBox.h"
#include "gui/GuiTextCtrl.h"
#include "map/MapProjection.h"
#include "map/ViewOperations.h"

#include <algorithm>
#include <cmath>

namespace trakmoor {

namespace {

void selectQuietly(GuiComboBox* combo, int index) {
    if (combo != nullptr) {
        combo->select(index, false);
    }
}

} // namespace

void TrakmoorEngine::bindOption(GuiCheckBox* checkBox, bool* option) {
    checkBox->onToggle.push_back([this, option](GuiButton* button, bool pressed) {
        *option = pressed;
        applyOptionFollowUps(button->id);
    });
}

void TrakmoorEngine::applyOptionFollowUps(int checkBoxId) {
    if (checkBoxId == toInt(ControlId::CenterCursorOption) && view_.followCursor) {
        CenterOnCursor();
    } else if (checkBoxId == toInt(ControlId::FollowDirectionOption)) {
        UpdateHeadingOffset();
        if (view_.followDirection) {
            CenterOnCursor();
        }
    }
}

void TrakmoorEngine::setCursor(int index) {
    if (!document_.moveCursor(index)) {
        return;
    }
    selectQuietly(controls_.cursorModeCombo, waypointCursorMode);
    UpdateHeadingOffset();
    if (view_.followCursor || view_.followDirection) {
        CenterOnCursor();
    }
    updateStatusLine();
}

void TrakmoorEngine::ZoomBy(double factor) {
    view_.zoom = zoomedBy(view_.zoom, factor);
    showZoom();
}

void TrakmoorEngine::showZoom() {
    setStatus(_("Zoom: ") + std::to_string(std::lround(view_.zoom * 100.0)) + "%");
}

void TrakmoorEngine::ZoomAt(double factor, int mouseX, int mouseY) {
    if (view_.followCursor) {
        ZoomBy(factor);
        CenterOnCursor();
        return;
    }
    const auto [width, height] = mapPanelSize();
    zoomAbout(view_, factor, mouseX, mouseY, width, height);
    showZoom();
}

void TrakmoorEngine::CenterOnCursor() {
    const Track* track = currentTrack();
    if (track == nullptr || document_.marks().cursorIndex < 0 || track->pointCount() == 0) {
        return;
    }
    const auto [width, height] = mapPanelSize();
    const MapProjection projection(view_, document_.bounds(), *track, width, height);
    const ScreenPoint at =
        document_.marks().freeCursor
            ? projection.project(document_.marks().freeCursorLat, document_.marks().freeCursorLon,
                                 projection.baseElevation(), false)
            : projection.projectWayPoint(
                  *track->pointAt(std::min(document_.marks().cursorIndex, track->pointCount() - 1)),
                  false);
    // A point the projection cannot place (a non-finite height) leaves the view where it is.
    if (!std::isfinite(at.x) || !std::isfinite(at.y)) {
        return;
    }
    view_.panX = width / 2.0 - at.x;
    view_.panY = height / 2.0 - at.y;
}

void TrakmoorEngine::UpdateHeadingOffset() {
    const Track* track = currentTrack();
    view_.headingOffset = view_.followDirection && track != nullptr
                              ? travelHeadingOffset(*track, document_.marks().cursorIndex)
                              : 0.0;
}

void TrakmoorEngine::RotateBy(std::int32_t& angle, int step) {
    if (document_.marks().freeCursor) {
        setCursor(document_.marks().cursorIndex);
    }
    angle = normalizeAngle(static_cast<std::int64_t>(angle) + step);
    selectQuietly(controls_.perspectiveCombo, customPerspective);
    refreshAngleFields();
    if (view_.followCursor) {
        CenterOnCursor();
    }
}

void TrakmoorEngine::ApplyPreset(int index) {
    if (document_.marks().freeCursor) {
        setCursor(document_.marks().cursorIndex);
    }
    view_.angleX = 0;
    view_.angleY = 0;
    const auto angleZ = presetAngleZ(index);
    if (angleZ) {
        view_.angleZ = *angleZ;
    }
    // "Custom" levels the view too, and the fields must say so.
    refreshAngleFields();
    if (view_.followCursor) {
        CenterOnCursor();
    }
    if (!angleZ) {
        return;
    }
    std::string entry;
    if (controls_.perspectiveCombo != nullptr) {
        const auto& items = controls_.perspectiveCombo->items();
        if (index < static_cast<int>(items.size())) {
            entry = items[index].text;
        }
    }
    setStatus(_("Perspective: ") + entry);
}

void TrakmoorEngine::ResetView() {
    view_.zoom = 1.0;
    view_.panX = 0.0;
    view_.panY = 0.0;
    view_.angleX = 0;
    view_.angleY = 0;
    view_.angleZ = 0;
    view_.headingOffset = 0.0;
    selectQuietly(controls_.perspectiveCombo, resetPerspective);
    refreshAngleFields();
    setCursor(0);
}

void TrakmoorEngine::refreshAngleFields() {
    const std::pair<GuiTextCtrl*, int> fields[] = {{controls_.angleXField, view_.angleX},
                                                   {controls_.angleYField, view_.angleY},
                                                   {controls_.angleZField, view_.angleZ}};
    for (const auto& [field, angle] : fields) {
        if (field != nullptr) {
            field->setText(std::to_string(angle));
        }
    }
}

} // namespace trakmoor
