#include "gui/GuiWindow.h"

#include "gui/GuiEngine.h"
#include "gui/GuiPanels.h"
#include "gui/IEditable.h"

#include <algorithm>

namespace {

// Window coordinates of the mouse in an SDL event, if it has any.
bool eventPosition(const SDL_Event& event, int& px, int& py) {
    switch (event.type) {
    case SDL_MOUSEMOTION:
        px = event.motion.x;
        py = event.motion.y;
        return true;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        px = event.button.x;
        py = event.button.y;
        return true;
    case SDL_MOUSEWHEEL:
        px = event.wheel.mouseX;
        py = event.wheel.mouseY;
        return true;
    default:
        return false;
    }
}

SDL_Point textureSize(SDL_Texture* texture) {
    SDL_Point size{0, 0};
    if (texture != nullptr) {
        SDL_QueryTexture(texture, nullptr, nullptr, &size.x, &size.y);
    }
    return size;
}

} // namespace

GuiWindow::GuiWindow(GuiObject* parent, int id, int x, int y, int width, int height,
                     std::uint32_t colour)
    : GuiObject(parent, id, x, y, width, height, colour) {}

GuiWindow::~GuiWindow() {
    focus = capture = hover = activePopup = lastPopup = tooltipObject = nullptr;
    popups.clear();
    pendingDelete.clear();
    // Children first: their cache textures go to the engine's ring through appWindow.
    children.clear();
    if (windowCache && engine != nullptr && appWindow != nullptr && appWindow->renderer) {
        engine->releaseTextureLater(appWindow->renderer.get(), std::move(windowCache));
    }
}

// ---------------------------------------------------------------------------------------------
// Children, focus, popups

void GuiWindow::adopt(std::unique_ptr<GuiObject> child) {
    if (!child) {
        return;
    }
    GuiObject* raw = child.get();
    raw->x += x;
    raw->y += y;
    raw->parent = this;
    raw->window = this;
    children.push_back(std::move(child));
    raw->attached();
}

void GuiWindow::setPosition(int newX, int newY) {
    if (newX != -1) {
        x = newX;
    }
    if (newY != -1) {
        y = newY;
    }
    for (auto& child : children) {
        child->x = child->baseX + x;
        child->y = child->baseY + y;
    }
}

void GuiWindow::setFocus(GuiObject* control) {
    if (control == focus) {
        return;
    }
    if (focus != nullptr) {
        focus->hasFocus = 0;
        focus->focusLost();
        focus->invalidate();
    }
    for (auto& child : children) {
        child->hasFocus = 0;
    }
    focus = control;
    if (control != nullptr) {
        control->hasFocus = 1;
        control->invalidate();
    }
    if (engine != nullptr) {
        engine->textFocus = control != nullptr ? dynamic_cast<IEditable*>(control) : nullptr;
    }
}

bool GuiWindow::isChild(const GuiObject* control) const {
    return std::any_of(children.begin(), children.end(),
                       [control](const auto& child) { return child.get() == control; });
}

void GuiWindow::openPopup(GuiObject* control) {
    if (control == nullptr || !isChild(control)) {
        return; // the window owns its popups; add the control first
    }
    SDL_StopTextInput();
    control->parent = this;
    popups.push_back(control);
    activePopup = lastPopup = control;
}

void GuiWindow::closeTopPopup() {
    if (popups.empty()) {
        return;
    }
    GuiObject* top = popups.back();
    popups.pop_back();
    scheduleDelete(top);
    activePopup = lastPopup = popups.empty() ? nullptr : popups.back();
    // Opening a popup stops text input; once the last one is gone, text fields need it back.
    if (popups.empty()) {
        SDL_StartTextInput();
    }
}

void GuiWindow::closeAllPopups() {
    while (!popups.empty()) {
        closeTopPopup();
    }
    SDL_StartTextInput();
}

void GuiWindow::closePopupsAbove(GuiObject* control) {
    while (!popups.empty() && popups.back() != control) {
        closeTopPopup();
    }
}

GuiObject* GuiWindow::popupAt(int px, int py) const {
    for (auto it = popups.rbegin(); it != popups.rend(); ++it) {
        if ((*it)->contains(px, py)) {
            return *it;
        }
    }
    return nullptr;
}

GuiObject* GuiWindow::childAt(int px, int py, int* localX, int* localY) const {
    for (auto it = children.rbegin(); it != children.rend(); ++it) {
        GuiObject* child = it->get();
        if (child->contains(px, py)) {
            if (localX != nullptr) {
                *localX = px - child->x;
            }
            if (localY != nullptr) {
                *localY = py - child->y;
            }
            return child;
        }
    }
    return nullptr;
}

