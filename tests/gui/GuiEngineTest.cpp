#include "GuiTestSupport.h"

#include "gui/GuiButton.h"

#include <gtest/gtest.h>

using namespace guitest;

TEST(GuiEngineTest, SmokeCreatesWindowAndDrawsFrame) {
    TestEngine engine;
    AppWindow* window = openWindow(engine, 200, 100, 0xFF0000FFu);
    ASSERT_NE(window, nullptr);
    engine.runFrame(0);
    EXPECT_EQ(engine.drawCount, 1);
    EXPECT_EQ(pixelAt(window, 10, 10), rgb(255, 0, 0));
}
