#include "track/TcxReader.h"
#include "track/TrackFileAccess.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <exception>
#include <optional>
#include <system_error>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <mxml.h>

namespace trakmoor {

namespace {

std::string_view localName(const char* element) {
    std::string_view name = element ? element : "";
    if (const std::size_t colon = name.rfind(':'); colon != std::string_view::npos) {
        name.remove_prefix(colon + 1);
    }
    return name;
}

// The elements whose text is read; the white space between all others is dropped as it is read.
enum class Leaf : unsigned char {
    None,
    Time,
    Latitude,
    Longitude,
    Altitude,
    HeartRate,
    Cadence,
    Speed,
    Watts,
    Id,
    Name
};

Leaf leafOf(std::string_view name) {
    if (name == "Time") {
        return Leaf::Time;
    }
    if (name == "LatitudeDegrees") {
        return Leaf::Latitude;
    }
    if (name == "LongitudeDegrees") {
        return Leaf::Longitude;
    }
    if (name == "AltitudeMeters") {
        return Leaf::Altitude;
    }
    if (name == "Value") {
        return Leaf::HeartRate;
    }
    if (name == "Cadence") {
        return Leaf::Cadence;
    }
    if (name == "Speed") {
        return Leaf::Speed;
    }
    if (name == "Watts") {
        return Leaf::Watts;
    }
    if (name == "Id") {
        return Leaf::Id;
    }
    if (name == "Name") {
        return Leaf::Name;
    }
    return Leaf::None;
}

mxml_type_t tcxTextType(mxml_node_t* element) {
    return leafOf(localName(mxmlGetElement(element))) == Leaf::None ? MXML_IGNORE : MXML_OPAQUE;
}

std::optional<double> number(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\n' || text.front() == '\t' ||
                             text.front() == '\r')) {
        text.remove_prefix(1);
    }
    double value = 0.0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

class TcxBuilder {
public:
    static void onEvent(mxml_node_t* node, mxml_sax_event_t event, void* data) {
        auto* builder = static_cast<TcxBuilder*>(data);
        if (builder->failure_) {
            return;
        }
        try {
            builder->handle(node, event);
        } catch (...) {
            builder->failure_ = std::current_exception();
        }
    }

    bool sawDatabase() const { return sawDatabase_; }

    std::unique_ptr<Gpx> finish() {
        if (failure_) {
            std::rethrow_exception(failure_);
        }
        finishTrack();
        return std::move(gpx_);
    }

private:
    struct Point {
        std::optional<double> lat, lon, ele;
        std::optional<double> channels[channelCount];
        std::string timeText;
    };

    void handle(mxml_node_t* node, mxml_sax_event_t event) {
        if (event == MXML_SAX_ELEMENT_OPEN) {
            const std::string_view name = localName(mxmlGetElement(node));
            open_.emplace_back(name);
            opened(name);
        } else if (event == MXML_SAX_ELEMENT_CLOSE) {
            if (open_.empty()) {
                return;
            }
            closed(open_.back());
            open_.pop_back();
        } else if (event == MXML_SAX_DATA && !open_.empty()) {
            if (const char* text = mxmlGetOpaque(node)) {
                data(text);
            }
        }
    }

    bool parentIs(std::string_view name, std::size_t up = 1) const {
        return open_.size() > up && open_[open_.size() - 1 - up] == name;
    }

    void opened(std::string_view name) {
        if (name == "TrainingCenterDatabase") {
            sawDatabase_ = true;
            gpx_ = std::make_unique<Gpx>();
        } else if (!gpx_) {
            return;
        } else if ((name == "Activity" && parentIs("Activities")) ||
                   (name == "Course" && parentIs("Courses"))) {
            finishTrack();
            track_ = std::make_unique<Track>();
            positionSeen_ = false;
        } else if (name == "Track" && track_) {
            pendingSegment_ = true;
        } else if (name == "Trackpoint" && track_) {
            point_.emplace();
        }
    }

    void closed(std::string_view name) {
        if (name == "Trackpoint" && point_) {
            addPoint(*point_);
            point_.reset();
        } else if (name == "Activity" || name == "Course") {
            finishTrack();
        }
    }

