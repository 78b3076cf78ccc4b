#include "map/BackgroundMap.h"

#include <utility>

namespace trakmoor {

BackgroundMap::BackgroundMap(MapPictureOptions pictureOptions) : picture_(pictureOptions) {}

void BackgroundMap::replace(std::vector<MapFeature> features, std::string path) {
    picture_.clear();
    features_ = std::move(features);
    path_ = std::move(path);
    ++generation_;
}

void BackgroundMap::clear() {
    replace({}, {});
}

} // namespace trakmoor
