// Combo boxes in a headless window: opening, choosing, closing by every road, and the drawing of
// the text and the arrow area.

#include "GuiTestSupport.h"

#include "gui/GuiComboBox.h"

#include <gtest/gtest.h>

#include <memory>

using namespace guitest;

namespace {

class ComboBoxTest : public WindowTest {
protected:
    ComboBoxTest() : WindowTest(300, 300) {
        box_ = addBox(0xFFF0F0F0u);
        other_ = addProbe(window, 9, {200, 250, 50, 30}, 0xFF00FF00u);
    }
    GuiComboBox* addBox(std::uint32_t colour, int width = 140) {
        return root->add(std::make_unique<GuiComboBox>(root, 5, 10, 10, width, 22, colour,
                                                       SDL_Color{0, 0, 0, 255},
                                                       engine.defaultFont(), 150));
    }
    void fill() {
        box_->addItem(100, "North-side");
        box_->addItem(200, "East-side");
        box_->addItem(300, "South-side");
    }
    std::vector<int> changes() const {
        std::vector<int> values;
        for (const GuiEvent& e : engine.commands) {
            if (e.code == GuiCmdComboBoxChanged) {
                EXPECT_EQ(e.id, 5);
                values.push_back(e.data);
            }
        }
        return values;
    }

    GuiComboBox* box_ = nullptr;
    ProbeControl* other_ = nullptr;
};

TEST_F(ComboBoxTest, FirstItemIsSelectedSilentlyLaterSelectionsNotify) {
    fill();
    EXPECT_EQ(box_->selectedIndex(), 0);
    EXPECT_TRUE(engine.commands.empty());
    box_->select(0, true);
    EXPECT_EQ(changes(), std::vector<int>{100}) << "even the same item, when asked to";
    box_->selectByValue(300, false);
    EXPECT_EQ(box_->selectedText(), "South-side");
    box_->selectByValue(999, true);
    EXPECT_EQ(box_->selectedValue(), 300) << "an unknown value changes nothing";
    box_->select(3, true);
    EXPECT_EQ(box_->selectedValue(), -1) << "an index past the end clears the choice";
    EXPECT_TRUE(box_->setValue("East-side"));
    EXPECT_FALSE(box_->setValue("east-side"));
    EXPECT_EQ(changes(), (std::vector<int>{100, 200}));
}

TEST_F(ComboBoxTest, ClickOpensListAndChoosingRowPostsValueAndCloses) {
    clickAt(50, 20);
    EXPECT_FALSE(box_->isDropDownOpen()) << "nothing to choose from";
    fill();
    clickAt(50, 20);
    ASSERT_TRUE(box_->isDropDownOpen());
    GuiComboBoxDropDown* list = box_->dropDown();
    const int rowHeight = list->rowHeight();
    EXPECT_EQ(list->y, 32);
    EXPECT_EQ(list->height, 3 * rowHeight + 2) << "as tall as its entries";
    clickAt(50, 32 + 3);
    EXPECT_TRUE(box_->isDropDownOpen()) << "the row already chosen keeps the list open";

    clickAt(50, 32 + 2 * rowHeight + 3);
    EXPECT_EQ(changes(), std::vector<int>{300});
    EXPECT_EQ(root->children.size(), 2u) << "the list was deleted";
}

TEST_F(ComboBoxTest, ListScrollsPastItsLimitAndOpensUpwardsNearTheBottom) {
    for (int i = 0; i < 12; ++i) {
        box_->addItem(i, "Item " + std::to_string(i));
    }
    clickAt(50, 20);
    EXPECT_EQ(box_->dropDown()->height, 150);
    clickAt(50, 20);
    box_->y = 250;
    clickAt(50, 260);
    ASSERT_TRUE(box_->isDropDownOpen());
    EXPECT_EQ(box_->dropDown()->y + box_->dropDown()->height, 250);
}

TEST_F(ComboBoxTest, EscapePressOnTheBoxOrElsewhereCloseWithoutChange) {
    fill();
    clickAt(50, 20);
    pushKey(window, SDLK_DOWN); // moves the highlight only
    key(SDLK_ESCAPE);
    EXPECT_FALSE(box_->isDropDownOpen());
    EXPECT_EQ(box_->selectedIndex(), 0);

    clickAt(50, 20);
    clickAt(50, 20);
    EXPECT_FALSE(box_->isDropDownOpen()) << "a second press on the box closes it";
    clickAt(50, 20);
    ASSERT_TRUE(box_->isDropDownOpen()) << "and a third opens it again";

    clickAt(220, 260);
    EXPECT_FALSE(box_->isDropDownOpen());
    EXPECT_EQ(other_->count(SDL_MOUSEBUTTONDOWN), 1) << "the press reaches the control below";
    EXPECT_EQ(root->focus, other_);
    // Focus taken away by the program closes it too.
    root->setFocus(box_);
    box_->openDropDown();
    root->setFocus(other_);
    frame();
    EXPECT_FALSE(box_->isDropDownOpen());
    EXPECT_TRUE(root->popups.empty());
    EXPECT_TRUE(changes().empty());
}

TEST_F(ComboBoxTest, KeyboardOpensMovesAndConfirms) {
    fill();
    root->setFocus(box_);
    key(SDLK_DOWN);
    ASSERT_TRUE(box_->isDropDownOpen());
    pushKey(window, SDLK_DOWN);
    pushKey(window, SDLK_DOWN);
    key(SDLK_RETURN);
    EXPECT_FALSE(box_->isDropDownOpen());
    key(SDLK_UP); // closed: Up selects the previous item
    EXPECT_EQ(changes(), (std::vector<int>{300, 200}));
    box_->select(0, false);
    key(SDLK_UP);
    EXPECT_EQ(changes().size(), 2u) << "nothing above the first item";
}

TEST_F(ComboBoxTest, ArrowAreaIsDarkerNeverBelowZeroAndLongTextStaysLeftOfIt) {
    GuiComboBox* dark = addBox(0xFF08140Au, 100); // red 10, green 20, blue 8
    dark->y = 100;
    dark->addItem(1, std::string(80, 'W'));
    frame();
    const SDL_Rect arrow = dark->arrowRect();
    EXPECT_EQ(arrow.x, 10 + 100 - 18);
    // Top row inside the arrow area, below the border and above the arrow picture.
    EXPECT_EQ(pixelAt(window, arrow.x + 2, arrow.y + 1), rgb(0, 5, 0));
    // The text, starting at x + 3, is cut after width - 24 pixels: the strip between its end
    // and the separator shows only background, while the text reaches the cut.
    EXPECT_EQ(countPixels(window, {10 + 3 + 76, 101, 3, 20}, rgb(10, 20, 8)), 3 * 20);
    EXPECT_GT(countPixels(window, {10 + 3 + 70, 101, 6, 20},
                          [](Uint32 p) { return p != rgb(10, 20, 8); }),
              10);
    EXPECT_GE(countPixels(window, arrow, rgb(0, 0, 0)), 20) << "the arrow";
}

TEST_F(ComboBoxTest, ArrowCacheEntryGoesWithItsWindow) {
    fill();
    const std::size_t before = comboArrowCacheSize();
    engine.runFrame(10);
    EXPECT_EQ(comboArrowCacheSize(), before + 1);
    EXPECT_NE(comboArrowTexture(window->renderer.get()), nullptr);
    EXPECT_TRUE(engine.destroyWindow(window->id));
    EXPECT_EQ(comboArrowCacheSize(), before);
}

} // namespace
