#include "track/GpxReader.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include <mxml.h>
#include <tidy/tidy.h>
#include <tidy/tidybuffio.h>

namespace trakmoor {

namespace {

// ---------------------------------------------------------------------------------------------
// Owners of the C libraries' handles

struct XmlTree {
    mxml_node_t* root = nullptr;
    XmlTree() = default;
    explicit XmlTree(mxml_node_t* node) : root(node) {}
    XmlTree(const XmlTree&) = delete;
    XmlTree& operator=(const XmlTree&) = delete;
    ~XmlTree() {
        if (root)
            mxmlDelete(root);
    }
};

struct TidyDocument {
    TidyDoc doc = tidyCreate();
    TidyDocument() = default;
    TidyDocument(const TidyDocument&) = delete;
    TidyDocument& operator=(const TidyDocument&) = delete;
    ~TidyDocument() { tidyRelease(doc); }
};

struct TidyMessages {
    TidyBuffer buffer{};
    TidyMessages() { tidyBufInit(&buffer); }
    TidyMessages(const TidyMessages&) = delete;
    TidyMessages& operator=(const TidyMessages&) = delete;
    ~TidyMessages() { tidyBufFree(&buffer); }
};

// Mini-XML reports parse errors through one process-wide callback.  The first, direct parse of
// the text is only an attempt, so its complaints are swallowed while it runs.
void ignoreXmlError(const char*) {}

struct QuietXmlErrors {
    QuietXmlErrors() { mxmlSetErrorCallback(ignoreXmlError); }
    QuietXmlErrors(const QuietXmlErrors&) = delete;
    QuietXmlErrors& operator=(const QuietXmlErrors&) = delete;
    ~QuietXmlErrors() { mxmlSetErrorCallback(nullptr); }
};

bool isXmlSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// ---------------------------------------------------------------------------------------------
// Repairing with Tidy

// Tidy's parser and printer recurse once per nesting level; far beyond any real GPX file that
// overflows the stack, so such text is never handed to Tidy.
constexpr int maxTidyNesting = 2000;

bool nestsTooDeep(std::string_view text) {
    int depth = 0;
    std::size_t tagEnd = 0; // the '>' of the tag being looked at, kept to stay linear
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != '<')
            continue;
        const char next = text[i + 1];
        if (next == '/') {
            if (depth > 0)
                --depth;
        } else if (next != '!' && next != '?') {
            if (tagEnd != std::string_view::npos && tagEnd <= i)
                tagEnd = text.find('>', i);
            const bool selfClosing = tagEnd != std::string_view::npos && text[tagEnd - 1] == '/';
            if (!selfClosing && ++depth > maxTidyNesting)
                return true;
        }
    }
    return false;
}

// No gpx element can come out of text that never opens one, whatever Tidy repairs.
bool mayHoldGpxElement(std::string_view text) {
    for (std::size_t at = text.find("<gpx"); at != std::string_view::npos;
         at = text.find("<gpx", at + 1)) {
        if (at + 4 == text.size())
            return true;
        char next = text[at + 4];
        if (next == '>' || next == '/' || next == ' ' || next == '\t' || next == '\n' ||
            next == '\r')
            return true;
    }
    return false;
}

// Tidy 5.6 leaks memory on malformed XML declarations (one that never ends, or one with a '<'
// among its attributes).  Declarations are dropped before the repair: the input's encoding is
// set explicitly and nothing else in them matters here.  A processing instruction that never
// ends would swallow the rest of the text, so the text is cut before it.
std::string withoutDeclarations(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    std::size_t at = 0;
    for (;;) {
        const std::size_t start = text.find("<?", at);
        if (start == std::string_view::npos) {
            result.append(text.substr(at));
            return result;
        }
        const std::size_t end = text.find("?>", start + 2);
        if (end == std::string_view::npos) {
            result.append(text.substr(at, start - at));
            return result;
        }
        const std::string_view target = text.substr(start + 2, 4);
        const bool declaration = target.size() == 4 && target.starts_with("xml") &&
                                 (isXmlSpace(target[3]) || target[3] == '?');
        result.append(text.substr(at, (declaration ? start : end + 2) - at));
        at = end + 2;
    }
}

