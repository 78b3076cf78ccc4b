#include "track/Gpx.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <utility>

namespace trakmoor {

namespace {

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isSpace(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isSpace(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

} // namespace

const std::string& WayPoint::noText() {
    static const std::string empty;
    return empty;
}

void WayPoint::setTimeText(std::string_view text) {
    text = text.substr(0, text.find('\0'));
    if (text.empty()) {
        timeText_.reset();
        return;
    }
    timeText_ = std::make_unique_for_overwrite<char[]>(text.size() + 1);
    std::memcpy(timeText_.get(), text.data(), text.size());
    timeText_[text.size()] = '\0';
}

WayPoint::Labels& WayPoint::labels() {
    if (!labels_) {
        labels_ = std::make_unique<Labels>();
    }
    return *labels_;
}

void Track::setName(std::string_view name) {
    name_ = trimmed(name);
}

void Track::setNumberText(std::string_view text) {
    text = trimmed(text);
    // from_chars takes a minus sign but not a plus sign.
    if (!text.empty() && text.front() == '+' && text.size() > 1 && text[1] != '-') {
        text.remove_prefix(1);
    }
    std::int32_t value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    number_ = (error == std::errc() && end == text.data() + text.size()) ? value : 0;
}

void Track::addPoint(std::unique_ptr<WayPoint> point) {
    points_.push_back(std::move(point));
}

const WayPoint* Track::pointAt(std::int32_t index) const {
    return static_cast<std::uint32_t>(index) < points_.size() ? points_[index].get() : nullptr;
}

WayPoint* Track::pointAt(std::int32_t index) {
    return const_cast<WayPoint*>(std::as_const(*this).pointAt(index));
}

Track::Extras& Track::extras() {
    if (!extras_) {
        extras_ = std::make_unique<Extras>();
    }
    return *extras_;
}

bool Track::hasChannel(Channel channel) const {
    return extras_ && (extras_->channelMask >> static_cast<int>(channel) & 1) != 0;
}

double Track::channelValue(Channel channel, std::int32_t index) const {
    if (!hasChannel(channel)) {
        return std::numeric_limits<double>::quiet_NaN();
    }
    const auto& values = extras_->channels[static_cast<int>(channel)];
    return static_cast<std::uint32_t>(index) < values.size()
               ? values[index]
               : std::numeric_limits<double>::quiet_NaN();
}

void Track::setChannelValue(Channel channel, std::int32_t index, double value) {
    if (index < 0 || std::isnan(value)) {
        return;
    }
    Extras& extra = extras();
    auto& values = extra.channels[static_cast<int>(channel)];
    if (values.size() <= static_cast<std::size_t>(index)) {
        values.resize(static_cast<std::size_t>(index) + 1, std::numeric_limits<float>::quiet_NaN());
    }
    values[index] = static_cast<float>(value);
    extra.channelMask |= static_cast<std::uint8_t>(1u << static_cast<int>(channel));
}

const std::vector<std::int32_t>& Track::segmentStarts() const {
    static const std::vector<std::int32_t> none;
    return extras_ ? extras_->segmentStarts : none;
}

void Track::startSegment() {
    const std::int32_t next = pointCount();
    if (next == 0) {
        return;
    }
    auto& starts = extras().segmentStarts;
    if (starts.empty() || starts.back() != next) {
        starts.push_back(next);
    }
}

void Track::setHasPositions(bool has) {
    if (has && !extras_) {
        return;
    }
    extras().hasPositions = has;
}

void Gpx::addTrack(std::unique_ptr<Track> track) {
    tracks_.push_back(std::move(track));
}

const Track* Gpx::trackAt(std::int32_t index) const {
    return static_cast<std::uint32_t>(index) < tracks_.size() ? tracks_[index].get() : nullptr;
}

Track* Gpx::trackAt(std::int32_t index) {
    return const_cast<Track*>(std::as_const(*this).trackAt(index));
}

} // namespace trakmoor