    void data(const char* text) {
        const Leaf leaf = leafOf(open_.back());
        if (point_) {
            Point& p = *point_;
            const auto value = [&] { return number(text); };
            switch (leaf) {
            case Leaf::Time:
                if (p.timeText.empty()) {
                    p.timeText = text;
                }
                break;
            case Leaf::Latitude:
                p.lat = value();
                break;
            case Leaf::Longitude:
                p.lon = value();
                break;
            case Leaf::Altitude:
                p.ele = value();
                break;
            case Leaf::HeartRate:
                if (parentIs("HeartRateBpm")) {
                    p.channels[int(Channel::HeartRate)] = value();
                }
                break;
            case Leaf::Cadence:
                p.channels[int(Channel::Cadence)] = value();
                break;
            case Leaf::Speed:
                if (const auto speed = value()) {
                    p.channels[int(Channel::Speed)] = *speed * 3.6;
                }
                break;
            case Leaf::Watts:
                p.channels[int(Channel::Power)] = value();
                break;
            default:
                break;
            }
            return;
        }
        if (!track_ || track_->pointCount() > 0 || !track_->name().empty()) {
            return;
        }
        // An activity is known by its start, a course by its name.
        if ((leaf == Leaf::Id && parentIs("Activity")) ||
            (leaf == Leaf::Name && parentIs("Course"))) {
            track_->setName(text);
        }
    }

    void addPoint(const Point& p) {
        const bool hasPosition = p.lat && p.lon;
        bool hasReading = hasPosition || p.ele;
        for (const auto& channel : p.channels) {
            hasReading = hasReading || channel.has_value();
        }
        // A trackpoint with its time alone marks where the recording paused.
        if (!hasReading) {
            pendingSegment_ = true;
            return;
        }
        if (pendingSegment_) {
            track_->startSegment();
            pendingSegment_ = false;
        }
        auto point = std::make_unique<WayPoint>();
        const std::int32_t index = track_->pointCount();
        // Without a fix a point stays where the last one was (the first ones where the first fix
        // will be), so that the line never jumps to 0,0.
        if (hasPosition) {
            point->setLat(*p.lat);
            point->setLon(*p.lon);
            if (!positionSeen_) {
                positionSeen_ = true;
                for (std::int32_t i = 0; i < index; ++i) {
                    track_->pointAt(i)->setLat(*p.lat);
                    track_->pointAt(i)->setLon(*p.lon);
                }
            }
        } else if (index > 0) {
            point->setLat(track_->pointAt(index - 1)->lat());
            point->setLon(track_->pointAt(index - 1)->lon());
        }
        if (p.ele) {
            point->setEle(*p.ele);
        } else if (index > 0) {
            point->setEle(track_->pointAt(index - 1)->ele());
        }
        if (!p.timeText.empty()) {
            point->setTime(parseGpxTime(p.timeText));
            point->setTimeText(p.timeText);
        }
        track_->addPoint(std::move(point));
        for (int c = 0; c < channelCount; ++c) {
            if (p.channels[c]) {
                track_->setChannelValue(static_cast<Channel>(c), index, *p.channels[c]);
            }
        }
    }

    void finishTrack() {
        if (!track_) {
            return;
        }
        if (!positionSeen_ && track_->pointCount() > 0) {
            track_->setHasPositions(false);
        }
        gpx_->addTrack(std::move(track_));
    }

    std::exception_ptr failure_;
    std::unique_ptr<Gpx> gpx_;
    std::unique_ptr<Track> track_;
    std::optional<Point> point_;
    std::vector<std::string> open_;
    bool sawDatabase_ = false;
    bool positionSeen_ = false;
    bool pendingSegment_ = false;
};

template <typename Load> GpxReadResult parse(Load load) {
    XmlErrorCapture capture;
    mxml_node_t* top = mxmlNewElement(MXML_NO_PARENT, "?document");
    TcxBuilder builder;
    const bool parsed = load(top, &TcxBuilder::onEvent, &builder) != nullptr;
    mxmlDelete(top);
    GpxReadResult result;
    result.gpx = builder.finish();
    if (!parsed) {
        result.outcome = GpxReadResult::Outcome::Unreadable;
        result.error = capture.message();
        result.gpx.reset();
    } else if (!builder.sawDatabase()) {
        result.outcome = GpxReadResult::Outcome::NotGpx;
        result.gpx.reset();
    }
    return result;
}

} // namespace

GpxReadResult readTcxFileWithOutcome(const std::string& path) {
    const RegularFile file(path);
    if (file.fd() < 0) {
        return cannotOpen(file.error());
    }
    const int fd = file.fd();
    return parse([&](mxml_node_t* top, mxml_sax_cb_t callback, void* data) {
        return mxmlSAXLoadFd(top, fd, tcxTextType, callback, data);
    });
}

GpxReadResult readTcxText(std::string_view text) {
    const std::string copy(text.substr(0, text.find('\0')));
    return parse([&](mxml_node_t* top, mxml_sax_cb_t callback, void* data) {
        return mxmlSAXLoadString(top, copy.c_str(), tcxTextType, callback, data);
    });
}

} // namespace trakmoor
