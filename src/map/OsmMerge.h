#ifndef TRAKMOOR_MAP_OSMMERGE_H
#define TRAKMOOR_MAP_OSMMERGE_H

// Joins the OSM XML answers for neighbouring boxes into one map.  A way that crosses a border
// comes back in the answer of every box it meets; it is kept once, so no line and no name is
// drawn twice.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>

namespace trakmoor {

// True for a whole OSM document: an <osm> element that is closed, no error remark, and every
// node, way and relation element complete.  A truncated download fails this.
bool isCompleteOsmText(std::string_view text);

class OsmMerger {
public:
    // Adds the elements of one answer that are not there yet; false (and nothing added) when the
    // text is no complete OSM document.
    bool add(std::string_view text);
    // One OSM document: nodes, ways, relations, each ordered by id, one element per line.
    std::string text() const;
    // The document written to "<target>.part" and renamed into place; false when it could not be.
    bool writeTo(const std::filesystem::path& target) const;

    std::size_t elementCount() const { return nodes_.size() + ways_.size() + relations_.size(); }

private:
    std::map<std::int64_t, std::string> nodes_;
    std::map<std::int64_t, std::string> ways_;
    std::map<std::int64_t, std::string> relations_;
    std::size_t bytes_ = 0;
};

} // namespace trakmoor

#endif
