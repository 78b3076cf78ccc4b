#include "map/MapPanelPainter.h"

#include "map/GraphPainter.h"
#include "map/MapProjection.h"
#include "map/PanelBackground.h"

namespace trakmoor {

void paintMapPanel(cairo_t* cr, int width, int height, const MapScene& scene,
                   MapPictureCache& cache) {
    paintMapBackground(cr, width, height);
    if (scene.track == nullptr || scene.track->pointCount() == 0)
        return;
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
        if (cache.update(source))
            cache.paint(cr, scene.view);
        drawMapLegend(cr, width, height, scene.font);
    }

    const MapProjection projection(scene.view, bounds, *scene.track, width, height);
    paintTrack(cr, projection, *scene.track, scene.decorations);
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

} // namespace trakmoor
