#include "map/TrackPainter.h"

#include "map/PixelThinning.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <span>
#include <tuple>
#include <vector>

namespace trakmoor {

namespace {

constexpr int segmentsPerStroke = 128;
constexpr double minimumStepSquared = 1e-8;

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
        if (!points[i].isFinite()) {
            continue;
        }
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
        if (!lifted[i].isFinite() || !base.isFinite()) {
            continue;
        }
        cairo_move_to(cr, lifted[i].x, lifted[i].y);
        cairo_line_to(cr, base.x, base.y);
        if (++segments % segmentsPerStroke == 0) {
            cairo_stroke(cr);
        }
    }
    cairo_stroke(cr);
}

// A straight piece of the track line.
struct LineSegment {
    ScreenPoint a;
    ScreenPoint b;
};

// With round joins and caps a stroke is the union of one capsule per segment, however the
// segments are cut into paths, and painting it twice adds nothing.  So a segment drawn before,
// in either direction, is left out: a track that retraces itself (laps, a file holding the same
// ride twice) costs no more than one pass, and the picture stays the same.  The set holds indexes
// of the kept segments, so that it stays small when most segments repeat.
class SegmentSet {
public:
    explicit SegmentSet(const std::vector<LineSegment>& kept)
        : kept_(kept), slots_(1024, emptySlot) {}

    // True when `segment` is new; it is then to be kept at the next index.
    bool insert(const LineSegment& segment) {
        if (2 * (count_ + 1) > slots_.size()) {
            grow();
        }
        const Key key = keyOf(segment);
        std::size_t i = slotOf(key);
        for (; slots_[i] != emptySlot; i = (i + 1) & (slots_.size() - 1)) {
            if (keyOf(kept_[slots_[i]]) == key) {
                return false;
            }
        }
        slots_[i] = static_cast<std::uint32_t>(kept_.size());
        ++count_;
        return true;
    }

private:
    using Key = std::array<std::uint64_t, 4>;
    static constexpr std::uint32_t emptySlot = UINT32_MAX;

    static Key keyOf(const LineSegment& s) {
        auto bits = [](double v) { return std::bit_cast<std::uint64_t>(v); };
        Key key{bits(s.a.x), bits(s.a.y), bits(s.b.x), bits(s.b.y)};
        if (std::tie(key[2], key[3]) < std::tie(key[0], key[1])) {
            key = {key[2], key[3], key[0], key[1]};
        }
        return key;
    }
    std::size_t slotOf(const Key& key) const {
        std::uint64_t hash = 0x9E3779B97F4A7C15ull;
        for (std::uint64_t word : key) {
            hash = (hash ^ word) * 0xBF58476D1CE4E5B9ull;
        }
        return (hash ^ (hash >> 31)) & (slots_.size() - 1);
    }
    void grow() {
        std::vector<std::uint32_t> old(slots_.size() * 2, emptySlot);
        old.swap(slots_);
        for (std::uint32_t index : old) {
            if (index != emptySlot) {
                std::size_t i = slotOf(keyOf(kept_[index]));
                while (slots_[i] != emptySlot) {
                    i = (i + 1) & (slots_.size() - 1);
                }
                slots_[i] = index;
            }
        }
    }

    const std::vector<LineSegment>& kept_;
    std::vector<std::uint32_t> slots_;
    std::size_t count_ = 0;
};

// The track line's segments after thinning, in drawing order.
std::vector<LineSegment> lineSegments(const std::vector<ScreenPoint>& points,
                                      const TrackPaintOptions& options) {
    std::vector<LineSegment> segments;
    const auto start = std::find_if(points.begin(), points.end(),
                                    [](const ScreenPoint& p) { return p.isFinite(); });
    if (start == points.end()) {
        return segments;
    }
    SegmentSet seen(segments);
    ScreenPoint last = *start;
    auto draw = [&](ScreenPoint p) {
        const double dx = p.x - last.x;
        const double dy = p.y - last.y;
        if (dx * dx + dy * dy < minimumStepSquared) {
            return;
        }
        const LineSegment segment{last, p};
        if (!options.dropRepeats || seen.insert(segment)) {
            segments.push_back(segment);
        }
        last = p;
    };
    PixelThinning thinning(options.thinSamePixel, last);
    for (auto it = start + 1; it != points.end(); ++it) {
        if (it->isFinite()) {
            thinning.add(*it, draw);
        }
    }
    thinning.finish(draw);
    return segments;
}

