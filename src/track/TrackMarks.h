#ifndef TRAKMOOR_TRACK_TRACKMARKS_H
#define TRAKMOOR_TRACK_TRACKMARKS_H

// Where on the shown track the cursor and the two analysis markers are: one value that the open
// document keeps and the status line, the info panel and the painters read as it is.

#include <cstdint>

namespace trakmoor {

struct TrackMarks {
    // Track point indexes; -1 = none.
    std::int32_t cursorIndex = -1;
    std::int32_t markerA = -1;
    std::int32_t markerB = -1;
    // The cursor is the free position (freeCursorLat, freeCursorLon) instead of a track point.
    bool freeCursor = false;
    double freeCursorLat = 0.0;
    double freeCursorLon = 0.0;

    friend bool operator==(const TrackMarks&, const TrackMarks&) = default;
};

} // namespace trakmoor

#endif
