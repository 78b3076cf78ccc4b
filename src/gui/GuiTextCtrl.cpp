#include "gui/GuiTextCtrl.h"

#include "gui/GuiEngine.h"
#include "gui/GuiWindow.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr std::uint32_t kSolidCursorMs = 1000;
constexpr std::uint32_t kBlinkMs = 500;
constexpr std::uint32_t kCursorChangeDelayMs = 50;

struct SdlTextDeleter {
    void operator()(char* text) const noexcept { SDL_free(text); }
};

} // namespace

GuiTextCtrl::GuiTextCtrl(GuiObject* parent, int id, int x, int y, int width, int height,
                         std::uint32_t colour, FT_Face face, unsigned flags)
    : GuiObject(parent, id, x, y, width, height, colour), face_(face) {
    password_ = (flags & Password) != 0;
    multiLine_ = (flags & MultiLine) != 0 && !password_;
    readOnly_ = (flags & ReadOnly) != 0;
    wrap_ = (flags & Wrap) != 0 && multiLine_;
    if (face_ != nullptr && guiDebugOutput()) {
        for (int i = 0; i < face_->num_charmaps; ++i) {
            std::printf("Charmap %d: platform_id = %d, encoding_id = %d\n", i,
                        face_->charmaps[i]->platform_id, face_->charmaps[i]->encoding_id);
        }
    }
    lastEditTicks_ = blinkTicks_ = SDL_GetTicks();
    editor_.setOptions({password_, wrap_});
    editor_.setFace(face_);
    editor_.setGeometry(x, y, width);
    updateScrollRanges();
}

// ---------------------------------------------------------------------------------------------
// Text and geometry
// ---------------------------------------------------------------------------------------------

bool GuiTextCtrl::getValue(std::string& value) {
    value = editor_.text();
    return true;
}

bool GuiTextCtrl::setValue(const std::string& value) {
    setText(value);
    return true;
}

void GuiTextCtrl::setText(const std::string& text) {
    editor_.setText(text);
    updateScrollRanges();
    invalidate();
}

void GuiTextCtrl::setCursor(int index) {
    editor_.moveTo(index, SelectionMode::Move);
    ensureCursorVisible();
    invalidate();
}

bool GuiTextCtrl::deleteSelection() {
    const bool removed = editor_.deleteSelection();
    if (removed) {
        edited();
    }
    return removed;
}

void GuiTextCtrl::syncGeometry() {
    editor_.setGeometry(x, y, width);
}

SDL_Rect GuiTextCtrl::textArea() const {
    if (multiLine_) {
        return scroll_.view();
    }
    return {x, y, width, height};
}

void GuiTextCtrl::updateScrollRanges() {
    if (multiLine_) {
        // Wrapped text never needs a horizontal bar; the margins may still reach past the view.
        const int contentWidth = wrap_
                                     ? std::min(editor_.contentWidth(), width - kScrollBarThickness)
                                     : editor_.contentWidth();
        scroll_.layout({x, y, width, height}, contentWidth, editor_.contentHeight());
        return;
    }
    scroll_.verticalBar.visible = scroll_.horizontalBar.visible = false;
    scroll_.scrollY = 0;
    const int maxX = std::max(editor_.contentWidth() + 2 - width, 0);
    scroll_.scrollX = std::clamp(scroll_.scrollX, 0, maxX);
}

void GuiTextCtrl::ensureCursorVisible() {
    syncGeometry();
    updateScrollRanges();
    const SDL_Rect area = textArea();
    const SDL_Point p = editor_.cursorPoint();
    const int margin = kGlyphMargin;
    const int left = p.x - scroll_.scrollX;
    if (left < area.x + margin) {
        scroll_.scrollX = p.x - area.x - margin;
    } else if (left + 2 > area.x + area.w - margin) {
        scroll_.scrollX = p.x + 2 - (area.x + area.w - margin);
    }
    if (multiLine_) {
        const int top = p.y - editor_.ascender() - kGlyphLineOffset;
        const int bottom = top + editor_.lineHeight();
        if (top - scroll_.scrollY < area.y) {
            scroll_.scrollY = top - area.y;
        } else if (bottom - scroll_.scrollY > area.y + area.h) {
            scroll_.scrollY = bottom - (area.y + area.h);
        }
    }
    scroll_.scrollX = std::max(scroll_.scrollX, 0);
    scroll_.scrollY = std::max(scroll_.scrollY, 0);
    updateScrollRanges();
    invalidate();
}

