// Feeds arbitrary bytes to the FIT reader.  Every document it returns must be safe to walk, its
// channels included, and every input without one must come with a reason or be no FIT file.

#include "track/FitReader.h"
#include "track/TrackStats.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto result = trakmoor::readFitData({data, size});
    using Outcome = trakmoor::GpxReadResult::Outcome;
    const bool loaded = result.outcome == Outcome::Loaded;
    if (loaded != static_cast<bool>(result.gpx) ||
        (result.outcome == Outcome::Unreadable && result.error.empty()))
        std::abort();
    if (!loaded)
        return 0;
    for (int t = 0; t < result.gpx->trackCount(); ++t) {
        const trakmoor::Track& track = *result.gpx->trackAt(t);
        if (track.pointCount() == 0)
            std::abort();
        trakmoor::computeTrackStats(track);
        trakmoor::computeSectionStats(track, 0, track.pointCount() - 1);
        for (int i = 0; i < track.pointCount(); ++i)
            for (int c = 0; c < trakmoor::channelCount; ++c)
                track.channelValue(static_cast<trakmoor::Channel>(c), i);
    }
    return 0;
}
