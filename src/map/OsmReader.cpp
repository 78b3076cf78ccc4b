#include "map/OsmReader.h"

#include "map/IdHashMap.h"
#include "map/MapTags.h"
#include "map/OsmText.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <limits>
#include <memory>
#include <new>
#include <stdexcept>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

// Index
//   1. Ring assembly
//   2. Line marks: which element patterns a line contains
//   3. Tags the features depend on
//   4. The scanner and its tables
//   5. Turning the tables into features
//   6. Reading files and text

namespace trakmoor {

namespace {

// ---------------------------------------------------------------------------------------------
// 1. Ring assembly

constexpr std::uint32_t kNoSegment = std::numeric_limits<std::uint32_t>::max();

// Segments by end id, each list in segment order, so "the first remaining segment with this end"
// is found without scanning all segments: removed segments are skipped once, from the front.
class EndpointIndex {
public:
    void add(std::int64_t id, std::uint32_t segment) {
        index_.tryEmplace(id).first->segments.push_back(segment);
    }
    std::uint32_t firstRemaining(std::int64_t id, const std::vector<char>& remaining) {
        Bucket* bucket = index_.find(id);
        if (bucket == nullptr)
            return kNoSegment;
        while (bucket->cursor < bucket->segments.size() &&
               !remaining[bucket->segments[bucket->cursor]])
            ++bucket->cursor;
        return bucket->cursor < bucket->segments.size() ? bucket->segments[bucket->cursor]
                                                        : kNoSegment;
    }

private:
    struct Bucket {
        std::vector<std::uint32_t> segments;
        std::size_t cursor = 0;
    };
    IdHashMap<Bucket> index_;
};

// A ring under construction, as pieces of segments; refs are copied only once it closes.
class RingBuilder {
public:
    explicit RingBuilder(std::span<const std::int64_t> segment)
        : first_(segment.front()), last_(segment.back()), length_(segment.size()) {
        back_.push_back({segment, false});
    }
    std::int64_t first() const { return first_; }
    std::int64_t last() const { return last_; }
    std::size_t length() const { return length_; }

    void append(std::span<const std::int64_t> refs, bool reversed) {
        back_.push_back({refs, reversed});
        last_ = reversed ? refs.front() : refs.back();
        length_ += refs.size();
    }
    void prepend(std::span<const std::int64_t> refs, bool reversed) {
        front_.push_back({refs, reversed});
        first_ = reversed ? refs.back() : refs.front();
        length_ += refs.size();
    }

