#ifndef TRAKMOOR_APP_TRAKMOORENGINE_H
#define TRAKMOOR_APP_TRAKMOORENGINE_H

// The application object: owns the loaded document, the map, the view state and the options, and
// builds and drives the one main window.  Logic that can live without a window lives in the
// libraries; what is here puts their results into controls.

#include "gui/GuiEngine.h"
#include "gui/SdlHandles.h"
#include "map/MapFeature.h"
#include "map/ViewState.h"
#include "track/Gpx.h"

#include <cairo.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class GuiButton;
class GuiCairoPanel;
class GuiCheckBox;
class GuiComboBox;
class GuiLabel;
class GuiObject;
class GuiTextCtrl;
class GuiTreeListCtrl;

namespace trakmoor {

class TrakmoorEngine : public GuiEngine {
public:
    static constexpr int designWidth = 1100;
    static constexpr int designHeight = 720;
    static constexpr int minimumWidth = 850;
    static constexpr int minimumHeight = 650;

    TrakmoorEngine();
    ~TrakmoorEngine() override;

    void drawWindow(AppWindow* window) override;
    void handleEvent(AppWindow* window, GuiEvent* event) override;

    // Creates every control of the main window; called once, right after the window exists.
    void buildMainWindow(AppWindow* window, bool fullscreen);
    // Keeps `option` equal to the check box's state and applies the option's follow-ups.
    void bindOption(GuiCheckBox* checkBox, bool* option);
    void setStatus(const std::string& text);
    // File, cursor point or free position, markers and the A-B distance.
    void updateStatusLine();

    // Makes `document` current when it has tracks and selects its first track; otherwise says so
    // and keeps what was shown.  True when the document was taken.
    bool installGpx(std::unique_ptr<Gpx> document, const std::string& fileName);
    void selectTrack(int index);
    void loadBuiltInSample();
    void refreshInfoPanel();
    // Reads a map and swaps it in whole; a failed read leaves the previous map.
    void LoadOsmMap(const std::string& path);
    // Reads a GPX file and loads the map beside it (or asks `downloadOsmMap` for one).  A file
    // without tracks changes nothing but the status line: the track still shown keeps its map.
    void openGpxFile(const std::string& path);

    // Moves the right column and sizes the panels, status line and info list for the window.
    void layoutForWindowSize(AppWindow* window);
    // Fits the window to the usable screen area, or restores the geometry it had before.
    void toggleFitWindow();

    // The shown track, or null.
    const Track* currentTrack() const;
    // Paints both cairo panels completely.
    void paintPanels();

    // Asked for a map file at `path` when a GPX file has none beside it; true when it wrote one.
    // Unset, no map can be fetched and the map is cleared.
    std::function<bool(const std::string& path)> downloadOsmMap;
    // Called once after the first frame in which the main window's panels were painted.
    std::function<void()> onFirstFrame;

    AppWindow* mainAppWindow = nullptr;
    GuiButton* openGpxButton = nullptr;
    GuiButton* previousTrackButton = nullptr;
    GuiButton* nextTrackButton = nullptr;
    GuiButton* fitWindowButton = nullptr;
    GuiComboBox* trackCombo = nullptr;
    GuiCairoPanel* mapPanel = nullptr;
    GuiCairoPanel* graphPanel = nullptr;
    GuiLabel* statusLabel = nullptr;
    GuiTreeListCtrl* infoList = nullptr;
    GuiLabel* mapLabel = nullptr;
    GuiTextCtrl* angleXField = nullptr;
    GuiTextCtrl* angleYField = nullptr;
    GuiTextCtrl* angleZField = nullptr;
    GuiComboBox* statisticsCombo = nullptr;
    GuiComboBox* perspectiveCombo = nullptr;
    GuiComboBox* cursorModeCombo = nullptr;
    GuiCheckBox* centerCursorCheck = nullptr;
    GuiCheckBox* followDirectionCheck = nullptr;
    GuiCheckBox* waypointsCheck = nullptr;
    GuiCheckBox* heightCheck = nullptr;
    GuiCheckBox* directLineCheck = nullptr;
    GuiCheckBox* osmBackgroundCheck = nullptr;

    std::unique_ptr<Gpx> gpx;
    std::string gpxPath;
    std::string mapPath;
    std::vector<MapFeature> mapFeatures;
    // Controls that keep their distance to the right window edge, with their x at design size.
    std::vector<std::pair<GuiObject*, int>> rightColumn;
    CairoSurfacePtr flagStartImage;
    CairoSurfacePtr flagFinishImage;
    CairoSurfacePtr flagMarkAImage;
    CairoSurfacePtr flagMarkBImage;
    CairoSurfacePtr mapPicture;
    // Changes whenever mapFeatures is replaced or cleared, so pictures of the old map are redrawn.
    int mapGeneration = 0;
    int cachedMapGeneration = -1;

    int selectedTrack = -1;
    int cursorIndex = -1;
    int statisticsMode = 0;
    int markerA = -1;
    int markerB = -1;
    ViewState view;
    double freeCursorLat = 0.0;
    double freeCursorLon = 0.0;
    bool showWaypoints = false;
    bool showDirectLine = false;
    bool showOsmBackground = true;
    bool freeCursor = false;
    bool dragging = false;
    bool mapDialogPending = false;
    bool windowFitted = false;
    TrackBoundsCache trackBounds;
    int savedWindowX = SDL_WINDOWPOS_CENTERED;
    int savedWindowY = SDL_WINDOWPOS_CENTERED;
    int savedWindowWidth = designWidth;
    int savedWindowHeight = designHeight;
    int dragLastX = 0;
    int dragLastY = 0;

private:
    void handleCommand(AppWindow* window, GuiEvent* event);
    void refreshAngleFields();
    // The fit button names what it would do next.
    void showFitState();
    // What a check box's change sets off beyond storing the option.
    void applyOptionFollowUps(int checkBoxId);

    bool firstFrameReported_ = false;
};

} // namespace trakmoor

#endif
