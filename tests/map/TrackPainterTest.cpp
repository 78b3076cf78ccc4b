#include "map/TrackPainter.h"

#include "PainterTestSupport.h"

using namespace trakmoor;
using namespace trakmoor::test;

namespace {

std::unique_ptr<Track> trackThrough(std::initializer_list<std::pair<double, double>> pixels) {
    auto track = std::make_unique<Track>();
    for (const auto& [x, y] : pixels)
        addPoint(*track, unitPanelPoint(x, y).lat, unitPanelPoint(x, y).lon);
    return track;
}

OwnedCairoSurface flag10x20(double r, double g, double b) {
    OwnedCairoSurface image(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 10, 20));
    const OwnedCairoContext cr(cairo_create(image.get()));
    cairo_set_source_rgb(cr.get(), r, g, b);
    cairo_paint(cr.get());
    return image;
}

// Corners of the unit box first and last, so that the track fits 256 pixels to the degree.
const auto kTrack = trackThrough({{28, 284}, {28, 150.5}, {200, 150.5}, {200, 60.5}, {284, 28}});

Canvas paint(const TrackDecorations& decorations, const ViewState& view = {},
             const Track& track = *kTrack, const TrackPaintOptions& options = {}) {
    Canvas canvas(kUnitPanel, kUnitPanel);
    TrackBoundsCache bounds;
    paintTrack(canvas.cr.get(), MapProjection(view, bounds, track, kUnitPanel, kUnitPanel), track,
               decorations, options);
    EXPECT_EQ(cairo_status(canvas.cr.get()), CAIRO_STATUS_SUCCESS);
    return canvas;
}

} // namespace

TEST(TrackPainter, LineCursorAndFlagsAtTheirPoints) {
    const auto red = flag10x20(1, 0, 0), blue = flag10x20(0, 0, 1), green = flag10x20(0, 1, 0);
    OwnedCairoSurface broken(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, -1, -1));
    TrackDecorations decorations;
    decorations.marks.cursorIndex = 2;
    decorations.marks.markerA = 1;
    decorations.flags = {red.get(), blue.get(), green.get(), broken.get()};
    const Canvas c = paint(decorations);
    EXPECT_TRUE(c.is(100, 150, 0.08, 0.38, 0.70));
    EXPECT_TRUE(c.is(207, 150, 1.0, 0.72, 0.05)); // the ring, right of the cursor point
    // Flags stand on their point: bottom centre.
    EXPECT_TRUE(c.is(24, 282, 1, 0, 0));
    EXPECT_EQ(c.at(24, 285).a, 0);
    EXPECT_EQ(c.at(22, 282).a, 0);
    EXPECT_TRUE(c.is(280, 26, 0, 0, 1));
    EXPECT_TRUE(c.is(24, 148, 0, 1, 0)); // marker A; B is not set

    decorations.marks.freeCursor = true;
    decorations.marks.freeCursorLat = unitPanelPoint(150, 250.5).lat;
    decorations.marks.freeCursorLon = unitPanelPoint(150, 250.5).lon;
    const Canvas free = paint(decorations);
    EXPECT_TRUE(free.is(157, 250, 0.92, 0.32, 0.10));
    EXPECT_EQ(free.at(207, 150).a, 0); // no ring
}

TEST(TrackPainter, SectionIsTheSameInBothMarkerOrders) {
    TrackDecorations decorations{.marks = {.markerA = 1, .markerB = 3}, .flags = {}};
    const Canvas forward = paint(decorations);
    EXPECT_TRUE(forward.is(100, 150, 0.82, 0.12, 0.10));
    EXPECT_EQ(forward.at(114, 105).a, 0);
    std::swap(decorations.marks.markerA, decorations.marks.markerB);
    EXPECT_EQ(paint(decorations).bytes(), forward.bytes());
    decorations.showDirectLine = true;
    const Rgba direct = paint(decorations).at(114, 105);
    EXPECT_TRUE(direct.a > 200 && direct.r > 150 && direct.g < 100) << direct.a;
}

// Segments drawn before add nothing to a round-capped stroke, and tiles clipped to their own
// pixels give each pixel the coverage of the whole stroke, but for rounding where many segments
// cross.
TEST(TrackPainter, RepeatsAndTilesKeepThePicture) {
    const auto track = repeatedTrack("gpsbabel__sbn-v13.gpx", 3);
    TrackBoundsCache bounds;
    const MapProjection projection({.zoom = 2.0}, bounds, *track, kUnitPanel, kUnitPanel);
    auto draw = [&](bool dropRepeats, bool tiles) {
        auto canvas = std::make_unique<Canvas>(kUnitPanel, kUnitPanel);
        paintTrack(canvas->cr.get(), projection, *track, {},
                   {.thinSamePixel = false, .dropRepeats = dropRepeats, .strokeInTiles = tiles});
        return canvas;
    };
    const auto whole = draw(false, false);
    EXPECT_EQ(draw(true, false)->bytes(), whole->bytes());
    const auto tiled = draw(true, true);
    EXPECT_NE(tiled->bytes(), whole->bytes());
    expectLookAlike(*tiled, *whole);
}
