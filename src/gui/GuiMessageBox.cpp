#include "gui/GuiMessageBox.h"

#include "gui/GuiButton.h"
#include "gui/GuiLabel.h"
#include "gui/GuiWindow.h"

#include <algorithm>
#include <memory>

namespace {

constexpr int boxWidth = 520;
constexpr int margin = 16;
constexpr int lineHeight = 20;
constexpr int maxLines = 20;
constexpr int buttonWidth = 100;
constexpr int buttonHeight = 25;

int textWidth(TTF_Font* font, const std::string& text) {
    int width = 0;
    int height = 0;
    if (font == nullptr || TTF_SizeUTF8(font, text.c_str(), &width, &height) != 0) {
        return static_cast<int>(text.size()) * 8;
    }
    return width;
}

} // namespace

std::vector<std::string> wrapText(TTF_Font* font, const std::string& text, int width) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        std::string line;
        std::size_t word = start;
        while (word < end) {
            const std::size_t blank = std::min(text.find(' ', word), end);
            const std::string next = text.substr(word, blank - word);
            const std::string joined = line.empty() ? next : line + ' ' + next;
            if (!line.empty() && textWidth(font, joined) > width) {
                lines.push_back(line);
                line = next;
            } else {
                line = joined;
            }
            word = blank + 1;
        }
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

GuiDialog* showMessageBox(GuiEngine& engine, const std::string& title, const std::string& text) {
    TTF_Font* font = engine.defaultFont();
    std::vector<std::string> lines = wrapText(font, text, boxWidth - 2 * margin);
    if (lines.size() > maxLines) {
        lines.resize(maxLines);
        lines.back() = "…";
    }
    const int height =
        margin + static_cast<int>(lines.size()) * lineHeight + margin + buttonHeight + margin;
    GuiDialog* dialog = nullptr;
    AppWindow* window = engine.createDialogWindow(
        &engine, title, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, boxWidth, height, 0,
        [&](AppWindow& record) {
            auto root =
                std::make_unique<GuiDialog>(nullptr, -1, 0, 0, boxWidth, height, 0xFFF0F0F0u);
            root->appWindow = &record;
            root->engine = &engine;
            for (std::size_t i = 0; i < lines.size(); ++i) {
                root->add(std::make_unique<GuiLabel>(root.get(), 0, margin,
                                                     margin + static_cast<int>(i) * lineHeight,
                                                     boxWidth - 2 * margin, lineHeight, 0xFF000000u,
                                                     lines[i], font, GuiLabel::LeftAligned));
            }
            auto* ok = root->add(std::make_unique<GuiButton>(
                root.get(), 1, boxWidth - margin - buttonWidth, height - margin - buttonHeight,
                buttonWidth, buttonHeight, 0xFFC0C0C0u, guiText("OK"), font, 0));
            ok->setColour(0xFFC0C0C0u);
            dialog = root.get();
            return std::unique_ptr<GuiDialog>(std::move(root));
        });
    if (window == nullptr) {
        return nullptr;
    }
    engine.setModal(dialog);
    return dialog;
}