    std::vector<std::int64_t> refs() const {
        std::vector<std::int64_t> out;
        out.reserve(length_);
        for (auto piece = front_.rbegin(); piece != front_.rend(); ++piece)
            piece->appendTo(out);
        for (const Piece& piece : back_)
            piece.appendTo(out);
        return out;
    }

private:
    struct Piece {
        std::span<const std::int64_t> refs;
        bool reversed;
        void appendTo(std::vector<std::int64_t>& out) const {
            if (reversed)
                out.insert(out.end(), refs.rbegin(), refs.rend());
            else
                out.insert(out.end(), refs.begin(), refs.end());
        }
    };
    std::vector<Piece> front_; // outermost piece last
    std::vector<Piece> back_;
    std::int64_t first_;
    std::int64_t last_;
    std::size_t length_;
};

// ---------------------------------------------------------------------------------------------
// 2. Line marks

enum LineMark : unsigned {
    kNodeStart = 1u << 0,
    kWayStart = 1u << 1,
    kRelationStart = 1u << 2,
    kNdElement = 1u << 3,
    kTagElement = 1u << 4,
    kWayEnd = 1u << 5,
    kMemberElement = 1u << 6,
    kRelationEnd = 1u << 7,
};

bool startsWith(const char* at, const char* end, std::string_view text) {
    return static_cast<std::size_t>(end - at) >= text.size() &&
           std::memcmp(at, text.data(), text.size()) == 0;
}

// Every pattern starts with '<', so one walk over the line's '<' signs tells which patterns it
// contains anywhere; the scanner's first-match rules then work on these bits.
unsigned marksOf(std::string_view line) {
    unsigned marks = 0;
    const char* at = line.data();
    const char* const end = at + line.size();
    while ((at = static_cast<const char*>(std::memchr(at, '<', end - at)))) {
        ++at;
        if (at == end)
            break;
        switch (*at) {
        case 'n':
            if (startsWith(at, end, "node "))
                marks |= kNodeStart;
            else if (startsWith(at, end, "nd "))
                marks |= kNdElement;
            break;
        case 'w':
            if (startsWith(at, end, "way "))
                marks |= kWayStart;
            break;
        case 'r':
            if (startsWith(at, end, "relation "))
                marks |= kRelationStart;
            break;
        case 't':
            if (startsWith(at, end, "tag "))
                marks |= kTagElement;
            break;
        case 'm':
            if (startsWith(at, end, "member "))
                marks |= kMemberElement;
            break;
        case '/':
            if (startsWith(at, end, "/way>"))
                marks |= kWayEnd;
            else if (startsWith(at, end, "/relation>"))
                marks |= kRelationEnd;
            break;
        default:
            break;
        }
    }
    return marks;
}

// ---------------------------------------------------------------------------------------------
// 3. Tags the features depend on

// Only these keys influence a feature, so only these are kept: every other tag line costs one
// key comparison and no allocation.
constexpr std::array<std::string_view, 15> kKnownKeys = {
    "highway",  "railway", "waterway", "natural", "landuse", "building", "amenity", "leisure",
    "boundary", "name",    "name:de",  "bridge",  "tunnel",  "layer",    "type"};

// Most tag lines carry keys no rule reads; rejecting those by length and first letter before
// any comparison keeps them cheap.
int knownKeyIndex(std::string_view key) {
    if (key.size() < 4 || key.size() > 8)
        return -1;
    for (std::size_t i = 0; i < kKnownKeys.size(); ++i)
        if (kKnownKeys[i].size() == key.size() && kKnownKeys[i][0] == key[0] &&
            kKnownKeys[i] == key)
            return static_cast<int>(i);
    return -1;
}

class KnownTags {
public:
    void clear() {
        for (std::size_t i = 0; i < values_.size(); ++i)
            if (used_ & (1u << i))
                values_[i].clear();
        used_ = 0;
    }

    void set(std::string_view rawKey, std::string_view rawValue) {
        std::string_view key = rawKey;
        if (key.find('&') != std::string_view::npos) {
            scratch_.clear();
            appendDecodedXml(scratch_, key);
            key = scratch_;
        }
        const int index = knownKeyIndex(key);
        if (index < 0)
            return;
        std::string& value = values_[static_cast<std::size_t>(index)];
        value.clear();
        if (rawValue.find('&') != std::string_view::npos)
            appendDecodedXml(value, rawValue);
        else
            value.assign(rawValue);
        used_ |= 1u << index;
    }

    std::string_view operator()(std::string_view key) const {
        const int index = knownKeyIndex(key);
        return index < 0 ? std::string_view() : values_[static_cast<std::size_t>(index)];
    }

private:
    std::array<std::string, kKnownKeys.size()> values_;
    unsigned used_ = 0;
    std::string scratch_;
};

// ---------------------------------------------------------------------------------------------
// 4. The scanner and its tables

enum class MemberRole : std::uint8_t { Outer, Inner, Empty, Other };

struct Member {
    std::int64_t way;
    MemberRole role;
};

struct WayRecord {
    std::size_t refBegin;
    std::size_t refCount;
    // Index into the attribute prototypes, or kUnclassified for ways no rule classifies.
    std::uint32_t prototype;
};

constexpr std::uint32_t kUnclassified = std::numeric_limits<std::uint32_t>::max();

// Only multipolygons of an area class are kept; no other relation affects the map.
struct MultipolygonRecord {
    std::size_t memberBegin;
    std::size_t memberCount;
    MapFeature prototype;
};

class OsmScanner {
public:
    // A size hint in bytes, so the tables grow rarely. Real extracts hold roughly one node per
    // 100 to 250 bytes; the caps keep a huge sparse or non-OSM file from reserving gigabytes.
    explicit OsmScanner(std::size_t expectedBytes) {
        nodes_.reserve(std::min<std::size_t>(expectedBytes / 200, std::size_t{1} << 23));
        wayIndex_.reserve(std::min<std::size_t>(expectedBytes / 2000, std::size_t{1} << 21));
    }