void GuiWindow::postEvent(int code, int commandId, int data, GuiObject* source) {
    if (engine == nullptr) {
        return;
    }
    if (engine->modalObject != nullptr && engine->modalObject != this) {
        return; // another window is modal: its owner must not act on this one's controls
    }
    GuiEvent event;
    event.kind = GuiEventCommand;
    event.windowId = appWindow != nullptr ? appWindow->id : 0;
    event.code = code;
    event.id = commandId;
    event.data = data;
    event.source = source != nullptr ? source : this;
    event.targetId = -1;
    engine->handleEvent(appWindow, &event);
}

void GuiWindow::cancelCapture() {
    if (capture == nullptr) {
        return;
    }
    SDL_Event release{};
    release.type = SDL_MOUSEBUTTONUP;
    release.button.button = SDL_BUTTON_LEFT;
    release.button.state = SDL_RELEASED;
    release.button.x = -1;
    release.button.y = -1;
    release.button.windowID = appWindow != nullptr ? appWindow->id : 0;
    GuiEvent event;
    event.windowId = release.button.windowID;
    event.sdlEvent = &release;
    GuiObject* held = capture;
    capture = nullptr;
    deliver(held, &event, -1, -1);
}

void GuiWindow::scheduleDelete(GuiObject* control) {
    if (control != nullptr &&
        std::find(pendingDelete.begin(), pendingDelete.end(), control) == pendingDelete.end()) {
        pendingDelete.push_back(control);
    }
}

void GuiWindow::deletePending() {
    while (!pendingDelete.empty()) {
        std::vector<GuiObject*> doomed;
        doomed.swap(pendingDelete);
        for (GuiObject* control : doomed) {
            for (GuiObject** pointer :
                 {&focus, &hover, &capture, &activePopup, &lastPopup, &tooltipObject}) {
                if (*pointer == control) {
                    *pointer = nullptr;
                }
            }
            auto popup = std::find(popups.begin(), popups.end(), control);
            if (popup != popups.end()) {
                popups.erase(popup);
                activePopup = lastPopup = popups.empty() ? nullptr : popups.back();
            }
            if (engine != nullptr) {
                IEditable* editable = dynamic_cast<IEditable*>(control);
                if (editable != nullptr && engine->textFocus == editable) {
                    engine->textFocus = nullptr;
                }
                if (editable != nullptr && engine->savedTextFocus == editable) {
                    engine->savedTextFocus = nullptr;
                }
                if (engine->modalObject == control) {
                    engine->modalObject = nullptr;
                }
            }
            auto owned =
                std::find_if(children.begin(), children.end(),
                             [control](const auto& child) { return child.get() == control; });
            if (owned != children.end()) {
                // Moved out first so that the list is consistent while the destructor runs.
                std::unique_ptr<GuiObject> victim = std::move(*owned);
                children.erase(owned);
            }
        }
    }
}

GuiObject* GuiWindow::findByName(const std::string& wanted) {
    if (GuiObject* self = GuiObject::findByName(wanted)) {
        return self;
    }
    for (auto& child : children) {
        if (GuiObject* found = child->findByName(wanted)) {
            return found;
        }
    }
    return nullptr;
}

bool GuiWindow::findPart(const std::string& partName, GuiObject*& owner, SDL_Rect& rect) {
    for (auto it = popups.rbegin(); it != popups.rend(); ++it) {
        if ((*it)->findPart(partName, owner, rect)) {
            return true;
        }
    }
    for (auto& child : children) {
        if (child->findPart(partName, owner, rect)) {
            return true;
        }
    }
    return false;
}

GuiObject* GuiWindow::hitTest(int px, int py) {
    if (GuiObject* child = childAt(px, py)) {
        return child->hitTest(px, py);
    }
    return contains(px, py) ? this : nullptr;
}

// ---------------------------------------------------------------------------------------------
// Event routing

void GuiWindow::deliver(GuiObject* control, GuiEvent* event) {
    event->target = control;
    event->targetId = control->id;
    control->handleEvent(event);
}

void GuiWindow::deliver(GuiObject* control, GuiEvent* event, int px, int py) {
    event->localX = px - control->x;
    event->localY = py - control->y;
    deliver(control, event);
}

