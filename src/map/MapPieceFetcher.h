#ifndef TRAKMOOR_MAP_MAPPIECEFETCHER_H
#define TRAKMOOR_MAP_MAPPIECEFETCHER_H

// Fetches the pieces of map a long track needs while the window goes on: two requests at a time
// on threads of its own, each piece from the cache when it is there, else from the servers in
// turn.  The pieces are merged as they come; the frame loop asks now and then for what is new.

#include "map/MapFeature.h"
#include "map/MapPieceCache.h"
#include "map/MapPieces.h"
#include "map/OverpassDownload.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace trakmoor {

struct PieceFetchTiming {
    // Between two servers for one piece, when the server sent no Retry-After.
    std::chrono::milliseconds retryPause{2000};
    // A Retry-After longer than this is cut to it.
    std::chrono::milliseconds longestRetryPause{60000};
    std::chrono::milliseconds connectTimeout{10000};
    std::chrono::milliseconds transferTimeout{75000};
    // The merged map is handed out at most this often while pieces arrive.
    std::chrono::milliseconds pictureInterval{500};
};

// What the frame loop learns from one poll.
struct MapFetchUpdate {
    std::size_t total = 0;
    // Pieces there, from the cache or fetched.
    std::size_t done = 0;
    // Pieces every server failed for.
    std::size_t missing = 0;
    // Bytes received from the servers.
    std::uint64_t bytes = 0;
    bool cacheOff = false;
    bool finished = false;
    bool cancelled = false;
    // True once every piece was there and the merged map was written to the target file.
    bool written = false;
    // The merged map so far, when it changed since the last poll.
    std::optional<std::vector<MapFeature>> features;
    // The reason of the last failed request, for the status line.
    std::string lastError;
};

class MapPieceFetcher {
public:
    MapPieceFetcher(std::vector<MapPiece> pieces, std::vector<OverpassServer> servers,
                    MapPieceCache cache, std::filesystem::path target,
                    PieceFetchTiming timing = {});
    MapPieceFetcher(const MapPieceFetcher&) = delete;
    MapPieceFetcher& operator=(const MapPieceFetcher&) = delete;
    // Cancels and waits for the threads; finished pieces stay in the cache.
    ~MapPieceFetcher();

    void cancel();
    MapFetchUpdate poll();
    // The status line's text for an update: progress, or how it ended.
    static std::string statusText(const MapFetchUpdate& update);

private:
    struct Fetched {
        std::optional<std::string> text;
        std::string error;
    };
    void downloadLoop();
    Fetched fetchFromServers(const MapPiece& piece);
    void buildLoop();
    bool sleepUnlessCancelled(std::chrono::milliseconds length);

    const std::vector<MapPiece> pieces_;
    const std::vector<OverpassServer> servers_;
    const std::filesystem::path target_;
    const PieceFetchTiming timing_;

    std::atomic<bool> cancelled_{false};
    std::atomic<std::uint64_t> bytes_{0};

    std::mutex mutex_;
    std::condition_variable changed_;
    MapPieceCache cache_;
    std::size_t nextPiece_ = 0;
    std::size_t done_ = 0;
    std::size_t missing_ = 0;
    int downloadersLeft_ = 0;
    std::vector<std::string> arrived_;
    std::string lastError_;
    bool finished_ = false;
    bool written_ = false;
    std::optional<std::vector<MapFeature>> features_;

    // Last: they start once everything above is ready, and stop before it goes.
    std::vector<std::jthread> threads_;
};

} // namespace trakmoor

#endif
