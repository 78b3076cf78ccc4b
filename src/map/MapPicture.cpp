#include "map/MapPicture.h"

#include "map/FontFace.h"
#include "map/MapLabels.h"
#include "map/MapStyle.h"
#include "map/ThreadStart.h"

#include <libintl.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstring>
#include <limits>
#include <system_error>
#include <thread>

namespace trakmoor {

namespace {

// Strokes reach beyond their vertices by half their width, mitred outline corners by up to five
// widths (cairo's default miter limit of 10); no map stroke is wider than 9 pixels and no outline
// wider than 2, so this is enough to tell what cannot touch the picture.
constexpr double strokeReach = 16.0;
// Cairo keeps coordinates in 24.8 fixed point; far beyond the picture they would wrap around.
constexpr double coordinateLimit = 4.0e6;
constexpr int maxBands = 4;

struct Ring {
    std::uint32_t begin = 0;
    std::uint32_t end = 0;
    bool close = false;
};

struct PreparedFeature {
    const MapFeature* feature = nullptr;
    std::uint32_t firstRing = 0;
    std::uint32_t ringEnd = 0;
    double minX = 0.0;
    double minY = 0.0;
    double maxX = 0.0;
    double maxY = 0.0;
};

// The visible features in drawing order with their vertices projected once for all bands.
struct PreparedMap {
    std::vector<PreparedFeature> features;
    std::vector<Ring> rings;
    std::vector<ScreenPoint> vertices;
};

class MapPreparer {
public:
    MapPreparer(const MapProjection& projection, PreparedMap& out)
        : projection_(projection), out_(out) {}

    void add(const MapFeature& feature) {
        PreparedFeature prepared;
        prepared.feature = &feature;
        prepared.firstRing = static_cast<std::uint32_t>(out_.rings.size());
        minX_ = minY_ = HUGE_VAL;
        maxX_ = maxY_ = -HUGE_VAL;
        addRing(feature.points, feature.closed);
        for (const auto& ring : feature.rings) {
            if (ring.size() >= 3) {
                addRing(ring, true);
            }
        }
        prepared.ringEnd = static_cast<std::uint32_t>(out_.rings.size());
        prepared.minX = minX_;
        prepared.minY = minY_;
        prepared.maxX = maxX_;
        prepared.maxY = maxY_;
        out_.features.push_back(prepared);
    }

    // Rolls back the feature just added.
    void dropLast() {
        const PreparedFeature& last = out_.features.back();
        if (last.firstRing < out_.rings.size()) {
            out_.vertices.resize(out_.rings[last.firstRing].begin);
        }
        out_.rings.resize(last.firstRing);
        out_.features.pop_back();
    }

private:
    void addRing(const std::vector<MapPoint>& points, bool close) {
        Ring ring;
        ring.begin = static_cast<std::uint32_t>(out_.vertices.size());
        ring.close = close;
        for (const MapPoint& point : points) {
            ScreenPoint p = projection_.projectFlat(point.lat, point.lon, true);
            if (!p.isFinite()) {
                continue;
            }
            p.x = std::clamp(p.x, -coordinateLimit, coordinateLimit);
            p.y = std::clamp(p.y, -coordinateLimit, coordinateLimit);
            minX_ = std::min(minX_, p.x);
            maxX_ = std::max(maxX_, p.x);
            minY_ = std::min(minY_, p.y);
            maxY_ = std::max(maxY_, p.y);
            out_.vertices.push_back(p);
        }
        ring.end = static_cast<std::uint32_t>(out_.vertices.size());
        out_.rings.push_back(ring);
    }

    const MapProjection& projection_;
    PreparedMap& out_;
    double minX_ = 0.0;
    double minY_ = 0.0;
    double maxX_ = 0.0;
    double maxY_ = 0.0;
};

bool isDrawn(const MapFeature& feature, double zoom) {
    if (feature.points.size() < 2) {
        return false;
    }
    if (isAreaClass(feature.featureClass) && !feature.closed) {
        return false;
    }
    return isVisibleAtZoom(feature.featureClass, zoom);
}

// Cairo state that consecutive features often share; with `reuse` off every setter goes through.
class StyleSetter {
public:
    StyleSetter(cairo_t* cr, bool reuse) : cr_(cr), reuse_(reuse) {}

