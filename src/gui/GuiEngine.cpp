#include "gui/GuiEngine.h"

#include "gui/GuiObject.h"
#include "gui/GuiWindow.h"
#include "gui/IEditable.h"

#include <SDL_image.h>
#include <SDL_syswm.h>
#include <libintl.h>

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string_view>

namespace {

// SDL writes WM_NAME as UTF8_STRING, which ICCCM does not allow there and which tools that only
// read WM_NAME (xdotool, older window lists) cannot see.  An ASCII title is stored again as a
// plain STRING (after the renderer exists, which may recreate the window); _NET_WM_NAME keeps the
// UTF-8 title for everything else.
void storeIcccmTitle([[maybe_unused]] SDL_Window* window,
                     [[maybe_unused]] const std::string& title) {
#if defined(SDL_VIDEO_DRIVER_X11) && defined(TRAKMOOR_HAVE_X11)
    for (unsigned char c : title) {
        if (c >= 0x80) {
            return;
        }
    }
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWindowWMInfo(window, &info) == SDL_TRUE && info.subsystem == SDL_SYSWM_X11) {
        XStoreName(info.info.x11.display, info.info.x11.window, title.c_str());
        XFlush(info.info.x11.display);
    }
#endif
}

// Without a GPU device the accelerated renderer is a software rasteriser behind OpenGL (Xvfb,
// virtual machines, remote displays): it takes longer to start than SDL's own software renderer,
// which then draws as fast.
bool hasGpuDevice() {
#ifdef __linux__
    static const bool found = [] {
        std::error_code error;
        if (std::filesystem::exists("/dev/nvidia0", error)) {
            return true;
        }
        for (const auto& entry : std::filesystem::directory_iterator("/dev/dri", error)) {
            const std::string name = entry.path().filename().string();
            if (name.starts_with("card") || name.starts_with("renderD")) {
                return true;
            }
        }
        return false;
    }();
    return found;
#else
    return true;
#endif
}

} // namespace

extern const unsigned char trakmoor_gui_vera_ttf[];
extern const std::size_t trakmoor_gui_vera_ttf_size;

namespace {

std::string catalogueFolder;
const void* embeddedFontData = nullptr;
std::size_t embeddedFontSize = 0;

std::vector<GuiEngine::RendererGoneHook>& rendererGoneHooks() {
    static std::vector<GuiEngine::RendererGoneHook> hooks;
    return hooks;
}

// SDL encodes "centred on display n" as 0x2FFF0000 | n.
bool isCentredPosition(int coordinate) {
    return (static_cast<std::uint32_t>(coordinate) & 0xFFFF0000u) == SDL_WINDOWPOS_CENTERED_MASK;
}

// The window id an SDL event is aimed at, or 0 when the event carries none.
std::uint32_t eventWindowId(const SDL_Event& event) {
    switch (event.type) {
    case SDL_WINDOWEVENT:
        return event.window.windowID;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        return event.key.windowID;
    case SDL_TEXTEDITING:
        return event.edit.windowID;
    case SDL_TEXTINPUT:
        return event.text.windowID;
    case SDL_MOUSEMOTION:
        return event.motion.windowID;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        return event.button.windowID;
    case SDL_MOUSEWHEEL:
        return event.wheel.windowID;
    case SDL_DROPFILE:
    case SDL_DROPTEXT:
    case SDL_DROPBEGIN:
    case SDL_DROPCOMPLETE:
        return event.drop.windowID;
    default:
        return 0;
    }
}

bool belongsTo(IEditable* editable, GuiWindow* root) {
    if (editable == nullptr) {
        return false;
    }
    auto* object = dynamic_cast<GuiObject*>(editable);
    return object != nullptr && (object == root || object->window == root);
}

} // namespace

const char* guiText(const char* messageId) {
    return dgettext(GuiEngine::textDomain, messageId);
}

SDL_Rect contentRectInFrame(const SDL_Rect& area, int top, int left, int bottom, int right) {
    return SDL_Rect{area.x + left, area.y + top, std::max(area.w - left - right, 1),
                    std::max(area.h - top - bottom, 1)};
}

