#include "map/GraphPainter.h"
#include "map/GraphPicture.h"
#include "map/PanelBackground.h"
#include "map/ThreadStart.h"
#include "map/TrackPainter.h"

#include "PainterTestSupport.h"

#include <chrono>
#include <clocale>
#include <thread>

using namespace trakmoor;
using namespace trakmoor::test;

namespace {

const CairoFontFacePtr kBold = veraFace(true);

// 212 x 124: x(i) = 12 + i * 188 / (n - 1), y(v) = 112 - (v - lo) * 100 / range.
Canvas graph(const Track& track, std::int32_t mode = 0, std::int32_t cursor = -1, int width = 212,
             bool thin = true) {
    Canvas canvas(width, 124);
    PaintGraphPanel(canvas.cr.get(), width, 124, track, mode, cursor, kBold.get(),
                    {.thinSamePixel = thin});
    EXPECT_EQ(cairo_status(canvas.cr.get()), CAIRO_STATUS_SUCCESS);
    return canvas;
}

bool isCurve(const Canvas& c, int x, int y) {
    return c.is(x, y, 0.12, 0.42, 0.68, 6);
}

int darkTextPixels(const Canvas& c, int x0, int y0, int x1, int y1) {
    int ink = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            ink += c.at(x, y).r < 90 && c.at(x, y).b < 90;
    return ink;
}

} // namespace

