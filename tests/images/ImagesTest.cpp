// The pictures in data/images: each is shown by the toolkit at its own size (or exactly half of
// it), so a wrong size, a missing alpha channel or an empty picture would show on screen.

#include "gui/SdlHandles.h"

#include <cairo.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>

namespace {

struct ExpectedPicture {
    const char* name;
    int width, height;
};

constexpr ExpectedPicture expectedPictures[] = {
    {"logo.png", 190, 47},         {"cursor_prev.png", 24, 22},   {"cursor_next.png", 24, 22},
    {"signpost.png", 24, 22},      {"mini_finish.png", 24, 22},   {"zoom_in.png", 24, 22},
    {"zoom_out.png", 24, 22},      {"angle_x_left.png", 24, 16},  {"angle_x_right.png", 24, 16},
    {"angle_y_left.png", 24, 16},  {"angle_y_right.png", 24, 16}, {"angle_z_left.png", 24, 16},
    {"angle_z_right.png", 24, 16}, {"flag_mark_a.png", 40, 32},   {"flag_mark_b.png", 40, 32},
    {"flag_start.png", 24, 32},    {"flag_finish.png", 24, 32},
};

std::uint8_t alphaAt(cairo_surface_t* surface, int x, int y) {
    const unsigned char* row =
        cairo_image_surface_get_data(surface) + y * cairo_image_surface_get_stride(surface);
    return static_cast<std::uint8_t>(reinterpret_cast<const std::uint32_t*>(row)[x] >> 24);
}

TEST(Images, EveryPictureLoadsAtItsShownSizeWithTransparency) {
    const std::filesystem::path dir = TRAKMOOR_IMAGE_DIR;
    for (const ExpectedPicture& expected : expectedPictures) {
        SCOPED_TRACE(expected.name);
        CairoSurfacePtr image(cairo_image_surface_create_from_png((dir / expected.name).c_str()));
        cairo_surface_t* surface = image.get();
        ASSERT_EQ(cairo_surface_status(surface), CAIRO_STATUS_SUCCESS);
        // cairo reads a PNG without alpha channel as RGB24.
        EXPECT_EQ(cairo_image_surface_get_format(surface), CAIRO_FORMAT_ARGB32);
        const int width = cairo_image_surface_get_width(surface);
        const int height = cairo_image_surface_get_height(surface);
        ASSERT_EQ(std::pair(width, height), std::pair(expected.width, expected.height));

        int opaque = 0;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                opaque += alphaAt(surface, x, y) == 255 ? 1 : 0;
            }
        }
        EXPECT_GT(opaque, width * height / 20) << "hardly anything drawn";
        EXPECT_LT(opaque, width * height * 3 / 4) << "background not transparent";
        EXPECT_EQ(alphaAt(surface, 0, 0) + alphaAt(surface, width - 1, height - 1), 0)
            << "opaque corners";
    }
}

} // namespace
