// Scroll bar geometry, paging and dragging, checked as numbers and as properties.

#include "gui/GuiScrollBar.h"

#include <gtest/gtest.h>

namespace {

TEST(ScrollBarLayout, ThumbLengthFollowsViewShareWithMinimum) {
    struct Case {
        int content, view, track, expectedThumb;
    };
    const Case cases[] = {
        {2000, 200, 200, 20},                      // 100 rows of 20 in a 200-pixel list
        {20000, 200, 200, 16},                     // too small a share: the minimum thumb
        {400, 200, 200, 100},  {0, 200, 200, 200}, // no content: a full thumb
        {2000, 200, 10, 10},                       // a track shorter than the minimum thumb
    };
    for (const Case& c : cases) {
        GuiScrollBar bar;
        bar.layout({0, 0, 14, c.track}, c.content, c.view, 0, c.content - c.view);
        EXPECT_EQ(bar.thumb.h, c.expectedThumb) << c.content << " in " << c.view;
        EXPECT_EQ(bar.thumb.y, 0);
    }
}

TEST(ScrollBarLayout, ThumbStaysInsideTrackAtEveryPosition) {
    GuiScrollBar bar;
    bar.horizontal = true;
    for (int pos = -50; pos <= 2100; pos += 37) {
        bar.layout({30, 100, 150, 14}, 2000, 150, pos, 1850);
        EXPECT_GE(bar.thumb.x, 30);
        EXPECT_LE(bar.thumb.x + bar.thumb.w, 180) << pos;
    }
    bar.layout({30, 100, 150, 14}, 2000, 150, 1850, 1850);
    EXPECT_EQ(bar.thumb.x + bar.thumb.w, 180) << "the end position puts the thumb at the end";
}

TEST(ScrollArea, BarsAppearWhenContentOverflowsAndNarrowEachOther) {
    GuiScrollArea area;
    area.layout({10, 10, 200, 200}, 100, 190);
    EXPECT_FALSE(area.verticalBar.visible);
    EXPECT_FALSE(area.horizontalBar.visible);

    // Wide content takes 14 pixels of height, which makes 190 rows overflow as well.
    area.layout({10, 10, 200, 200}, 300, 190);
    EXPECT_TRUE(area.horizontalBar.visible);
    EXPECT_TRUE(area.verticalBar.visible);
    EXPECT_EQ(area.view().w, 186);
    EXPECT_EQ(area.view().h, 186);
    EXPECT_EQ(area.verticalBar.track.x, 10 + 186);
    EXPECT_EQ(area.horizontalBar.track.y, 10 + 186);
}

TEST(ScrollArea, OffsetsAreClampedToTheContent) {
    GuiScrollArea area;
    area.scrollY = 5000;
    area.scrollX = -4;
    area.layout({0, 0, 200, 200}, 100, 2000);
    EXPECT_EQ(area.scrollY, 1800);
    EXPECT_EQ(area.scrollX, 0);
    area.layout({0, 0, 200, 200}, 100, 150);
    EXPECT_EQ(area.scrollY, 0) << "content that fits cannot be scrolled";
}

TEST(ScrollArea, TrackPressPagesAndThumbPressDrags) {
    GuiScrollArea area;
    area.layout({0, 0, 200, 200}, 100, 2000);
    const int page = 200 - 20;
    ASSERT_TRUE(area.press(190, 150, page, 160)); // below the thumb
    EXPECT_EQ(area.scrollY, page);
    area.layout({0, 0, 200, 200}, 100, 2000);
    ASSERT_TRUE(area.press(190, 1, page, 160)); // above it
    EXPECT_EQ(area.scrollY, 0);
    EXPECT_FALSE(area.press(50, 50, page, 160)) << "the view is no bar";

    area.layout({0, 0, 200, 200}, 100, 2000);
    const SDL_Rect thumb = area.verticalBar.thumb;
    ASSERT_TRUE(area.press(190, thumb.y + 2, page, 160));
    EXPECT_TRUE(area.dragging());
    EXPECT_EQ(area.scrollY, 0) << "grabbing the thumb does not page";
    // Half the free track length maps to half the range.
    ASSERT_TRUE(area.drag(150, thumb.y + 2 + (200 - thumb.h) / 2));
    EXPECT_EQ(area.scrollY, 900);
    area.drag(190, 10000);
    EXPECT_EQ(area.scrollY, 1800);
    area.drag(190, -10000);
    EXPECT_EQ(area.scrollY, 0);
    area.release();
    EXPECT_FALSE(area.drag(190, 100));
}

} // namespace
