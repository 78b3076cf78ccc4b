// Reads one track file of any kind (GPX, FIT, TCX) as the program opens it, several times, and
// prints the points and the time of the fastest run.   track_read_bench FILE [RUNS]

#include "track/TrackFile.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: track_read_bench FILE [RUNS]\n");
        return 2;
    }
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 1;
    double best = 1e9;
    long points = 0;
    for (int run = 0; run < runs; ++run) {
        const auto start = std::chrono::steady_clock::now();
        const trakmoor::TrackFileRead read = trakmoor::readTrackFile(argv[1]);
        best = std::min(
            best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        const std::string status = trakmoor::trackReadStatusText(read, argv[1]);
        if (!read.result.gpx || !status.empty()) {
            std::fprintf(stderr, "%s\n", status.c_str());
            return 1;
        }
        points = 0;
        for (int t = 0; t < read.result.gpx->trackCount(); ++t)
            points += read.result.gpx->trackAt(t)->pointCount();
    }
    std::printf("%ld points, best of %d runs %.3f s\n", points, runs, best);
    return 0;
}
