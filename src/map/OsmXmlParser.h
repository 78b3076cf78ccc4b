#ifndef TRAKMOOR_MAP_OSMXMLPARSER_H
#define TRAKMOOR_MAP_OSMXMLPARSER_H

// Reads OSM XML markup by markup, whatever its layout (elements on one line or across lines,
// attributes in any order, either quote, any blanks), and hands nodes, ways and relations to the
// feature builder. It checks the structure it walks through (tags, attributes, nesting, the one
// <osm> root and its end), so a cut or damaged file fails with a reason instead of loading as an
// empty or partial map.

#include "map/OsmFeatureBuilder.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace trakmoor {

class OsmXmlParser {
public:
    explicit OsmXmlParser(OsmFeatureBuilder& builder) : builder_(builder) {}

    // Reads the complete markup at the start of `text` and returns how many bytes it used; the
    // rest is markup cut by the end of the block, to be passed again with more bytes after it.
    // Throws std::runtime_error with the reason and the byte position when the text is not
    // well-formed.
    std::size_t parse(std::string_view text);
    // After the last block: throws unless the <osm> element was read to its end.
    void finish(std::string_view unread);

private:
    enum class Element : std::uint8_t { Other, Osm, Node, Way, Relation };

    const char* markup(const char* at, const char* end);
    const char* startTag(const char* at, const char* end);
    const char* endTag(const char* at, const char* end);
    void checkOutsideText(const char* at, const char* end);
    void open(std::string_view name, Element element);
    void close(Element element);
    void element(std::string_view name, const std::string_view* values, bool empty);
    [[noreturn]] void fail(const char* at, const std::string& reason) const;

    OsmFeatureBuilder& builder_;
    // The open elements; names are kept to check end tags against.
    std::vector<std::string> names_;
    std::vector<Element> elements_;
    std::size_t depth_ = 0;
    bool rootSeen_ = false;
    bool rootClosed_ = false;
    std::uint64_t offset_ = 0;   // of the current block's first byte in the file
    const char* base_ = nullptr; // the current block
};

} // namespace trakmoor

#endif