bool fitWindowFrameToUsableArea(SDL_Window* window) {
    const int display = SDL_GetWindowDisplayIndex(window);
    SDL_Rect usable{};
    if (display < 0 || SDL_GetDisplayUsableBounds(display, &usable) != 0) {
        return false;
    }
    int top = 0;
    int left = 0;
    int bottom = 0;
    int right = 0;
    // Without a window manager that tells, there is no frame to allow for.
    if (SDL_GetWindowBordersSize(window, &top, &left, &bottom, &right) != 0) {
        top = left = bottom = right = 0;
    }
    const SDL_Rect content = contentRectInFrame(usable, top, left, bottom, right);
    SDL_RestoreWindow(window);
    SDL_SetWindowPosition(window, content.x, content.y);
    SDL_SetWindowSize(window, content.w, content.h);
    return true;
}

bool guiDebugOutput() {
    const char* value = std::getenv("TRAKMOOR_DEBUG");
    return value != nullptr && *value != '\0';
}

AppWindow::AppWindow() = default;
AppWindow::~AppWindow() = default;

// ---------------------------------------------------------------------------------------------
// Start-up and shutdown

GuiEngine::GuiEngine() {
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::string message = SDL_GetError();
        SDL_Quit();
        throw Error(message);
    }
    // Messages of the constructor are already looked up in the toolkit's catalogue.
    bindTextDomain();
    // Without a display SDL settles for a driver that shows nothing, and a program would run on
    // unseen; such a driver is taken only when it was asked for by name.
    const std::string_view driver = SDL_GetCurrentVideoDriver();
    const char* asked = SDL_getenv("SDL_VIDEODRIVER");
    if ((asked == nullptr || *asked == '\0') &&
        (driver == "offscreen" || driver == "dummy" || driver == "evdev" || driver == "KMSDRM")) {
        SDL_Quit();
        throw Error(guiText("no display to show a window on (DISPLAY and WAYLAND_DISPLAY are "
                            "not set)"));
    }
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    IMG_Init(IMG_INIT_PNG);
    if (TTF_Init() != 0) {
        std::string message = TTF_GetError();
        IMG_Quit();
        SDL_Quit();
        throw Error(message);
    }
    FT_Init_FreeType(&freeType_);
    defaultFont_.reset(loadFont(defaultFontSize));
    if (!defaultFont_) {
        std::cerr << guiText("Could not load font: ") << SDL_GetError() << std::endl;
        return;
    }
    openFontFace();
    SDL_StartTextInput();
    textInputStarted_ = true;
}

void GuiEngine::openFontFace() {
    FT_Error error = 0;
    if (embeddedFontData != nullptr) {
        error = FT_New_Memory_Face(freeType_, static_cast<const FT_Byte*>(embeddedFontData),
                                   static_cast<FT_Long>(embeddedFontSize), 0, &fontFace_);
    } else {
        error = FT_New_Face(freeType_, fontPath, 0, &fontFace_);
    }
    if (error != 0) {
        fontFace_ = nullptr;
        return;
    }
    if (FT_Error charmapError = FT_Select_Charmap(fontFace_, FT_ENCODING_UNICODE)) {
        std::fprintf(stderr, guiText("Error setting the Unicode charmap: %d\n"), charmapError);
    }
    FT_Set_Pixel_Sizes(fontFace_, 0, defaultFontSize);
}

GuiEngine::~GuiEngine() {
    pendingClose.clear();
    while (!windowOrder_.empty()) {
        AppWindow* window = windowOrder_.front().get();
        if (!destroyWindow(window->id)) {
            // Not reachable through the id table (a duplicate id); take it down directly.
            window->root.reset();
            deferredTextureRelease_.erase(window->renderer.get());
            windowOrder_.erase(windowOrder_.begin());
        }
    }
    deferredTextureRelease_.clear();
    if (textInputStarted_) {
        SDL_StopTextInput();
    }
    if (fontFace_ != nullptr) {
        FT_Done_Face(fontFace_);
    }
    if (freeType_ != nullptr) {
        FT_Done_FreeType(freeType_);
    }
    defaultFont_.reset();
    TTF_Quit();
    IMG_Quit();
    SDL_Quit();
}

