#include "map/MapPieces.h"
#include "map/OverpassDownload.h"

#include "track/Gpx.h"
#include "track/TrackStats.h"

#include <libintl.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <set>
#include <utility>

namespace trakmoor {

namespace {

constexpr double earthRadiusMeters = 6371000.0;
constexpr double metersPerDegree = earthRadiusMeters * std::numbers::pi / 180.0;
// Samples along a segment lie closer than the corridor is wide, so no cell beside it is missed.
constexpr double sampleStepMeters = 500.0;

double cellDegrees(PieceLevel level) {
    return level == PieceLevel::Detail ? detailCellDegrees : overviewCellDegrees;
}
int rowCount(PieceLevel level) {
    return static_cast<int>(std::lround(180.0 / cellDegrees(level)));
}
int columnCount(PieceLevel level) {
    return static_cast<int>(std::lround(360.0 / cellDegrees(level)));
}

int rowOf(double lat, PieceLevel level) {
    const int row = static_cast<int>(std::floor((lat + 90.0) / cellDegrees(level)));
    return std::clamp(row, 0, rowCount(level) - 1);
}
// Unwrapped: the caller takes it modulo the column count, so a span may cross the antimeridian.
long columnOf(double lon, PieceLevel level) {
    return static_cast<long>(std::floor((lon + 180.0) / cellDegrees(level)));
}

bool usable(const GeoPoint& point) {
    return std::isfinite(point.lat) && std::isfinite(point.lon) && std::abs(point.lat) <= 90.0 &&
           std::abs(point.lon) <= 180.0;
}

double haversineMeters(const GeoPoint& a, const GeoPoint& b) {
    constexpr double radians = std::numbers::pi / 180.0;
    const double dLat = (b.lat - a.lat) * radians;
    const double dLon = (b.lon - a.lon) * radians;
    const double h = std::sin(dLat / 2) * std::sin(dLat / 2) +
                     std::cos(a.lat * radians) * std::cos(b.lat * radians) * std::sin(dLon / 2) *
                         std::sin(dLon / 2);
    return 2.0 * earthRadiusMeters * std::asin(std::min(1.0, std::sqrt(h)));
}

// Collects the cells of one level in the order of the grid, and gives up past the limit.
class CellSet {
public:
    explicit CellSet(PieceLevel level) : level_(level) {}

