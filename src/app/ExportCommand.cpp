#include "app/ExportCommand.h"

#include "app/AppPaths.h"
#include "app/AppText.h"
#include "app/MainWindowLayout.h"
#include "app/OpenDocument.h"
#include "app/TrakmoorEngine.h"
#include "map/OsmReader.h"
#include "map/OverpassDownload.h"
#include "map/PictureExport.h"
#include "track/TrackFile.h"

#include <curl/curl.h>

#include <charconv>
#include <cmath>
#include <filesystem>
#include <ostream>

namespace trakmoor {

namespace {

struct CurlSession {
    bool started = curl_global_init(CURL_GLOBAL_ALL) == 0;
    ~CurlSession() {
        if (started)
            curl_global_cleanup();
    }
};

// The map named, or the one beside the track (downloaded first when asked to); no features when
// there is none to be had.
OsmMapReadResult mapFor(const ExportSettings& settings, const std::string& mapPath,
                        const Track& track, std::ostream& errors) {
    if (!settings.map.empty())
        return readCheckedOsmMap(mapPath);
    if (!isRegularFile(mapPath) && settings.download) {
        const CurlSession curl;
        DownloadCallbacks callbacks{
            .setStatus = {},
            .repaintNow = {},
            .cancelRequested = {},
            .showMapError = [&errors](const std::string& why) { errors << why << '\n'; }};
        if (curl.started)
            downloadOsmMap(&track, mapPath, configuredOverpassServers(), callbacks);
    }
    if (!isRegularFile(mapPath))
        return {.outcome = OsmMapReadResult::Outcome::Loaded, .features = {}, .error = {}};
    return readCheckedOsmMap(mapPath);
}

std::string mapFailureText(const OsmMapReadResult& read, const std::string& path) {
    if (read.outcome == OsmMapReadResult::Outcome::CannotOpen)
        return _("Could not open OSM map: ") + path;
    return _("Invalid OSM map: ") + read.error + ": " + path;
}

} // namespace

bool isExportCommand(std::span<const std::string_view> arguments) {
    for (std::string_view argument : arguments)
        if (argument == "--export")
            return true;
    return false;
}

ExportParse parseExportCommand(std::span<const std::string_view> arguments) {
    ExportSettings settings;
    bool haveOutput = false;
    std::vector<std::string> positional;
    auto fail = [](std::string error) { return ExportParse{std::nullopt, std::move(error)}; };
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string_view argument = arguments[i];
        const bool hasValue = i + 1 < arguments.size();
        if (argument == "--export" || argument == "--size" || argument == "--track") {
            if (!hasValue)
                return fail(_("Missing value after ") + std::string(argument));
            const std::string_view value = arguments[++i];
            if (argument == "--export") {
                if (haveOutput)
                    return fail(_("Only one picture can be exported at a time"));
                settings.output = value;
                haveOutput = true;
            } else if (argument == "--size") {
                settings.size = parsePictureSize(value, true);
                if (!settings.size)
                    return fail(_("Picture size must be WIDTHxHEIGHT or SIZE, 1 to 8192 pixels: ") +
                                std::string(value));
            } else {
                const auto [end, error] =
                    std::from_chars(value.data(), value.data() + value.size(), settings.track);
                if (error != std::errc() || end != value.data() + value.size() ||
                    settings.track < 1)
                    return fail(_("Track number must be 1 or more: ") + std::string(value));
            }
        } else if (argument == "--graph") {
            settings.graph = true;
        } else if (argument == "--download") {
            settings.download = true;
        } else if (argument == "--no-legend") {
            settings.legend = false;
        } else if (argument.starts_with("--") || positional.size() == 2) {
            return fail(_("Unexpected argument: ") + std::string(argument));
        } else {
            positional.emplace_back(argument);
        }
    }
    if (positional.empty())
        return fail(_("No track file given"));
    settings.file = positional[0];
    if (positional.size() > 1)
        settings.map = positional[1];
    return {std::move(settings), {}};
}