void GuiEngine::bindTextDomain() {
    std::string folder = catalogueFolder;
    if (folder.empty()) {
        folder = "./data/locale";
        if (char* base = SDL_GetBasePath()) {
            std::filesystem::path besideProgram = std::filesystem::path(base) / "data" / "locale";
            SDL_free(base);
            std::error_code error;
            if (std::filesystem::is_directory(besideProgram, error)) {
                folder = besideProgram.string();
            }
        }
    }
    bindtextdomain(textDomain, folder.c_str());
    bind_textdomain_codeset(textDomain, "UTF-8");
}

void GuiEngine::setCatalogueFolder(const std::string& folder) {
    catalogueFolder = folder;
}

void GuiEngine::setEmbeddedFont(const void* data, std::size_t size) {
    embeddedFontData = data;
    embeddedFontSize = size;
}

std::span<const unsigned char> GuiEngine::builtInFont() {
    return {trakmoor_gui_vera_ttf, trakmoor_gui_vera_ttf_size};
}

TTF_Font* GuiEngine::loadFont(int pointSize) {
    if (embeddedFontData != nullptr) {
        SDL_RWops* memory =
            SDL_RWFromConstMem(embeddedFontData, static_cast<int>(embeddedFontSize));
        if (memory == nullptr) {
            return nullptr;
        }
        return TTF_OpenFontRW(memory, 1, pointSize);
    }
    return TTF_OpenFont(fontPath, pointSize);
}

void GuiEngine::addRendererGoneHook(RendererGoneHook hook) {
    auto& hooks = rendererGoneHooks();
    if (std::find(hooks.begin(), hooks.end(), hook) == hooks.end()) {
        hooks.push_back(hook);
    }
}

// ---------------------------------------------------------------------------------------------
// Windows

AppWindow* GuiEngine::createWindow(GuiEngine* owner, const std::string& title, int x, int y,
                                   int width, int height, std::uint32_t flags,
                                   std::uint32_t colour) {
    return makeWindow(owner, title, x, y, width, height, flags, [&](AppWindow&) {
        return std::make_unique<GuiWindow>(nullptr, -1, 0, 0, width, height, colour);
    });
}

AppWindow* GuiEngine::createDialogWindow(GuiEngine* owner, const std::string& title, int x, int y,
                                         int width, int height, std::uint32_t flags,
                                         std::uint32_t colour) {
    return createDialogWindow(owner, title, x, y, width, height, flags, [&](AppWindow&) {
        return std::make_unique<GuiDialog>(nullptr, -1, 0, 0, width, height, colour);
    });
}

AppWindow* GuiEngine::createDialogWindow(GuiEngine* owner, const std::string& title, int x, int y,
                                         int width, int height, std::uint32_t flags,
                                         const DialogFactory& makeRoot) {
    centerOnMainWindow(x, y, width, height);
    AppWindow* window = makeWindow(
        owner, title, x, y, width, height, flags,
        [&](AppWindow& record) -> std::unique_ptr<GuiWindow> { return makeRoot(record); });
    makeModalForMainWindow(window);
    return window;
}

