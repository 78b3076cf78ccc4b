#ifndef TRAKMOOR_MAP_PICTUREEXPORT_H
#define TRAKMOOR_MAP_PICTUREEXPORT_H

// Pictures of the map (and the graph below it) to keep: PNG, or PDF and SVG with vector shapes and
// the names as text.  Drawn by the panels' own painters, written to a temporary name beside the
// target and renamed, so that a failed picture never leaves half a file behind.

#include "map/MapPanelPainter.h"
#include "map/ViewState.h"
#include "track/Gpx.h"

#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace trakmoor {

enum class PictureKind { Png, Pdf, Svg };

// By the name's ending (.png, .pdf, .svg, in any case); nothing for any other.
std::optional<PictureKind> pictureKindOf(const std::string& path);

// Largest width and height of a picture, also of map and graph together.
inline constexpr int maxPictureSide = 8192;

// "WIDTHxHEIGHT", or a single number for a square when `allowSingle`; each 1..maxPictureSide.
std::optional<std::pair<int, int>> parsePictureSize(std::string_view text, bool allowSingle);

struct PictureRequest {
    MapScene map;
    // The panel whose view the picture shows: its pan is in that panel's pixels.
    int viewWidth = 0;
    int viewHeight = 0;
    // The picture: the map of width x mapHeight, and the graph of width x graphHeight below it
    // when graphHeight is above 0.
    int width = 0;
    int mapHeight = 0;
    int graphHeight = 0;
    GraphScene graph;
    // The panel's own map picture, if there is one: a PNG at the panel's size and view is then
    // painted from it and equals the panel.
    MapPictureCache* panelPicture = nullptr;
};

// The view a panel of toWidth x toHeight needs to show what one of fromWidth x fromHeight shows
// with `view`: the pan grows with the scale the larger panel fits the track at.
ViewState viewForSize(const ViewState& view, TrackBoundsCache& bounds, const Track& track,
                      int fromWidth, int fromHeight, int toWidth, int toHeight);

// Draws and writes the picture; empty when it was written, otherwise why not (translated).
std::string exportPicture(const std::string& path, const PictureRequest& request);

} // namespace trakmoor

#endif
