// Prints, for every track of the GPX files given, the figures that other programs can be checked
// against: points, ascent and descent in metres, moving time and duration in seconds, one line
// each with tabs between.   climb_figures FILE...

#include "track/GpxReader.h"
#include "track/TrackStats.h"

#include <cstdio>
#include <filesystem>

int main(int argc, char** argv) {
    for (int arg = 1; arg < argc; ++arg) {
        const auto result = trakmoor::readGpxFileWithOutcome(argv[arg]);
        if (!result.gpx) {
            std::fprintf(stderr, "%s\n", trakmoor::gpxReadFailureText(result, argv[arg]).c_str());
            continue;
        }
        const std::string name = std::filesystem::path(argv[arg]).filename().string();
        for (int t = 0; t < result.gpx->trackCount(); ++t) {
            const trakmoor::Track& track = *result.gpx->trackAt(t);
            if (track.pointCount() == 0)
                continue;
            const trakmoor::TrackStats stats = trakmoor::computeTrackStats(track);
            std::printf("%s\t%d\t%d\t%.1f\t%.1f\t%d\t%d\n", name.c_str(), t, stats.pointCount,
                        stats.ascent, stats.descent, stats.movingTime, stats.duration);
        }
    }
    return 0;
}
