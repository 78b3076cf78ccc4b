#ifndef TRAKMOOR_MAP_MAPPIECES_H
#define TRAKMOOR_MAP_MAPPIECES_H

// Which pieces of map a track needs when its box is too large for one request: the cells of a
// fixed grid near the track at full detail, and larger cells over its whole box with only the
// features that matter when the whole track is in view.  The grid is fixed so that tracks over
// the same area share their pieces in the cache.

#include "map/OverpassDownload.h"

#include <cstddef>
#include <string>
#include <vector>

namespace trakmoor {

class Track;

struct GeoPoint {
    double lat = 0.0;
    double lon = 0.0;
};

enum class PieceLevel { Detail, Overview };

// A whole-degree fraction keeps cell edges exact in the 7-decimal box text.
inline constexpr double detailCellDegrees = 0.05;
inline constexpr double overviewCellDegrees = 0.25;
// Cells of full detail reach at least this far to either side of the track.
inline constexpr double corridorMeters = 2000.0;
// Fair use of the public servers: longer tracks are refused instead of fetched.
inline constexpr std::size_t maxMapPieces = 400;

struct MapPiece {
    PieceLevel level = PieceLevel::Detail;
    // Counted from the south pole and the antimeridian.
    int row = 0;
    int column = 0;

    BoundingBox box() const;
    // The Overpass QL query of the piece.
    std::string query() const;
    // "detail/0.05/2765/3764": unique per cell and level, usable as a relative file path.
    std::string key() const;
    friend bool operator==(const MapPiece&, const MapPiece&) = default;
};

struct MapPiecePlan {
    enum class Kind {
        // Nothing to fetch: no point with finite coordinates.
        NoPoints,
        // Small enough for the one request of old.
        Single,
        Pieces,
        // More than maxMapPieces pieces.
        TooLong,
    };
    Kind kind = Kind::NoPoints;
    // Single: the box of the one request.
    BoundingBox box;
    // Pieces: detail cells first, then overview cells, each in grid order.
    std::vector<MapPiece> pieces;
    // Along the points with finite coordinates, for the refusal.
    double lengthMeters = 0.0;
};

MapPiecePlan planMapPieces(const std::vector<GeoPoint>& points);
MapPiecePlan planMapPieces(const Track& track);

// The query of the overview level: main roads, railways, rivers, water, forests, place names.
std::string overviewQuery(std::string_view boxText);
// "2,140": whole kilometres with a comma between thousands, as in the refusal.
std::string kilometreText(double meters);
// The refusal of a track needing more than maxMapPieces pieces, translated.
std::string trackTooLongText(double meters);

} // namespace trakmoor

#endif
