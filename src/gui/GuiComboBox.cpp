#include "gui/GuiComboBox.h"

#include "gui/GuiEngine.h"
#include "gui/GuiScrollingRows.h"
#include "gui/GuiWindow.h"

#include <SDL_image.h>

#include <algorithm>
#include <unordered_map>

// ---------------------------------------------------------------------------------------------
// The arrow picture, one texture per renderer
// ---------------------------------------------------------------------------------------------

namespace {

const char* const kArrowXpm[] = {
    "9 9 2 1",   ". c None",  "# c #000000", ".........", "#########", ".#######.",
    "..#####..", "...###...", "....#....",   ".........", ".........", ".........",
};

std::unordered_map<SDL_Renderer*, SdlTexturePtr>& arrowCache() {
    static std::unordered_map<SDL_Renderer*, SdlTexturePtr> cache;
    return cache;
}

void forgetArrow(SDL_Renderer* renderer) {
    arrowCache().erase(renderer);
}

} // namespace

SDL_Texture* comboArrowTexture(SDL_Renderer* renderer) {
    auto& cache = arrowCache();
    if (auto found = cache.find(renderer); found != cache.end()) {
        return found->second.get();
    }
    GuiEngine::addRendererGoneHook(&forgetArrow);
    SdlSurfacePtr surface(IMG_ReadXPMFromArray(const_cast<char**>(kArrowXpm)));
    if (!surface) {
        SDL_Log("IMG_ReadXPMFromArray failed: %s", SDL_GetError());
        return nullptr;
    }
    SdlTexturePtr texture(SDL_CreateTextureFromSurface(renderer, surface.get()));
    if (!texture) {
        SDL_Log("SDL_CreateTextureFromSurface failed: %s", SDL_GetError());
        return nullptr;
    }
    SDL_SetTextureBlendMode(texture.get(), SDL_BLENDMODE_BLEND);
    return cache.emplace(renderer, std::move(texture)).first->second.get();
}

std::size_t comboArrowCacheSize() {
    return arrowCache().size();
}

// ---------------------------------------------------------------------------------------------
// GuiComboBox
// ---------------------------------------------------------------------------------------------

GuiComboBox::GuiComboBox(GuiObject* parent, int id, int x, int y, int width, int height,
                         std::uint32_t colour, SDL_Color textColour, TTF_Font* font,
                         int dropDownHeight)
    : GuiObject(parent, id, x, y, width, height, colour), backgroundColour(guiColour(colour)),
      textColour(textColour), dropDownHeight(dropDownHeight), font_(font),
      packedBackground_(colour), self_(std::make_shared<GuiComboBox*>(this)) {}

GuiComboBox::~GuiComboBox() {
    *self_ = nullptr;
}

int GuiComboBox::addItem(int value, std::string text) {
    items_.push_back({value, std::move(text)});
    if (selectedIndex_ < 0) {
        selectedIndex_ = 0;
    }
    invalidate();
    return static_cast<int>(items_.size()) - 1;
}

void GuiComboBox::clear() {
    items_.clear();
    selectedIndex_ = -1;
    invalidate();
}

void GuiComboBox::select(int index, bool notify) {
    if (index < 0 || index >= static_cast<int>(items_.size())) {
        selectedIndex_ = -1;
        invalidate();
        return;
    }
    selectedIndex_ = index;
    invalidate();
    if (notify && window != nullptr) {
        window->postEvent(GuiCmdComboBoxChanged, id, items_[index].value, this);
    }
}

void GuiComboBox::selectByValue(int value, bool notify) {
    const auto found = std::find_if(items_.begin(), items_.end(),
                                    [&](const ComboItem& i) { return i.value == value; });
    if (found != items_.end()) {
        select(static_cast<int>(found - items_.begin()), notify);
    }
}

int GuiComboBox::selectedValue() const {
    return selectedIndex_ >= 0 ? items_[selectedIndex_].value : -1;
}

std::string GuiComboBox::selectedText() const {
    return selectedIndex_ >= 0 ? items_[selectedIndex_].text : std::string();
}

bool GuiComboBox::getValue(std::string& value) {
    value = selectedText();
    return true;
}

