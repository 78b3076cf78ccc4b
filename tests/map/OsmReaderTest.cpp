#include "map/OsmReader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <sstream>

using namespace trakmoor;
using enum FeatureClass;
using Outcome = OsmMapReadResult::Outcome;

namespace {

// Nodes 1..9 on a small grid, so tests only need to write their ways and relations; in tenths of
// a degree their latitudes are 0 0 10 10 20 20 5 6 6.
const std::string kNodes = [] {
    const double coordinates[][2] = {{0, 0}, {0, 1},     {1, 1},     {1, 0},    {2, 0},
                                     {2, 1}, {0.5, 0.5}, {0.6, 0.5}, {0.6, 0.6}};
    std::string text = "<osm>\n";
    for (int i = 0; i < 9; ++i)
        text += "<node id=\"" + std::to_string(i + 1) + "\" lat=\"" +
                std::to_string(coordinates[i][0]) + "\" lon=\"" +
                std::to_string(coordinates[i][1]) + "\"/>\n";
    return text;
}();

std::string tag(const std::string& key, const std::string& value) {
    return "<tag k=\"" + key + "\" v=\"" + value + "\"/>\n";
}

// Members written "ID:ROLE", with an 'n' or 'r' before the id for a node or relation member.
std::string relation(const std::string& members, const std::string& tags) {
    std::string text = "<relation id=\"1\">\n";
    std::istringstream in(members);
    for (std::string member; in >> member;) {
        const char* type = member[0] == 'n' ? "node" : member[0] == 'r' ? "relation" : "way";
        const std::size_t idStart = std::isdigit(static_cast<unsigned char>(member[0])) ? 0 : 1;
        const std::size_t colon = member.find(':');
        text += std::string("<member type=\"") + type + "\" ref=\"" +
                member.substr(idStart, colon - idStart) + "\" role=\"" + member.substr(colon + 1) +
                "\"/>\n";
    }
    return text + tags + "</relation>\n";
}

const std::string kMultipolygon = tag("type", "multipolygon");

std::vector<MapFeature> load(const std::string& body) {
    OsmMapReadResult result = readOsmMapText(kNodes + body + "</osm>\n");
    EXPECT_EQ(result.outcome, Outcome::Loaded) << result.error;
    return std::move(result.features);
}

std::string errorOf(const std::string& text) {
    const OsmMapReadResult result = readOsmMapText(text);
    EXPECT_EQ(result.outcome, Outcome::Invalid);
    EXPECT_TRUE(result.features.empty());
    return result.error;
}

std::string way(const std::string& id, std::initializer_list<std::int64_t> refs,
                const std::string& tags) {
    std::string text = "<way id=\"" + id + "\">\n";
    for (const std::int64_t ref : refs)
        text += "<nd ref=\"" + std::to_string(ref) + "\"/>\n";
    return text + tags + "</way>\n";
}

// Each feature as "class name: latitudes of its points / of each ring", latitudes in tenths of a
// degree, and "closed" where it is.
std::string describe(const std::vector<MapFeature>& features) {
    std::string text;
    auto lats = [&](const std::vector<MapPoint>& points) {
        for (const MapPoint& p : points)
            text += " " + std::to_string(static_cast<int>(std::lround(p.lat * 10)));
    };
    for (const MapFeature& f : features) {
        text += std::to_string(static_cast<int>(f.featureClass)) + " " + f.name + ":";
        lats(f.points);
        for (const auto& ring : f.rings) {
            text += " /";
            lats(ring);
        }
        text += f.closed ? " closed; " : "; ";
    }
    return text;
}

} // namespace