    void source(const RgbColor& color, double alpha) {
        const std::array<double, 4> rgba{color.red, color.green, color.blue, alpha};
        if (reuse_ && hasSource_ && rgba == source_) {
            return;
        }
        cairo_set_source_rgba(cr_, rgba[0], rgba[1], rgba[2], rgba[3]);
        source_ = rgba;
        hasSource_ = true;
    }
    void width(double width) {
        if (reuse_ && hasWidth_ && width == width_) {
            return;
        }
        cairo_set_line_width(cr_, width);
        width_ = width;
        hasWidth_ = true;
    }
    void dash(bool dashed) {
        if (reuse_ && hasDash_ && dashed == dashed_) {
            return;
        }
        static constexpr double pattern[] = {dashOn, dashOff};
        cairo_set_dash(cr_, pattern, dashed ? 2 : 0, 0.0);
        dashed_ = dashed;
        hasDash_ = true;
    }
    // Lines get round caps and joins; area outlines keep cairo's defaults.
    void roundEnds(bool round) {
        if (reuse_ && hasEnds_ && round == round_) {
            return;
        }
        cairo_set_line_cap(cr_, round ? CAIRO_LINE_CAP_ROUND : CAIRO_LINE_CAP_BUTT);
        cairo_set_line_join(cr_, round ? CAIRO_LINE_JOIN_ROUND : CAIRO_LINE_JOIN_MITER);
        round_ = round;
        hasEnds_ = true;
    }

private:
    cairo_t* cr_;
    bool reuse_;
    std::array<double, 4> source_{};
    double width_ = 0.0;
    bool dashed_ = false;
    bool round_ = false;
    bool hasSource_ = false;
    bool hasWidth_ = false;
    bool hasDash_ = false;
    bool hasEnds_ = false;
};

void buildPath(cairo_t* cr, const PreparedMap& map, const PreparedFeature& feature) {
    cairo_new_path(cr);
    for (std::uint32_t r = feature.firstRing; r < feature.ringEnd; ++r) {
        const Ring& ring = map.rings[r];
        if (ring.begin == ring.end) {
            continue;
        }
        cairo_move_to(cr, map.vertices[ring.begin].x, map.vertices[ring.begin].y);
        for (std::uint32_t v = ring.begin + 1; v < ring.end; ++v) {
            cairo_line_to(cr, map.vertices[v].x, map.vertices[v].y);
        }
        if (ring.close) {
            cairo_close_path(cr);
        }
    }
}

void drawFeature(cairo_t* cr, StyleSetter& style, const PreparedMap& map,
                 const PreparedFeature& prepared, double zoom) {
    const MapFeature& feature = *prepared.feature;
    if (isAreaClass(feature.featureClass)) {
        const AreaPaint paint = areaPaintFor(feature, zoom);
        style.roundEnds(false);
        buildPath(cr, map, prepared);
        style.source(paint.fill, paint.fillAlpha);
        cairo_fill_preserve(cr);
        style.dash(paint.outline.dashed);
        style.width(paint.outline.width);
        style.source(paint.outline.color, paint.outline.alpha);
        cairo_stroke(cr);
        return;
    }
    const LinePaint paint = linePaintFor(feature, zoom);
    style.roundEnds(true);
    buildPath(cr, map, prepared);
    if (paint.hasCasing) {
        style.dash(paint.casing.dashed);
        style.width(paint.casing.width);
        style.source(paint.casing.color, paint.casing.alpha);
        cairo_stroke_preserve(cr);
    }
    style.dash(paint.line.dashed);
    style.width(paint.line.width);
    style.source(paint.line.color, paint.line.alpha);
    cairo_stroke(cr);
}

struct Band {
    // Panel coordinates of the rows and columns the band covers.
    double top = 0.0;
    double bottom = 0.0;
    double left = -std::numeric_limits<double>::infinity();
    double right = std::numeric_limits<double>::infinity();
};

// The labels of a band, from sprites when there are any.
void drawLabels(cairo_t* cr, std::span<const PlacedLabel> labels, const LabelArea& area,
                LabelSpriteCache* sprites) {
    if (sprites != nullptr) {
        sprites->draw(cr, labels);
    } else {
        drawPlacedLabels(cr, labels, area);
    }
}

// Stops early, leaving the band unfinished, when `cancel` is set.
void drawBand(cairo_t* cr, const Band& band, const PreparedMap& map,
              std::span<const PlacedLabel> labels, const LabelArea& area, LabelSpriteCache* sprites,
              const MapPictureOptions& options, const std::atomic<bool>& cancel) {
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
    StyleSetter style(cr, options.reuseStyle);
    for (const PreparedFeature& feature : map.features) {
        if (options.skipOutside &&
            (feature.maxY + strokeReach < band.top || feature.minY - strokeReach > band.bottom ||
             feature.maxX + strokeReach < band.left || feature.minX - strokeReach > band.right)) {
            continue;
        }
        if (cancel.load(std::memory_order_relaxed)) {
            return;
        }
        drawFeature(cr, style, map, feature, area.zoom);
    }
    if (!options.skipOutside) {
        drawLabels(cr, labels, area, sprites);
        return;
    }
    // A label's box has 4 pixels of padding, more than its halo reaches.
    std::vector<PlacedLabel> inBand;
    for (const PlacedLabel& label : labels) {
        if (label.bottom >= band.top && label.top <= band.bottom && label.right >= band.left &&
            label.left <= band.right) {
            inBand.push_back(label);
        }
    }
    drawLabels(cr, inBand, area, sprites);
}

// Rough drawing costs in microseconds, measured on the default map.
constexpr double costPerVertex = 1.5;
constexpr double costPerDash = 3.0;
constexpr double costPerLabelByte = 22.0;
constexpr double costPerSprite = 6.0;

// What drawing each label will cost: little where its sprite is ready.
std::vector<double> labelCosts(std::span<const PlacedLabel> labels,
                               const LabelSpriteCache* sprites) {
    std::vector<double> costs;
    costs.reserve(labels.size());
    for (const PlacedLabel& label : labels) {
        costs.push_back(sprites != nullptr && sprites->isDrawn(*label.text)
                            ? costPerSprite
                            : costPerLabelByte * static_cast<double>(label.text->size()));
    }
    return costs;
}

// Adds `cost` spread evenly over the picture rows from `top` to `bottom` (panel coordinates).
void spreadCost(std::vector<double>& density, int panelHeight, double top, double bottom,
                double cost) {
    const int rows = static_cast<int>(density.size()) - 1;
    // Clamped as doubles: a feature without a single finite vertex has an infinite box.
    const int first = static_cast<int>(
        std::floor(std::clamp(top + panelHeight, 0.0, static_cast<double>(rows - 1))));
    const int end =
        std::max(first + 1, static_cast<int>(std::ceil(
                                std::clamp(bottom + panelHeight, 0.0, static_cast<double>(rows)))));
    const double perRow = cost / (end - first);
    density[first] += perRow;
    density[end] -= perRow;
}

// A label cut by a band edge is drawn whole by both bands; moves `row` up or down, whichever is
// nearer, to a row that cuts no label.
int awayFromLabels(int row, std::span<const PlacedLabel> labels, int panelHeight) {
    auto firstUncut = [&](bool upwards) {
        int candidate = row;
        for (bool moved = true; moved;) {
            moved = false;
            for (const PlacedLabel& label : labels) {
                const int top = static_cast<int>(std::floor(label.top)) + panelHeight;
                const int bottom = static_cast<int>(std::ceil(label.bottom)) + panelHeight;
                if (candidate > top && candidate < bottom) {
                    candidate = upwards ? top : bottom;
                    moved = true;
                }
            }
        }
        return candidate;
    };
    const int up = firstUncut(true);
    const int down = firstUncut(false);
    return row - up <= down - row ? up : down;
}

// Where `bands` bands cut the picture rows firstRow to endRow: the first row of each and the end
// of the last.  Most of a map is drawn near the picture's middle, so bands of equal height would
// keep some threads waiting for others: with `balance` the rows are cut where the estimated cost
// is shared evenly.
std::vector<int> bandEdges(const PreparedMap& map, std::span<const PlacedLabel> labels,
                           std::span<const double> labelCosts, const LabelArea& area, int bands,
                           bool balance, int firstRow, int endRow) {
    const int rows = 3 * area.height;
    std::vector<int> edges(bands + 1);
    for (int band = 0; band <= bands; ++band) {
        edges[band] =
            firstRow + static_cast<int>(static_cast<long long>(endRow - firstRow) * band / bands);
    }
    if (!balance || bands == 1) {
        return edges;
    }

    std::vector<double> density(rows + 1, 0.0);
    for (const PreparedFeature& prepared : map.features) {
        const MapFeature& feature = *prepared.feature;
        const bool dashed = isAreaClass(feature.featureClass)
                                ? areaPaintFor(feature, area.zoom).outline.dashed
                                : linePaintFor(feature, area.zoom).line.dashed;
        double length = 0.0;
        std::size_t vertices = 0;
        for (std::uint32_t r = prepared.firstRing; r < prepared.ringEnd; ++r) {
            const Ring& ring = map.rings[r];
            vertices += ring.end - ring.begin;
            if (dashed) {
                for (std::uint32_t v = ring.begin + 1; v < ring.end; ++v) {
                    length += std::hypot(map.vertices[v].x - map.vertices[v - 1].x,
                                         map.vertices[v].y - map.vertices[v - 1].y);
                }
            }
        }
        const double cost = costPerVertex * static_cast<double>(vertices) +
                            costPerDash * length / (dashOn + dashOff);
        spreadCost(density, area.height, prepared.minY, prepared.maxY, cost);
    }
    for (std::size_t i = 0; i < labels.size(); ++i) {
        spreadCost(density, area.height, labels[i].top, labels[i].bottom, labelCosts[i]);
    }

    std::vector<double> cumulative(rows + 1, 0.0);
    double rowCost = 0.0;
    for (int row = 0; row < rows; ++row) {
        rowCost += density[row];
        cumulative[row + 1] = cumulative[row] + rowCost;
    }
    for (int band = 1; band < bands; ++band) {
        const double share =
            cumulative[firstRow] + (cumulative[endRow] - cumulative[firstRow]) * band / bands;
        const int cut = static_cast<int>(
            std::lower_bound(cumulative.begin(), cumulative.end(), share) - cumulative.begin());
        edges[band] = std::clamp(awayFromLabels(cut, labels, area.height), edges[band - 1] + 1,
                                 endRow - (bands - band));
    }
    return edges;
}

int bandCount(const MapPictureOptions& options, int pictureHeight) {
    int bands = options.bands;
    if (bands <= 0) {
        bands = std::clamp(static_cast<int>(std::thread::hardware_concurrency()), 1, maxBands);
    }
    return std::clamp(bands, 1, std::max(1, pictureHeight));
}

// Draws one rectangle of the picture (picture pixels x0..x1, y0..y1) through an image surface of
// its own over the picture's pixels, so that no cairo object is shared between threads, clipped
// to the rectangle.  The surfaces span the whole picture so that every part is drawn in the same
// device coordinates: cairo rounds mitre joins in absolute coordinates, and a part starting at
// its own first row would now and then round a pixel differently.
struct PictureRegion {
    int x0 = 0;
    int y0 = 0;
    int x1 = 0;
    int y1 = 0;
};

struct RegionDrawing {
    unsigned char* pixels = nullptr;
    int stride = 0;
    // The panel size; the picture is three times as wide and high.
    int width = 0;
    int height = 0;
    // Clear each region before drawing: the image holds an older picture.
    bool dirty = false;
    const PreparedMap* map = nullptr;
    std::span<const PlacedLabel> labels;
    LabelArea area;
    LabelSpriteCache* sprites = nullptr;
    MapPictureOptions options;

