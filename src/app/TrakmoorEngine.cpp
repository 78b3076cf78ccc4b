#include "app/TrakmoorEngine.h"

#include "app/AppPaths.h"
#include "app/AppText.h"
#include "app/StatusLine.h"
#include "gui/GuiButton.h"
#include "gui/GuiComboBox.h"
#include "gui/GuiLabel.h"
#include "gui/GuiPanels.h"
#include "gui/GuiTextCtrl.h"
#include "gui/GuiTreeListCtrl.h"
#include "gui/GuiWindow.h"
#include "map/OsmReader.h"
#include "map/PanelBackground.h"
#include "track/GpxReader.h"
#include "track/TrackInfoRows.h"

#include <algorithm>
#include <exception>
#include <filesystem>
#include <system_error>

extern const unsigned char trakmoor_sample_gpx[];
extern const std::size_t trakmoor_sample_gpx_size;

namespace trakmoor {

namespace {

constexpr std::uint32_t controlColour = 0xFFF0F0F0;
constexpr std::uint32_t lightColour = 0xFFFAFAFA;
constexpr std::uint32_t whiteColour = 0xFFFFFFFF;
constexpr SDL_Color comboTextColour{0x14, 0x14, 0x14, 0xFF};
constexpr int comboDropDownHeight = 150;
constexpr int rightColumnStart = 870;
constexpr int panelFrameRate = 15;

constexpr const char* sampleFileName = "sample.gpx";

} // namespace

TrakmoorEngine::TrakmoorEngine() = default;

// Pictures and map go before the windows (and with them every control) in the base class.
TrakmoorEngine::~TrakmoorEngine() = default;

// ---------------------------------------------------------------------------------------------
// The main window

void TrakmoorEngine::buildMainWindow(AppWindow* window, bool fullscreen) {
    mainAppWindow = window;
    windowFitted = fullscreen;
    windowFocused = true;
    SDL_SetWindowMinimumSize(window->sdlWindow.get(), minimumWidth, minimumHeight);
    GuiWindow* root = window->root.get();
    root->colour = SDL_Color{0xF0, 0xF0, 0xF0, 0xFF};
    SDL_Renderer* renderer = window->renderer.get();
    TTF_Font* font = defaultFont();

    auto withTooltip = [](auto* control, const char* tooltip) {
        if (tooltip != nullptr) {
            control->tooltip = _(tooltip);
        }
        return control;
    };
    auto button = [&](int id, const std::string& text, int x, int y, int w, int h,
                      const char* tooltip) {
        return withTooltip(root->add(std::make_unique<GuiButton>(root, id, x, y, w, h,
                                                                 controlColour, text, font, 0)),
                           tooltip);
    };
    auto imageButton = [&](int id, const char* icon, int x, int y, int w, int h,
                           const char* tooltip, bool repeat) {
        auto* control = root->add(std::make_unique<GuiImageButton>(
            root, id, x, y, w, h, controlColour, renderer, repeat ? GuiButton::AutoRepeat : 0u));
        if (repeat) {
            control->repeatDelay = 350;
            control->repeatInterval = 80;
        }
        control->loadImage(renderer, dataFile(std::string("images/") + icon));
        return withTooltip(control, tooltip);
    };
    // Headings and the two information lines read from the left; the lines are shortened from
    // the front when a long file name would not fit.
    auto label = [&](const std::string& text, int x, int y, int w, int h, std::uint32_t colour,
                     std::uint32_t flags = GuiLabel::LeftAligned) {
        return root->add(
            std::make_unique<GuiLabel>(root, -1, x, y, w, h, colour, text, font, flags));
    };
    constexpr std::uint32_t infoLineFlags = GuiLabel::LeftAligned | GuiLabel::Elide;
    auto combo = [&](int id, int x, int y, int w, int h, const char* tooltip,
                     std::initializer_list<const char*> items) {
        auto* control = root->add(std::make_unique<GuiComboBox>(
            root, id, x, y, w, h, controlColour, comboTextColour, font, comboDropDownHeight));
        int value = 0;
        for (const char* item : items) {
            control->addItem(value++, _(item));
        }
        control->select(0, false);
        return withTooltip(control, tooltip);
    };
    auto angleField = [&](int id, int x, const char* tooltip) {
        return withTooltip(root->add(std::make_unique<GuiTextCtrl>(root, id, x, 152, 48, 24,
                                                                   whiteColour, fontFace(), 0u)),
                           tooltip);
    };
    auto checkBox = [&](int id, const char* text, int y, const char* tooltip) {
        return withTooltip(
            root->add(std::make_unique<GuiCheckBox>(root, id, rightColumnStart, y, 220, 24,
                                                    controlColour, _(text), font, 0)),
            tooltip);
    };

    openGpxButton = button(100, _("Open GPX"), 8, 8, 90, 26, N_("Open a GPX track file"));
    previousTrackButton = button(101, "<", 106, 8, 32, 26, N_("Select the previous track"));
    trackCombo = combo(106, 146, 8, 260, 26, N_("Select a track from the GPX file"), {});
    nextTrackButton = button(102, ">", 414, 8, 32, 26, N_("Select the next track"));
    button(103, "+", 464, 8, 34, 26, N_("Zoom in"));
    button(104, "-", 506, 8, 34, 26, N_("Zoom out"));
    button(105, _("Reset"), 548, 8, 70, 26, N_("Reset the map view"));

    auto* logo = root->add(std::make_unique<GuiImagePanel>(root, -1, 15, 48, 190, 47, 0xFFF5F5F5));
    logo->loadImage(renderer, dataFile("images/logo.png"));

    infoList = root->add(
        std::make_unique<GuiTreeListCtrl>(root, -1, 10, 102, 320, 592, lightColour, font));
    infoList->addColumn(_("Parameter"), 120);
    infoList->addColumn(_("Value"), 196);

    label(_("Cursor"), 870, 52, 62, 24, controlColour);
    cursorModeCombo =
        combo(111, 946, 52, 154, 24, N_("Choose how the cursor moves along the track"),
              {N_("Waypoint"), N_("Free")});
    imageButton(107, "cursor_prev.png", 870, 82, 32, 30, N_("Move the cursor backward"), true);
    imageButton(108, "cursor_next.png", 906, 82, 32, 30, N_("Move the cursor forward"), true);
    imageButton(109, "signpost.png", 942, 82, 32, 30, N_("Jump to the start of the track"), false);
    imageButton(110, "mini_finish.png", 978, 82, 32, 30, N_("Jump to the end of the track"), false);
    imageButton(103, "zoom_in.png", 1014, 82, 32, 30, N_("Zoom in"), false);
    imageButton(104, "zoom_out.png", 1050, 82, 32, 30, N_("Zoom out"), false);

    label(_("Angle"), 870, 126, 62, 24, controlColour);
    perspectiveCombo = combo(132, 936, 126, 154, 24, N_("Select a predefined map perspective"),
                             {N_("Reset"), N_("North-side"), N_("East-side"), N_("South-side"),
                              N_("West-side"), N_("Custom")});
    label("X", 870, 154, 18, 22, lightColour, 0);
    angleXField = angleField(128, 888, N_("Enter the X rotation angle"));
    label("Y", 944, 154, 18, 22, lightColour, 0);
    angleYField = angleField(129, 962, N_("Enter the Y rotation angle"));
    label("Z", 1018, 154, 18, 22, lightColour, 0);
    angleZField = angleField(130, 1036, N_("Enter the Z rotation angle"));
    refreshAngleFields();

    imageButton(121, "angle_x_left.png", 870, 178, 32, 24, N_("Rotate counterclockwise"), true);
    imageButton(122, "angle_x_right.png", 906, 178, 32, 24, N_("Rotate clockwise"), true);
    imageButton(123, "angle_y_left.png", 942, 178, 32, 24, N_("Rotate counterclockwise"), true);
    imageButton(124, "angle_y_right.png", 978, 178, 32, 24, N_("Rotate clockwise"), true);
    imageButton(125, "angle_z_left.png", 1014, 178, 32, 24, N_("Rotate counterclockwise"), true);
    imageButton(126, "angle_z_right.png", 1050, 178, 32, 24, N_("Rotate clockwise"), true);
    imageButton(119, "flag_mark_a.png", 870, 206, 68, 24, N_("Set analysis marker A at the cursor"),
                false);
    imageButton(120, "flag_mark_b.png", 944, 206, 68, 24, N_("Set analysis marker B at the cursor"),
                false);
    button(112, _("Center"), 1018, 206, 72, 24, N_("Center the map on the cursor"));

    label(_("Options"), 870, 238, 220, 24, controlColour);
    centerCursorCheck =
        checkBox(113, N_("Center cursor"), 270, N_("Keep the cursor centered and zoom around it"));
    followDirectionCheck = checkBox(114, N_("Follow direction"), 298,
                                    N_("Rotate the view to follow the travel direction"));
    waypointsCheck = checkBox(115, N_("Waypoints"), 326, N_("Show or hide track waypoints"));
    heightCheck = checkBox(116, N_("Height"), 354, N_("Show or hide the elevation profile"));
    directLineCheck = checkBox(117, N_("Direct line"), 382,
                               N_("Show or hide the direct line between markers A and B"));
    bindOption(centerCursorCheck, &view.followCursor);
    bindOption(followDirectionCheck, &view.followDirection);
    bindOption(waypointsCheck, &showWaypoints);
    bindOption(heightCheck, &view.showHeight);
    bindOption(directLineCheck, &showDirectLine);

    label(_("Statistics"), 870, 422, 220, 24, controlColour);
    statisticsCombo =
        combo(118, 870, 454, 220, 26, N_("Choose the data shown in the statistics graph"),
              {N_("Height"), N_("Speed"), N_("Height + km/h")});
    label(_("Map"), 870, 494, 78, 24, controlColour);
    button(127, _("Open OSM"), 952, 494, 138, 24, N_("Open an OpenStreetMap file"));
    osmBackgroundCheck =
        checkBox(131, N_("OSM background"), 524, N_("Show or hide the OpenStreetMap background"));
    osmBackgroundCheck->pressed = true;
    osmBackgroundCheck->invalidate();
    bindOption(osmBackgroundCheck, &showOsmBackground);
    mapLabel = label(_("No map loaded"), 870, 554, 220, 38, lightColour, infoLineFlags);
    fitWindowButton = button(133, _("Fit window to screen"), 870, 598, 220, 24,
                             N_("Fit the window to the available screen area"));

    mapPanel = root->add(
        std::make_unique<GuiCairoPanel>(root, -1, 340, 42, 520, 522, whiteColour, renderer));
    mapPanel->setMaxFrameRate(panelFrameRate);
    graphPanel = root->add(
        std::make_unique<GuiCairoPanel>(root, -1, 340, 564, 520, 130, whiteColour, renderer));
    graphPanel->setMaxFrameRate(panelFrameRate);
    statusLabel =
        label(_("Open a GPX file to begin"), 8, 698, 1084, 22, controlColour, infoLineFlags);

    auto picture = [](const char* name) {
        return CairoSurfacePtr(
            cairo_image_surface_create_from_png(dataFile(std::string("images/") + name).c_str()));
    };
    flagStartImage = picture("flag_start.png");
    flagFinishImage = picture("flag_finish.png");
    flagMarkAImage = picture("flag_mark_a.png");
    flagMarkBImage = picture("flag_mark_b.png");

    rightColumn.clear();
    for (const auto& child : root->children) {
        if (child->x >= rightColumnStart) {
            rightColumn.emplace_back(child.get(), child->x);
        }
    }
    showFitState();
}

void TrakmoorEngine::showFitState() {
    if (fitWindowButton != nullptr) {
        fitWindowButton->label = windowFitted ? _("Restore window") : _("Fit window to screen");
        fitWindowButton->invalidate();
    }
}

void TrakmoorEngine::bindOption(GuiCheckBox* checkBox, bool* option) {
    checkBox->onToggle.push_back([this, option](GuiButton* button, bool pressed) {
        *option = pressed;
        applyOptionFollowUps(button->id);
    });
}

void TrakmoorEngine::applyOptionFollowUps(int checkBoxId) {
    // Centring and turning with the travel direction act on the view, which a later step of the
    // program draws; the options themselves are already stored.
    if (checkBoxId == 114 && !view.followDirection) {
        view.headingOffset = 0.0;
    }
}

void TrakmoorEngine::refreshAngleFields() {
    const std::pair<GuiTextCtrl*, int> fields[] = {
        {angleXField, view.angleX}, {angleYField, view.angleY}, {angleZField, view.angleZ}};
    for (const auto& [field, angle] : fields) {
        if (field != nullptr) {
            field->setText(std::to_string(angle));
        }
    }
}

void TrakmoorEngine::drawWindow(AppWindow* window) {
    if (window == mainAppWindow) {
        layoutForWindowSize(window);
        if (mapPanel != nullptr && graphPanel != nullptr &&
            (mapPanel->isUploadDue() || graphPanel->isUploadDue())) {
            paintPanels();
        }
    }
    window->root->update(frameTicks());
    window->root->paint(window->renderer.get());
    SDL_RenderPresent(window->renderer.get());
    if (window == mainAppWindow && !firstFrameReported_) {
        firstFrameReported_ = true;
        if (onFirstFrame) {
            onFirstFrame();
        }
    }
}

void TrakmoorEngine::paintPanels() {
    if (mapPanel->cairo() != nullptr) {
        paintMapBackground(mapPanel->cairo(), mapPanel->width, mapPanel->height);
    }
    if (graphPanel->cairo() != nullptr) {
        paintGraphBackground(graphPanel->cairo(), graphPanel->width, graphPanel->height);
    }
}

void TrakmoorEngine::handleEvent(AppWindow* window, GuiEvent* event) {
    if (window == nullptr || !window->root) {
        return;
    }
    if (event->kind == GuiEventSdl && event->sdlEvent != nullptr &&
        event->sdlEvent->type == SDL_WINDOWEVENT) {
        if (event->sdlEvent->window.event == SDL_WINDOWEVENT_FOCUS_GAINED) {
            windowFocused = true;
        } else if (event->sdlEvent->window.event == SDL_WINDOWEVENT_FOCUS_LOST) {
            windowFocused = false;
        }
    }
    if (event->kind == GuiEventCommand) {
        handleCommand(window, event);
        return;
    }
    window->root->handleEvent(event);
}

void TrakmoorEngine::handleCommand(AppWindow* window, GuiEvent* event) {
    if (auto* dialog = dynamic_cast<GuiDialog*>(window->root.get());
        dialog != nullptr && modalObject == dialog) {
        dialog->dispatchCommand(event);
        return;
    }
    if (event->code == GuiCmdComboBoxChanged && event->id == 106 && trackCombo != nullptr) {
        selectTrack(trackCombo->selectedIndex());
    } else if (event->code == GuiCmdButton) {
        switch (event->id) {
        case 101:
            selectTrack(selectedTrack - 1);
            break;
        case 102:
            selectTrack(selectedTrack + 1);
            break;
        case 133:
            toggleFitWindow();
            break;
        default:
            break;
        }
    }
}

void TrakmoorEngine::setStatus(const std::string& text) {
    if (statusLabel == nullptr) {
        return;
    }
    statusLabel->text = text;
    statusLabel->invalidate();
}

void TrakmoorEngine::updateStatusLine() {
    const Track* track = currentTrack();
    if (track == nullptr || cursorIndex < 0) {
        return;
    }
    const std::string file = fileNamePart(gpxPath);
    if (freeCursor) {
        setStatus(freeCursorStatusText(file, _("free cursor"), freeCursorLat, freeCursorLon));
    } else {
        setStatus(pointStatusText(file, _("point"), *track, cursorIndex, markerA, markerB));
    }
}

const Track* TrakmoorEngine::currentTrack() const {
    return gpx ? gpx->trackAt(selectedTrack) : nullptr;
}

// ---------------------------------------------------------------------------------------------
// Tracks

bool TrakmoorEngine::installGpx(std::unique_ptr<Gpx> document, const std::string& fileName) {
    if (!document || document->trackCount() == 0) {
        setStatus(_("No tracks found in ") + fileName);
        return false;
    }
    trackBounds.invalidate();
    gpx = std::move(document);
    gpxPath = fileName;
    selectedTrack = -1;
    if (trackCombo != nullptr) {
        trackCombo->clear();
        for (std::int32_t i = 0; i < gpx->trackCount(); ++i) {
            const std::string& name = gpx->trackAt(i)->name();
            trackCombo->addItem(i, name.empty() ? _("Track ") + std::to_string(i + 1) : name);
        }
        trackCombo->select(0, false);
    }
    selectTrack(0);
    return true;
}

void TrakmoorEngine::selectTrack(int index) {
    if (!gpx || index < 0 || index >= gpx->trackCount()) {
        return;
    }
    selectedTrack = index;
    if (trackCombo != nullptr && trackCombo->selectedIndex() != index) {
        trackCombo->select(index, false);
    }
    cursorIndex = 0;
    view.zoom = 1.0;
    view.panX = 0.0;
    view.panY = 0.0;
    markerA = -1;
    markerB = -1;
    const Track* track = gpx->trackAt(index);
    if (track->pointCount() == 0) {
        cursorIndex = -1;
        setStatus(_("Selected track contains no waypoints"));
        refreshInfoPanel();
        return;
    }
    const std::string& name = track->name();
    setStatus(fileNamePart(gpxPath) + "  |  " + (name.empty() ? _("Unnamed track") : name) +
              "  |  " + std::to_string(track->pointCount()) + " " + _("points"));
    refreshInfoPanel();
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
    if (infoList == nullptr) {
        return;
    }
    infoList->clear();
    // Each group row comes right before its own rows.
    std::vector<int> groups;
    for (const TrackInfoRow& row : trackInfoRows(gpx.get(), selectedTrack, markerA, markerB)) {
        const bool isGroup = row.parentId < 0;
        const int node = infoList->addNode(
            isGroup ? -1 : groups.back(), row.id,
            {_(row.label), row.translateValue ? std::string(_(row.value.c_str())) : row.value});
        if (isGroup) {
            groups.push_back(node);
        }
    }
    for (int group : groups) {
        infoList->setExpanded(group, true, false);
    }
}

void TrakmoorEngine::openGpxFile(const std::string& path) {
    if (!isRegularFile(path)) {
        setStatus(_("File not found: ") + path);
        return;
    }
    try {
        if (!installGpx(readGpxFile(path), path)) {
            return;
        }
        std::filesystem::path map(path);
        map.replace_extension(".osm");
        if (isRegularFile(map)) {
            LoadOsmMap(pathText(map));
        } else if (downloadOsmMap && downloadOsmMap(pathText(map))) {
            LoadOsmMap(pathText(map));
        } else {
            mapFeatures.clear();
            mapPath.clear();
            ++mapGeneration;
            if (mapLabel != nullptr) {
                mapLabel->text = _("No OSM map loaded");
                mapLabel->invalidate();
            }
        }
    } catch (const std::exception& failure) {
        setStatus(_("Could not load GPX: ") + std::string(failure.what()));
    }
}

// ---------------------------------------------------------------------------------------------
// The map

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
    mapFeatures = std::move(result.features);
    mapPath = path;
    ++mapGeneration;
    const std::string count = std::to_string(mapFeatures.size());
    const std::string file = fileNamePart(path);
    if (mapLabel != nullptr) {
        mapLabel->text = file + "  |  " + count + " " + _("map ways");
        mapLabel->invalidate();
    }
    setStatus(file + "  |  " + count + " " + _("map ways loaded"));
}