std::string repairWithTidy(std::string_view original) {
    const std::string text = withoutDeclarations(original);
    TidyDocument tidy;
    TidyMessages messages;
    tidyOptSetBool(tidy.doc, TidyXmlTags, yes);
    tidyOptSetBool(tidy.doc, TidyMakeClean, yes);
    tidyOptSetInt(tidy.doc, TidyIndentContent, TidyAutoState);
    tidyOptSetInt(tidy.doc, TidyWrapLen, 0);
    // Tidy 5.6 declares this option tri-state; its boolean setter aborts the process.
    tidyOptSetInt(tidy.doc, TidyVertSpace, TidyNoState);
    tidyOptSetBool(tidy.doc, TidyLiteralAttribs, yes);
    tidyOptSetBool(tidy.doc, TidyQuiet, yes);
    tidyOptSetBool(tidy.doc, TidyShowWarnings, no);
    tidyOptSetInt(tidy.doc, TidyShowErrors, 0);
    tidySetCharEncoding(tidy.doc, "utf8");
    tidySetReportFilter(tidy.doc, nullptr);
    // Whatever Tidy still has to say goes into a buffer, not onto the user's terminal.
    tidySetErrorBuffer(tidy.doc, &messages.buffer);

    tidyParseString(tidy.doc, text.c_str());
    tidyCleanAndRepair(tidy.doc);

    // Asking with a one-byte buffer makes Tidy report the size it needs.
    char probe[2] = {};
    unsigned length = 1;
    if (tidySaveString(tidy.doc, probe, &length) >= 0 && length <= 1)
        return std::string(probe, length);
    std::string repaired(length + 1, '\0');
    unsigned capacity = length + 1;
    if (tidySaveString(tidy.doc, repaired.data(), &capacity) < 0)
        return {};
    repaired.resize(capacity);
    return repaired;
}

// ---------------------------------------------------------------------------------------------
// Walking the element tree

mxml_node_t* findDescendant(mxml_node_t* top, const char* name) {
    return mxmlFindElement(top, top, name, nullptr, nullptr, MXML_DESCEND);
}

bool isBlank(const char* text) {
    for (; *text; ++text)
        if (!isXmlSpace(*text))
            return false;
    return true;
}

// Tidy, which repairs what does not parse, collapses every run of white space in element text to
// one space and trims the ends; text read without Tidy is treated alike, so that a file gives the
// same document whichever way it was read.
std::string collapseWhiteSpace(const char* text) {
    const std::size_t length = std::strlen(text);
    bool clean = length > 0 && !isXmlSpace(text[0]) && !isXmlSpace(text[length - 1]);
    for (std::size_t i = 1; clean && i < length; ++i)
        clean = text[i] != '\t' && text[i] != '\n' && text[i] != '\r' &&
                !(text[i] == ' ' && text[i - 1] == ' ');
    if (clean)
        return std::string(text, length);
    std::string result;
    bool pendingSpace = false;
    for (; *text; ++text) {
        if (isXmlSpace(*text)) {
            pendingSpace = !result.empty();
            continue;
        }
        if (pendingSpace)
            result += ' ';
        pendingSpace = false;
        result += *text;
    }
    return result;
}

// The text of an element is its first child node, with white space collapsed; an element without
// children, or with nothing but white space, has none.  A CDATA section is taken verbatim, also
// after white space (where Tidy puts it on a line of its own).
std::optional<std::string> elementText(mxml_node_t* element) {
    if (!element)
        return std::nullopt;
    mxml_node_t* child = mxmlGetFirstChild(element);
    while (child && mxmlGetType(child) == MXML_OPAQUE && isBlank(mxmlGetOpaque(child)) &&
           mxmlGetNextSibling(child) && mxmlGetCDATA(mxmlGetNextSibling(child)))
        child = mxmlGetNextSibling(child);
    if (!child)
        return std::nullopt;
    if (mxmlGetType(child) == MXML_ELEMENT) {
        if (const char* cdata = mxmlGetCDATA(child))
            return std::string(cdata);
        return std::nullopt;
    }
    if (mxmlGetType(child) != MXML_OPAQUE)
        return std::nullopt;
    std::string text = collapseWhiteSpace(mxmlGetOpaque(child));
    if (text.empty())
        return std::nullopt;
    return text;
}

