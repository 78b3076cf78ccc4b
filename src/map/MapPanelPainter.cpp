#include "map/MapPanelPainter.h"

#include "map/GraphPainter.h"
#include "map/MapProjection.h"
#include "map/PanelBackground.h"

#include <limits>

namespace trakmoor {

namespace {

// Background, map (drawn by `drawMap`), legend, track: the panel's layers in their order.
template <class DrawMap>
void paintMapLayers(cairo_t* cr, int width, int height, const MapScene& scene,
                    const TrackPaintOptions& trackOptions, DrawMap drawMap) {
    paintMapBackground(cr, width, height);
    if (scene.track == nullptr || scene.track->pointCount() == 0) {
        return;
    }
    TrackBoundsCache localBounds;
    TrackBoundsCache& bounds = scene.bounds != nullptr ? *scene.bounds : localBounds;

    if (scene.showOsmBackground && scene.features != nullptr && !scene.features->empty()) {
        MapPictureSource source;
        source.track = scene.track;
        source.bounds = &bounds;
        source.view = scene.view;
        source.features = *scene.features;
        source.mapGeneration = scene.mapGeneration;
        source.width = width;
        source.height = height;
        source.font = scene.font;
        drawMap(source);
        if (scene.showLegend) {
            drawMapLegend(cr, width, height, scene.font);
        }
    }

    const MapProjection projection(scene.view, bounds, *scene.track, width, height);
    paintTrack(cr, projection, *scene.track, scene.decorations, trackOptions);
}

} // namespace

void paintMapPanel(cairo_t* cr, int width, int height, const MapScene& scene,
                   MapPictureCache& cache) {
    paintMapLayers(cr, width, height, scene, {}, [&](const MapPictureSource& source) {
        if (cache.update(source)) {
            cache.paint(cr, scene.view);
        }
    });
}

void paintMapPicture(cairo_t* cr, int width, int height, const MapScene& scene, bool vector) {
    // Tiles and thinning only speed up raster strokes; a vector page keeps the whole line.
    const TrackPaintOptions trackOptions{
        .thinSamePixel = !vector, .dropRepeats = true, .strokeInTiles = !vector};
    paintMapLayers(cr, width, height, scene, trackOptions, [&](const MapPictureSource& source) {
        if (vector) {
            drawMapDirect(cr, source, true);
            return;
        }
        // The panel composites a transparent picture of the map over its background; so does a
        // raster picture, which then rounds its pixels alike.
        cairo_push_group(cr);
        drawMapDirect(cr, source, false);
        cairo_pop_group_to_source(cr);
        cairo_paint(cr);
    });
}

void paintGraphPanel(cairo_t* cr, int width, int height, const GraphScene& scene,
                     std::uint64_t document, GraphPictureCache& cache) {
    if (scene.track == nullptr || scene.track->pointCount() == 0) {
        paintGraphBackground(cr, width, height);
        return;
    }
    cache.paint(cr, width, height, *scene.track, document, scene.statisticsMode, scene.cursorIndex,
                scene.font);
}

void paintGraphPicture(cairo_t* cr, int width, int height, const GraphScene& scene, bool vector) {
    if (scene.track == nullptr || scene.track->pointCount() == 0) {
        paintGraphBackground(cr, width, height);
        return;
    }
    if (vector) {
        PaintGraphPanel(cr, width, height, *scene.track, scene.statisticsMode, scene.cursorIndex,
                        scene.font, {.thinSamePixel = false, .strokeInStrips = false});
        return;
    }
    GraphPictureCache cache({}, std::numeric_limits<std::int32_t>::max());
    cache.paint(cr, width, height, *scene.track, 0, scene.statisticsMode, scene.cursorIndex,
                scene.font);
}

} // namespace trakmoor