    void draw(const PictureRegion& region, const std::atomic<bool>& cancel) const {
        if (dirty) {
            for (int row = region.y0; row < region.y1; ++row) {
                std::memset(pixels + static_cast<std::ptrdiff_t>(row) * stride + region.x0 * 4, 0,
                            static_cast<std::size_t>(region.x1 - region.x0) * 4);
            }
        }
        const OwnedCairoSurface target(cairo_image_surface_create_for_data(
            pixels, CAIRO_FORMAT_ARGB32, 3 * width, 3 * height, stride));
        const OwnedCairoContext cr(cairo_create(target.get()));
        cairo_rectangle(cr.get(), region.x0, region.y0, region.x1 - region.x0,
                        region.y1 - region.y0);
        cairo_clip(cr.get());
        cairo_translate(cr.get(), width, height);
        const Band band{
            static_cast<double>(region.y0 - height), static_cast<double>(region.y1 - height),
            static_cast<double>(region.x0 - width), static_cast<double>(region.x1 - width)};
        drawBand(cr.get(), band, *map, labels, area, sprites, options, cancel);
        cairo_surface_flush(target.get());
    }
};

} // namespace

struct MapPictureCache::Completion {
    PreparedMap map;
    std::vector<PlacedLabel> labels;
    RegionDrawing drawing;
    std::atomic<bool> cancel = false;
    std::vector<std::jthread> threads;
};

MapPictureCache::MapPictureCache(MapPictureOptions options) : options_(options) {}

MapPictureCache::~MapPictureCache() {
    complete(true);
}

cairo_surface_t* MapPictureCache::picture() {
    complete(false);
    return picture_.get();
}

void MapPictureCache::complete(bool cancel) {
    if (!completion_) {
        return;
    }
    completion_->cancel = cancel;
    completion_->threads.clear(); // joins
    completion_.reset();
    if (picture_) {
        cairo_surface_mark_dirty(picture_.get());
    }
}

MapPictureCache::Key MapPictureCache::keyOf(const MapPictureSource& source) {
    return Key{
        source.track,       source.features.data(),    source.features.size(), source.width,
        source.height,      source.view.zoom,          source.view.angleX,     source.view.angleY,
        source.view.angleZ, source.view.headingOffset, source.mapGeneration,   source.font};
}

bool MapPictureCache::fits(const MapPictureSource& source) const {
    return picture_ && key_ == keyOf(source) &&
           std::abs(source.view.panX - panX0_) <= 0.8 * source.width &&
           std::abs(source.view.panY - panY0_) <= 0.8 * source.height;
}

bool MapPictureCache::update(const MapPictureSource& source) {
    lastUpdateRebuilt_ = false;
    if (source.track == nullptr || source.track->pointCount() == 0 || source.width <= 0 ||
        source.height <= 0) {
        return false;
    }
    if (fits(source)) {
        // Only the panel's own ninth may still be drawn.
        if (source.view.panX != panX0_ || source.view.panY != panY0_) {
            complete(false);
        }
        return true;
    }
    rebuild(source);
    lastUpdateRebuilt_ = true;
    ++rebuildCount_;
    return picture_ != nullptr;
}

const std::vector<std::size_t>& MapPictureCache::sortedOrder(const MapPictureSource& source) {
    if (!orderValid_ || orderFeatures_ != source.features.data() ||
        orderCount_ != source.features.size() || orderGeneration_ != source.mapGeneration) {
        order_ = drawOrder(source.features);
        rank_.resize(order_.size());
        for (std::size_t i = 0; i < order_.size(); ++i) {
            rank_[order_[i]] = static_cast<std::uint32_t>(i);
        }
        index_ = MapFeatureIndex(source.features);
        orderFeatures_ = source.features.data();
        orderCount_ = source.features.size();
        orderGeneration_ = source.mapGeneration;
        orderValid_ = true;
    }
    return order_;
}

const std::vector<std::uint32_t>* MapPictureCache::featuresUnder(const MapProjection& projection,
                                                                 int width, int height,
                                                                 const Track& track) {
    if (!options_.skipOutside || index_.size() == 0 || track.pointCount() == 0) {
        return nullptr;
    }
    // A flat map point projects affinely, so the picture (with room for strokes and label
    // anchors) maps back onto a parallelogram of degrees whose box the index is asked about.
    const WayPoint& near = *track.pointAt(0);
    const ScreenPoint o = projection.projectFlat(near.lat(), near.lon(), true);
    const ScreenPoint a = projection.projectFlat(near.lat() + 1.0, near.lon(), true);
    const ScreenPoint b = projection.projectFlat(near.lat(), near.lon() + 1.0, true);
    const double ax = a.x - o.x, ay = a.y - o.y, bx = b.x - o.x, by = b.y - o.y;
    const double det = ax * by - bx * ay;
    // Seen edge-on, a degree spans (almost) no pixels and the inverse is meaningless.
    if (!std::isfinite(det) || std::abs(det) < 1e-9 * (std::abs(ax * by) + std::abs(bx * ay)) ||
        det == 0.0) {
        return nullptr;
    }
    constexpr double margin = 64.0;
    GeoBox box{std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity(),
               -std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity()};
    for (const double x : {-width - margin, 2.0 * width + margin}) {
        for (const double y : {-height - margin, 2.0 * height + margin}) {
            const double dx = x - o.x, dy = y - o.y;
            const double lat = near.lat() + (dx * by - bx * dy) / det;
            const double lon = near.lon() + (ax * dy - dx * ay) / det;
            box = {std::min(box.minLat, lat), std::min(box.minLon, lon), std::max(box.maxLat, lat),
                   std::max(box.maxLon, lon)};
        }
    }
    if (!std::isfinite(box.minLat + box.maxLat + box.minLon + box.maxLon)) {
        return nullptr;
    }
    under_.clear();
    index_.query(box, under_);
    std::sort(under_.begin(), under_.end(),
              [&](std::uint32_t l, std::uint32_t r) { return rank_[l] < rank_[r]; });
    return &under_;
}

void MapPictureCache::prepareFor(std::span<const MapFeature> features, int width, int height,
                                 double zoom, cairo_font_face_t* font) {
    if (width <= 0 || height <= 0) {
        return;
    }
    complete(true);
    bool dirty = false;
    OwnedCairoSurface image = takeImage(3 * width, 3 * height, dirty);
    if (!image) {
        return;
    }
    if (!dirty) {
        // A fresh image's pages are only mapped when first written.
        cairo_surface_flush(image.get());
        std::memset(cairo_image_surface_get_data(image.get()), 0,
                    static_cast<std::size_t>(cairo_image_surface_get_stride(image.get())) * 3 *
                        height);
        cairo_surface_mark_dirty(image.get());
    }
    if (options_.labelSprites) {
        const LabelArea area{width, height, zoom, font};
        const OwnedCairoContext measure(cairo_create(image.get()));
        const std::vector<PlacedLabel> shapes = labelShapes(measure.get(), features, area);
        labelSprites_.prepare(shapes, area);
        // Composited nowhere, but drawn.
        const OwnedCairoSurface scratch(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1));
        const OwnedCairoContext cr(cairo_create(scratch.get()));
        cairo_rectangle(cr.get(), 0, 0, 0, 0);
        cairo_clip(cr.get());
        labelSprites_.draw(cr.get(), shapes);
    }
    spare_ = std::move(image);
}

