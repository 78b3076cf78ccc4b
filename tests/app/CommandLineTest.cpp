#include "app/CommandLine.h"

#include <gtest/gtest.h>

#include <string_view>
#include <tuple>
#include <vector>

namespace trakmoor {
namespace {

TEST(CommandLine, AcceptedLines) {
    struct Case {
        std::vector<std::string_view> arguments;
        int width, height;
        bool fullscreen;
        std::vector<std::string> positional;
    };
    const Case cases[] = {
        {{}, 1100, 720, false, {}},
        {{"--window-size", "1024 x 768"}, 1024, 768, false, {}},
        {{"--window-size", " 850x650 "}, 850, 650, false, {}},
        {{"--window-size", "8192x8192"}, 8192, 8192, false, {}},
        {{"--window-size", "fullscreen"}, 1100, 720, true, {}},
        {{"a.gpx", "--window-size", "900x700", "b.osm"}, 900, 700, false, {"a.gpx", "b.osm"}},
        // A single dash does not make an option.
        {{"-", "-x.gpx"}, 1100, 720, false, {"-", "-x.gpx"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.empty() ? "(none)" : std::string(c.arguments.back()));
        const auto settings = parseCommandLine(c.arguments);
        ASSERT_TRUE(settings.has_value());
        EXPECT_EQ(std::tie(settings->width, settings->height, settings->fullscreen),
                  std::tie(c.width, c.height, c.fullscreen));
        EXPECT_EQ(settings->positional, c.positional);
    }
}

TEST(CommandLine, InfoWithoutWindow) {
    const std::string_view arguments[] = {"--json", "--info", "ride.fit"};
    const auto settings = parseCommandLine(arguments);
    ASSERT_TRUE(settings.has_value());
    EXPECT_EQ(settings->infoFile, "ride.fit");
    EXPECT_TRUE(settings->infoJson);
    EXPECT_TRUE(settings->positional.empty());
}

TEST(CommandLine, RejectedLines) {
    for (std::string_view size :
         {"849x700", "900x649", "8193x700", "900X700", "900x700x", "x700", "", "99999999999x700"}) {
        const std::string_view arguments[] = {"--window-size", size};
        EXPECT_FALSE(parseCommandLine(arguments).has_value()) << "size " << size;
    }
    for (const std::vector<std::string_view>& arguments :
         {std::vector<std::string_view>{"--window-size"},
          {"--window-size", "fullscreen", "--window-size", "900x700"},
          {"--help"},
          {"a.gpx", "b.osm", "c.osm"},
          {"--info"},
          {"--json"},
          {"--info", "a.fit", "b.osm"},
          {"--info", "a.fit", "--window-size", "900x700"},
          {"--info", "a.fit", "--json", "--json"}}) {
        EXPECT_FALSE(parseCommandLine(arguments).has_value()) << arguments.back();
    }
}

TEST(CommandLine, WhatIsLoadedAtStart) {
    using Kind = StartupFiles::Kind;
    struct Case {
        std::vector<std::string> positional;
        Kind kind;
        std::string track, map;
    };
    const Case cases[] = {
        {{}, Kind::SampleAndDefaultMap, "", ""},
        {{"dir.d/vaduz.xml"}, Kind::SampleAndMap, "", "dir.d/vaduz.xml"},
        // A map given alone takes no second argument.
        {{"vaduz.osm", "other.osm"}, Kind::SampleAndMap, "", "vaduz.osm"},
        // Map names in any case and of any map format; a name that is only an ending is none.
        {{"VADUZ.OSM"}, Kind::SampleAndMap, "", "VADUZ.OSM"},
        {{"vaduz.osm.pbf"}, Kind::SampleAndMap, "", "vaduz.osm.pbf"},
        {{".osm"}, Kind::TrackFile, ".osm", ""},
        {{"ride.gpx", "vaduz.osm"}, Kind::TrackFile, "ride.gpx", "vaduz.osm"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.positional.empty() ? "(none)" : c.positional.front());
        const StartupFiles files = startupFiles(c.positional);
        EXPECT_EQ(std::tie(files.kind, files.track, files.map), std::tie(c.kind, c.track, c.map));
    }
}

} // namespace
} // namespace trakmoor
