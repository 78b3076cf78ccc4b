#ifndef TRAKMOOR_TRACK_TRACKINFOROWS_H
#define TRAKMOOR_TRACK_TRACKINFOROWS_H

// The rows of the track info panel (facts about the track and its file, the statistics of the
// whole track, the A-B section) and the number formats they use, apart from any control so that
// the status line and the graph can share the formats and tests need no window.

#include "track/Gpx.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace trakmoor {

// Ids of the three group nodes; their rows carry parentId -1.
enum TrackInfoGroup : int {
    trackInfoGroup = 1,
    trackAnalysesGroup = 2,
    sectionAnalysesGroup = 3,
};

struct TrackInfoRow {
    int id = 0;
    int parentId = -1;
    // English message id, to be translated by the caller when the row is shown.
    const char* label = "";
    // Empty for group nodes.
    std::string value;
    // The value is itself an English message id ("Unnamed" for a track without a name) and must
    // be translated like the label.
    bool translateValue = false;
};

// The rows in the order the panel adds them, each group node before its children.  Empty when
// there is no document or the selected track does not exist.  A marker outside the track's points
// counts as unset.
std::vector<TrackInfoRow> trackInfoRows(const Gpx* gpx, int selectedTrack, int markerA,
                                        int markerB);

// The formats below write numbers independently of any locale: decimal point '.', no grouping.
// A value that rounds to zero never shows a minus sign.

// Metres, no decimals: 115.01 gives "115 m".
std::string formatHeight(double metres);

// One decimal: "7.8 km/h".
std::string formatSpeed(double kilometresPerHour);

// Metres shown as kilometres with two decimals: 9840 gives "9.84 km".
std::string formatDistanceKm(double metres);

// A channel's reading with its unit: "142 bpm", "85 rpm", "210 W", "21.5 °C", "12.3 km/h";
// "-" for no reading.
std::string formatChannelValue(Channel channel, double value);

// The clock time of a point for the panel: cut from its time text as read, or, for a point read
// from a binary file that has no text, written from its time ("hh:mm:ss", UTC).  Empty without
// either.
std::string pointClockTime(const WayPoint& point);

// h:mm:ss with as many hour digits as needed: 4515 gives "1:15:15", 90061 "25:01:01".  A negative
// count keeps its sign in front ("-0:00:05") rather than spreading it over every field.
std::string formatDuration(std::int64_t seconds);

// The clock part of a GPX time text: the 8 characters after the first 'T' ("16:26:23" from
// "2009-03-06T16:26:23Z") when at least 8 follow it, otherwise the whole text.  The cut never
// splits a UTF-8 character.
std::string timeOfDay(std::string_view timeText);

} // namespace trakmoor

#endif
