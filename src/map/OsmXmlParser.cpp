#include "map/OsmXmlParser.h"

#include "map/OsmText.h"

#include <cstring>
#include <stdexcept>

namespace trakmoor {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\n' || c == '\r' || c == '\t';
}

bool endsName(char c) {
    return isBlank(c) || c == '/' || c == '>' || c == '=' || c == '"' || c == '\'' || c == '<';
}

bool startsName(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':' ||
           static_cast<unsigned char>(c) >= 0x80;
}

// Which attributes an element's reading needs, by what the element is where it stands.
enum class Wanted { Nothing, Node, Way, Nd, Tag, Member };

constexpr std::string_view wantedNames[][3] = {{},         {"id", "lat", "lon"},   {"id"}, {"ref"},
                                               {"k", "v"}, {"type", "ref", "role"}};

int slotOf(Wanted wanted, std::string_view name) {
    const auto& names = wantedNames[static_cast<int>(wanted)];
    for (int i = 0; i < 3; ++i) {
        if (!names[i].empty() && names[i] == name) {
            return i;
        }
    }
    return -1;
}

const char* find(const char* at, const char* end, std::string_view text) {
    const std::string_view rest(at, static_cast<std::size_t>(end - at));
    const std::size_t found = rest.find(text);
    return found == std::string_view::npos ? nullptr : at + found;
}

std::string quoted(std::string_view name) {
    constexpr std::size_t maxShown = 40;
    return "<" + std::string(name.substr(0, maxShown)) + (name.size() > maxShown ? "...>" : ">");
}

} // namespace

std::size_t OsmXmlParser::parse(std::string_view text) {
    base_ = text.data();
    const char* const end = base_ + text.size();
    const char* at = base_;
    std::size_t used = text.size();
    while (true) {
        const char* const lt = static_cast<const char*>(std::memchr(at, '<', end - at));
        if (depth_ == 0) {
            checkOutsideText(at, lt != nullptr ? lt : end);
        }
        if (lt == nullptr) {
            break;
        }
        const char* const next = markup(lt, end);
        if (next == nullptr) {
            used = static_cast<std::size_t>(lt - base_);
            break;
        }
        at = next;
    }
    offset_ += used;
    return used;
}

void OsmXmlParser::finish(std::string_view unread) {
    base_ = unread.data();
    if (!unread.empty()) {
        fail(base_, "the file ends inside markup");
    }
    if (!rootSeen_) {
        throw std::runtime_error("no <osm> element found");
    }
    if (!rootClosed_) {
        fail(base_, "the file ends before </osm>: it is cut short");
    }
}

void OsmXmlParser::checkOutsideText(const char* at, const char* end) {
    // A byte order mark may open the file.
    if (offset_ == 0 && at == base_ && end - at >= 3 && std::memcmp(at, "\xEF\xBB\xBF", 3) == 0) {
        at += 3;
    }
    for (; at < end; ++at) {
        if (!isBlank(*at)) {
            fail(at, rootSeen_ ? "text after </osm>" : "text before the <osm> element");
        }
    }
}

const char* OsmXmlParser::markup(const char* at, const char* end) {
    const char* p = at + 1;
    if (p == end) {
        return nullptr;
    }
    if (*p == '/') {
        return endTag(p + 1, end);
    }
    if (*p == '?') {
        const char* close = find(p, end, "?>");
        return close == nullptr ? nullptr : close + 2;
    }
    if (*p != '!') {
        return startTag(p, end);
    }
    const std::string_view rest(p, static_cast<std::size_t>(end - p));
    if (rest.starts_with("!--")) {
        const char* close = find(p + 3, end, "-->");
        return close == nullptr ? nullptr : close + 3;
    }
    if (rest.size() < 8) {
        return nullptr;
    }
    if (rest.starts_with("![CDATA[")) {
        if (depth_ == 0) {
            fail(at, "character data outside the <osm> element");
        }
        const char* close = find(p, end, "]]>");
        return close == nullptr ? nullptr : close + 3;
    }
    if (rest.starts_with("!DOCTYPE") && depth_ == 0 && !rootSeen_) {
        const char* close = static_cast<const char*>(std::memchr(p, '>', end - p));
        return close == nullptr ? nullptr : close + 1;
    }
    fail(at, "a '<!' that starts no comment, character data or document type");
}

const char* OsmXmlParser::endTag(const char* at, const char* end) {
    const char* p = at;
    while (p < end && !endsName(*p)) {
        ++p;
    }
    const std::string_view name(at, static_cast<std::size_t>(p - at));
    while (p < end && isBlank(*p)) {
        ++p;
    }
    if (p == end) {
        return nullptr;
    }
    if (*p != '>' || name.empty()) {
        fail(at - 2, "a malformed end tag");
    }
    if (depth_ == 0) {
        fail(at - 2, "</" + std::string(name.substr(0, 40)) + "> closes no element");
    }
    if (names_[depth_ - 1] != name) {
        fail(at - 2,
             "</" + std::string(name.substr(0, 40)) + "> closes " + quoted(names_[depth_ - 1]));
    }
    --depth_;
    close(elements_[depth_]);
    return p + 1;
}

