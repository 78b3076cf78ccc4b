// The marker flags are shown in the 68 x 24 marker buttons at exactly half size, where SDL copies
// them nearest-neighbour. Their letters must still read as A and B there.

#include "gui/GuiButton.h"
#include "gui/GuiTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace guitest;

namespace {

class MarkerButtonTest : public WindowTest {
protected:
    MarkerButtonTest() : WindowTest(170, 40) {}
};

TEST_F(MarkerButtonTest, ButtonShowsTheLetterAtHalfSize) {
    struct MarkerFlag {
        const char* name;
        // The cloth as the button shows it: '#' white letter, '.' cloth colour.
        std::vector<std::string> halfSizeCloth;
    };
    int left = 10;
    for (const MarkerFlag& flag :
         {MarkerFlag{"flag_mark_a.png",
                     {"..........", "....##....", "...####...", "..##..##..", "..##..##..",
                      "..######..", "..##..##..", "..##..##..", "..##..##..", "..........",
                      ".........."}},
          MarkerFlag{"flag_mark_b.png",
                     {"..........", "..#####...", "..##..##..", "..##..##..", "..#####...",
                      "..##..##..", "..##..##..", "..##..##..", "..#####...", "..........",
                      ".........."}}}) {
        SCOPED_TRACE(flag.name);
        auto* button = root->add(std::make_unique<GuiImageButton>(root, 119, left, 8, 68, 24, 0,
                                                                  window->renderer.get(), 0));
        ASSERT_TRUE(button->loadImage(window->renderer.get(),
                                      std::string(TRAKMOOR_IMAGE_DIR "/") + flag.name));
        frame();
        // The 60 x 16 inner area holds the picture at 20 x 16, centred; the cloth is its right
        // half.
        const std::vector<Uint32> shown = readPixels(window, SDL_Rect{left + 34, 13, 10, 11});
        const Uint32 white = rgb(255, 255, 255), cloth = shown[0];
        ASSERT_NE(cloth, white);
        std::vector<std::string> seen(11);
        for (std::size_t i = 0; i < shown.size(); ++i) {
            seen[i / 10] += shown[i] == white ? '#' : shown[i] == cloth ? '.' : '?';
        }
        EXPECT_EQ(seen, flag.halfSizeCloth);
        left += 80;
    }
}

} // namespace