// Any layout of well-formed XML reads the same; anything not well-formed fails with a reason.
TEST(OsmReader, LayoutsAndStructure) {
    const std::string road = way("10", {1, 2, 3}, tag("highway", "primary"));
    for (const char* text :
         {"<osm><node id='1' lat='0' lon='0'/><node lon=\"1\" lat=\"1\" id=\"2\"/>"
          "<way id='10'><tag v='primary' k='highway'/><nd ref='1'/><nd\r\n\tref = \"2\" /></way>"
          "</osm>",
          "\xEF\xBB\xBF<?xml version='1.0'?>\n<!DOCTYPE osm>\n<!-- x -->\n<osm version='0.6'>\n"
          "<bounds minlat='0'/><note>text <![CDATA[<way>]]></note>\n<node id='1' lat='0' lon='0'>"
          "<tag k='highway' v='x'/></node><node id='2' lat='1' lon='1'></node>\n<way id='10'><nd "
          "ref='1'/><nd ref='2'/><tag k='highway' v='primary'/></way>\n<relation id='1'/></osm>\n"}) {
        const OsmMapReadResult result = readOsmMapText(text);
        EXPECT_EQ(result.outcome, Outcome::Loaded) << result.error;
        EXPECT_EQ(describe(result.features), "2 : 0 10; ") << text;
    }
    EXPECT_EQ(describe(load(road)), "2 : 0 0 10; ");
    EXPECT_TRUE(load("").empty());

    const struct {
        std::string text;
        const char* error;
    } kBroken[] = {
        {"", "no <osm> element found"},
        {" \n", "no <osm> element found"},
        {kNodes + road, "at byte 505: the file ends before </osm>: it is cut short"},
        {kNodes + "<way id='1'>", "the file ends before </osm>"},
        {kNodes + "<way id=\"1", "the file ends inside markup"},
        {"ef=\"3\"/>\n<nd ref='2'/>", "at byte 0: text before the <osm> element"},
        {"<nd ref='2'/>", "the root element is <nd>, not <osm>"},
        {kNodes + "</way></osm>", "</way> closes <osm>"},
        {"<osm></osm><osm></osm>", "at byte 11: a second root element <osm> after </osm>"},
        {"<osm></osm>x", "text after </osm>"},
        {"<osm><way id=1/></osm>", "an attribute value without quotes in <way>"},
        {"<osm><way id='1'x='2'/></osm>", "attributes of <way> run together"},
        {"<osm><way id/></osm>", "a malformed attribute in <way>"},
        {"<osm><tag k='a v='b'/>\n<tag k='c'/></osm>", "attributes of <tag> run together"},
        {"<osm><tag k='a/>\n<tag k='c'/></osm>", "a '<' inside an attribute value of <tag>"},
        {"<osm>< way/></osm>", "a '<' that starts no element"},
        {"<osm><way/ ></osm>", "a '/' inside <way>"},
        {"<osm><!x></osm>", "a '<!' that starts no comment"},
    };
    for (const auto& broken : kBroken)
        EXPECT_NE(errorOf(broken.text).find(broken.error), std::string::npos)
            << broken.text << " -> " << errorOf(broken.text);
}

TEST(OsmReader, NumbersAndIds) {
    EXPECT_EQ(errorOf("<osm><node id=\"1\" lat=\"1\" lon=\"nan\"/>"), "Invalid XML number: nan");
    // A node missing an attribute is skipped before anything is converted.
    EXPECT_EQ(load("<node id=\"x\" lat=\"nan\"/>\n").size(), 0u);

    auto features = load("<node id=\"100\" lat=\"1e-3\" lon=\"-0\"/>\n" +
                         way("10", {100, 1}, "<tag k=\"highway\" v=\"path\"/>\n"));
    ASSERT_EQ(features.size(), 1u);
    EXPECT_DOUBLE_EQ(features[0].points[0].lat, 0.001);

    // Ids convert like stoll, and the extremes of their range are ordinary ids.
    features = load(R"(<node id=" -7xyz" lat="3" lon="3"/>
<way id="10">
<nd ref="-7"/>
<nd ref="1 2"/>
<nd ref="2x"/>
<nd ref=""/>
<tag k="highway" v="path"/>
</way>
)");
    EXPECT_EQ(describe(features), "6 : 30 0 0; ");
    features = load("<node id=\"-9223372036854775808\" lat=\"4\" lon=\"4\"/>\n"
                    "<node id=\"9223372036854775807\" lat=\"5\" lon=\"5\"/>\n" +
                    way("-9223372036854775808", {INT64_MAX, INT64_MIN}, tag("railway", "rail")));
    EXPECT_EQ(describe(features), "7 : 50 40; ");

    EXPECT_EQ(errorOf("<osm><node id=\"99999999999999999999\" lat=\"1\" lon=\"1\"/>"), "stoll");
    EXPECT_EQ(errorOf("<osm><relation id=\"1\">\n<member type=\"way\" ref=\"r\"/>"), "stoll");
    // The id is converted before the coordinates.
    EXPECT_EQ(errorOf("<osm><node id=\"a\" lat=\"+1\" lon=\"1\"/>"), "stoll");
}