bool GuiComboBox::setValue(const std::string& value) {
    if (value.empty()) {
        select(-1, false);
        return true;
    }
    const auto found = std::find_if(items_.begin(), items_.end(),
                                    [&](const ComboItem& i) { return i.text == value; });
    if (found == items_.end()) {
        return false;
    }
    select(static_cast<int>(found - items_.begin()), true);
    return true;
}

// ---------------------------------------------------------------------------------------------
// Drop-down
// ---------------------------------------------------------------------------------------------

void GuiComboBox::openDropDown() {
    if (dropDownOpen_ || window == nullptr || items_.empty()) {
        return;
    }
    // As tall as the entries (up to dropDownHeight, then it scrolls), below the box, or above it
    // when it fits better there than inside the window's bottom edge.
    const int entries = static_cast<int>(items_.size()) * guiRowHeight(font_) + 2;
    const int below = window->y + window->height - (y + height);
    const int above = y - window->y;
    int listHeight = std::min(dropDownHeight, entries);
    int top = y + height - window->y;
    if (listHeight > below && above > below) {
        listHeight = std::min(listHeight, above);
        top = y - window->y - listHeight;
    } else {
        listHeight = std::max(std::min(listHeight, below), 1);
    }
    auto list = std::make_unique<GuiComboBoxDropDown>(window, id, x - window->x, top, width,
                                                      listHeight, packedBackground_, font_, self_);
    for (const ComboItem& item : items_) {
        list->addItem(item.value, item.text);
    }
    if (selectedIndex_ >= 0) {
        list->select(selectedIndex_);
    }
    list->hasFocus = 1;
    dropDown_ = window->openPopup(std::move(list));
    dropDownOpen_ = true;
    invalidate();
}

void GuiComboBox::closeDropDown() {
    if (!dropDownOpen_ || window == nullptr) {
        return;
    }
    closingDropDown_ = true;
    window->closePopupsAbove(dropDown_);
    if (!window->popups.empty() && window->popups.back() == dropDown_) {
        window->closeTopPopup();
    }
    closingDropDown_ = false;
    dropDownOpen_ = false;
    dropDown_ = nullptr;
    invalidate();
}

void GuiComboBox::dropDownGone(GuiComboBoxDropDown* list) {
    if (list != dropDown_) {
        return;
    }
    if (!closingDropDown_ && dropDownOpen_) {
        closedByOutsidePress_ = true;
    }
    dropDownOpen_ = false;
    dropDown_ = nullptr;
    invalidate();
}

void GuiComboBox::focusLost() {
    closeDropDown();
}

void GuiComboBox::update(std::uint32_t) {
    closedByOutsidePress_ = false;
}

// ---------------------------------------------------------------------------------------------
// Painting and input
// ---------------------------------------------------------------------------------------------

void GuiComboBox::paint(SDL_Renderer* renderer) {
    const SDL_Rect box{x, y, width, height};
    SDL_SetRenderDrawColor(renderer, backgroundColour.r, backgroundColour.g, backgroundColour.b,
                           backgroundColour.a);
    SDL_RenderFillRect(renderer, &box);
    SDL_SetRenderDrawColor(renderer, borderColour.r, borderColour.g, borderColour.b,
                           borderColour.a);
    SDL_RenderDrawRect(renderer, &box);

    const std::string text = selectedText();
    if (font_ != nullptr && !text.empty()) {
        SdlSurfacePtr surface(TTF_RenderUTF8_Blended(font_, text.c_str(), textColour));
        if (surface) {
            SdlTexturePtr texture(SDL_CreateTextureFromSurface(renderer, surface.get()));
            const int room = std::max(width - arrowWidth - 6, 0);
            const SDL_Rect source{0, 0, std::min(surface->w, room), surface->h};
            const SDL_Rect target{x + 3, y + (height - surface->h) / 2, source.w, source.h};
            if (texture && source.w > 0) {
                SDL_RenderCopy(renderer, texture.get(), &source, &target);
            }
            if (texture && engine() != nullptr) {
                engine()->releaseTextureLater(renderer, std::move(texture));
            }
        }
    }

    const SDL_Rect arrowArea = arrowRect();
    auto darker = [](Uint8 c) { return static_cast<Uint8>(std::max(c - 15, 0)); };
    SDL_SetRenderDrawColor(renderer, darker(backgroundColour.r), darker(backgroundColour.g),
                           darker(backgroundColour.b), backgroundColour.a);
    SDL_RenderFillRect(renderer, &arrowArea);
    SDL_SetRenderDrawColor(renderer, borderColour.r, borderColour.g, borderColour.b,
                           borderColour.a);
    SDL_RenderDrawLine(renderer, arrowArea.x, y, arrowArea.x, y + height - 1);

    const int availableW = arrowWidth - 4;
    const int availableH = height - 4;
    if (availableW < 1 || availableH < 1) {
        return;
    }
    SDL_Texture* arrow = comboArrowTexture(renderer);
    if (arrow == nullptr) {
        return;
    }
    const double scale = std::min({1.0, availableW / 9.0, availableH / 9.0});
    const int size = static_cast<int>(9 * scale + 0.5);
    const SDL_Rect target{arrowArea.x + (arrowArea.w - size) / 2,
                          arrowArea.y + (arrowArea.h - size) / 2, size, size};
    SDL_RenderCopy(renderer, arrow, nullptr, &target);
}

