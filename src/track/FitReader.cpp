#include "track/FitReader.h"
#include "track/TrackFileAccess.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>
#include <system_error>
#include <vector>

#include <fcntl.h>
#include <libintl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace trakmoor {

namespace {

// The format's CRC-16 (reflected polynomial 0xA001, as its nibble tables describe it), a byte at
// a time.
constexpr std::array<std::uint16_t, 256> makeCrcTable() {
    std::array<std::uint16_t, 256> table{};
    for (unsigned byte = 0; byte < 256; ++byte) {
        std::uint16_t crc = static_cast<std::uint16_t>(byte);
        for (int bit = 0; bit < 8; ++bit) {
            crc = static_cast<std::uint16_t>(crc & 1 ? (crc >> 1) ^ 0xA001 : crc >> 1);
        }
        table[byte] = crc;
    }
    return table;
}
constexpr std::array<std::uint16_t, 256> crcTable = makeCrcTable();

std::uint16_t crcOf(const std::uint8_t* bytes, std::size_t count, std::uint16_t crc = 0) {
    for (std::size_t i = 0; i < count; ++i) {
        crc = static_cast<std::uint16_t>((crc >> 8) ^ crcTable[(crc ^ bytes[i]) & 0xFF]);
    }
    return crc;
}

// Bytes from a file, read in blocks so that a large file is never held whole, or from memory.
// Every byte handed out goes into the running checksum.
class ByteSource {
public:
    explicit ByteSource(int fd) : fd_(fd), block_(1 << 16) {}
    explicit ByteSource(std::span<const std::uint8_t> bytes) : memory_(bytes) {}

    // False at the end of the input; `error` is set when reading failed.
    bool read(std::uint8_t* to, std::size_t count) {
        while (count > 0) {
            if (at_ == end_ && !refill()) {
                return false;
            }
            const std::size_t n = std::min(count, end_ - at_);
            std::memcpy(to, data() + at_, n);
            crc_ = crcOf(to, n, crc_);
            at_ += n;
            to += n;
            count -= n;
            consumed_ += n;
        }
        return true;
    }

    bool atEnd() { return at_ == end_ && !refill(); }
    void resetCrc() { crc_ = 0; }
    std::uint16_t crc() const { return crc_; }
    std::uint64_t consumed() const { return consumed_; }
    int error() const { return error_; }

private:
    const std::uint8_t* data() const { return fd_ >= 0 ? block_.data() : memory_.data(); }

    bool refill() {
        if (fd_ < 0) {
            if (end_ == memory_.size()) {
                return false;
            }
            end_ = memory_.size();
            return at_ < end_;
        }
        for (;;) {
            const ssize_t got = ::read(fd_, block_.data(), block_.size());
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got < 0) {
                error_ = errno;
            }
            if (got <= 0) {
                return false;
            }
            at_ = 0;
            end_ = static_cast<std::size_t>(got);
            return true;
        }
    }

    int fd_ = -1;
    std::vector<std::uint8_t> block_;
    std::span<const std::uint8_t> memory_;
    std::size_t at_ = 0;
    std::size_t end_ = 0;
    std::uint64_t consumed_ = 0;
    std::uint16_t crc_ = 0;
    int error_ = 0;
};

// Message and field numbers of the profile that become part of a track.
constexpr std::uint16_t fileIdMessage = 0;
constexpr std::uint16_t recordMessage = 20;
constexpr std::uint16_t eventMessage = 21;
constexpr std::uint16_t courseMessage = 31;
constexpr std::uint8_t timestampField = 253;
constexpr int courseFileType = 6;

// What a field of a wanted message means to us.
enum class Role : std::uint8_t {
    Timestamp,
    Lat,
    Lon,
    Altitude,
    EnhancedAltitude,
    HeartRate,
    Cadence,
    Power,
    Temperature,
    Speed,
    EnhancedSpeed,
    CompressedSpeedDistance,
    FileType,
    EventKind,
    EventType,
    CourseName,
};

