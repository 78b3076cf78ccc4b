// The text control driven by real key, text-input and mouse events in a headless window.

#include "GuiTestSupport.h"

#include "gui/GuiTextCtrl.h"

#include <gtest/gtest.h>

#include <memory>

using namespace guitest;

namespace {

std::string clipboard() {
    char* text = SDL_GetClipboardText();
    std::string copy = text != nullptr ? text : "";
    SDL_free(text);
    return copy;
}

class TextCtrlTest : public WindowTest {
protected:
    TextCtrlTest() : WindowTest(400, 300) {
        ticks = 5000;
        SDL_SetClipboardText("");
    }
    void TearDown() override { SDL_SetModState(KMOD_NONE); }

    GuiTextCtrl* focusedField(unsigned flags, int width = 300, int height = 22) {
        auto* field = root->add(std::make_unique<GuiTextCtrl>(
            root, 3, 20, 20, width, height, 0xFFFFFFFFu, engine.fontFace(), flags));
        field->onChange = [this] { ++changes_; };
        root->setFocus(field);
        return field;
    }

    int changes_ = 0;
};

TEST_F(TextCtrlTest, TypingAndDeletingWorkOnWholeCharactersAtTheCursor) {
    GuiTextCtrl* field = focusedField(0);
    type("Grüß");
    type("e");
    EXPECT_EQ(field->cursorIndex(), 5);
    key(SDLK_LEFT);
    key(SDLK_LEFT);
    type("x");
    EXPECT_EQ(field->text(), "Grüxße");
    key(SDLK_BACKSPACE);
    key(SDLK_BACKSPACE);
    key(SDLK_DELETE);
    EXPECT_EQ(field->text(), "Gre");
    EXPECT_EQ(changes_, 6);
    key(SDLK_HOME);
    key(SDLK_BACKSPACE);
    key(SDLK_END);
    key(SDLK_DELETE);
    EXPECT_EQ(changes_, 6) << "nothing to delete at the ends";
    key(SDLK_RETURN);
    EXPECT_EQ(field->text(), "Gre") << "one line takes no line break";
    key(SDLK_TAB);
    EXPECT_EQ(field->text(), "Gre\t");

    field->setText("set by program");
    EXPECT_EQ(changes_, 7) << "setText is not a user edit";
    SDL_SetModState(KMOD_LCTRL);
    type("b");
    SDL_SetModState(KMOD_NONE);
    root->setFocus(nullptr);
    type("c");
    EXPECT_EQ(field->text(), "set by program") << "nothing typed with Ctrl held or unfocused";
}

TEST_F(TextCtrlTest, ShiftArrowsSelectAndTypingReplacesTheSelection) {
    GuiTextCtrl* field = focusedField(0);
    field->setText("hello wörld");
    field->setCursor(11);
    for (int i = 0; i < 5; ++i) {
        key(SDLK_LEFT, KMOD_LSHIFT);
    }
    EXPECT_EQ(field->selectedText(), "wörld");
    EXPECT_EQ(field->debugStatus()[0], "CursorIndex 6   SelIndex 11:6   SelByte 6:12");
    key(SDLK_HOME, KMOD_LSHIFT);
    EXPECT_EQ(field->selectedText(), "hello wörld");
    key(SDLK_END, KMOD_LSHIFT);
    EXPECT_EQ(field->selectedText(), "");
    key(SDLK_LEFT, KMOD_LSHIFT);
    type("D!");
    EXPECT_EQ(field->text(), "hello wörlD!");
}

TEST_F(TextCtrlTest, ClipboardRoundTripAndPasteIntoOneLineJoinsLines) {
    GuiTextCtrl* field = focusedField(0);
    field->setText("Weg über 4 km");
    key(SDLK_a, KMOD_LCTRL);
    key(SDLK_c, KMOD_LCTRL);
    EXPECT_EQ(clipboard(), "Weg über 4 km");
    key(SDLK_x, KMOD_LCTRL);
    EXPECT_EQ(field->text(), "");
    key(SDLK_v, KMOD_LCTRL);
    key(SDLK_v, KMOD_LCTRL);
    EXPECT_EQ(field->text(), "Weg über 4 kmWeg über 4 km");
    EXPECT_EQ(field->cursorIndex(), 26);
    EXPECT_EQ(changes_, 3);

    field->setText("");
    SDL_SetClipboardText("first line\r\nsecond\nthird");
    key(SDLK_v, KMOD_LCTRL);
    EXPECT_EQ(field->text(), "first line  second third");
}

TEST_F(TextCtrlTest, MultiLineFieldTakesLineBreaksUnlessReadOnly) {
    for (unsigned readOnly : {0u, unsigned(GuiTextCtrl::ReadOnly)}) {
        GuiTextCtrl* field = focusedField(GuiTextCtrl::MultiLine | readOnly, 300, 100);
        field->setText("a");
        field->setCursor(1);
        SDL_SetClipboardText("b\nc");
        key(SDLK_BACKSPACE);
        key(SDLK_RETURN);
        key(SDLK_v, KMOD_LCTRL);
        type("x");
        EXPECT_EQ(field->text(), readOnly ? "a" : "\nb\ncx") << readOnly;
        key(SDLK_a, KMOD_LCTRL);
        key(SDLK_x, KMOD_LCTRL);
        EXPECT_EQ(field->text(), readOnly ? "a" : "") << "cut " << readOnly;
    }
    key(SDLK_a, KMOD_LCTRL);
    key(SDLK_c, KMOD_LCTRL);
    EXPECT_EQ(clipboard(), "a") << "a read-only field still copies";
}

TEST_F(TextCtrlTest, HugeAndMalformedPastesAreTakenSafely) {
    GuiTextCtrl* field = focusedField(0);
    SDL_SetClipboardText("ok\xFF\xC3(");
    key(SDLK_v, KMOD_LCTRL);
    EXPECT_EQ(field->text(), "ok\xEF\xBF\xBD\xEF\xBF\xBD(");

    std::string big(1 << 20, 'm');
    big[500] = '\n';
    field->setText("");
    SDL_SetClipboardText(big.c_str());
    key(SDLK_v, KMOD_LCTRL);
    EXPECT_EQ(field->text().size(), big.size());
    EXPECT_EQ(field->text()[500], ' ');
    EXPECT_EQ(field->cursorIndex(), 1 << 20);
    EXPECT_GT(field->scrollX(), 100000) << "the cursor at the end is scrolled into view";
    frame(); // and it paints

    // A limited field takes whole characters up to its limit, also in place of a selection.
    field->setText("");
    field->maxCharacters = 3;
    type("\xC3\xA4xyz");
    EXPECT_EQ(field->text(), "\xC3\xA4xy");
    key(SDLK_a, KMOD_LCTRL);
    type("abcd");
    EXPECT_EQ(field->text(), "abc");
}

TEST_F(TextCtrlTest, MouseDragSelectsAndSelectionIsPaintedBlueWhileFocused) {
    GuiTextCtrl* field = focusedField(0);
    field->setText("drag across");
    root->setFocus(nullptr);
    frame();
    const auto& g = field->glyphs();
    pushButton(window, true, g[0].x + 1, 30);
    pushMotion(window, g[4].x + 1, 30);
    pushButton(window, false, g[4].x + 1, 30);
    frame();
    EXPECT_EQ(field->selectedText(), "drag");
    EXPECT_EQ(pixelAt(window, g[1].x + 1, g[1].baseline - 12), rgb(0, 0, 255));
    EXPECT_EQ(pixelAt(window, g[6].x + 1, g[6].baseline - 12), rgb(255, 255, 255));
    root->setFocus(nullptr);
    frame();
    EXPECT_EQ(pixelAt(window, g[1].x + 1, g[1].baseline - 12), rgb(255, 255, 255));
}

TEST_F(TextCtrlTest, PasswordIsStoredInClearAndShownAsBullets) {
    GuiTextCtrl* field = focusedField(GuiTextCtrl::Password | GuiTextCtrl::MultiLine);
    EXPECT_FALSE(field->isMultiLine()) << "a password field is one line";
    type("secret");
    key(SDLK_RETURN);
    EXPECT_EQ(field->text(), "secret");
    ASSERT_EQ(field->glyphs().size(), 6u);
    EXPECT_EQ(field->glyphs()[5].codePoint, 0x2022);
    field->setCursor(0);
    EXPECT_EQ(field->debugStatus()[1], "Scroll 0:0   CP 8226") << "the bullet, never the letter";
}

TEST_F(TextCtrlTest, WrappedFieldScrollsOnlyDownwardsWhenTall) {
    GuiTextCtrl* field = focusedField(GuiTextCtrl::MultiLine | GuiTextCtrl::Wrap, 120, 60);
    field->setText("alpha beta gamma delta epsilon zeta");
    frame();
    EXPECT_TRUE(field->scrollArea().verticalBar.visible);
    EXPECT_FALSE(field->scrollArea().horizontalBar.visible);
    pushWheel(window, 50, 40, -1);
    frame();
    EXPECT_GT(field->scrollY(), 0);
}

TEST_F(TextCtrlTest, CursorAppearsAfterFocusSettlesThenBlinks) {
    GuiTextCtrl* field = focusedField(0);
    field->setText("ab");
    field->setCursor(2);
    engine.windowFocused = true;
    engine.runFrame(10000);
    EXPECT_FALSE(field->cursorShown()) << "a change is applied only after 50 ms";
    engine.runFrame(10060);
    ASSERT_TRUE(field->cursorShown());
    const auto& g = field->glyphs();
    const int cx = g[1].x + g[1].width;
    const int cy = g[1].baseline - 5;
    EXPECT_EQ(pixelAt(window, cx, cy), rgb(0, 0, 0));
    engine.runFrame(10600);
    EXPECT_EQ(pixelAt(window, cx, cy), rgb(255, 255, 255));
    engine.runFrame(11150);
    EXPECT_TRUE(field->cursorOn());

    engine.windowFocused = false;
    engine.runFrame(11200);
    engine.runFrame(11260);
    EXPECT_FALSE(field->cursorShown()) << "no cursor while the window has no focus";
}

} // namespace