void GuiWindow::handleEvent(GuiEvent* event) {
    if (event == nullptr || event->sdlEvent == nullptr) {
        return;
    }
    // Hover, presses and exposure all may change what shows.
    repaintRequested = true;
    const SDL_Event& sdl = *event->sdlEvent;
    int px = 0;
    int py = 0;
    eventPosition(sdl, px, py);
    if (sdl.type == SDL_WINDOWEVENT) {
        if (sdl.window.event == SDL_WINDOWEVENT_FOCUS_LOST) {
            closeAllPopups();
            clearHover();
        }
        for (std::size_t i = 0; i < children.size(); ++i) {
            children[i]->handleEvent(event);
        }
    } else if (activePopup != nullptr) {
        switch (sdl.type) {
        case SDL_KEYDOWN:
        case SDL_KEYUP:
        case SDL_TEXTEDITING:
        case SDL_TEXTINPUT:
        case SDL_MOUSEWHEEL:
            deliver(activePopup, event, px, py);
            break;
        case SDL_MOUSEMOTION:
            mouseX = px;
            mouseY = py;
            if (GuiObject* top = popupAt(px, py)) {
                activePopup = lastPopup = top;
            }
            deliver(activePopup, event, px, py);
            break;
        case SDL_MOUSEBUTTONUP:
            // A release always ends a capture, even one taken by the press that opened the popup.
            capture = nullptr;
            deliver(activePopup, event, px, py);
            break;
        case SDL_MOUSEBUTTONDOWN:
            handleButtonDown(event, px, py);
            break;
        default:
            if (focus != nullptr) {
                deliver(focus, event);
            }
            break;
        }
    } else {
        switch (sdl.type) {
        case SDL_MOUSEMOTION:
            handleMouseMotion(event, px, py);
            break;
        case SDL_MOUSEBUTTONDOWN:
            handleButtonDown(event, px, py);
            break;
        case SDL_MOUSEBUTTONUP:
            handleButtonUp(event, px, py);
            break;
        case SDL_MOUSEWHEEL:
            handleWheel(event);
            break;
        default:
            if (focus != nullptr) {
                deliver(focus, event);
            }
            break;
        }
    }
    deletePending();
}

void GuiWindow::clearHover() {
    if (hover != nullptr) {
        GuiObject* left = hover;
        hover = nullptr;
        left->mouseLeave();
        left->invalidate();
    }
}

void GuiWindow::handleMouseMotion(GuiEvent* event, int px, int py) {
    mouseX = px;
    mouseY = py;
    if (capture != nullptr) {
        deliver(capture, event, px, py);
        return;
    }
    int localX = 0;
    int localY = 0;
    GuiObject* under = childAt(px, py, &localX, &localY);
    if (under == nullptr) {
        clearHover();
        return;
    }
    if (under != hover) {
        clearHover();
        hover = under;
        under->mouseEnter(localX, localY);
        under->invalidate();
    }
    deliver(under, event, px, py);
}

void GuiWindow::handleButtonDown(GuiEvent* event, int px, int py) {
    tooltipVisible = false;
    tooltipSince = nowTicks();
    if (!popups.empty() && popupAt(px, py) == nullptr) {
        closeAllPopups();
        deletePending();
    }
    if (activePopup != nullptr) {
        deliver(activePopup, event, px, py);
        return;
    }
    GuiObject* under = childAt(px, py);
    if (under == nullptr) {
        return;
    }
    setFocus(under);
    capture = under;
    deliver(under, event, px, py);
}

void GuiWindow::handleButtonUp(GuiEvent* event, int px, int py) {
    if (capture != nullptr) {
        GuiObject* held = capture;
        capture = nullptr;
        deliver(held, event, px, py);
    } else if (focus != nullptr) {
        deliver(focus, event, px, py);
    }
}

void GuiWindow::handleWheel(GuiEvent* event) {
    const SDL_MouseWheelEvent& wheel = event->sdlEvent->wheel;
    GuiObject* under = childAt(wheel.mouseX, wheel.mouseY);
    GuiObject* target = under != nullptr ? under->wheelTarget(wheel.mouseX, wheel.mouseY) : nullptr;
    if (target != nullptr) {
        deliver(target, event, wheel.mouseX, wheel.mouseY);
    } else if (focus != nullptr) {
        deliver(focus, event, wheel.mouseX, wheel.mouseY);
    }
}

// ---------------------------------------------------------------------------------------------
// Update, layout, tooltips

void GuiWindow::update(std::uint32_t ticks) {
    for (std::size_t i = 0; i < children.size(); ++i) {
        children[i]->update(ticks);
    }
    updateTooltip(ticks);
}

