#ifndef TRAKMOOR_APP_TRAKMOORENGINE_H
#define TRAKMOOR_APP_TRAKMOORENGINE_H

// The application object: owns the loaded document, the map, the view state and the options, and
// builds and drives the one main window.  Logic that can live without a window lives in the
// libraries; what is here puts their results into controls.  The document and the map are small
// classes that keep their own rules (OpenDocument.h, map/BackgroundMap.h); nothing outside the
// engine writes its state, which others read through the accessors at the end of the public part.
// The member functions are spread over files by area: TrakmoorEngine.cpp (construction, dispatch),
// MainWindowLayout.cpp (controls and geometry), EngineTracks.cpp, EngineMaps.cpp, EngineView.cpp,
// EngineDrawing.cpp and EngineCommands.cpp.

#include "app/ControlIds.h"
#include "app/OpenDocument.h"
#include "gui/GuiEngine.h"
#include "gui/SdlHandles.h"
#include "map/BackgroundMap.h"
#include "map/FontFace.h"
#include "map/GraphPicture.h"
#include "map/MapFeature.h"
#include "map/MapPanelPainter.h"
#include "map/MapPicture.h"
#include "map/MapPieceFetcher.h"
#include "map/OsmReader.h"
#include "map/ViewState.h"
#include "track/Gpx.h"
#include "track/GpxReader.h"
#include "track/TrackFile.h"

#include <cairo.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class GuiButton;
class GuiCairoPanel;
class GuiCheckBox;
class GuiComboBox;
class GuiFileDialog;
class GuiLabel;
class GuiObject;
class GuiTextCtrl;
class GuiTreeListCtrl;

namespace trakmoor {

struct ControlPlace;

// The controls of the main window the engine reads or writes after building it.  The window owns
// them all; these are plain references into its widget tree.
struct MainWindowControls {
    AppWindow* window = nullptr;
    GuiButton* openGpxButton = nullptr;
    GuiButton* previousTrackButton = nullptr;
    GuiButton* nextTrackButton = nullptr;
    GuiButton* fitWindowButton = nullptr;
    GuiComboBox* trackCombo = nullptr;
    GuiComboBox* cursorModeCombo = nullptr;
    GuiComboBox* perspectiveCombo = nullptr;
    GuiComboBox* statisticsCombo = nullptr;
    GuiTextCtrl* angleXField = nullptr;
    GuiTextCtrl* angleYField = nullptr;
    GuiTextCtrl* angleZField = nullptr;
    GuiCheckBox* centerCursorCheck = nullptr;
    GuiCheckBox* followDirectionCheck = nullptr;
    GuiCheckBox* waypointsCheck = nullptr;
    GuiCheckBox* heightCheck = nullptr;
    GuiCheckBox* directLineCheck = nullptr;
    GuiCheckBox* osmBackgroundCheck = nullptr;
    GuiTreeListCtrl* infoList = nullptr;
    GuiCairoPanel* mapPanel = nullptr;
    GuiCairoPanel* graphPanel = nullptr;
    GuiLabel* mapLabel = nullptr;
    GuiLabel* statusLabel = nullptr;
    // Every control with its row of the geometry table, which re-layout reads again.
    std::vector<std::pair<GuiObject*, const ControlPlace*>> placed;
};

// A GPX file and the map beside it being read on threads of their own, so that a long file is read
// while the window is built or shown.
struct GpxOpening {
    std::string path;
    bool found = false;
    std::future<TrackFileRead> gpx;
    // The map file that belongs to the track, and whether it is read (it is there or was named).
    std::string mapPath;
    bool mapBeside = false;
    std::future<OsmMapReadResult> map;
};
// `givenMap`, when not empty, is read instead of the map beside the track.
GpxOpening beginGpxOpening(const std::string& path, const std::string& givenMap = {});

// What the check boxes and the statistics selector switch on and off, beside the view's own.
struct DisplayOptions {
    bool showWaypoints = false;
    bool showDirectLine = false;
    bool showOsmBackground = true;
    // 0 height, 1 speed, 2 height and speed.
    int statisticsMode = 0;
};

// What the painters draw with besides the data: the flags of start, finish and the two analysis
// markers, and the embedded font for the names on the map and the texts of the graph.
struct PanelPictures {
    CairoSurfacePtr flagStartImage;
    CairoSurfacePtr flagFinishImage;
    CairoSurfacePtr flagMarkAImage;
    CairoSurfacePtr flagMarkBImage;
    CairoFontFacePtr textFont;
    CairoFontFacePtr boldFont;

    FlagImages flags() const {
        return {.start = flagStartImage.get(),
                .finish = flagFinishImage.get(),
                .markA = flagMarkAImage.get(),
                .markB = flagMarkBImage.get()};
    }
};
// The flags from the data folder and the embedded font; needs no window.
PanelPictures loadPanelPictures();

// "Fit window to screen" and the geometry that "Restore window" returns to.
struct WindowFitState {
    bool windowFitted = false;
    int savedWindowX = SDL_WINDOWPOS_CENTERED;
    int savedWindowY = SDL_WINDOWPOS_CENTERED;
    int savedWindowWidth = 1100;
    int savedWindowHeight = 720;
};

class TrakmoorEngine : public GuiEngine {
public:
    static constexpr int designWidth = 1100;
    static constexpr int designHeight = 720;
    static constexpr int minimumWidth = 850;
    static constexpr int minimumHeight = 650;
    static constexpr int fileDialogWidth = 560;
    static constexpr int fileDialogHeight = 460;
    static constexpr std::uint32_t fileDialogColour = 0xFFC8C8C8;