    void scanLine(std::string_view line);
    std::vector<MapFeature> finish();

private:
    enum class State { Outside, InWay, InRelation };

    void readNode(std::string_view line);
    void startWay(std::string_view line);
    void endWay();
    void startRelation();
    void readMember(std::string_view line);
    void endRelation();
    void readTag(std::string_view line);

    std::vector<std::vector<std::int64_t>> rings(const MultipolygonRecord& relation, bool outer);
    void resolve(std::span<const std::int64_t> refs, std::vector<MapPoint>& out) const;

    void flushPendingNodes();

    struct PendingNode {
        std::int64_t id;
        MapPoint point;
    };

    State state_ = State::Outside;
    IdHashMap<MapPoint> nodes_;
    std::array<PendingNode, 16> pendingNodes_;
    std::size_t pendingNodeCount_ = 0;

    // Every stored way's references, one after another; the current way's references are
    // appended at the end and dropped again when the way is not stored.
    std::vector<std::int64_t> refs_;
    std::vector<WayRecord> ways_;      // file order
    std::vector<std::int64_t> wayIds_; // parallel to ways_
    IdHashMap<std::uint32_t> wayIndex_;
    std::vector<MapFeature> wayPrototypes_;
    std::int64_t wayId_ = 0;
    std::size_t wayRefBegin_ = 0;

    std::vector<Member> members_;
    std::vector<MultipolygonRecord> multipolygons_;
    std::size_t relationMemberBegin_ = 0;

