#ifndef TRAKMOOR_MAP_MAPPANELPAINTER_H
#define TRAKMOOR_MAP_MAPPANELPAINTER_H

// The two cairo panels of the main window as one call each: the engine fills a scene record with
// what it holds and calls these once per due frame.

#include "map/GraphPicture.h"
#include "map/MapFeature.h"
#include "map/MapPicture.h"
#include "map/TrackPainter.h"
#include "map/ViewState.h"
#include "track/Gpx.h"

#include <cairo.h>

#include <cstdint>
#include <vector>

namespace trakmoor {

struct MapScene {
    // Null when there is no current track.
    const Track* track = nullptr;
    // Null or empty when no map is loaded.
    const std::vector<MapFeature>* features = nullptr;
    // Changes whenever the map is loaded or cleared.
    int mapGeneration = 0;
    // The "OSM background" option.
    bool showOsmBackground = true;
    // Off for pictures too small to spare the room, such as thumbnails.
    bool showLegend = true;
    ViewState view;
    // The engine's bounds cache; null uses one of the call's own.
    TrackBoundsCache* bounds = nullptr;
    // Cursor, markers, flags and the track options.
    TrackDecorations decorations;
    // Face for labels and the legend; null uses cairo's "Sans".
    cairo_font_face_t* font = nullptr;

    // Equal scenes draw equal pictures, as long as the track and map they point to are the same.
    friend bool operator==(const MapScene&, const MapScene&) = default;
};

struct GraphScene {
    const Track* track = nullptr;
    std::int32_t cursorIndex = -1;
    // 0 "Height", 1 "Speed", 2 "Height + speed".
    std::int32_t statisticsMode = 0;
    // Bold face for the graph's texts; null uses cairo's bold "Sans".
    cairo_font_face_t* font = nullptr;

    friend bool operator==(const GraphScene&, const GraphScene&) = default;
};

// Background and grid always; with a track that has points also the map picture and legend (when
// the background option is on and a map is loaded), the track and its decorations.
void paintMapPanel(cairo_t* cr, int width, int height, const MapScene& scene,
                   MapPictureCache& cache);

// The whole graph for a track with points, its curves from `cache`; `document` tells apart tracks
// that come to lie at the same address.  Without a track, the background and grid.
void paintGraphPanel(cairo_t* cr, int width, int height, const GraphScene& scene,
                     std::uint64_t document, GraphPictureCache& cache);

// The same panels drawn for a picture to keep rather than for the window: the map straight onto
// `cr` instead of through a cached picture, so that any size can be drawn and a PDF or SVG stays
// vector with its names as text (`vector`).  A raster picture at the panel's size equals the
// panel.
void paintMapPicture(cairo_t* cr, int width, int height, const MapScene& scene, bool vector);
void paintGraphPicture(cairo_t* cr, int width, int height, const GraphScene& scene, bool vector);

} // namespace trakmoor

#endif
