#ifndef TRAKMOOR_MAP_LABELSPRITES_H
#define TRAKMOOR_MAP_LABELSPRITES_H

// Stroking the halos of the names takes about a quarter of the time a map picture costs, and the
// same names come back in picture after picture while the view turns (Follow direction turns it
// on every cursor step), some even twice in one picture.  So each name's halo and text coverage is
// drawn once into a pair of alpha masks and composited wherever the name is placed.  Label origins
// lie on whole pixels, where the masks give exactly the bytes of stroking and filling the text
// path on the picture itself.

#include "map/CairoHandles.h"
#include "map/MapLabels.h"

#include <cairo.h>

#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>

namespace trakmoor {

class LabelSpriteCache {
public:
    LabelSpriteCache() = default;
    LabelSpriteCache(const LabelSpriteCache&) = delete;
    LabelSpriteCache& operator=(const LabelSpriteCache&) = delete;
    ~LabelSpriteCache() { clear(); }

    // Makes room for the labels of one picture: forgets every sprite when the text size or font
    // changed, and otherwise those of names the picture does not place.  Not while drawing.
    void prepare(std::span<const PlacedLabel> labels, const LabelArea& area);
    // Composites the labels, drawing the sprites not drawn yet.  Several threads may draw at
    // once, each on its own context, labels that were given to the last `prepare`.
    void draw(cairo_t* cr, std::span<const PlacedLabel> labels);

    // Whether the name's sprite is ready to composite; not while drawing.
    bool isDrawn(std::string_view name) const;

private:
    struct Sprite {
        // The masks' top left corner from the text origin, and their size.
        int left = 0;
        int top = 0;
        int width = 0;
        int height = 0;
        std::once_flag drawn;
        // Null when cairo could not make them; the label is then drawn directly.
        OwnedCairoSurface halo;
        OwnedCairoSurface text;
    };

    struct NameHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view name) const noexcept {
            return std::hash<std::string_view>{}(name);
        }
    };

    void render(Sprite& sprite, const std::string& name) const;
    void clear();

    std::unordered_map<std::string, std::unique_ptr<Sprite>, NameHash, std::equal_to<>> sprites_;
    // What the sprites are drawn with; the face is held so that its address stays its own.
    LabelArea style_;
    double fontSize_ = 0.0;
};

} // namespace trakmoor

#endif
