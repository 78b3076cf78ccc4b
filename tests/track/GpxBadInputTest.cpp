// Input that is not a GPX file at all: never a crash, never a leak (the test build runs under
// AddressSanitizer), and no document.

#include "track/GpxReader.h"

#include "GpxTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

using namespace trakmoor;
namespace fs = std::filesystem;

namespace {

class GpxBadInput : public ::testing::Test {
protected:
    fs::path dir =
        fs::temp_directory_path() /
        ("trakmoor-gpx-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
         ::testing::UnitTest::GetInstance()->current_test_info()->name());
    void SetUp() override { fs::create_directories(dir); }
    void TearDown() override { fs::remove_all(dir); }
    fs::path write(const std::string& name, const std::string& content) {
        fs::path path = dir / name;
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }
};

std::string randomBytes(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes)
        c = static_cast<char>(random());
    return bytes;
}

} // namespace

TEST_F(GpxBadInput, FilesThatCannotBeReadGiveNoDocument) {
    EXPECT_FALSE(readGpxFile((dir / "missing.gpx").string()));
    EXPECT_FALSE(readGpxFile(dir.string()));
    EXPECT_FALSE(readGpxFile(write("empty.gpx", "").string()));
    EXPECT_FALSE(readGpxText(""));
}

TEST_F(GpxBadInput, JunkGivesNoDocument) {
    for (unsigned seed = 1; seed <= 20; ++seed)
        EXPECT_FALSE(readGpxText(randomBytes(4096, seed))) << "seed " << seed;
    // Tidy closes a lone opening tag: a document without tracks.
    auto unclosed = readGpxText("<gpx");
    ASSERT_TRUE(unclosed);
    EXPECT_EQ(unclosed->trackCount(), 0);
    EXPECT_FALSE(readGpxText("<<<>>>&&&;;"));
    EXPECT_FALSE(readGpxText("<html><body>gpx</body></html>"));
    // Junk after an opening gpx tag goes through Tidy's repair.
    EXPECT_NO_FATAL_FAILURE(readGpxText("<gpx>" + randomBytes(100000, 99)));
}

TEST_F(GpxBadInput, AHundredMegabytesOfJunkGiveNoDocument) {
    std::string junk = randomBytes(100 << 20, 7);
    EXPECT_FALSE(readGpxFile(write("junk.gpx", junk).string()));
}

TEST_F(GpxBadInput, TruncatedFilesKeepWhatWasComplete) {
    const std::string text = test::readWholeFile(test::gpxDataDir() / "gpxpy__korita-zbevnica.gpx");
    for (std::size_t cut : {text.size() / 10, text.size() / 2, text.size() - 20}) {
        auto gpx = readGpxText(text.substr(0, cut));
        ASSERT_TRUE(gpx) << "cut at " << cut;
        ASSERT_GE(gpx->trackCount(), 1);
    }
    auto half = readGpxText(text.substr(0, text.size() / 2));
    auto whole = readGpxText(text);
    int halfPoints = 0, wholePoints = 0;
    for (int t = 0; t < half->trackCount(); ++t)
        halfPoints += half->trackAt(t)->pointCount();
    for (int t = 0; t < whole->trackCount(); ++t)
        wholePoints += whole->trackAt(t)->pointCount();
    EXPECT_GT(halfPoints, 0);
    EXPECT_LT(halfPoints, wholePoints);
}

TEST_F(GpxBadInput, DeepNestingNeitherCrashesNorRecursesWithoutBound) {
    const int depth = 100000;
    std::string open, close;
    for (int i = 0; i < depth; ++i) {
        open += "<a>";
        close += "</a>";
    }
    // Well-formed, but without a gpx element.
    EXPECT_FALSE(readGpxText(open + close));
    // A gpx element at the bottom of the pile is still found.
    auto gpx = readGpxText(open + "<gpx><wpt lat=\"1\" lon=\"2\"/></gpx>" + close);
    ASSERT_TRUE(gpx);
    EXPECT_EQ(gpx->trackCount(), 1);
    // Not well-formed: too deep to repair.
    EXPECT_FALSE(readGpxText("<gpx>" + open));
    EXPECT_FALSE(readGpxText(open + "<gpx>"));
}

// Inputs the fuzzer found; the file's extension tells whether a document is expected.
TEST(GpxRegression, FuzzFindingsReadAsExpected) {
    const fs::path dir = test::gpxDataDir() / "fuzz";
    int cases = 0;
    for (const auto& entry : fs::directory_iterator(dir)) {
        const std::string extension = entry.path().extension().string();
        if (extension != ".doc" && extension != ".none")
            continue;
        ++cases;
        auto gpx = readGpxText(test::readWholeFile(entry.path()));
        EXPECT_EQ(static_cast<bool>(gpx), extension == ".doc") << entry.path().filename();
    }
    EXPECT_GT(cases, 0);
}