TEST(OsmReader, WaysNodesAndTags) {
    // Closed ways; unresolved nodes are left out, and a way with fewer than two points too.
    const std::string road = "<tag k=\"highway\" v=\"residential\"/>\n";
    auto features = load(way("10", {1, 2, 1}, road) + way("11", {1, 1}, road) +
                         way("12", {1, 2, 3, 1}, road) + way("13", {50, 51}, road) +
                         way("14", {50, 1, 51}, road) + way("15", {1, 50, 2}, road) +
                         way("0", {1, 2}, road) + "<way>\n<nd ref=\"1\"/>\n</way>\n");
    // Way 15 without node 50.
    EXPECT_EQ(describe(features), "4 : 0 0 0 closed; 4 : 0 0; 4 : 0 0 10 0 closed; 4 : 0 0; ");

    features = load(R"(<node id="2" lat="0.7" lon="0"/>
)" + way("10", {1, 2}, "<tag k=\"highway\" v=\"path\"/>\n") +
                    way("10", {3, 4}, "<tag k=\"highway\" v=\"primary\"/>\n"));
    // The first way stays, the last node wins.
    EXPECT_EQ(describe(features), "6 : 0 7; ");

    // Tags decode entities, and later keys win.
    features = load(way("10", {1, 2}, R"(<tag k="name" v="Gasse"/>
<tag k="highway" v="path"/>
<tag k="highway" v="primary"/>
<tag k="name&#58;de" v="&quot;Weg&quot;"/>
<tag k="" v="motorway"/>
)"));
    EXPECT_EQ(describe(features), "2 \"Weg\": 0 0; ");
}

TEST(OsmReader, MultipolygonJoinsSplitAndReversedOuterWays) {
    // Outer ring 1-2-3-4-1 in three pieces, one of them reversed; inner ring 7-8-9-7 closed.  The
    // outer ring starts from the last outer segment (12: 4-1), extends with 10 then 11 reversed.
    EXPECT_EQ(
        describe(load(way("10", {1, 2}, "") + way("11", {4, 3, 2}, "") + way("12", {4, 1}, "") +
                      way("13", {7, 8, 9, 7}, "") +
                      relation("10:outer n1:outer 11: 13:inner 12:outer 404:outer r1:outer",
                               kMultipolygon + tag("natural", "water") + tag("name", "See")))),
        "9 See: 10 0 0 10 10 / 5 6 6 5 closed; ");

    // Multipolygons that yield nothing.
    const std::string forest = kMultipolygon + tag("landuse", "forest");
    EXPECT_TRUE(load(way("10", {1, 2, 3}, "") + way("11", {3, 4}, "") + way("12", {1, 2, 1}, "") +
                     relation("10:outer 11:outer", forest) + // never closes
                     relation("10:inner", forest) + relation("77:outer r1:", forest) +
                     relation("12:", forest)) // a closed ring too short
                    .empty());
}

TEST(OsmReader, MemberWaysAreHiddenOnlyForAreaClasses) {
    const auto features =
        load(way("10", {1, 2, 3, 1}, tag("building", "yes")) +
             way("11", {1, 2, 3, 1}, tag("highway", "pedestrian")) +
             way("12", {3, 4, 5, 3}, tag("landuse", "grass")) +
             way("13", {1, 4, 3, 1}, tag("building", "yes")) +
             relation("10:outer 11:odd 12:odd", kMultipolygon + tag("building", "yes")) +
             // Not a qualifying relation: its members stay visible.
             relation("13:", kMultipolygon + tag("highway", "pedestrian")));
    // Way 11, a member but a line; way 13; the relation, after all ways.
    EXPECT_EQ(describe(features), "6 : 0 0 10 0 closed; 16 : 0 10 10 0 closed; "
                                  "16 : 0 0 10 0 closed; ");
}

