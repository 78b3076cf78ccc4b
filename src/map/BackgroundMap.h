#ifndef TRAKMOOR_MAP_BACKGROUNDMAP_H
#define TRAKMOOR_MAP_BACKGROUNDMAP_H

// The map drawn behind the track: its features, the file they came from, and the picture drawn
// from them.  The picture's threads read the features while they draw, so the features change
// only here, and only after the picture has been stopped and dropped.

#include "map/MapFeature.h"
#include "map/MapPicture.h"

#include <string>
#include <vector>

namespace trakmoor {

class BackgroundMap {
public:
    explicit BackgroundMap(MapPictureOptions pictureOptions = {});

    // Takes the features read from `path` in place of the shown ones.
    void replace(std::vector<MapFeature> features, std::string path);
    // No map at all.
    void clear();

    const std::vector<MapFeature>& features() const { return features_; }
    // Empty when no map is loaded.
    const std::string& path() const { return path_; }
    // Changes whenever the features are replaced or cleared, so that no picture of an old map is
    // taken for one of the new.
    int generation() const { return generation_; }
    MapPictureCache& picture() { return picture_; }

private:
    std::vector<MapFeature> features_;
    std::string path_;
    int generation_ = 0;
    // Declared after the features: it goes first, its threads stopped, when the map is destroyed.
    MapPictureCache picture_;
};

} // namespace trakmoor

#endif