// Whether the element named name is one of the records that become tracks or points.  The data
// of a record are searched below it, but not inside a record nested in it: real files never nest
// them, and in repaired or hostile files (Tidy nests elements that were never closed) searching
// through nested records would find other records' data and take time and memory quadratic in
// the depth.
bool isTrackRecord(std::string_view name) {
    return name == "trk" || name == "rte" || name == "wpt";
}

bool isRecord(std::string_view name) {
    return isTrackRecord(name) || name == "trkpt" || name == "rtept";
}

enum class Walk { Descend, Skip };

// Visits the elements below top in document order.  enter(element, name) says whether to go into
// the element; leave(element, name) follows once the element's descendants are done.
template <typename Enter, typename Leave>
void walkElements(mxml_node_t* top, Enter enter, Leave leave) {
    mxml_node_t* node = mxmlGetFirstChild(top);
    while (node) {
        mxml_node_t* child = nullptr;
        if (const char* name = mxmlGetElement(node)) {
            if (enter(node, std::string_view(name)) == Walk::Descend) {
                child = mxmlGetFirstChild(node);
                if (!child)
                    leave(node, std::string_view(name));
            }
        }
        if (child) {
            node = child;
            continue;
        }
        while (node != top && !mxmlGetNextSibling(node)) {
            node = mxmlGetParent(node);
            if (node != top)
                leave(node, std::string_view(mxmlGetElement(node)));
        }
        node = node == top ? nullptr : mxmlGetNextSibling(node);
    }
}

template <typename Enter> void walkElements(mxml_node_t* top, Enter enter) {
    walkElements(top, enter, [](mxml_node_t*, std::string_view) {});
}

// The first element below top with each of the given names, outside nested records of the kinds
// that stop(name) names.
template <std::size_t N, typename Stop>
std::array<mxml_node_t*, N> firstElements(mxml_node_t* top,
                                          const std::array<std::string_view, N>& names, Stop stop) {
    std::array<mxml_node_t*, N> found{};
    std::size_t missing = N;
    walkElements(top, [&](mxml_node_t* node, std::string_view name) {
        if (missing == 0 || stop(name))
            return Walk::Skip;
        for (std::size_t i = 0; i < N; ++i) {
            if (!found[i] && name == names[i]) {
                found[i] = node;
                --missing;
            }
        }
        return Walk::Descend;
    });
    return found;
}

enum class PointKind { TrackPoint, RoutePoint, WayPoint };

std::unique_ptr<WayPoint> readPoint(mxml_node_t* element, PointKind kind) {
    auto point = std::make_unique<WayPoint>();
    const char* lat = mxmlElementGetAttr(element, "lat");
    const char* lon = mxmlElementGetAttr(element, "lon");
    if (lat && lon) {
        point->setLat(parseCoordinate(lat));
        point->setLon(parseCoordinate(lon));
    }
    if (kind == PointKind::WayPoint) {
        const auto [name, cmt, desc] = firstElements<3>(
            element, {"name", "cmt", "desc"}, [](std::string_view n) { return isRecord(n); });
        if (auto text = elementText(name))
            point->setName(std::move(*text));
        if (auto text = elementText(cmt))
            point->setCmt(std::move(*text));
        if (auto text = elementText(desc))
            point->setDesc(std::move(*text));
        return point;
    }
    // Route points have no time.
    const std::string_view timeName = kind == PointKind::TrackPoint ? "time" : "";
    const auto [ele, time] = firstElements<2>(element, {"ele", timeName},
                                              [](std::string_view n) { return isRecord(n); });
    if (auto text = elementText(ele))
        point->setEle(parseCoordinate(*text));
    if (auto text = elementText(time)) {
        point->setTime(parseGpxTime(*text));
        point->setTimeText(std::move(*text));
    }
    return point;
}

