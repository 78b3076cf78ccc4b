#include "map/OsmMerge.h"

#include <charconv>
#include <fstream>
#include <functional>
#include <system_error>
#include <vector>

namespace trakmoor {

namespace {

enum class ElementKind { Node, Way, Relation };

struct ElementText {
    ElementKind kind;
    std::int64_t id;
    std::string_view text;
};

// The '>' closing the tag that opens at `from`, outside quoted attribute values.
std::size_t tagEnd(std::string_view text, std::size_t from) {
    char quote = 0;
    for (std::size_t at = from; at < text.size(); ++at) {
        const char c = text[at];
        if (quote != 0) {
            quote = c == quote ? 0 : quote;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '>') {
            return at;
        }
    }
    return std::string_view::npos;
}

bool startsElement(std::string_view text, std::size_t at, std::string_view name) {
    if (text.compare(at + 1, name.size(), name) != 0 || at + 1 + name.size() >= text.size()) {
        return false;
    }
    const char next = text[at + 1 + name.size()];
    return next == ' ' || next == '\t' || next == '\n' || next == '\r' || next == '/' ||
           next == '>';
}

bool idOf(std::string_view startTag, std::int64_t& id) {
    std::size_t at = startTag.find(" id=");
    if (at == std::string_view::npos || at + 5 >= startTag.size()) {
        return false;
    }
    at += 5;
    const auto result =
        std::from_chars(startTag.data() + at, startTag.data() + startTag.size(), id);
    return result.ec == std::errc() && (*result.ptr == '"' || *result.ptr == '\'');
}

// Calls `take` for every node, way and relation; false when the document is not complete.
bool scanElements(std::string_view text, const std::function<void(const ElementText&)>& take) {
    static constexpr std::pair<std::string_view, ElementKind> kinds[] = {
        {"node", ElementKind::Node},
        {"way", ElementKind::Way},
        {"relation", ElementKind::Relation}};
    const std::size_t osm = text.find("<osm");
    const std::size_t close = text.rfind("</osm>");
    if (osm == std::string_view::npos || close == std::string_view::npos || close < osm ||
        text.find_first_not_of(" \t\r\n", close + 6) != std::string_view::npos ||
        text.find("<remark") != std::string_view::npos) {
        return false;
    }
    std::size_t at = text.find('<', osm + 1);
    while (at < close) {
        const std::size_t end = tagEnd(text, at);
        if (end == std::string_view::npos) {
            return false;
        }
        std::size_t next = end + 1;
        for (const auto& [name, kind] : kinds) {
            if (!startsElement(text, at, name)) {
                continue;
            }
            std::int64_t id = 0;
            if (!idOf(text.substr(at, end - at), id)) {
                return false;
            }
            if (text[end - 1] != '/') {
                const std::string closing = "</" + std::string(name) + ">";
                const std::size_t closedAt = text.find(closing, end);
                if (closedAt == std::string_view::npos || closedAt > close) {
                    return false;
                }
                next = closedAt + closing.size();
            }
            take({kind, id, text.substr(at, next - at)});
            break;
        }
        at = text.find('<', next);
    }
    return true;
}

} // namespace

bool isCompleteOsmText(std::string_view text) {
    return scanElements(text, [](const ElementText&) {});
}

bool OsmMerger::add(std::string_view text) {
    std::vector<ElementText> found;
    if (!scanElements(text, [&found](const ElementText& element) { found.push_back(element); })) {
        return false;
    }
    for (const ElementText& element : found) {
        auto& table = element.kind == ElementKind::Node  ? nodes_
                      : element.kind == ElementKind::Way ? ways_
                                                         : relations_;
        if (table.try_emplace(element.id, element.text).second) {
            bytes_ += element.text.size() + 1;
        }
    }
    return true;
}

std::string OsmMerger::text() const {
    static constexpr std::string_view head = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<osm "
                                             "version=\"0.6\" generator=\"Trakmoor\">\n";
    static constexpr std::string_view tail = "</osm>\n";
    std::string out;
    out.reserve(head.size() + bytes_ + tail.size());
    out += head;
    for (const auto* table : {&nodes_, &ways_, &relations_}) {
        for (const auto& [id, element] : *table) {
            out += element;
            out += '\n';
        }
    }
    out += tail;
    return out;
}

bool OsmMerger::writeTo(const std::filesystem::path& target) const {
    std::filesystem::path part = target;
    part += ".part";
    {
        std::ofstream out(part, std::ios::binary | std::ios::trunc);
        const std::string document = text();
        out.write(document.data(), static_cast<std::streamsize>(document.size()));
        if (!out.flush()) {
            std::error_code ignored;
            std::filesystem::remove(part, ignored);
            return false;
        }
    }
    std::error_code error;
    std::filesystem::rename(part, target, error);
    if (error) {
        std::filesystem::remove(part, error);
        return false;
    }
    return true;
}

} // namespace trakmoor