std::optional<Role> roleOf(std::uint16_t message, std::uint8_t field) {
    if (field == timestampField) {
        return Role::Timestamp;
    }
    switch (message) {
    case recordMessage:
        switch (field) {
        case 0:
            return Role::Lat;
        case 1:
            return Role::Lon;
        case 2:
            return Role::Altitude;
        case 3:
            return Role::HeartRate;
        case 4:
            return Role::Cadence;
        case 6:
            return Role::Speed;
        case 7:
            return Role::Power;
        case 8:
            return Role::CompressedSpeedDistance;
        case 13:
            return Role::Temperature;
        case 73:
            return Role::EnhancedSpeed;
        case 78:
            return Role::EnhancedAltitude;
        default:
            return std::nullopt;
        }
    case fileIdMessage:
        return field == 0 ? std::optional(Role::FileType) : std::nullopt;
    case eventMessage:
        if (field == 0) {
            return Role::EventKind;
        }
        return field == 1 ? std::optional(Role::EventType) : std::nullopt;
    case courseMessage:
        return field == 5 ? std::optional(Role::CourseName) : std::nullopt;
    default:
        return std::nullopt;
    }
}

struct WantedField {
    Role role;
    std::uint8_t size;
    std::uint8_t baseType;
    std::uint32_t offset;
};

struct Definition {
    bool defined = false;
    bool bigEndian = false;
    std::uint16_t message = 0;
    // Fields and developer fields together: a data message is read whole and then picked from.
    std::uint32_t size = 0;
    std::vector<WantedField> wanted;
};

// Bytes per value of a base type (its low five bits), 0 for the unknown ones.
int baseTypeWidth(std::uint8_t baseType) {
    switch (baseType & 0x1F) {
    case 0:
    case 1:
    case 2:
    case 7:
    case 10:
    case 13:
        return 1;
    case 3:
    case 4:
    case 11:
        return 2;
    case 5:
    case 6:
    case 8:
    case 12:
        return 4;
    case 9:
    case 14:
    case 15:
    case 16:
        return 8;
    default:
        return 0;
    }
}

// The first value of a field as a number; none when it holds the base type's invalid marker, is
// shorter than one value, or is no number.
std::optional<double> fieldValue(const std::uint8_t* bytes, const WantedField& field,
                                 bool bigEndian) {
    const int base = field.baseType & 0x1F;
    const int width = baseTypeWidth(field.baseType);
    if (width == 0 || field.size < width || base == 7) {
        return std::nullopt;
    }
    std::uint64_t raw = 0;
    for (int i = 0; i < width; ++i) {
        const int shift = 8 * (bigEndian ? width - 1 - i : i);
        raw |= static_cast<std::uint64_t>(bytes[field.offset + i]) << shift;
    }
    const std::uint64_t allOnes = width == 8 ? ~0ull : (1ull << (8 * width)) - 1;
    const std::uint64_t signedMax = allOnes >> 1;
    switch (base) {
    case 1:
    case 3:
    case 5:
    case 14: {
        if (raw == signedMax) {
            return std::nullopt;
        }
        // Sign-extend from the value's width.
        const int unused = 64 - 8 * width;
        return static_cast<double>(static_cast<std::int64_t>(raw << unused) >> unused);
    }
    case 10:
    case 11:
    case 12:
    case 16:
        if (raw == 0) {
            return std::nullopt;
        }
        return static_cast<double>(raw);
    case 8: {
        if (raw == allOnes) {
            return std::nullopt;
        }
        const float value = std::bit_cast<float>(static_cast<std::uint32_t>(raw));
        return std::isfinite(value) ? std::optional<double>(value) : std::nullopt;
    }
    case 9: {
        if (raw == allOnes) {
            return std::nullopt;
        }
        const double value = std::bit_cast<double>(raw);
        return std::isfinite(value) ? std::optional(value) : std::nullopt;
    }
    default:
        if (raw == allOnes) {
            return std::nullopt;
        }
        return static_cast<double>(raw);
    }
}

std::string fieldText(const std::uint8_t* bytes, const WantedField& field) {
    const char* text = reinterpret_cast<const char*>(bytes + field.offset);
    return std::string(text, strnlen(text, field.size));
}

constexpr double degreesPerSemicircle = 180.0 / 2147483648.0;

// Builds the tracks as the messages come, one per FIT file of a chain.
class FitTrackBuilder {
public:
    void startFile() {
        finishFile();
        track_ = std::make_unique<Track>();
        courseFile_ = false;
        courseName_.clear();
        positionSeen_ = false;
        heightSeen_ = false;
        pendingPause_ = false;
    }

