#include "map/TrackPainter.h"

#include "map/PixelThinning.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace trakmoor {

namespace {

constexpr int kSegmentsPerStroke = 128;
constexpr double kMinimumStepSquared = 1e-8;

bool isValidIndex(std::int32_t index, std::int32_t count) {
    return index >= 0 && index < count;
}

void circle(cairo_t* cr, ScreenPoint p, double radius) {
    cairo_new_sub_path(cr);
    cairo_arc(cr, p.x, p.y, radius, 0.0, 2.0 * std::numbers::pi);
}

// Filled dots with a thin light outline, one path each so that they overlap as separate dots.
void drawDots(cairo_t* cr, const std::vector<ScreenPoint>& points, std::int32_t first,
              std::int32_t last, double radius, double fillR, double fillG, double fillB,
              double lineR, double lineG, double lineB) {
    cairo_set_line_width(cr, 1.0);
    for (std::int32_t i = first; i <= last; ++i) {
        if (!points[i].isFinite())
            continue;
        cairo_new_path(cr);
        circle(cr, points[i], radius);
        cairo_set_source_rgb(cr, fillR, fillG, fillB);
        cairo_fill_preserve(cr);
        cairo_set_source_rgb(cr, lineR, lineG, lineB);
        cairo_stroke(cr);
    }
}

void drawHeightLines(cairo_t* cr, const MapProjection& projection, const Track& track,
                     const std::vector<ScreenPoint>& lifted) {
    cairo_set_source_rgba(cr, 0.30, 0.34, 0.38, 0.42);
    cairo_set_line_width(cr, 1.0);
    int segments = 0;
    for (std::int32_t i = 0; i < track.pointCount(); ++i) {
        const WayPoint& point = *track.pointAt(i);
        const ScreenPoint base = projection.projectFlat(point.lat(), point.lon(), true);
        if (!lifted[i].isFinite() || !base.isFinite())
            continue;
        cairo_move_to(cr, lifted[i].x, lifted[i].y);
        cairo_line_to(cr, base.x, base.y);
        if (++segments % kSegmentsPerStroke == 0)
            cairo_stroke(cr);
    }
    cairo_stroke(cr);
}

// Stroked in chunks, each restarting at the last drawn point, so that cairo never holds one huge
// self-overlapping polygon.
void drawTrackLine(cairo_t* cr, const std::vector<ScreenPoint>& points, bool thinSamePixel) {
    const auto start = std::find_if(points.begin(), points.end(),
                                    [](const ScreenPoint& p) { return p.isFinite(); });
    if (start == points.end())
        return;
    cairo_set_source_rgb(cr, 0.08, 0.38, 0.70);
    cairo_set_line_width(cr, 2.5);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    ScreenPoint last = *start;
    cairo_move_to(cr, last.x, last.y);
    int segments = 0;
    auto draw = [&](ScreenPoint p) {
        const double dx = p.x - last.x;
        const double dy = p.y - last.y;
        if (dx * dx + dy * dy < kMinimumStepSquared)
            return;
        cairo_line_to(cr, p.x, p.y);
        last = p;
        if (++segments % kSegmentsPerStroke == 0) {
            cairo_stroke(cr);
            cairo_move_to(cr, last.x, last.y);
        }
    };
    PixelThinning thinning(thinSamePixel, last);
    for (auto it = start + 1; it != points.end(); ++it)
        if (it->isFinite())
            thinning.add(*it, draw);
    thinning.finish(draw);
    cairo_stroke(cr);
}

void drawSection(cairo_t* cr, const std::vector<ScreenPoint>& points, std::int32_t a,
                 std::int32_t b) {
    const std::int32_t lo = std::min(a, b);
    const std::int32_t hi = std::max(a, b);
    cairo_set_source_rgb(cr, 0.82, 0.12, 0.10);
    cairo_set_line_width(cr, 4.0);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_new_path(cr);
    for (std::int32_t i = lo; i <= hi; ++i)
        if (points[i].isFinite())
            cairo_line_to(cr, points[i].x, points[i].y);
    cairo_stroke(cr);
    drawDots(cr, points, lo, hi, 4.0, 0.82, 0.12, 0.10, 1.0, 0.92, 0.90);
}

void drawCursor(cairo_t* cr, const MapProjection& projection, const Track& track,
                const TrackDecorations& decorations, const std::vector<ScreenPoint>& points) {
    if (decorations.freeCursor) {
        const ScreenPoint p =
            projection.projectFlat(decorations.freeCursorLat, decorations.freeCursorLon, true);
        if (!p.isFinite())
            return;
        cairo_new_path(cr);
        cairo_move_to(cr, p.x - 9.0, p.y);
        cairo_line_to(cr, p.x + 9.0, p.y);
        cairo_move_to(cr, p.x, p.y - 9.0);
        cairo_line_to(cr, p.x, p.y + 9.0);
        circle(cr, p, 5.0);
        cairo_set_source_rgb(cr, 0.92, 0.32, 0.10);
        cairo_set_line_width(cr, 2.5);
        cairo_stroke(cr);
    } else if (isValidIndex(decorations.cursorIndex, track.pointCount()) &&
               points[decorations.cursorIndex].isFinite()) {
        cairo_new_path(cr);
        circle(cr, points[decorations.cursorIndex], 7.0);
        cairo_set_source_rgb(cr, 1.0, 0.72, 0.05);
        cairo_set_line_width(cr, 3.0);
        cairo_stroke(cr);
    }
}

} // namespace