int runExport(const ExportSettings& settings, std::ostream& errors) {
    auto fail = [&errors](const std::string& reason) {
        errors << reason << '\n';
        return 1;
    };
    if (!pictureKindOf(settings.output))
        return fail(_("Unknown picture type (use .png, .pdf or .svg): ") + settings.output);
    if (!isRegularFile(settings.file))
        return fail(_("File not found: ") + settings.file);
    TrackFileRead read = readTrackFile(settings.file);
    const std::string problem = trackReadStatusText(read, settings.file);
    if (read.result.outcome != GpxReadResult::Outcome::Loaded)
        return fail(problem);
    // A file read only in part still shows what was read, as in the window.
    if (!problem.empty())
        errors << problem << '\n';
    if (!read.result.gpx || read.result.gpx->trackCount() == 0)
        return fail(_("No tracks found in ") + settings.file);
    OpenDocument document;
    const int trackCount = read.result.gpx->trackCount();
    document.replace(std::move(read.result.gpx), settings.file);
    if (!document.selectTrack(settings.track - 1))
        return fail(_("No such track: ") + std::to_string(settings.track) + " (" +
                    std::to_string(trackCount) + ")");
    const Track* track = document.currentTrack();
    if (track->pointCount() == 0)
        return fail(_("Selected track contains no waypoints"));

    std::string mapPath = settings.map;
    if (mapPath.empty()) {
        // As in the window: tour.osm, or else tour.osm.pbf.
        std::filesystem::path beside =
            std::filesystem::path(settings.file).replace_extension(".osm");
        if (!isRegularFile(beside) && isRegularFile(pathText(beside) + ".pbf"))
            beside += ".pbf";
        mapPath = pathText(beside);
    }
    const OsmMapReadResult map = mapFor(settings, mapPath, *track, errors);
    if (map.outcome != OsmMapReadResult::Outcome::Loaded)
        return fail(mapFailureText(map, mapPath));

    const PanelPictures pictures = loadPanelPictures();
    const DisplayOptions options;
    const PlacedRect mapPanel = designMapPanel();
    const PlacedRect graphPanel = designGraphPanel();
    PictureRequest request;
    request.map = MapScene{.track = track,
                           .features = &map.features,
                           .mapGeneration = 1,
                           .showOsmBackground = options.showOsmBackground,
                           .showLegend = settings.legend,
                           .view = ViewState{},
                           .bounds = &document.bounds(),
                           .decorations = {.marks = document.marks(),
                                           .showWaypoints = options.showWaypoints,
                                           .showDirectLine = options.showDirectLine,
                                           .flags = pictures.flags()},
                           .font = pictures.textFont.get()};
    request.graph = GraphScene{.track = track,
                               .cursorIndex = document.marks().cursorIndex,
                               .statisticsMode = options.statisticsMode,
                               .font = pictures.boldFont.get()};
    request.viewWidth = mapPanel.width;
    request.viewHeight = mapPanel.height;
    const int panelsHeight = mapPanel.height + (settings.graph ? graphPanel.height : 0);
    const auto [width, height] = settings.size.value_or(std::pair{mapPanel.width, panelsHeight});
    request.width = width;
    // The graph keeps its share of the window's height.
    request.graphHeight = settings.graph
                              ? static_cast<int>(std::lround(static_cast<double>(height) *
                                                             graphPanel.height / panelsHeight))
                              : 0;
    request.mapHeight = height - request.graphHeight;
    if (request.mapHeight < 1)
        return fail(_("Picture size must be WIDTHxHEIGHT or SIZE, 1 to 8192 pixels: ") +
                    std::to_string(width) + "x" + std::to_string(height));
    const std::string error = exportPicture(settings.output, request);
    if (!error.empty())
        return fail(error);
    return 0;
}

} // namespace trakmoor