std::unique_ptr<Track> newTrack(mxml_node_t* element) {
    auto track = std::make_unique<Track>();
    const auto [name, number] = firstElements<2>(
        element, {"name", "number"}, [](std::string_view n) { return isTrackRecord(n); });
    if (auto text = elementText(name))
        track->setName(*text);
    if (auto text = elementText(number))
        track->setNumberText(*text);
    return track;
}

// The points of all segments of a track, in document order, each once.
void readTrack(mxml_node_t* trk, Gpx& gpx) {
    auto track = newTrack(trk);
    int openSegments = 0;
    walkElements(
        trk,
        [&](mxml_node_t* node, std::string_view name) {
            if (isTrackRecord(name))
                return Walk::Skip;
            if (name == "trkseg")
                ++openSegments;
            else if (name == "trkpt" && openSegments > 0)
                track->addPoint(readPoint(node, PointKind::TrackPoint));
            return Walk::Descend;
        },
        [&](mxml_node_t*, std::string_view name) {
            if (name == "trkseg")
                --openSegments;
        });
    gpx.addTrack(std::move(track));
}

void readRoute(mxml_node_t* rte, Gpx& gpx) {
    auto track = newTrack(rte);
    walkElements(rte, [&](mxml_node_t* node, std::string_view name) {
        if (isTrackRecord(name))
            return Walk::Skip;
        if (name == "rtept")
            track->addPoint(readPoint(node, PointKind::RoutePoint));
        return Walk::Descend;
    });
    gpx.addTrack(std::move(track));
}

void readWayPoint(mxml_node_t* wpt, Gpx& gpx) {
    auto point = readPoint(wpt, PointKind::WayPoint);
    auto track = std::make_unique<Track>();
    track->setName("WP: " + point->name());
    track->addPoint(std::move(point));
    gpx.addTrack(std::move(track));
}

// All trk, then all rte, then all wpt below the gpx element, each in document order; one walk
// over the tree finds the three kinds.
void readTracksRoutesAndWayPoints(mxml_node_t* gpxElement, Gpx& gpx) {
    std::vector<mxml_node_t*> tracks, routes, wayPoints;
    walkElements(gpxElement, [&](mxml_node_t* node, std::string_view name) {
        if (name == "trk")
            tracks.push_back(node);
        else if (name == "rte")
            routes.push_back(node);
        else if (name == "wpt")
            wayPoints.push_back(node);
        return Walk::Descend;
    });
    for (mxml_node_t* trk : tracks)
        readTrack(trk, gpx);
    for (mxml_node_t* rte : routes)
        readRoute(rte, gpx);
    for (mxml_node_t* wpt : wayPoints)
        readWayPoint(wpt, gpx);
}

void readBounds(mxml_node_t* gpxElement, Gpx& gpx) {
    mxml_node_t* bounds = findDescendant(gpxElement, "bounds");
    if (!bounds)
        return;
    if (const char* v = mxmlElementGetAttr(bounds, "minlat"))
        gpx.setMinLat(parseCoordinate(v));
    if (const char* v = mxmlElementGetAttr(bounds, "minlon"))
        gpx.setMinLon(parseCoordinate(v));
    if (const char* v = mxmlElementGetAttr(bounds, "maxlat"))
        gpx.setMaxLat(parseCoordinate(v));
    if (const char* v = mxmlElementGetAttr(bounds, "maxlon"))
        gpx.setMaxLon(parseCoordinate(v));
}

std::unique_ptr<Gpx> readDocument(mxml_node_t* gpxElement) {
    auto gpx = std::make_unique<Gpx>();
    if (const char* creator = mxmlElementGetAttr(gpxElement, "creator"))
        gpx->setCreator(creator);
    if (const char* version = mxmlElementGetAttr(gpxElement, "version"))
        gpx->setVersion(version);
    readBounds(gpxElement, *gpx);
    readTracksRoutesAndWayPoints(gpxElement, *gpx);
    return gpx;
}

