// Pictures of the panels to keep: the save dialog and the picture written from the scene the
// panels are painted from.

#include "app/AppPaths.h"
#include "app/AppText.h"
#include "app/TrakmoorEngine.h"
#include "gui/GuiPanels.h"
#include "gui/GuiSaveFileDialog.h"
#include "map/PictureExport.h"

#include <filesystem>

namespace trakmoor {

namespace {

// The track's name as a file name: no folder separators or control characters, no leading dot.
std::string pictureFileName(const std::string& trackName, const std::string& documentPath) {
    std::string name = trackName;
    if (name.empty())
        name = std::filesystem::path(documentPath).stem().string();
    for (char& c : name)
        if (c == '/' || c == '\\' || static_cast<unsigned char>(c) < 0x20)
            c = '_';
    while (!name.empty() && (name.front() == '.' || name.front() == ' '))
        name.erase(name.begin());
    return (name.empty() ? std::string("track") : name) + ".png";
}

} // namespace

void TrakmoorEngine::openSavePictureDialog() {
    const Track* track = currentTrack();
    if (track == nullptr || track->pointCount() == 0) {
        setStatus(_("No track to save as a picture"));
        return;
    }
    std::string folder = pathText(std::filesystem::path(document_.path()).parent_path());
    if (folder.empty())
        folder = workingDirectoryText();
    const std::string name = pictureFileName(track->name(), document_.path());
    showFileDialog(_("Save picture"), [&](AppWindow& record) {
        return std::make_unique<GuiSaveFileDialog>(
            &record, -1, 0, 0, fileDialogWidth, fileDialogHeight, fileDialogColour, folder,
            std::vector<std::string>{".png", ".pdf", ".svg"}, name);
    });
}

void TrakmoorEngine::savePicture(const std::string& path) {
    if (currentTrack() == nullptr || controls_.mapPanel == nullptr ||
        controls_.graphPanel == nullptr) {
        setStatus(_("No track to save as a picture"));
        return;
    }
    const PanelSceneKey scene = panelSceneKey();
    PictureRequest request;
    request.map = scene.map;
    request.viewWidth = scene.mapWidth;
    request.viewHeight = scene.mapHeight;
    request.width = scene.mapWidth;
    request.mapHeight = scene.mapHeight;
    request.graphHeight = scene.graphHeight;
    request.graph = scene.graph;
    request.panelPicture = &map_.picture();
    const std::string error = exportPicture(path, request);
    setStatus(error.empty() ? _("Saved ") + fileNamePart(path) : error);
}

} // namespace trakmoor
