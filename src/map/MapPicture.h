#ifndef TRAKMOOR_MAP_MAPPICTURE_H
#define TRAKMOOR_MAP_MAPPICTURE_H

// The background map is drawn once into a picture three panels wide and high, with the panel in
// its middle ninth, and reused while only the pan changes by at most 80 % of the panel size: a
// pan is then a single image copy.  Also the legend, which is drawn on the panel itself.

#include "map/CairoHandles.h"
#include "map/LabelSprites.h"
#include "map/MapFeature.h"
#include "map/MapFeatureIndex.h"
#include "map/MapProjection.h"
#include "map/ViewState.h"
#include "track/Gpx.h"

#include <cairo.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace trakmoor {

// Ways of drawing the picture faster that leave every pixel as it is; each can be turned off.
struct MapPictureOptions {
    // Leave out features and labels whose projected box misses the picture (or the band), and
    // look only at the features the spatial index finds under the picture.
    bool skipOutside = true;
    // Horizontal bands drawn on threads of their own; 0 picks one per core (at most 4).
    int bands = 0;
    // Set colour, width and dashes only when they differ from the feature before.
    bool reuseStyle = true;
    // Draw into the image of the rebuild before when it has the same size, each band clearing its
    // own rows, rather than into a fresh one whose every page faults in on first touch.
    bool reuseImage = true;
    // Cut the bands where the estimated drawing cost is shared evenly rather than at equal heights.
    bool balanceBands = true;
    // Draw each name's halo and text once into masks, kept for later pictures of the same text
    // size, and composite them wherever the name is placed.
    bool labelSprites = true;
    // Draw the panel's own ninth of the picture before update returns and the rest on threads
    // afterwards; a pan waits for the rest before it shows any of it.
    bool visibleFirst = true;
};

// What a picture is drawn from.
struct MapPictureSource {
    const Track* track = nullptr;
    TrackBoundsCache* bounds = nullptr;
    ViewState view;
    std::span<const MapFeature> features;
    int mapGeneration = 0;
    int width = 0;
    int height = 0;
    cairo_font_face_t* font = nullptr;
};

class MapPictureCache {
public:
    explicit MapPictureCache(MapPictureOptions options = {});
    ~MapPictureCache();
    MapPictureCache(const MapPictureCache&) = delete;
    MapPictureCache& operator=(const MapPictureCache&) = delete;

    // Keeps the picture when it fits the source, rebuilds it otherwise.  False when there is no
    // picture: no track with points, an empty panel, or an image cairo could not create.
    bool update(const MapPictureSource& source);
    // Paints the picture where it belongs for the view's current pan.
    void paint(cairo_t* cr, const ViewState& view) const;

    // The image of 3W x 3H pixels, once all of it is drawn, or null.
    cairo_surface_t* picture();
    // Whether parts of the picture beyond the panel's ninth are still being drawn.
    bool isCompleting() const { return completion_ != nullptr; }
    bool lastUpdateRebuilt() const { return lastUpdateRebuilt_; }
    std::uint64_t rebuildCount() const { return rebuildCount_; }
    const MapPictureOptions& options() const { return options_; }
    void setOptions(const MapPictureOptions& options) { options_ = options; }
    // Gets ready for a first picture of `features` before the track it is drawn around is known:
    // the image is made and faulted in, and every name's sprite is drawn at the zoom's text size.
    void prepareFor(std::span<const MapFeature> features, int width, int height, double zoom,
                    cairo_font_face_t* font);
    // Drops the picture; the next update rebuilds (into the same image when it may).  Also to be
    // called before the features a picture is drawn from go away.
    void clear();

private:
    struct Key {
        const Track* track = nullptr;
        const MapFeature* features = nullptr;
        std::size_t featureCount = 0;
        int width = 0;
        int height = 0;
        double zoom = 0.0;
        std::int32_t angleX = 0;
        std::int32_t angleY = 0;
        std::int32_t angleZ = 0;
        double headingOffset = 0.0;
        int mapGeneration = 0;
        cairo_font_face_t* font = nullptr;

        bool operator==(const Key&) const = default;
    };

    static Key keyOf(const MapPictureSource& source);
    bool fits(const MapPictureSource& source) const;
    void rebuild(const MapPictureSource& source);
    // A cleared image of the picture's size, or one to clear (`dirty`), or null.
    OwnedCairoSurface takeImage(int width, int height, bool& dirty);
    // The draw order and the spatial index, made once per map.
    const std::vector<std::size_t>& sortedOrder(const MapPictureSource& source);
    // The features that may show in the picture in draw order, or null for all of them.
    const std::vector<std::uint32_t>* featuresUnder(const MapProjection& projection, int width,
                                                    int height, const Track& track);
    // The threads drawing the rest of the picture, and what they draw from.
    struct Completion;
    // Waits for the rest of the picture, or stops it unfinished with `cancel`.
    void complete(bool cancel);

    MapPictureOptions options_;
    OwnedCairoSurface picture_;
    // The image of a dropped picture, kept for the next rebuild.
    OwnedCairoSurface spare_;
    LabelSpriteCache labelSprites_;
    std::unique_ptr<Completion> completion_;
    Key key_;
    double panX0_ = 0.0;
    double panY0_ = 0.0;
    bool lastUpdateRebuilt_ = false;
    std::uint64_t rebuildCount_ = 0;
    // The draw order depends only on the map, not on the view.
    std::vector<std::size_t> order_;
    // Each feature's place in order_.
    std::vector<std::uint32_t> rank_;
    MapFeatureIndex index_;
    std::vector<std::uint32_t> under_;
    const MapFeature* orderFeatures_ = nullptr;
    std::size_t orderCount_ = 0;
    int orderGeneration_ = 0;
    bool orderValid_ = false;
};

// The map of `source` drawn straight onto `cr` over the panel's own W x H, with the same features
// and labels the picture would show there: for pictures of any size and for vector surfaces, where
// a cached image three times as large would be wasted or blurred.  With `textAsText` the names are
// written as glyphs.
void drawMapDirect(cairo_t* cr, const MapPictureSource& source, bool textAsText);

// The legend box at the panel's bottom left: one column below 320 pixels of width, else two.
void drawMapLegend(cairo_t* cr, int width, int height, cairo_font_face_t* font);

} // namespace trakmoor

#endif
