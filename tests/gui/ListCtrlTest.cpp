// The list and tree-list controls driven by real SDL events in a headless window.

#include "GuiTestSupport.h"

#include "gui/GuiListCtrl.h"
#include "gui/GuiTreeListCtrl.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

using namespace guitest;

namespace {

constexpr Uint32 kThumb = rgb(160, 160, 160);
constexpr Uint32 kTrack = rgb(230, 230, 230);
constexpr Uint32 kSelection = rgb(0, 120, 215);

class ListCtrlTest : public WindowTest {
protected:
    ListCtrlTest() : WindowTest(320, 320) {
        list_ = root->add(std::make_unique<GuiListCtrl>(root, 7, 10, 10, 200, 200, 0xFFFFFFFFu,
                                                        engine.defaultFont()));
        list_->onSelectionChange = [this](GuiListCtrl*, int index) { changes_.push_back(index); };
    }
    void fill(int count) {
        for (int i = 0; i < count; ++i) {
            list_->addItem(i * 10, "item " + std::to_string(i));
        }
    }
    int barPixels(Uint32 colour) { return countPixels(window, {10 + 200 - 7, 10, 1, 200}, colour); }

    GuiListCtrl* list_ = nullptr;
    std::vector<int> changes_;
};

// The thumb's place and length for a drag are checked by the scrolling test below.
TEST_F(ListCtrlTest, ShortListHasNoBarAndALongOneAThumbOfAtLeast16Pixels) {
    fill(3);
    frame();
    EXPECT_EQ(barPixels(kTrack), 0);
    fill(997);
    frame();
    EXPECT_EQ(barPixels(kThumb), 16);
    EXPECT_EQ(pixelAt(window, 10 + 200 - 7, 10), kThumb) << "at the top while not scrolled";
}

TEST_F(ListCtrlTest, WheelAndThumbScrollWithinTheEndsAndTrackPressPages) {
    fill(100);
    frame();
    const int maxScroll = 100 * list_->rowHeight() - 200;
    pushWheel(window, 50, 50, -3);
    frame();
    EXPECT_EQ(list_->scrollY(), 3 * list_->rowHeight());
    pushWheel(window, 50, 50, 1000);
    frame();
    EXPECT_EQ(list_->scrollY(), 0);

    const SDL_Rect thumb = list_->scrollArea().verticalBar.thumb;
    const int room = 200 - thumb.h;
    pushButton(window, true, thumb.x + 5, thumb.y + 3);
    pushMotion(window, thumb.x + 5, thumb.y + 3 + room / 2);
    frame();
    EXPECT_NEAR(list_->scrollY(), maxScroll / 2, maxScroll / room + 1);
    pushMotion(window, thumb.x + 60, thumb.y + 3 + 5000); // far below, and off the bar
    pushButton(window, false, thumb.x + 60, 5000);
    frame();
    EXPECT_EQ(list_->scrollY(), maxScroll);
    // After the release, motion no longer scrolls; a press on the track pages up.
    pushMotion(window, thumb.x + 5, thumb.y);
    frame();
    EXPECT_EQ(list_->scrollY(), maxScroll);
    clickAt(thumb.x + 5, 12);
    EXPECT_EQ(list_->scrollY(), maxScroll - (200 - list_->rowHeight()));
    EXPECT_TRUE(changes_.empty()) << "scrolling does not select";
}

TEST_F(ListCtrlTest, ClickSelectsRowAndPaintsItInSelectionColours) {
    fill(5);
    const int rh = list_->rowHeight();
    clickAt(60, 10 + rh + 2);
    EXPECT_EQ(list_->selectedValue(), 10);
    EXPECT_EQ(changes_, std::vector<int>{1});
    frame();
    EXPECT_EQ(pixelAt(window, 195, 10 + rh + 1), kSelection);
    EXPECT_EQ(pixelAt(window, 195, 10 + 1), rgb(255, 255, 255));
    EXPECT_GT(countPixels(window, {14, 10 + rh, 40, rh}, rgb(255, 255, 255)), 5) << "white text";

    clickAt(60, 10 + rh + 2);
    EXPECT_EQ(changes_, std::vector<int>{1}) << "a press on the selected row changes nothing";
    clickAt(60, 10 + 7 * rh);
    EXPECT_EQ(list_->selectedIndex(), -1) << "a press below the items clears the selection";
    // Selecting by value or by the program is silent.
    const std::size_t heard = changes_.size();
    EXPECT_TRUE(list_->setValue("item 2"));
    EXPECT_FALSE(list_->setValue("item"));
    EXPECT_EQ(list_->selectedIndex(), 2);
    list_->select(7);
    EXPECT_EQ(list_->selectedIndex(), -1);
    EXPECT_EQ(changes_.size(), heard);
}

TEST_F(ListCtrlTest, KeysMoveTheSelectionAndKeepItInView) {
    fill(100);
    clickAt(60, 12);
    const int rh = list_->rowHeight();
    const int page = 200 / rh;
    const std::pair<SDL_Keycode, int> steps[] = {
        {SDLK_UP, 0},    {SDLK_PAGEDOWN, page},    {SDLK_END, 99},
        {SDLK_DOWN, 99}, {SDLK_PAGEUP, 99 - page}, {SDLK_HOME, 0}};
    for (const auto& [key, expected] : steps) {
        pushKey(window, key);
        frame();
        EXPECT_EQ(list_->selectedIndex(), expected) << SDL_GetKeyName(key);
        const int top = list_->selectedIndex() * rh;
        EXPECT_LE(list_->scrollY(), top) << SDL_GetKeyName(key);
        EXPECT_GE(list_->scrollY() + 200, top + rh) << SDL_GetKeyName(key);
    }
}

class TreeListTest : public WindowTest {
protected:
    TreeListTest() : WindowTest(320, 320) {
        tree_ = root->add(std::make_unique<GuiTreeListCtrl>(root, 42, 10, 10, 260, 200, 0xFFFFFFFFu,
                                                            engine.defaultFont()));
    }
    // Rows in display order: Tracks, 2024/05, a\b, Waypoints.
    void build() {
        tracks_ = tree_->addNode(-1, 1, {"Tracks", "2"});
        month_ = tree_->addNode(tracks_, 2, {"2024/05", "1"});
        leaf_ = tree_->addNode(month_, 3, {"a\\b", "0"});
        other_ = tree_->addNode(-1, 4, {"Waypoints", "0"});
    }
    int rowY(int row) { return tree_->viewRect().y + row * tree_->rowHeight() + 3; }