    KnownTags tags_;
    // How many references all multipolygon rings may use together: far more than any real file
    // needs, and bounded by the file, so a few bytes of members cannot demand gigabytes of rings.
    std::size_t ringRefBudget_ = 0;
};

void OsmScanner::scanLine(std::string_view line) {
    const unsigned marks = marksOf(line);
    if (marks == 0)
        return;
    switch (state_) {
    case State::Outside:
        if (marks & kNodeStart)
            readNode(line);
        else if (marks & kWayStart)
            startWay(line);
        else if (marks & kRelationStart)
            startRelation();
        break;
    case State::InWay:
        if (marks & kWayStart) {
            startWay(line);
        } else if (marks & kNdElement) {
            const std::string_view ref = ExtractAttribute(line, "ref");
            if (!ref.empty())
                refs_.push_back(convertOsmId(ref));
        } else if (marks & kTagElement) {
            readTag(line);
        } else if (marks & kWayEnd) {
            endWay();
        }
        break;
    case State::InRelation:
        if (marks & kTagElement) {
            readTag(line);
        } else if (marks & kRelationStart) {
            startRelation();
        } else if (marks & kMemberElement) {
            if (ExtractAttribute(line, "type") == "way") {
                readMember(line);
                return;
            }
        }
        if (marks & kRelationEnd)
            endRelation();
        break;
    }
}

void OsmScanner::readNode(std::string_view line) {
    static constexpr std::string_view kNames[3] = {"id", "lat", "lon"};
    std::string_view values[3];
    extractAttributes(line, kNames, values, 3);
    if (values[0].empty() || values[1].empty() || values[2].empty())
        return;
    const std::int64_t id = convertOsmId(values[0]);
    const double lat = convertCoordinate(values[1]);
    const double lon = convertCoordinate(values[2]);
    // Nobody reads the node table before the scan ends, so insertions wait in a small batch
    // whose cache misses are fetched together.
    pendingNodes_[pendingNodeCount_++] = {id, {lat, lon}};
    nodes_.prefetch(id);
    if (pendingNodeCount_ == pendingNodes_.size())
        flushPendingNodes();
}

void OsmScanner::flushPendingNodes() {
    for (std::size_t i = 0; i < pendingNodeCount_; ++i)
        *nodes_.tryEmplace(pendingNodes_[i].id).first = pendingNodes_[i].point;
    pendingNodeCount_ = 0;
}

void OsmScanner::startWay(std::string_view line) {
    refs_.resize(wayRefBegin_);
    tags_.clear();
    const std::string_view id = ExtractAttribute(line, "id");
    wayId_ = id.empty() ? 0 : convertOsmId(id);
    state_ = State::InWay;
}

void OsmScanner::endWay() {
    state_ = State::Outside;
    if (wayId_ == 0 || wayIndex_.contains(wayId_)) {
        refs_.resize(wayRefBegin_);
        return;
    }
    WayRecord record{wayRefBegin_, refs_.size() - wayRefBegin_, kUnclassified};
    MapFeature prototype;
    detail::fillAttributesWith(prototype, tags_);
    if (prototype.featureClass != FeatureClass::None) {
        record.prototype = static_cast<std::uint32_t>(wayPrototypes_.size());
        wayPrototypes_.push_back(std::move(prototype));
    }
    *wayIndex_.tryEmplace(wayId_).first = static_cast<std::uint32_t>(ways_.size());
    ways_.push_back(record);
    wayIds_.push_back(wayId_);
    wayRefBegin_ = refs_.size();
}

void OsmScanner::startRelation() {
    members_.resize(relationMemberBegin_);
    tags_.clear();
    state_ = State::InRelation;
}

void OsmScanner::readMember(std::string_view line) {
    static constexpr std::string_view kNames[2] = {"ref", "role"};
    std::string_view values[2];
    extractAttributes(line, kNames, values, 2);
    if (values[0].empty())
        return;
    const std::string_view role = values[1];
    const MemberRole memberRole = role.empty()      ? MemberRole::Empty
                                  : role == "outer" ? MemberRole::Outer
                                  : role == "inner" ? MemberRole::Inner
                                                    : MemberRole::Other;
    members_.push_back({convertOsmId(values[0]), memberRole});
}

void OsmScanner::endRelation() {
    state_ = State::Outside;
    MapFeature prototype;
    detail::fillAttributesWith(prototype, tags_);
    if (tags_("type") != "multipolygon" || !isAreaClass(prototype.featureClass)) {
        members_.resize(relationMemberBegin_);
        return;
    }
    multipolygons_.push_back(
        {relationMemberBegin_, members_.size() - relationMemberBegin_, std::move(prototype)});
    relationMemberBegin_ = members_.size();
}

void OsmScanner::readTag(std::string_view line) {
    static constexpr std::string_view kNames[2] = {"k", "v"};
    std::string_view values[2];
    extractAttributes(line, kNames, values, 2);
    if (!values[0].empty())
        tags_.set(values[0], values[1]);
}

// ---------------------------------------------------------------------------------------------
// 5. Turning the tables into features

void OsmScanner::resolve(std::span<const std::int64_t> refs, std::vector<MapPoint>& out) const {
    out.reserve(refs.size());
    constexpr std::size_t kLookAhead = 8;
    for (std::size_t i = 0; i < std::min(kLookAhead, refs.size()); ++i)
        nodes_.prefetch(refs[i]);
    for (std::size_t i = 0; i < refs.size(); ++i) {
        if (i + kLookAhead < refs.size())
            nodes_.prefetch(refs[i + kLookAhead]);
        if (const MapPoint* point = nodes_.find(refs[i]))
            out.push_back(*point);
    }
}

std::vector<std::vector<std::int64_t>> OsmScanner::rings(const MultipolygonRecord& relation,
                                                         bool outer) {
    std::vector<std::span<const std::int64_t>> segments;
    std::size_t total = 0;
    for (std::size_t i = 0; i < relation.memberCount; ++i) {
        const Member& member = members_[relation.memberBegin + i];
        const bool wanted =
            outer ? (member.role == MemberRole::Outer || member.role == MemberRole::Empty)
                  : member.role == MemberRole::Inner;
        if (!wanted)
            continue;
        const std::uint32_t* index = wayIndex_.find(member.way);
        if (index == nullptr)
            continue;
        const WayRecord& way = ways_[*index];
        if (way.refCount < 2)
            continue;
        total += way.refCount;
        if (total > ringRefBudget_)
            throw std::bad_alloc();
        segments.emplace_back(refs_.data() + way.refBegin, way.refCount);
    }
    ringRefBudget_ -= total;
    return AssembleRings(segments);
}

std::vector<MapFeature> OsmScanner::finish() {
    flushPendingNodes();
    // Elements left open at the end of the file are simply not stored.
    refs_.resize(wayRefBegin_);
    members_.resize(relationMemberBegin_);
    ringRefBudget_ = 4 * refs_.size() + (std::size_t{1} << 20);

    IdHashMap<char> memberWays;
    for (const Member& member : members_)
        memberWays.tryEmplace(member.way);

    std::vector<MapFeature> features;
    features.reserve(wayPrototypes_.size() + multipolygons_.size());
    for (std::size_t i = 0; i < ways_.size(); ++i) {
        const WayRecord& way = ways_[i];
        if (way.prototype == kUnclassified)
            continue;
        MapFeature& prototype = wayPrototypes_[way.prototype];
        // An area that is part of a multipolygon is drawn through the relation instead.
        if (isAreaClass(prototype.featureClass) && memberWays.contains(wayIds_[i]))
            continue;
        const std::span<const std::int64_t> refs(refs_.data() + way.refBegin, way.refCount);
        MapFeature feature = std::move(prototype);
        feature.closed = refs.size() >= 3 && refs.front() == refs.back();
        resolve(refs, feature.points);
        if (feature.points.size() >= 2)
            features.push_back(std::move(feature));
    }

    for (MultipolygonRecord& relation : multipolygons_) {
        const std::vector<std::vector<std::int64_t>> outer = rings(relation, true);
        if (outer.empty())
            continue;
        MapFeature feature = std::move(relation.prototype);
        feature.closed = true;
        resolve(outer.front(), feature.points);
        const std::vector<std::vector<std::int64_t>> inner = rings(relation, false);
        feature.rings.resize(outer.size() - 1 + inner.size());
        for (std::size_t i = 1; i < outer.size(); ++i)
            resolve(outer[i], feature.rings[i - 1]);
        for (std::size_t i = 0; i < inner.size(); ++i)
            resolve(inner[i], feature.rings[outer.size() - 1 + i]);
        if (feature.points.size() >= 4)
            features.push_back(std::move(feature));
    }
    return features;
}

// ---------------------------------------------------------------------------------------------
// 6. Reading files and text

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    int get() const { return fd_; }

private:
    int fd_;
};

// Feeds the lines of `text` to the scanner; returns where the unfinished last line starts.
std::size_t scanCompleteLines(OsmScanner& scanner, std::string_view text, std::size_t searchFrom) {
    std::size_t lineStart = 0;
    const char* const base = text.data();
    const char* at = base + searchFrom;
    const char* const end = base + text.size();
    while (const char* newline = static_cast<const char*>(std::memchr(at, '\n', end - at))) {
        scanner.scanLine(std::string_view(base + lineStart, newline - (base + lineStart)));
        lineStart = static_cast<std::size_t>(newline - base) + 1;
        at = newline + 1;
    }
    return lineStart;
}

OsmMapReadResult invalid(const char* what) {
    return {OsmMapReadResult::Outcome::Invalid, {}, what};
}

std::vector<MapFeature> scanFile(int fd, std::size_t fileSize) {
    // Large blocks keep system calls rare; a line longer than a block grows the buffer to hold
    // that line, so memory stays bounded by the longest line rather than the file.
    constexpr std::size_t kBlockSize = std::size_t{4} << 20;
    OsmScanner scanner(fileSize);
    std::size_t capacity = kBlockSize;
    auto buffer = std::make_unique_for_overwrite<char[]>(capacity);
    std::size_t filled = 0;
    std::size_t searched = 0; // bytes of the pending line already known to hold no newline
    while (true) {
        if (filled == capacity) {
            auto bigger = std::make_unique_for_overwrite<char[]>(capacity * 2);
            std::memcpy(bigger.get(), buffer.get(), filled);
            buffer = std::move(bigger);
            capacity *= 2;
        }
        const ssize_t got = ::read(fd, buffer.get() + filled, capacity - filled);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            throw std::system_error(errno, std::generic_category());
        }
        if (got == 0)
            break;
        filled += static_cast<std::size_t>(got);
        const std::size_t pending =
            scanCompleteLines(scanner, std::string_view(buffer.get(), filled), searched);
        if (pending > 0) {
            std::memmove(buffer.get(), buffer.get() + pending, filled - pending);
            filled -= pending;
        }
        searched = filled;
    }
    if (filled > 0)
        scanner.scanLine(std::string_view(buffer.get(), filled));
    return scanner.finish();
}

} // namespace