// Every pixel within this distance of a segment may take colour from it: half the line width,
// and the anti-aliased edge.
constexpr double lineReach = 3.0;
constexpr double tileSize = 64.0;
// Up to this many segments one path is cheap enough; beyond it cairo's rasteriser would keep
// thousands of edges active on every scan line.
constexpr std::size_t singlePathSegments = 512;
// A tile crossed by thousands of segments (laps on a small course) has as many edges on each of
// its scan lines, which costs cairo time in their square; past this count its segments are
// stroked in parts, whose overlaps then take their edge colour twice.
constexpr std::size_t tilePathSegments = 1024;

void addRun(cairo_t* cr, const std::vector<LineSegment>& segments,
            std::span<const std::uint32_t> indexes) {
    std::uint32_t previous = UINT32_MAX;
    for (std::uint32_t i : indexes) {
        const LineSegment& s = segments[i];
        if (previous == UINT32_MAX || i != previous + 1 || segments[previous].b.x != s.a.x ||
            segments[previous].b.y != s.a.y) {
            cairo_move_to(cr, s.a.x, s.a.y);
        }
        cairo_line_to(cr, s.b.x, s.b.y);
        previous = i;
    }
}

// Whole-pixel tiles can only be cut when user space is device space moved by whole pixels.
bool tilesAlignWithPixels(cairo_t* cr) {
    cairo_matrix_t m;
    cairo_get_matrix(cr, &m);
    return m.xx == 1.0 && m.yy == 1.0 && m.xy == 0.0 && m.yx == 0.0 && m.x0 == std::round(m.x0) &&
           m.y0 == std::round(m.y0);
}

void drawTrackLine(cairo_t* cr, const std::vector<ScreenPoint>& points,
                   const TrackPaintOptions& options) {
    const std::vector<LineSegment> drawn = lineSegments(points, options);
    if (drawn.empty()) {
        return;
    }
    double left, top, right, bottom;
    cairo_clip_extents(cr, &left, &top, &right, &bottom);
    left = std::floor(left);
    top = std::floor(top);
    const int columns = std::max(1, static_cast<int>(std::ceil((right - left) / tileSize)));
    const int rows = std::max(1, static_cast<int>(std::ceil((bottom - top) / tileSize)));

    std::vector<std::vector<std::uint32_t>> tiles(static_cast<std::size_t>(columns * rows));
    std::vector<std::uint32_t> all;
    for (std::uint32_t i = 0; i < drawn.size(); ++i) {
        const LineSegment& s = drawn[i];
        // Tile range of the segment's reach; segments that cannot reach the picture are left out.
        auto tileOf = [](double v, double origin, int count) {
            return std::clamp(static_cast<int>(std::floor((v - origin) / tileSize)), -1, count);
        };
        const int c0 = tileOf(std::min(s.a.x, s.b.x) - lineReach, left, columns);
        const int c1 = tileOf(std::max(s.a.x, s.b.x) + lineReach, left, columns);
        const int r0 = tileOf(std::min(s.a.y, s.b.y) - lineReach, top, rows);
        const int r1 = tileOf(std::max(s.a.y, s.b.y) + lineReach, top, rows);
        if (c1 < 0 || r1 < 0 || c0 >= columns || r0 >= rows) {
            continue;
        }
        all.push_back(i);
        for (int r = std::max(r0, 0); r <= std::min(r1, rows - 1); ++r) {
            for (int c = std::max(c0, 0); c <= std::min(c1, columns - 1); ++c) {
                tiles[static_cast<std::size_t>(r * columns + c)].push_back(i);
            }
        }
    }

    cairo_set_source_rgb(cr, 0.08, 0.38, 0.70);
    cairo_set_line_width(cr, 2.5);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    if (!options.strokeInTiles || all.size() <= singlePathSegments || !tilesAlignWithPixels(cr)) {
        cairo_new_path(cr);
        addRun(cr, drawn, all);
        cairo_stroke(cr);
        return;
    }
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            const auto& indexes = tiles[static_cast<std::size_t>(r * columns + c)];
            if (indexes.empty()) {
                continue;
            }
            cairo_save(cr);
            cairo_new_path(cr);
            cairo_rectangle(cr, left + c * tileSize, top + r * tileSize, tileSize, tileSize);
            cairo_clip(cr);
            for (std::size_t from = 0; from < indexes.size(); from += tilePathSegments) {
                addRun(cr, drawn,
                       std::span(indexes).subspan(
                           from, std::min(tilePathSegments, indexes.size() - from)));
                cairo_stroke(cr);
            }
            cairo_restore(cr);
        }
    }
}

