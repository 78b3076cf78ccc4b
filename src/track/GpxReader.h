#ifndef TRAKMOOR_TRACK_GPXREADER_H
#define TRAKMOOR_TRACK_GPXREADER_H

// Reads GPX files into documents: tracks, routes and waypoints with their positions, and for track
// points elevation and time.  Well-formed input is parsed as it streams in, without an element
// tree; input that is not well-formed XML is repaired with HTML Tidy first.

#include "track/Gpx.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace trakmoor {

// What became of a read.  A file that gives no document always says why, in words the status
// line can show.
struct GpxReadResult {
    enum class Outcome {
        Loaded,     // gpx holds the document, which may have no tracks
        CannotOpen, // the file could not be opened or read; error is the system's reason
        NotGpx,     // no gpx element, also after repair; error is empty
        Unreadable, // not XML that Tidy could repair; error is the parser's message, if any
    };
    Outcome outcome = Outcome::Loaded;
    std::unique_ptr<Gpx> gpx;
    // CannotOpen: "Permission denied".  Unreadable: Mini-XML's complaint about the original text,
    // with the line it found it on: "Missing close tag </trkpt> under parent <trkseg> on line 160."
    std::string error;
};

GpxReadResult readGpxFileWithOutcome(const std::string& path);

// As readGpxFileWithOutcome, for text in memory.  The text ends at its first NUL character.
GpxReadResult readGpxTextWithOutcome(std::string_view text);

// The status line for a read that gave no document, translated: "Not a GPX file: " + fileName,
// or "Could not load GPX: " + fileName + ": " + the reason.  Empty for a loaded document.
std::string gpxReadFailureText(const GpxReadResult& result, const std::string& fileName);

// The document alone, none whatever went wrong.
std::unique_ptr<Gpx> readGpxFile(const std::string& path);
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