void GuiTextCtrl::layout(SDL_Renderer* renderer, int newWidth, int newHeight) {
    GuiObject::layout(renderer, newWidth, newHeight);
    syncGeometry();
    updateScrollRanges();
    invalidate();
}

void GuiTextCtrl::attached() {
    syncGeometry();
    updateScrollRanges();
    invalidate();
}

void GuiTextCtrl::focusLost() {
    mouseSelecting_ = false;
    scroll_.release();
    invalidate();
}

std::array<std::string, 2> GuiTextCtrl::debugStatus() const {
    char first[160];
    char second[120];
    std::snprintf(first, sizeof first, "CursorIndex %ld   SelIndex %d:%d   SelByte %d:%d",
                  static_cast<long>(editor_.cursorIndex()), editor_.selectionAnchor(),
                  editor_.selectionEnd(), editor_.selectionStartByte(), editor_.selectionEndByte());
    const auto& glyphs = editor_.glyphs();
    const int cursor = editor_.cursorIndex();
    if (cursor >= 0 && cursor < static_cast<int>(glyphs.size())) {
        std::snprintf(second, sizeof second, "Scroll %d:%d   CP %lu", scroll_.scrollX,
                      scroll_.scrollY, static_cast<unsigned long>(glyphs[cursor].codePoint));
    } else {
        std::snprintf(second, sizeof second, "Scroll %d:%d   CP invalid", scroll_.scrollX,
                      scroll_.scrollY);
    }
    return {first, second};
}

// ---------------------------------------------------------------------------------------------
// Cursor state
// ---------------------------------------------------------------------------------------------

void GuiTextCtrl::touchCursor() {
    lastEditTicks_ = nowTicks();
    cursorOn_ = true;
    invalidate();
}

void GuiTextCtrl::update(std::uint32_t ticks) {
    if (window == nullptr) {
        return;
    }
    GuiEngine* owner = engine();
    const bool wanted = owner != nullptr && owner->windowFocused &&
                        owner->textFocus == static_cast<IEditable*>(this);
    if (wanted != cursorShown_) {
        if (!cursorChangeSince_) {
            cursorChangeSince_ = ticks;
        } else if (ticks - *cursorChangeSince_ >= kCursorChangeDelayMs) {
            cursorShown_ = wanted;
            cursorChangeSince_.reset();
            invalidate();
            if (cursorShown_) {
                cursorOn_ = true;
                blinkTicks_ = ticks;
                lastEditTicks_ = ticks - kSolidCursorMs;
            }
        }
    } else {
        cursorChangeSince_.reset();
    }
    if (!cursorShown_ || editor_.hasSelection()) {
        return;
    }
    if (ticks - lastEditTicks_ < kSolidCursorMs) {
        if (!cursorOn_) {
            cursorOn_ = true;
            invalidate();
        }
    } else if (ticks - blinkTicks_ >= kBlinkMs) {
        cursorOn_ = !cursorOn_;
        blinkTicks_ = ticks;
        invalidate();
    }
}

// ---------------------------------------------------------------------------------------------
// Painting
// ---------------------------------------------------------------------------------------------

