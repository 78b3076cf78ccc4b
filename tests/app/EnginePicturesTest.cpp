// Ctrl+S through real events: the save dialog proposes the track's name, and the picture it writes
// is the panels' own, pixel for pixel.

#include "EngineDriver.h"
#include "gui/GuiTextCtrl.h"
#include "map/CairoHandles.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>

namespace trakmoor {
namespace {

namespace fs = std::filesystem;

// Rows of `part` equal to the rows of `whole` from `top` on.
bool samePixels(cairo_surface_t* whole, int top, cairo_surface_t* part) {
    cairo_surface_flush(part);
    const int width = cairo_image_surface_get_width(part);
    if (cairo_image_surface_get_width(whole) != width ||
        cairo_image_surface_get_height(whole) < top + cairo_image_surface_get_height(part))
        return false;
    for (int y = 0; y < cairo_image_surface_get_height(part); ++y)
        if (std::memcmp(cairo_image_surface_get_data(whole) +
                            (top + y) * cairo_image_surface_get_stride(whole),
                        cairo_image_surface_get_data(part) +
                            y * cairo_image_surface_get_stride(part),
                        4 * static_cast<std::size_t>(width)) != 0)
            return false;
    return true;
}

TEST(EnginePictures, CtrlSSavesThePanelsAsShownAndAsksBeforeReplacing) {
    const fs::path dir =
        fs::temp_directory_path() / ("trakmoor-pictures-" + std::to_string(getpid()));
    fs::create_directories(dir);
    EngineDriver d;
    d.engine->LoadOsmMap("data/data.osm");
    d.key(SDLK_PLUS);
    d.key(SDLK_RIGHT, KMOD_LCTRL);
    auto type = [&](const std::string& text) { // 31 bytes per text event
        for (std::size_t at = 0; at < text.size(); at += 31)
            guitest::pushText(d.dialog()->appWindow, text.substr(at, 31).c_str());
        d.key(SDLK_RETURN, 0, d.dialog()->appWindow);
    };

    d.key(SDLK_s, KMOD_LCTRL);
    ASSERT_NE(d.dialog(), nullptr);
    EXPECT_EQ(d.dialog()->currentDir(), fs::current_path().string());
    const std::string proposed = d.engine->currentTrack()->name() + ".png";
    EXPECT_EQ(d.dialog()->fileNameField()->text(), proposed);
    // A folder typed into the field is entered; the proposed name stays for the file.
    d.key(SDLK_a, KMOD_LCTRL, d.dialog()->appWindow);
    type(dir.string());
    EXPECT_EQ(std::pair(d.dialog()->currentDir(), d.dialog()->fileNameField()->text()),
              std::pair(dir.string(), proposed));
    d.key(SDLK_RETURN, 0, d.dialog()->appWindow);
    EXPECT_EQ(d.dialog(), nullptr);
    EXPECT_EQ(d.status(), "Saved " + proposed);

    const OwnedCairoSurface saved(cairo_image_surface_create_from_png((dir / proposed).c_str()));
    const MainWindowControls& c = d.controls();
    ASSERT_EQ(cairo_image_surface_get_height(saved.get()),
              c.mapPanel->height + c.graphPanel->height);
    EXPECT_TRUE(samePixels(saved.get(), 0, cairo_get_target(c.mapPanel->cairo())));
    EXPECT_TRUE(
        samePixels(saved.get(), c.mapPanel->height, cairo_get_target(c.graphPanel->cairo())));

    // The same name again: the dialog asks, a second Return replaces.
    fs::resize_file(dir / proposed, 0);
    d.key(SDLK_s, KMOD_LCTRL);
    d.key(SDLK_a, KMOD_LCTRL, d.dialog()->appWindow);
    ASSERT_NE(d.dialog(), nullptr);
    type((dir / proposed).string());
    ASSERT_NE(d.dialog(), nullptr);
    std::string message;
    d.dialog()->messageLabel()->getValue(message);
    EXPECT_EQ(message, "File exists. Replace it?");
    EXPECT_EQ(fs::file_size(dir / proposed), 0u);
    d.key(SDLK_RETURN, 0, d.dialog()->appWindow);
    EXPECT_EQ(d.dialog(), nullptr);
    EXPECT_GT(fs::file_size(dir / proposed), 0u);
    // A name of an unknown kind is refused with the reason, and nothing is written.
    d.key(SDLK_s, KMOD_LCTRL);
    d.key(SDLK_a, KMOD_LCTRL, d.dialog()->appWindow);
    type((dir / "ride.gif").string());
    EXPECT_EQ(d.status(),
              "Unknown picture type (use .png, .pdf or .svg): " + (dir / "ride.gif").string());
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
    fs::remove_all(dir);
}

} // namespace
} // namespace trakmoor