// ---------------------------------------------------------------------------------------------
// Window geometry

void TrakmoorEngine::layoutForWindowSize(AppWindow* window) {
    const int w = window->width;
    const int h = window->height;
    for (const auto& [control, designX] : rightColumn) {
        const int newX = designX + w - designWidth;
        if (control->x != newX) {
            control->x = newX;
            control->attached();
            control->invalidate();
        }
    }
    SDL_Renderer* renderer = window->renderer.get();
    const int panelWidth = std::max(w - 580, 1);
    if (mapPanel != nullptr) {
        mapPanel->x = 340;
        mapPanel->y = 42;
        const int panelHeight = std::max(h - 198, 1);
        if (mapPanel->width != panelWidth || mapPanel->height != panelHeight) {
            mapPanel->layout(renderer, panelWidth, panelHeight);
        }
    }
    if (graphPanel != nullptr) {
        graphPanel->x = 340;
        graphPanel->y = h - 156;
        if (graphPanel->width != panelWidth || graphPanel->height != 130) {
            graphPanel->layout(renderer, panelWidth, 130);
        }
    }
    if (statusLabel != nullptr && (statusLabel->y != h - 22 || statusLabel->width != w - 16)) {
        statusLabel->y = h - 22;
        statusLabel->width = w - 16;
        statusLabel->invalidate();
    }
    if (infoList != nullptr) {
        const int listHeight = std::max(h - 128, 1);
        if (infoList->height != listHeight) {
            infoList->height = listHeight;
            infoList->attached();
            infoList->invalidate();
        }
    }
}

