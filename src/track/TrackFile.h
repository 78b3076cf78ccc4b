#ifndef TRAKMOOR_TRACK_TRACKFILE_H
#define TRAKMOOR_TRACK_TRACKFILE_H

// Opens any track file the program reads (GPX, FIT, TCX), choosing the reader by what the file
// holds rather than by its name.

#include "track/GpxReader.h"

#include <string>
#include <string_view>

namespace trakmoor {

enum class TrackFormat { Gpx, Fit, Tcx };

// The format the bytes at the start of a file look like.  Anything that is neither FIT nor a
// Training Center database counts as GPX, whose reader also repairs broken text.
TrackFormat detectTrackFormat(std::string_view head);

struct TrackFileRead {
    TrackFormat format = TrackFormat::Gpx;
    GpxReadResult result;
};

TrackFileRead readTrackFile(const std::string& path);

// The status line for a read: empty for a clean one; "Not a FIT file: " + fileName for a file
// that is none; "Could not load FIT: " + fileName + ": " + the reason for one that failed or
// was read only in part (its document then still holds what was read).  GPX and TCX alike.
std::string trackReadStatusText(const TrackFileRead& read, const std::string& fileName);

} // namespace trakmoor

#endif
