// The file dialog on a folder of 100,000 files: listing the folder alone, opening the dialog up
// to its first painted frame, and one frame of scrolling the list by three wheel notches, with
// the software renderer on SDL's dummy video driver.

#include "GuiBenchEngine.h"

#include "gui/GuiDirectoryListing.h"
#include "gui/GuiEngine.h"
#include "gui/GuiFileDialog.h"
#include "gui/GuiListCtrl.h"
#include "gui/GuiWindow.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

constexpr int fileCount = 100000;

using guibench::BenchEngine;

// Made once per run and removed at exit.
class BigFolder {
public:
    BigFolder() {
        path_ = fs::temp_directory_path() / ("trakmoor-bench-" + std::to_string(::getpid()));
        fs::create_directories(path_);
        char name[40];
        for (int i = 0; i < fileCount; ++i) {
            std::snprintf(name, sizeof name, "%s%06d.%s", i % 10 == 0 ? "Notes" : "track", i,
                          i % 10 == 0 ? "txt" : (i % 3 == 0 ? "GPX" : "gpx"));
            std::ofstream(path_ / name);
        }
    }
    ~BigFolder() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

const BigFolder& bigFolder() {
    static BigFolder folder;
    return folder;
}

void useDummyVideo() {
    SDL_setenv("SDL_VIDEODRIVER", "dummy", 0);
    SDL_setenv("SDL_RENDER_DRIVER", "software", 0);
}

void listFolder(benchmark::State& state) {
    const fs::path& folder = bigFolder().path();
    for (auto _ : state) {
        DirListing listing = listDirectory(folder, {".gpx"});
        benchmark::DoNotOptimize(listing.entries.data());
    }
    state.counters["entries"] = static_cast<double>(listDirectory(folder, {".gpx"}).entries.size());
}

void openDialogToFirstFrame(benchmark::State& state) {
    useDummyVideo();
    const fs::path& folder = bigFolder().path();
    BenchEngine engine;
    for (auto _ : state) {
        GuiOpenFileDialog* dialog =
            showOpenFileDialog(engine, "Open", folder.string(), {".gpx"}, 560, 420);
        engine.runFrame(100);
        benchmark::DoNotOptimize(dialog->fileList()->itemCount());
        state.PauseTiming();
        engine.destroyWindow(dialog->appWindow->id);
        state.ResumeTiming();
    }
}

void scrollFrame(benchmark::State& state) {
    useDummyVideo();
    BenchEngine engine;
    GuiOpenFileDialog* dialog =
        showOpenFileDialog(engine, "Open", bigFolder().path().string(), {".gpx"}, 560, 420);
    AppWindow* window = dialog->appWindow;
    engine.runFrame(100);
    std::uint32_t ticks = 100;
    int direction = -3;
    for (auto _ : state) {
        SDL_Event wheel{};
        wheel.type = SDL_MOUSEWHEEL;
        wheel.wheel.windowID = window->id;
        wheel.wheel.y = direction;
        wheel.wheel.mouseX = 100;
        wheel.wheel.mouseY = 100;
        SDL_PushEvent(&wheel);
        engine.runFrame(ticks += 16);
        if (dialog->fileList()->scrollY() >= dialog->fileList()->rowHeight() * 89000) {
            direction = 3;
        } else if (dialog->fileList()->scrollY() == 0) {
            direction = -3;
        }
    }
}

} // namespace

BENCHMARK(listFolder)->Unit(benchmark::kMillisecond);
BENCHMARK(openDialogToFirstFrame)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(scrollFrame)->Unit(benchmark::kMillisecond)->Iterations(300);
BENCHMARK_MAIN();
