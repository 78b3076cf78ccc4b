#include "track/GpxReader.h"
#include "track/TrackFileAccess.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <exception>
#include <limits>
#include <mutex>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include <fcntl.h>
#include <libintl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <mxml.h>
#include <tidy/tidy.h>
#include <tidy/tidybuffio.h>

namespace trakmoor {

namespace {

// ---------------------------------------------------------------------------------------------
// Owners of the C libraries' handles

struct XmlNode {
    mxml_node_t* node;
    explicit XmlNode(mxml_node_t* n) : node(n) {}
    XmlNode(const XmlNode&) = delete;
    XmlNode& operator=(const XmlNode&) = delete;
    ~XmlNode() { mxmlDelete(node); }
};

// Unless the program has chosen Tidy's language, tidyCreate sets the process's locale from the
// environment (setlocale(LC_ALL, "")): process-wide, and a race with every other thread, since the
// reader runs beside the window's thread.  Choosing the language once, before the first document,
// keeps Tidy off the locale; its messages are never shown, so English does.
TidyDoc createTidyDocument() {
    static std::once_flag languageChosen;
    std::call_once(languageChosen, [] { tidySetLanguage("en"); });
    return tidyCreate();
}

struct TidyDocument {
    TidyDoc doc = createTidyDocument();
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
        if (text[i] != '<') {
            continue;
        }
        const char next = text[i + 1];
        if (next == '/') {
            if (depth > 0) {
                --depth;
            }
        } else if (next != '!' && next != '?') {
            if (tagEnd != std::string_view::npos && tagEnd <= i) {
                tagEnd = text.find('>', i);
            }
            const bool selfClosing = tagEnd != std::string_view::npos && text[tagEnd - 1] == '/';
            if (!selfClosing && ++depth > maxTidyNesting) {
                return true;
            }
        }
    }
    return false;
}

// No gpx element can come out of text that never opens one, whatever Tidy repairs.
bool mayHoldGpxElement(std::string_view text) {
    for (std::size_t at = text.find("<gpx"); at != std::string_view::npos;
         at = text.find("<gpx", at + 1)) {
        if (at + 4 == text.size()) {
            return true;
        }
        char next = text[at + 4];
        if (next == '>' || next == '/' || next == ' ' || next == '\t' || next == '\n' ||
            next == '\r') {
            return true;
        }
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
    if (tidySaveString(tidy.doc, probe, &length) >= 0 && length <= 1) {
        return std::string(probe, length);
    }
    std::string repaired(length + 1, '\0');
    unsigned capacity = length + 1;
    if (tidySaveString(tidy.doc, repaired.data(), &capacity) < 0) {
        return {};
    }
    repaired.resize(capacity);
    return repaired;
}

// ---------------------------------------------------------------------------------------------
// Building the document as the parser streams

bool isBlank(const char* text) {
    for (; *text; ++text) {
        if (!isXmlSpace(*text)) {
            return false;
        }
    }
    return true;
}

// Tidy, which repairs what does not parse, collapses every run of white space in element text to
// one space and trims the ends; text read without Tidy is treated alike, so that a file gives the
// same document whichever way it was read.
std::string collapseWhiteSpace(const char* text) {
    const std::size_t length = std::strlen(text);
    bool clean = length > 0 && !isXmlSpace(text[0]) && !isXmlSpace(text[length - 1]);
    for (std::size_t i = 1; clean && i < length; ++i) {
        clean = text[i] != '\t' && text[i] != '\n' && text[i] != '\r' &&
                !(text[i] == ' ' && text[i - 1] == ' ');
    }
    if (clean) {
        return std::string(text, length);
    }
    std::string result;
    bool pendingSpace = false;
    for (; *text; ++text) {
        if (isXmlSpace(*text)) {
            pendingSpace = !result.empty();
            continue;
        }
        if (pendingSpace) {
            result += ' ';
        }
        pendingSpace = false;
        result += *text;
    }
    return result;
}

// Turns the parser's events into a document without keeping any node: each node is freed as soon
// as its event has been handled, so memory holds the document and the open elements only.
//
// What is read (everything below the first gpx element; everything else is skipped):
// - trk, rte and wpt each become a track, in that order of kinds, each kind in document order;
// - a track's name and number are the first such elements below it, also inside its points;
// - a trk's points are the trkpt inside one of its trkseg, a rte's the rtept below it;
// - a point's data (ele and time, ele, or name, cmt and desc) are the first such elements below
//   it; bounds are the first bounds element below gpx.
// "Below" stops at a record of its own: the data of a track or point nested in another (which real
// files never do, but repaired and hostile ones do) belong to the inner one only.
//
// An element's text is its first child: text with white space collapsed (none when that leaves it
// empty), or a CDATA section verbatim, also after blank text.  Any other first child, or none,
// means no text; later children never count.
class StreamingGpxBuilder {
public:
    // An exception must not unwind through the parser, which is C: the first one is kept, the
    // rest of the parse ignored, and finish throws it.
    static void onEvent(mxml_node_t* node, mxml_sax_event_t event, void* data) {
        auto* builder = static_cast<StreamingGpxBuilder*>(data);
        if (builder->failure_) {
            return;
        }
        try {
            builder->handle(node, event);
        } catch (...) {
            builder->failure_ = std::current_exception();
        }
    }

    // After the parse: the document, or none when there was no gpx element.
    std::unique_ptr<Gpx> finish() {
        if (failure_) {
            std::rethrow_exception(failure_);
        }
        if (!gpx_) {
            return nullptr;
        }
        for (auto* kind : {&tracks_, &routes_, &wayPoints_}) {
            for (auto& track : *kind) {
                gpx_->addTrack(std::move(track));
            }
        }
        return std::move(gpx_);
    }

    static bool isChannelElement(std::string_view name) { return channelField(name).has_value(); }

private:
    enum class Kind : unsigned char { Other, Trk, Rte, Wpt, TrkPt, RtePt, TrkSeg };
    enum class Field : unsigned char {
        Ele,
        Time,
        Name,
        Cmt,
        Desc,
        TrackName,
        TrackNumber,
        HeartRate,
        Cadence,
        Power,
        Temperature,
        Speed,
    };

    // An open trk, rte, wpt, trkpt or rtept.
    struct Record {
        Kind kind;
        Track* track = nullptr;       // trk, rte, wpt
        WayPoint* point = nullptr;    // wpt and the points that belong to a track
        int trackRecord = -1;         // index of the innermost trk, rte or wpt around or at it
        std::int32_t pointIndex = -1; // of a trkpt within its track
        int openSegments = 0;
        unsigned fieldsTaken = 0; // one bit per Field
    };

    enum class TextState : unsigned char { None, FirstChild, CdataAfterBlank };

    static Kind kindOf(std::string_view name) {
        if (name == "trkpt") {
            return Kind::TrkPt;
        }
        if (name == "trkseg") {
            return Kind::TrkSeg;
        }
        if (name == "trk") {
            return Kind::Trk;
        }
        if (name == "rtept") {
            return Kind::RtePt;
        }
        if (name == "rte") {
            return Kind::Rte;
        }
        if (name == "wpt") {
            return Kind::Wpt;
        }
        return Kind::Other;
    }

    static std::unique_ptr<WayPoint> newPoint(mxml_node_t* element) {
        auto point = std::make_unique<WayPoint>();
        const char* lat = mxmlElementGetAttr(element, "lat");
        const char* lon = mxmlElementGetAttr(element, "lon");
        if (lat && lon) {
            point->setLat(parseCoordinate(lat));
            point->setLon(parseCoordinate(lon));
        }
        return point;
    }

    void handle(mxml_node_t* node, mxml_sax_event_t event) {
        if (done_) {
            return;
        }
        if (!gpx_) {
            if (event == MXML_SAX_ELEMENT_OPEN && std::string_view(mxmlGetElement(node)) == "gpx") {
                openGpx(node);
            }
            return;
        }
        if (textState_ != TextState::None && takeText(node, event)) {
            return;
        }
        if (event == MXML_SAX_ELEMENT_OPEN) {
            open(node, mxmlGetElement(node));
        } else if (event == MXML_SAX_ELEMENT_CLOSE) {
            close();
        }
    }

    void openGpx(mxml_node_t* element) {
        gpx_ = std::make_unique<Gpx>();
        if (const char* creator = mxmlElementGetAttr(element, "creator")) {
            gpx_->setCreator(creator);
        }
        if (const char* version = mxmlElementGetAttr(element, "version")) {
            gpx_->setVersion(version);
        }
        open_.push_back(Kind::Other);
    }

    // The event that follows an element wanted for its text.  True when the event was that text.
    bool takeText(mxml_node_t* node, mxml_sax_event_t event) {
        if (event == MXML_SAX_CDATA) {
            textState_ = TextState::None;
            if (const char* cdata = mxmlGetCDATA(node)) {
                store(cdata);
            }
            return true;
        }
        if (event == MXML_SAX_DATA && textState_ == TextState::FirstChild) {
            const char* text = mxmlGetOpaque(node);
            if (text && isBlank(text)) {
                textState_ = TextState::CdataAfterBlank;
            } else {
                textState_ = TextState::None;
                if (text) {
                    store(collapseWhiteSpace(text));
                }
            }
            return true;
        }
        textState_ = TextState::None;
        return false;
    }

    void store(std::string text) {
        Record& record = records_[textRecord_];
        switch (textField_) {
        case Field::Ele:
            record.point->setEle(parseCoordinate(text));
            break;
        case Field::Time:
            record.point->setTime(parseGpxTime(text));
            record.point->setTimeText(std::move(text));
            break;
        case Field::Name:
            record.point->setName(std::move(text));
            break;
        case Field::Cmt:
            record.point->setCmt(std::move(text));
            break;
        case Field::Desc:
            record.point->setDesc(std::move(text));
            break;
        case Field::TrackName:
            record.track->setName(text);
            break;
        case Field::TrackNumber:
            record.track->setNumberText(text);
            break;
        case Field::HeartRate:
        case Field::Cadence:
        case Field::Power:
        case Field::Temperature:
        case Field::Speed:
            storeChannel(record, textField_, text);
            break;
        }
    }

    void storeChannel(const Record& record, Field field, const std::string& text) {
        double value = 0.0;
        auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (error != std::errc() || !std::isfinite(value)) {
            return;
        }
        static constexpr Channel channels[] = {Channel::HeartRate, Channel::Cadence, Channel::Power,
                                               Channel::Temperature, Channel::Speed};
        const Channel channel =
            channels[static_cast<int>(field) - static_cast<int>(Field::HeartRate)];
        // Recorders write speed in metres per second.
        if (channel == Channel::Speed) {
            value *= 3.6;
        }
        records_[record.trackRecord].track->setChannelValue(channel, record.pointIndex, value);
    }

    // The sensor readings of a track point, as Garmin's TrackPointExtension (v1 and v2), the
    // cluetrust gpxdata extension and the common recorders' power element name them, whatever
    // namespace prefix the file gives them.
    static std::optional<Field> channelField(std::string_view name) {
        if (const std::size_t colon = name.rfind(':'); colon != std::string_view::npos) {
            name.remove_prefix(colon + 1);
        }
        if (name == "hr") {
            return Field::HeartRate;
        }
        if (name == "cad" || name == "cadence") {
            return Field::Cadence;
        }
        if (name == "power" || name == "PowerInWatts") {
            return Field::Power;
        }
        if (name == "atemp" || name == "wtemp" || name == "temp") {
            return Field::Temperature;
        }
        if (name == "speed") {
            return Field::Speed;
        }
        return std::nullopt;
    }

    // Asks for the text of the element just opened, if the record has not had that field yet.
    void wantText(int recordIndex, Field field) {
        Record& record = records_[recordIndex];
        const unsigned bit = 1u << static_cast<unsigned>(field);
        if (record.fieldsTaken & bit) {
            return;
        }
        record.fieldsTaken |= bit;
        textRecord_ = recordIndex;
        textField_ = field;
        textState_ = TextState::FirstChild;
    }

    int innermostTrack() const { return records_.empty() ? -1 : records_.back().trackRecord; }

    void open(mxml_node_t* element, std::string_view name) {
        const Kind kind = kindOf(name);
        open_.push_back(kind);
        const int trackIndex = innermostTrack();
        switch (kind) {
        case Kind::Trk:
        case Kind::Rte: {
            auto& list = kind == Kind::Trk ? tracks_ : routes_;
            list.push_back(std::make_unique<Track>());
            pushRecord({kind, list.back().get()}, true);
            return;
        }
        case Kind::Wpt: {
            wayPoints_.push_back(std::make_unique<Track>());
            Track* track = wayPoints_.back().get();
            auto point = newPoint(element);
            WayPoint* pointHandle = point.get();
            track->addPoint(std::move(point));
            pushRecord({kind, track, pointHandle}, true);
            return;
        }
        case Kind::TrkPt:
        case Kind::RtePt: {
            Record record{kind};
            record.trackRecord = trackIndex;
            if (trackIndex >= 0) {
                Record& owner = records_[trackIndex];
                const bool belongs = kind == Kind::TrkPt
                                         ? owner.kind == Kind::Trk && owner.openSegments > 0
                                         : owner.kind == Kind::Rte;
                if (belongs) {
                    auto point = newPoint(element);
                    record.point = point.get();
                    record.pointIndex = owner.track->pointCount();
                    owner.track->addPoint(std::move(point));
                }
            }
            pushRecord(record, false);
            return;
        }
        case Kind::TrkSeg:
            if (trackIndex >= 0) {
                ++records_[trackIndex].openSegments;
                if (records_[trackIndex].kind == Kind::Trk) {
                    records_[trackIndex].track->startSegment();
                }
            }
            return;
        case Kind::Other:
            break;
        }
        if (!boundsSeen_ && name == "bounds") {
            boundsSeen_ = true;
            readBounds(element);
        }
        if (records_.empty()) {
            return;
        }
        const int recordIndex = static_cast<int>(records_.size()) - 1;
        const Record& record = records_.back();
        if (record.point) {
            if (record.kind == Kind::Wpt) {
                if (name == "name") {
                    return wantText(recordIndex, Field::Name);
                }
                if (name == "cmt") {
                    return wantText(recordIndex, Field::Cmt);
                }
                if (name == "desc") {
                    return wantText(recordIndex, Field::Desc);
                }
            } else {
                if (name == "ele") {
                    return wantText(recordIndex, Field::Ele);
                }
                // Route points have no time.
                if (name == "time" && record.kind == Kind::TrkPt) {
                    return wantText(recordIndex, Field::Time);
                }
                if (record.kind == Kind::TrkPt) {
                    if (const auto field = channelField(name)) {
                        return wantText(recordIndex, *field);
                    }
                }
            }
        }
        if (trackIndex >= 0 && records_[trackIndex].kind != Kind::Wpt) {
            if (name == "name") {
                wantText(trackIndex, Field::TrackName);
            } else if (name == "number") {
                wantText(trackIndex, Field::TrackNumber);
            }
        }
    }

    void pushRecord(Record record, bool isTrack) {
        if (isTrack) {
            record.trackRecord = static_cast<int>(records_.size());
        }
        records_.push_back(record);
    }

    void close() {
        const Kind kind = open_.back();
        open_.pop_back();
        if (open_.empty()) {
            done_ = true;
            return;
        }
        switch (kind) {
        case Kind::TrkSeg:
            if (const int trackIndex = innermostTrack(); trackIndex >= 0) {
                --records_[trackIndex].openSegments;
            }
            break;
        case Kind::Wpt:
            records_.back().track->setName("WP: " + records_.back().point->name());
            records_.pop_back();
            break;
        case Kind::Trk:
        case Kind::Rte:
        case Kind::TrkPt:
        case Kind::RtePt:
            records_.pop_back();
            break;
        case Kind::Other:
            break;
        }
    }

    void readBounds(mxml_node_t* bounds) {
        if (const char* v = mxmlElementGetAttr(bounds, "minlat")) {
            gpx_->setMinLat(parseCoordinate(v));
        }
        if (const char* v = mxmlElementGetAttr(bounds, "minlon")) {
            gpx_->setMinLon(parseCoordinate(v));
        }
        if (const char* v = mxmlElementGetAttr(bounds, "maxlat")) {
            gpx_->setMaxLat(parseCoordinate(v));
        }
        if (const char* v = mxmlElementGetAttr(bounds, "maxlon")) {
            gpx_->setMaxLon(parseCoordinate(v));
        }
    }

    std::exception_ptr failure_;
    std::unique_ptr<Gpx> gpx_;
    bool done_ = false;
    bool boundsSeen_ = false;
    std::vector<Kind> open_; // every open element from the gpx element down
    std::vector<Record> records_;
    std::vector<std::unique_ptr<Track>> tracks_, routes_, wayPoints_;
    TextState textState_ = TextState::None;
    int textRecord_ = 0;
    Field textField_ = Field::Ele;
};

// The outcome of one parse: the document (none when the text held no gpx element), or failure.
struct ParseResult {
    bool parsed = false;
    std::unique_ptr<Gpx> gpx;
};

// The parse goes below a node of our own: on some errors Mini-XML frees only part of what it
// built, and whatever still hangs below this node is freed with it.
template <typename Load> ParseResult parseStreaming(Load load) {
    XmlNode top(mxmlNewElement(MXML_NO_PARENT, "?document"));
    StreamingGpxBuilder builder;
    const bool parsed = load(top.node, &StreamingGpxBuilder::onEvent, &builder) != nullptr;
    std::unique_ptr<Gpx> gpx = builder.finish();
    if (!parsed) {
        return {};
    }
    return {true, std::move(gpx)};
}

// Text is kept only inside the elements whose text the document takes; the white space between
// all the other elements is thrown away as it is read, not made into nodes first.
mxml_type_t textTypeOf(mxml_node_t* element) {
    const std::string_view name = mxmlGetElement(element);
    return name == "ele" || name == "time" || name == "name" || name == "cmt" || name == "desc" ||
                   name == "number" || StreamingGpxBuilder::isChannelElement(name)
               ? MXML_OPAQUE
               : MXML_IGNORE;
}

ParseResult parseText(const std::string& text) {
    return parseStreaming([&](mxml_node_t* top, mxml_sax_cb_t callback, void* builder) {
        return mxmlSAXLoadString(top, text.c_str(), textTypeOf, callback, builder);
    });
}

ParseResult parseFile(int fd) {
    return parseStreaming([&](mxml_node_t* top, mxml_sax_cb_t callback, void* builder) {
        return mxmlSAXLoadFd(top, fd, textTypeOf, callback, builder);
    });
}

// ---------------------------------------------------------------------------------------------
// Reading, with repair when a direct parse fails

// What a failed direct parse leaves to the repair: the parser's message about the original text,
// and whether it parsed at all (well-formed text without a gpx element is simply no GPX).
GpxReadResult readRepaired(const std::string& text, const std::string& parseError, bool parsed) {
    auto rejected = [&] {
        GpxReadResult result;
        result.outcome =
            parsed ? GpxReadResult::Outcome::NotGpx : GpxReadResult::Outcome::Unreadable;
        if (!parsed) {
            result.error = parseError;
        }
        return result;
    };
    if (!mayHoldGpxElement(text)) {
        GpxReadResult result;
        result.outcome = GpxReadResult::Outcome::NotGpx;
        return result;
    }
    if (nestsTooDeep(text)) {
        return rejected();
    }
    const std::string repaired = repairWithTidy(text);
    if (repaired.empty()) {
        return rejected();
    }
    XmlErrorCapture quiet;
    ParseResult parse = parseText(repaired);
    if (!parse.parsed) {
        return rejected();
    }
    GpxReadResult result;
    if (parse.gpx) {
        result.gpx = std::move(parse.gpx);
    } else {
        result.outcome = GpxReadResult::Outcome::NotGpx;
    }
    return result;
}

// The whole file as text, up to its first NUL; false with errno set when it cannot be read.
bool readWholeFile(int fd, std::string& text) {
    if (::lseek(fd, 0, SEEK_SET) < 0) {
        return false;
    }
    text.clear();
    char block[1 << 16];
    for (;;) {
        const ssize_t got = ::read(fd, block, sizeof block);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        if (got == 0) {
            break;
        }
        text.append(block, static_cast<std::size_t>(got));
    }
    text.resize(std::min(text.size(), text.find('\0')));
    return true;
}

// ---------------------------------------------------------------------------------------------
// Times

// One numeric field of a time: starts with a digit, takes at most as many digits as its upper
// limit has and stops early when one more digit would exceed that limit.
bool readField(std::string_view text, std::size_t& at, int low, int high, int& value) {
    if (at >= text.size() || text[at] < '0' || text[at] > '9') {
        return false;
    }
    int maxDigits = 0;
    for (int h = high; h > 0; h /= 10) {
        ++maxDigits;
    }
    value = 0;
    for (int digits = 0; digits < maxDigits && at < text.size(); ++digits) {
        char c = text[at];
        if (c < '0' || c > '9') {
            break;
        }
        if (digits > 0 && value * 10 > high) {
            break;
        }
        value = value * 10 + (c - '0');
        ++at;
    }
    return value >= low && value <= high;
}

bool readLiteral(std::string_view text, std::size_t& at, char c) {
    if (at >= text.size() || text[at] != c) {
        return false;
    }
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

GpxReadResult readGpxFileWithOutcome(const std::string& path) {
    const RegularFile file(path);
    if (file.fd() < 0) {
        return cannotOpen(file.error());
    }

    // The parser reads the file in small blocks itself: the text is never held whole unless it
    // has to be repaired.
    XmlErrorCapture capture;
    ParseResult parse = parseFile(file.fd());
    if (parse.parsed && parse.gpx) {
        GpxReadResult result;
        result.gpx = std::move(parse.gpx);
        return result;
    }
    std::string text;
    if (!readWholeFile(file.fd(), text)) {
        return cannotOpen(errno);
    }
    return readRepaired(text, capture.message(), parse.parsed);
}

GpxReadResult readGpxTextWithOutcome(std::string_view text) {
    const std::string copy(text.substr(0, text.find('\0')));
    XmlErrorCapture capture;
    ParseResult parse = parseText(copy);
    if (parse.parsed && parse.gpx) {
        GpxReadResult result;
        result.gpx = std::move(parse.gpx);
        return result;
    }
    return readRepaired(copy, capture.message(), parse.parsed);
}

std::string gpxReadFailureText(const GpxReadResult& result, const std::string& fileName) {
    switch (result.outcome) {
    case GpxReadResult::Outcome::Loaded:
        return {};
    case GpxReadResult::Outcome::NotGpx:
        return gettext("Not a GPX file: ") + fileName;
    case GpxReadResult::Outcome::CannotOpen:
    case GpxReadResult::Outcome::Unreadable:
        break;
    }
    std::string text = gettext("Could not load GPX: ") + fileName;
    if (!result.error.empty()) {
        text += ": " + result.error;
    }
    return text;
}

std::unique_ptr<Gpx> readGpxFile(const std::string& path) {
    return readGpxFileWithOutcome(path).gpx;
}

std::unique_ptr<Gpx> readGpxText(std::string_view text) {
    return readGpxTextWithOutcome(text).gpx;
}

namespace detail {

std::unique_ptr<Gpx> readRepairedGpxText(std::string_view text) {
    return readRepaired(std::string(text.substr(0, text.find('\0'))), {}, false).gpx;
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
        !readField(text, at, 0, 61, second)) {
        return -1;
    }

    // Fractions of a second, as phones and sport watches write them.
    if (at + 1 < text.size() && text[at] == '.' && text[at + 1] >= '0' && text[at + 1] <= '9') {
        ++at;
        while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
            ++at;
        }
    }

    std::int64_t offsetSeconds = 0;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        const int sign = text[at] == '-' ? -1 : 1;
        ++at;
        if (at + 5 > text.size()) {
            return -1;
        }
        auto digit = [&](std::size_t i) { return text[i] >= '0' && text[i] <= '9'; };
        if (!digit(at) || !digit(at + 1) || text[at + 2] != ':' || !digit(at + 3) ||
            !digit(at + 4)) {
            return -1;
        }
        const int offsetHours = (text[at] - '0') * 10 + (text[at + 1] - '0');
        const int offsetMinutes = (text[at + 3] - '0') * 10 + (text[at + 4] - '0');
        if (offsetHours > 14 || offsetMinutes > 59) {
            return -1;
        }
        offsetSeconds = sign * (offsetHours * 3600 + offsetMinutes * 60);
    } else if (!readLiteral(text, at, 'Z')) {
        return -1;
    }

    const std::int64_t days = daysFromCivil(year, month) + (day - 1);
    const std::int64_t seconds = days * 86400 + hour * 3600 + minute * 60 + second - offsetSeconds;
    if (seconds < 0 || seconds > std::numeric_limits<std::int32_t>::max()) {
        return -1;
    }
    return static_cast<std::int32_t>(seconds);
}

} // namespace trakmoor
