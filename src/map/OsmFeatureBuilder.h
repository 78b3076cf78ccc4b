#ifndef TRAKMOOR_MAP_OSMFEATUREBUILDER_H
#define TRAKMOOR_MAP_OSMFEATUREBUILDER_H

// The tables one map read fills, whatever the file format: nodes, ways and multipolygon
// relations arrive element by element, and `finish` turns them into the feature list. Every
// format goes through here, so the same data gives the same features in the same order.

#include "map/IdHashMap.h"
#include "map/MapFeature.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace trakmoor {

namespace detail {

// The values of the few keys the feature rules read; every other tag is dropped on arrival.
class KnownTags {
public:
    static constexpr std::size_t keyCount = 15;
    void clear();
    // `escaped`: key and value still hold XML entities and character references.
    void set(std::string_view key, std::string_view value, bool escaped);
    std::string_view operator()(std::string_view key) const;

private:
    std::array<std::string, keyCount> values_;
    unsigned used_ = 0;
    std::string scratch_;
};

} // namespace detail

class OsmFeatureBuilder {
public:
    // A size hint in bytes of OSM XML (or the equivalent), so the tables grow rarely.
    explicit OsmFeatureBuilder(std::size_t expectedBytes);

    void node(std::int64_t id, MapPoint point);

    // A way of id 0 is read but never stored; of two ways with one id, the first stays.
    void startWay(std::int64_t id);
    void wayRef(std::int64_t ref) { refs_.push_back(ref); }
    void tag(std::string_view key, std::string_view value, bool escaped) {
        tags_.set(key, value, escaped);
    }
    void endWay();

    void startRelation();
    // Only way members matter; the caller drops node and relation members.
    void wayMember(std::int64_t ref, std::string_view role);
    void endRelation();

    // Elements left open are not stored.
    std::vector<MapFeature> finish();

    std::size_t nodeCount() const { return nodes_.size() + pendingNodeCount_; }
    std::size_t wayCount() const { return ways_.size(); }

private:
    enum class MemberRole : std::uint8_t { Outer, Inner, Empty, Other };
    struct Member {
        std::int64_t way;
        MemberRole role;
    };
    struct WayRecord {
        std::size_t refBegin;
        std::size_t refCount;
        // Index into the attribute prototypes, or unclassified for ways no rule classifies.
        std::uint32_t prototype;
    };
    // Only multipolygons of an area class are kept; no other relation affects the map.
    struct MultipolygonRecord {
        std::size_t memberBegin;
        std::size_t memberCount;
        MapFeature prototype;
    };
    struct PendingNode {
        std::int64_t id;
        MapPoint point;
    };

    std::vector<std::vector<std::int64_t>> rings(const MultipolygonRecord& relation, bool outer);
    void resolve(std::span<const std::int64_t> refs, std::vector<MapPoint>& out) const;
    void flushPendingNodes();

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

    detail::KnownTags tags_;
    // How many references all multipolygon rings may use together: far more than any real file
    // needs, and bounded by the file, so a few bytes of members cannot demand gigabytes of rings.
    std::size_t ringRefBudget_ = 0;
};

} // namespace trakmoor

#endif
