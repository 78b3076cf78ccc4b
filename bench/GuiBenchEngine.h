#ifndef TRAKMOOR_BENCH_GUIBENCHENGINE_H
#define TRAKMOOR_BENCH_GUIBENCHENGINE_H

// The engine of the toolkit benchmarks: draws each window by update, paint and present, and
// passes SDL events to the root, as an application does, with nothing recorded on the way.

#include "gui/GuiEngine.h"
#include "gui/GuiTestSupport.h"
#include "gui/GuiWindow.h"

namespace guibench {

// Unlike the tests' engine it records nothing, so that only the toolkit's work is timed.
class BenchEngine : private guitest::EmbeddedFontFirst, public GuiEngine {
public:
    void drawWindow(AppWindow* window) override {
        window->root->update(frameTicks());
        window->root->paint(window->renderer.get());
        SDL_RenderPresent(window->renderer.get());
    }
    void handleEvent(AppWindow* window, GuiEvent* event) override {
        if (event->kind == GuiEventSdl && window != nullptr) {
            window->root->handleEvent(event);
        }
    }
};

} // namespace guibench

#endif
