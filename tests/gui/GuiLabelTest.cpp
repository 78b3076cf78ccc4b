#include "GuiTestSupport.h"

#include "gui/GuiLabel.h"

#include <gtest/gtest.h>

#include <string>

using namespace guitest;

namespace {

const std::string ellipsis = "\xE2\x80\xA6";

class GuiLabelTest : public WindowTest {
protected:
    GuiLabelTest() : WindowTest(400, 60, 0xFFFFFFFFu) {}

    GuiLabel* addLabel(const std::string& text, int width, std::uint32_t flags) {
        return root->add(std::make_unique<GuiLabel>(root, 1, 10, 10, width, 20, 0, text,
                                                    engine.defaultFont(), flags));
    }
    int measure(const std::string& text) const {
        return GuiObject::textSize(engine.defaultFont(), text).x;
    }
};

} // namespace

TEST_F(GuiLabelTest, ElidedTextKeepsItsTailFromAFolderBoundary) {
    const std::string fits = "Distance: 12.3 km";
    const struct {
        std::string text;
        int width; // or, when 0, the width of `fitting`
        std::string fitting;
        std::uint32_t flags;
        std::string expected;
    } cases[] = {
        {fits, 0, fits, GuiLabel::Elide, fits},
        {fits, 5, "", 0, fits}, // only eliding labels shorten
        // Room for a little more than the last folder and the file name.
        {"C:\\Users\\j\xC3\xBCrgen\\Documents\\Tracks\\Sommer 2024\\ride.gpx", 0,
         ellipsis + "acks\\Sommer 2024\\ride.gpx", GuiLabel::Elide,
         ellipsis + "\\Sommer 2024\\ride.gpx"},
        {"/home/anna/tracks/alps/day-one.gpx", 0, ellipsis + "ps/day-one.gpx", GuiLabel::Elide,
         ellipsis + "/day-one.gpx"},
        // A trailing separator does not become the cut.
        {"abcdefghijklmnop/", 0, ellipsis + "mnop/", GuiLabel::Elide, ellipsis + "mnop/"},
        {"Elevation", 4, "", GuiLabel::Elide, ellipsis}, // too narrow: the ellipsis alone
    };
    for (const auto& c : cases) {
        GuiLabel* label = addLabel(c.text, c.width != 0 ? c.width : measure(c.fitting), c.flags);
        EXPECT_EQ(label->displayText(), c.expected) << c.text;
    }
    // The shortened text follows changes of text and width.
    GuiLabel* label = addLabel("0123456789abcdef", measure(ellipsis + "cdef"), GuiLabel::Elide);
    EXPECT_TRUE(label->setValue("zyxwvutsrqponm"));
    const std::string shown = label->displayText();
    EXPECT_EQ(shown.substr(0, ellipsis.size()), ellipsis);
    EXPECT_EQ(shown.substr(shown.size() - 2), "nm");
    label->width = 1000;
    EXPECT_EQ(label->displayText(), "zyxwvutsrqponm");
}

TEST_F(GuiLabelTest, ElisionNeverCutsInsideACharacterAndAlwaysFits) {
    // Two-, three- and four-byte characters mixed with ASCII.
    const std::string text = "Stra\xC3\x9F"
                             "e \xE2\x86\x92 M\xC3\xBC"
                             "nchen \xF0\x9F\x9A\xB2 \xC3\xA4\xC3\xB6\xC3\xBC"
                             "\xC3\xA4\xC3\xB6\xC3\xBC.gpx";
    const int full = measure(text);
    for (int width = 1; width < full; width += 3) {
        GuiLabel label(root, 1, 0, 0, width, 20, 0, text, engine.defaultFont(), GuiLabel::Elide);
        const std::string shown = label.displayText();
        ASSERT_EQ(shown.compare(0, ellipsis.size(), ellipsis), 0) << width;
        const std::string tail = shown.substr(ellipsis.size());
        ASSERT_EQ(text.compare(text.size() - tail.size(), tail.size(), tail), 0) << width;
        if (!tail.empty()) {
            EXPECT_NE(static_cast<unsigned char>(tail[0]) & 0xC0, 0x80) << "cut inside, " << width;
            EXPECT_LE(measure(shown), width) << width;
        }
    }
}

TEST_F(GuiLabelTest, TextIsCentredOrLeftAligned) {
    const std::string text = "IIII";
    auto firstDarkColumn = [&](int y0) {
        for (int x = 0; x < 400; ++x) {
            if (countPixels(window, {x, y0, 1, 30}, [](Uint32 p) { return (p & 0xFF) < 128; })) {
                return x;
            }
        }
        return -1;
    };
    root->add(
        std::make_unique<GuiLabel>(root, 1, 100, 0, 200, 30, 0, text, engine.defaultFont(), 0));
    root->add(std::make_unique<GuiLabel>(root, 2, 100, 30, 200, 30, 0, text, engine.defaultFont(),
                                         GuiLabel::LeftAligned));
    engine.runFrame(0);
    EXPECT_NEAR(firstDarkColumn(0), 100 + (200 - measure(text)) / 2, 3);
    EXPECT_NEAR(firstDarkColumn(30), 100, 3);
}
