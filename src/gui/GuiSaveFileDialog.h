#ifndef TRAKMOOR_GUI_GUISAVEFILEDIALOG_H
#define TRAKMOOR_GUI_GUISAVEFILEDIALOG_H

// The file dialog for a file to write: the name field starts with a proposed name, which stays
// while the user goes to another directory, and a file that exists already is replaced only when
// the user confirms a second time.

#include "gui/GuiFileDialog.h"

#include <filesystem>
#include <string>
#include <vector>

class GuiSaveFileDialog : public GuiFileDialog {
public:
    GuiSaveFileDialog(AppWindow* appWindow, int id, int x, int y, int width, int height,
                      std::uint32_t colour, const std::string& startDirectory,
                      std::vector<std::string> filters, const std::string& proposedName);

    const char* className() const override { return "GuiSaveFileDialog"; }
    bool validate(const std::filesystem::path& path) override;

private:
    // The existing file the user was asked about; confirming it again replaces it.
    std::filesystem::path askedToReplace_;
    std::string proposedName_;
    std::string confirmLabel_;
};

#endif
