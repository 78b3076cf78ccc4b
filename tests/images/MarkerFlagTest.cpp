// The marker flags are shown twice: on the map at full size, and in the 68 x 24 marker buttons at
// exactly half size, where SDL copies them nearest-neighbour. Their letters must read as A and B
// in both, whichever pixel of each pair a renderer takes when it halves them.

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

// Where the cloth lies in the 40 x 32 picture.
constexpr SDL_Rect cloth{20, 2, 20, 22};

std::string flagPath(const char* name) {
    return (std::filesystem::path(TRAKMOOR_IMAGE_DIR) / name).string();
}

Uint32 pixelOf(const SDL_Surface* surface, int x, int y) {
    return static_cast<const Uint32*>(surface->pixels)[y * surface->pitch / 4 + x];
}

TEST(MarkerFlags, ClothAndLetterAreMadeOfWholeTwoByTwoBlocks) {
    for (const MarkerFlag& flag : markerFlags) {
        SCOPED_TRACE(flag.name);
        SdlSurfacePtr loaded(IMG_Load(flagPath(flag.name).c_str()));
        ASSERT_NE(loaded, nullptr) << IMG_GetError();
        SdlSurfacePtr image(SDL_ConvertSurfaceFormat(loaded.get(), SDL_PIXELFORMAT_ARGB8888, 0));
        ASSERT_EQ(image->w, 40);
        ASSERT_EQ(image->h, 32);
        const SDL_Surface* s = image.get();
        // A block of unequal pixels would halve differently on odd and even pixels.
        for (int y = cloth.y; y < cloth.y + cloth.h; y += 2) {
            for (int x = cloth.x; x < cloth.x + cloth.w; x += 2) {
                const Uint32 first = pixelOf(s, x, y);
                EXPECT_EQ(first >> 24, 0xFFu) << "cloth not opaque at " << x << "," << y;
                EXPECT_TRUE(pixelOf(s, x + 1, y) == first && pixelOf(s, x, y + 1) == first &&
                            pixelOf(s, x + 1, y + 1) == first)
                    << "block at " << x << "," << y;
            }
        }
        // The left half stays clear for the track behind it, up to the pole on x 19..21.
        for (int y = 0; y < 32; ++y) {
            for (int x = 0; x < 19; ++x) {
                ASSERT_LT(pixelOf(s, x, y) >> 24, 0xFFu) << "opaque at " << x << "," << y;
            }
        }
    }
}

class MarkerButtonTest : public WindowTest {
protected:
    MarkerButtonTest() : WindowTest(170, 40) {}
};

TEST_F(MarkerButtonTest, ButtonShowsTheLetterAtHalfSize) {
    int buttonX = 10;
    for (const MarkerFlag& flag : markerFlags) {
        auto* button = root->add(std::make_unique<GuiImageButton>(root, 119, buttonX, 8, 68, 24, 0,
                                                                  window->renderer.get(), 0));
        ASSERT_TRUE(button->loadImage(window->renderer.get(), flagPath(flag.name)));
        buttonX += 80;
    }
    frame();

    buttonX = 10;
    for (const MarkerFlag& flag : markerFlags) {
        SCOPED_TRACE(flag.name);
        // The 60 x 16 inner area holds the picture at 20 x 16, centred.
        const int left = buttonX + 4 + 20;
        const int top = 8 + 4;
        const std::vector<Uint32> shown = readPixels(window, SDL_Rect{left, top, 20, 16});
        const Uint32 white = rgb(255, 255, 255);
        const Uint32 clothColour = shown[1 * 20 + 10];
        ASSERT_NE(clothColour, white);
        std::vector<std::string> seen;
        for (int y = 1; y < 12; ++y) {
            std::string row;
            for (int x = 10; x < 20; ++x) {
                const Uint32 pixel = shown[static_cast<std::size_t>(y * 20 + x)];
                row += pixel == white ? '#' : pixel == clothColour ? '.' : '?';
            }
            seen.push_back(row);
        }
        EXPECT_EQ(seen, flag.halfSizeCloth);

        // The pole still stands below the cloth: one dark column at the middle.
        const Uint32 background = rgb(0xF0, 0xF0, 0xF0);
        int poleColumns = 0;
        for (int x = 8; x < 12; ++x) {
            const Uint32 pixel = shown[static_cast<std::size_t>(13 * 20 + x)];
            poleColumns += pixel != background && (pixel & 0xFFu) < 0x80u ? 1 : 0;
        }
        EXPECT_EQ(poleColumns, 1);
        buttonX += 80;
    }
}

} // namespace