void GuiTextCtrl::paint(SDL_Renderer* renderer) {
    syncGeometry();
    updateScrollRanges();
    GlyphPaintState state;
    state.glyphs = &editor_.glyphs();
    state.face = face_;
    state.bounds = {x, y, width, height};
    state.textArea = textArea();
    state.scrollX = scroll_.scrollX;
    state.scrollY = scroll_.scrollY;
    state.focused = hasFocus != 0;
    if (editor_.hasSelection()) {
        state.selectionFrom = editor_.selectionAnchor();
        state.selectionTo = editor_.selectionEnd();
    }
    state.cursorVisible = cursorShown_ && cursorOn_;
    state.cursorIndex = editor_.cursorIndex();
    GuiEngine* owner = engine();
    paintGlyphs(renderer, state, [owner, renderer](SDL_Texture* texture) {
        if (owner != nullptr) {
            owner->releaseTextureLater(renderer, texture);
        } else {
            SDL_DestroyTexture(texture);
        }
    });
    if (multiLine_) {
        scroll_.paint(renderer);
    }
}

// ---------------------------------------------------------------------------------------------
// Input
// ---------------------------------------------------------------------------------------------

void GuiTextCtrl::edited() {
    touchCursor();
    updateScrollRanges();
    ensureCursorVisible();
    if (onChange) {
        onChange();
    }
}