TEST(GraphPainter, SeriesFillTheBoxBetweenTheMargins) {
    std::setlocale(LC_ALL, "de_DE.UTF-8");
    EXPECT_EQ(FormatGraphValue(1234.56, false) + FormatGraphValue(12.34, true), "1235 m12.3 km/h");
    std::setlocale(LC_ALL, "C");
    const Canvas c = graph(*makeTrack({{0, 0, 100}, {0, 0, 200}, {0, 0, 150}}));
    EXPECT_TRUE(isCurve(c, 153, 37)); // half way from (106, 12) to (200, 62)
    EXPECT_TRUE(isCurve(c, 59, 61));  // on the way from (12, 112) to (106, 12)
    EXPECT_TRUE(c.is(150, 100, 0.98, 0.98, 0.98, 1));

    // Flat: a range of one metre, the line at the bottom margin.
    const Canvas flat = graph(*makeTrack({{0, 0, 300}, {0, 0, 300}}));
    EXPECT_TRUE(isCurve(flat, 106, 112));
    graph(*makeTrack({{0, 0, 300}})); // one point: x(0) = 12, nothing to divide by

    // Speed from 0: 0.001 degrees of latitude in 10 s is about 40 km/h, at the top.
    Track moving;
    for (int i = 0; i < 3; ++i)
        addPoint(moving, 47.0 + 0.001 * i, 9.0, 0.0, 1'700'000'000 + 10 * i);
    const Canvas speed = graph(moving, 1);
    EXPECT_TRUE(isCurve(speed, 153, 12));
    EXPECT_TRUE(isCurve(speed, 59, 61));
    const Canvas both = graph(moving, 2);
    EXPECT_TRUE(isCurve(both, 153, 112)); // height flat at the bottom
    EXPECT_TRUE(both.is(153, 12, 0.82, 0.30, 0.12, 6));
}

TEST(GraphPainter, CursorValueKeepsInsideAndOffTheMaximum) {
    const auto track = makeTrack({{0, 0, 400}, {0, 0, 100}, {0, 0, 100}, {0, 0, 100}});
    // Near the right edge the value goes to the left of the cursor line at x = 200.
    const Canvas right = graph(*track, 0, 3);
    EXPECT_TRUE(right.is(200, 60, 0.90, 0.55, 0.05, 6));
    EXPECT_GT(darkTextPixels(right, 150, 90, 199, 110), 20);
    EXPECT_EQ(darkTextPixels(right, 201, 0, 212, 124), 0);
    // At the maximum under the label "Max: 400 m" the value moves down to y = 32.
    const Canvas top = graph(*track, 0, 0);
    EXPECT_GT(darkTextPixels(top, 15, 21, 120, 33), 20);
    // An invalid cursor draws neither line nor value.
    EXPECT_EQ(graph(*track, 0, 4).bytes(), graph(*track, 0, -1).bytes());
}

// Leaving out points that fall into the cell of the last drawn one keeps the pictures.
TEST(GraphPainter, ThinnedLinesLookLikeTheFullOnes) {
    const auto track = repeatedTrack("gpsbabel__sbn-v13.gpx", 5);
    for (std::int32_t mode : {0, 2})
        expectLookAlike(graph(*track, mode, 100, 520, true), graph(*track, mode, 100, 520, false));
    Canvas thin(kUnitPanel, kUnitPanel), full(kUnitPanel, kUnitPanel);
    TrackBoundsCache bounds;
    const MapProjection projection({}, bounds, *track, kUnitPanel, kUnitPanel);
    paintTrack(thin.cr.get(), projection, *track, {}, {.thinSamePixel = true});
    paintTrack(full.cr.get(), projection, *track, {}, {.thinSamePixel = false});
    expectLookAlike(thin, full);
}

// Every pixel gets its coverage from one strip, which holds every segment that reaches it.
TEST(GraphPainter, StripsPaintLikeOneStroke) {
    const auto track = repeatedTrack("gpsbabel__sbn-v13.gpx", 5);
    for (bool thin : {true, false}) {
        Canvas strips(520, 124), whole(520, 124);
        PaintGraphPanel(strips.cr.get(), 520, 124, *track, 2, 100, kBold.get(),
                        {.thinSamePixel = thin});
        PaintGraphPanel(whole.cr.get(), 520, 124, *track, 2, 100, kBold.get(),
                        {.thinSamePixel = thin, .strokeInStrips = false});
        const auto a = strips.bytes();
        const auto b = whole.bytes();
        EXPECT_TRUE(std::equal(a.begin(), a.end(), b.begin(),
                               [](int x, int y) { return std::abs(x - y) <= 1; }));
        EXPECT_NE(a, b); // the strips were used
    }
}

// The kept curves show what a full painting shows, also when they come from the thread; until
// then the panel has its background, the cursor and the texts.
TEST(GraphPainter, KeptCurvesPaintLikeTheFullGraph) {
    const auto track = repeatedTrack("gpsbabel__sbn-v13.gpx", 2);
    for (std::int32_t threadFrom : {1 << 30, 1}) {
        GraphPictureCache cache({}, threadFrom);
        for (std::int32_t cursor : {100, 5000}) {
            Canvas kept(520, 124);
            cache.paint(kept.cr.get(), 520, 124, *track, 1, 2, cursor, kBold.get());
            if (threadFrom == 1 && cursor == 100) {
                Canvas waiting(520, 124);
                paintGraphBackground(waiting.cr.get(), 520, 124);
                paintGraphOverlay(waiting.cr.get(), 520, 124, computeGraphSeries(*track, 2), cursor,
                                  kBold.get());
                EXPECT_EQ(kept.bytes(), waiting.bytes());
                while (!cache.adoptFinished())
                    std::this_thread::sleep_for(std::chrono::milliseconds(5));
                cache.paint(kept.cr.get(), 520, 124, *track, 1, 2, cursor, kBold.get());
            }
            EXPECT_EQ(kept.bytes(), graph(*track, 2, cursor, 520).bytes());
        }
    }
}

TEST(GraphPainter, CurvesAreDrawnAtOnceWhenNoThreadStarts) {
    const auto track = repeatedTrack("gpsbabel__sbn-v13.gpx", 1);
    const FailingThreadStarts noThreads;
    GraphPictureCache cache({}, 1);
    Canvas kept(520, 124);
    cache.paint(kept.cr.get(), 520, 124, *track, 1, 2, 100, kBold.get());
    EXPECT_EQ(kept.bytes(), graph(*track, 2, 100, 520).bytes());
}

// A channel's curve is offered and drawn only for a track that has it, across points without a
// reading.
TEST(GraphPainter, ChannelCurves) {
    auto track = makeTrack({{0, 0, 100}, {0, 0, 100}, {0, 0, 100}});
    EXPECT_EQ(graphModesFor(*track).size(), 3u);
    EXPECT_EQ(computeGraphSeries(*track, int(GraphMode::Power)).mode, GraphMode::Height);
    track->setChannelValue(Channel::HeartRate, 0, 100);
    track->setChannelValue(Channel::HeartRate, 2, 150);
    EXPECT_EQ(graphModesFor(*track).back(), GraphMode::HeartRate);
    const Canvas c = graph(*track, int(GraphMode::HeartRate), 2);
    EXPECT_TRUE(isCurve(c, 106, 61)); // from 100 bpm at (12, 112) to 150 bpm at (200, 12)
    EXPECT_GT(darkTextPixels(c, 120, 0, 212, 30), 0); // "150 bpm" by the cursor
}
