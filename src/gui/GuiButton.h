#ifndef TRAKMOOR_GUI_GUIBUTTON_H
#define TRAKMOOR_GUI_GUIBUTTON_H

// Push buttons (optionally sticky or auto-repeating), image buttons and check boxes.  A click
// posts GuiCmdButton with the button's id; sticky buttons and check boxes post nothing and report
// through onToggle instead.

#include "gui/GuiObject.h"
#include "gui/GuiPanels.h"

#include <functional>
#include <string>
#include <vector>

class GuiButton : public GuiObject {
public:
    enum Flags : std::uint32_t {
        Sticky = 1u << 0,     // each press toggles `pressed`
        AutoRepeat = 1u << 1, // a held button repeats its command
    };
    using ToggleHandler = std::function<void(GuiButton* button, bool pressed)>;

    // The face colour's alpha is cleared: a button shows its bevel until setColour gives it a
    // face.
    GuiButton(GuiObject* parent, int id, int x, int y, int width, int height, std::uint32_t colour,
              const std::string& label, TTF_Font* font, std::uint32_t flags);

    const char* className() const override { return "GuiButton"; }
    bool isCached() const override { return true; }
    void update(std::uint32_t ticks) override;
    void paint(SDL_Renderer* renderer) override;
    void handleEvent(GuiEvent* event) override;
    // Sticky buttons only: "1" while pressed, "0" otherwise.
    bool getValue(std::string& value) override;
    bool setValue(const std::string& value) override;

    // A face colour 0xAABBGGRR; with alpha 0 the bevel is drawn instead.
    void setColour(std::uint32_t packed);
    bool isSticky() const { return (flags & Sticky) != 0; }

    // The first pressed button of a radio group, or null.
    static GuiButton* pressedButton(const std::vector<GuiButton*>& group);
    // Releases every button of the group except `keeper`.
    static void releaseOthers(const std::vector<GuiButton*>& group, GuiButton* keeper);

    std::string label;
    bool pressed = false;
    std::uint32_t flags = 0;
    TTF_Font* font = nullptr;
    std::uint32_t constructorColour = 0;
    std::uint32_t repeatDelay = 400;
    std::uint32_t repeatInterval = 60;
    std::vector<ToggleHandler> onToggle;
    std::uint32_t pressTicks = 0;
    std::uint32_t lastRepeatTicks = 0;
    bool repeated = false;

protected:
    // The two-pixel outline with cut corners, then either the face colour or the bevel.
    void paintFrame(SDL_Renderer* renderer);
    void notifyToggle();
};

// A button showing a picture fitted into its frame; starts with a small built-in picture.
class GuiImageButton : public GuiButton, public GuiPictureHolder {
public:
    GuiImageButton(GuiObject* parent, int id, int x, int y, int width, int height,
                   std::uint32_t colour, SDL_Renderer* renderer, std::uint32_t flags);

    const char* className() const override { return "GuiImageButton"; }
    bool isCached() const override { return false; }
    void paint(SDL_Renderer* renderer) override;

    bool loadImage(SDL_Renderer* renderer, const std::string& path);
    void clearImage();
};

// A 16 x 16 box with its label to the right; toggles on press.
class GuiCheckBox : public GuiButton {
public:
    GuiCheckBox(GuiObject* parent, int id, int x, int y, int width, int height,
                std::uint32_t colour, const std::string& label, TTF_Font* font,
                std::uint32_t flags);

    const char* className() const override { return "GuiCheckBox"; }
    void paint(SDL_Renderer* renderer) override;
    void handleEvent(GuiEvent* event) override;
};

#endif // TRAKMOOR_GUI_GUIBUTTON_H
