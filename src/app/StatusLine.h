#ifndef TRAKMOOR_APP_STATUSLINE_H
#define TRAKMOOR_APP_STATUSLINE_H

// The texts of the status line while a track is shown.  The words passed in are already
// translated; numbers are written the same under every locale.

#include "track/Gpx.h"

#include <string>

namespace trakmoor {

// "FILE  |  free cursor  |  LAT, LON" with six decimals.
std::string freeCursorStatusText(const std::string& fileName, const std::string& freeCursorWord,
                                 double lat, double lon);

// "FILE  |  point I/N  |  ELE m", then the markers ("  |  A: 3  B: -") when one is set, then
// "  |  A-B: METRES m" and ", SECONDS s" when both are.  Markers outside the track count as unset.
std::string pointStatusText(const std::string& fileName, const std::string& pointWord,
                            const Track& track, int cursorIndex, int markerA, int markerB);

// The text on one line, as the status line can show it: every run of control characters (line
// breaks, tabs) becomes one blank, and none is left at either end.
std::string singleLineText(const std::string& text);

} // namespace trakmoor

#endif
