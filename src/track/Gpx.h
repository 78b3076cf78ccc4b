#ifndef TRAKMOOR_TRACK_GPX_H
#define TRAKMOOR_TRACK_GPX_H

// The in-memory form of one GPX file: a document owns its tracks, a track owns its points.
// Tracks, routes and single waypoints all become Track objects, so consumers see one shape.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace trakmoor {

class WayPoint {
public:
    WayPoint() = default;
    WayPoint(const WayPoint&) = delete;
    WayPoint& operator=(const WayPoint&) = delete;
    virtual ~WayPoint() = default;

    double lat() const { return lat_; }
    void setLat(double lat) { lat_ = lat; }
    double lon() const { return lon_; }
    void setLon(double lon) { lon_ = lon; }
    // Metres, as written in the file.
    double ele() const { return ele_; }
    void setEle(double ele) { ele_ = ele; }
    // The time element's text exactly as read, for display (up to a NUL character).
    std::string_view timeText() const {
        return timeText_ ? std::string_view(timeText_.get()) : std::string_view();
    }
    void setTimeText(std::string_view text);
    // Seconds since 1970 UTC; 0 when the point had no time, -1 when its time did not parse.
    std::int32_t time() const { return time_; }
    void setTime(std::int32_t time) { time_ = time; }
    const std::string& name() const { return labels_ ? labels_->name : noText(); }
    void setName(std::string name) { labels().name = std::move(name); }
    const std::string& cmt() const { return labels_ ? labels_->cmt : noText(); }
    void setCmt(std::string cmt) { labels().cmt = std::move(cmt); }
    const std::string& desc() const { return labels_ ? labels_->desc : noText(); }
    void setDesc(std::string desc) { labels().desc = std::move(desc); }

private:
    // Only waypoints carry these; recorded tracks hold hundreds of thousands of points without
    // them, so they live apart and the points stay small.
    struct Labels {
        std::string name;
        std::string cmt;
        std::string desc;
    };
    static const std::string& noText();
    Labels& labels();

    double lat_ = 0.0;
    double lon_ = 0.0;
    double ele_ = 0.0;
    // A text of its own rather than a std::string: a recorded track holds hundreds of thousands
    // of points, and the string's inline buffer is too short for a time anyway.
    std::unique_ptr<char[]> timeText_;
    std::int32_t time_ = 0;
    std::unique_ptr<Labels> labels_;
};

// What devices record beside the position.  Units: beats and revolutions per minute, watts,
// degrees Celsius, km/h.
enum class Channel : std::uint8_t { HeartRate, Cadence, Power, Temperature, Speed };
inline constexpr int channelCount = 5;

class Track {
public:
    Track() = default;
    Track(const Track&) = delete;
    Track& operator=(const Track&) = delete;
    virtual ~Track() = default;

    const std::string& name() const { return name_; }
    // Stores the name without leading and trailing white space.
    void setName(std::string_view name);

    std::int32_t number() const { return number_; }
    // Reads a trimmed base-10 integer with optional sign; anything else, or a value beyond 32
    // bits, gives 0.
    void setNumberText(std::string_view text);

    void addPoint(std::unique_ptr<WayPoint> point);
    std::int32_t pointCount() const { return static_cast<std::int32_t>(points_.size()); }
    // Null when the index is out of range, negative indices included.
    const WayPoint* pointAt(std::int32_t index) const;
    WayPoint* pointAt(std::int32_t index);

    // Channels are kept apart from the points and only for tracks that have them, so a track of
    // positions alone stays as small as before.  A point without a reading gives NaN.
    bool hasChannel(Channel channel) const;
    bool hasAnyChannel() const { return extras_ && extras_->channelMask != 0; }
    double channelValue(Channel channel, std::int32_t index) const;
    // A NaN value records nothing.  Negative indices are ignored.
    void setChannelValue(Channel channel, std::int32_t index, double value);

    // Indices of the points that start a new piece of the recording after a pause, besides 0.
    const std::vector<std::int32_t>& segmentStarts() const;
    // The next point added starts a segment (nothing at the very start).
    void startSegment();

    // A recording without any position (an indoor ride): its points lie at 0,0 and mean nothing
    // on a map.
    bool hasPositions() const { return !extras_ || extras_->hasPositions; }
    void setHasPositions(bool has);

private:
    struct Extras {
        std::array<std::vector<float>, channelCount> channels;
        std::uint8_t channelMask = 0;
        std::vector<std::int32_t> segmentStarts;
        bool hasPositions = true;
    };
    Extras& extras();

    std::string name_;
    std::int32_t number_ = 0;
    std::vector<std::unique_ptr<WayPoint>> points_;
    std::unique_ptr<Extras> extras_;
};

class Gpx {
public:
    Gpx() = default;
    Gpx(const Gpx&) = delete;
    Gpx& operator=(const Gpx&) = delete;
    virtual ~Gpx() = default;

    const std::string& creator() const { return creator_; }
    void setCreator(std::string creator) { creator_ = std::move(creator); }
    const std::string& version() const { return version_; }
    void setVersion(std::string version) { version_ = std::move(version); }

    // The file's own bounds element; the view computes its bounds from the points instead.
    double minLat() const { return minLat_; }
    void setMinLat(double v) { minLat_ = v; }
    double minLon() const { return minLon_; }
    void setMinLon(double v) { minLon_ = v; }
    double maxLat() const { return maxLat_; }
    void setMaxLat(double v) { maxLat_ = v; }
    double maxLon() const { return maxLon_; }
    void setMaxLon(double v) { maxLon_ = v; }

    void addTrack(std::unique_ptr<Track> track);
    std::int32_t trackCount() const { return static_cast<std::int32_t>(tracks_.size()); }
    const Track* trackAt(std::int32_t index) const;
    Track* trackAt(std::int32_t index);

private:
    std::string creator_;
    std::string version_;
    double minLat_ = 0.0;
    double minLon_ = 0.0;
    double maxLat_ = 0.0;
    double maxLon_ = 0.0;
    std::vector<std::unique_ptr<Track>> tracks_;
};

} // namespace trakmoor

#endif
