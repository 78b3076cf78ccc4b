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
    const std::string block = randomBytes(1 << 20, 7);
    std::string junk;
    junk.reserve(100 << 20);
    for (int i = 0; i < 100; ++i)
        junk += block;
    EXPECT_FALSE(readGpxFile(write("junk.gpx", junk).string()));
}

TEST_F(GpxBadInput, TruncatedFilesKeepWhatWasComplete) {
    const std::string text = test::readWholeFile(test::gpxDataDir() / "gpxpy__korita-zbevnica.gpx");
    for (std::size_t cut : {text.size() / 10, text.size() / 2, text.size() - 20}) {
        auto gpx = readGpxText(text.substr(0, cut));
        ASSERT_TRUE(gpx) << "cut at " << cut;
        ASSERT_GE(gpx->trackCount(), 1);
    }
    auto points = [](const Gpx& gpx) {
        int count = 0;
        for (int t = 0; t < gpx.trackCount(); ++t)
            count += gpx.trackAt(t)->pointCount();
        return count;
    };
    const int halfPoints = points(*readGpxText(text.substr(0, text.size() / 2)));
    EXPECT_GT(halfPoints, 0);
    EXPECT_LT(halfPoints, points(*readGpxText(text)));
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
    // A million tags that never close: the depth is judged in one pass, not one per tag.
    std::string unclosed = "<gpx>";
    for (int i = 0; i < 1000000; ++i)
        unclosed += "<a";
    EXPECT_FALSE(readGpxText(unclosed));
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

// Records nested in records, as Tidy leaves elements that were never closed or as a hostile file
// writes them: each track gets its own points once, and reading stays linear in the file.
TEST(GpxNesting, NestedRecordsKeepTheirOwnData) {
    const int depth = 20000;
    std::string text = "<gpx>";
    for (int i = 0; i < depth; ++i)
        text += "<trk><trkseg><trkseg><trkpt lat=\"" + std::to_string(i) + "\" lon=\"1\">";
    for (int i = 0; i < depth; ++i)
        text += "</trkpt></trkseg></trkseg></trk>";
    text += "</gpx>";
    auto gpx = readGpxText(text);
    ASSERT_TRUE(gpx);
    ASSERT_EQ(gpx->trackCount(), depth);
    for (int i : {0, 1, depth - 1}) {
        ASSERT_EQ(gpx->trackAt(i)->pointCount(), 1) << i;
        EXPECT_EQ(gpx->trackAt(i)->pointAt(0)->lat(), i);
    }

    // A point takes its elevation from below itself, not from a point nested in it.
    gpx = readGpxText("<gpx><trk><trkseg><trkpt lat=\"1\" lon=\"1\"><trkpt lat=\"2\" lon=\"2\">"
                      "<ele>5</ele></trkpt><name>outer</name></trkpt></trkseg></trk></gpx>");
    ASSERT_TRUE(gpx);
    const Track& track = *gpx->trackAt(0);
    ASSERT_EQ(track.pointCount(), 2);
    EXPECT_EQ(track.name(), "outer");
    EXPECT_EQ(track.pointAt(0)->ele(), 0.0);
    EXPECT_EQ(track.pointAt(1)->ele(), 5.0);
}
