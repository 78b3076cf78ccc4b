#ifndef TRAKMOOR_TESTS_APP_ENGINETESTSUPPORT_H
#define TRAKMOOR_TESTS_APP_ENGINETESTSUPPORT_H

// The real engine headless: SDL's dummy video driver, the software renderer, the main window
// built as the program builds it, frames run one at a time, pixels read back.

#include "app/TrakmoorEngine.h"
#include "gui/GuiButton.h"
#include "gui/GuiComboBox.h"
#include "gui/GuiLabel.h"
#include "gui/GuiPanels.h"
#include "gui/GuiTestSupport.h"
#include "gui/GuiTextCtrl.h"
#include "gui/GuiTreeListCtrl.h"
#include "gui/GuiWindow.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace apptest {

using trakmoor::TrakmoorEngine;

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Pictures and the default map are looked up as the program does, from its folder.
        previousFolder_ = std::filesystem::current_path();
        std::filesystem::current_path(TRAKMOOR_BUILD_DIR);
        const auto font = GuiEngine::builtInFont();
        GuiEngine::setEmbeddedFont(font.data(), font.size());
    }
    void TearDown() override {
        engine.reset();
        std::filesystem::current_path(previousFolder_);
    }

    void open(int width = 1100, int height = 720, bool fullscreen = false) {
        engine = std::make_unique<TrakmoorEngine>();
        const std::uint32_t flags =
            SDL_WINDOW_RESIZABLE |
            (fullscreen ? static_cast<std::uint32_t>(SDL_WINDOW_FULLSCREEN_DESKTOP) : 0u);
        window = engine->createWindow(engine.get(), "Trakmoor 0.0.0", SDL_WINDOWPOS_CENTERED,
                                      SDL_WINDOWPOS_CENTERED, width, height, flags, 0xFFC8C8C8);
        ASSERT_NE(window, nullptr);
        engine->mainWindow = window;
        engine->buildMainWindow(window, fullscreen);
        SDL_PumpEvents();
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    }

    void frame() { engine->runFrame(++ticks_ * 100); }

    // A left click: press and release, each handled in a frame of its own.
    void click(int x, int y) {
        guitest::pushButton(window, true, x, y);
        guitest::pushButton(window, false, x, y);
        do {
            frame();
        } while (SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0);
    }

    std::pair<int, int> windowSize() const {
        int w = 0, h = 0;
        SDL_GetWindowSize(window->sdlWindow.get(), &w, &h);
        return {w, h};
    }

    // The info list as "label=value" lines, group nodes as their label.
    std::vector<std::string> infoLines() const {
        std::vector<std::string> lines;
        for (const auto& node : engine->infoList->nodes()) {
            const auto& cells = node.cells;
            lines.push_back(cells.at(1).empty() ? cells.at(0) : cells.at(0) + "=" + cells.at(1));
        }
        return lines;
    }

    Uint32 pixelAt(int x, int y) const { return guitest::pixelAt(window, x, y); }

    std::unique_ptr<TrakmoorEngine> engine;
    AppWindow* window = nullptr;

private:
    std::filesystem::path previousFolder_;
    std::uint32_t ticks_ = 0;
};

constexpr Uint32 rgb(double r, double g, double b) {
    auto channel = [](double v) { return static_cast<Uint32>(v * 255.0 + 0.5); };
    return 0xFF000000u | (channel(r) << 16) | (channel(g) << 8) | channel(b);
}

// Cairo and SDL may round a fraction to either neighbour.
inline bool nearColour(Uint32 actual, Uint32 expected) {
    for (int shift : {0, 8, 16, 24}) {
        if (std::abs(int((actual >> shift) & 0xFF) - int((expected >> shift) & 0xFF)) > 1) {
            return false;
        }
    }
    return true;
}

} // namespace apptest

#endif