void GuiWindow::updateTooltip(std::uint32_t ticks) {
    const bool wasVisible = tooltipVisible;
    const GuiObject* wasShowing = tooltipObject;
    updateTooltipState(ticks);
    if (tooltipVisible != wasVisible || (tooltipVisible && tooltipObject != wasShowing)) {
        repaintRequested = true;
    }
}

void GuiWindow::updateTooltipState(std::uint32_t ticks) {
    if (!popups.empty() || activePopup != nullptr || capture != nullptr || hover == nullptr) {
        if (tooltipVisible) {
            tooltipVisible = false;
            tooltipSince = ticks;
        }
        if (hover == nullptr) {
            tooltipObject = nullptr; // entering again starts the wait anew
        }
        return;
    }
    GuiObject* candidate = hover->tooltipTarget();
    if (candidate != tooltipObject) {
        tooltipObject = candidate;
        tooltipSince = ticks;
        tooltipVisible = false;
    }
    if (candidate == nullptr || candidate->tooltip.empty()) {
        tooltipVisible = false;
        return;
    }
    if (ticks - tooltipSince >= tooltipDelayMs) {
        tooltipVisible = true;
    }
}

void GuiWindow::paintTooltip(SDL_Renderer* renderer) {
    if (!tooltipVisible || tooltipObject == nullptr || tooltipObject->tooltip.empty() ||
        engine == nullptr) {
        return;
    }
    TTF_Font* font = engine->defaultFont();
    const std::string& text = tooltipObject->tooltip;
    SDL_Point size = textSize(font, text);
    SDL_Rect box{mouseX + 14, mouseY + 18, size.x + 12, size.y + 6};
    if (box.x + box.w > width) {
        box.x = width - box.w;
    }
    if (box.y + box.h > height) {
        box.y = height - box.h;
    }
    box.x = std::max(box.x, 0);
    box.y = std::max(box.y, 0);
    SDL_SetRenderDrawColor(renderer, 255, 255, 225, 255);
    SDL_RenderFillRect(renderer, &box);
    SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
    SDL_RenderDrawRect(renderer, &box);
    drawString(renderer, font, text, box.x + 6, box.y + 3);
}

void GuiWindow::layout(SDL_Renderer* renderer, int newWidth, int newHeight) {
    const int oldWidth = width;
    const int oldHeight = height;
    width = newWidth;
    height = newHeight;
    repaintRequested = true;
    for (std::size_t i = 0; i < children.size(); ++i) {
        auto* panel = dynamic_cast<GuiCairoPanel*>(children[i].get());
        if (panel == nullptr || (!panel->stretchWidth && !panel->stretchHeight)) {
            continue;
        }
        int panelWidth = panel->width;
        int panelHeight = panel->height;
        if (panel->stretchWidth) {
            const int rightMargin = oldWidth - (panel->x + panel->width);
            panelWidth = std::max(newWidth - panel->x - rightMargin, 1);
        }
        if (panel->stretchHeight) {
            const int bottomMargin = oldHeight - (panel->y + panel->height);
            panelHeight = std::max(newHeight - panel->y - bottomMargin, 1);
        }
        if (panelWidth != panel->width || panelHeight != panel->height) {
            panel->layout(renderer, panelWidth, panelHeight);
        }
    }
    cacheHoldFrames = resizeCacheHoldFrames;
}

// ---------------------------------------------------------------------------------------------
// Painting

bool GuiWindow::cachingThisFrame(SDL_Renderer* renderer) {
    // The hold after a resize runs out on every renderer: one that never caches would otherwise
    // keep it, and with it needsRepaint, standing for good.
    const bool holding = cacheHoldFrames > 0;
    if (holding) {
        --cacheHoldFrames;
    }
    if (cacheMode == CacheMode::Never || holding) {
        return false;
    }
    if (cacheMode == CacheMode::Automatic) {
        if (!cacheChecked) {
            cacheChecked = true;
            SDL_RendererInfo info;
            if (SDL_GetRendererInfo(renderer, &info) == 0) {
                cacheSupported = (info.flags & SDL_RENDERER_SOFTWARE) == 0;
            }
        }
        if (!cacheSupported) {
            return false;
        }
    }
    SDL_Point size = textureSize(windowCache.get());
    if (windowCache && (size.x != width || size.y != height)) {
        if (engine != nullptr) {
            engine->releaseTextureLater(renderer, std::move(windowCache));
        }
        windowCache.reset();
    }
    if (!windowCache) {
        windowCache.reset(SDL_CreateTexture(renderer, SDL_PIXELFORMAT_RGBA8888,
                                            SDL_TEXTUREACCESS_TARGET, width, height));
        if (windowCache) {
            SDL_SetTextureBlendMode(windowCache.get(), SDL_BLENDMODE_NONE);
        }
    }
    return windowCache != nullptr;
}

