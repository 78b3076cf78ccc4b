#include "app/OpenDocument.h"

#include <algorithm>
#include <utility>

namespace trakmoor {

void OpenDocument::replace(std::unique_ptr<Gpx> document, std::string path) {
    // The box may still point at a track of the old document, whose address a new one can take.
    bounds_.invalidate();
    gpx_ = std::move(document);
    path_ = std::move(path);
    ++generation_;
    selectedTrack_ = -1;
    marks_ = {};
}

bool OpenDocument::selectTrack(int index) {
    const Track* track = gpx_ ? gpx_->trackAt(index) : nullptr;
    if (track == nullptr) {
        return false;
    }
    selectedTrack_ = index;
    marks_ = {};
    marks_.cursorIndex = track->pointCount() > 0 ? 0 : -1;
    return true;
}

bool OpenDocument::moveCursor(int index) {
    const Track* track = currentTrack();
    if (track == nullptr || track->pointCount() == 0) {
        return false;
    }
    marks_.freeCursor = false;
    marks_.cursorIndex = std::clamp(index, 0, track->pointCount() - 1);
    return true;
}

bool OpenDocument::freeCursorAtCursorPoint() {
    const Track* track = currentTrack();
    const WayPoint* point = track != nullptr ? track->pointAt(marks_.cursorIndex) : nullptr;
    if (point == nullptr) {
        return false;
    }
    marks_.freeCursor = true;
    marks_.freeCursorLat = point->lat();
    marks_.freeCursorLon = point->lon();
    return true;
}

void OpenDocument::moveFreeCursor(double lat, double lon) {
    marks_.freeCursorLat = lat;
    marks_.freeCursorLon = lon;
}

bool OpenDocument::setMarker(bool a) {
    if (marks_.freeCursor || currentTrack() == nullptr || marks_.cursorIndex < 0) {
        return false;
    }
    (a ? marks_.markerA : marks_.markerB) = marks_.cursorIndex;
    return true;
}

} // namespace trakmoor
