#include "app/CommandLine.h"

#include <gtest/gtest.h>

#include <string_view>
#include <vector>

namespace trakmoor {
namespace {

TEST(CommandLine, AcceptedLines) {
    struct Case {
        std::vector<std::string_view> arguments;
        int width;
        int height;
        bool fullscreen;
        std::vector<std::string> positional;
    };
    const Case cases[] = {
        {{}, 1100, 720, false, {}},
        {{"--window-size", "1024x768"}, 1024, 768, false, {}},
        {{"--window-size", "1024 x 768"}, 1024, 768, false, {}},
        {{"--window-size", " 850x650 "}, 850, 650, false, {}},
        {{"--window-size", "8192x8192"}, 8192, 8192, false, {}},
        {{"--window-size", "fullscreen"}, 1100, 720, true, {}},
        {{"ride.gpx", "--window-size", "900x700", "map.osm"},
         900,
         700,
         false,
         {"ride.gpx", "map.osm"}},
        // A single dash does not make an option.
        {{"-", "-x.gpx"}, 1100, 720, false, {"-", "-x.gpx"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.empty() ? "(none)" : std::string(c.arguments.front()));
        const auto settings = parseCommandLine(c.arguments);
        ASSERT_TRUE(settings.has_value());
        EXPECT_EQ(settings->width, c.width);
        EXPECT_EQ(settings->height, c.height);
        EXPECT_EQ(settings->fullscreen, c.fullscreen);
        EXPECT_EQ(settings->positional, c.positional);
    }
}

TEST(CommandLine, RejectedLines) {
    const std::vector<std::vector<std::string_view>> cases = {
        {"--window-size", "849x700"},
        {"--window-size", "900x649"},
        {"--window-size", "8193x700"},
        {"--window-size", "900X700"},
        {"--window-size", "900x700x"},
        {"--window-size", "900x"},
        {"--window-size", "x700"},
        {"--window-size", ""},
        {"--window-size", "Fullscreen"},
        {"--window-size", "99999999999x700"},
        {"--window-size"},
        {"a.gpx", "--window-size"},
        {"--window-size", "900x700", "--window-size", "900x700"},
        {"--window-size", "fullscreen", "--window-size", "900x700"},
        {"--help"},
        {"--"},
        {"a.gpx", "b.osm", "c.osm"},
    };
    for (const auto& arguments : cases) {
        std::string line;
        for (std::string_view argument : arguments) {
            line += std::string(argument) + " ";
        }
        EXPECT_FALSE(parseCommandLine(arguments).has_value()) << line;
    }
}

TEST(CommandLine, UsageText) {
    EXPECT_STREQ(usageText,
                 "Usage: trakmoor.bin [--window-size WIDTHxHEIGHT|fullscreen] [TRACK.gpx] "
                 "[MAP.osm]\n");
}

TEST(CommandLine, WhatIsLoadedAtStart) {
    using Kind = StartupFiles::Kind;
    struct Case {
        std::vector<std::string> positional;
        Kind kind;
        std::string track;
        std::string map;
    };
    const Case cases[] = {
        {{}, Kind::SampleAndDefaultMap, "", ""},
        {{"vaduz.osm"}, Kind::SampleAndMap, "", "vaduz.osm"},
        {{"dir.d/vaduz.xml"}, Kind::SampleAndMap, "", "dir.d/vaduz.xml"},
        // A map given alone takes no second argument.
        {{"vaduz.osm", "other.osm"}, Kind::SampleAndMap, "", "vaduz.osm"},
        // The extension is compared as written.
        {{"VADUZ.OSM"}, Kind::TrackFile, "VADUZ.OSM", ""},
        {{"ride.gpx"}, Kind::TrackFile, "ride.gpx", ""},
        {{"ride.gpx", "vaduz.osm"}, Kind::TrackFile, "ride.gpx", "vaduz.osm"},
        {{".osm"}, Kind::TrackFile, ".osm", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.positional.empty() ? "(none)" : c.positional.front());
        const StartupFiles files = startupFiles(c.positional);
        EXPECT_EQ(files.kind, c.kind);
        EXPECT_EQ(files.track, c.track);
        EXPECT_EQ(files.map, c.map);
    }
}

} // namespace
} // namespace trakmoor