void MapPictureCache::clear() {
    complete(true);
    if (picture_) {
        spare_ = std::move(picture_);
    }
}

OwnedCairoSurface MapPictureCache::takeImage(int width, int height, bool& dirty) {
    OwnedCairoSurface old = picture_ ? std::move(picture_) : std::move(spare_);
    // Someone else still holding the old image would see it change.
    dirty = options_.reuseImage && old && cairo_image_surface_get_width(old.get()) == width &&
            cairo_image_surface_get_height(old.get()) == height &&
            cairo_surface_get_reference_count(old.get()) == 1;
    if (dirty) {
        return old;
    }
    old.reset();
    OwnedCairoSurface fresh(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height));
    if (cairo_surface_status(fresh.get()) != CAIRO_STATUS_SUCCESS) {
        return nullptr;
    }
    return fresh;
}

void MapPictureCache::rebuild(const MapPictureSource& source) {
    // The image is drawn again from the start, perhaps in place.
    complete(true);
    const int w = source.width;
    const int h = source.height;
    bool dirty = false;
    // A panel too large for one image gets no map rather than a context in an error state.
    OwnedCairoSurface picture = takeImage(3 * w, 3 * h, dirty);
    if (!picture) {
        return;
    }

    TrackBoundsCache localBounds;
    TrackBoundsCache& bounds = source.bounds != nullptr ? *source.bounds : localBounds;
    const MapProjection projection(source.view, bounds, *source.track, w, h);
    const double zoom = source.view.zoom;

    PreparedMap map;
    MapPreparer preparer(projection, map);
    auto prepare = [&](std::size_t index) {
        const MapFeature& feature = source.features[index];
        if (!isDrawn(feature, zoom)) {
            return;
        }
        preparer.add(feature);
        const PreparedFeature& added = map.features.back();
        if (options_.skipOutside &&
            (added.maxX + strokeReach < -w || added.minX - strokeReach > 2.0 * w ||
             added.maxY + strokeReach < -h || added.minY - strokeReach > 2.0 * h)) {
            preparer.dropLast();
        }
    };
    const std::vector<std::size_t>& order = sortedOrder(source);
    // A rebuild costs what is in the picture, not what is in the map.
    std::vector<std::uint32_t> labelled;
    const std::vector<std::uint32_t>* under = featuresUnder(projection, w, h, *source.track);
    if (under != nullptr) {
        for (const std::uint32_t index : *under) {
            prepare(index);
        }
        // Names are placed in map order.
        labelled = *under;
        std::sort(labelled.begin(), labelled.end());
    } else {
        for (const std::size_t index : order) {
            prepare(index);
        }
    }

    const LabelArea area{w, h, zoom, source.font};
    std::vector<PlacedLabel> labels;
    {
        const OwnedCairoContext measure(cairo_create(picture.get()));
        labels = placeMapLabels(measure.get(), source.features, projection, area,
                                under != nullptr ? &labelled : nullptr);
    }
    LabelSpriteCache* sprites = options_.labelSprites ? &labelSprites_ : nullptr;
    if (sprites != nullptr) {
        sprites->prepare(labels, area);
    }

    cairo_surface_flush(picture.get());
    auto completion = std::make_unique<Completion>();
    RegionDrawing& drawing = completion->drawing;
    drawing = {.pixels = cairo_image_surface_get_data(picture.get()),
               .stride = cairo_image_surface_get_stride(picture.get()),
               .width = w,
               .height = h,
               .dirty = dirty,
               .map = &map,
               .labels = labels,
               .area = area,
               .sprites = sprites,
               .options = options_};
    const int bands = bandCount(options_, 3 * h);
    auto drawAll = [&](const std::vector<PictureRegion>& regions) {
        std::vector<std::jthread> helpers;
        std::vector<PictureRegion> here = {regions[0]};
        for (std::size_t i = 1; i < regions.size(); ++i) {
            try {
                helpers.push_back(
                    startThread([&, i] { drawing.draw(regions[i], completion->cancel); }));
            } catch (const std::system_error&) {
                here.push_back(regions[i]);
            }
        }
        for (const PictureRegion& region : here) {
            drawing.draw(region, completion->cancel);
        }
    };
    if (!options_.visibleFirst) {
        const std::vector<int> edges = bandEdges(map, labels, labelCosts(labels, sprites), area,
                                                 bands, options_.balanceBands, 0, 3 * h);
        std::vector<PictureRegion> regions;
        for (int band = 0; band < bands; ++band) {
            regions.push_back({0, edges[band], 3 * w, edges[band + 1]});
        }
        drawAll(regions);
        cairo_surface_mark_dirty(picture.get());
    } else {
        // The panel's rows in bands, now; the rows above and below on threads, afterwards.  Cut
        // across the full width only: a cut between columns lets cairo round the pixels beside it
        // differently.
        const int shownBands = std::min(bands, h);
        const std::vector<int> edges = bandEdges(map, labels, labelCosts(labels, sprites), area,
                                                 shownBands, options_.balanceBands, h, 2 * h);
        std::vector<PictureRegion> shown;
        for (int band = 0; band < shownBands; ++band) {
            shown.push_back({0, edges[band], 3 * w, edges[band + 1]});
        }
        drawAll(shown);
        cairo_surface_mark_dirty(picture.get());
        const std::vector<PictureRegion> around = {{0, 0, 3 * w, h}, {0, 2 * h, 3 * w, 3 * h}};
        completion->map = std::move(map);
        completion->labels = std::move(labels);
        drawing.map = &completion->map;
        drawing.labels = completion->labels;
        // One core is left to the frame that shows the panel's rows.
        Completion* rest = completion.get();
        const int threads = std::clamp<int>(bands - 1, 1, around.size());
        for (int thread = 0; thread < threads; ++thread) {
            auto drawShare = [rest, around, thread, threads] {
                for (std::size_t i = thread; i < around.size(); i += threads) {
                    rest->drawing.draw(around[i], rest->cancel);
                }
            };
            try {
                rest->threads.push_back(startThread(drawShare));
            } catch (const std::system_error&) {
                // Without a thread the picture is finished before the update returns.
                drawShare();
            }
        }
        if (rest->threads.empty()) {
            cairo_surface_mark_dirty(picture.get());
            completion.reset();
        }
        completion_ = std::move(completion);
    }

    picture_ = std::move(picture);
    key_ = keyOf(source);
    panX0_ = source.view.panX;
    panY0_ = source.view.panY;
}