// The parse goes below a node of our own: on some errors Mini-XML frees only part of what it
// built, and whatever hangs below this node is freed with it.  The gpx element is then always a
// descendant, also in files without an XML declaration.
std::unique_ptr<Gpx> readParsed(const std::string& xml) {
    XmlTree tree(mxmlNewElement(MXML_NO_PARENT, "?document"));
    if (!mxmlLoadString(tree.root, xml.c_str(), MXML_OPAQUE_CALLBACK))
        return nullptr;
    mxml_node_t* gpxElement = findDescendant(tree.root, "gpx");
    return gpxElement ? readDocument(gpxElement) : nullptr;
}

std::unique_ptr<Gpx> readRepaired(const std::string& text) {
    if (!mayHoldGpxElement(text) || nestsTooDeep(text))
        return nullptr;
    std::string repaired = repairWithTidy(text);
    if (repaired.empty())
        return nullptr;
    return readParsed(repaired);
}

// Copies the text without the white space that directly precedes markup, mostly indentation.
// Such white space is either a node of its own, which the reader ignores, or the end of a text,
// which it trims; dropping it before the parse saves the parser a third of its nodes.  Attribute
// values, comments, CDATA sections and processing instructions are copied untouched.
std::string withoutIndentation(const std::string& text) {
    std::string result;
    result.reserve(text.size());
    const char* at = text.data();
    const char* const end = at + text.size();
    auto copyThrough = [&](std::string_view close) {
        const std::size_t stop = std::string_view(at, end - at).find(close);
        const char* next = stop == std::string_view::npos ? end : at + stop + close.size();
        result.append(at, next);
        at = next;
    };
    while (at < end) {
        const char* markup = static_cast<const char*>(std::memchr(at, '<', end - at));
        if (!markup) {
            result.append(at, end);
            break;
        }
        const char* textEnd = markup;
        while (textEnd > at && isXmlSpace(textEnd[-1]))
            --textEnd;
        result.append(at, textEnd);
        at = markup;
        const std::string_view rest(at, end - at);
        if (rest.starts_with("<!--")) {
            copyThrough("-->");
        } else if (rest.starts_with("<![CDATA[")) {
            copyThrough("]]>");
        } else if (rest.starts_with("<?")) {
            copyThrough("?>");
        } else {
            // A tag: up to the first '>' outside quotes.
            const char* tagEnd = at + 1;
            for (char quote = 0; tagEnd < end; ++tagEnd) {
                const char c = *tagEnd;
                if (quote) {
                    if (c == quote)
                        quote = 0;
                } else if (c == '"' || c == '\'') {
                    quote = c;
                } else if (c == '>') {
                    ++tagEnd;
                    break;
                }
            }
            result.append(at, tagEnd);
            at = tagEnd;
        }
    }
    return result;
}

// Well-formed files, nearly all of them, are parsed as they are; Tidy, which is several times
// slower than the parse itself, only repairs text that does not parse or has no gpx element.
std::unique_ptr<Gpx> readGpx(const std::string& text) {
    // Text without a gpx element is turned away before any parse: a long run of plain text
    // costs Mini-XML quadratic time, minutes for a few hundred megabytes of junk.
    if (!mayHoldGpxElement(text))
        return nullptr;
    {
        QuietXmlErrors quiet;
        if (auto gpx = readParsed(withoutIndentation(text)))
            return gpx;
    }
    return readRepaired(text);
}

// ---------------------------------------------------------------------------------------------
// Times

// One numeric field of a time: starts with a digit, takes at most as many digits as its upper
// limit has and stops early when one more digit would exceed that limit.
bool readField(std::string_view text, std::size_t& at, int low, int high, int& value) {
    if (at >= text.size() || text[at] < '0' || text[at] > '9')
        return false;
    int maxDigits = 0;
    for (int h = high; h > 0; h /= 10)
        ++maxDigits;
    value = 0;
    for (int digits = 0; digits < maxDigits && at < text.size(); ++digits) {
        char c = text[at];
        if (c < '0' || c > '9')
            break;
        if (digits > 0 && value * 10 > high)
            break;
        value = value * 10 + (c - '0');
        ++at;
    }
    return value >= low && value <= high;
}

