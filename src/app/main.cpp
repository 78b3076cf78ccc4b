// trakmoor.bin: reads the command line, starts the toolkit and the engine, loads the files asked
// for (or the built-in sample and a default map) and runs until the window is closed.

#include "app/AppPaths.h"
#include "app/AppText.h"
#include "app/CommandLine.h"
#include "app/ExportCommand.h"
#include "app/TrackInfoPrinter.h"
#include "app/TrakmoorEngine.h"

#include <SDL.h>
#include <curl/curl.h>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <chrono>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <vector>

namespace {

using trakmoor::StartupFiles;
using trakmoor::StartupSettings;
using trakmoor::TrakmoorEngine;

// Set in the environment by the start-up benchmark: report the first complete frame, then end.
constexpr const char* firstFrameProbeVariable = "TRAKMOOR_FIRST_FRAME_PROBE";

void loadStartupFiles(TrakmoorEngine& engine, const StartupFiles& files,
                      std::optional<trakmoor::GpxOpening>& opening) {
    switch (files.kind) {
    case StartupFiles::Kind::SampleAndDefaultMap:
        engine.loadBuiltInSample();
        if (const auto map = trakmoor::findDefaultMap(
                trakmoor::defaultMapCandidates(trakmoor::executableFolder()))) {
            engine.LoadOsmMap(*map);
        }
        break;
    case StartupFiles::Kind::SampleAndMap:
        engine.loadBuiltInSample();
        engine.LoadOsmMap(files.map);
        break;
    case StartupFiles::Kind::TrackFile:
        engine.finishGpxOpening(std::move(*opening));
        break;
    }
}

void watchFirstFrame(TrakmoorEngine& engine, std::chrono::steady_clock::time_point start) {
    if (std::getenv(firstFrameProbeVariable) == nullptr) {
        return;
    }
    // "track" waits for the first frame that shows the track; anything else for the first frame.
    const bool untilTrack = std::string_view(std::getenv(firstFrameProbeVariable)) == "track";
    auto report = [&engine, start](const char* frame) {
        const auto elapsed =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start);
        std::cerr << frame << " after " << elapsed.count() << " ms\n";
        engine.quitRequested = true;
    };
    if (untilTrack) {
        engine.setFirstFrameHandlers({}, [report] { report("first track frame"); });
    } else {
        engine.setFirstFrameHandlers([report] { report("first frame"); }, {});
    }
}

} // namespace

int main(int argc, char** argv) {
    const auto start = std::chrono::steady_clock::now();
#if defined(__GLIBC__)
    // Window and panel pictures of a few megabytes come and go with every resize.  glibc raises
    // its threshold for mapping such blocks after the first is freed and then keeps them in the
    // heap, which fragments and never shrinks; a fixed threshold maps them and gives them back.
    mallopt(M_MMAP_THRESHOLD, 256 * 1024);
#endif
    std::vector<std::string_view> arguments;
    for (int i = 1; i < argc; ++i) {
        arguments.emplace_back(argv[i]);
    }
    if (trakmoor::isExportCommand(arguments)) {
        // No window, so no SDL video: this runs where there is no display.
        trakmoor::initLocalization(argc > 0 ? argv[0] : nullptr);
        const trakmoor::ExportParse request = trakmoor::parseExportCommand(arguments);
        if (!request.settings) {
            std::cerr << request.error << '\n' << trakmoor::exportUsageText;
            return 1;
        }
        return trakmoor::runExport(*request.settings, std::cerr);
    }
    const auto settings = trakmoor::parseCommandLine(arguments);
    if (!settings) {
        std::cerr << trakmoor::usageText;
        return 2;
    }
    if (settings->infoFile) {
        // No window, no display: the info panel's rows go to the terminal.
        trakmoor::initLocalization(argc > 0 ? argv[0] : nullptr);
        return trakmoor::printTrackInfo(*settings->infoFile, settings->infoJson, std::cout,
                                        std::cerr);
    }

    bool curlStarted = false;
    std::unique_ptr<TrakmoorEngine> engine;
    try {
        if (const auto catalogues = trakmoor::initLocalization(argc > 0 ? argv[0] : nullptr)) {
            GuiEngine::setCatalogueFolder(trakmoor::pathText(*catalogues));
        }
        if (curl_global_init(CURL_GLOBAL_ALL) != 0) {
            throw std::runtime_error(_("Could not initialize libcurl"));
        }
        curlStarted = true;
        // A track named on the command line is read while the window is made (libcurl's start-up
        // wants no other thread running).
        const StartupFiles files = trakmoor::startupFiles(settings->positional);
        std::optional<trakmoor::GpxOpening> opening;
        if (files.kind == StartupFiles::Kind::TrackFile) {
            // A map named beside the track is read alongside it, not downloaded first.
            opening = trakmoor::beginGpxOpening(files.track, files.map);
        }
        const auto font = GuiEngine::builtInFont();
        GuiEngine::setEmbeddedFont(font.data(), font.size());
        engine = std::make_unique<TrakmoorEngine>();
        const std::uint32_t flags =
            SDL_WINDOW_SHOWN | SDL_WINDOW_RESIZABLE |
            (settings->fullscreen ? static_cast<std::uint32_t>(SDL_WINDOW_FULLSCREEN_DESKTOP) : 0u);
        engine->mainWindow = engine->createWindow(
            engine.get(), "Trakmoor " TRAKMOOR_VERSION, SDL_WINDOWPOS_CENTERED,
            SDL_WINDOWPOS_CENTERED, settings->width, settings->height, flags, 0xFFC8C8C8);
        if (engine->mainWindow == nullptr) {
            throw std::runtime_error(_("Could not create main window"));
        }
        engine->buildMainWindow(engine->mainWindow, settings->fullscreen);
        TrakmoorEngine* program = engine.get();
        engine->setMapDownloader(
            [program](const std::string& path) { return program->downloadMapFromServers(path); });
        engine->enableMapPieces(trakmoor::configuredOverpassServers(),
                                trakmoor::MapPieceCache::defaultFolder());
        // Before the files: reading a long track already puts a first frame on screen.
        watchFirstFrame(*engine, start);
        loadStartupFiles(*engine, files, opening);
        engine->run();
    } catch (const std::exception& error) {
        // The toolkit's own start-up failure (no SDL, no display) ends here too.
        engine.reset();
        if (curlStarted) {
            curl_global_cleanup();
        }
        std::cerr << _("Trakmoor initialization failed: ") << error.what() << '\n';
        return 1;
    }
    engine.reset();
    curl_global_cleanup();
    return 0;
}
