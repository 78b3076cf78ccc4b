// The open-file dialog against real temporary directory trees, driven by real SDL events.

#include "GuiTestSupport.h"
#include "TempDir.h"

#include "gui/GuiButton.h"
#include "gui/GuiComboBox.h"
#include "gui/GuiFileDialog.h"
#include "gui/GuiLabel.h"
#include "gui/GuiListCtrl.h"
#include "gui/GuiTextCtrl.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace guitest;
namespace fs = std::filesystem;

namespace {

class FileDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"b.GPX", "a.gpx", "notes.txt", ".hidden.gpx"}) {
            tmp_.file(name);
        }
        tmp_.dir("Tracks");
        tmp_.file("Tracks/inner.gpx");
        const char* home = std::getenv("HOME");
        savedHome_ = home != nullptr ? home : "";
        setenv("HOME", tmp_.path().c_str(), 1);
    }
    void TearDown() override { setenv("HOME", savedHome_.c_str(), 1); }

    GuiOpenFileDialog* open(const fs::path& start) {
        dialog_ = showOpenFileDialog(engine_, "Open", start.string(), {".gpx"}, 500, 400);
        if (dialog_ != nullptr) {
            window_ = dialog_->appWindow;
            discardQueuedEvents();
            frame();
        }
        return dialog_;
    }
    void frame() { runUntilIdle(engine_, ticks_ += 16); }
    void key(SDL_Keycode k) {
        pushKey(window_, k);
        frame();
    }
    std::vector<std::string> rows() const {
        std::vector<std::string> out;
        for (int i = 0; i < dialog_->fileList()->itemCount(); ++i) {
            out.push_back(dialog_->fileList()->item(i)->text);
        }
        return out;
    }
    void pressRow(int row, Uint8 clicks) {
        GuiListCtrl* list = dialog_->fileList();
        const int y = list->viewRect().y + row * list->rowHeight() - list->scrollY() + 3;
        pushButton(window_, true, 60, y, SDL_BUTTON_LEFT, clicks);
        pushButton(window_, false, 60, y, SDL_BUTTON_LEFT, clicks);
        frame();
    }
    void clickButton(const GuiButton* button) {
        click(engine_, window_, button->x + 50, button->y + 12, ticks_ += 16);
    }
    std::string message() const {
        std::string text;
        dialog_->messageLabel()->getValue(text);
        return text;
    }
    std::vector<int> closings() const {
        std::vector<int> ids;
        for (const GuiEvent& e : engine_.commands) {
            if (e.code == GuiCmdModalClosed) {
                ids.push_back(e.id);
            }
        }
        return ids;
    }

    TempDir tmp_;
    std::string savedHome_;
    TestEngine engine_;
    GuiOpenFileDialog* dialog_ = nullptr;
    AppWindow* window_ = nullptr;
    std::uint32_t ticks_ = 1000;
};

TEST_F(FileDialogTest, ListsFoldersThenMatchingFilesAndOffersRootThenHome) {
    ASSERT_NE(open("/"), nullptr);
    EXPECT_NE(rows().front(), "[..]") << "the root has no parent";
    const auto& drives = dialog_->driveBox()->items();
    ASSERT_GE(drives.size(), 2u);
    EXPECT_EQ(drives[0].text, "/");
    EXPECT_EQ(drives[1].text, tmp_.path().string());
    dialog_->driveBox()->select(1, true);
    frame();
    EXPECT_EQ(rows(), (std::vector<std::string>{"[..]", "[Tracks]", "a.gpx", "b.GPX"}));
    std::string shown;
    dialog_->pathLabel()->getValue(shown);
    EXPECT_EQ(shown, tmp_.path().string());
    EXPECT_EQ(message(), "");

    // A drive that has gone (a medium taken out) reports itself and keeps the listing.
    const int gone = dialog_->driveBox()->addItem(7, (tmp_.path() / "gone").string());
    dialog_->driveBox()->select(gone, true);
    frame();
    EXPECT_EQ(message(), "Directory not found: " + (tmp_.path() / "gone").string());
    EXPECT_EQ(dialog_->currentDir(), tmp_.path().string());
}

TEST_F(FileDialogTest, VanishedDirectoryCannotBeReadButBackspaceLeadsOut) {
    const fs::path doomed = tmp_.dir("doomed");
    ASSERT_NE(open(doomed), nullptr);
    fs::remove(doomed);
    dialog_->refresh();
    EXPECT_EQ(message(), "Cannot read directory: " + doomed.string());
    EXPECT_EQ(dialog_->fileList()->itemCount(), 0);
    dialog_->setFocus(dialog_->fileList());
    key(SDLK_BACKSPACE);
    EXPECT_EQ(dialog_->currentDir(), tmp_.path().string());
}

