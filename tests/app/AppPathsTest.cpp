#include "app/AppPaths.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace trakmoor {
namespace {

namespace fs = std::filesystem;

// A fresh folder made the working directory for one test, and left again afterwards.
class InTempFolder : public ::testing::Test {
protected:
    void SetUp() override {
        previous_ = fs::current_path();
        root_ = fs::temp_directory_path() /
                ("trakmoor-paths-" + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root_);
        fs::create_directories(root_ / "work" / "sub");
        fs::current_path(root_ / "work" / "sub");
    }
    void TearDown() override {
        fs::current_path(previous_);
        fs::remove_all(root_);
    }
    static void touch(const fs::path& path) {
        fs::create_directories(path.parent_path());
        std::ofstream(path) << "<osm/>\n";
    }

    fs::path previous_;
    fs::path root_;
};

TEST(AppPaths, DefaultMapCandidatesInOrder) {
    const fs::path exe = "/opt/trakmoor/bin";
    const std::vector<fs::path> expected = {exe / "data" / "data.osm",
                                            exe / "data.osm",
                                            "data.osm",
                                            "data/data.osm",
                                            "../../data.osm",
                                            "map.osm",
                                            "../../map.osm",
                                            exe / ".." / ".." / "data.osm"};
    EXPECT_EQ(defaultMapCandidates(exe), expected);
    const std::vector<fs::path> withoutBase = {"data.osm", "data/data.osm", "../../data.osm",
                                               "map.osm", "../../map.osm"};
    EXPECT_EQ(defaultMapCandidates(std::nullopt), withoutBase);
}

TEST_F(InTempFolder, FirstExistingMapWins) {
    const fs::path exe = root_ / "exe";
    const auto candidates = defaultMapCandidates(exe);
    EXPECT_FALSE(findDefaultMap(candidates).has_value());

    touch(root_ / "map.osm"); // ../../map.osm from the working folder
    EXPECT_EQ(findDefaultMap(candidates), "../../map.osm");
    // A folder of that name is not a map.
    fs::create_directories("data.osm");
    EXPECT_EQ(findDefaultMap(candidates), "../../map.osm");
    touch("data/data.osm");
    EXPECT_EQ(findDefaultMap(candidates), "data/data.osm");
    touch(exe / "data" / "data.osm");
    EXPECT_EQ(findDefaultMap(candidates), (exe / "data" / "data.osm").string());
}

TEST(AppPaths, LocalizationCandidatesPreferTheProgramsFolder) {
    const auto candidates =
        localizationCandidates(fs::path("/opt/t/bin"), "/usr/local/bin/trakmoor.bin");
    const std::vector<fs::path> expected = {"/opt/t/bin/data/locale",
                                            "/usr/local/bin/data/locale",
                                            "/usr/local/bin/locale",
                                            "data/locale",
                                            "locale",
                                            "../share/locale",
                                            "/usr/local/bin/../share/locale"};
    EXPECT_EQ(candidates, expected);
    const std::vector<fs::path> relativeOnly = {"data/locale", "locale", "../share/locale"};
    EXPECT_EQ(localizationCandidates(std::nullopt, nullptr), relativeOnly);
    EXPECT_EQ(localizationCandidates(std::nullopt, ""), relativeOnly);
}

TEST(AppPaths, FileNamePart) {
    EXPECT_EQ(fileNamePart("/tracks/tour.gpx"), "tour.gpx");
    EXPECT_EQ(fileNamePart("tour.gpx"), "tour.gpx");
    EXPECT_EQ(fileNamePart("/tracks/Wäschgraba ride.gpx"), "Wäschgraba ride.gpx");
    EXPECT_EQ(fileNamePart(""), "");
}

} // namespace
} // namespace trakmoor
