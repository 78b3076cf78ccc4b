#include "map/TrackPainter.h"

#include "PainterTestSupport.h"

#include <gtest/gtest.h>

using namespace trakmoor;
using namespace trakmoor::test;

namespace {

std::unique_ptr<Track> trackThrough(std::initializer_list<std::pair<double, double>> pixels) {
    auto track = std::make_unique<Track>();
    for (const auto& [x, y] : pixels) {
        auto point = std::make_unique<WayPoint>();
        point->setLat(unitPanelPoint(x, y).lat);
        point->setLon(unitPanelPoint(x, y).lon);
        track->addPoint(std::move(point));
    }
    return track;
}

OwnedCairoSurface block(int w, int h, double r, double g, double b) {
    OwnedCairoSurface image(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h));
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
    const auto red = block(10, 20, 1, 0, 0);
    const auto blue = block(10, 20, 0, 0, 1);
    const auto green = block(10, 20, 0, 1, 0);
    OwnedCairoSurface broken(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, -1, -1));
    TrackDecorations decorations;
    decorations.cursorIndex = 2;
    decorations.markerA = 1;
    decorations.flags = {red.get(), blue.get(), green.get(), broken.get()};
    const Canvas c = paint(decorations);
    EXPECT_TRUE(c.is(100, 150, 0.08, 0.38, 0.70));
    EXPECT_TRUE(c.is(207, 150, 1.0, 0.72, 0.05)); // the ring, right of the cursor point
    EXPECT_EQ(c.at(200, 150).a, 255);
    // Flags stand on their point: bottom centre.
    EXPECT_TRUE(c.is(24, 282, 1, 0, 0));
    EXPECT_TRUE(c.is(32, 265, 1, 0, 0));
    EXPECT_EQ(c.at(24, 285).a, 0);
    EXPECT_EQ(c.at(22, 282).a, 0);
    EXPECT_TRUE(c.is(280, 26, 0, 0, 1));
    EXPECT_TRUE(c.is(24, 148, 0, 1, 0)); // marker A; B is not set

    decorations.freeCursor = true;
    decorations.freeCursorLat = unitPanelPoint(150, 250.5).lat;
    decorations.freeCursorLon = unitPanelPoint(150, 250.5).lon;
    const Canvas free = paint(decorations);
    EXPECT_TRUE(free.is(157, 250, 0.92, 0.32, 0.10));
    EXPECT_EQ(free.at(207, 150).a, 0); // no ring
}

TEST(TrackPainter, SectionIsTheSameInBothMarkerOrders) {
    TrackDecorations decorations;
    decorations.markerA = 1;
    decorations.markerB = 3;
    const Canvas forward = paint(decorations);
    EXPECT_TRUE(forward.is(100, 150, 0.82, 0.12, 0.10));
    EXPECT_EQ(forward.at(114, 105).a, 0);
    std::swap(decorations.markerA, decorations.markerB);
    EXPECT_EQ(paint(decorations).bytes(), forward.bytes());
    decorations.showDirectLine = true;
    const Rgba direct = paint(decorations).at(114, 105);
    EXPECT_TRUE(direct.a > 200 && direct.r > 150 && direct.g < 100) << direct.a;
}

TEST(TrackPainter, UnusablePointsAreSkipped) {
    auto track = trackThrough({{28, 284}, {100, 150.5}, {200, 150.5}, {284, 28}});
    track->pointAt(1)->setEle(NAN);
    track->pointAt(0)->setEle(INFINITY);
    ViewState lifted;
    lifted.showHeight = true;
    lifted.angleX = 30;
    TrackDecorations decorations;
    decorations.cursorIndex = 1;
    decorations.showWaypoints = true;
    decorations.markerA = 0;
    decorations.markerB = 2;
    paint(decorations, lifted, *track);
}

// Leaving out points that fall into the cell of the last drawn one keeps the picture.
TEST(TrackPainter, ThinnedLineLooksLikeTheFullOne) {
    const auto gpx = readGpxFile(
        (std::filesystem::path(TRAKMOOR_TEST_DATA) / "gpx" / "gpsbabel__sbn-v13.gpx").string());
    ASSERT_TRUE(gpx);
    const auto track = repeatedTrack(*gpx, 5);
    expectLookAlike(paint({}, {}, *track, {.thinSamePixel = true}),
                    paint({}, {}, *track, {.thinSamePixel = false}));
}
