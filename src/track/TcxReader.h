#ifndef TRAKMOOR_TRACK_TCXREADER_H
#define TRAKMOOR_TRACK_TCXREADER_H

// Reads Training Center (TCX) files as training sites export them: each activity and each course
// becomes a track, its trackpoints the track's points with height, time, heart rate, cadence and
// the activity extension's speed and power.

#include "track/GpxReader.h"

#include <string>
#include <string_view>

namespace trakmoor {

// Outcome::NotGpx stands for "not a TCX file" here: XML without a TrainingCenterDatabase.
GpxReadResult readTcxFileWithOutcome(const std::string& path);
GpxReadResult readTcxText(std::string_view text);

} // namespace trakmoor

#endif
