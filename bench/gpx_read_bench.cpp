// Reads one GPX file several times and prints the throughput of the fastest run and the peak
// memory of the process.   gpx_read_bench FILE [RUNS]

#include "track/GpxReader.h"

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: gpx_read_bench FILE [RUNS]\n");
        return 2;
    }
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    double best = 1e9;
    long points = 0;
    for (int run = 0; run < runs; ++run) {
        const auto start = std::chrono::steady_clock::now();
        auto result = trakmoor::readGpxFileWithOutcome(argv[1]);
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (!result.gpx) {
            std::fprintf(stderr, "%s\n", trakmoor::gpxReadFailureText(result, argv[1]).c_str());
            return 1;
        }
        const auto& gpx = result.gpx;
        points = 0;
        for (int t = 0; t < gpx->trackCount(); ++t)
            points += gpx->trackAt(t)->pointCount();
        best = std::min(best, seconds);
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const double megabytes = static_cast<double>(std::filesystem::file_size(argv[1])) / 1e6;
    std::printf("readGpxFile: %ld points, %.1f MB, best of %d runs %.3f s, %.0f points/s, "
                "%.1f MB/s, peak memory %.1f MB\n",
                points, megabytes, runs, best, static_cast<double>(points) / best, megabytes / best,
                static_cast<double>(usage.ru_maxrss) / 1024.0);
    return 0;
}
