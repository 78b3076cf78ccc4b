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
#include <cstring>

using namespace guitest;
namespace fs = std::filesystem;

namespace {

class FileDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        tmp_.file("b.GPX");
        tmp_.file("a.gpx");
        tmp_.file("notes.txt");
        tmp_.file(".hidden.gpx");
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
    std::vector<std::string> rows() const {
        std::vector<std::string> out;
        for (int i = 0; i < dialog_->fileList()->itemCount(); ++i) {
            out.push_back(dialog_->fileList()->item(i)->text);
        }
        return out;
    }
    int rowY(int row) const {
        GuiListCtrl* list = dialog_->fileList();
        return list->viewRect().y + row * list->rowHeight() - list->scrollY() + 3;
    }
    void pressRow(int row, int clicks) {
        pushButton(window_, true, 60, rowY(row), SDL_BUTTON_LEFT, static_cast<Uint8>(clicks));
        pushButton(window_, false, 60, rowY(row), SDL_BUTTON_LEFT, static_cast<Uint8>(clicks));
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
    void typeIntoField(const std::string& text) {
        dialog_->setFocus(dialog_->fileNameField());
        for (char c : text) {
            const char one[2] = {c, '\0'};
            pushText(window_, one);
        }
        frame();
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

// ---------------------------------------------------------------------------------------------
// Listing
// ---------------------------------------------------------------------------------------------

TEST_F(FileDialogTest, ListsParentFoldersThenMatchingFilesWithoutHiddenNames) {
    ASSERT_NE(open(tmp_.path()), nullptr);
    EXPECT_EQ(rows(), (std::vector<std::string>{"[..]", "[Tracks]", "a.gpx", "b.GPX"}));
    EXPECT_EQ(dialog_->currentDir(), tmp_.path().string());
    std::string shown;
    dialog_->pathLabel()->getValue(shown);
    EXPECT_EQ(shown, tmp_.path().string());
    EXPECT_EQ(message(), "");
    EXPECT_NE(dialog_->findByName("files"), nullptr);
    EXPECT_NE(dialog_->findByName("filename"), nullptr);
}

TEST_F(FileDialogTest, DrivesAreRootThenHomeAndChoosingOneListsIt) {
    ASSERT_NE(open("/"), nullptr);
    EXPECT_NE(rows().front(), "[..]") << "the root has no parent";
    const auto& drives = dialog_->driveBox()->items();
    ASSERT_GE(drives.size(), 2u);
    EXPECT_EQ(drives[0].text, "/");
    EXPECT_EQ(drives[1].text, tmp_.path().string());
    EXPECT_EQ(dialog_->driveBox()->selectedText(), "/");
    dialog_->driveBox()->select(1, true);
    frame();
    EXPECT_EQ(dialog_->currentDir(), tmp_.path().string());
    EXPECT_EQ(rows().front(), "[..]");

    // A drive that has gone (a medium taken out) reports itself and keeps the listing.
    const int gone = dialog_->driveBox()->addItem(7, (tmp_.path() / "gone").string());
    dialog_->driveBox()->select(gone, true);
    frame();
    EXPECT_EQ(message(), "Verzeichnis nicht gefunden: " + (tmp_.path() / "gone").string());
    EXPECT_EQ(dialog_->currentDir(), tmp_.path().string());
}

TEST_F(FileDialogTest, VanishedDirectoryCannotBeRead) {
    const fs::path doomed = tmp_.dir("doomed");
    ASSERT_NE(open(doomed), nullptr);
    fs::remove(doomed);
    dialog_->refresh();
    EXPECT_EQ(message(), "Verzeichnis kann nicht gelesen werden: " + doomed.string());
    EXPECT_EQ(dialog_->fileList()->itemCount(), 0);
    // Backspace in the list still leads out.
    dialog_->setFocus(dialog_->fileList());
    pushKey(window_, SDLK_BACKSPACE);
    frame();
    EXPECT_EQ(dialog_->currentDir(), tmp_.path().string());
}

// ---------------------------------------------------------------------------------------------
// Confirming
// ---------------------------------------------------------------------------------------------

TEST_F(FileDialogTest, TypedFolderNameIsEnteredInsteadOfClosing) {
    ASSERT_NE(open(tmp_.path()), nullptr);
    typeIntoField("Tracks");
    clickButton(dialog_->okButton());
    EXPECT_EQ(dialog_->currentDir(), (tmp_.path() / "Tracks").string());
    EXPECT_EQ(rows(), (std::vector<std::string>{"[..]", "inner.gpx"}));
    EXPECT_EQ(dialog_->fileNameField()->text(), "");
    EXPECT_TRUE(closings().empty());
    EXPECT_FALSE(dialog_->accepted());
}

TEST_F(FileDialogTest, EmptyOrMissingNamesAreRefusedWithMessages) {
    ASSERT_NE(open(tmp_.path()), nullptr);
    clickButton(dialog_->okButton());
    EXPECT_EQ(message(), "Bitte eine Datei auswählen.");
    typeIntoField("missing.gpx");
    clickButton(dialog_->okButton());
    EXPECT_EQ(message(), "Datei nicht gefunden.");
    dialog_->fileNameField()->setText(std::string(4000, 'x'));
    clickButton(dialog_->okButton());
    EXPECT_EQ(message(), "Datei nicht gefunden.");
    ASSERT_NE(open(tmp_.path() / "nowhere"), nullptr);
    EXPECT_EQ(message(), "Verzeichnis nicht gefunden: " + (tmp_.path() / "nowhere").string());
    EXPECT_EQ(dialog_->currentPath(), fs::current_path()) << "the working folder instead";
    EXPECT_TRUE(closings().empty());
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
    pushKey(window_, SDLK_BACKSPACE);
    frame();
    EXPECT_EQ(dialog_->currentDir(), deep.parent_path().string());
}

TEST_F(FileDialogTest, ClickFillsTheNameDoubleClickEntersFoldersAndConfirmsFiles) {
    ASSERT_NE(open(tmp_.path()), nullptr);
    pressRow(3, 1);
    EXPECT_EQ(dialog_->selectedEntry(), 3);
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
    EXPECT_TRUE(dialog_->accepted());
    EXPECT_EQ(dialog_->chosenPath(), (tmp_.path() / "a.gpx").string());
}

TEST_F(FileDialogTest, KeyboardWalksTheListOpensFoldersAndConfirmsFiles) {
    ASSERT_NE(open(tmp_.path()), nullptr);
    pressRow(0, 1);
    pushKey(window_, SDLK_DOWN);
    pushKey(window_, SDLK_RETURN);
    frame();
    EXPECT_EQ(dialog_->currentDir(), (tmp_.path() / "Tracks").string());
    pushKey(window_, SDLK_BACKSPACE);
    frame();
    EXPECT_EQ(dialog_->currentDir(), tmp_.path().string());
    dialog_->setFocus(dialog_->fileList());
    pushKey(window_, SDLK_END);
    frame();
    EXPECT_EQ(dialog_->fileNameField()->text(), "b.GPX");
    pushKey(window_, SDLK_RETURN);
    frame();
    EXPECT_EQ(closings(), std::vector<int>{GuiModalAccepted});
    EXPECT_EQ(dialog_->chosenPath(), (tmp_.path() / "b.GPX").string());
}

TEST_F(FileDialogTest, CancelAndEscapeReject) {
    ASSERT_NE(open(tmp_.path()), nullptr);
    clickButton(dialog_->cancelButton());
    EXPECT_EQ(closings(), std::vector<int>{GuiModalCancelled});
    EXPECT_FALSE(dialog_->accepted());
    ASSERT_NE(open(tmp_.path()), nullptr);
    pushKey(window_, SDLK_ESCAPE);
    frame();
    EXPECT_EQ(closings(), (std::vector<int>{GuiModalCancelled, GuiModalCancelled}));
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
    const int row = static_cast<int>(at - shown.begin());
    pressRow(row, 1);
    clickButton(dialog_->okButton());
    ASSERT_EQ(closings(), std::vector<int>{GuiModalAccepted});
    EXPECT_EQ(dialog_->chosenPath(), (tmp_.path() / latin1).string());
    EXPECT_TRUE(fs::exists(dialog_->chosenPath()));

    // A name with quotes, a backslash and a line break, typed back exactly, is found too.
    engine_.commands.clear();
    ASSERT_NE(open(tmp_.path()), nullptr);
    dialog_->fileNameField()->setText(quoted);
    clickButton(dialog_->okButton());
    EXPECT_EQ(closings(), std::vector<int>{GuiModalAccepted});
    EXPECT_EQ(dialog_->chosenPath(), (tmp_.path() / quoted).string());
}

} // namespace