    TrakmoorEngine();
    ~TrakmoorEngine() override;

    void drawWindow(AppWindow* window) override;
    void handleEvent(AppWindow* window, GuiEvent* event) override;

    // The main window -------------------------------------------------------------------------
    // Creates every control of the main window; called once, right after the window exists.
    void buildMainWindow(AppWindow* window, bool fullscreen);
    void setStatus(const std::string& text);
    // File, cursor point or free position, markers and the A-B distance.
    void updateStatusLine();
    // Moves the right column and sizes the panels, status line and info list for the window.
    void layoutForWindowSize(AppWindow* window);
    // Fits the window to the usable screen area, or restores the geometry it had before.
    void toggleFitWindow();

    // Tracks -----------------------------------------------------------------------------------
    // Makes `document` current when it has tracks and selects its first track; otherwise says so
    // and keeps what was shown.  True when the document was taken.
    bool installGpx(std::unique_ptr<Gpx> document, const std::string& fileName);
    void selectTrack(int index);
    void loadBuiltInSample();
    void refreshInfoPanel();
    // The graph modes of the track's channels in the Statistics selector.
    void offerGraphModes(const Track& track);
    // Reads a track file (GPX, FIT, TCX) and loads the map beside it (or asks the map downloader
    // for one).  A file
    // without tracks changes nothing but the status line: the track still shown keeps its map.
    void openGpxFile(const std::string& path);
    // The second half of openGpxFile: waits for the reads that beginGpxOpening started and takes
    // their results over.
    void finishGpxOpening(GpxOpening opening);
    // The shown track, or null.
    const Track* currentTrack() const { return document_.currentTrack(); }

    // Maps -------------------------------------------------------------------------------------
    // Reads a map and swaps it in whole; a failed read leaves the previous map.
    void LoadOsmMap(const std::string& path);
    // Downloads the map around the shown track from the Overpass servers into `path`; true when
    // the file is there.  Blocks; the window shows the progress, Escape cancels.
    bool downloadMapFromServers(const std::string& path);
    // Asked for a map file at `path` when a GPX file has none beside it; true when it wrote one.
    // Without one, no map can be fetched and the map is cleared.
    void setMapDownloader(std::function<bool(const std::string& path)> downloader);
    // Lets a track too large for one request get its map in pieces from `servers`, kept in
    // `cacheFolder`, while the window goes on.
    void enableMapPieces(std::vector<OverpassServer> servers, std::filesystem::path cacheFolder,
                         PieceFetchTiming timing = {});
    // A map is being fetched in pieces.
    bool mapPiecesRunning() const { return mapPieces_ != nullptr; }
    // Puts one frame of the main window on screen while an operation blocks the main loop; input
    // stays queued.
    void repaintNow();

    // The view ---------------------------------------------------------------------------------
    // The one way the cursor moves to a track point: clamped, leaves free-cursor mode, turns and
    // centres the view as the options ask, and rewrites the status line.
    void setCursor(int index);
    void ZoomBy(double factor);
    // Zooms about a point of the map panel (relative to its top-left corner), which stays put.
    void ZoomAt(double factor, int mouseX, int mouseY);
    void CenterOnCursor();
    void UpdateHeadingOffset();
    void ApplyPreset(int index);
    void ResetView();
    // Each angle field shows its angle.
    void refreshAngleFields();

    // Commands ---------------------------------------------------------------------------------
    // Reads the three angle fields (Return in one of them); a field that is not a whole number
    // stops the entry there, and the fields show the stored angles again.
    void applyAngles();
    // Marker A (true) or B at the cursor point.
    void setMarker(bool markerA);
    // The file dialogs; at most one is open at a time.  The choice arrives as command 9999.
    void openGpxDialog();
    void openMapDialog();
    // Pictures (EnginePictures.cpp) ------------------------------------------------------------
    // The save dialog for a picture of the map and graph panels, proposing "TRACK-NAME.png" in the
    // track's folder.
    void openSavePictureDialog();
    // Writes the panels as they are shown, the kind by the name's ending; the status line says
    // "Saved PICTURE" or why not.
    void savePicture(const std::string& path);
    // A map download failed: the status line and a blocking error box say why.
    void showMapError(const std::string& message);
    // A file dropped on the main window: a track opens as from the dialog, a map is loaded.
    void openDroppedFile(const std::string& path);

    // Called once after the first frame in which the main window's panels were painted, and once
    // after the first frame that showed a track on the map.
    void setFirstFrameHandlers(std::function<void()> firstFrame,
                               std::function<void()> firstTrackFrame);