    // Marks every cell meeting the box; `west` may lie above `east` by at most one turn.
    bool addBox(double south, double west, double north, double east) {
        const int columns = columnCount(level_);
        const long first = columnOf(west, level_);
        const long last = east - west >= 360.0 ? first + columns - 1 : columnOf(east, level_);
        for (int row = rowOf(south, level_); row <= rowOf(north, level_); ++row) {
            for (long column = first; column <= last; ++column) {
                cells_.emplace(row, static_cast<int>(((column % columns) + columns) % columns));
                if (cells_.size() > maxMapPieces) {
                    return false;
                }
            }
        }
        return true;
    }
    std::size_t size() const { return cells_.size(); }
    void appendTo(std::vector<MapPiece>& pieces) const {
        for (const auto& [row, column] : cells_) {
            pieces.push_back({level_, row, column});
        }
    }

private:
    PieceLevel level_;
    std::set<std::pair<int, int>> cells_;
};

// Marks the detail cells within the corridor of one sample.
bool markCorridor(CellSet& cells, const GeoPoint& at) {
    const double dLat = corridorMeters / metersPerDegree;
    // The side nearer the pole needs the widest span of longitude.
    const double widestLat = std::min(90.0, std::abs(at.lat) + dLat);
    const double cosine = std::cos(widestLat * std::numbers::pi / 180.0);
    const double dLon = cosine * 180.0 > dLat ? dLat / cosine : 180.0;
    return cells.addBox(std::max(at.lat - dLat, -90.0), at.lon - dLon,
                        std::min(at.lat + dLat, 90.0), at.lon + dLon);
}

// The widened box of the points, its longitudes on the shorter way round the globe: a track
// across the antimeridian gets a narrow box whose east may exceed 180.
struct WrappedBox {
    double south, west, north, east;
};
WrappedBox widenedBox(const std::vector<GeoPoint>& points) {
    double minLat = points.front().lat;
    double maxLat = minLat;
    double minLon = points.front().lon;
    double maxLon = minLon;
    double minShifted = minLon < 0 ? minLon + 360.0 : minLon;
    double maxShifted = minShifted;
    for (const GeoPoint& point : points) {
        minLat = std::min(minLat, point.lat);
        maxLat = std::max(maxLat, point.lat);
        minLon = std::min(minLon, point.lon);
        maxLon = std::max(maxLon, point.lon);
        const double shifted = point.lon < 0 ? point.lon + 360.0 : point.lon;
        minShifted = std::min(minShifted, shifted);
        maxShifted = std::max(maxShifted, shifted);
    }
    // Only a track spanning more than half the globe can be shorter the other way round; the
    // test keeps rounding from moving every western track past 180°.
    if (maxLon - minLon > 180.0 && maxShifted - minShifted < maxLon - minLon) {
        minLon = minShifted;
        maxLon = maxShifted;
    }
    const double latMargin = std::max((maxLat - minLat) * 0.05, 0.0005);
    const double lonMargin = std::max((maxLon - minLon) * 0.05, 0.0005);
    return {std::max(minLat - latMargin, -90.0), minLon - lonMargin,
            std::min(maxLat + latMargin, 90.0), maxLon + lonMargin};
}

} // namespace

BoundingBox MapPiece::box() const {
    const double size = cellDegrees(level);
    return {row * size - 90.0, column * size - 180.0, (row + 1) * size - 90.0,
            (column + 1) * size - 180.0};
}

std::string MapPiece::query() const {
    const std::string boxText = boundingBoxText(box());
    return level == PieceLevel::Detail ? overpassQuery(boxText) : overviewQuery(boxText);
}

std::string MapPiece::key() const {
    return std::string(level == PieceLevel::Detail ? "detail-0.05/" : "overview-0.25/") +
           std::to_string(row) + '-' + std::to_string(column);
}

MapPiecePlan planMapPieces(const std::vector<GeoPoint>& points) {
    MapPiecePlan plan;
    std::vector<GeoPoint> kept;
    std::copy_if(points.begin(), points.end(), std::back_inserter(kept), usable);
    if (kept.empty()) {
        return plan;
    }
    for (std::size_t i = 1; i < kept.size(); ++i) {
        plan.lengthMeters += haversineMeters(kept[i - 1], kept[i]);
    }
    const WrappedBox wide = widenedBox(kept);
    plan.box = {wide.south, wide.west, wide.north, wide.east};
    if (wide.west >= -180.0 && wide.east <= 180.0 && isDownloadableArea(plan.box)) {
        plan.kind = MapPiecePlan::Kind::Single;
        return plan;
    }
    plan.kind = MapPiecePlan::Kind::TooLong;
    CellSet detail(PieceLevel::Detail);
    for (std::size_t i = 0; i < kept.size(); ++i) {
        GeoPoint from = i == 0 ? kept[0] : kept[i - 1];
        GeoPoint to = kept[i];
        // The short way round: a step across the antimeridian is not a trip around the globe.
        if (to.lon - from.lon > 180.0) {
            to.lon -= 360.0;
        } else if (from.lon - to.lon > 180.0) {
            to.lon += 360.0;
        }
        const double meters = haversineMeters(from, kept[i]);
        const int steps = std::max(1, static_cast<int>(std::ceil(meters / sampleStepMeters)));
        if (steps > static_cast<int>(maxMapPieces) * 1000) {
            return plan;
        }
        for (int step = i == 0 ? 0 : 1; step <= steps; ++step) {
            const double t = static_cast<double>(step) / steps;
            if (!markCorridor(detail, {from.lat + (to.lat - from.lat) * t,
                                       from.lon + (to.lon - from.lon) * t})) {
                return plan;
            }
        }
    }
    CellSet overview(PieceLevel::Overview);
    if (!overview.addBox(wide.south, wide.west, wide.north, wide.east) ||
        detail.size() + overview.size() > maxMapPieces) {
        return plan;
    }
    // The overview first: with it the whole track has a map to be seen in soon.
    overview.appendTo(plan.pieces);
    detail.appendTo(plan.pieces);
    plan.kind = MapPiecePlan::Kind::Pieces;
    return plan;
}

MapPiecePlan planMapPieces(const Track& track) {
    std::vector<GeoPoint> points;
    points.reserve(static_cast<std::size_t>(track.pointCount()));
    for (std::int32_t i = 0; i < track.pointCount(); ++i) {
        points.push_back({track.pointAt(i)->lat(), track.pointAt(i)->lon()});
    }
    return planMapPieces(points);
}

std::string overviewQuery(std::string_view boxText) {
    static constexpr std::array<std::string_view, 9> pieces = {
        "[out:xml][timeout:60];(way[highway~\"^(motorway|trunk|primary|secondary)(_link)?$\"](",
        ");way[railway~\"^(rail|light_rail|narrow_gauge)$\"](",
        ");way[waterway~\"^(river|canal)$\"](",
        ");way[natural~\"^(water|bay|wood)$\"](",
        ");way[landuse~\"^(reservoir|basin|forest)$\"](",
        ");relation[type=multipolygon][natural~\"^(water|bay|wood)$\"](",
        ");relation[type=multipolygon][landuse~\"^(reservoir|basin|forest)$\"](",
        ");node[place~\"^(city|town|village)$\"](",
        "););(._;>;);out body;",
    };
    return queryAroundBox(pieces, boxText);
}

std::string kilometreText(double meters) {
    std::string digits = std::to_string(std::llround(std::max(meters, 0.0) / 1000.0));
    for (auto at = static_cast<std::ptrdiff_t>(digits.size()) - 3; at > 0; at -= 3) {
        digits.insert(static_cast<std::size_t>(at), 1, ',');
    }
    return digits;
}

std::string trackTooLongText(double meters) {
    std::string text =
        gettext("Track too long for a map download (%s km): open a map with Open OSM");
    const std::size_t at = text.find("%s");
    if (at != std::string::npos) {
        text.replace(at, 2, kilometreText(meters));
    }
    return text;
}

} // namespace trakmoor