void GuiWindow::paintCached(SDL_Renderer* renderer, GuiObject* child) {
    SDL_Point size = textureSize(child->cacheTexture.get());
    if (child->cacheTexture && (size.x != child->width || size.y != child->height)) {
        if (engine != nullptr) {
            engine->releaseTextureLater(renderer, std::move(child->cacheTexture));
        }
        child->cacheTexture.reset();
    }
    if (!child->cacheTexture && child->width > 0 && child->height > 0) {
        child->cacheTexture.reset(SDL_CreateTexture(renderer, SDL_PIXELFORMAT_RGBA8888,
                                                    SDL_TEXTUREACCESS_TARGET, child->width,
                                                    child->height));
        if (child->cacheTexture) {
            SDL_SetTextureBlendMode(child->cacheTexture.get(), SDL_BLENDMODE_BLEND);
        }
        child->dirty = 1;
    }
    const bool inside = child->x >= 0 && child->y >= 0 && child->x + child->width <= width &&
                        child->y + child->height <= height;
    if (!child->cacheTexture || !inside) {
        // Without a cache the control would vanish; painting it directly keeps it visible.
        child->paint(renderer);
        return;
    }
    SDL_Rect rect{child->x, child->y, child->width, child->height};
    if (child->dirty) {
        SDL_SetRenderTarget(renderer, windowCache.get());
        SDL_SetRenderDrawBlendMode(renderer, SDL_BLENDMODE_NONE);
        SDL_SetRenderDrawColor(renderer, 0, 0, 0, 0);
        SDL_RenderFillRect(renderer, &rect);
        SDL_SetRenderDrawBlendMode(renderer, SDL_BLENDMODE_BLEND);
        child->paint(renderer);
        SDL_SetRenderTarget(renderer, child->cacheTexture.get());
        SDL_RenderCopy(renderer, windowCache.get(), &rect, nullptr);
        SDL_SetRenderTarget(renderer, nullptr);
        child->dirty = 0;
    }
    SDL_RenderCopy(renderer, child->cacheTexture.get(), nullptr, &rect);
}

void GuiWindow::paint(SDL_Renderer* renderer) {
    SDL_SetRenderDrawBlendMode(renderer, SDL_BLENDMODE_NONE);
    SDL_SetRenderDrawColor(renderer, colour.r, colour.g, colour.b, colour.a);
    SDL_RenderFillRect(renderer, nullptr);
    SDL_SetRenderDrawBlendMode(renderer, SDL_BLENDMODE_BLEND);
    const bool caching = cachingThisFrame(renderer);
    for (std::size_t i = 0; i < children.size(); ++i) {
        GuiObject* child = children[i].get();
        if (caching && child->isCached()) {
            paintCached(renderer, child);
        } else {
            child->paint(renderer);
            child->markPainted();
        }
    }
    paintTooltip(renderer);
    repaintRequested = false;
    dirty = 0;
}

bool GuiWindow::needsRepaint() const {
    if (repaintRequested || dirty != 0 || cacheHoldFrames > 0) {
        return true;
    }
    return std::any_of(children.begin(), children.end(),
                       [](const auto& child) { return child->dirty != 0; });
}

// ---------------------------------------------------------------------------------------------
// Dialogs

void GuiDialog::accept() {
    finish(GuiModalAccepted);
}
void GuiDialog::reject() {
    finish(GuiModalCancelled);
}
void GuiDialog::onCommand(GuiEvent*) {}

void GuiDialog::dispatchCommand(GuiEvent* event) {
    if (event->code == GuiCmdButton && event->id == 1) {
        accept();
    } else if (event->code == GuiCmdButton && event->id == 0) {
        reject();
    } else {
        onCommand(event);
    }
}

void GuiDialog::finish(int result) {
    GuiEngine* owner = engine;
    if (owner == nullptr || owner->modalObject != this) {
        return;
    }
    owner->modalObject = nullptr;
    // Restored before the command goes out: its handler may close this dialog or open another.
    owner->textFocus = owner->savedTextFocus;
    postEvent(GuiCmdModalClosed, result, 0, this);
}
