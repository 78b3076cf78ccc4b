// Reads an OSM file with the map reader several times and prints throughput, feature count and
// the process's peak memory. Usage: osm_bench FILE [RUNS]
#include "map/OsmReader.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <vector>

using namespace trakmoor;

namespace {

// User plus system time of this process, which machine load does not inflate as it does the
// wall clock.
double cpuTime() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: osm_bench FILE [RUNS]\n");
        return 2;
    }
    const std::string path = argv[1];
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        std::perror(path.c_str());
        return 1;
    }
    const double megabytes = static_cast<double>(status.st_size) / 1e6;

    std::vector<double> seconds;
    std::vector<double> cpuSeconds;
    std::size_t features = 0;
    for (int run = 0; run < runs; ++run) {
        const double cpuStart = cpuTime();
        const auto start = std::chrono::steady_clock::now();
        const OsmMapReadResult result = readOsmMapFile(path);
        const auto stop = std::chrono::steady_clock::now();
        if (result.outcome != OsmMapReadResult::Outcome::Loaded) {
            std::fprintf(stderr, "read failed: %s\n", result.error.c_str());
            return 1;
        }
        features = result.features.size();
        seconds.push_back(std::chrono::duration<double>(stop - start).count());
        cpuSeconds.push_back(cpuTime() - cpuStart);
    }
    std::sort(seconds.begin(), seconds.end());
    std::sort(cpuSeconds.begin(), cpuSeconds.end());
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const double peakMegabytes = static_cast<double>(usage.ru_maxrss) * 1024.0 / 1e6;
    std::printf("file: %.1f MB, features: %zu\n", megabytes, features);
    std::printf("reader: best %.3f s (%.0f MB/s), median %.3f s (%.0f MB/s), %d runs\n",
                seconds.front(), megabytes / seconds.front(), seconds[seconds.size() / 2],
                megabytes / seconds[seconds.size() / 2], runs);
    std::printf("reader CPU time: best %.3f s (%.0f MB/s of CPU)\n", cpuSeconds.front(),
                megabytes / cpuSeconds.front());
    std::printf("peak memory: %.1f MB (%.0f%% of the file)\n", peakMegabytes,
                100.0 * peakMegabytes / megabytes);
    return 0;
}
