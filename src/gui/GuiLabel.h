#ifndef TRAKMOOR_GUI_GUILABEL_H
#define TRAKMOOR_GUI_GUILABEL_H

// A line of black text, centred or left-aligned, optionally shortened at the front with "…" so
// that the end of a long path stays readable.

#include "gui/GuiObject.h"

#include <string>

class GuiLabel : public GuiObject {
public:
    enum Flags : std::uint32_t {
        LeftAligned = 1u << 0,
        Elide = 1u << 1, // shorten from the front to fit the width
    };

    GuiLabel(GuiObject* parent, int id, int x, int y, int width, int height, std::uint32_t colour,
             const std::string& text, TTF_Font* font, std::uint32_t flags);

    const char* className() const override { return "GuiLabel"; }
    void paint(SDL_Renderer* renderer) override;
    void handleEvent(GuiEvent* event) override;
    bool getValue(std::string& value) override;
    bool setValue(const std::string& value) override;

    // The text as drawn: whole, or "…" and the longest tail that fits (cut at a path separator
    // where one follows, never inside a character), or "…" alone.
    const std::string& displayText();

    std::string text;
    TTF_Font* font = nullptr;
    std::uint32_t constructorColour = 0;
    std::uint32_t flags = 0;
    std::string elideSource;
    std::string elidedText;
    int elideWidth = -1;
};

#endif // TRAKMOOR_GUI_GUILABEL_H