OsmMapReadResult readOsmMapFile(const std::string& path) {
    const FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.get() < 0)
        return {OsmMapReadResult::Outcome::CannotOpen, {}, std::strerror(errno)};
    struct stat status {};
    if (::fstat(file.get(), &status) != 0)
        return {OsmMapReadResult::Outcome::CannotOpen, {}, std::strerror(errno)};
    // A directory opens fine on this system but is no map file.
    if (S_ISDIR(status.st_mode))
        return {OsmMapReadResult::Outcome::CannotOpen, {}, std::strerror(EISDIR)};
    try {
        const std::size_t size =
            S_ISREG(status.st_mode) ? static_cast<std::size_t>(status.st_size) : 0;
        return {OsmMapReadResult::Outcome::Loaded, scanFile(file.get(), size), {}};
    } catch (const std::exception& error) {
        return invalid(error.what());
    }
}

OsmMapReadResult readCheckedOsmMap(const std::string& path) {
    // What is no regular file or cannot be opened is left to the reader to report with its reason.
    std::error_code error;
    std::ifstream in;
    if (std::filesystem::is_regular_file(path, error))
        in.open(path, std::ios::binary);
    if (in.is_open()) {
        std::string head(std::size_t{1} << 16, '\0');
        in.read(head.data(), static_cast<std::streamsize>(head.size()));
        head.resize(static_cast<std::size_t>(in.gcount()));
        if (head.find("<osm") == std::string::npos)
            return {OsmMapReadResult::Outcome::NotOsm, {}, {}};
    }
    // The reader turns every failure, memory exhaustion included, into an outcome of its own.
    return readOsmMapFile(path);
}