TEST(OsmReader, RingsThatWouldNeedMemoryOutOfProportionFail) {
    // A few kilobytes of members repeat one long closed way; honouring them would take
    // hundreds of times the file's size.
    std::string text = kNodes + "<way id=\"10\">\n";
    for (int i = 0; i <= 100000; ++i)
        text += "<nd ref=\"" + std::to_string(i % 9 + 1) + "\"/>\n";
    text += "<nd ref=\"1\"/>\n</way>\n";
    std::string members;
    for (int i = 0; i < 200; ++i)
        members += "10: ";
    const OsmMapReadResult result = readOsmMapText(
        text + relation(members, kMultipolygon + tag("natural", "water")) + "</osm>");
    EXPECT_EQ(result.outcome, Outcome::Invalid);
    EXPECT_EQ(result.error, "std::bad_alloc");

    // A way shared by two multipolygons is ordinary.
    const std::string lake = relation("10:", kMultipolygon + tag("natural", "water"));
    EXPECT_EQ(load(way("10", {1, 2, 3, 4, 1}, "") + lake + lake).size(), 2u);
}

// ---------------------------------------------------------------------------------------------
// Ring assembly, checked against a plain transcription of the joining rules on random chains.

namespace {

using Refs = std::vector<std::int64_t>;

std::vector<Refs> referenceRings(std::vector<Refs> segments) {
    std::vector<Refs> result;
    while (!segments.empty()) {
        Refs ring = segments.back();
        segments.pop_back();
        while (true) {
            if (ring.front() == ring.back()) {
                if (ring.size() >= 4)
                    result.push_back(ring);
                break;
            }
            bool joined = false;
            for (auto s = segments.begin(); s != segments.end() && !joined; ++s) {
                Refs seg = *s;
                if (seg.front() == ring.back()) {
                    ring.insert(ring.end(), seg.begin() + 1, seg.end());
                } else if (seg.back() == ring.back()) {
                    ring.insert(ring.end(), seg.rbegin() + 1, seg.rend());
                } else if (seg.back() == ring.front()) {
                    ring.insert(ring.begin(), seg.begin(), seg.end() - 1);
                } else if (seg.front() == ring.front()) {
                    ring.insert(ring.begin(), seg.rbegin(), seg.rend() - 1);
                } else {
                    continue;
                }
                segments.erase(s);
                joined = true;
            }
            if (!joined)
                break;
        }
    }
    return result;
}

} // namespace

TEST(AssembleRings, AgreesWithTheJoiningRulesOnRandomChains) {
    std::mt19937 random(11);
    for (int round = 0; round < 3000; ++round) {
        const int alphabet = 2 + static_cast<int>(random() % 8);
        std::vector<Refs> segments(random() % 9);
        for (Refs& segment : segments) {
            segment.resize(2 + random() % 4);
            for (std::int64_t& ref : segment)
                ref = static_cast<std::int64_t>(random() % alphabet);
        }
        std::vector<std::span<const std::int64_t>> spans(segments.begin(), segments.end());
        ASSERT_EQ(AssembleRings(spans), referenceRings(segments)) << "round " << round;
    }
}

TEST(AssembleRings, ManyOpenSegmentsStayFast) {
    // Tens of thousands of segments that never touch must not cost a pairwise search.
    std::vector<Refs> segments;
    for (std::int64_t i = 0; i < 60000; ++i)
        segments.push_back({2 * i, 2 * i + 1});
    segments.push_back({-1, -2, -3, -1});
    std::vector<std::span<const std::int64_t>> spans(segments.begin(), segments.end());
    const auto rings = AssembleRings(spans);
    ASSERT_EQ(rings.size(), 1u);
    EXPECT_EQ(rings[0], (Refs{-1, -2, -3, -1}));
}