TEST_F(FileDialogTest, TypedNamesEnterFoldersOrAreRefusedWithMessages) {
    ASSERT_NE(open(tmp_.path()), nullptr);
    clickButton(dialog_->okButton());
    EXPECT_EQ(message(), "Please choose a file.");
    dialog_->setFocus(dialog_->fileNameField());
    pushText(window_, "missing.gpx");
    frame();
    clickButton(dialog_->okButton());
    EXPECT_EQ(message(), "File not found.");
    dialog_->fileNameField()->setText(std::string(4000, 'x'));
    clickButton(dialog_->okButton());
    EXPECT_EQ(message(), "File not found.");
    dialog_->fileNameField()->setText("Tracks");
    clickButton(dialog_->okButton());
    EXPECT_EQ(dialog_->currentDir(), (tmp_.path() / "Tracks").string());
    EXPECT_EQ(rows(), (std::vector<std::string>{"[..]", "inner.gpx"}));
    EXPECT_TRUE(closings().empty());

    ASSERT_NE(open(tmp_.path() / "nowhere"), nullptr);
    EXPECT_EQ(message(), "Directory not found: " + (tmp_.path() / "nowhere").string());
    EXPECT_EQ(dialog_->currentPath(), fs::current_path()) << "the working folder instead";
    // A folder nested to a path of about 4,000 bytes is entered, shown and left again.
    fs::path deep = tmp_.path();
    while (deep.native().size() < 3900) {
        deep /= std::string(120, 'd');
    }
    fs::create_directories(deep);
    dialog_->changeDirectory(deep);
    frame();
    EXPECT_EQ(dialog_->currentDir(), deep.string());
    dialog_->setFocus(dialog_->fileList());
    key(SDLK_BACKSPACE);
    EXPECT_EQ(dialog_->currentDir(), deep.parent_path().string());
}

TEST_F(FileDialogTest, ClickFillsTheNameDoubleClickEntersFoldersAndConfirmsFiles) {
    ASSERT_NE(open(tmp_.path()), nullptr);
    pressRow(3, 1);
    EXPECT_EQ(dialog_->fileNameField()->text(), "b.GPX");
    pressRow(1, 1); // a folder leaves the field alone
    EXPECT_EQ(dialog_->fileNameField()->text(), "b.GPX");
    pressRow(1, 2);
    EXPECT_EQ(dialog_->currentDir(), (tmp_.path() / "Tracks").string()) << "double click enters";
    pressRow(0, 1);
    pressRow(0, 2);
    EXPECT_EQ(dialog_->currentDir(), tmp_.path().string()) << "and on .. goes up";
    pressRow(2, 1);
    pressRow(2, 2);
    EXPECT_EQ(closings(), std::vector<int>{GuiModalAccepted});
    EXPECT_EQ(dialog_->chosenPath(), (tmp_.path() / "a.gpx").string());
}

TEST_F(FileDialogTest, KeyboardWalksTheListOpensFoldersConfirmsFilesAndEscapeCancels) {
    ASSERT_NE(open(tmp_.path()), nullptr);
    pressRow(0, 1);
    key(SDLK_DOWN);
    key(SDLK_RETURN);
    EXPECT_EQ(dialog_->currentDir(), (tmp_.path() / "Tracks").string());
    key(SDLK_BACKSPACE);
    EXPECT_EQ(dialog_->currentDir(), tmp_.path().string());
    dialog_->setFocus(dialog_->fileList());
    key(SDLK_END);
    EXPECT_EQ(dialog_->fileNameField()->text(), "b.GPX");
    key(SDLK_RETURN);
    EXPECT_EQ(closings(), std::vector<int>{GuiModalAccepted});
    EXPECT_EQ(dialog_->chosenPath(), (tmp_.path() / "b.GPX").string());

    ASSERT_NE(open(tmp_.path()), nullptr);
    key(SDLK_ESCAPE);
    ASSERT_NE(open(tmp_.path()), nullptr);
    clickButton(dialog_->cancelButton());
    EXPECT_EQ(closings(),
              (std::vector<int>{GuiModalAccepted, GuiModalCancelled, GuiModalCancelled}));
    EXPECT_FALSE(dialog_->accepted());
}

TEST_F(FileDialogTest, OddFileNamesOpenWithTheirOwnBytes) {
    const std::string latin1 = "Stra\xDF"
                               "e.gpx";
    const std::string quoted = "say \"hi\" \\ back\nslash.gpx";
    tmp_.file(latin1);
    tmp_.file(quoted);
    ASSERT_NE(open(tmp_.path()), nullptr);
    const auto shown = rows();
    const auto at = std::find(shown.begin(), shown.end(),
                              "Stra\xEF\xBF\xBD"
                              "e.gpx");
    ASSERT_NE(at, shown.end()) << "shown with a replacement character";
    pressRow(static_cast<int>(at - shown.begin()), 1);
    clickButton(dialog_->okButton());
    ASSERT_EQ(closings(), std::vector<int>{GuiModalAccepted});
    EXPECT_TRUE(fs::exists(dialog_->chosenPath()));

    // A name with quotes, a backslash and a line break, typed back exactly, is found too.
    ASSERT_NE(open(tmp_.path()), nullptr);
    dialog_->fileNameField()->setText(quoted);
    clickButton(dialog_->okButton());
    EXPECT_EQ(closings(), (std::vector<int>{GuiModalAccepted, GuiModalAccepted}));
    EXPECT_EQ(dialog_->chosenPath(), (tmp_.path() / quoted).string());
}

} // namespace
