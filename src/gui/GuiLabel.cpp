#include "gui/GuiLabel.h"

#include <algorithm>
#include <vector>

namespace {

const std::string ellipsis = "\xE2\x80\xA6"; // U+2026

bool startsCharacter(char byte) {
    return (static_cast<unsigned char>(byte) & 0xC0) != 0x80;
}

} // namespace

GuiLabel::GuiLabel(GuiObject* parent, int id, int x, int y, int width, int height,
                   std::uint32_t colour, const std::string& text, TTF_Font* font,
                   std::uint32_t flags)
    : GuiObject(parent, id, x, y, width, height, colour), text(text), font(font),
      constructorColour(colour), flags(flags) {}

bool GuiLabel::getValue(std::string& value) {
    value = text;
    return true;
}

bool GuiLabel::setValue(const std::string& value) {
    text = value;
    return true;
}

void GuiLabel::handleEvent(GuiEvent*) {}

const std::string& GuiLabel::displayText() {
    if ((flags & Elide) == 0 || font == nullptr) {
        return text;
    }
    if (elideWidth == width && elideSource == text) {
        return elidedText;
    }
    elideSource = text;
    elideWidth = width;
    if (width >= textSize(font, text).x) {
        elidedText = text;
        return elidedText;
    }
    // The first character start from which the ellipsis and the rest fit.  Dropping characters
    // from the front never widens the rest, so a binary search finds it with a few measurements
    // even in a path of thousands of bytes.
    std::vector<std::size_t> starts;
    for (std::size_t i = 1; i < text.size(); ++i) {
        if (startsCharacter(text[i])) {
            starts.push_back(i);
        }
    }
    const auto fits = [&](std::size_t i) {
        return textSize(font, ellipsis + text.substr(i)).x <= width;
    };
    const auto first =
        std::partition_point(starts.begin(), starts.end(), [&](std::size_t i) { return !fits(i); });
    std::size_t cut = first == starts.end() ? std::string::npos : *first;
    if (cut == std::string::npos) {
        elidedText = ellipsis;
        return elidedText;
    }
    // Prefer to start the tail at a folder boundary, which reads better than half a name.
    std::size_t separator = text.find_first_of("/\\", cut);
    if (separator != std::string::npos && separator + 1 < text.size()) {
        cut = separator;
    }
    elidedText = ellipsis + text.substr(cut);
    return elidedText;
}

void GuiLabel::paint(SDL_Renderer* renderer) {
    const std::string& shown = displayText();
    SDL_Point size = textSize(font, shown);
    const int left = (flags & LeftAligned) != 0 ? x : x + (width - size.x) / 2;
    drawString(renderer, font, shown, left, y + (height - size.y) / 2);
}
