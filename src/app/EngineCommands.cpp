// Events of the main window: the commands its controls post, and what SDL events the engine
// understands itself (keys, the wheel, presses on the map and graph, dragging, dropped files)
// before the rest goes on to the controls.  Also the operations only commands use: typed angles,
// markers, options switched by key, the cursor mode and the file dialogs.

#include "app/AppPaths.h"
#include "app/AppText.h"
#include "app/TrakmoorEngine.h"
#include "gui/GuiButton.h"
#include "gui/GuiComboBox.h"
#include "gui/GuiFileDialog.h"
#include "gui/GuiPanels.h"
#include "gui/GuiSaveFileDialog.h"
#include "gui/GuiTextCtrl.h"
#include "gui/GuiWindow.h"
#include "map/GraphPainter.h"
#include "map/MapProjection.h"
#include "map/OsmReader.h"
#include "map/ViewOperations.h"

#include <algorithm>
#include <cstdint>
#include <exception>
#include <filesystem>

namespace trakmoor {

namespace {

constexpr int panStep = 50;
// Ctrl with Page Up and Page Down moves the cursor this many points.
constexpr int fastCursorStep = 10;
constexpr double wheelZoomIn = 1.5;
constexpr double wheelZoomOut = 2.0 / 3.0;
constexpr std::uint16_t commandModifiers = KMOD_CTRL | KMOD_ALT | KMOD_GUI;

constexpr int dialogWidth = TrakmoorEngine::fileDialogWidth;
constexpr int dialogHeight = TrakmoorEngine::fileDialogHeight;
constexpr std::uint32_t dialogColour = TrakmoorEngine::fileDialogColour;

std::string lowerCaseExtension(const std::string& path) {
    std::string extension = pathText(std::filesystem::path(path).extension());
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

} // namespace

void TrakmoorEngine::handleEvent(AppWindow* window, GuiEvent* event) {
    if (window == nullptr || !window->root) {
        return;
    }
    const SDL_Event* sdl = event->kind == GuiEventSdl ? event->sdlEvent : nullptr;
    if (sdl != nullptr && sdl->type == SDL_WINDOWEVENT) {
        if (sdl->window.event == SDL_WINDOWEVENT_FOCUS_GAINED) {
            windowFocused = true;
        } else if (sdl->window.event == SDL_WINDOWEVENT_FOCUS_LOST) {
            windowFocused = false;
        }
    }
    if (event->kind == GuiEventCommand) {
        handleCommand(window, event);
        return;
    }
    if (sdl == nullptr) {
        return;
    }
    // A release of the right button ends a drag wherever it happens.
    if (sdl->type == SDL_MOUSEBUTTONUP && sdl->button.button == SDL_BUTTON_RIGHT) {
        dragging_ = false;
    }
    // Only the main window's own events mean something to the engine: a click in a dialog lying
    // where the map is must not move the cursor.  A dialog open over it blocks the main window,
    // and an open drop-down list gets the keys and clicks it covers.
    if (window == controls_.window && modalObject == nullptr && window->root->popups.empty() &&
        handleMainWindowEvent(*sdl)) {
        return;
    }
    GuiEngine::handleEvent(window, event);
}

void TrakmoorEngine::handleCommand(AppWindow* window, GuiEvent* event) {
    if (event->code == GuiCmdModalClosed) {
        finishFileDialog(window, event);
        return;
    }
    if (auto* dialog = dynamic_cast<GuiDialog*>(window->root.get());
        dialog != nullptr && modalObject == dialog) {
        dialog->dispatchCommand(event);
        return;
    }
    // The tables below are those of the main window's controls; a dialog's controls share ids.
    if (window != controls_.window) {
        return;
    }
    if (event->code == GuiCmdComboBoxChanged) {
        handleSelection(event->id);
    } else if (event->code == GuiCmdButton) {
        handleButton(event->id);
    }
}

void TrakmoorEngine::finishFileDialog(AppWindow* window, GuiEvent* event) {
    const bool forMap = mapDialogPending_;
    mapDialogPending_ = false;
    auto* dialog = dynamic_cast<GuiFileDialog*>(event->source);
    // Only a dialog's own window closes; the main window goes only when the user closes it.
    if (window != controls_.window && dynamic_cast<GuiDialog*>(window->root.get()) != nullptr) {
        closeWindowLater(window->id);
    }
    if (dialog == nullptr || !dialog->accepted()) {
        return;
    }
    const std::string path = dialog->chosenPath();
    if (dynamic_cast<GuiSaveFileDialog*>(dialog) != nullptr) {
        savePicture(path);
    } else if (forMap) {
        LoadOsmMap(path);
    } else {
        openGpxFile(path);
    }
}

void TrakmoorEngine::handleSelection(int id) {
    auto index = [](const GuiComboBox* combo) { return combo ? combo->selectedIndex() : -1; };
    switch (static_cast<ControlId>(id)) {
    case ControlId::TrackSelector:
        selectTrack(index(controls_.trackCombo));
        break;
    case ControlId::StatisticsSelector:
        if (index(controls_.statisticsCombo) >= 0) {
            options_.statisticsMode = controls_.statisticsCombo->selectedValue();
        }
        break;
    case ControlId::PerspectiveSelector:
        ApplyPreset(index(controls_.perspectiveCombo));
        break;
    case ControlId::CursorMode:
        changeCursorMode(index(controls_.cursorModeCombo));
        break;
    default:
        break;
    }
}

void TrakmoorEngine::handleButton(int id) {
    switch (static_cast<ControlId>(id)) {
    case ControlId::OpenGpx:
        openGpxDialog();
        break;
    case ControlId::PreviousTrack:
        selectTrack(document_.selectedTrack() - 1);
        break;
    case ControlId::NextTrack:
        selectTrack(document_.selectedTrack() + 1);
        break;
    case ControlId::ZoomIn:
        ZoomBy(1.25);
        break;
    case ControlId::ZoomOut:
        ZoomBy(0.8);
        break;
    case ControlId::ResetView:
        ResetView();
        break;
    case ControlId::CursorBackward:
        setCursor(document_.marks().cursorIndex - 1);
        break;
    case ControlId::CursorForward:
        setCursor(document_.marks().cursorIndex + 1);
        break;
    case ControlId::CursorToStart:
        setCursor(0);
        break;
    case ControlId::CursorToEnd:
        if (const Track* track = currentTrack()) {
            setCursor(std::max(track->pointCount() - 1, 0));
        }
        break;
    case ControlId::CenterOnCursor:
        CenterOnCursor();
        break;
    case ControlId::SetMarkerA:
        setMarker(true);
        break;
    case ControlId::SetMarkerB:
        setMarker(false);
        break;
    case ControlId::RotateXLeft:
        RotateBy(view_.angleX, -5);
        break;
    case ControlId::RotateXRight:
        RotateBy(view_.angleX, 5);
        break;
    case ControlId::RotateYLeft:
        RotateBy(view_.angleY, -5);
        break;
    case ControlId::RotateYRight:
        RotateBy(view_.angleY, 5);
        break;
    case ControlId::RotateZLeft:
        RotateBy(view_.angleZ, -5);
        break;
    case ControlId::RotateZRight:
        RotateBy(view_.angleZ, 5);
        break;
    case ControlId::OpenOsm:
        openMapDialog();
        break;
    case ControlId::FitWindow:
        toggleFitWindow();
        break;
    default:
        // Check boxes report through their toggle callbacks; the rest post nothing to act on.
        break;
    }
}

bool TrakmoorEngine::handleMainWindowEvent(const SDL_Event& event) {
    switch (event.type) {
    case SDL_KEYDOWN:
        return handleKey(event.key.keysym);
    case SDL_MOUSEWHEEL:
        // The wheel's own position: by the time the event is handled the pointer may have moved.
        if (controls_.mapPanel == nullptr ||
            !controls_.mapPanel->contains(event.wheel.mouseX, event.wheel.mouseY)) {
            return false;
        }
        if (const double factor = event.wheel.y > 0 ? wheelZoomIn : wheelZoomOut;
            view_.followCursor) {
            ZoomBy(factor);
            CenterOnCursor();
        } else {
            ZoomAt(factor, event.wheel.mouseX - controls_.mapPanel->x,
                   event.wheel.mouseY - controls_.mapPanel->y);
        }
        return true;
    case SDL_MOUSEBUTTONDOWN:
        // A click on a panel takes the keyboard from a text field, so that the keys act on the
        // map again at once.
        if (controls_.mapPanel != nullptr &&
            controls_.mapPanel->contains(event.button.x, event.button.y)) {
            controls_.window->root->setFocus(controls_.mapPanel);
            pressOnMap(event.button);
            return true;
        }
        if (controls_.graphPanel != nullptr &&
            controls_.graphPanel->contains(event.button.x, event.button.y)) {
            controls_.window->root->setFocus(controls_.graphPanel);
            if (event.button.button == SDL_BUTTON_LEFT) {
                pressOnGraph(event.button.x);
            }
            return true;
        }
        return false;
    case SDL_MOUSEMOTION:
        if (!dragging_) {
            return false;
        }
        view_.panX += event.motion.x - dragLastX_;
        view_.panY += event.motion.y - dragLastY_;
        dragLastX_ = event.motion.x;
        dragLastY_ = event.motion.y;
        return true;
    case SDL_DROPFILE:
        if (event.drop.file != nullptr) {
            openDroppedFile(event.drop.file);
        }
        return true;
    default:
        return false;
    }
}

bool TrakmoorEngine::handleKey(const SDL_Keysym& key) {
    const std::uint16_t mod = key.mod;
    for (GuiTextCtrl* field :
         {controls_.angleXField, controls_.angleYField, controls_.angleZField}) {
        if (field != nullptr && field->hasFocus != 0) {
            if (key.sym != SDLK_RETURN && key.sym != SDLK_KP_ENTER) {
                return false;
            }
            applyAngles();
            return true;
        }
    }
    const bool ctrl = (mod & KMOD_CTRL) != 0;
    const bool plain = (mod & commandModifiers) == 0;
    const int cursorStep = ctrl ? fastCursorStep : 1;
    switch (key.sym) {
    case SDLK_o:
        if (!ctrl) {
            return false;
        }
        openGpxDialog();
        return true;
    case SDLK_s:
        if (!ctrl) {
            return false;
        }
        openSavePictureDialog();
        return true;
    case SDLK_PLUS:
    case SDLK_KP_PLUS:
    // On keyboards where "+" is Shift and "=", SDL reports the "=" key.
    case SDLK_EQUALS:
        ZoomBy(1.25);
        return true;
    case SDLK_MINUS:
    case SDLK_KP_MINUS:
        ZoomBy(0.8);
        return true;
    case SDLK_ESCAPE:
        if (mapPieces_) {
            // Every piece fetched so far stays in the cache for the next open.
            mapPieces_->cancel();
            return true;
        }
        ResetView();
        return true;
    case SDLK_F11:
        toggleFitWindow();
        return true;
    case SDLK_HOME:
        setCursor(0);
        return true;
    case SDLK_END:
        handleButton(toInt(ControlId::CursorToEnd));
        return true;
    case SDLK_PAGEUP:
        setCursor(document_.marks().cursorIndex + cursorStep);
        return true;
    case SDLK_PAGEDOWN:
        setCursor(document_.marks().cursorIndex - cursorStep);
        return true;
    case SDLK_LEFT:
        view_.panX -= panStep;
        return true;
    case SDLK_RIGHT:
        view_.panX += panStep;
        return true;
    case SDLK_UP:
        view_.panY -= panStep;
        return true;
    case SDLK_DOWN:
        view_.panY += panStep;
        return true;
    default:
        break;
    }
    if (!plain) {
        return false;
    }
    switch (key.sym) {
    case SDLK_a:
        setMarker(true);
        return true;
    case SDLK_b:
        setMarker(false);
        return true;
    case SDLK_w:
        toggleOption(options_.showWaypoints, controls_.waypointsCheck);
        return true;
    case SDLK_h:
        toggleOption(view_.showHeight, controls_.heightCheck);
        return true;
    case SDLK_d:
        toggleOption(options_.showDirectLine, controls_.directLineCheck);
        return true;
    case SDLK_m:
        toggleOption(options_.showOsmBackground, controls_.osmBackgroundCheck);
        return true;
    case SDLK_c:
        toggleOption(view_.followCursor, controls_.centerCursorCheck);
        return true;
    case SDLK_f:
        toggleOption(view_.followDirection, controls_.followDirectionCheck);
        return true;
    default:
        return false;
    }
}

void TrakmoorEngine::pressOnMap(const SDL_MouseButtonEvent& press) {
    GuiCairoPanel* panel = controls_.mapPanel;
    const int panelX = press.x - panel->x;
    const int panelY = press.y - panel->y;
    switch (press.button) {
    case SDL_BUTTON_LEFT:
        if (document_.marks().freeCursor) {
            placeFreeCursor(panelX, panelY);
        } else if (const Track* track = currentTrack(); track != nullptr) {
            const MapProjection projection(view_, document_.bounds(), *track, panel->width,
                                           panel->height);
            // Only points the projection cannot place: the cursor stays.
            if (const auto nearest = nearestTrackPoint(projection, *track, panelX, panelY)) {
                setCursor(*nearest);
            }
        }
        break;
    case SDL_BUTTON_MIDDLE:
        CenterOnCursor();
        break;
    case SDL_BUTTON_RIGHT:
        dragging_ = true;
        dragLastX_ = press.x;
        dragLastY_ = press.y;
        break;
    default:
        break;
    }
}

void TrakmoorEngine::pressOnGraph(int mouseX) {
    const Track* track = currentTrack();
    if (track == nullptr || track->pointCount() < 1) {
        return;
    }
    const GuiCairoPanel* panel = controls_.graphPanel;
    setCursor(graphIndexAt(mouseX - panel->x, panel->width, track->pointCount()));
}

void TrakmoorEngine::placeFreeCursor(int panelX, int panelY) {
    const Track* track = currentTrack();
    if (track == nullptr) {
        return;
    }
    const auto [width, height] = mapPanelSize();
    const auto position =
        freeCursorPositionAt(view_, document_.bounds(), *track, width, height, panelX, panelY);
    if (!position) {
        return;
    }
    document_.moveFreeCursor(position->lat, position->lon);
    if (view_.followCursor) {
        CenterOnCursor();
    }
    updateStatusLine();
}

void TrakmoorEngine::changeCursorMode(int index) {
    if (index == freeCursorMode && document_.freeCursorAtCursorPoint()) {
        // Placing the free cursor inverts the plain projection: no angles, no turn.
        view_.angleX = 0;
        view_.angleY = 0;
        view_.angleZ = 0;
        view_.followDirection = false;
        view_.headingOffset = 0.0;
        if (GuiCheckBox* box = controls_.followDirectionCheck) {
            box->pressed = false;
            box->invalidate();
        }
        if (controls_.perspectiveCombo != nullptr) {
            controls_.perspectiveCombo->select(resetPerspective, false);
        }
        refreshAngleFields();
    } else {
        document_.leaveFreeCursor();
        if (controls_.cursorModeCombo != nullptr) {
            controls_.cursorModeCombo->select(waypointCursorMode, false);
        }
    }
    updateStatusLine();
}

void TrakmoorEngine::applyAngles() {
    if (document_.marks().freeCursor) {
        setCursor(document_.marks().cursorIndex);
    }
    const std::pair<GuiTextCtrl*, std::int32_t*> fields[] = {
        {controls_.angleXField, &view_.angleX},
        {controls_.angleYField, &view_.angleY},
        {controls_.angleZField, &view_.angleZ}};
    for (const auto& [field, angle] : fields) {
        const auto value = parseAngleText(field != nullptr ? field->text() : std::string());
        if (!value) {
            // Angles read before the faulty field stay applied.
            refreshAngleFields();
            setStatus(_("Invalid angle; enter a whole number and press Enter"));
            return;
        }
        *angle = normalizeAngle(*value);
    }
    if (controls_.perspectiveCombo != nullptr) {
        controls_.perspectiveCombo->select(customPerspective, false);
    }
    refreshAngleFields();
    if (view_.followCursor) {
        CenterOnCursor();
    }
    setStatus(_("Angles applied: X ") + std::to_string(view_.angleX) + "°, Y " +
              std::to_string(view_.angleY) + "°, Z " + std::to_string(view_.angleZ) + "°");
}

void TrakmoorEngine::setMarker(bool markerA) {
    if (document_.marks().freeCursor) {
        setStatus(_("Marks require the waypoint cursor"));
        return;
    }
    if (document_.setMarker(markerA)) {
        refreshInfoPanel();
        updateStatusLine();
    }
}

void TrakmoorEngine::toggleOption(bool& option, GuiCheckBox* checkBox) {
    if (checkBox == nullptr) {
        return;
    }
    option = !option;
    checkBox->pressed = option;
    checkBox->invalidate();
    applyOptionFollowUps(checkBox->id);
}

void TrakmoorEngine::openDroppedFile(const std::string& path) {
    const std::string extension = lowerCaseExtension(path);
    if (extension == ".gpx" || extension == ".fit" || extension == ".tcx") {
        openGpxFile(path);
    } else if (isOsmMapFile(path)) {
        LoadOsmMap(path);
    } else {
        setStatus(_("Unsupported file: ") + fileNamePart(path));
    }
}

void TrakmoorEngine::openFileDialog(const std::string& title, const std::string& startDirectory,
                                    std::vector<std::string> filters, bool forMap) {
    // One dialog at a time: while one is shown, the main window takes no input anyway.
    if (modalObject != nullptr) {
        return;
    }
    mapDialogPending_ = forMap;
    if (!showFileDialog(title, [&](AppWindow& record) {
            return std::make_unique<GuiOpenFileDialog>(&record, -1, 0, 0, dialogWidth, dialogHeight,
                                                       dialogColour, startDirectory,
                                                       std::move(filters));
        })) {
        mapDialogPending_ = false;
    }
}

bool TrakmoorEngine::showFileDialog(
    const std::string& title,
    const std::function<std::unique_ptr<GuiFileDialog>(AppWindow&)>& makeDialog) {
    if (modalObject != nullptr) {
        return false;
    }
    GuiFileDialog* dialog = nullptr;
    AppWindow* window = nullptr;
    try {
        window =
            createDialogWindow(this, title, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                               dialogWidth, dialogHeight, SDL_WINDOW_SHOWN, [&](AppWindow& record) {
                                   auto root = makeDialog(record);
                                   dialog = root.get();
                                   return std::unique_ptr<GuiDialog>(std::move(root));
                               });
    } catch (const std::exception& failure) {
        setStatus(_("Could not open the file dialog: ") + std::string(failure.what()));
    }
    if (window == nullptr || dialog == nullptr) {
        return false;
    }
    setModal(dialog);
    // Typing a name and pressing Return is the quickest way to a file.
    dialog->setFocus(dialog->fileNameField());
    return true;
}

} // namespace trakmoor
