// The pictures in data/images: each is shown by the toolkit at its own size (or exactly half of
// it), so a wrong size, a missing alpha channel or an empty picture would show on screen.

#include <cairo.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <set>
#include <string>

namespace {

struct SurfaceDeleter {
    void operator()(cairo_surface_t* surface) const noexcept { cairo_surface_destroy(surface); }
};
using SurfacePtr = std::unique_ptr<cairo_surface_t, SurfaceDeleter>;

enum class Foot { None, BottomCentre };

struct ExpectedPicture {
    const char* name;
    int width;
    int height;
    Foot foot; // map flags stand with their pole's foot on the track point
};

constexpr ExpectedPicture expectedPictures[] = {
    {"logo.png", 190, 47, Foot::None},
    {"cursor_prev.png", 24, 22, Foot::None},
    {"cursor_next.png", 24, 22, Foot::None},
    {"signpost.png", 24, 22, Foot::None},
    {"mini_finish.png", 24, 22, Foot::None},
    {"zoom_in.png", 24, 22, Foot::None},
    {"zoom_out.png", 24, 22, Foot::None},
    {"angle_x_left.png", 24, 16, Foot::None},
    {"angle_x_right.png", 24, 16, Foot::None},
    {"angle_y_left.png", 24, 16, Foot::None},
    {"angle_y_right.png", 24, 16, Foot::None},
    {"angle_z_left.png", 24, 16, Foot::None},
    {"angle_z_right.png", 24, 16, Foot::None},
    {"flag_mark_a.png", 40, 32, Foot::BottomCentre},
    {"flag_mark_b.png", 40, 32, Foot::BottomCentre},
    {"flag_start.png", 24, 32, Foot::BottomCentre},
    {"flag_finish.png", 24, 32, Foot::BottomCentre},
};

std::uint8_t alphaAt(cairo_surface_t* surface, int x, int y) {
    const unsigned char* row =
        cairo_image_surface_get_data(surface) + y * cairo_image_surface_get_stride(surface);
    return static_cast<std::uint8_t>(reinterpret_cast<const std::uint32_t*>(row)[x] >> 24);
}

TEST(Images, EveryPictureLoadsAtItsShownSizeWithTransparency) {
    const std::filesystem::path dir = TRAKMOOR_IMAGE_DIR;
    std::set<std::string> listed;
    for (const ExpectedPicture& expected : expectedPictures) {
        SCOPED_TRACE(expected.name);
        listed.insert(expected.name);
        SurfacePtr image(cairo_image_surface_create_from_png((dir / expected.name).c_str()));
        ASSERT_EQ(cairo_surface_status(image.get()), CAIRO_STATUS_SUCCESS);
        cairo_surface_t* surface = image.get();
        // cairo reads a PNG without alpha channel as RGB24.
        EXPECT_EQ(cairo_image_surface_get_format(surface), CAIRO_FORMAT_ARGB32);
        const int width = cairo_image_surface_get_width(surface);
        const int height = cairo_image_surface_get_height(surface);
        ASSERT_EQ(width, expected.width);
        ASSERT_EQ(height, expected.height);

        int opaque = 0;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                opaque += alphaAt(surface, x, y) == 255 ? 1 : 0;
            }
        }
        EXPECT_GT(opaque, width * height / 20) << "hardly anything drawn";
        EXPECT_LT(opaque, width * height * 3 / 4) << "background not transparent";
        for (auto [x, y] :
             {std::pair{0, 0}, {width - 1, 0}, {0, height - 1}, {width - 1, height - 1}}) {
            EXPECT_EQ(alphaAt(surface, x, y), 0) << "corner " << x << "," << y;
        }

        if (expected.foot == Foot::BottomCentre) {
            // The opaque pixels of the bottom row (the pole's foot) are centred on width / 2.
            int count = 0;
            int sum = 0;
            for (int x = 0; x < width; ++x) {
                if (alphaAt(surface, x, height - 1) == 255) {
                    ++count;
                    sum += x;
                }
            }
            ASSERT_GT(count, 0) << "no foot in the bottom row";
            EXPECT_EQ(2 * sum + count, count * width) << "foot not at the bottom centre";
        }
    }

    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        EXPECT_TRUE(listed.contains(entry.path().filename().string()))
            << "unexpected file " << entry.path();
    }
}

} // namespace