    void message(const Definition& definition, const std::uint8_t* bytes,
                 std::optional<std::uint32_t> timestamp) {
        switch (definition.message) {
        case recordMessage:
            return record(definition, bytes, timestamp);
        case fileIdMessage:
            for (const WantedField& field : definition.wanted) {
                if (field.role == Role::FileType) {
                    courseFile_ = fieldValue(bytes, field, definition.bigEndian) ==
                                  std::optional<double>(courseFileType);
                }
            }
            return;
        case eventMessage:
            return event(definition, bytes);
        case courseMessage:
            for (const WantedField& field : definition.wanted) {
                if (field.role == Role::CourseName && (field.baseType & 0x1F) == 7) {
                    courseName_ = fieldText(bytes, field);
                }
            }
            return;
        default:
            return;
        }
    }

    std::unique_ptr<Gpx> finish() {
        finishFile();
        return std::move(gpx_);
    }

    std::int64_t pointCount() const { return totalPoints_ + (track_ ? track_->pointCount() : 0); }

private:
    void event(const Definition& definition, const std::uint8_t* bytes) {
        std::optional<double> kind, type;
        for (const WantedField& field : definition.wanted) {
            if (field.role == Role::EventKind) {
                kind = fieldValue(bytes, field, definition.bigEndian);
            } else if (field.role == Role::EventType) {
                type = fieldValue(bytes, field, definition.bigEndian);
            }
        }
        // The timer's stop, stop_all, stop_disable and stop_disable_all: the recording paused.
        constexpr double timerEvent = 0;
        if (kind == timerEvent && type && (*type == 1 || *type == 4 || *type == 8 || *type == 9)) {
            pendingPause_ = true;
        }
    }

    void record(const Definition& definition, const std::uint8_t* bytes,
                std::optional<std::uint32_t> timestamp) {
        std::optional<double> lat, lon, altitude, enhancedAltitude, speed, enhancedSpeed;
        std::array<std::optional<double>, channelCount> channels;
        for (const WantedField& field : definition.wanted) {
            if (field.role == Role::CompressedSpeedDistance) {
                if (field.size >= 3) {
                    const std::uint8_t* p = bytes + field.offset;
                    const unsigned raw = p[0] | (p[1] & 0x0F) << 8;
                    if (raw != 0xFFF) {
                        speed = raw / 100.0;
                    }
                }
                continue;
            }
            const std::optional<double> value = fieldValue(bytes, field, definition.bigEndian);
            if (!value) {
                continue;
            }
            switch (field.role) {
            case Role::Lat:
                lat = *value;
                break;
            case Role::Lon:
                lon = *value;
                break;
            case Role::Altitude:
                altitude = *value / 5.0 - 500.0;
                break;
            case Role::EnhancedAltitude:
                enhancedAltitude = *value / 5.0 - 500.0;
                break;
            case Role::HeartRate:
                channels[int(Channel::HeartRate)] = *value;
                break;
            case Role::Cadence:
                channels[int(Channel::Cadence)] = *value;
                break;
            case Role::Power:
                channels[int(Channel::Power)] = *value;
                break;
            case Role::Temperature:
                channels[int(Channel::Temperature)] = *value;
                break;
            case Role::Speed:
                speed = *value / 1000.0;
                break;
            case Role::EnhancedSpeed:
                enhancedSpeed = *value / 1000.0;
                break;
            default:
                break;
            }
        }
        if (enhancedSpeed) {
            speed = enhancedSpeed;
        }
        if (speed) {
            channels[int(Channel::Speed)] = *speed * 3.6;
        }
        if (enhancedAltitude) {
            altitude = enhancedAltitude;
        }
        // Some devices write a record with its time alone when they start: nothing to show.
        if (!(lat && lon) && !altitude &&
            std::none_of(channels.begin(), channels.end(), [](auto& c) { return c.has_value(); })) {
            return;
        }

        if (pendingPause_) {
            track_->startSegment();
            pendingPause_ = false;
        }
        auto point = std::make_unique<WayPoint>();
        if (timestamp) {
            point->setTime(static_cast<std::int32_t>(std::min<std::int64_t>(
                *timestamp + fitEpochOffset, std::numeric_limits<std::int32_t>::max())));
        }
        const std::int32_t index = track_->pointCount();
        // A record without a fix stays where the last fix was, and those before the first fix
        // where it will be, so that the line never jumps to 0,0.
        if (lat && lon) {
            point->setLat(*lat * degreesPerSemicircle);
            point->setLon(*lon * degreesPerSemicircle);
            if (!positionSeen_) {
                positionSeen_ = true;
                for (std::int32_t i = 0; i < index; ++i) {
                    track_->pointAt(i)->setLat(point->lat());
                    track_->pointAt(i)->setLon(point->lon());
                }
            }
        } else if (index > 0) {
            point->setLat(track_->pointAt(index - 1)->lat());
            point->setLon(track_->pointAt(index - 1)->lon());
        }
        if (altitude) {
            point->setEle(*altitude);
            if (!heightSeen_) {
                heightSeen_ = true;
                for (std::int32_t i = 0; i < index; ++i) {
                    track_->pointAt(i)->setEle(*altitude);
                }
            }
        } else if (index > 0) {
            point->setEle(track_->pointAt(index - 1)->ele());
        }
        track_->addPoint(std::move(point));
        for (int c = 0; c < channelCount; ++c) {
            if (channels[c]) {
                track_->setChannelValue(static_cast<Channel>(c), index, *channels[c]);
            }
        }
    }