void GuiComboBox::handleEvent(GuiEvent* event) {
    if (event == nullptr || event->sdlEvent == nullptr) {
        return;
    }
    const SDL_Event& sdl = *event->sdlEvent;
    if (sdl.type == SDL_KEYDOWN && hasFocus != 0) {
        switch (sdl.key.keysym.sym) {
        case SDLK_RETURN:
        case SDLK_SPACE:
        case SDLK_DOWN:
            openDropDown();
            break;
        case SDLK_UP:
            if (!dropDownOpen_ && selectedIndex_ > 0) {
                select(selectedIndex_ - 1, true);
            }
            break;
        default:
            break;
        }
    } else if (sdl.type == SDL_MOUSEBUTTONDOWN && sdl.button.button == SDL_BUTTON_LEFT) {
        if (!contains(sdl.button.x, sdl.button.y)) {
            hasFocus = 0;
            return;
        }
        hasFocus = 1;
        if (dropDownOpen_) {
            closeDropDown();
        } else if (!closedByOutsidePress_) {
            openDropDown();
        }
        closedByOutsidePress_ = false;
    }
}

// ---------------------------------------------------------------------------------------------
// GuiComboBoxDropDown
// ---------------------------------------------------------------------------------------------

GuiComboBoxDropDown::GuiComboBoxDropDown(GuiObject* parent, int id, int x, int y, int width,
                                         int height, std::uint32_t colour, TTF_Font* font,
                                         OwnerHandle owner)
    : GuiListCtrl(parent, id, x, y, width, height, colour, font), owner_(std::move(owner)) {}

GuiComboBoxDropDown::~GuiComboBoxDropDown() {
    if (owner_ && *owner_ != nullptr) {
        (*owner_)->dropDownGone(this);
    }
}

void GuiComboBoxDropDown::handleEvent(GuiEvent* event) {
    if (event == nullptr || event->sdlEvent == nullptr || owner() == nullptr) {
        GuiListCtrl::handleEvent(event);
        return;
    }
    GuiComboBox* box = owner();
    const SDL_Event& sdl = *event->sdlEvent;
    if (sdl.type == SDL_KEYDOWN) {
        const SDL_Keycode key = sdl.key.keysym.sym;
        if (key == SDLK_ESCAPE) {
            box->closeDropDown();
            return;
        }
        if (key == SDLK_RETURN || key == SDLK_KP_ENTER) {
            if (selectedIndex() >= 0) {
                box->select(selectedIndex(), true);
            }
            box->closeDropDown();
            return;
        }
    }
    if (sdl.type == SDL_MOUSEBUTTONDOWN && sdl.button.button == SDL_BUTTON_LEFT) {
        const int before = selectedIndex();
        GuiListCtrl::handleEvent(event);
        if (selectedIndex() != before && selectedIndex() >= 0) {
            box->select(selectedIndex(), true);
            box->closeDropDown();
        }
        return;
    }
    GuiListCtrl::handleEvent(event);
}