void TrakmoorEngine::toggleFitWindow() {
    if (mainAppWindow == nullptr || !mainAppWindow->sdlWindow) {
        return;
    }
    SDL_Window* window = mainAppWindow->sdlWindow.get();
    if (!windowFitted) {
        SDL_GetWindowPosition(window, &savedWindowX, &savedWindowY);
        SDL_GetWindowSize(window, &savedWindowWidth, &savedWindowHeight);
        const int display = SDL_GetWindowDisplayIndex(window);
        SDL_Rect usable{};
        if (display < 0 || SDL_GetDisplayUsableBounds(display, &usable) != 0) {
            setStatus(_("Could not determine screen size: ") + std::string(SDL_GetError()));
            return;
        }
        SDL_RestoreWindow(window);
        SDL_SetWindowPosition(window, usable.x, usable.y);
        SDL_SetWindowSize(window, usable.w, usable.h);
        windowFitted = true;
    } else {
        if ((SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN_DESKTOP) != 0) {
            if (SDL_SetWindowFullscreen(window, 0) != 0) {
                SDL_Log("Could not leave fullscreen: %s", SDL_GetError());
                return;
            }
        }
        SDL_SetWindowSize(window, savedWindowWidth, savedWindowHeight);
        SDL_SetWindowPosition(window, savedWindowX, savedWindowY);
        windowFitted = false;
    }
    showFitState();
}

} // namespace trakmoor