    void finishFile() {
        if (!track_ || track_->pointCount() == 0) {
            return;
        }
        if (!positionSeen_) {
            track_->setHasPositions(false);
        }
        if (courseFile_) {
            track_->setName(courseName_);
        }
        totalPoints_ += track_->pointCount();
        if (!gpx_) {
            gpx_ = std::make_unique<Gpx>();
        }
        gpx_->addTrack(std::move(track_));
    }

    std::unique_ptr<Gpx> gpx_;
    std::unique_ptr<Track> track_;
    std::int64_t totalPoints_ = 0;
    bool courseFile_ = false;
    std::string courseName_;
    bool positionSeen_ = false;
    bool heightSeen_ = false;
    bool pendingPause_ = false;
};

// Reads a chain of FIT files; what went wrong is collected as reasons for the status line.
class FitDecoder {
public:
    explicit FitDecoder(ByteSource& source) : source_(source) {}

    GpxReadResult run() {
        GpxReadResult result;
        for (int file = 0;; ++file) {
            if (file > 0 && source_.atEnd()) {
                break;
            }
            if (!readFile(file == 0)) {
                break;
            }
        }
        if (source_.error() != 0) {
            problem(std::generic_category().message(source_.error()));
        }
        result.gpx = builder_.finish();
        if (notFit_) {
            result.outcome = GpxReadResult::Outcome::NotGpx;
            result.gpx.reset();
            return result;
        }
        if (!result.gpx) {
            result.outcome = GpxReadResult::Outcome::Unreadable;
            if (reasons_.empty()) {
                problem(gettext("it holds no recorded points"));
            }
        }
        result.error = reasons_;
        return result;
    }

private:
    void problem(const std::string& reason) {
        if (reasons_.find(reason) != std::string::npos) {
            return;
        }
        if (!reasons_.empty()) {
            reasons_ += "; ";
        }
        reasons_ += reason;
    }

    void truncated() { problem(gettext("the file breaks off in the middle")); }

    // False when the chain ends here.
    bool readFile(bool first) {
        source_.resetCrc();
        std::array<std::uint8_t, 255> header{};
        if (!source_.read(header.data(), 1)) {
            notFit_ = first;
            return false;
        }
        const int headerSize = header[0];
        // Headers are 12 or 14 bytes; a longer one only adds bytes we do not need.
        if (headerSize < 12 || !source_.read(header.data() + 1, headerSize - 1) ||
            std::memcmp(header.data() + 8, ".FIT", 4) != 0) {
            if (first) {
                notFit_ = true;
            } else {
                problem(gettext("bytes after the last FIT file are no FIT file"));
            }
            return false;
        }
        if (headerSize >= 14) {
            const std::uint16_t stored = header[12] | header[13] << 8;
            if (stored != 0 && stored != crcOf(header.data(), 12)) {
                problem(gettext("the header's checksum does not match"));
            }
        }
        const std::uint32_t dataSize =
            header[4] | header[5] << 8 | header[6] << 16 | std::uint32_t(header[7]) << 24;
        builder_.startFile();
        for (auto& definition : definitions_) {
            definition = Definition{};
        }
        lastTimestamp_.reset();

        const std::uint64_t end = source_.consumed() + dataSize;
        while (source_.consumed() < end) {
            if (!readMessage()) {
                return false;
            }
        }
        if (source_.consumed() > end) {
            problem(gettext("a message runs past the end of the data"));
            return false;
        }
        const std::uint16_t expected = source_.crc();
        std::array<std::uint8_t, 2> crc{};
        if (!source_.read(crc.data(), 2)) {
            truncated();
            return false;
        }
        if ((crc[0] | crc[1] << 8) != expected) {
            problem(gettext("the file's checksum does not match"));
        }
        return true;
    }