OsmMapReadResult readOsmMapText(std::string_view text) {
    try {
        OsmScanner scanner(text.size());
        const std::size_t pending = scanCompleteLines(scanner, text, 0);
        if (pending < text.size())
            scanner.scanLine(text.substr(pending));
        return {OsmMapReadResult::Outcome::Loaded, scanner.finish(), {}};
    } catch (const std::exception& error) {
        return invalid(error.what());
    }
}

// ---------------------------------------------------------------------------------------------

std::vector<std::vector<std::int64_t>>
AssembleRings(std::span<const std::span<const std::int64_t>> segments) {
    const std::size_t count = segments.size();
    std::vector<char> remaining(count, 1);
    EndpointIndex byFirst;
    EndpointIndex byLast;
    for (std::uint32_t i = 0; i < count; ++i) {
        if (segments[i].size() < 2) {
            remaining[i] = 0;
            continue;
        }
        byFirst.add(segments[i].front(), i);
        byLast.add(segments[i].back(), i);
    }
    std::size_t remainingCount =
        static_cast<std::size_t>(std::count(remaining.begin(), remaining.end(), 1));
    auto take = [&](std::uint32_t i) {
        remaining[i] = 0;
        --remainingCount;
        return segments[i];
    };

    std::vector<std::vector<std::int64_t>> rings;
    std::size_t top = count;
    while (remainingCount > 0) {
        while (!remaining[top - 1])
            --top;
        RingBuilder ring(take(static_cast<std::uint32_t>(top - 1)));
        while (true) {
            if (ring.first() == ring.last()) {
                if (ring.length() >= 4)
                    rings.push_back(ring.refs());
                break;
            }
            const std::uint32_t candidates[4] = {
                byFirst.firstRemaining(ring.last(), remaining),
                byLast.firstRemaining(ring.last(), remaining),
                byLast.firstRemaining(ring.first(), remaining),
                byFirst.firstRemaining(ring.first(), remaining),
            };
            const std::uint32_t next =
                *std::min_element(std::begin(candidates), std::end(candidates));
            if (next == kNoSegment)
                break;
            const std::span<const std::int64_t> segment = take(next);
            const std::size_t n = segment.size();
            if (segment.front() == ring.last())
                ring.append(segment.subspan(1), false);
            else if (segment.back() == ring.last())
                ring.append(segment.first(n - 1), true);
            else if (segment.back() == ring.first())
                ring.prepend(segment.first(n - 1), false);
            else
                ring.prepend(segment.subspan(1), true);
        }
    }
    return rings;
}

} // namespace trakmoor
