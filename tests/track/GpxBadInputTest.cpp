// Input that is not a GPX file at all: never a crash, never a leak (the test build runs under
// AddressSanitizer), and no document.

#include "track/GpxReader.h"

#include "GpxTestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <random>
#include <system_error>
#include <unistd.h>

using namespace trakmoor;
namespace fs = std::filesystem;

namespace {

std::string randomBytes(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes)
        c = static_cast<char>(random());
    return bytes;
}

int pointCount(const Gpx& gpx) {
    int count = 0;
    for (int t = 0; t < gpx.trackCount(); ++t)
        count += gpx.trackAt(t)->pointCount();
    return count;
}

} // namespace

TEST(GpxBadInput, UnreadableFilesAndJunkGiveNoDocument) {
    const fs::path dir = fs::temp_directory_path() / ("trakmoor-gpx-" + std::to_string(getpid()));
    fs::create_directories(dir);
    // A hundred megabytes of random bytes.
    const std::string block = randomBytes(1 << 20, 7);
    {
        std::ofstream junk(dir / "junk.gpx", std::ios::binary);
        for (int i = 0; i < 100; ++i)
            junk << block;
    }
    for (const char* name : {"", "junk.gpx"})
        EXPECT_FALSE(readGpxFile((dir / name).string())) << '"' << name << '"';
    fs::remove_all(dir);

    for (unsigned seed = 1; seed <= 20; ++seed)
        EXPECT_FALSE(readGpxText(randomBytes(4096, seed))) << "seed " << seed;
    for (const char* text : {"", "<<<>>>&&&;;", "<html><body>gpx</body></html>"})
        EXPECT_FALSE(readGpxText(text)) << text;
    // Tidy closes a lone opening tag: a document without tracks.
    auto unclosed = readGpxText("<gpx");
    ASSERT_TRUE(unclosed);
    EXPECT_EQ(unclosed->trackCount(), 0);
    // Junk after an opening gpx tag goes through Tidy's repair.
    readGpxText("<gpx>" + randomBytes(100000, 99));
}

TEST(GpxBadInput, TruncatedFilesKeepWhatWasComplete) {
    const std::string text = test::readWholeFile(test::gpxDataDir() / "gpxpy__korita-zbevnica.gpx");
    const int whole = pointCount(*readGpxText(text));
    for (std::size_t cut : {text.size() / 10, text.size() / 2}) {
        auto gpx = readGpxText(text.substr(0, cut));
        ASSERT_TRUE(gpx) << "cut at " << cut;
        EXPECT_GT(pointCount(*gpx), 0) << "cut at " << cut;
        EXPECT_LT(pointCount(*gpx), whole) << "cut at " << cut;
    }
    // Only closing tags lost: every point stays.
    EXPECT_EQ(pointCount(*readGpxText(text.substr(0, text.size() - 20))), whole);
}

TEST(GpxBadInput, DeepNestingNeitherCrashesNorRecursesWithoutBound) {
    std::string open, close;
    for (int i = 0; i < 100000; ++i) {
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

TEST(GpxBadInput, RejectedFilesSayWhyAndNothingReachesTheTerminal) {
    using Outcome = GpxReadResult::Outcome;
    const fs::path dir = fs::temp_directory_path() / ("trakmoor-why-" + std::to_string(getpid()));
    fs::create_directories(dir);
    auto write = [&](const char* name, const std::string& text) {
        std::ofstream(dir / name, std::ios::binary) << text;
        return (dir / name).string();
    };
    const std::string empty = write("empty.gpx", "");
    const std::string page = write("page.gpx", "<html><body><p>gpx</p></body></html>");
    const std::string broken =
        write("broken.gpx", "<gpx>\n<trk><trkseg>\n<trkpt lat=\"1\" lon=\"2\">\n"
                            "</trkseg></trk></gpx>");
    const std::string missing = (dir / "missing.gpx").string();
    const std::string bare = test::readWholeFile(test::gpxDataDir() / "gpsbabel__GC7FA4.gpx");

    const std::string paths[] = {missing, dir.string(), empty, page, broken};
    std::vector<GpxReadResult> results;
    testing::internal::CaptureStderr();
    for (const std::string& path : paths)
        results.push_back(readGpxFileWithOutcome(path));
    // Tidy's repair of this file leaves a bare '<' that Mini-XML complains about.
    EXPECT_TRUE(detail::readRepairedGpxText(bare));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    fs::remove_all(dir);

    const std::pair<Outcome, std::string> expected[] = {
        {Outcome::CannotOpen,
         "Could not load GPX: " + missing + ": " + std::generic_category().message(ENOENT)},
        {Outcome::CannotOpen,
         "Could not load GPX: " + dir.string() + ": " + std::generic_category().message(EISDIR)},
        {Outcome::NotGpx, "Not a GPX file: " + empty},
        {Outcome::NotGpx, "Not a GPX file: " + page},
        {Outcome::Unreadable,
         "Could not load GPX: " + broken +
             ": Mismatched close tag </trkseg> under parent <trkpt> on line 4."},
    };
    ASSERT_EQ(results.size(), std::size(expected));
    for (std::size_t i = 0; i < results.size(); ++i) {
        EXPECT_EQ(results[i].outcome, expected[i].first) << i;
        EXPECT_FALSE(results[i].gpx) << i;
        EXPECT_EQ(gpxReadFailureText(results[i], paths[i]), expected[i].second);
    }

    // Without tracks a file is still GPX: the caller says "No tracks found in".
    GpxReadResult trackless = readGpxTextWithOutcome("<gpx version=\"1.1\"></gpx>");
    EXPECT_EQ(trackless.outcome, Outcome::Loaded);
    ASSERT_TRUE(trackless.gpx);
    EXPECT_EQ(trackless.gpx->trackCount(), 0);
    EXPECT_EQ(gpxReadFailureText(trackless, "a.gpx"), "");
}

// Inputs the fuzzer found; the file's extension tells whether a document is expected.
TEST(GpxBadInput, FuzzFindingsReadAsExpected) {
    int cases = 0;
    for (const auto& entry : fs::directory_iterator(test::gpxDataDir() / "fuzz")) {
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
TEST(GpxBadInput, NestedRecordsKeepTheirOwnData) {
    const int depth = 20000;
    std::string text = "<gpx>";
    for (int i = 0; i < depth; ++i)
        text += "<trk><trkseg><trkseg><trkpt lat=\"" + std::to_string(i) + "\" lon=\"1\">";
    for (int i = 0; i < depth; ++i)
        text += "</trkpt></trkseg></trkseg></trk>";
    auto gpx = readGpxText(text + "</gpx>");
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