    bool readMessage() {
        std::uint8_t header = 0;
        if (!source_.read(&header, 1)) {
            truncated();
            return false;
        }
        std::optional<std::uint32_t> timestamp;
        int local = header & 0x0F;
        if (header & 0x80) {
            local = (header >> 5) & 0x03;
            const std::uint32_t offset = header & 0x1F;
            if (lastTimestamp_) {
                std::uint32_t time = (*lastTimestamp_ & ~0x1Fu) + offset;
                if (offset < (*lastTimestamp_ & 0x1Fu)) {
                    time += 0x20;
                }
                lastTimestamp_ = timestamp = time;
            }
        } else if (header & 0x40) {
            return readDefinition(local, (header & 0x20) != 0);
        }
        const Definition& definition = definitions_[local];
        if (!definition.defined) {
            problem(gettext("a message has no definition"));
            return false;
        }
        data_.resize(definition.size);
        if (!source_.read(data_.data(), definition.size)) {
            truncated();
            return false;
        }
        for (const WantedField& field : definition.wanted) {
            if (field.role != Role::Timestamp) {
                continue;
            }
            if (const auto value = fieldValue(data_.data(), field, definition.bigEndian)) {
                lastTimestamp_ = timestamp = static_cast<std::uint32_t>(*value);
            }
        }
        builder_.message(definition, data_.data(), timestamp);
        return true;
    }

    bool readDefinition(int local, bool developerFields) {
        std::array<std::uint8_t, 5> fixed{};
        if (!source_.read(fixed.data(), fixed.size())) {
            truncated();
            return false;
        }
        Definition definition;
        definition.defined = true;
        definition.bigEndian = fixed[1] == 1;
        definition.message =
            definition.bigEndian ? fixed[2] << 8 | fixed[3] : fixed[3] << 8 | fixed[2];
        const int fieldCount = fixed[4];
        std::array<std::uint8_t, 255 * 3> fields{};
        if (!source_.read(fields.data(), fieldCount * 3)) {
            truncated();
            return false;
        }
        for (int i = 0; i < fieldCount; ++i) {
            const std::uint8_t number = fields[i * 3];
            const std::uint8_t size = fields[i * 3 + 1];
            const std::uint8_t baseType = fields[i * 3 + 2];
            if (const auto role = roleOf(definition.message, number); role && size > 0) {
                definition.wanted.push_back({*role, size, baseType, definition.size});
            }
            definition.size += size;
        }
        if (developerFields) {
            std::uint8_t count = 0;
            if (!source_.read(&count, 1) || !source_.read(fields.data(), count * 3)) {
                truncated();
                return false;
            }
            for (int i = 0; i < count; ++i) {
                definition.size += fields[i * 3 + 1];
            }
        }
        definitions_[local] = std::move(definition);
        return true;
    }

    ByteSource& source_;
    FitTrackBuilder builder_;
    std::array<Definition, 16> definitions_;
    std::optional<std::uint32_t> lastTimestamp_;
    std::vector<std::uint8_t> data_;
    std::string reasons_;
    bool notFit_ = false;
};

} // namespace

bool looksLikeFit(std::span<const std::uint8_t> head) {
    return head.size() >= 12 && head[0] >= 12 && std::memcmp(head.data() + 8, ".FIT", 4) == 0;
}

GpxReadResult readFitFileWithOutcome(const std::string& path) {
    const RegularFile file(path);
    if (file.fd() < 0) {
        return cannotOpen(file.error());
    }
    const int fd = file.fd();
    ByteSource source(fd);
    return FitDecoder(source).run();
}

GpxReadResult readFitData(std::span<const std::uint8_t> bytes) {
    ByteSource source(bytes);
    return FitDecoder(source).run();
}

} // namespace trakmoor
