#include "map/MapLabels.h"

#include "map/FontFace.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace trakmoor {

namespace {

constexpr double never = std::numeric_limits<double>::infinity();
constexpr double cellSize = 64.0;
// Anchors this far beyond the picture may still carry a long name into it.
constexpr double anchorSlack = 256.0;
constexpr double boxPadding = 4.0;

struct LabelRule {
    double minZoom;
    int priority;
};

constexpr std::array<LabelRule, featureClassCount> labelRules = {{
    {never, 7}, // None
    {0.2, 0},   // MotorwayTrunk
    {0.2, 1},   // Primary
    {0.45, 3},  // SecondaryTertiary
    {1.25, 6},  // LocalRoad
    {never, 7}, // ServiceRoad
    {never, 7}, // Path
    {0.75, 4},  // Railway
    {0.45, 2},  // Waterway
    {0.45, 2},  // Water
    {never, 7}, // Boundary
    {0.75, 5},  // Forest
    {1.25, 5},  // GrassPark
    {0.75, 5},  // Residential
    {0.75, 5},  // Industrial
    {1.25, 5},  // Parking
    {never, 7}, // Building
}};

const LabelRule& ruleOf(FeatureClass featureClass) {
    const auto code = static_cast<std::size_t>(featureClass);
    return labelRules[code < labelRules.size() ? code : 0];
}

struct Candidate {
    const std::string* text;
    ScreenPoint anchor;
    int priority;
};

// A closed ring's anchor is the mean of its distinct points: a repeated closing point would pull
// the label toward the start.
std::optional<MapPoint> anchorOf(const MapFeature& feature) {
    const auto& points = feature.points;
    if (!feature.closed) {
        return points[points.size() / 2];
    }
    std::size_t count = points.size();
    if (points.back() == points.front()) {
        --count;
    }
    if (count == 0) {
        return std::nullopt;
    }
    double lat = 0.0;
    double lon = 0.0;
    for (std::size_t i = 0; i < count; ++i) {
        lat += points[i].lat;
        lon += points[i].lon;
    }
    return MapPoint{lat / count, lon / count};
}

// What cairo accepts as text: well-formed UTF-8 without surrogates and non-characters.  A name it
// rejects would put the drawing context into an error state for the rest of the picture.
bool isDrawableUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        int length = 0;
        char32_t code = 0;
        char32_t minimum = 0;
        if (lead < 0x80) {
            ++i;
            continue;
        } else if ((lead & 0xE0) == 0xC0) {
            length = 2, code = lead & 0x1F, minimum = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3, code = lead & 0x0F, minimum = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4, code = lead & 0x07, minimum = 0x10000;
        } else {
            return false;
        }
        if (i + length > text.size()) {
            return false;
        }
        for (int k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) {
                return false;
            }
            code = (code << 6) | (next & 0x3F);
        }
        if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF) ||
            (code >= 0xFDD0 && code <= 0xFDEF) || (code & 0xFFFE) == 0xFFFE) {
            return false;
        }
        i += length;
    }
    return true;
}

double fontScale(double zoom) {
    const double p = std::pow(zoom, 0.1);
    return std::isnan(p) ? 0.9 : std::clamp(p, 0.9, 1.2);
}

// Placed boxes registered in the 64-pixel cells they touch, over the picture.
class LabelGrid {
public:
    LabelGrid(int width, int height)
        : width_(width), height_(height),
          columns_(std::max(1, static_cast<int>(std::ceil(3.0 * width / cellSize)))),
          rows_(std::max(1, static_cast<int>(std::ceil(3.0 * height / cellSize)))),
          cells_(static_cast<std::size_t>(columns_) * rows_) {}

    // Adds the box unless it overlaps one already placed; boxes that only touch may share an edge.
    bool tryPlace(const PlacedLabel& box) {
        const int c0 = cellOf(box.left, width_, columns_);
        const int c1 = cellOf(box.right, width_, columns_);
        const int r0 = cellOf(box.top, height_, rows_);
        const int r1 = cellOf(box.bottom, height_, rows_);
        for (int r = r0; r <= r1; ++r) {
            for (int c = c0; c <= c1; ++c) {
                for (std::size_t index : cells_[static_cast<std::size_t>(r) * columns_ + c]) {
                    const PlacedLabel& other = placed_[index];
                    if (box.left < other.right && other.left < box.right &&
                        box.top < other.bottom && other.top < box.bottom) {
                        return false;
                    }
                }
            }
        }
        for (int r = r0; r <= r1; ++r) {
            for (int c = c0; c <= c1; ++c) {
                cells_[static_cast<std::size_t>(r) * columns_ + c].push_back(placed_.size());
            }
        }
        placed_.push_back(box);
        return true;
    }

    std::vector<PlacedLabel> take() { return std::move(placed_); }

private:
    static int cellOf(double coordinate, int panelSize, int cellCount) {
        const double cell = std::floor((coordinate + panelSize) / cellSize);
        return static_cast<int>(std::clamp(cell, 0.0, cellCount - 1.0));
    }

    int width_;
    int height_;
    int columns_;
    int rows_;
    std::vector<std::vector<std::size_t>> cells_;
    std::vector<PlacedLabel> placed_;
};

} // namespace

double labelFontSize(double zoom) {
    return 11.0 * fontScale(zoom);
}