AppWindow*
GuiEngine::makeWindow(GuiEngine* owner, const std::string& title, int x, int y, int width,
                      int height, std::uint32_t flags,
                      const std::function<std::unique_ptr<GuiWindow>(AppWindow&)>& makeRoot) {
    auto record = std::make_unique<AppWindow>();
    record->engine = owner;
    record->sdlWindow.reset(SDL_CreateWindow(title.c_str(), x, y, width, height, flags));
    if (!record->sdlWindow) {
        throw std::runtime_error(SDL_GetError());
    }
    SDL_Renderer* renderer = nullptr;
    if (!hasGpuDevice()) {
        // SDL would otherwise put the software renderer's window surface on OpenGL again.
        SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    }
    if (std::getenv("WINEUSERNAME") != nullptr || !hasGpuDevice()) {
        renderer = SDL_CreateRenderer(record->sdlWindow.get(), -1, SDL_RENDERER_SOFTWARE);
    } else {
        renderer = SDL_CreateRenderer(record->sdlWindow.get(), -1, SDL_RENDERER_ACCELERATED);
        if (renderer == nullptr) {
            // No GPU, a remote display or the dummy driver: drawing in software still works.
            renderer = SDL_CreateRenderer(record->sdlWindow.get(), -1, SDL_RENDERER_SOFTWARE);
        }
    }
    if (renderer == nullptr) {
        throw std::runtime_error(SDL_GetError());
    }
    record->renderer.reset(renderer);
    storeIcccmTitle(record->sdlWindow.get(), title);
    SDL_SetWindowData(record->sdlWindow.get(), "AppWindow", record.get());
    SDL_RenderSetLogicalSize(renderer, width, height);
    record->width = width;
    record->height = height;
    record->title = title;
    record->root = makeRoot(*record);
    if (!record->root) {
        throw std::invalid_argument("a window needs a root widget");
    }
    record->root->appWindow = record.get();
    record->root->engine = this;
    if (!registerWindow(record.get())) {
        record->root.reset();
        deferredTextureRelease_.erase(renderer);
        return nullptr;
    }
    windowOrder_.push_back(std::move(record));
    return windowOrder_.back().get();
}

bool GuiEngine::registerWindow(AppWindow* window) {
    const int w = window->width;
    const int h = window->height;
    window->pixels.reset(static_cast<unsigned char*>(
        std::calloc(static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 4, 1)));
    window->surface.reset(cairo_image_surface_create_for_data(window->pixels.get(),
                                                              CAIRO_FORMAT_ARGB32, w, h, w * 4));
    window->cairo.reset(cairo_create(window->surface.get()));
    window->id = SDL_GetWindowID(window->sdlWindow.get());
    if (window->id == 0) {
        return false;
    }
    windows.emplace(window->id, window);
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "0");
    SDL_RenderSetIntegerScale(window->renderer.get(), SDL_TRUE);
    SDL_SetRenderDrawBlendMode(window->renderer.get(), SDL_BLENDMODE_BLEND);
    SDL_RaiseWindow(window->sdlWindow.get());
    cairo_t* cr = window->cairo.get();
    cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
    cairo_paint(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
    if (activeWindowId == 0) {
        activeWindowId = window->id;
    }
    return true;
}

bool GuiEngine::destroyWindow(std::uint32_t windowId) {
    auto found = windows.find(windowId);
    if (found == windows.end()) {
        return false;
    }
    AppWindow* window = found->second;
    if (activeWindowId == windowId) {
        activeWindowId = 0;
        for (const auto& [otherId, other] : windows) {
            if (otherId != windowId) {
                activeWindowId = otherId;
                break;
            }
        }
        if (activeWindowId == 0) {
            if (SDL_Window* focused = SDL_GetKeyboardFocus()) {
                std::uint32_t focusedId = SDL_GetWindowID(focused);
                if (focusedId != windowId) {
                    activeWindowId = focusedId;
                }
            }
        }
    }
    if (secondaryWindowId == windowId) {
        secondaryWindowId = 0;
    }
    if (mainWindow == window) {
        mainWindow = nullptr;
    }
    GuiWindow* root = window->root.get();
    if (modalObject != nullptr && root != nullptr &&
        (modalObject == root || modalObject->window == root)) {
        modalObject = nullptr;
        textFocus = savedTextFocus;
    }
    if (belongsTo(textFocus, root)) {
        textFocus = nullptr;
    }
    if (belongsTo(savedTextFocus, root)) {
        savedTextFocus = nullptr;
    }
    // The widget tree hands its textures to the ring, which must go before the renderer does:
    // destroying a renderer frees its textures behind our back.
    window->root.reset();
    SDL_Renderer* renderer = window->renderer.get();
    deferredTextureRelease_.erase(renderer);
    for (RendererGoneHook hook : rendererGoneHooks()) {
        hook(renderer);
    }
    window->texture.reset();
    window->cairo.reset();
    window->surface.reset();
    window->pixels.reset();
    if (window->sdlWindow) {
        SDL_SetWindowData(window->sdlWindow.get(), "AppWindow", nullptr);
    }
    window->renderer.reset();
    window->sdlWindow.reset();
    windows.erase(found);
    auto owned = std::find_if(windowOrder_.begin(), windowOrder_.end(),
                              [window](const auto& entry) { return entry.get() == window; });
    if (owned != windowOrder_.end()) {
        windowOrder_.erase(owned);
    }
    return true;
}

