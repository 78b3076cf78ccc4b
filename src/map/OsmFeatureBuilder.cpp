#include "map/OsmFeatureBuilder.h"

#include "map/MapTags.h"
#include "map/OsmReader.h"
#include "map/OsmText.h"

#include <algorithm>
#include <limits>
#include <new>

// Index
//   1. Ring assembly
//   2. Tags the features depend on
//   3. The tables
//   4. Turning the tables into features

namespace trakmoor {

namespace {

// ---------------------------------------------------------------------------------------------
// 1. Ring assembly

constexpr std::uint32_t noSegment = std::numeric_limits<std::uint32_t>::max();
constexpr std::uint32_t unclassified = std::numeric_limits<std::uint32_t>::max();

// Segments by end id, each list in segment order, so "the first remaining segment with this end"
// is found without scanning all segments: removed segments are skipped once, from the front.
class EndpointIndex {
public:
    void add(std::int64_t id, std::uint32_t segment) {
        index_.tryEmplace(id).first->segments.push_back(segment);
    }
    std::uint32_t firstRemaining(std::int64_t id, const std::vector<char>& remaining) {
        Bucket* bucket = index_.find(id);
        if (bucket == nullptr) {
            return noSegment;
        }
        while (bucket->cursor < bucket->segments.size() &&
               !remaining[bucket->segments[bucket->cursor]]) {
            ++bucket->cursor;
        }
        return bucket->cursor < bucket->segments.size() ? bucket->segments[bucket->cursor]
                                                        : noSegment;
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
        for (auto piece = front_.rbegin(); piece != front_.rend(); ++piece) {
            piece->appendTo(out);
        }
        for (const Piece& piece : back_) {
            piece.appendTo(out);
        }
        return out;
    }

private:
    struct Piece {
        std::span<const std::int64_t> refs;
        bool reversed;
        void appendTo(std::vector<std::int64_t>& out) const {
            if (reversed) {
                out.insert(out.end(), refs.rbegin(), refs.rend());
            } else {
                out.insert(out.end(), refs.begin(), refs.end());
            }
        }
    };
    std::vector<Piece> front_; // outermost piece last
    std::vector<Piece> back_;
    std::int64_t first_;
    std::int64_t last_;
    std::size_t length_;
};

// ---------------------------------------------------------------------------------------------
// 2. Tags the features depend on

// Only these keys influence a feature, so only these are kept: every other tag line costs one
// key comparison and no allocation.
constexpr std::array<std::string_view, detail::KnownTags::keyCount> knownKeys = {
    "highway",  "railway", "waterway", "natural", "landuse", "building", "amenity", "leisure",
    "boundary", "name",    "name:de",  "bridge",  "tunnel",  "layer",    "type"};

// Most tag lines carry keys no rule reads; rejecting those by length and first letter before
// any comparison keeps them cheap.
int knownKeyIndex(std::string_view key) {
    if (key.size() < 4 || key.size() > 8) {
        return -1;
    }
    for (std::size_t i = 0; i < knownKeys.size(); ++i) {
        if (knownKeys[i].size() == key.size() && knownKeys[i][0] == key[0] && knownKeys[i] == key) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

} // namespace

namespace detail {

void KnownTags::clear() {
    for (std::size_t i = 0; i < values_.size(); ++i) {
        if (used_ & (1u << i)) {
            values_[i].clear();
        }
    }
    used_ = 0;
}

void KnownTags::set(std::string_view key, std::string_view value, bool escaped) {
    if (escaped && key.find('&') != std::string_view::npos) {
        scratch_.clear();
        appendDecodedXml(scratch_, key);
        key = scratch_;
    }
    const int index = knownKeyIndex(key);
    if (index < 0) {
        return;
    }
    std::string& stored = values_[static_cast<std::size_t>(index)];
    stored.clear();
    if (escaped && value.find('&') != std::string_view::npos) {
        appendDecodedXml(stored, value);
    } else {
        stored.assign(value);
    }
    used_ |= 1u << index;
}

std::string_view KnownTags::operator()(std::string_view key) const {
    const int index = knownKeyIndex(key);
    return index < 0 ? std::string_view() : values_[static_cast<std::size_t>(index)];
}

} // namespace detail

// ---------------------------------------------------------------------------------------------
// 3. The tables

OsmFeatureBuilder::OsmFeatureBuilder(std::size_t expectedBytes) {
    // Real extracts hold roughly one node per 100 to 250 bytes of XML; the caps keep a huge
    // sparse or non-OSM file from reserving gigabytes.
    nodes_.reserve(std::min<std::size_t>(expectedBytes / 200, std::size_t{1} << 23));
    wayIndex_.reserve(std::min<std::size_t>(expectedBytes / 2000, std::size_t{1} << 21));
}

void OsmFeatureBuilder::node(std::int64_t id, MapPoint point) {
    // Nobody reads the node table before the scan ends, so insertions wait in a small batch
    // whose cache misses are fetched together.
    pendingNodes_[pendingNodeCount_++] = {id, point};
    nodes_.prefetch(id);
    if (pendingNodeCount_ == pendingNodes_.size()) {
        flushPendingNodes();
    }
}

void OsmFeatureBuilder::flushPendingNodes() {
    for (std::size_t i = 0; i < pendingNodeCount_; ++i) {
        *nodes_.tryEmplace(pendingNodes_[i].id).first = pendingNodes_[i].point;
    }
    pendingNodeCount_ = 0;
}

void OsmFeatureBuilder::startWay(std::int64_t id) {
    refs_.resize(wayRefBegin_);
    tags_.clear();
    wayId_ = id;
}

void OsmFeatureBuilder::endWay() {
    if (wayId_ == 0 || wayIndex_.contains(wayId_)) {
        refs_.resize(wayRefBegin_);
        return;
    }
    WayRecord record{wayRefBegin_, refs_.size() - wayRefBegin_, unclassified};
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

void OsmFeatureBuilder::startRelation() {
    members_.resize(relationMemberBegin_);
    tags_.clear();
}

void OsmFeatureBuilder::wayMember(std::int64_t ref, std::string_view role) {
    const MemberRole memberRole = role.empty()      ? MemberRole::Empty
                                  : role == "outer" ? MemberRole::Outer
                                  : role == "inner" ? MemberRole::Inner
                                                    : MemberRole::Other;
    members_.push_back({ref, memberRole});
}

void OsmFeatureBuilder::endRelation() {
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

// ---------------------------------------------------------------------------------------------
// 4. Turning the tables into features

void OsmFeatureBuilder::resolve(std::span<const std::int64_t> refs,
                                std::vector<MapPoint>& out) const {
    out.reserve(refs.size());
    constexpr std::size_t lookAhead = 8;
    for (std::size_t i = 0; i < std::min(lookAhead, refs.size()); ++i) {
        nodes_.prefetch(refs[i]);
    }
    for (std::size_t i = 0; i < refs.size(); ++i) {
        if (i + lookAhead < refs.size()) {
            nodes_.prefetch(refs[i + lookAhead]);
        }
        if (const MapPoint* point = nodes_.find(refs[i])) {
            out.push_back(*point);
        }
    }
}

std::vector<std::vector<std::int64_t>> OsmFeatureBuilder::rings(const MultipolygonRecord& relation,
                                                                bool outer) {
    std::vector<std::span<const std::int64_t>> segments;
    std::size_t total = 0;
    for (std::size_t i = 0; i < relation.memberCount; ++i) {
        const Member& member = members_[relation.memberBegin + i];
        const bool wanted =
            outer ? (member.role == MemberRole::Outer || member.role == MemberRole::Empty)
                  : member.role == MemberRole::Inner;
        if (!wanted) {
            continue;
        }
        const std::uint32_t* index = wayIndex_.find(member.way);
        if (index == nullptr) {
            continue;
        }
        const WayRecord& way = ways_[*index];
        if (way.refCount < 2) {
            continue;
        }
        total += way.refCount;
        if (total > ringRefBudget_) {
            throw std::bad_alloc();
        }
        segments.emplace_back(refs_.data() + way.refBegin, way.refCount);
    }
    ringRefBudget_ -= total;
    return AssembleRings(segments);
}

std::vector<MapFeature> OsmFeatureBuilder::finish() {
    flushPendingNodes();
    // Elements left open at the end of the file are simply not stored.
    refs_.resize(wayRefBegin_);
    members_.resize(relationMemberBegin_);
    ringRefBudget_ = 4 * refs_.size() + (std::size_t{1} << 20);

    IdHashMap<char> memberWays;
    for (const Member& member : members_) {
        memberWays.tryEmplace(member.way);
    }

    std::vector<MapFeature> features;
    features.reserve(wayPrototypes_.size() + multipolygons_.size());
    for (std::size_t i = 0; i < ways_.size(); ++i) {
        const WayRecord& way = ways_[i];
        if (way.prototype == unclassified) {
            continue;
        }
        MapFeature& prototype = wayPrototypes_[way.prototype];
        // An area that is part of a multipolygon is drawn through the relation instead.
        if (isAreaClass(prototype.featureClass) && memberWays.contains(wayIds_[i])) {
            continue;
        }
        const std::span<const std::int64_t> refs(refs_.data() + way.refBegin, way.refCount);
        MapFeature feature = std::move(prototype);
        feature.closed = refs.size() >= 3 && refs.front() == refs.back();
        resolve(refs, feature.points);
        if (feature.points.size() >= 2) {
            features.push_back(std::move(feature));
        }
    }

    for (MultipolygonRecord& relation : multipolygons_) {
        const std::vector<std::vector<std::int64_t>> outer = rings(relation, true);
        if (outer.empty()) {
            continue;
        }
        MapFeature feature = std::move(relation.prototype);
        feature.closed = true;
        resolve(outer.front(), feature.points);
        const std::vector<std::vector<std::int64_t>> inner = rings(relation, false);
        feature.rings.resize(outer.size() - 1 + inner.size());
        for (std::size_t i = 1; i < outer.size(); ++i) {
            resolve(outer[i], feature.rings[i - 1]);
        }
        for (std::size_t i = 0; i < inner.size(); ++i) {
            resolve(inner[i], feature.rings[outer.size() - 1 + i]);
        }
        if (feature.points.size() >= 4) {
            features.push_back(std::move(feature));
        }
    }
    return features;
}

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
        while (!remaining[top - 1]) {
            --top;
        }
        RingBuilder ring(take(static_cast<std::uint32_t>(top - 1)));
        while (true) {
            if (ring.first() == ring.last()) {
                if (ring.length() >= 4) {
                    rings.push_back(ring.refs());
                }
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
            if (next == noSegment) {
                break;
            }
            const std::span<const std::int64_t> segment = take(next);
            const std::size_t n = segment.size();
            if (segment.front() == ring.last()) {
                ring.append(segment.subspan(1), false);
            } else if (segment.back() == ring.last()) {
                ring.append(segment.first(n - 1), true);
            } else if (segment.back() == ring.first()) {
                ring.prepend(segment.first(n - 1), false);
            } else {
                ring.prepend(segment.subspan(1), true);
            }
        }
    }
    return rings;
}

} // namespace trakmoor
