#include "track/TrackInfoRows.h"

#include "track/TrackStats.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <iterator>

// Marks the labels for the catalogue; the engine translates them when it shows the rows.
#define N_(text) (text)

namespace trakmoor {

namespace {

// Fixed notation with the given number of decimals, as the classic locale writes it.
std::string fixed(double value, int decimals) {
    // Enough for the largest double in fixed notation (309 digits) with sign and decimals.
    std::array<char, 400> buffer;
    auto [end, error] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                      std::chars_format::fixed, decimals);
    if (error != std::errc()) {
        return {};
    }
    std::string text(buffer.data(), end);
    // -0.3 m and -0.0 would read "-0 m"; a value shown as zero has no sign.
    if (text.front() == '-' && text.find_first_not_of("-0.") == std::string::npos) {
        text.erase(0, 1);
    }
    return text;
}

// A UTF-8 continuation byte never starts a character.
bool continuesCharacter(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// A marker that names no point of the track is treated as unset, so that a stale index cannot
// read beyond the points.
bool markerValid(const Track& track, int marker) {
    return marker >= 0 && marker < track.pointCount();
}

// What a row shows for a figure the points cannot give, such as a duration without times.
const char* const noValue = "-";

std::string markerText(const Track& track, int marker) {
    if (!markerValid(track, marker)) {
        return "-";
    }
    return std::to_string(static_cast<std::int64_t>(marker) + 1);
}

class RowList {
public:
    void group(int id, const char* label) { rows_.push_back({id, -1, label, {}}); }
    void row(int id, int parentId, const char* label, std::string value) {
        rows_.push_back({id, parentId, label, std::move(value)});
    }
    void messageRow(int id, int parentId, const char* label, const char* message) {
        rows_.push_back({id, parentId, label, message, true});
    }
    std::vector<TrackInfoRow> take() { return std::move(rows_); }

private:
    std::vector<TrackInfoRow> rows_;
};

// Rows that came after the first ones and take ids of their own, firstId onwards, so that the
// first rows keep theirs.
template <typename Stats>
void addClimbAndMotion(RowList& rows, int firstId, int parent, const Stats& stats) {
    const bool timed = hasTimeSpan(stats);
    rows.row(firstId, parent, N_("Ascent"), formatHeight(stats.ascent));
    rows.row(firstId + 1, parent, N_("Descent"), formatHeight(stats.descent));
    rows.row(firstId + 2, parent, N_("Moving time"),
             timed ? formatDuration(stats.movingTime) : noValue);
    rows.row(firstId + 3, parent, N_("Moving average"),
             timed ? formatSpeed(stats.movingAverageSpeed) : noValue);
}

// The readings of the channels the track has, firstId onwards; none for a track without them.
void addChannels(RowList& rows, int firstId, int parent, const Track& track, std::int32_t low,
                 std::int32_t high) {
    struct ChannelRow {
        Channel channel;
        bool maximum;
        const char* label;
    };
    static constexpr ChannelRow channelRows[] = {
        {Channel::HeartRate, false, N_("Avg. heart rate")},
        {Channel::HeartRate, true, N_("Max. heart rate")},
        {Channel::Cadence, false, N_("Avg. cadence")},
        {Channel::Power, false, N_("Avg. power")},
        {Channel::Power, true, N_("Max. power")},
        {Channel::Temperature, false, N_("Avg. temperature")},
    };
    for (int i = 0; i < static_cast<int>(std::size(channelRows)); ++i) {
        const ChannelRow& row = channelRows[i];
        if (!track.hasChannel(row.channel)) {
            continue;
        }
        const ChannelStats stats = computeChannelStats(track, row.channel, low, high);
        const double value = stats.readings == 0 ? std::nan("")
                             : row.maximum       ? stats.maximum
                                                 : stats.average;
        rows.row(firstId + i, parent, row.label, formatChannelValue(row.channel, value));
    }
}

void addTrackInfo(RowList& rows, const Gpx& gpx, const Track& track, int trackIndex) {
    rows.group(trackInfoGroup, N_("Track info"));
    if (track.name().empty()) {
        rows.messageRow(10, trackInfoGroup, N_("Name"), N_("Unnamed"));
    } else {
        rows.row(10, trackInfoGroup, N_("Name"), track.name());
    }
    // Counted from 1 as the waypoint rows count points: files disagree on whether their own
    // <number> starts at 0 or 1, and many leave it out.
    rows.row(11, trackInfoGroup, N_("Number"), std::to_string(trackIndex + 1));
    rows.row(12, trackInfoGroup, N_("Creator"), gpx.creator());
    rows.row(13, trackInfoGroup, N_("GPX version"), gpx.version());
}

void addTrackAnalyses(RowList& rows, const Track& track) {
    rows.group(trackAnalysesGroup, N_("Track analyses"));
    if (track.pointCount() < 1) {
        return;
    }
    const TrackStats stats = computeTrackStats(track);
    const int parent = trackAnalysesGroup;
    const bool timed = hasTimeSpan(stats);
    rows.row(20, parent, N_("Start time"),
             timed ? pointClockTime(*stats.firstTimedPoint) : noValue);
    rows.row(21, parent, N_("Stop time"), timed ? pointClockTime(*stats.lastTimedPoint) : noValue);
    rows.row(22, parent, N_("Min. height"), formatHeight(stats.minEle));
    rows.row(23, parent, N_("Max. height"), formatHeight(stats.maxEle));
    rows.row(24, parent, N_("Min. speed"), stats.speedSeen ? formatSpeed(stats.minSpeed) : noValue);
    rows.row(25, parent, N_("Max. speed"), stats.speedSeen ? formatSpeed(stats.maxSpeed) : noValue);
    rows.row(26, parent, N_("Duration"), timed ? formatDuration(stats.duration) : noValue);
    rows.row(27, parent, N_("Distance"), formatDistanceKm(stats.distance));
    rows.row(28, parent, N_("Average"), timed ? formatSpeed(stats.averageSpeed) : noValue);
    rows.row(29, parent, N_("Waypoints"), std::to_string(stats.pointCount));
    addClimbAndMotion(rows, 200, parent, stats);
    addChannels(rows, 210, parent, track, 0, track.pointCount() - 1);
}

void addSectionAnalyses(RowList& rows, const Track& track, int markerA, int markerB) {
    rows.group(sectionAnalysesGroup, N_("A-B analyses"));
    const int parent = sectionAnalysesGroup;
    rows.row(30, parent, N_("Waypoint A"), markerText(track, markerA));
    rows.row(31, parent, N_("Waypoint B"), markerText(track, markerB));
    if (!markerValid(track, markerA) || !markerValid(track, markerB)) {
        return;
    }
    const SectionStats stats = computeSectionStats(track, markerA, markerB);
    const bool timed = hasTimeSpan(stats);
    rows.row(32, parent, N_("Duration"), timed ? formatDuration(stats.duration) : noValue);
    rows.row(33, parent, N_("Distance"), formatDistanceKm(stats.distance));
    rows.row(34, parent, N_("Average"), timed ? formatSpeed(stats.averageSpeed) : noValue);
    rows.row(35, parent, N_("Waypoints"), std::to_string(stats.pointCount));
    rows.row(36, parent, N_("Direct"), formatDistanceKm(stats.direct));
    addClimbAndMotion(rows, 300, parent, stats);
    addChannels(rows, 310, parent, track, stats.low, stats.high);
}

} // namespace

std::vector<TrackInfoRow> trackInfoRows(const Gpx* gpx, int selectedTrack, int markerA,
                                        int markerB) {
    if (gpx == nullptr) {
        return {};
    }
    const Track* track = gpx->trackAt(selectedTrack);
    if (track == nullptr) {
        return {};
    }
    RowList rows;
    addTrackInfo(rows, *gpx, *track, selectedTrack);
    addTrackAnalyses(rows, *track);
    addSectionAnalyses(rows, *track, markerA, markerB);
    return rows.take();
}

std::string formatHeight(double metres) {
    return fixed(metres, 0) + " m";
}

std::string formatSpeed(double kilometresPerHour) {
    return fixed(kilometresPerHour, 1) + " km/h";
}

std::string formatDistanceKm(double metres) {
    return fixed(metres / 1000, 2) + " km";
}

std::string formatDuration(std::int64_t seconds) {
    // Unsigned, so that the most negative count has a magnitude too.
    std::uint64_t magnitude = static_cast<std::uint64_t>(seconds);
    if (seconds < 0) {
        magnitude = 0 - magnitude;
    }
    char text[48];
    std::snprintf(text, sizeof text, "%s%llu:%02llu:%02llu", seconds < 0 ? "-" : "",
                  static_cast<unsigned long long>(magnitude / 3600),
                  static_cast<unsigned long long>(magnitude / 60 % 60),
                  static_cast<unsigned long long>(magnitude % 60));
    return text;
}

std::string timeOfDay(std::string_view timeText) {
    constexpr std::size_t clockLength = 8;
    const std::size_t t = timeText.find('T');
    if (t == std::string_view::npos || timeText.size() - t - 1 < clockLength) {
        return std::string(timeText);
    }
    std::size_t end = t + 1 + clockLength;
    while (end > t + 1 && end < timeText.size() && continuesCharacter(timeText[end])) {
        --end;
    }
    return std::string(timeText.substr(t + 1, end - t - 1));
}

std::string formatChannelValue(Channel channel, double value) {
    if (std::isnan(value)) {
        return "-";
    }
    switch (channel) {
    case Channel::HeartRate:
        return fixed(value, 0) + " bpm";
    case Channel::Cadence:
        return fixed(value, 0) + " rpm";
    case Channel::Power:
        return fixed(value, 0) + " W";
    case Channel::Temperature:
        return fixed(value, 1) + " \u00b0C";
    case Channel::Speed:
        break;
    }
    return formatSpeed(value);
}

std::string pointClockTime(const WayPoint& point) {
    if (!point.timeText().empty() || point.time() <= 0) {
        return timeOfDay(point.timeText());
    }
    const std::int64_t secondOfDay = point.time() % 86400;
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", static_cast<int>(secondOfDay / 3600),
                  static_cast<int>(secondOfDay / 60 % 60), static_cast<int>(secondOfDay % 60));
    return text;
}

} // namespace trakmoor
