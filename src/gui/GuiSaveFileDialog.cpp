#include "gui/GuiSaveFileDialog.h"

#include "gui/GuiButton.h"
#include "gui/GuiEngine.h"
#include "gui/GuiTextCtrl.h"

#include <system_error>
#include <utility>

namespace fs = std::filesystem;

GuiSaveFileDialog::GuiSaveFileDialog(AppWindow* appWindow, int id, int x, int y, int width,
                                     int height, std::uint32_t colour,
                                     const std::string& startDirectory,
                                     std::vector<std::string> filters,
                                     const std::string& proposedName)
    : GuiFileDialog(appWindow, id, x, y, width, height, colour, startDirectory, std::move(filters),
                    guiText("Save")),
      proposedName_(proposedName), confirmLabel_(guiText("Save")) {
    keepNameOnDirectoryChange = true;
    fileNameField()->setText(proposedName);
    fileNameField()->setCursor(static_cast<int>(utf8CharCount(proposedName)));
}

bool GuiSaveFileDialog::validate(const fs::path& path) {
    const fs::path asked = std::exchange(askedToReplace_, {});
    okButton()->label = confirmLabel_;
    okButton()->invalidate();
    if (fileNameField()->text().empty()) {
        showMessage(guiText("Please enter a file name."));
        return false;
    }
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (!ec && fs::is_directory(status)) {
        changeDirectory(path);
        // The name typed was a directory to go to, not the file's name.
        fileNameField()->setText(proposedName_);
        return false;
    }
    if (!fs::is_directory(path.parent_path(), ec)) {
        showMessage(guiText("Directory not found: ") + displayPath(path.parent_path()));
        return false;
    }
    if (fs::exists(status) && asked != path) {
        askedToReplace_ = path;
        showMessage(guiText("File exists. Replace it?"));
        okButton()->label = guiText("Replace");
        okButton()->invalidate();
        return false;
    }
    setChosenPath(path);
    return true;
}