const char* OsmXmlParser::startTag(const char* at, const char* end) {
    const char* p = at;
    while (p < end && !endsName(*p)) {
        ++p;
    }
    if (p == end) {
        return nullptr;
    }
    const std::string_view name(at, static_cast<std::size_t>(p - at));
    if (name.empty() || !startsName(name[0])) {
        fail(at - 1, "a '<' that starts no element");
    }

    Wanted wanted = Wanted::Nothing;
    if (depth_ == 1) {
        wanted = name == "node" ? Wanted::Node : name == "way" ? Wanted::Way : Wanted::Nothing;
    } else if (depth_ == 2 && elements_[1] != Element::Other && elements_[1] != Element::Node) {
        if (name == "tag") {
            wanted = Wanted::Tag;
        } else if (elements_[1] == Element::Way && name == "nd") {
            wanted = Wanted::Nd;
        } else if (elements_[1] == Element::Relation && name == "member") {
            wanted = Wanted::Member;
        }
    }

    std::string_view values[3];
    bool empty = false;
    while (true) {
        const char* const beforeBlanks = p;
        while (p < end && isBlank(*p)) {
            ++p;
        }
        if (p == end) {
            return nullptr;
        }
        if (*p == '>') {
            ++p;
            break;
        }
        if (*p == '/') {
            if (p + 1 == end) {
                return nullptr;
            }
            if (p[1] != '>') {
                fail(p, "a '/' inside " + quoted(name));
            }
            p += 2;
            empty = true;
            break;
        }
        if (p == beforeBlanks) {
            fail(p, "attributes of " + quoted(name) + " run together");
        }
        const char* const attributeName = p;
        while (p < end && !endsName(*p)) {
            ++p;
        }
        const std::string_view attribute(attributeName,
                                         static_cast<std::size_t>(p - attributeName));
        while (p < end && isBlank(*p)) {
            ++p;
        }
        if (p == end) {
            return nullptr;
        }
        if (attribute.empty() || *p != '=') {
            fail(p, "a malformed attribute in " + quoted(name));
        }
        ++p;
        while (p < end && isBlank(*p)) {
            ++p;
        }
        if (p == end) {
            return nullptr;
        }
        const char quote = *p;
        if (quote != '"' && quote != '\'') {
            fail(p, "an attribute value without quotes in " + quoted(name));
        }
        const char* const valueEnd =
            static_cast<const char*>(std::memchr(p + 1, quote, end - p - 1));
        if (valueEnd == nullptr) {
            return nullptr;
        }
        const std::string_view value(p + 1, static_cast<std::size_t>(valueEnd - p - 1));
        // A quote lost to a cut or an edit swallows the markup up to the next quote.
        if (value.find('<') != std::string_view::npos) {
            fail(p, "a '<' inside an attribute value of " + quoted(name));
        }
        if (wanted != Wanted::Nothing) {
            if (const int slot = slotOf(wanted, attribute); slot >= 0) {
                values[slot] = value;
            }
        }
        p = valueEnd + 1;
    }

    if (depth_ == 0) {
        if (rootSeen_) {
            fail(at - 1, "a second root element " + quoted(name) + " after </osm>");
        }
        if (name != "osm") {
            fail(at - 1, "the root element is " + quoted(name) + ", not <osm>");
        }
        rootSeen_ = true;
        if (empty) {
            rootClosed_ = true;
        } else {
            open(name, Element::Osm);
        }
        return p;
    }

    Element kind = Element::Other;
    switch (wanted) {
    case Wanted::Node:
        kind = Element::Node;
        // A node missing one of these is skipped, as it cannot be drawn.
        if (!values[0].empty() && !values[1].empty() && !values[2].empty()) {
            const std::int64_t id = convertOsmId(values[0]);
            builder_.node(id, {convertCoordinate(values[1]), convertCoordinate(values[2])});
        }
        break;
    case Wanted::Way:
        kind = Element::Way;
        builder_.startWay(values[0].empty() ? 0 : convertOsmId(values[0]));
        break;
    case Wanted::Nd:
        if (!values[0].empty()) {
            builder_.wayRef(convertOsmId(values[0]));
        }
        break;
    case Wanted::Tag:
        if (!values[0].empty()) {
            builder_.tag(values[0], values[1], true);
        }
        break;
    case Wanted::Member:
        if (values[0] == "way" && !values[1].empty()) {
            builder_.wayMember(convertOsmId(values[1]), values[2]);
        }
        break;
    case Wanted::Nothing:
        if (depth_ == 1 && name == "relation") {
            kind = Element::Relation;
            builder_.startRelation();
        }
        break;
    }
    if (empty) {
        close(kind);
    } else {
        open(name, kind);
    }
    return p;
}

void OsmXmlParser::open(std::string_view name, Element element) {
    // Names and kinds stay allocated between elements: the same few names come again and again.
    if (depth_ == names_.size()) {
        names_.emplace_back();
        elements_.push_back(Element::Other);
    }
    names_[depth_].assign(name);
    elements_[depth_] = element;
    ++depth_;
}

void OsmXmlParser::close(Element element) {
    switch (element) {
    case Element::Way:
        builder_.endWay();
        break;
    case Element::Relation:
        builder_.endRelation();
        break;
    case Element::Osm:
        rootClosed_ = true;
        break;
    case Element::Node:
    case Element::Other:
        break;
    }
}

void OsmXmlParser::fail(const char* at, const std::string& reason) const {
    const std::uint64_t position = offset_ + static_cast<std::uint64_t>(at - base_);
    throw std::runtime_error("not well-formed XML at byte " + std::to_string(position) + ": " +
                             reason);
}

} // namespace trakmoor
