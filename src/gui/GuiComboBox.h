#ifndef TRAKMOOR_GUI_GUICOMBOBOX_H
#define TRAKMOOR_GUI_GUICOMBOBOX_H

// A box showing the selected entry of a list of (value, text) items, with a drop-down arrow; a
// press opens a popup list below it.  A changed selection is posted as command 1003 with the
// item's value.

#include "gui/GuiListCtrl.h"

#include <memory>
#include <string>
#include <vector>

class GuiComboBox;

// The popup list of an open combo box.  It belongs to the window, which deletes it after the
// event that closed it; the box learns of that through the shared handle, whichever of the two
// goes first.
class GuiComboBoxDropDown : public GuiListCtrl {
public:
    using OwnerHandle = std::shared_ptr<GuiComboBox*>;

    GuiComboBoxDropDown(GuiObject* parent, int id, int x, int y, int width, int height,
                        std::uint32_t colour, TTF_Font* font, OwnerHandle owner);
    ~GuiComboBoxDropDown() override;

    const char* className() const override { return "GuiComboBoxDropDown"; }
    void handleEvent(GuiEvent* event) override;

    GuiComboBox* owner() const { return *owner_; }

private:
    OwnerHandle owner_;
};

class GuiComboBox : public GuiObject {
public:
    GuiComboBox(GuiObject* parent, int id, int x, int y, int width, int height,
                std::uint32_t colour, SDL_Color textColour, TTF_Font* font, int dropDownHeight);
    ~GuiComboBox() override;

    const char* className() const override { return "GuiComboBox"; }
    bool isCached() const override { return true; }
    void update(std::uint32_t ticks) override;
    void paint(SDL_Renderer* renderer) override;
    void handleEvent(GuiEvent* event) override;
    void focusLost() override;
    // The selected text (empty if none).
    bool getValue(std::string& value) override;
    // Selects the first item with exactly this text and reports it; empty text clears.
    bool setValue(const std::string& value) override;

    // Appends; the first item added is selected without a command.
    int addItem(int value, std::string text);
    void clear();
    // Selects an index inside the list (posting 1003 when `notify`); others clear the selection.
    void select(int index, bool notify);
    void selectByValue(int value, bool notify);
    int selectedIndex() const { return selectedIndex_; }
    int selectedValue() const;
    std::string selectedText() const;
    const std::vector<ComboItem>& items() const { return items_; }

    void openDropDown();
    void closeDropDown();
    GuiComboBoxDropDown* dropDown() const { return dropDown_; }
    bool isDropDownOpen() const { return dropDownOpen_; }

    // The area the arrow is drawn in.
    SDL_Rect arrowRect() const { return {x + width - arrowWidth, y, arrowWidth, height}; }

    SDL_Color backgroundColour;
    SDL_Color textColour;
    SDL_Color borderColour{80, 80, 80, 255};
    int dropDownHeight = 0;
    int arrowWidth = 18;

private:
    friend class GuiComboBoxDropDown;
    void dropDownGone(GuiComboBoxDropDown* list);

    std::vector<ComboItem> items_;
    int selectedIndex_ = -1;
    TTF_Font* font_ = nullptr;
    std::uint32_t packedBackground_ = 0;
    bool dropDownOpen_ = false;
    GuiComboBoxDropDown* dropDown_ = nullptr;
    bool closingDropDown_ = false;
    // Set when a press outside closed the drop-down during the current event, so that a press
    // on the box itself closes it rather than opening it again.
    bool closedByOutsidePress_ = false;
    GuiComboBoxDropDown::OwnerHandle self_;
};

// The arrow texture kept for a renderer (created on first use), or null if it cannot be made.
SDL_Texture* comboArrowTexture(SDL_Renderer* renderer);
// Number of renderers that currently hold an arrow texture.
std::size_t comboArrowCacheSize();

#endif
