// The main window: its geometry table, building every control from it, following the window size,
// and "Fit window to screen" / "Restore window".

#include "app/MainWindowLayout.h"

#include "app/AppPaths.h"
#include "app/AppText.h"
#include "app/TrakmoorEngine.h"
#include "gui/GuiButton.h"
#include "gui/GuiComboBox.h"
#include "gui/GuiLabel.h"
#include "gui/GuiPanels.h"
#include "gui/GuiTextCtrl.h"
#include "gui/GuiTreeListCtrl.h"
#include "gui/GuiWindow.h"

#include <algorithm>
#include <initializer_list>

namespace trakmoor {

namespace {

constexpr int designWidth = TrakmoorEngine::designWidth;
constexpr int designHeight = TrakmoorEngine::designHeight;

// The geometry table, in the order the controls are created.
namespace place {
constexpr ControlPlace openGpx{8, 8, 90, 26};
constexpr ControlPlace previousTrack{106, 8, 32, 26};
constexpr ControlPlace trackSelector{146, 8, 260, 26};
constexpr ControlPlace nextTrack{414, 8, 32, 26};
constexpr ControlPlace zoomIn{464, 8, 34, 26};
constexpr ControlPlace zoomOut{506, 8, 34, 26};
constexpr ControlPlace resetView{548, 8, 70, 26};
constexpr ControlPlace logo{15, 48, 190, 47};
constexpr ControlPlace infoList{10, 102, 320, 592, Resize::StretchHeight};
constexpr ControlPlace cursorHeading{870, 52, 62, 24, Resize::RightColumn};
constexpr ControlPlace cursorMode{946, 52, 154, 24, Resize::RightColumn};
constexpr ControlPlace cursorBackward{870, 82, 32, 30, Resize::RightColumn};
constexpr ControlPlace cursorForward{906, 82, 32, 30, Resize::RightColumn};
constexpr ControlPlace cursorToStart{942, 82, 32, 30, Resize::RightColumn};
constexpr ControlPlace cursorToEnd{978, 82, 32, 30, Resize::RightColumn};
constexpr ControlPlace zoomInIcon{1014, 82, 32, 30, Resize::RightColumn};
constexpr ControlPlace zoomOutIcon{1050, 82, 32, 30, Resize::RightColumn};
constexpr ControlPlace angleHeading{870, 126, 62, 24, Resize::RightColumn};
constexpr ControlPlace perspective{936, 126, 154, 24, Resize::RightColumn};
constexpr ControlPlace angleXLabel{870, 154, 18, 22, Resize::RightColumn};
constexpr ControlPlace angleXField{888, 152, 48, 24, Resize::RightColumn};
constexpr ControlPlace angleYLabel{944, 154, 18, 22, Resize::RightColumn};
constexpr ControlPlace angleYField{962, 152, 48, 24, Resize::RightColumn};
constexpr ControlPlace angleZLabel{1018, 154, 18, 22, Resize::RightColumn};
constexpr ControlPlace angleZField{1036, 152, 48, 24, Resize::RightColumn};
constexpr ControlPlace rotateXLeft{870, 178, 32, 24, Resize::RightColumn};
constexpr ControlPlace rotateXRight{906, 178, 32, 24, Resize::RightColumn};
constexpr ControlPlace rotateYLeft{942, 178, 32, 24, Resize::RightColumn};
constexpr ControlPlace rotateYRight{978, 178, 32, 24, Resize::RightColumn};
constexpr ControlPlace rotateZLeft{1014, 178, 32, 24, Resize::RightColumn};
constexpr ControlPlace rotateZRight{1050, 178, 32, 24, Resize::RightColumn};
constexpr ControlPlace markerA{870, 206, 68, 24, Resize::RightColumn};
constexpr ControlPlace markerB{944, 206, 68, 24, Resize::RightColumn};
constexpr ControlPlace center{1018, 206, 72, 24, Resize::RightColumn};
constexpr ControlPlace optionsHeading{870, 238, 220, 24, Resize::RightColumn};
constexpr ControlPlace centerCursor{870, 270, 220, 24, Resize::RightColumn};
constexpr ControlPlace followDirection{870, 298, 220, 24, Resize::RightColumn};
constexpr ControlPlace waypoints{870, 326, 220, 24, Resize::RightColumn};
constexpr ControlPlace height{870, 354, 220, 24, Resize::RightColumn};
constexpr ControlPlace directLine{870, 382, 220, 24, Resize::RightColumn};
constexpr ControlPlace statisticsHeading{870, 422, 220, 24, Resize::RightColumn};
constexpr ControlPlace statistics{870, 454, 220, 26, Resize::RightColumn};
constexpr ControlPlace mapHeading{870, 494, 78, 24, Resize::RightColumn};
constexpr ControlPlace openOsm{952, 494, 138, 24, Resize::RightColumn};
constexpr ControlPlace osmBackground{870, 524, 220, 24, Resize::RightColumn};
constexpr ControlPlace mapLabel{870, 554, 220, 38, Resize::RightColumn};
constexpr ControlPlace fitWindow{870, 598, 220, 24, Resize::RightColumn};
constexpr ControlPlace mapPanel{340, 42, 520, 522, Resize::Stretch};
constexpr ControlPlace graphPanel{340, 564, 520, 130, Resize::BottomStretchWidth};
constexpr ControlPlace statusLine{8, 698, 1084, 22, Resize::BottomStretchWidth};
} // namespace place

constexpr std::uint32_t controlColour = 0xFFF0F0F0;
constexpr std::uint32_t lightColour = 0xFFFAFAFA;
constexpr std::uint32_t whiteColour = 0xFFFFFFFF;
constexpr std::uint32_t logoColour = 0xFFF5F5F5;
constexpr SDL_Color comboTextColour{0x14, 0x14, 0x14, 0xFF};
constexpr int comboDropDownHeight = 150;
constexpr int panelFrameRate = 15;
constexpr int repeatDelay = 350;
constexpr int repeatInterval = 80;

// Creates controls as children of the window's root and records each with its place.
class ControlFactory {
public:
    ControlFactory(AppWindow& window, TTF_Font* font, FT_Face face, MainWindowControls& controls)
        : root_(window.root.get()), renderer_(window.renderer.get()), font_(font), face_(face),
          controls_(controls) {}