void GuiEngine::closeWindowLater(std::uint32_t windowId) {
    pendingClose.push_back(windowId);
}

void GuiEngine::destroyPendingWindows() {
    std::vector<std::uint32_t> closing;
    closing.swap(pendingClose);
    for (std::uint32_t windowId : closing) {
        destroyWindow(windowId);
    }
}

AppWindow* GuiEngine::findWindow(std::uint32_t windowId) const {
    auto found = windows.find(windowId);
    return found == windows.end() ? nullptr : found->second;
}

AppWindow* GuiEngine::activeWindow() const {
    return findWindow(activeWindowId);
}

std::vector<AppWindow*> GuiEngine::windowList() const {
    std::vector<AppWindow*> list;
    list.reserve(windowOrder_.size());
    for (const auto& window : windowOrder_) {
        list.push_back(window.get());
    }
    return list;
}

void GuiEngine::resizeBackingStore(AppWindow* window, int width, int height) {
    if (window == nullptr || width < 1 || height < 1 ||
        (width == window->width && height == window->height)) {
        return;
    }
    window->cairo.reset();
    window->surface.reset();
    window->pixels.reset(static_cast<unsigned char*>(
        std::calloc(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4, 1)));
    window->surface.reset(cairo_image_surface_create_for_data(
        window->pixels.get(), CAIRO_FORMAT_ARGB32, width, height, width * 4));
    window->cairo.reset(cairo_create(window->surface.get()));
    window->width = width;
    window->height = height;
    SDL_RenderSetLogicalSize(window->renderer.get(), width, height);
}

void GuiEngine::centerOnMainWindow(int& x, int& y, int width, int height) const {
    if (mainWindow == nullptr || !mainWindow->sdlWindow) {
        return;
    }
    SDL_Window* main = mainWindow->sdlWindow.get();
    int mainX = 0;
    int mainY = 0;
    int mainW = 0;
    int mainH = 0;
    SDL_GetWindowPosition(main, &mainX, &mainY);
    SDL_GetWindowSize(main, &mainW, &mainH);
    int centredX = mainX + (mainW - width) / 2;
    int centredY = mainY + (mainH - height) / 2;
    SDL_Rect usable{};
    int display = SDL_GetWindowDisplayIndex(main);
    if (display >= 0 && SDL_GetDisplayUsableBounds(display, &usable) == 0 && usable.w > 0 &&
        usable.h > 0) {
        centredX = std::max(usable.x, std::min(centredX, usable.x + usable.w - width));
        centredY = std::max(usable.y, std::min(centredY, usable.y + usable.h - height));
    }
    if (isCentredPosition(x)) {
        x = centredX;
    }
    if (isCentredPosition(y)) {
        y = centredY;
    }
}

void GuiEngine::makeModalForMainWindow(AppWindow* window) {
    if (window == nullptr || mainWindow == nullptr || window == mainWindow) {
        return;
    }
    SDL_SetWindowModalFor(window->sdlWindow.get(), mainWindow->sdlWindow.get());
}

void GuiEngine::toggleFullscreen() {
    if (mainWindow == nullptr || !mainWindow->sdlWindow) {
        return;
    }
    SDL_Window* main = mainWindow->sdlWindow.get();
    const std::uint32_t flags = SDL_GetWindowFlags(main);
    const bool fullscreen =
        (flags & SDL_WINDOW_FULLSCREEN_DESKTOP) == SDL_WINDOW_FULLSCREEN_DESKTOP;
    if (SDL_SetWindowFullscreen(main, fullscreen ? 0 : SDL_WINDOW_FULLSCREEN_DESKTOP) != 0) {
        SDL_Log(guiText("Could not switch window mode: %s"), SDL_GetError());
    }
}

