#ifndef TRAKMOOR_GUI_GUIWINDOW_H
#define TRAKMOOR_GUI_GUIWINDOW_H

// The root of one SDL window: owns its controls, routes the events the application hands to it,
// keeps focus, mouse capture, hover, popups and the tooltip, paints controls through per-control
// texture caches, and turns control actions into commands for the engine.

#include "gui/GuiObject.h"

#include <memory>
#include <vector>

class GuiWindow : public GuiObject {
public:
    // Whether controls are painted through their cache textures.  Automatic caches except on the
    // software renderer; the other two settle it either way.
    enum class CacheMode { Automatic, Always, Never };

    static constexpr int resizeCacheHoldFrames = 15;
    static constexpr std::uint32_t tooltipDelayMs = 500;

    GuiWindow(GuiObject* parent, int id, int x, int y, int width, int height, std::uint32_t colour);
    ~GuiWindow() override;

    // Takes ownership of `child` and places it relative to this window.
    template <class T> T* add(std::unique_ptr<T> child) {
        T* raw = child.get();
        adopt(std::unique_ptr<GuiObject>(std::move(child)));
        return raw;
    }
    void setPosition(int newX, int newY);
    void setFocus(GuiObject* control);

    // Opens `control`, which must already be a child, as the topmost popup.
    void openPopup(GuiObject* control);
    template <class T> T* openPopup(std::unique_ptr<T> control) {
        T* raw = add(std::move(control));
        openPopup(raw);
        return raw;
    }
    void closeTopPopup();
    void closeAllPopups();
    void closePopupsAbove(GuiObject* control);

    // Sends a command to the engine's handleEvent now; dropped while another object is modal.
    void postEvent(int code, int commandId, int data, GuiObject* source);
    // The topmost child containing the point, with the point relative to it.
    GuiObject* childAt(int px, int py, int* localX = nullptr, int* localY = nullptr) const;
    void cancelCapture();
    bool isChild(const GuiObject* control) const;
    // Deletes the controls scheduled with deleteLater and clears every pointer to them.
    void deletePending();
    void scheduleDelete(GuiObject* control);

    GuiObject* findByName(const std::string& wanted) override;
    bool findPart(const std::string& partName, GuiObject*& owner, SDL_Rect& rect) override;
    GuiObject* hitTest(int px, int py) override;
    const char* className() const override { return "GuiWindow"; }
    void update(std::uint32_t ticks) override;
    void paint(SDL_Renderer* renderer) override;
    void layout(SDL_Renderer* renderer, int newWidth, int newHeight) override;
    void handleEvent(GuiEvent* event) override;
    // Whether a paint would show anything new: a control was invalidated, an event arrived, the
    // size or the tooltip changed since the last paint.  An idle window is not repainted.
    bool needsRepaint() const;
    void requestRepaint() { repaintRequested = true; }

    std::vector<std::unique_ptr<GuiObject>> children;
    std::vector<GuiObject*> pendingDelete;
    AppWindow* appWindow = nullptr;
    GuiObject* focus = nullptr;
    GuiObject* capture = nullptr;
    GuiObject* hover = nullptr;
    std::vector<GuiObject*> popups;
    GuiObject* activePopup = nullptr;
    GuiObject* lastPopup = nullptr;
    GuiEngine* engine = nullptr;
    SdlTexturePtr windowCache;
    CacheMode cacheMode = CacheMode::Automatic;
    bool cacheChecked = false;
    bool cacheSupported = true;
    int cacheHoldFrames = 0;
    GuiObject* tooltipObject = nullptr;
    std::uint32_t tooltipSince = 0;
    bool tooltipVisible = false;
    int mouseX = 0;
    int mouseY = 0;
    bool repaintRequested = true;

protected:
    void deliver(GuiObject* control, GuiEvent* event, int px, int py);
    void updateTooltipState(std::uint32_t ticks);
    void deliver(GuiObject* control, GuiEvent* event);

private:
    void adopt(std::unique_ptr<GuiObject> child);
    void handleMouseMotion(GuiEvent* event, int px, int py);
    void handleButtonDown(GuiEvent* event, int px, int py);
    void handleButtonUp(GuiEvent* event, int px, int py);
    void handleWheel(GuiEvent* event);
    void clearHover();
    bool cachingThisFrame(SDL_Renderer* renderer);
    void paintCached(SDL_Renderer* renderer, GuiObject* child);
    void updateTooltip(std::uint32_t ticks);
    void paintTooltip(SDL_Renderer* renderer);
    GuiObject* popupAt(int px, int py) const;
};

// The root of a dialog window.  Ends its modal state by accept or reject, which post the
// "modal closed" command with GuiModalAccepted or GuiModalCancelled.
class GuiDialog : public GuiWindow {
public:
    using GuiWindow::GuiWindow;

    virtual void accept();
    virtual void reject();
    // Commands from the dialog's controls other than its accept (id 1) and reject (id 0) buttons.
    virtual void onCommand(GuiEvent* event);
    // What an application does with a command posted inside the dialog: button 1 accepts,
    // button 0 rejects, anything else goes to onCommand.
    void dispatchCommand(GuiEvent* event);

private:
    void finish(int result);
};

#endif // TRAKMOOR_GUI_GUIWINDOW_H