    GuiTreeListCtrl* tree_ = nullptr;
    int tracks_ = -1, month_ = -1, leaf_ = -1, other_ = -1;
};

TEST_F(TreeListTest, PathsEscapeSlashesAndBackslashesAndSelectBack) {
    build();
    EXPECT_TRUE(tree_->setValue("Tracks/2024\\/05/a\\\\b"));
    EXPECT_EQ(tree_->selectedNode(), leaf_);
    std::string value;
    tree_->getValue(value);
    EXPECT_EQ(value, "Tracks/2024\\/05/a\\\\b");
    EXPECT_FALSE(tree_->setValue("Tracks/2024/05")) << "an unescaped slash is a separator";
    EXPECT_TRUE(engine.commands.empty());
    // Rows are depth-first; collapsing hides descendants; an unknown parent makes a root.
    EXPECT_EQ(tree_->visibleRows(), (std::vector<int>{tracks_, month_, leaf_, other_}));
    tree_->setExpanded(tracks_, false, false);
    EXPECT_EQ(tree_->visibleRows(), (std::vector<int>{tracks_, other_}));
    EXPECT_EQ(tree_->nodes()[tree_->addNode(99, 5, {"stray"})].depth, 0);
    // Without columns there is no header, and no expander: a press there selects.
    frame();
    EXPECT_EQ(pixelAt(window, 200, 12), rgb(255, 255, 255));
    clickAt(10 + 4 + 2, rowY(0));
    EXPECT_EQ(tree_->selectedNode(), tracks_);
    EXPECT_FALSE(tree_->isExpanded(tracks_)) << "still as it was folded";
}

TEST_F(TreeListTest, ExpanderPressTogglesAndTextPressSelects) {
    tree_->addColumn("Name", 180);
    tree_->addColumn("Count", 60);
    build();
    frame();
    const SDL_Rect box = tree_->expanderRect(month_);
    EXPECT_EQ(box.x, 10 + 4 + 16);
    EXPECT_EQ(tree_->expanderRect(leaf_).w, 0) << "a leaf has no expander";
    EXPECT_EQ(pixelAt(window, 200, 12), rgb(225, 225, 225)) << "the header";
    EXPECT_EQ(pixelAt(window, box.x + 4, box.y + 4), rgb(90, 90, 90)) << "the minus stroke";
    EXPECT_EQ(pixelAt(window, box.x + 4, box.y + 2), rgb(255, 255, 255)) << "expanded: no plus";

    clickAt(box.x + 7, rowY(1));
    EXPECT_FALSE(tree_->isExpanded(month_));
    ASSERT_EQ(engine.commands.size(), 1u);
    EXPECT_EQ(engine.commands[0].code, GuiCmdTreeListExpanded);
    EXPECT_EQ(engine.commands[0].id, 42);
    EXPECT_EQ(engine.commands[0].data, 2);
    EXPECT_EQ(tree_->selectedNode(), -1) << "the expander does not select";

    clickAt(box.x + 8, rowY(1)); // just right of the box
    EXPECT_EQ(tree_->selectedNode(), month_);
    EXPECT_EQ(engine.commands.back().code, GuiCmdTreeListSelected);
    EXPECT_EQ(engine.commands.back().data, 2);
    // The collapsed node shows a plus over the selected row.
    frame();
    EXPECT_EQ(pixelAt(window, box.x + 4, box.y + 2), rgb(90, 90, 90));
    EXPECT_EQ(pixelAt(window, box.x + 2, box.y + 2), kSelection);
}

// A tilt moves 40 pixels a notch sideways, shift turns the vertical wheel sideways, and a flipped
// wheel turns the other way.
TEST_F(TreeListTest, WheelScrollsSidewaysByTiltOrShiftAndHonoursFlipping) {
    tree_->addColumn("Name", 300);
    tree_->addColumn("Count", 300);
    for (int i = 0; i < 50; ++i) {
        tree_->addNode(-1, i, {"node " + std::to_string(i), "0"});
    }
    frame();
    auto turn = [&](int x, int y, bool flipped) {
        pushWheel(window, 100, 100, y, x, flipped);
        frame();
    };
    turn(-1, 0, false);
    EXPECT_EQ(tree_->scrollX(), 40);
    EXPECT_EQ(tree_->scrollY(), 0);
    SDL_SetModState(KMOD_LSHIFT);
    turn(0, -2, false);
    SDL_SetModState(KMOD_NONE);
    EXPECT_EQ(tree_->scrollX(), 120);
    const int before = tree_->scrollY();
    turn(0, 1, true);
    EXPECT_EQ(tree_->scrollX(), 120);
    EXPECT_EQ(tree_->scrollY(), before + tree_->rowHeight());
    turn(1000, 0, false);
    EXPECT_EQ(tree_->scrollX(), 0) << "clamped at the left edge";
}

TEST_F(TreeListTest, KeysWalkTheVisibleRowsAndFoldNodes) {
    build();
    clickAt(100, rowY(0));
    const std::pair<SDL_Keycode, int*> steps[] = {
        {SDLK_DOWN, &month_}, {SDLK_DOWN, &leaf_}, {SDLK_LEFT, &month_}, // a leaf: to its parent
        {SDLK_LEFT, &month_},                                            // an open node: collapse
        {SDLK_END, &other_},  {SDLK_UP, &month_}, // the collapsed child is skipped
    };
    for (const auto& [key, node] : steps) {
        pushKey(window, key);
        frame();
        EXPECT_EQ(tree_->selectedNode(), *node) << SDL_GetKeyName(key);
    }
    EXPECT_FALSE(tree_->isExpanded(month_));
    EXPECT_EQ(engine.commands.back().code, GuiCmdTreeListSelected);
}

} // namespace