    GuiButton* button(ControlId id, const ControlPlace& at, const std::string& text,
                      const char* tooltip) {
        return add(std::make_unique<GuiButton>(root_, toInt(id), at.x, at.y, at.width, at.height,
                                               controlColour, text, font_, 0),
                   at, tooltip);
    }

    GuiImageButton* imageButton(ControlId id, const ControlPlace& at, const char* icon,
                                const char* tooltip, bool repeat) {
        auto* control = add(std::make_unique<GuiImageButton>(root_, toInt(id), at.x, at.y, at.width,
                                                             at.height, controlColour, renderer_,
                                                             repeat ? GuiButton::AutoRepeat : 0u),
                            at, tooltip);
        if (repeat) {
            control->repeatDelay = repeatDelay;
            control->repeatInterval = repeatInterval;
        }
        control->loadImage(renderer_, dataFile(std::string("images/") + icon));
        return control;
    }

    // Headings and the two information lines read from the left; the lines are shortened from
    // the front when a long file name would not fit.
    GuiLabel* label(const ControlPlace& at, const std::string& text, std::uint32_t colour,
                    std::uint32_t flags = GuiLabel::LeftAligned) {
        return add(std::make_unique<GuiLabel>(root_, -1, at.x, at.y, at.width, at.height, colour,
                                              text, font_, flags),
                   at, nullptr);
    }

    GuiComboBox* combo(ControlId id, const ControlPlace& at, const char* tooltip,
                       std::initializer_list<const char*> items) {
        auto* control = add(std::make_unique<GuiComboBox>(root_, toInt(id), at.x, at.y, at.width,
                                                          at.height, controlColour, comboTextColour,
                                                          font_, comboDropDownHeight),
                            at, tooltip);
        int value = 0;
        for (const char* item : items) {
            control->addItem(value++, _(item));
        }
        control->select(0, false);
        return control;
    }

    GuiTextCtrl* angleField(ControlId id, const ControlPlace& at, const char* tooltip) {
        auto* field = add(std::make_unique<GuiTextCtrl>(root_, toInt(id), at.x, at.y, at.width,
                                                        at.height, whiteColour, face_, 0u),
                          at, tooltip);
        // Room for any whole number an angle takes ("-2147483648"), and no more: typing on and
        // on into a field must not grow it without end.
        field->maxCharacters = 16;
        return field;
    }

    GuiCheckBox* checkBox(ControlId id, const ControlPlace& at, const char* text,
                          const char* tooltip) {
        return add(std::make_unique<GuiCheckBox>(root_, toInt(id), at.x, at.y, at.width, at.height,
                                                 controlColour, _(text), font_, 0),
                   at, tooltip);
    }

