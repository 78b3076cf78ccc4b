#ifndef TRAKMOOR_GUI_GUIENGINE_H
#define TRAKMOOR_GUI_GUIENGINE_H

// The toolkit's application object: SDL, SDL2_image, SDL2_ttf and FreeType set-up, the open
// windows, the main loop, event routing and the late release of textures.  An application derives
// from it and extends drawWindow and handleEvent; everything runs on the thread that calls run.

#include "gui/GuiEvent.h"
#include "gui/SdlHandles.h"

#include <SDL.h>
#include <SDL_ttf.h>
#include <cairo.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <vector>

class GuiDialog;
class GuiEngine;
class GuiObject;
class GuiWindow;
class IEditable;

// Looks up one of the toolkit's own message identifiers in its catalogue.  The toolkit never
// changes the process's default text domain, so the application's lookups stay its own.
const char* guiText(const char* messageId);

// Where the content of a window goes so that its frame (a title bar and borders of the sizes
// given) fills `area`: SDL places and sizes a window by its content.
SDL_Rect contentRectInFrame(const SDL_Rect& area, int top, int left, int bottom, int right);
// Places and sizes `window` so that its frame, as the window manager reports it, fills the
// usable area of its display (without panels and docks); false with SDL's error set when that
// area cannot be told.
bool fitWindowFrameToUsableArea(SDL_Window* window);

// Whether the toolkit's debug lines are wanted: TRAKMOOR_DEBUG is set and not empty.
bool guiDebugOutput();

// One SDL window with its renderer, widget tree and a cairo backing store of the window's size.
// Owned by the engine; also attached to the SDL window as window data "AppWindow".
struct AppWindow {
    AppWindow();
    AppWindow(const AppWindow&) = delete;
    AppWindow& operator=(const AppWindow&) = delete;
    ~AppWindow();

    std::uint32_t id = 0;
    // Declared before `root` so that the widget tree goes first, while its renderer still lives.
    SdlWindowPtr sdlWindow;
    SdlRendererPtr renderer;
    std::unique_ptr<GuiWindow> root;
    GuiEngine* engine = nullptr;
    // Size of the backing store, equal to the renderer's logical size.
    int width = 0;
    int height = 0;
    std::string title;
    // width * height * 4 zeroed bytes, an ARGB32 surface over them and a context on that surface.
    PixelBlockPtr pixels;
    CairoSurfacePtr surface;
    CairoContextPtr cairo;
    SdlTexturePtr texture;
};

class GuiEngine {
public:
    // Thrown when the toolkit cannot start; what() tells what SDL said.
    class Error : public std::runtime_error {
    public:
        using std::runtime_error::runtime_error;
    };

    static constexpr const char* textDomain = "olvenkit";
    static constexpr const char* fontPath = "data/fonts/Vera.ttf";
    static constexpr int defaultFontSize = 14;
    static constexpr int textureReleaseDelay = 3;

    GuiEngine();
    GuiEngine(const GuiEngine&) = delete;
    GuiEngine& operator=(const GuiEngine&) = delete;
    virtual ~GuiEngine();

    // Called once per frame for every window, in creation order.  By default the widget tree is
    // updated and painted and the frame presented; an application draws its own pictures first.
    virtual void drawWindow(AppWindow* window);
    // Called for every routed SDL event and every posted command.  By default a dialog gets the
    // commands of its own controls and every SDL event goes to the window's root; an application
    // takes what it understands first and passes the rest on here.
    virtual void handleEvent(AppWindow* window, GuiEvent* event);

    // The main loop: binds the toolkit's text domain, then repeats runFrame at framesPerSecond
    // until a window is closed.
    virtual void run();
    // One pass of the main loop without the pacing delay: at most one event is taken and routed,
    // windows closed later are destroyed, a close request is answered, and every window is resized
    // if needed and drawn.
    void runFrame();
    // The same at a fixed time: frameTicks reports `ticks` from now on, until runFrame() without
    // a time is called.  Lets tests drive auto-repeat, tooltips and upload rates frame by frame.
    void runFrame(std::uint32_t ticks);
    // The time controls go by: SDL_GetTicks, or the time the last runFrame(ticks) fixed.
    std::uint32_t frameTicks() const;

    // Creates an SDL window with renderer and a root GuiWindow of the given background colour
    // (0xAABBGGRR).  Throws std::runtime_error with SDL's text when SDL cannot make the window or
    // any renderer; returns null when the window cannot be registered.
    AppWindow* createWindow(GuiEngine* owner, const std::string& title, int x, int y, int width,
                            int height, std::uint32_t flags, std::uint32_t colour);
    // As createWindow, with a GuiDialog root, centred over and modal for the main window.
    AppWindow* createDialogWindow(GuiEngine* owner, const std::string& title, int x, int y,
                                  int width, int height, std::uint32_t flags, std::uint32_t colour);
    // Builds the root of a dialog window from the window record, whose SDL window, renderer and
    // engine are already set (a file dialog, for one, lays out its controls with them).
    using DialogFactory = std::function<std::unique_ptr<GuiDialog>(AppWindow& window)>;
    // As createDialogWindow, with the root made by `makeRoot` instead of a plain GuiDialog.
    AppWindow* createDialogWindow(GuiEngine* owner, const std::string& title, int x, int y,
                                  int width, int height, std::uint32_t flags,
                                  const DialogFactory& makeRoot);
    bool destroyWindow(std::uint32_t windowId);
    // Destroys the window after the event being handled.
    void closeWindowLater(std::uint32_t windowId);

