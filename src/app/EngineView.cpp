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
    if (checkBoxId == toInt(ControlId::CenterCursorOption) && view.followCursor) {
        CenterOnCursor();
    } else if (checkBoxId == toInt(ControlId::FollowDirectionOption)) {
        UpdateHeadingOffset();
        if (view.followDirection) {
            CenterOnCursor();
        }
    }
}

void TrakmoorEngine::setCursor(int index) {
    const Track* track = currentTrack();
    if (track == nullptr || track->pointCount() == 0) {
        return;
    }
    doc.freeCursor = false;
    selectQuietly(controls.cursorModeCombo, waypointCursorMode);
    doc.cursorIndex = std::clamp(index, 0, track->pointCount() - 1);
    UpdateHeadingOffset();
    if (view.followCursor || view.followDirection) {
        CenterOnCursor();
    }
    updateStatusLine();
}

void TrakmoorEngine::ZoomBy(double factor) {
    view.zoom = zoomedBy(view.zoom, factor);
    showZoom();
}

void TrakmoorEngine::showZoom() {
    setStatus(_("Zoom: ") + std::to_string(std::lround(view.zoom * 100.0)) + "%");
}

void TrakmoorEngine::ZoomAt(double factor, int mouseX, int mouseY) {
    if (view.followCursor) {
        ZoomBy(factor);
        CenterOnCursor();
        return;
    }
    const auto [width, height] = mapPanelSize();
    zoomAbout(view, factor, mouseX, mouseY, width, height);
    showZoom();
}

void TrakmoorEngine::CenterOnCursor() {
    const Track* track = currentTrack();
    if (track == nullptr || doc.cursorIndex < 0 || track->pointCount() == 0) {
        return;
    }
    const auto [width, height] = mapPanelSize();
    const MapProjection projection(view, trackBounds, *track, width, height);
    const ScreenPoint at =
        doc.freeCursor
            ? projection.project(doc.freeCursorLat, doc.freeCursorLon, projection.baseElevation(),
                                 false)
            : projection.projectWayPoint(
                  *track->pointAt(std::min(doc.cursorIndex, track->pointCount() - 1)), false);
    // A point the projection cannot place (a non-finite height) leaves the view where it is.
    if (!std::isfinite(at.x) || !std::isfinite(at.y)) {
        return;
    }
    view.panX = width / 2.0 - at.x;
    view.panY = height / 2.0 - at.y;
}

void TrakmoorEngine::UpdateHeadingOffset() {
    const Track* track = currentTrack();
    view.headingOffset = view.followDirection && track != nullptr
                             ? travelHeadingOffset(*track, doc.cursorIndex)
                             : 0.0;
}

void TrakmoorEngine::RotateBy(std::int32_t& angle, int step) {
    if (doc.freeCursor) {
        setCursor(doc.cursorIndex);
    }
    angle = normalizeAngle(static_cast<std::int64_t>(angle) + step);
    selectQuietly(controls.perspectiveCombo, customPerspective);
    refreshAngleFields();
    if (view.followCursor) {
        CenterOnCursor();
    }
}

void TrakmoorEngine::ApplyPreset(int index) {
    if (doc.freeCursor) {
        setCursor(doc.cursorIndex);
    }
    view.angleX = 0;
    view.angleY = 0;
    const auto angleZ = presetAngleZ(index);
    if (!angleZ) {
        return;
    }
    view.angleZ = *angleZ;
    refreshAngleFields();
    if (view.followCursor) {
        CenterOnCursor();
    }
    std::string entry;
    if (controls.perspectiveCombo != nullptr) {
        const auto& items = controls.perspectiveCombo->items();
        if (index < static_cast<int>(items.size())) {
            entry = items[index].text;
        }
    }
    setStatus(_("Perspective: ") + entry);
}

void TrakmoorEngine::ResetView() {
    view.zoom = 1.0;
    view.panX = 0.0;
    view.panY = 0.0;
    view.angleX = 0;
    view.angleY = 0;
    view.angleZ = 0;
    view.headingOffset = 0.0;
    selectQuietly(controls.perspectiveCombo, resetPerspective);
    refreshAngleFields();
    setCursor(0);
}

void TrakmoorEngine::refreshAngleFields() {
    const std::pair<GuiTextCtrl*, int> fields[] = {{controls.angleXField, view.angleX},
                                                   {controls.angleYField, view.angleY},
                                                   {controls.angleZField, view.angleZ}};
    for (const auto& [field, angle] : fields) {
        if (field != nullptr) {
            field->setText(std::to_string(angle));
        }
    }
}

} // namespace trakmoor