bool GuiTextCtrl::insertText(std::string text) {
    if (!multiLine_) {
        // A single line takes line breaks as blanks, whatever their source.
        std::replace(text.begin(), text.end(), '\n', ' ');
        std::replace(text.begin(), text.end(), '\r', ' ');
    }
    if (maxCharacters > 0) {
        const int selected = std::abs(editor_.selectionEnd() - editor_.selectionAnchor());
        const int kept = editor_.charCount() - (editor_.hasSelection() ? selected : 0);
        int room = std::max(maxCharacters - kept, 0);
        std::size_t cut = 0;
        // Whole UTF-8 characters only: a continuation byte never starts one.
        while (cut < text.size() &&
               (room > 0 || (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)) {
            if ((static_cast<unsigned char>(text[cut]) & 0xC0) != 0x80) {
                --room;
            }
            ++cut;
        }
        text.resize(cut);
        if (text.empty()) {
            return false;
        }
    }
    if (!editor_.insert(text)) {
        return false;
    }
    edited();
    return true;
}

void GuiTextCtrl::paste() {
    std::unique_ptr<char, SdlTextDeleter> clip(SDL_GetClipboardText());
    if (!clip || clip.get()[0] == '\0') {
        return;
    }
    insertText(clip.get());
}

int GuiTextCtrl::characterAt(int px, int py) const {
    return editor_.indexAt(px + scroll_.scrollX, py + scroll_.scrollY);
}

void GuiTextCtrl::handleCtrlKey(const SDL_KeyboardEvent& key) {
    switch (key.keysym.sym) {
    case SDLK_a:
        editor_.selectAll();
        invalidate();
        break;
    case SDLK_c:
        if (editor_.hasSelection()) {
            SDL_SetClipboardText(editor_.selectedText().c_str());
        }
        break;
    case SDLK_x:
        if (!readOnly_ && editor_.hasSelection()) {
            SDL_SetClipboardText(editor_.selectedText().c_str());
            deleteSelection();
        }
        break;
    case SDLK_v:
        if (!readOnly_) {
            paste();
        }
        break;
    case SDLK_HOME:
        ensureCursorVisible();
        break;
    case SDLK_END:
        scroll_.scrollX = scroll_.scrollY = 0;
        break;
    case SDLK_LEFT:
        scroll_.scrollX = std::max(scroll_.scrollX - 1, 0);
        break;
    case SDLK_RIGHT:
        scroll_.scrollX += 1;
        break;
    case SDLK_UP: {
        const int line = std::max(editor_.lineHeight(), 1);
        scroll_.scrollY = std::max(scroll_.scrollY - line, 0) / line * line;
        break;
    }
    case SDLK_DOWN: {
        const int line = std::max(editor_.lineHeight(), 1);
        scroll_.scrollY = (scroll_.scrollY / line + 1) * line;
        break;
    }
    default:
        break;
    }
    updateScrollRanges();
}

void GuiTextCtrl::handleKey(const SDL_KeyboardEvent& key) {
    touchCursor();
    const Uint16 mods = key.keysym.mod;
    if ((mods & KMOD_CTRL) != 0) {
        handleCtrlKey(key);
        return;
    }
    const SelectionMode mode =
        (mods & KMOD_SHIFT) != 0 ? SelectionMode::Extend : SelectionMode::Move;
    bool moved = true;
    switch (key.keysym.sym) {
    case SDLK_LEFT:
        editor_.moveLeft(mode);
        break;
    case SDLK_RIGHT:
        editor_.moveRight(mode);
        break;
    case SDLK_UP:
        editor_.moveLines(-1, mode);
        break;
    case SDLK_DOWN:
        editor_.moveLines(1, mode);
        break;
    case SDLK_HOME:
        editor_.moveToLineStart(mode);
        break;
    case SDLK_END:
        editor_.moveToLineEnd(mode);
        break;
    case SDLK_PAGEUP:
        editor_.movePages(-1, height, mode);
        break;
    case SDLK_PAGEDOWN:
        editor_.movePages(1, height, mode);
        break;
    default:
        moved = false;
        break;
    }
    if (moved) {
        ensureCursorVisible();
        return;
    }
    if (readOnly_) {
        return;
    }
    switch (key.keysym.sym) {
    case SDLK_BACKSPACE:
        if (editor_.backspace()) {
            edited();
        }
        break;
    case SDLK_DELETE:
        if (editor_.deleteForward()) {
            edited();
        }
        ensureCursorVisible();
        break;
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
        if (multiLine_) {
            insertText("\n");
        }
        break;
    case SDLK_TAB:
        insertText("\t");
        break;
    default:
        break;
    }
}

void GuiTextCtrl::handleEvent(GuiEvent* event) {
    if (event == nullptr || event->sdlEvent == nullptr) {
        return;
    }
    syncGeometry();
    const SDL_Event& sdl = *event->sdlEvent;
    switch (sdl.type) {
    case SDL_TEXTINPUT:
        if (!readOnly_ && hasFocus != 0 && (SDL_GetModState() & KMOD_CTRL) == 0) {
            insertText(sdl.text.text);
        }
        break;
    case SDL_KEYDOWN:
        if (hasFocus != 0) {
            handleKey(sdl.key);
        }
        break;
    case SDL_MOUSEBUTTONDOWN: {
        if (sdl.button.button != SDL_BUTTON_LEFT) {
            break;
        }
        hasFocus = 1;
        const int px = sdl.button.x;
        const int py = sdl.button.y;
        if (multiLine_) {
            updateScrollRanges();
            const SDL_Rect area = textArea();
            const int line = std::max(editor_.lineHeight(), 1);
            if (scroll_.press(px, py, std::max(area.h - line, 1), std::max(area.w - 40, 1))) {
                updateScrollRanges();
                invalidate();
                break;
            }
        }
        const SDL_Rect area = textArea();
        if (px < area.x || px >= area.x + area.w || py < area.y || py >= area.y + area.h) {
            break;
        }
        if ((SDL_GetModState() & KMOD_SHIFT) != 0) {
            editor_.moveTo(characterAt(px, py), SelectionMode::Extend);
        } else {
            editor_.beginMouseSelection(characterAt(px, py));
        }
        mouseSelecting_ = true;
        touchCursor();
        break;
    }
    case SDL_MOUSEMOTION:
        if (scroll_.drag(sdl.motion.x, sdl.motion.y)) {
            updateScrollRanges();
            invalidate();
        } else if (mouseSelecting_) {
            editor_.extendMouseSelection(characterAt(sdl.motion.x, sdl.motion.y));
            ensureCursorVisible();
        }
        break;
    case SDL_MOUSEBUTTONUP:
        mouseSelecting_ = false;
        scroll_.release();
        break;
    case SDL_MOUSEWHEEL:
        if (multiLine_) {
            const int flip = sdl.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -1 : 1;
            const int line = editor_.lineHeight() > 0 ? editor_.lineHeight() : 16;
            scroll_.scrollY -= sdl.wheel.y * flip * line;
            scroll_.scrollX -= sdl.wheel.x * flip * 40;
            updateScrollRanges();
            invalidate();
        }
        break;
    default:
        break;
    }
}
