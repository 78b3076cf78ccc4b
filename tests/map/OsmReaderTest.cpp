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
    OsmMapReadResult result = readOsmMapText(kNodes + body);
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

// The scanner looks at one match per line, and only a closing line ends an element.
TEST(OsmReader, LineRules) {
    // "<nd " before "</way>" on one line leaves the way open; the tag after it still belongs to it.
    auto features = load(R"(<way id="10">
<nd ref="1"/>
<nd ref="2"/></way>
<tag k="highway" v="primary"/>
</way>
)");
    EXPECT_EQ(describe(features), "2 : 0 0; ");

    // A way start line ignores a tag on the same line; a node line wins over a way start.
    features = load(R"(<way id="11"><tag k="highway" v="primary"/>
<nd ref="1"/>
<nd ref="2"/>
</way>
<node id="1" lat="9" lon="9"/><way id="12">
<nd ref="1"/>
)");
    EXPECT_TRUE(features.empty());

    // Self-closing elements stay open until their closing line; the relation is never closed, so
    // it is not stored and the way is drawn.
    features = load(R"(<way id="10"/>
<relation id="99"/>
<nd ref="1"/>
<nd ref="3"/>
<tag k="highway" v="service"/>
</way>
<relation id="20"/>
<member type="way" ref="10" role="outer"/>
<tag k="type" v="multipolygon"/>
)");
    EXPECT_EQ(describe(features), "5 : 0 10; ");

    // A tag line closes a relation when it also holds "</relation>"; a way member line does not.
    features = load(way("10", {1, 2, 3, 4, 1}, "") + R"(<relation id="1">
<member type="way" ref="10" role="outer"/></relation>
<tag k="landuse" v="residential"/>
<tag k="type" v="multipolygon"/></relation>
<tag k="landuse" v="industrial"/>
)");
    EXPECT_EQ(describe(features), "13 : 0 0 10 10 0 closed; ");

    for (const char* text : {"", "<?xml version='1.0'?>\n<osm>\n</osm>", "<", "<node",
                             "</way></relation>", "\r\n<way id=\"1\">\r\n</way>\r\n"}) {
        const OsmMapReadResult result = readOsmMapText(text);
        EXPECT_EQ(result.outcome, Outcome::Loaded) << text;
        EXPECT_TRUE(result.features.empty()) << text;
    }
}

TEST(OsmReader, NumbersAndIds) {
    EXPECT_EQ(errorOf("<node id=\"1\" lat=\"1\" lon=\"nan\"/>"), "Invalid XML number: nan");
    // A node missing an attribute is skipped before anything is converted.
    EXPECT_EQ(readOsmMapText("<node id=\"x\" lat=\"nan\"/>\n").outcome, Outcome::Loaded);

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

    EXPECT_EQ(errorOf("<node id=\"99999999999999999999\" lat=\"1\" lon=\"1\"/>"), "stoll");
    EXPECT_EQ(errorOf("<relation id=\"1\">\n<member type=\"way\" ref=\"r\"/>"), "stoll");
    // The id is converted before the coordinates.
    EXPECT_EQ(errorOf("<node id=\"a\" lat=\"+1\" lon=\"1\"/>"), "stoll");
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
    const OsmMapReadResult result =
        readOsmMapText(text + relation(members, kMultipolygon + tag("natural", "water")));
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
