#ifndef TRAKMOOR_MAP_GRAPHPICTURE_H
#define TRAKMOOR_MAP_GRAPHPICTURE_H

// The graph's curves kept as a picture, so that a frame that only moves the cursor copies them
// instead of stroking every point again.  The curves of a long track take a noticeable time to
// draw; they are drawn on a thread of their own, and until they are done the panel shows its
// background with the cursor and the texts.

#include "map/GraphPainter.h"
#include "map/MapPicture.h"
#include "track/Gpx.h"

#include <cairo.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <thread>

namespace trakmoor {

class GraphPictureCache {
public:
    // Curves of tracks with at least `threadFromPoints` points are drawn on a thread.
    explicit GraphPictureCache(GraphPaintOptions options = {},
                               std::int32_t threadFromPoints = 20000);
    ~GraphPictureCache();
    GraphPictureCache(const GraphPictureCache&) = delete;
    GraphPictureCache& operator=(const GraphPictureCache&) = delete;

    // Paints the graph of a track with points.  `document` tells apart tracks that come to lie at
    // the same address.
    void paint(cairo_t* cr, int width, int height, const Track& track, std::uint64_t document,
               std::int32_t statisticsMode, std::int32_t cursorIndex, cairo_font_face_t* font);

    // Takes over curves finished on the thread; true when the graph looks different now.  Called
    // once per frame.
    bool adoptFinished();

    // Counts the pictures taken over, so that a frame can tell it has something new to show.
    std::uint64_t version() const { return version_; }

private:
    struct Key {
        const Track* track = nullptr;
        std::uint64_t document = 0;
        std::int32_t points = 0;
        std::int32_t mode = 0;
        int width = 0;
        int height = 0;
        friend bool operator==(const Key&, const Key&) = default;
    };
    struct Entry {
        Key key;
        std::shared_ptr<const GraphSeries> series;
        OwnedCairoSurface picture;
        // The curves are to come from the thread.
        bool pending = false;
    };
    struct Build {
        Key key;
        OwnedCairoSurface picture;
        std::atomic<bool> done = false;
        std::jthread worker;
    };

    // False when no thread could be started and the curves were drawn here instead.
    bool startBuild(cairo_format_t format);

    GraphPaintOptions options_;
    std::int32_t threadFromPoints_;
    std::optional<Entry> current_;
    std::unique_ptr<Build> build_;
    std::uint64_t version_ = 0;
    cairo_format_t format_ = CAIRO_FORMAT_ARGB32;
};

} // namespace trakmoor

#endif
