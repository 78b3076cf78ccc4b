#include "gui/GuiFileDialog.h"

#include "gui/GuiButton.h"
#include "gui/GuiComboBox.h"
#include "gui/GuiEngine.h"
#include "gui/GuiLabel.h"
#include "gui/GuiListCtrl.h"
#include "gui/GuiTextCtrl.h"

#include <system_error>

namespace fs = std::filesystem;

// ---------------------------------------------------------------------------------------------
// Construction
// ---------------------------------------------------------------------------------------------

GuiFileDialog::GuiFileDialog(AppWindow* appWindow, int id, int x, int y, int width, int height,
                             std::uint32_t colour, const std::string& startDirectory,
                             std::vector<std::string> filters, const std::string& confirmLabel)
    : GuiDialog(nullptr, id, x, y, width, height, colour), filters_(std::move(filters)) {
    this->appWindow = appWindow;
    engine = appWindow != nullptr ? appWindow->engine : nullptr;
    buildControls(confirmLabel);
    fillDrives();
    changeDirectory(startDirectory.empty() ? fs::path(".") : fs::path(startDirectory));
    if (currentPath_.empty()) {
        // A start folder that has gone: show the working folder, and say why.
        std::string why;
        messageLabel_->getValue(why);
        changeDirectory(".");
        showMessage(why);
    }
}

void GuiFileDialog::buildControls(const std::string& confirmLabel) {
    TTF_Font* font = engine != nullptr ? engine->defaultFont() : nullptr;
    FT_Face face = engine != nullptr ? engine->fontFace() : nullptr;
    const int w = width;
    const int h = height;

    driveBox_ = add(std::make_unique<GuiComboBox>(this, 0, 10, 10, 140, 22, 0xFFF0F0F0u,
                                                  SDL_Color{0, 0, 0, 255}, font, 150));
    driveBox_->name = "drive";
    pathLabel_ = add(std::make_unique<GuiLabel>(this, 0, 158, 10, w - 168, 22, 0xFF000000u, "",
                                                font, GuiLabel::LeftAligned | GuiLabel::Elide));
    fileList_ =
        add(std::make_unique<GuiListCtrl>(this, 0, 10, 40, w - 20, h - 113, 0xFFFFFFFFu, font));
    fileList_->name = "files";
    fileNameField_ =
        add(std::make_unique<GuiTextCtrl>(this, 0, 10, h - 65, w - 20, 22, 0xFFFFFFFFu, face, 0));
    fileNameField_->name = "filename";
    messageLabel_ =
        add(std::make_unique<GuiLabel>(this, 0, 10, h - 35, w - 236, 25, 0xFF0000C8u, "", font, 0));
    okButton_ = add(std::make_unique<GuiButton>(this, 1, w - 218, h - 35, 100, 25, 0xFFC0C0C0u,
                                                confirmLabel, font, 0));
    okButton_->setColour(0xFFC0C0C0u);
    okButton_->name = "ok";
    cancelButton_ = add(std::make_unique<GuiButton>(this, 0, w - 110, h - 35, 100, 25, 0xFFC0C0C0u,
                                                    guiText("Cancel"), font, 0));
    cancelButton_->setColour(0xFFC0C0C0u);
    cancelButton_->name = "cancel";
}

void GuiFileDialog::fillDrives() {
    const std::vector<std::string> drives = systemDrives();
    for (std::size_t i = 0; i < drives.size(); ++i) {
        driveBox_->addItem(static_cast<int>(i), drives[i]);
    }
}

// ---------------------------------------------------------------------------------------------
// Directories
// ---------------------------------------------------------------------------------------------

void GuiFileDialog::showMessage(const std::string& text) {
    messageLabel_->setValue(text);
}

void GuiFileDialog::changeDirectory(const fs::path& path) {
    std::error_code ec;
    fs::path canonical = fs::canonical(path, ec);
    if (ec || !fs::is_directory(canonical, ec)) {
        showMessage(guiText("Directory not found: ") + displayPath(path));
        return;
    }
    currentPath_ = std::move(canonical);
    if (!keepNameOnDirectoryChange) {
        fileNameField_->setText("");
    }
    refresh();
}

void GuiFileDialog::refresh() {
    entries_.clear();
    selectedEntry_ = -1;
    fileList_->clear();
    DirListing listing = listDirectory(currentPath_, filters_);
    if (!listing.readable) {
        showMessage(guiText("Cannot read directory: ") + currentDir());
        return;
    }
    entries_ = std::move(listing.entries);
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        const DirEntry& entry = entries_[i];
        fileList_->addItem(static_cast<int>(i),
                           entry.isDirectory ? "[" + entry.name + "]" : entry.name);
    }
    pathLabel_->setValue(currentDir());
    showMessage("");
    // The drive box follows the directory: the drive that holds it, by the longest prefix.
    int best = -1;
    std::size_t bestLength = 0;
    const std::string& here = currentPath_.native();
    for (std::size_t i = 0; i < driveBox_->items().size(); ++i) {
        const std::string& drive = driveBox_->items()[i].text;
        const bool inside = here == drive || (here.starts_with(drive) &&
                                              (drive.ends_with('/') || here[drive.size()] == '/'));
        if (inside && drive.size() >= bestLength) {
            best = static_cast<int>(i);
            bestLength = drive.size();
        }
    }
    if (best >= 0) {
        driveBox_->select(best, false);
    }
}

void GuiFileDialog::goToParent() {
    if (currentPath_.has_relative_path()) {
        changeDirectory(currentPath_.parent_path());
    }
}

