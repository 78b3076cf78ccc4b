#include "map/MapProjection.h"
#include "map/ViewOperations.h"

#include "PainterTestSupport.h"

using namespace trakmoor;
using trakmoor::test::makeTrack;

namespace {

// 0.2 degrees of longitude by 0.1 of latitude on a 520 x 522 panel: 464 / 0.2 = 2320 pixels per
// degree is the smaller scale.
const auto kBox = makeTrack({{47.0, 9.0, 500.0}, {47.1, 9.2, 600.0}});

ScreenPoint project(const ViewState& view, double lat, double lon, double ele = 500.0) {
    TrackBoundsCache bounds;
    return MapProjection(view, bounds, *kBox, 520, 522).project(lat, lon, ele, true);
}
double distance(ScreenPoint a, ScreenPoint b) {
    return std::hypot(a.x - b.x, a.y - b.y);
}
} // namespace

TEST(MapProjection, FitsTheTrackBoxLessTheMarginAndFollowsTheTrack) {
    const ViewState view;
    EXPECT_NEAR(project(view, 47.0, 9.0).x, 28.0, 1e-9);
    EXPECT_NEAR(project(view, 47.0, 9.0).y, 261.0 + 116.0, 1e-9);
    EXPECT_NEAR(project(view, 47.1, 9.2).x, 492.0, 1e-9);
    ViewState zoomed;
    zoomed.zoom = 2.0;
    zoomed.panX = 10.0;
    zoomed.panY = -5.0;
    EXPECT_NEAR(project(zoomed, 47.1, 9.2).x, 260.0 + 464.0 + 10.0, 1e-9);
    EXPECT_NEAR(project(zoomed, 47.1, 9.2).y, 261.0 - 232.0 - 5.0, 1e-9);
    // Without "Height" every point lies on the first point's plane.
    TrackBoundsCache bounds;
    const MapProjection flat(view, bounds, *kBox, 520, 522);
    EXPECT_NEAR(flat.projectWayPoint(*kBox->pointAt(1), false).y, 261.0 - 116.0, 1e-9);

    // One point (zero ranges) lies in the middle; a point added to the track refits the view.
    auto track = makeTrack({{47.0, 9.0, 0.0}});
    EXPECT_DOUBLE_EQ(ProjectPoint(view, bounds, *track, 520, 522, 47.0, 9.0, 0.0, true).x, 260.0);
    EXPECT_TRUE(
        ProjectPoint(view, bounds, *track, 520, 522, 47.0 + 1e-9, 9.0, 0.0, true).isFinite());
    test::addPoint(*track, 47.1, 9.2);
    EXPECT_NEAR(ProjectWayPoint(view, bounds, *track, 520, 522, *track->pointAt(1), true).x, 492.0,
                1e-9);
}

TEST(MapProjection, AnglesAndHeadingTurnAboutThePanelCentre) {
    ViewState turned;
    turned.angleZ = 37;
    turned.headingOffset = 0.4;
    EXPECT_NEAR(distance(project(turned, 47.02, 9.03), project(turned, 47.09, 9.17)),
                distance(project({}, 47.02, 9.03), project({}, 47.09, 9.17)), 1e-9);
    EXPECT_NEAR(project(turned, 47.05, 9.1).x, 260.0, 1e-9);
    EXPECT_NEAR(project(turned, 47.05, 9.1).y, 261.0, 1e-9);

    // Z 90: east comes to the bottom; a heading offset of pi/2 is the same turn.
    ViewState east;
    east.angleZ = 90;
    EXPECT_NEAR(project(east, 47.05, 9.2).y, 261.0 + 232.0, 1e-9);
    east.angleZ = 0;
    east.headingOffset = std::numbers::pi / 2;
    EXPECT_NEAR(project(east, 47.05, 9.2).y, 261.0 + 232.0, 1e-9);

    // X 90 folds the flat map onto the centre line, where only heights stand out (111320 metres
    // to the degree); Y 90 folds it onto the vertical centre line.
    ViewState tilted;
    tilted.angleX = 90;
    EXPECT_NEAR(project(tilted, 47.1, 9.2).y, 261.0, 1e-9);
    EXPECT_NEAR(project(tilted, 47.05, 9.1, 500.0 + 111.32).y, 261.0 - 2.32, 1e-9);
    ViewState sideways;
    sideways.angleY = 90;
    EXPECT_NEAR(project(sideways, 47.1, 9.2).x, 260.0, 1e-9);
    TrackBoundsCache bounds;
    tilted.showHeight = true;
    EXPECT_NEAR(
        MapProjection(tilted, bounds, *kBox, 520, 522).projectWayPoint(*kBox->pointAt(1), true).y,
        261.0 - 2320.0 * 100 / 111320, 1e-9);
}

TEST(MapProjection, FreeCursorPlacementInvertsTheFlatProjection) {
    ViewState view;
    view.zoom = 3.5;
    view.panX = 41.0;
    view.panY = -17.0;
    TrackBoundsCache bounds;
    const std::optional<MapPoint> at =
        freeCursorPositionAt(view, bounds, *kBox, 520, 522, 100, 200);
    ASSERT_TRUE(at);
    EXPECT_NEAR(project(view, at->lat, at->lon).x, 100.0, 1e-9);
    EXPECT_NEAR(project(view, at->lat, at->lon).y, 200.0, 1e-9);
    EXPECT_FALSE(freeCursorPositionAt(view, bounds, Track(), 520, 522, 1, 1));
}

TEST(MapProjection, NearestTrackPointLowerIndexOnTiesNeverAnUnplacedOne) {
    // Points 0 and 2 share a place; point 3 has no height to lift it by.
    auto track = makeTrack({{47.0, 9.0, 500.0}, {47.1, 9.2, 600.0}, {47.0, 9.0, 500.0}});
    test::addPoint(*track, 47.05, 9.1, NAN);
    ViewState view;
    view.showHeight = true;
    view.panX = 10.0;
    TrackBoundsCache bounds;
    const MapProjection projection(view, bounds, *track, 520, 522);
    EXPECT_EQ(nearestTrackPoint(projection, *track, 40.0, 370.0), 0);
    EXPECT_EQ(nearestTrackPoint(projection, *track, 270.0, 261.0), 0);
    EXPECT_EQ(nearestTrackPoint(projection, *track, 400.0, 200.0), 1);
    const auto unplaced = makeTrack({{47.0, 9.0, NAN}});
    EXPECT_EQ(nearestTrackPoint(MapProjection(view, bounds, *unplaced, 520, 522), *unplaced, 0, 0),
              std::nullopt);
}

TEST(ViewOperations, AngleTextIsAWholeThirtyTwoBitNumber) {
    const std::pair<const char*, std::optional<std::int32_t>> cases[] = {
        {"725", 725}, {" \t-30", -30}, {"+7", 7},  {"-2147483648", INT32_MIN},
        {"12a", {}},  {"", {}},        {"7 ", {}}, {"2147483648", {}},
        {"+-3", {}},  {"1e3", {}},     {"-", {}},  {"99999999999999999999", {}}};
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(parseAngleText(text), expected) << '"' << text << '"';
    }
}