void MapPictureCache::paint(cairo_t* cr, const ViewState& view) const {
    if (!picture_) {
        return;
    }
    const double x = -key_.width + (view.panX - panX0_);
    const double y = -key_.height + (view.panY - panY0_);
    if (!std::isfinite(x) || !std::isfinite(y)) {
        return;
    }
    cairo_save(cr);
    cairo_set_source_surface(cr, picture_.get(), x, y);
    cairo_paint(cr);
    cairo_restore(cr);
}

void drawMapDirect(cairo_t* cr, const MapPictureSource& source, bool textAsText) {
    if (source.track == nullptr || source.track->pointCount() == 0 || source.width <= 0 ||
        source.height <= 0) {
        return;
    }
    const int w = source.width;
    const int h = source.height;
    TrackBoundsCache localBounds;
    TrackBoundsCache& bounds = source.bounds != nullptr ? *source.bounds : localBounds;
    const MapProjection projection(source.view, bounds, *source.track, w, h);
    const double zoom = source.view.zoom;
    const Band panel{
        .top = 0.0, .bottom = static_cast<double>(h), .left = 0.0, .right = static_cast<double>(w)};

    PreparedMap map;
    MapPreparer preparer(projection, map);
    for (std::size_t index : drawOrder(source.features)) {
        const MapFeature& feature = source.features[index];
        if (!isDrawn(feature, zoom)) {
            continue;
        }
        preparer.add(feature);
        const PreparedFeature& added = map.features.back();
        if (added.maxX + strokeReach < panel.left || added.minX - strokeReach > panel.right ||
            added.maxY + strokeReach < panel.top || added.minY - strokeReach > panel.bottom) {
            preparer.dropLast();
        }
    }
    const LabelArea area{w, h, zoom, source.font};
    cairo_save(cr);
    const std::vector<PlacedLabel> labels = placeMapLabels(cr, source.features, projection, area);
    cairo_rectangle(cr, 0, 0, w, h);
    cairo_clip(cr);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
    StyleSetter style(cr, true);
    for (const PreparedFeature& feature : map.features) {
        drawFeature(cr, style, map, feature, zoom);
    }
    std::vector<PlacedLabel> shown;
    for (const PlacedLabel& label : labels) {
        if (label.bottom >= 0.0 && label.top <= h && label.right >= 0.0 && label.left <= w) {
            shown.push_back(label);
        }
    }
    drawPlacedLabels(cr, shown, area, textAsText);
    cairo_restore(cr);
}