// ---------------------------------------------------------------------------------------------
// Entries
// ---------------------------------------------------------------------------------------------

void GuiFileDialog::selectEntry(int index) {
    if (index < 0 || index >= static_cast<int>(entries_.size())) {
        selectedEntry_ = -1;
        return;
    }
    selectedEntry_ = index;
    if (!entries_[index].isDirectory) {
        fileNameField_->setText(entries_[index].name);
        fileNameField_->setCursor(static_cast<int>(utf8CharCount(entries_[index].name)));
    }
}

void GuiFileDialog::activateEntry(int index) {
    if (index < 0 || index >= static_cast<int>(entries_.size())) {
        return;
    }
    const DirEntry& entry = entries_[index];
    if (entry.name == ".." && entry.isDirectory) {
        goToParent();
    } else if (entry.isDirectory) {
        changeDirectory(currentPath_ / entry.nativeName);
    } else {
        selectEntry(index);
        accept();
    }
}

fs::path GuiFileDialog::typedPath() const {
    const std::string& typed = fileNameField_->text();
    // The field shows a name that is not UTF-8 with replacement characters; the entry it came
    // from still knows the real bytes.
    if (selectedEntry_ >= 0 && !entries_[selectedEntry_].isDirectory &&
        entries_[selectedEntry_].name == typed) {
        return currentPath_ / entries_[selectedEntry_].nativeName;
    }
    const fs::path path(typed);
    return path.is_absolute() ? path : currentPath_ / path;
}

// ---------------------------------------------------------------------------------------------
// Events
// ---------------------------------------------------------------------------------------------

void GuiFileDialog::handleEvent(GuiEvent* event) {
    const bool popupWasOpen = !popups.empty();
    GuiDialog::handleEvent(event);
    if (event == nullptr || event->sdlEvent == nullptr) {
        return;
    }
    const SDL_Event& sdl = *event->sdlEvent;
    if (sdl.type == SDL_MOUSEBUTTONDOWN && sdl.button.button == SDL_BUTTON_LEFT &&
        event->target == fileList_ && !popupWasOpen) {
        const int row = fileList_->rowAt(sdl.button.x, sdl.button.y);
        const SDL_Rect view = fileList_->viewRect();
        const bool inView = sdl.button.x >= view.x && sdl.button.x < view.x + view.w &&
                            sdl.button.y >= view.y && sdl.button.y < view.y + view.h;
        if (row < 0) {
            if (inView) {
                selectedEntry_ = -1;
            }
        } else if (sdl.button.clicks >= 2 && row == selectedEntry_) {
            activateEntry(row);
        } else {
            selectEntry(row);
        }
        return;
    }
    if (sdl.type != SDL_KEYDOWN || popupWasOpen) {
        return;
    }
    const SDL_Keycode key = sdl.key.keysym.sym;
    if (focus == fileList_) {
        if (key == SDLK_RETURN || key == SDLK_KP_ENTER) {
            activateEntry(fileList_->selectedIndex());
        } else if (key == SDLK_BACKSPACE) {
            goToParent();
        } else if (fileList_->selectedIndex() != selectedEntry_) {
            selectEntry(fileList_->selectedIndex());
        }
    } else if (focus == fileNameField_ && (key == SDLK_RETURN || key == SDLK_KP_ENTER)) {
        accept();
    }
    if (key == SDLK_ESCAPE) {
        reject();
    }
}

void GuiFileDialog::onCommand(GuiEvent* event) {
    if (event != nullptr && event->code == GuiCmdComboBoxChanged && event->source == driveBox_) {
        changeDirectory(driveBox_->selectedText());
    }
}

void GuiFileDialog::accept() {
    if (validate(typedPath())) {
        accepted_ = true;
        GuiDialog::accept();
    }
}

void GuiFileDialog::reject() {
    accepted_ = false;
    GuiDialog::reject();
}

// ---------------------------------------------------------------------------------------------
// GuiOpenFileDialog
// ---------------------------------------------------------------------------------------------

GuiOpenFileDialog::GuiOpenFileDialog(AppWindow* appWindow, int id, int x, int y, int width,
                                     int height, std::uint32_t colour,
                                     const std::string& startDirectory,
                                     std::vector<std::string> filters)
    : GuiFileDialog(appWindow, id, x, y, width, height, colour, startDirectory, std::move(filters),
                    guiText("Open")) {}

bool GuiOpenFileDialog::validate(const fs::path& path) {
    if (fileNameField()->text().empty()) {
        showMessage(guiText("Please choose a file."));
        return false;
    }
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (!ec && fs::is_directory(status)) {
        changeDirectory(path);
        return false;
    }
    if (!ec && fs::exists(status)) {
        setChosenPath(path);
        return true;
    }
    showMessage(guiText("File not found."));
    return false;
}

GuiOpenFileDialog* showOpenFileDialog(GuiEngine& engine, const std::string& title,
                                      const std::string& startDirectory,
                                      std::vector<std::string> filters, int width, int height) {
    GuiOpenFileDialog* dialog = nullptr;
    AppWindow* window = engine.createDialogWindow(
        &engine, title, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width, height, 0,
        [&](AppWindow& record) {
            auto root = std::make_unique<GuiOpenFileDialog>(
                &record, -1, 0, 0, width, height, 0xFFF0F0F0u, startDirectory, std::move(filters));
            dialog = root.get();
            return std::unique_ptr<GuiDialog>(std::move(root));
        });
    if (window == nullptr) {
        return nullptr;
    }
    engine.setModal(dialog);
    dialog->setFocus(dialog->fileNameField());
    return dialog;
}
