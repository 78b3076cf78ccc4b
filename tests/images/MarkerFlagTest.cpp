// The marker flags are shown in the 68 x 24 marker buttons at exactly half size, where SDL copies
// them nearest-neighbour. Their letters must still read as A and B there.

#include "gui/GuiButton.h"
#include "gui/GuiTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

using namespace guitest;

namespace {

struct MarkerFlag {
    const char* name;
    // The cloth as the button shows it: '#' white letter, '.' cloth colour.
    std::vector<std::string> halfSizeCloth;
};

const MarkerFlag markerFlags[] = {
    {"flag_mark_a.png",
     {"..........", "....##....", "...####...", "..##..##..", "..##..##..", "..######..",
      "..##..##..", "..##..##..", "..##..##..", "..........", ".........."}},
    {"flag_mark_b.png",
     {"..........", "..#####...", "..##..##..", "..##..##..", "..#####...", "..##..##..",
      "..##..##..", "..##..##..", "..#####...", "..........", ".........."}},
};

class MarkerButtonTest : public WindowTest {
protected:
    MarkerButtonTest() : WindowTest(170, 40) {}
};

TEST_F(MarkerButtonTest, ButtonShowsTheLetterAtHalfSize) {
    for (int i = 0; i < 2; ++i) {
        auto* button = root->add(std::make_unique<GuiImageButton>(root, 119, 10 + 80 * i, 8, 68, 24,
                                                                  0, window->renderer.get(), 0));
        const auto path = std::filesystem::path(TRAKMOOR_IMAGE_DIR) / markerFlags[i].name;
        ASSERT_TRUE(button->loadImage(window->renderer.get(), path.string()));
    }
    frame();

    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(markerFlags[i].name);
        // The 60 x 16 inner area holds the picture at 20 x 16, centred; the cloth is its right
        // half.
        const std::vector<Uint32> shown =
            readPixels(window, SDL_Rect{10 + 80 * i + 4 + 20 + 10, 8 + 4 + 1, 10, 11});
        const Uint32 white = rgb(255, 255, 255);
        const Uint32 clothColour = shown[0];
        ASSERT_NE(clothColour, white);
        std::vector<std::string> seen(11);
        for (int y = 0; y < 11; ++y) {
            for (int x = 0; x < 10; ++x) {
                const Uint32 pixel = shown[static_cast<std::size_t>(y * 10 + x)];
                seen[y] += pixel == white ? '#' : pixel == clothColour ? '.' : '?';
            }
        }
        EXPECT_EQ(seen, markerFlags[i].halfSizeCloth);
    }
}

} // namespace