void drawMapLegend(cairo_t* cr, int width, int height, cairo_font_face_t* font) {
    const bool oneColumn = width < 320;
    const double boxWidth = oneColumn ? 146.0 : 286.0;
    const double boxHeight = oneColumn ? 155.0 : 80.0;
    const double top = height - boxHeight - 12.0;
    cairo_save(cr);
    cairo_rectangle(cr, 12.0, top, boxWidth, boxHeight);
    cairo_set_source_rgba(cr, 1.0, 1.0, 1.0, 0.88);
    cairo_fill_preserve(cr);
    cairo_set_source_rgba(cr, 0.35, 0.37, 0.39, 0.8);
    cairo_set_line_width(cr, 1.0);
    cairo_stroke(cr);
    useFont(cr, font, 10.0);
    const auto rows = legendRows();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const double x = oneColumn ? 20.0 : 20.0 + 142.0 * static_cast<double>(i / 5);
        const double row = oneColumn ? static_cast<double>(i) : static_cast<double>(i % 5);
        const double baseline = top + 15.0 + 15.0 * row;
        const RgbColor& swatch = rows[i].swatch;
        cairo_rectangle(cr, x, baseline - 8.0, 13.0, 7.0);
        cairo_set_source_rgb(cr, swatch.red, swatch.green, swatch.blue);
        cairo_fill(cr);
        cairo_set_source_rgb(cr, 0.15, 0.16, 0.17);
        cairo_move_to(cr, x + 19.0, baseline - 1.0);
        cairo_show_text(cr, gettext(rows[i].label));
    }
    cairo_restore(cr);
}

} // namespace trakmoor