void GuiEngine::setModal(GuiObject* object) {
    savedTextFocus = textFocus;
    textFocus = nullptr;
    modalObject = object;
    GuiWindow* modalWindow = object != nullptr ? object->ownerWindow() : nullptr;
    for (AppWindow* window : windowList()) {
        if (window->root && window->root.get() != modalWindow) {
            window->root->cancelCapture();
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Textures given up by controls

void GuiEngine::releaseTextureLater(SDL_Renderer* renderer, SDL_Texture* texture) {
    releaseTextureLater(renderer, SdlTexturePtr(texture));
}

void GuiEngine::releaseTextureLater(SDL_Renderer* renderer, SdlTexturePtr texture) {
    if (!texture || renderer == nullptr) {
        return; // without a renderer to wait for, the texture goes now
    }
    TextureRing& ring = deferredTextureRelease_[renderer];
    ring.slots[static_cast<std::size_t>(ring.current)].push_back(std::move(texture));
}

std::size_t GuiEngine::pendingTextureCount(SDL_Renderer* renderer) const {
    auto found = deferredTextureRelease_.find(renderer);
    if (found == deferredTextureRelease_.end()) {
        return 0;
    }
    std::size_t count = 0;
    for (const auto& slot : found->second.slots) {
        count += slot.size();
    }
    return count;
}

void GuiEngine::advanceTextureRing(SDL_Renderer* renderer) {
    auto found = deferredTextureRelease_.find(renderer);
    if (found == deferredTextureRelease_.end()) {
        return;
    }
    TextureRing& ring = found->second;
    ring.current = (ring.current + 1) % textureReleaseDelay;
    ring.slots[static_cast<std::size_t>(ring.current)].clear();
}

// ---------------------------------------------------------------------------------------------
// The main loop

std::uint32_t GuiEngine::frameTicks() const {
    return fixedTicks_ ? *fixedTicks_ : SDL_GetTicks();
}

void GuiEngine::run() {
    std::setlocale(LC_ALL, "");
    bindTextDomain();
    SDL_Event discarded;
    SDL_PollEvent(&discarded);
    const std::uint32_t frameTime =
        framesPerSecond > 0 ? 1000u / static_cast<std::uint32_t>(framesPerSecond) : 0u;
    while (!stopped) {
        const std::uint32_t start = SDL_GetTicks();
        runFrame();
        const std::uint32_t elapsed = SDL_GetTicks() - start;
        if (elapsed < frameTime) {
            SDL_Delay(frameTime - elapsed);
        }
    }
    deferredTextureRelease_.clear();
    SDL_StopTextInput();
    textInputStarted_ = false;
}

void GuiEngine::runFrame() {
    fixedTicks_.reset();
    frameBody();
}

void GuiEngine::runFrame(std::uint32_t ticks) {
    fixedTicks_ = ticks;
    frameBody();
}

void GuiEngine::frameBody() {
    SDL_Event event;
    if (pollEvent(event)) {
        routeEvent(event);
        destroyPendingWindows();
        // SDL hands the dropped name over to whoever polls the event.
        if (event.type == SDL_DROPFILE || event.type == SDL_DROPTEXT) {
            SDL_free(event.drop.file);
        }
    }
    if (quitRequested) {
        sendCloseToAllWindows();
        stopped = true;
    }
    for (AppWindow* window : windowList()) {
        if (findWindow(window->id) != window) {
            continue; // destroyed while an earlier window was drawn
        }
        int w = 0;
        int h = 0;
        SDL_GetWindowSize(window->sdlWindow.get(), &w, &h);
        if (w > 0 && h > 0 && (w != window->width || h != window->height)) {
            resizeBackingStore(window, w, h);
            window->root->layout(window->renderer.get(), w, h);
        }
        SDL_Renderer* renderer = window->renderer.get();
        drawWindow(window);
        advanceTextureRing(renderer);
    }
}

void GuiEngine::drawWindow(AppWindow* window) {
    window->root->update(frameTicks());
    if (!window->root->needsRepaint()) {
        return;
    }
    window->root->paint(window->renderer.get());
    SDL_RenderPresent(window->renderer.get());
}

void GuiEngine::handleEvent(AppWindow* window, GuiEvent* event) {
    if (window == nullptr || !window->root) {
        return;
    }
    if (event->kind == GuiEventCommand) {
        auto* dialog = dynamic_cast<GuiDialog*>(window->root.get());
        if (dialog != nullptr && event->source != dialog) {
            dialog->dispatchCommand(event);
        }
        return;
    }
    window->root->handleEvent(event);
}

void GuiEngine::sendCloseToAllWindows() {
    for (AppWindow* window : windowList()) {
        SDL_Event close{};
        close.type = SDL_WINDOWEVENT;
        close.window.event = SDL_WINDOWEVENT_CLOSE;
        GuiEvent event;
        event.sdlEvent = &close;
        event.targetId = -1;
        handleEvent(window, &event);
    }
}

bool GuiEngine::pollEvent(SDL_Event& event) {
    if (SDL_PollEvent(&event) == 0) {
        return false;
    }
    if (event.type == SDL_MOUSEMOTION) {
        // Only where the pointer ended up matters; a backlog of motions would lag the frames.
        SDL_Event later;
        while (SDL_PeepEvents(&later, 1, SDL_GETEVENT, SDL_MOUSEMOTION, SDL_MOUSEMOTION) > 0) {
            event = later;
        }
    }
    return true;
}

void GuiEngine::routeEvent(SDL_Event& event) {
    if (event.type == SDL_WINDOWEVENT) {
        switch (event.window.event) {
        case SDL_WINDOWEVENT_CLOSE:
            // Closing any window ends the program; the window itself sees a neutral event.
            event.window.event = SDL_WINDOWEVENT_NONE;
            quitRequested = true;
            break;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            if (AppWindow* window = findWindow(event.window.windowID)) {
                resizeBackingStore(window, event.window.data1, event.window.data2);
                window->root->layout(window->renderer.get(), event.window.data1,
                                     event.window.data2);
            }
            break;
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            activeWindowId = event.window.windowID;
            break;
        default:
            break;
        }
    } else if (event.type == SDL_MOUSEBUTTONDOWN) {
        activeWindowId = event.button.windowID;
    }
    if (activeWindowId == 0) {
        if (SDL_Window* focused = SDL_GetKeyboardFocus()) {
            activeWindowId = SDL_GetWindowID(focused);
        }
    }
    std::uint32_t windowId = eventWindowId(event);
    if (windowId == 0) {
        windowId = activeWindowId;
    }
    if (handleGlobalKeys(event, windowId)) {
        return;
    }
    if (event.type == SDL_QUIT) {
        // A quit request (the last window closed, SIGTERM) ends the loop even when a window is
        // there to see it: no window ever answers it itself.
        quitRequested = true;
    }
    if (AppWindow* window = findWindow(windowId)) {
        GuiEvent routed;
        routed.kind = GuiEventSdl;
        routed.windowId = windowId;
        routed.sdlEvent = &event;
        routed.targetId = -1;
        handleEvent(window, &routed);
    }
}

bool GuiEngine::handleGlobalKeys(const SDL_Event& event, std::uint32_t windowId) {
    constexpr std::uint16_t anyModifier = KMOD_SHIFT | KMOD_CTRL | KMOD_ALT | KMOD_GUI;
    if (event.type != SDL_KEYDOWN || fullscreenKey == 0 || event.key.keysym.sym != fullscreenKey ||
        (event.key.keysym.mod & anyModifier) != 0 || mainWindow == nullptr ||
        windowId != mainWindow->id || modalObject != nullptr) {
        return false;
    }
    if (event.key.repeat == 0) {
        toggleFullscreen();
    }
    return true;
}