    // Takes one event from SDL's queue; queued mouse motions are merged into the last one.
    bool pollEvent(SDL_Event& event);
    // Routes one SDL event to its window's handleEvent (global keys first).
    void routeEvent(SDL_Event& event);

    // Shows `object` modally: text focus is saved and mouse captures of other windows cancelled.
    void setModal(GuiObject* object);
    AppWindow* activeWindow() const;
    AppWindow* findWindow(std::uint32_t windowId) const;
    // All windows in creation order.
    std::vector<AppWindow*> windowList() const;

    void toggleFullscreen();
    // Centres a w x h box over the main window, kept inside its display; only coordinates that are
    // SDL "centred" positions are replaced.
    void centerOnMainWindow(int& x, int& y, int width, int height) const;
    void makeModalForMainWindow(AppWindow* window);

    // Makes the toolkit read its catalogues from this folder (the application knows where they
    // were installed) instead of data/locale beside the program or in the working folder.
    static void setCatalogueFolder(const std::string& folder);

    // Makes every later font load read this memory image (which must outlive the engine) instead
    // of the font file.
    static void setEmbeddedFont(const void* data, std::size_t size);
    // The copy of the font that is built into the toolkit.
    static std::span<const unsigned char> builtInFont();
    // A new font at the given point size, or null.  The caller owns it.
    static TTF_Font* loadFont(int pointSize);

    TTF_Font* defaultFont() const { return defaultFont_.get(); }
    FT_Library freeTypeLibrary() const { return freeType_; }
    // The FreeType face of the default font at 14 pixels, or null when the font is missing.
    FT_Face fontFace() const { return fontFace_; }

    // Destroys the texture three frames from now, when no queued draw can still use it.
    void releaseTextureLater(SDL_Renderer* renderer, SDL_Texture* texture);
    void releaseTextureLater(SDL_Renderer* renderer, SdlTexturePtr texture);
    // Textures of `renderer` waiting for their release.
    std::size_t pendingTextureCount(SDL_Renderer* renderer) const;
    // Replaces the window's cairo backing store by a cleared one of the new size.
    void resizeBackingStore(AppWindow* window, int width, int height);

    // Callbacks run when a window is about to be destroyed, for caches kept per renderer.
    using RendererGoneHook = void (*)(SDL_Renderer*);
    static void addRendererGoneHook(RendererGoneHook hook);

    bool quitRequested = false;
    bool stopped = false;
    // Set by the application while one of its windows has the keyboard focus.
    bool windowFocused = false;
    // The window that receives events carrying no window id.
    std::uint32_t activeWindowId = 0;
    std::uint32_t secondaryWindowId = 0;
    IEditable* savedTextFocus = nullptr;
    std::unordered_map<std::uint32_t, AppWindow*> windows;
    std::vector<std::uint32_t> pendingClose;
    GuiObject* modalObject = nullptr;
    IEditable* textFocus = nullptr;
    int framesPerSecond = 60;
    SDL_Keycode fullscreenKey = SDLK_F11;
    // Set by the application; dialogs are centred over it and modal for it.
    AppWindow* mainWindow = nullptr;

private:
    struct TextureRing {
        std::array<std::vector<SdlTexturePtr>, textureReleaseDelay> slots;
        int current = 0;
    };

    void bindTextDomain();
    void openFontFace();
    bool registerWindow(AppWindow* window);
    AppWindow* makeWindow(GuiEngine* owner, const std::string& title, int x, int y, int width,
                          int height, std::uint32_t flags,
                          const std::function<std::unique_ptr<GuiWindow>(AppWindow&)>& makeRoot);
    bool handleGlobalKeys(const SDL_Event& event, std::uint32_t windowId);
    void sendCloseToAllWindows();
    void advanceTextureRing(SDL_Renderer* renderer);
    void destroyPendingWindows();
    void frameBody();

    std::vector<std::unique_ptr<AppWindow>> windowOrder_;
    std::unordered_map<SDL_Renderer*, TextureRing> deferredTextureRelease_;
    TtfFontPtr defaultFont_;
    FT_Library freeType_ = nullptr;
    FT_Face fontFace_ = nullptr;
    bool textInputStarted_ = false;
    std::optional<std::uint32_t> fixedTicks_;
};

#endif // TRAKMOOR_GUI_GUIENGINE_H
