#ifndef TRAKMOOR_TRACK_GPXREADER_H
#define TRAKMOOR_TRACK_GPXREADER_H

// Reads GPX files into documents: tracks, routes and waypoints with their positions, and for track
// points elevation and time.  Input that is not well-formed XML is repaired with HTML Tidy first.

#include "track/Gpx.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace trakmoor {

// No document when the file cannot be read, does not parse or holds no gpx element.  A document
// without tracks is still a document; the caller decides what that means.
std::unique_ptr<Gpx> readGpxFile(const std::string& path);

// As readGpxFile, for text in memory.  The text ends at its first NUL character.
std::unique_ptr<Gpx> readGpxText(std::string_view text);

// A decimal floating-point number at the very start of the text, independent of the locale.
// Leading white space or a plus sign, unreadable text and values out of range give 0.0; "inf" and
// "nan" are accepted.  Characters after the number are ignored.
double parseCoordinate(std::string_view text);

// An XML Schema dateTime "YYYY-MM-DDThh:mm:ss[.fraction](Z|+hh:mm|-hh:mm)" as seconds since 1970
// UTC.  Fractions are truncated, offsets turned into UTC.  Anything else, and times before 1970 or
// beyond 32 bits, give -1.
std::int32_t parseGpxTime(std::string_view text);

namespace detail {
// Always repairs the text with Tidy before parsing, even when it is well-formed; readGpxText only
// does so when a direct parse fails.  Both must give the same documents.
std::unique_ptr<Gpx> readRepairedGpxText(std::string_view text);
} // namespace detail

} // namespace trakmoor

#endif