    // What the engine shows, read-only, for the tests and the program's probes --------------------
    const OpenDocument& document() const { return document_; }
    const BackgroundMap& backgroundMap() const { return map_; }
    const ViewState& viewState() const { return view_; }
    const DisplayOptions& displayOptions() const { return options_; }
    const MainWindowControls& mainControls() const { return controls_; }
    bool windowFitted() const { return fit_.windowFitted; }
    // The open file dialog was opened for a map, not for a track.
    bool mapDialogPending() const { return mapDialogPending_; }

private:
    // Keeps `option` equal to the check box's state and applies the option's follow-ups.
    void bindOption(GuiCheckBox* checkBox, bool* option);
    // A key's way of switching an option: the check box follows, and so do the follow-ups.
    void toggleOption(bool& option, GuiCheckBox* checkBox);
    // What a check box's change sets off beyond storing the option.
    void applyOptionFollowUps(int checkBoxId);
    void RotateBy(std::int32_t& angle, int step);
    // "Zoom: 150%" in the status line.
    void showZoom();
    // Swaps in a map read by readCheckedOsmMap, or says why it could not be read.
    void installOsmMap(const std::string& path, OsmMapReadResult read);
    // Forgets the map; the map label says there is none.
    void clearMap();
    // Starts fetching the map of a large track in pieces, or refuses a track too long for it;
    // false when the track is one for the single download.
    bool startMapPieces(const std::string& path);
    // Takes what the piece fetcher has brought since the last frame.
    void pollMapPieces();
    // Asks the map downloader, if there is one, for a map file at `path`.
    bool downloadOsmMap(const std::string& path);
    void handleCommand(AppWindow* window, GuiEvent* event);
    // The end of a file dialog: loads the chosen file and closes the dialog's window.
    void finishFileDialog(AppWindow* window, GuiEvent* event);
    void handleButton(int id);
    void handleSelection(int id);
    // SDL events of the main window that the engine understands itself; true when consumed.
    bool handleMainWindowEvent(const SDL_Event& event);
    bool handleKey(const SDL_Keysym& key);
    void pressOnMap(const SDL_MouseButtonEvent& press);
    void pressOnGraph(int mouseX);
    // Moves the free cursor to the place under a point of the map panel.
    void placeFreeCursor(int panelX, int panelY);
    // The cursor-mode box chose `index`: 0 waypoint, 1 free.
    void changeCursorMode(int index);
    void openFileDialog(const std::string& title, const std::string& startDirectory,
                        std::vector<std::string> filters, bool forMap);
    // Shows a modal file dialog made by `makeDialog` in a window of its own; false when none could
    // be shown.
    bool
    showFileDialog(const std::string& title,
                   const std::function<std::unique_ptr<GuiFileDialog>(AppWindow&)>& makeDialog);
    // The fit button names what it would do next.
    void showFitState();
    // The map panel's size, or 0 x 0 before the window is built.
    std::pair<int, int> mapPanelSize() const;

    // Everything the two panel pictures are drawn from; equal keys draw equal pictures.  The
    // generations stand for the contents of the document and the map the scenes point to.
    struct PanelSceneKey {
        MapScene map;
        GraphScene graph;
        int documentGeneration = 0;
        int mapWidth = 0;
        int mapHeight = 0;
        int graphWidth = 0;
        int graphHeight = 0;
        // Changes when curves drawn on the graph's thread are ready to show.
        std::uint64_t graphVersion = 0;

        bool operator==(const PanelSceneKey&) const = default;
        bool sameMap(const PanelSceneKey& other) const {
            return map == other.map && documentGeneration == other.documentGeneration &&
                   mapWidth == other.mapWidth && mapHeight == other.mapHeight;
        }
    };
    // Not const: the scene hands the painters the bounds cache to fill.
    PanelSceneKey panelSceneKey();
    // Paints the graph panel, and the map panel when `paintMap` is set, from `scene`.
    void paintPanels(const PanelSceneKey& scene, bool paintMap);

    std::function<bool(const std::string& path)> mapDownloader_;
    std::function<void()> onFirstFrame_;
    std::function<void()> onFirstTrackFrame_;

    MainWindowControls controls_;
    OpenDocument document_;
    // Declared after the document: its picture, which may be drawing around the document's track,
    // goes first.
    BackgroundMap map_;
    ViewState view_;
    DisplayOptions options_;
    PanelPictures pictures_;
    WindowFitState fit_;
    bool dragging_ = false;
    int dragLastX_ = 0;
    int dragLastY_ = 0;
    bool mapDialogPending_ = false;

    bool firstFrameReported_ = false;
    bool trackFrameReported_ = false;
    // What the panels show now; unset until they are first painted.
    std::optional<PanelSceneKey> paintedScene_;
    // The graph's curves, kept while only the cursor moves.
    GraphPictureCache graphPicture_;

    struct MapPieceSettings {
        std::vector<OverpassServer> servers;
        std::filesystem::path cacheFolder;
        PieceFetchTiming timing;
    };
    std::optional<MapPieceSettings> mapPieceSettings_;
    std::unique_ptr<MapPieceFetcher> mapPieces_;
    std::string mapPiecesTarget_;
    std::string mapPiecesStatus_;
};

} // namespace trakmoor

#endif
