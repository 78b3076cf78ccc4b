#include "map/MapProjection.h"

#include "PainterTestSupport.h"

#include <gtest/gtest.h>

using namespace trakmoor;
using trakmoor::test::makeTrack;

namespace {

// 0.2 degrees of longitude by 0.1 of latitude on a 520 x 522 panel: 464 / 0.2 = 2320 pixels per
// degree is the smaller scale.
const auto kBox = makeTrack({{47.0, 9.0, 500.0}, {47.1, 9.2, 600.0}});

ScreenPoint project(const ViewState& view, double lat, double lon, double ele = 500.0,
                    bool pan = true) {
    TrackBoundsCache bounds;
    return MapProjection(view, bounds, *kBox, 520, 522).project(lat, lon, ele, pan);
}

double distance(ScreenPoint a, ScreenPoint b) {
    return std::hypot(a.x - b.x, a.y - b.y);
}

} // namespace

TEST(MapProjection, FitsTheTrackBoxLessTheMarginNorthUp) {
    const ViewState view;
    const ScreenPoint southWest = project(view, 47.0, 9.0);
    const ScreenPoint northEast = project(view, 47.1, 9.2);
    EXPECT_NEAR(southWest.x, 28.0, 1e-9);
    EXPECT_NEAR(northEast.x, 492.0, 1e-9);
    EXPECT_NEAR(southWest.y, 261.0 + 116.0, 1e-9);
    EXPECT_NEAR(northEast.y, 261.0 - 116.0, 1e-9);

    ViewState zoomed;
    zoomed.zoom = 2.0;
    zoomed.panX = 10.0;
    zoomed.panY = -5.0;
    EXPECT_NEAR(project(zoomed, 47.1, 9.2).x, 260.0 + 464.0 + 10.0, 1e-9);
    EXPECT_NEAR(project(zoomed, 47.1, 9.2, 500.0, false).y, 261.0 - 232.0, 1e-9);
    // Without "Height" elevations are ignored, with it a point rises only once tilted.
    TrackBoundsCache bounds;
    const MapProjection flat(view, bounds, *kBox, 520, 522);
    EXPECT_DOUBLE_EQ(flat.projectWayPoint(*kBox->pointAt(1), true).y, northEast.y);
    EXPECT_DOUBLE_EQ(flat.baseElevation(), 500.0);
}

TEST(MapProjection, AnglesAndHeadingTurnAboutThePanelCentre) {
    const ViewState plain;
    const ScreenPoint a0 = project(plain, 47.02, 9.03);
    const ScreenPoint b0 = project(plain, 47.09, 9.17);
    ViewState turned;
    turned.angleZ = 37;
    turned.headingOffset = 0.4;
    const ScreenPoint a = project(turned, 47.02, 9.03);
    const ScreenPoint b = project(turned, 47.09, 9.17);
    EXPECT_NEAR(distance(a, b), distance(a0, b0), 1e-9);
    const ScreenPoint centre = project(turned, 47.05, 9.1);
    EXPECT_NEAR(centre.x, 260.0, 1e-9);
    EXPECT_NEAR(centre.y, 261.0, 1e-9);
    EXPECT_NEAR(distance(a, centre), distance(a0, project(plain, 47.05, 9.1)), 1e-9);

    // Z 90: east comes to the bottom. A heading offset of pi/2 is the same turn.
    ViewState east;
    east.angleZ = 90;
    EXPECT_NEAR(project(east, 47.05, 9.2).y, 261.0 + 232.0, 1e-9);
    ViewState heading;
    heading.headingOffset = std::numbers::pi / 2;
    EXPECT_NEAR(project(heading, 47.05, 9.2).y, 261.0 + 232.0, 1e-9);

    // X 90 folds the flat map onto the horizontal centre line; only heights stand out of it,
    // 111320 metres being one degree.
    ViewState tilted;
    tilted.angleX = 90;
    EXPECT_NEAR(project(tilted, 47.1, 9.2).y, 261.0, 1e-9);
    EXPECT_NEAR(project(tilted, 47.05, 9.1, 500.0 + 111.32).y, 261.0 - 2.32, 1e-9);
    // Y 90 folds it onto the vertical centre line.
    ViewState sideways;
    sideways.angleY = 90;
    EXPECT_NEAR(project(sideways, 47.1, 9.2).x, 260.0, 1e-9);

    TrackBoundsCache bounds;
    tilted.showHeight = true;
    const MapProjection lifted(tilted, bounds, *kBox, 520, 522);
    EXPECT_NEAR(lifted.projectWayPoint(*kBox->pointAt(1), true).y, 261.0 - 2320.0 * 100 / 111320,
                1e-9);
}

TEST(MapProjection, BoundsFollowTheTrackAndOnePointStaysFinite) {
    auto track = makeTrack({{47.0, 9.0, 0.0}});
    TrackBoundsCache bounds;
    const ViewState view;
    const ScreenPoint only = ProjectPoint(view, bounds, *track, 520, 522, 47.0, 9.0, 0.0, true);
    EXPECT_DOUBLE_EQ(only.x, 260.0);
    EXPECT_DOUBLE_EQ(only.y, 261.0);
    EXPECT_TRUE(
        ProjectPoint(view, bounds, *track, 520, 522, 47.0 + 1e-9, 9.0, 0.0, true).isFinite());

    // A point added to the same track refits the view.
    auto point = std::make_unique<WayPoint>();
    point->setLat(47.1);
    point->setLon(9.2);
    track->addPoint(std::move(point));
    EXPECT_NEAR(ProjectWayPoint(view, bounds, *track, 520, 522, *track->pointAt(1), true).x, 492.0,
                1e-9);
    EXPECT_EQ(bounds.pointCount, 2);
    // And another track replaces the cached box.
    ProjectPoint(view, bounds, *kBox, 520, 522, 47.0, 9.0, 0.0, true);
    EXPECT_EQ(bounds.track, kBox.get());
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
    const ScreenPoint back = project(view, at->lat, at->lon);
    EXPECT_NEAR(back.x, 100.0, 1e-9);
    EXPECT_NEAR(back.y, 200.0, 1e-9);
    EXPECT_FALSE(freeCursorPositionAt(view, bounds, Track(), 520, 522, 1, 1));
}
