#ifndef TRAKMOOR_TRACK_FITREADER_H
#define TRAKMOOR_TRACK_FITREADER_H

// Reads the FIT files of sport watches and bike computers: every record message becomes a track
// point with its position, height, time and the channels the device recorded.  Each FIT file of a
// chain becomes a track of its own; a course becomes a route.

#include "track/GpxReader.h"

#include <cstdint>
#include <span>
#include <string>

namespace trakmoor {

// Outcome::NotGpx stands for "not a FIT file" here.  A file that breaks off or fails its checksum
// still gives what was read before: Loaded with `error` saying what went wrong.
GpxReadResult readFitFileWithOutcome(const std::string& path);
GpxReadResult readFitData(std::span<const std::uint8_t> bytes);

// True when the bytes start like a FIT file header.
bool looksLikeFit(std::span<const std::uint8_t> head);

// Seconds between 1970-01-01 and the FIT epoch 1989-12-31, both UTC.
inline constexpr std::int64_t fitEpochOffset = 631065600;

} // namespace trakmoor

#endif