void drawFlag(cairo_t* cr, cairo_surface_t* image, ScreenPoint anchor) {
    if (image == nullptr || cairo_surface_status(image) != CAIRO_STATUS_SUCCESS ||
        cairo_surface_get_type(image) != CAIRO_SURFACE_TYPE_IMAGE || !anchor.isFinite())
        return;
    const double width = cairo_image_surface_get_width(image);
    const double height = cairo_image_surface_get_height(image);
    cairo_save(cr);
    cairo_set_source_surface(cr, image, anchor.x - width * 0.5, anchor.y - height);
    cairo_paint(cr);
    cairo_restore(cr);
}

void paintTrack(cairo_t* cr, const MapProjection& projection, const Track& track,
                const TrackDecorations& decorations, const TrackPaintOptions& options) {
    const std::int32_t n = track.pointCount();
    if (n == 0)
        return;
    std::vector<ScreenPoint> points(static_cast<std::size_t>(n));
    for (std::int32_t i = 0; i < n; ++i)
        points[i] = projection.projectWayPoint(*track.pointAt(i), true);

    cairo_save(cr);
    cairo_new_path(cr);
    if (projection.showsHeight())
        drawHeightLines(cr, projection, track, points);
    drawTrackLine(cr, points, options.thinSamePixel);

    const bool bothMarkers =
        isValidIndex(decorations.markerA, n) && isValidIndex(decorations.markerB, n);
    if (decorations.showDirectLine && bothMarkers && points[decorations.markerA].isFinite() &&
        points[decorations.markerB].isFinite()) {
        cairo_new_path(cr);
        cairo_move_to(cr, points[decorations.markerA].x, points[decorations.markerA].y);
        cairo_line_to(cr, points[decorations.markerB].x, points[decorations.markerB].y);
        cairo_set_source_rgb(cr, 0.75, 0.25, 0.12);
        cairo_set_line_width(cr, 1.5);
        cairo_stroke(cr);
    }

    drawFlag(cr, decorations.flags.start, points.front());
    drawFlag(cr, decorations.flags.finish, points.back());

    if (decorations.showWaypoints)
        drawDots(cr, points, 0, n - 1, 3.5, 0.10, 0.32, 0.60, 0.95, 0.98, 1.0);
    if (bothMarkers)
        drawSection(cr, points, decorations.markerA, decorations.markerB);

    drawCursor(cr, projection, track, decorations, points);

    if (isValidIndex(decorations.markerA, n))
        drawFlag(cr, decorations.flags.markA, points[decorations.markerA]);
    if (isValidIndex(decorations.markerB, n))
        drawFlag(cr, decorations.flags.markB, points[decorations.markerB]);
    cairo_restore(cr);
}

} // namespace trakmoor
