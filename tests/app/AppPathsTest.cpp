#include "app/AppPaths.h"
#include "gui/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace trakmoor {
namespace {

namespace fs = std::filesystem;

std::string joined(const std::vector<fs::path>& paths) {
    std::string text;
    for (const fs::path& path : paths) {
        text += (text.empty() ? "" : " ") + path.string();
    }
    return text;
}

// The order of the map candidates is seen in FirstExistingMapWins and the catalogues' in the
// installed program's German; here only a missing or empty program name.
TEST(AppPaths, CataloguesWithoutAProgramName) {
    for (const char* argument0 : {static_cast<const char*>(nullptr), ""}) {
        EXPECT_EQ(joined(localizationCandidates(std::nullopt, argument0)),
                  "data/locale locale ../share/locale");
    }
}

TEST(AppPaths, FirstExistingMapWins) {
    // Relative candidates are looked up from the working folder, so the test moves into one.
    const fs::path previous = fs::current_path();
    const TempDir tmp;
    const fs::path& root = tmp.path();
    fs::create_directories(root / "work" / "sub");
    fs::current_path(root / "work" / "sub");
    auto touch = [](const fs::path& path) {
        fs::create_directories(path.parent_path());
        std::ofstream(path) << "<osm/>\n";
    };
    const fs::path exe = root / "exe";
    const auto candidates = defaultMapCandidates(exe);
    EXPECT_FALSE(findDefaultMap(candidates).has_value());
    touch(root / "map.osm"); // ../../map.osm from the working folder
    EXPECT_EQ(findDefaultMap(candidates), "../../map.osm");
    fs::create_directories("data.osm"); // a folder of that name is not a map
    EXPECT_EQ(findDefaultMap(candidates), "../../map.osm");
    touch("data/data.osm");
    EXPECT_EQ(findDefaultMap(candidates), "data/data.osm");
    touch(root / "share" / "trakmoor" / "data.osm"); // installed in PREFIX/bin and PREFIX/share
    EXPECT_EQ(findDefaultMap(candidates), (root / "share" / "trakmoor" / "data.osm").string());
    touch(exe / "data" / "data.osm");
    EXPECT_EQ(findDefaultMap(candidates), (exe / "data" / "data.osm").string());
    fs::current_path(previous);
}

} // namespace
} // namespace trakmoor