void useLabelStyle(cairo_t* cr, const LabelArea& area) {
    useFont(cr, area.font, labelFontSize(area.zoom));
    // Whatever was drawn before left behind, halos are solid.
    cairo_set_dash(cr, nullptr, 0, 0.0);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_set_line_width(cr, 3.0 * fontScale(area.zoom));
}

double labelMinZoom(FeatureClass featureClass) {
    return ruleOf(featureClass).minZoom;
}

int labelPriority(FeatureClass featureClass) {
    return ruleOf(featureClass).priority;
}

namespace {

PlacedLabel labelAt(const std::string* text, const cairo_text_extents_t& ink, double originX,
                    double originY) {
    PlacedLabel label;
    label.text = text;
    label.originX = originX;
    label.originY = originY;
    label.left = originX + ink.x_bearing - boxPadding;
    label.top = originY + ink.y_bearing - boxPadding;
    label.right = originX + ink.x_bearing + ink.width + boxPadding;
    label.bottom = originY + ink.y_bearing + ink.height + boxPadding;
    return label;
}

bool mayBeLabelled(const MapFeature& feature, double zoom) {
    return !feature.name.empty() && feature.points.size() >= 2 &&
           zoom >= labelMinZoom(feature.featureClass) && isDrawableUtf8(feature.name);
}

} // namespace

std::vector<PlacedLabel> labelShapes(cairo_t* measure, std::span<const MapFeature> features,
                                     const LabelArea& area) {
    std::vector<PlacedLabel> shapes;
    std::unordered_set<std::string_view> seen;
    cairo_save(measure);
    useFont(measure, area.font, labelFontSize(area.zoom));
    for (const MapFeature& feature : features) {
        if (!mayBeLabelled(feature, area.zoom) || !anchorOf(feature) ||
            !seen.insert(feature.name).second) {
            continue;
        }
        cairo_text_extents_t ink;
        cairo_text_extents(measure, feature.name.c_str(), &ink);
        shapes.push_back(labelAt(&feature.name, ink, 0.0, 0.0));
    }
    cairo_restore(measure);
    return shapes;
}

std::vector<PlacedLabel> placeMapLabels(cairo_t* measure, std::span<const MapFeature> features,
                                        const MapProjection& projection, const LabelArea& area,
                                        const std::vector<std::uint32_t>* only) {
    const double w = area.width;
    const double h = area.height;
    std::vector<Candidate> candidates;
    auto consider = [&](const MapFeature& feature) {
        if (!mayBeLabelled(feature, area.zoom)) {
            return;
        }
        const std::optional<MapPoint> anchor = anchorOf(feature);
        if (!anchor) {
            return;
        }
        const ScreenPoint p = projection.projectFlat(anchor->lat, anchor->lon, true);
        if (p.isFinite()) {
            candidates.push_back({&feature.name, p, labelPriority(feature.featureClass)});
        }
    };
    if (only != nullptr) {
        for (const std::uint32_t index : *only) {
            consider(features[index]);
        }
    } else {
        for (const MapFeature& feature : features) {
            consider(feature);
        }
    }
    std::stable_sort(
        candidates.begin(), candidates.end(),
        [](const Candidate& a, const Candidate& b) { return a.priority < b.priority; });

    cairo_save(measure);
    useFont(measure, area.font, labelFontSize(area.zoom));
    // Names repeat (every piece of a long street carries it); measuring each once keeps the
    // placement cheap on large maps without changing it.
    std::unordered_map<std::string_view, cairo_text_extents_t> extentsCache;
    LabelGrid grid(area.width, area.height);
    for (const Candidate& candidate : candidates) {
        const ScreenPoint a = candidate.anchor;
        if (a.x < -w - anchorSlack || a.x > 2 * w + anchorSlack || a.y < -h - anchorSlack ||
            a.y > 2 * h + anchorSlack) {
            continue;
        }
        auto [slot, isNew] = extentsCache.try_emplace(*candidate.text);
        if (isNew) {
            cairo_text_extents(measure, candidate.text->c_str(), &slot->second);
        }
        const cairo_text_extents_t& ink = slot->second;
        const PlacedLabel label =
            labelAt(candidate.text, ink, std::round(a.x - ink.width / 2 - ink.x_bearing),
                    std::round(a.y - ink.height / 2 - ink.y_bearing));
        if (label.right < -w || label.left > 2 * w || label.bottom < -h || label.top > 2 * h) {
            continue;
        }
        grid.tryPlace(label);
    }
    cairo_restore(measure);
    return grid.take();
}

void drawPlacedLabels(cairo_t* cr, std::span<const PlacedLabel> labels, const LabelArea& area,
                      bool inkAsText) {
    cairo_save(cr);
    useLabelStyle(cr, area);
    for (const PlacedLabel& label : labels) {
        cairo_new_path(cr);
        cairo_move_to(cr, label.originX, label.originY);
        cairo_text_path(cr, label.text->c_str());
        setLabelSource(cr, labelHalo);
        if (inkAsText) {
            cairo_stroke(cr);
            setLabelSource(cr, labelInk);
            cairo_move_to(cr, label.originX, label.originY);
            cairo_show_text(cr, label.text->c_str());
            continue;
        }
        cairo_stroke_preserve(cr);
        setLabelSource(cr, labelInk);
        cairo_fill(cr);
    }
    cairo_restore(cr);
}

void DrawMapLabels(cairo_t* cr, std::span<const MapFeature> features,
                   const MapProjection& projection, const LabelArea& area) {
    drawPlacedLabels(cr, placeMapLabels(cr, features, projection, area), area);
}

} // namespace trakmoor
