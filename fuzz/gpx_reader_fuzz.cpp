// Feeds arbitrary bytes to the GPX reader.  Every document it returns must be safe to walk, and
// every input without one must come with a reason.

#include "track/GpxReader.h"
#include "track/TrackStats.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto result = trakmoor::readGpxTextWithOutcome(
        std::string_view(reinterpret_cast<const char*>(data), size));
    const bool loaded = result.outcome == trakmoor::GpxReadResult::Outcome::Loaded;
    if (loaded != static_cast<bool>(result.gpx) ||
        loaded == !trakmoor::gpxReadFailureText(result, "f").empty())
        std::abort();
    if (!loaded)
        return 0;
    const auto& gpx = result.gpx;
    for (int t = 0; t < gpx->trackCount(); ++t) {
        const trakmoor::Track& track = *gpx->trackAt(t);
        if (track.pointCount() > 0) {
            trakmoor::computeTrackStats(track);
            trakmoor::computeSectionStats(track, 0, track.pointCount() - 1);
        }
        for (int i = 1; i < track.pointCount(); ++i)
            trakmoor::pointSpeed(track, i);
    }
    return 0;
}
