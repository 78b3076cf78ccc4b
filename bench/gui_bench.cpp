// Time of one frame of a window holding 40 cached controls and one 520 x 522 cairo panel, painted
// by the software renderer on SDL's dummy video driver: the median over 600 frames, with and
// without the panel uploading its picture in every frame.

#include "GuiBenchEngine.h"

#include "gui/GuiButton.h"
#include "gui/GuiEngine.h"
#include "gui/GuiLabel.h"
#include "gui/GuiPanels.h"
#include "gui/GuiWindow.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <string>
#include <vector>

namespace {

using guibench::BenchEngine;

constexpr int frames = 600;

void paintPicture(cairo_t* cr, int w, int h) {
    cairo_set_source_rgb(cr, 0.95, 0.93, 0.86);
    cairo_paint(cr);
    cairo_set_source_rgb(cr, 0.1, 0.3, 0.8);
    cairo_set_line_width(cr, 2);
    cairo_move_to(cr, 0, h / 2.0);
    for (int x = 0; x < w; x += 4) {
        cairo_line_to(cr, x, h / 2.0 + h / 3.0 * std::sin(x / 40.0));
    }
    cairo_stroke(cr);
}

void frameTime(benchmark::State& state) {
    const bool upload = state.range(0) != 0;
    const auto cacheMode = static_cast<GuiWindow::CacheMode>(state.range(1));
    SDL_setenv("SDL_VIDEODRIVER", "dummy", 0);
    SDL_setenv("SDL_RENDER_DRIVER", "software", 0);
    BenchEngine engine;
    AppWindow* window = engine.createWindow(&engine, "bench", 0, 0, 1000, 560, 0, 0xFFF0F0F0u);
    GuiWindow* root = window->root.get();
    root->cacheMode = cacheMode;
    TTF_Font* font = engine.defaultFont();
    for (int i = 0; i < 40; ++i) {
        const int x = 10 + (i % 4) * 110;
        const int y = 10 + (i / 4) * 52;
        const std::string label = "Control " + std::to_string(i);
        if (i % 2 == 0) {
            root->add(std::make_unique<GuiButton>(root, i, x, y, 100, 28, 0, label, font, 0));
        } else {
            root->add(std::make_unique<GuiCheckBox>(root, i, x, y, 100, 16, 0, label, font, 0));
        }
    }
    auto* panel = root->add(
        std::make_unique<GuiCairoPanel>(root, 100, 460, 20, 520, 522, 0, window->renderer.get()));
    paintPicture(panel->cairo(), panel->width, panel->height);
    // With a fixed clock, a limited panel uploads once and then never again.
    panel->setMaxFrameRate(upload ? 0 : 1);
    engine.runFrame(0); // caches and first upload

    std::vector<double> times;
    times.reserve(frames);
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        engine.runFrame(0);
        const auto stop = std::chrono::steady_clock::now();
        times.push_back(std::chrono::duration<double, std::milli>(stop - start).count());
    }
    std::sort(times.begin(), times.end());
    state.counters["median_ms"] = times.empty() ? 0.0 : times[times.size() / 2];
    state.counters["p90_ms"] = times.empty() ? 0.0 : times[times.size() * 9 / 10];
}

} // namespace

// Arguments: panel upload every frame (0/1), cache mode (0 automatic = direct painting on the
// software renderer, 1 always cached).
BENCHMARK(frameTime)
    ->ArgNames({"upload", "cache"})
    ->Args({0, 0})
    ->Args({1, 0})
    ->Args({0, 1})
    ->Args({1, 1})
    ->Iterations(frames)
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