    GuiCairoPanel* cairoPanel(const ControlPlace& at) {
        auto* panel = add(std::make_unique<GuiCairoPanel>(root_, -1, at.x, at.y, at.width,
                                                          at.height, whiteColour, renderer_),
                          at, nullptr);
        panel->setMaxFrameRate(panelFrameRate);
        return panel;
    }

    template <typename Control>
    Control* add(std::unique_ptr<Control> control, const ControlPlace& at, const char* tooltip) {
        Control* added = root_->add(std::move(control));
        if (tooltip != nullptr) {
            added->tooltip = _(tooltip);
        }
        controls_.placed.emplace_back(added, &at);
        return added;
    }

    SDL_Renderer* renderer() const { return renderer_; }
    TTF_Font* font() const { return font_; }
    GuiWindow* root() const { return root_; }

private:
    GuiWindow* root_;
    SDL_Renderer* renderer_;
    TTF_Font* font_;
    FT_Face face_;
    MainWindowControls& controls_;
};

} // namespace

PlacedRect placeFor(const ControlPlace& place, int windowWidth, int windowHeight) {
    PlacedRect rect{place.x, place.y, place.width, place.height};
    const int widthChange = windowWidth - designWidth;
    const int heightChange = windowHeight - designHeight;
    switch (place.resize) {
    case Resize::Fixed:
        break;
    case Resize::RightColumn:
        rect.x += widthChange;
        break;
    case Resize::Stretch:
        rect.width = std::max(place.width + widthChange, 1);
        rect.height = std::max(place.height + heightChange, 1);
        break;
    case Resize::BottomStretchWidth:
        rect.y += heightChange;
        rect.width = std::max(place.width + widthChange, 1);
        break;
    case Resize::StretchHeight:
        rect.height = std::max(place.height + heightChange, 1);
        break;
    }
    return rect;
}

void TrakmoorEngine::buildMainWindow(AppWindow* window, bool fullscreen) {
    controls_ = MainWindowControls{};
    controls_.window = window;
    fit_.windowFitted = fullscreen;
    windowFocused = true;
    SDL_SetWindowMinimumSize(window->sdlWindow.get(), minimumWidth, minimumHeight);
    window->root->colour = guiColour(controlColour);
    ControlFactory make(*window, defaultFont(), fontFace(), controls_);
    MainWindowControls& c = controls_;
    constexpr std::uint32_t infoLineFlags = GuiLabel::LeftAligned | GuiLabel::Elide;

    c.openGpxButton =
        make.button(ControlId::OpenGpx, place::openGpx, _("Open GPX"), N_("Open a GPX track file"));
    c.previousTrackButton = make.button(ControlId::PreviousTrack, place::previousTrack, "<",
                                        N_("Select the previous track"));
    c.trackCombo = make.combo(ControlId::TrackSelector, place::trackSelector,
                              N_("Select a track from the GPX file"), {});
    c.nextTrackButton =
        make.button(ControlId::NextTrack, place::nextTrack, ">", N_("Select the next track"));
    make.button(ControlId::ZoomIn, place::zoomIn, "+", N_("Zoom in"));
    make.button(ControlId::ZoomOut, place::zoomOut, "-", N_("Zoom out"));
    make.button(ControlId::ResetView, place::resetView, _("Reset"), N_("Reset the map view"));

    auto* logo =
        make.add(std::make_unique<GuiImagePanel>(make.root(), -1, place::logo.x, place::logo.y,
                                                 place::logo.width, place::logo.height, logoColour),
                 place::logo, nullptr);
    logo->loadImage(make.renderer(), dataFile("images/logo.png"));

    c.infoList =
        make.add(std::make_unique<GuiTreeListCtrl>(
                     make.root(), -1, place::infoList.x, place::infoList.y, place::infoList.width,
                     place::infoList.height, lightColour, make.font()),
                 place::infoList, nullptr);
    // Wide enough for the longest label, "Moving average", below its group.
    c.infoList->addColumn(_("Parameter"), 152);
    c.infoList->addColumn(_("Value"), 164);

    make.label(place::cursorHeading, _("Cursor"), controlColour);
    c.cursorModeCombo =
        make.combo(ControlId::CursorMode, place::cursorMode,
                   N_("Choose how the cursor moves along the track"), {N_("Waypoint"), N_("Free")});
    make.imageButton(ControlId::CursorBackward, place::cursorBackward, "cursor_prev.png",
                     N_("Move the cursor backward"), true);
    make.imageButton(ControlId::CursorForward, place::cursorForward, "cursor_next.png",
                     N_("Move the cursor forward"), true);
    make.imageButton(ControlId::CursorToStart, place::cursorToStart, "signpost.png",
                     N_("Jump to the start of the track"), false);
    make.imageButton(ControlId::CursorToEnd, place::cursorToEnd, "mini_finish.png",
                     N_("Jump to the end of the track"), false);
    make.imageButton(ControlId::ZoomIn, place::zoomInIcon, "zoom_in.png", N_("Zoom in"), false);
    make.imageButton(ControlId::ZoomOut, place::zoomOutIcon, "zoom_out.png", N_("Zoom out"), false);

    make.label(place::angleHeading, _("Angle"), controlColour);
    c.perspectiveCombo = make.combo(ControlId::PerspectiveSelector, place::perspective,
                                    N_("Select a predefined map perspective"),
                                    {N_("Reset"), N_("North-side"), N_("East-side"),
                                     N_("South-side"), N_("West-side"), N_("Custom")});
    make.label(place::angleXLabel, "X", lightColour, 0);
    c.angleXField = make.angleField(ControlId::AngleXField, place::angleXField,
                                    N_("Enter the X rotation angle"));
    make.label(place::angleYLabel, "Y", lightColour, 0);
    c.angleYField = make.angleField(ControlId::AngleYField, place::angleYField,
                                    N_("Enter the Y rotation angle"));
    make.label(place::angleZLabel, "Z", lightColour, 0);
    c.angleZField = make.angleField(ControlId::AngleZField, place::angleZField,
                                    N_("Enter the Z rotation angle"));
    refreshAngleFields();

    make.imageButton(ControlId::RotateXLeft, place::rotateXLeft, "angle_x_left.png",
                     N_("Rotate counterclockwise"), true);
    make.imageButton(ControlId::RotateXRight, place::rotateXRight, "angle_x_right.png",
                     N_("Rotate clockwise"), true);
    make.imageButton(ControlId::RotateYLeft, place::rotateYLeft, "angle_y_left.png",
                     N_("Rotate counterclockwise"), true);
    make.imageButton(ControlId::RotateYRight, place::rotateYRight, "angle_y_right.png",
                     N_("Rotate clockwise"), true);
    make.imageButton(ControlId::RotateZLeft, place::rotateZLeft, "angle_z_left.png",
                     N_("Rotate counterclockwise"), true);
    make.imageButton(ControlId::RotateZRight, place::rotateZRight, "angle_z_right.png",
                     N_("Rotate clockwise"), true);
    make.imageButton(ControlId::SetMarkerA, place::markerA, "flag_mark_a.png",
                     N_("Set analysis marker A at the cursor"), false);
    make.imageButton(ControlId::SetMarkerB, place::markerB, "flag_mark_b.png",
                     N_("Set analysis marker B at the cursor"), false);
    make.button(ControlId::CenterOnCursor, place::center, _("Center"),
                N_("Center the map on the cursor"));

    make.label(place::optionsHeading, _("Options"), controlColour);
    c.centerCursorCheck =
        make.checkBox(ControlId::CenterCursorOption, place::centerCursor, N_("Center cursor"),
                      N_("Keep the cursor centered and zoom around it"));
    c.followDirectionCheck =
        make.checkBox(ControlId::FollowDirectionOption, place::followDirection,
                      N_("Follow direction"), N_("Rotate the view to follow the travel direction"));
    c.waypointsCheck = make.checkBox(ControlId::WaypointsOption, place::waypoints, N_("Waypoints"),
                                     N_("Show or hide track waypoints"));
    c.heightCheck = make.checkBox(ControlId::HeightOption, place::height, N_("Height"),
                                  N_("Show or hide the elevation profile"));
    c.directLineCheck =
        make.checkBox(ControlId::DirectLineOption, place::directLine, N_("Direct line"),
                      N_("Show or hide the direct line between markers A and B"));
    bindOption(c.centerCursorCheck, &view_.followCursor);
    bindOption(c.followDirectionCheck, &view_.followDirection);
    bindOption(c.waypointsCheck, &options_.showWaypoints);
    bindOption(c.heightCheck, &view_.showHeight);
    bindOption(c.directLineCheck, &options_.showDirectLine);

    make.label(place::statisticsHeading, _("Statistics"), controlColour);
    c.statisticsCombo = make.combo(ControlId::StatisticsSelector, place::statistics,
                                   N_("Choose the data shown in the statistics graph"),
                                   {N_("Height"), N_("Speed"), N_("Height + speed")});
    make.label(place::mapHeading, _("Map"), controlColour);
    make.button(ControlId::OpenOsm, place::openOsm, _("Open OSM"),
                N_("Open an OpenStreetMap file"));
    c.osmBackgroundCheck =
        make.checkBox(ControlId::OsmBackgroundOption, place::osmBackground, N_("OSM background"),
                      N_("Show or hide the OpenStreetMap background"));
    c.osmBackgroundCheck->pressed = true;
    c.osmBackgroundCheck->invalidate();
    bindOption(c.osmBackgroundCheck, &options_.showOsmBackground);
    c.mapLabel = make.label(place::mapLabel, _("No map loaded"), lightColour, infoLineFlags);
    c.fitWindowButton =
        make.button(ControlId::FitWindow, place::fitWindow, _("Fit window to screen"),
                    N_("Fit the window to the available screen area"));

    c.mapPanel = make.cairoPanel(place::mapPanel);
    c.graphPanel = make.cairoPanel(place::graphPanel);
    c.statusLabel =
        make.label(place::statusLine, _("Open a GPX file to begin"), controlColour, infoLineFlags);

    pictures_ = loadPanelPictures();
    showFitState();
}

PlacedRect designMapPanel() {
    return {place::mapPanel.x, place::mapPanel.y, place::mapPanel.width, place::mapPanel.height};
}

PlacedRect designGraphPanel() {
    return {place::graphPanel.x, place::graphPanel.y, place::graphPanel.width,
            place::graphPanel.height};
}

PanelPictures loadPanelPictures() {
    auto picture = [](const char* name) {
        return CairoSurfacePtr(
            cairo_image_surface_create_from_png(dataFile(std::string("images/") + name).c_str()));
    };
    PanelPictures pictures;
    pictures.flagStartImage = picture("flag_start.png");
    pictures.flagFinishImage = picture("flag_finish.png");
    pictures.flagMarkAImage = picture("flag_mark_a.png");
    pictures.flagMarkBImage = picture("flag_mark_b.png");
    pictures.textFont = makeFontFace(GuiEngine::builtInFont());
    pictures.boldFont = makeFontFace(GuiEngine::builtInFont(), true);
    return pictures;
}

void TrakmoorEngine::showFitState() {
    if (controls_.fitWindowButton != nullptr) {
        controls_.fitWindowButton->label =
            fit_.windowFitted ? _("Restore window") : _("Fit window to screen");
        controls_.fitWindowButton->invalidate();
    }
}

void TrakmoorEngine::layoutForWindowSize(AppWindow* window) {
    SDL_Renderer* renderer = window->renderer.get();
    for (const auto& [control, at] : controls_.placed) {
        if (at->resize == Resize::Fixed) {
            continue;
        }
        const PlacedRect target = placeFor(*at, window->width, window->height);
        const bool moved = control->x != target.x || control->y != target.y;
        const bool resized = control->width != target.width || control->height != target.height;
        if (!moved && !resized) {
            continue;
        }
        control->x = target.x;
        control->y = target.y;
        if (resized) {
            control->layout(renderer, target.width, target.height);
        }
        control->attached();
        control->invalidate();
    }
}

void TrakmoorEngine::toggleFitWindow() {
    if (controls_.window == nullptr || !controls_.window->sdlWindow) {
        return;
    }
    SDL_Window* window = controls_.window->sdlWindow.get();
    if (!fit_.windowFitted) {
        SDL_GetWindowPosition(window, &fit_.savedWindowX, &fit_.savedWindowY);
        SDL_GetWindowSize(window, &fit_.savedWindowWidth, &fit_.savedWindowHeight);
        if (!fitWindowFrameToUsableArea(window)) {
            setStatus(_("Could not determine screen size: ") + std::string(SDL_GetError()));
            return;
        }
        fit_.windowFitted = true;
    } else {
        if ((SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN_DESKTOP) != 0) {
            if (SDL_SetWindowFullscreen(window, 0) != 0) {
                SDL_Log("Could not leave fullscreen: %s", SDL_GetError());
                return;
            }
        }
        SDL_SetWindowSize(window, fit_.savedWindowWidth, fit_.savedWindowHeight);
        SDL_SetWindowPosition(window, fit_.savedWindowX, fit_.savedWindowY);
        fit_.windowFitted = false;
    }
    showFitState();
}

} // namespace trakmoor
