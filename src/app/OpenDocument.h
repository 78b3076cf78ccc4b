#ifndef TRAKMOOR_APP_OPENDOCUMENT_H
#define TRAKMOOR_APP_OPENDOCUMENT_H

// The open GPX document, which of its tracks is shown, where the cursor and the markers are on
// it, and the box the view is fitted to.  Taking a document over starts all of these afresh, so
// that no index or cached box of the old document outlives it.

#include "map/ViewState.h"
#include "track/Gpx.h"
#include "track/TrackMarks.h"

#include <memory>
#include <string>

namespace trakmoor {

class OpenDocument {
public:
    // Takes `document`, read from `path`, in place of the shown one; no track is shown until
    // selectTrack.
    void replace(std::unique_ptr<Gpx> document, std::string path);
    // Shows track `index` with the cursor on its first point (none when it has no points) and no
    // markers.  False, changing nothing, for an index outside the document.
    bool selectTrack(int index);

    const Gpx* gpx() const { return gpx_.get(); }
    const std::string& path() const { return path_; }
    // Counts the documents taken over, so that a picture is never mistaken for one of another.
    int generation() const { return generation_; }
    int selectedTrack() const { return selectedTrack_; }
    // The shown track, or null.
    const Track* currentTrack() const { return gpx_ ? gpx_->trackAt(selectedTrack_) : nullptr; }
    const TrackMarks& marks() const { return marks_; }
    // Filled by the projection when it is first asked for the shown track.
    TrackBoundsCache& bounds() { return bounds_; }

    // The cursor on point `index`, clamped to the track, out of free-cursor mode.  False without a
    // track with points.
    bool moveCursor(int index);
    // Free-cursor mode, starting at the cursor point; false without one.
    bool freeCursorAtCursorPoint();
    void moveFreeCursor(double lat, double lon);
    void leaveFreeCursor() { marks_.freeCursor = false; }
    // Marker A (`a`) or B on the cursor point; false in free-cursor mode or without a cursor point.
    bool setMarker(bool a);

private:
    std::unique_ptr<Gpx> gpx_;
    std::string path_;
    int generation_ = 0;
    int selectedTrack_ = -1;
    TrackMarks marks_;
    TrackBoundsCache bounds_;
};

} // namespace trakmoor

#endif
