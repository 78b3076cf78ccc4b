#ifndef TRAKMOOR_GUI_GUIFILEDIALOG_H
#define TRAKMOOR_GUI_GUIFILEDIALOG_H

// The file dialog: the root of a dialog window in which the user browses drives and directories
// and picks a file whose extension is in a filter list.  GuiOpenFileDialog accepts only an
// existing file.  Paths are kept in the file system's own bytes, so names that are not UTF-8 are
// shown with replacement characters and still open.

#include "gui/GuiDirectoryListing.h"
#include "gui/GuiWindow.h"

#include <filesystem>
#include <string>
#include <vector>

class GuiButton;
class GuiComboBox;
class GuiLabel;
class GuiListCtrl;
class GuiTextCtrl;

class GuiFileDialog : public GuiDialog {
public:
    GuiFileDialog(AppWindow* appWindow, int id, int x, int y, int width, int height,
                  std::uint32_t colour, const std::string& startDirectory,
                  std::vector<std::string> filters, const std::string& confirmLabel);

    const char* className() const override { return "GuiFileDialog"; }
    void handleEvent(GuiEvent* event) override;
    void accept() override;
    void reject() override;
    // A changed drive box selection lists that drive.
    void onCommand(GuiEvent* event) override;
    // Decides whether `path` (the file name field joined to the current directory) ends the
    // dialog.
    virtual bool validate(const std::filesystem::path& path) = 0;

    void changeDirectory(const std::filesystem::path& path);
    void refresh();
    void showMessage(const std::string& text);

    // The shown directory as UTF-8 text.
    std::string currentDir() const { return displayPath(currentPath_); }
    const std::filesystem::path& currentPath() const { return currentPath_; }
    const std::vector<std::string>& filters() const { return filters_; }
    const std::vector<DirEntry>& entries() const { return entries_; }
    int selectedEntry() const { return selectedEntry_; }
    bool accepted() const { return accepted_; }
    // The chosen file's path in the file system's bytes (UTF-8 where the names are).
    const std::string& chosenPath() const { return chosenPath_; }

    GuiComboBox* driveBox() const { return driveBox_; }
    GuiLabel* pathLabel() const { return pathLabel_; }
    GuiListCtrl* fileList() const { return fileList_; }
    GuiTextCtrl* fileNameField() const { return fileNameField_; }
    GuiLabel* messageLabel() const { return messageLabel_; }
    GuiButton* okButton() const { return okButton_; }
    GuiButton* cancelButton() const { return cancelButton_; }

protected:
    void setChosenPath(const std::filesystem::path& path) { chosenPath_ = path.native(); }
    // A dialog that saves keeps the typed name while the user goes to another directory.
    bool keepNameOnDirectoryChange = false;

private:
    void buildControls(const std::string& confirmLabel);
    void fillDrives();
    void selectEntry(int index);
    void activateEntry(int index);
    void goToParent();
    std::filesystem::path typedPath() const;

    std::filesystem::path currentPath_;
    std::vector<std::string> filters_;
    std::vector<DirEntry> entries_;
    int selectedEntry_ = -1;
    bool accepted_ = false;
    std::string chosenPath_;

    GuiComboBox* driveBox_ = nullptr;
    GuiLabel* pathLabel_ = nullptr;
    GuiListCtrl* fileList_ = nullptr;
    GuiTextCtrl* fileNameField_ = nullptr;
    GuiLabel* messageLabel_ = nullptr;
    GuiButton* okButton_ = nullptr;
    GuiButton* cancelButton_ = nullptr;
};

class GuiOpenFileDialog : public GuiFileDialog {
public:
    GuiOpenFileDialog(AppWindow* appWindow, int id, int x, int y, int width, int height,
                      std::uint32_t colour, const std::string& startDirectory,
                      std::vector<std::string> filters);

    const char* className() const override { return "GuiOpenFileDialog"; }
    bool validate(const std::filesystem::path& path) override;
};

// Opens a modal dialog window over the main window with an open-file dialog as its root, the
// file name field focused.  The dialog reports its end with command 9999 (id 1 accepted, 2
// cancelled); the application then reads chosenPath and closes the window.
GuiOpenFileDialog* showOpenFileDialog(GuiEngine& engine, const std::string& title,
                                      const std::string& startDirectory,
                                      std::vector<std::string> filters, int width = 560,
                                      int height = 420);

#endif