bool readLiteral(std::string_view text, std::size_t& at, char c) {
    if (at >= text.size() || text[at] != c)
        return false;
    ++at;
    return true;
}

// Days from 1970-01-01 to the first of the given month, proleptic Gregorian calendar.
std::int64_t daysFromCivil(std::int64_t year, int month) {
    year -= month <= 2 ? 1 : 0;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const std::int64_t yearOfEra = year - era * 400;
    const int shiftedMonth = month + (month > 2 ? -3 : 9);
    const std::int64_t dayOfYear = (153 * shiftedMonth + 2) / 5;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

} // namespace

std::unique_ptr<Gpx> readGpxFile(const std::string& path) {
    std::error_code error;
    // Directories, devices and pipes are no GPX files (and /dev/zero would never end).
    if (!std::filesystem::is_regular_file(path, error))
        return nullptr;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return nullptr;
    std::string text;
    char block[1 << 16];
    while (in.read(block, sizeof block) || in.gcount() > 0)
        text.append(block, static_cast<std::size_t>(in.gcount()));
    if (in.bad())
        return nullptr;
    return readGpxText(text);
}

std::unique_ptr<Gpx> readGpxText(std::string_view text) {
    text = text.substr(0, text.find('\0'));
    return readGpx(std::string(text));
}

namespace detail {

std::unique_ptr<Gpx> readRepairedGpxText(std::string_view text) {
    text = text.substr(0, text.find('\0'));
    return readRepaired(std::string(text));
}

} // namespace detail

double parseCoordinate(std::string_view text) {
    double value = 0.0;
    auto [end, error] =
        std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
    return error == std::errc() ? value : 0.0;
}

std::int32_t parseGpxTime(std::string_view text) {
    std::size_t at = 0;
    int year, month, day, hour, minute, second;
    if (!readField(text, at, 0, 9999, year) || !readLiteral(text, at, '-') ||
        !readField(text, at, 1, 12, month) || !readLiteral(text, at, '-') ||
        !readField(text, at, 1, 31, day) || !readLiteral(text, at, 'T') ||
        !readField(text, at, 0, 23, hour) || !readLiteral(text, at, ':') ||
        !readField(text, at, 0, 59, minute) || !readLiteral(text, at, ':') ||
        !readField(text, at, 0, 61, second))
        return -1;

    // Fractions of a second, as phones and sport watches write them.
    if (at + 1 < text.size() && text[at] == '.' && text[at + 1] >= '0' && text[at + 1] <= '9') {
        ++at;
        while (at < text.size() && text[at] >= '0' && text[at] <= '9')
            ++at;
    }

    std::int64_t offsetSeconds = 0;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        const int sign = text[at] == '-' ? -1 : 1;
        ++at;
        if (at + 5 > text.size())
            return -1;
        auto digit = [&](std::size_t i) { return text[i] >= '0' && text[i] <= '9'; };
        if (!digit(at) || !digit(at + 1) || text[at + 2] != ':' || !digit(at + 3) || !digit(at + 4))
            return -1;
        const int offsetHours = (text[at] - '0') * 10 + (text[at + 1] - '0');
        const int offsetMinutes = (text[at + 3] - '0') * 10 + (text[at + 4] - '0');
        if (offsetHours > 14 || offsetMinutes > 59)
            return -1;
        offsetSeconds = sign * (offsetHours * 3600 + offsetMinutes * 60);
    } else if (!readLiteral(text, at, 'Z')) {
        return -1;
    }

    const std::int64_t days = daysFromCivil(year, month) + (day - 1);
    const std::int64_t seconds = days * 86400 + hour * 3600 + minute * 60 + second - offsetSeconds;
    if (seconds < 0 || seconds > std::numeric_limits<std::int32_t>::max())
        return -1;
    return static_cast<std::int32_t>(seconds);
}

} // namespace trakmoor