void drawSection(cairo_t* cr, const std::vector<ScreenPoint>& points, std::int32_t a,
                 std::int32_t b) {
    const std::int32_t lo = std::min(a, b);
    const std::int32_t hi = std::max(a, b);
    cairo_set_source_rgb(cr, 0.82, 0.12, 0.10);
    cairo_set_line_width(cr, 4.0);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_new_path(cr);
    for (std::int32_t i = lo; i <= hi; ++i) {
        if (points[i].isFinite()) {
            cairo_line_to(cr, points[i].x, points[i].y);
        }
    }
    cairo_stroke(cr);
    drawDots(cr, points, lo, hi, 4.0, 0.82, 0.12, 0.10, 1.0, 0.92, 0.90);
}

void drawCursor(cairo_t* cr, const MapProjection& projection, const Track& track,
                const TrackDecorations& decorations, const std::vector<ScreenPoint>& points) {
    if (decorations.marks.freeCursor) {
        const ScreenPoint p = projection.projectFlat(decorations.marks.freeCursorLat,
                                                     decorations.marks.freeCursorLon, true);
        if (!p.isFinite()) {
            return;
        }
        cairo_new_path(cr);
        cairo_move_to(cr, p.x - 9.0, p.y);
        cairo_line_to(cr, p.x + 9.0, p.y);
        cairo_move_to(cr, p.x, p.y - 9.0);
        cairo_line_to(cr, p.x, p.y + 9.0);
        circle(cr, p, 5.0);
        cairo_set_source_rgb(cr, 0.92, 0.32, 0.10);
        cairo_set_line_width(cr, 2.5);
        cairo_stroke(cr);
    } else if (isValidIndex(decorations.marks.cursorIndex, track.pointCount()) &&
               points[decorations.marks.cursorIndex].isFinite()) {
        cairo_new_path(cr);
        circle(cr, points[decorations.marks.cursorIndex], 7.0);
        cairo_set_source_rgb(cr, 1.0, 0.72, 0.05);
        cairo_set_line_width(cr, 3.0);
        cairo_stroke(cr);
    }
}

} // namespace

void drawFlag(cairo_t* cr, cairo_surface_t* image, ScreenPoint anchor) {
    if (image == nullptr || cairo_surface_status(image) != CAIRO_STATUS_SUCCESS ||
        cairo_surface_get_type(image) != CAIRO_SURFACE_TYPE_IMAGE || !anchor.isFinite()) {
        return;
    }
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
    if (n == 0) {
        return;
    }
    std::vector<ScreenPoint> points(static_cast<std::size_t>(n));
    for (std::int32_t i = 0; i < n; ++i) {
        points[i] = projection.projectWayPoint(*track.pointAt(i), true);
    }

    cairo_save(cr);
    cairo_new_path(cr);
    if (projection.showsHeight()) {
        drawHeightLines(cr, projection, track, points);
    }
    drawTrackLine(cr, points, options);

    const bool bothMarkers =
        isValidIndex(decorations.marks.markerA, n) && isValidIndex(decorations.marks.markerB, n);
    if (decorations.showDirectLine && bothMarkers && points[decorations.marks.markerA].isFinite() &&
        points[decorations.marks.markerB].isFinite()) {
        cairo_new_path(cr);
        cairo_move_to(cr, points[decorations.marks.markerA].x, points[decorations.marks.markerA].y);
        cairo_line_to(cr, points[decorations.marks.markerB].x, points[decorations.marks.markerB].y);
        cairo_set_source_rgb(cr, 0.75, 0.25, 0.12);
        cairo_set_line_width(cr, 1.5);
        cairo_stroke(cr);
    }

    drawFlag(cr, decorations.flags.start, points.front());
    drawFlag(cr, decorations.flags.finish, points.back());

    if (decorations.showWaypoints) {
        drawDots(cr, points, 0, n - 1, 3.5, 0.10, 0.32, 0.60, 0.95, 0.98, 1.0);
    }
    if (bothMarkers) {
        drawSection(cr, points, decorations.marks.markerA, decorations.marks.markerB);
    }

    drawCursor(cr, projection, track, decorations, points);

    if (isValidIndex(decorations.marks.markerA, n)) {
        drawFlag(cr, decorations.flags.markA, points[decorations.marks.markerA]);
    }
    if (isValidIndex(decorations.marks.markerB, n)) {
        drawFlag(cr, decorations.flags.markB, points[decorations.marks.markerB]);
    }
    cairo_restore(cr);
}

} // namespace trakmoor
