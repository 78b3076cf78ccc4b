#include "map/MapPieceFetcher.h"

#include "map/CurlHandles.h"
#include "map/OsmMerge.h"
#include "map/OsmReader.h"

#include <libintl.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <iostream>
#include <utility>

#ifndef TRAKMOOR_VERSION
#define TRAKMOOR_VERSION "0.0.0"
#endif

namespace trakmoor {

using Clock = std::chrono::steady_clock;

namespace {

// The same agent as the single download, so the servers' operators see one program.
constexpr const char* userAgent = "Trakmoor/" TRAKMOOR_VERSION " (GPX map download)";
constexpr int parallelRequests = 2;

struct RequestState {
    std::string body;
    const std::atomic<bool>* cancelled;
    std::atomic<std::uint64_t>* bytes;
};

std::size_t appendBlock(char* data, std::size_t size, std::size_t count, void* state) {
    auto& request = *static_cast<RequestState*>(state);
    request.body.append(data, size * count);
    *request.bytes += size * count;
    return size * count;
}

int stopWhenCancelled(void* state, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return static_cast<RequestState*>(state)->cancelled->load() ? 1 : 0;
}

std::string fixedText(double value, int decimals) {
    std::array<char, 64> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                      std::chars_format::fixed, decimals);
    return std::string(buffer.data(), result.ptr);
}

// Fills the "%s" of a translated text in order.
std::string filled(const char* translated, std::initializer_list<std::string> values) {
    std::string text = translated;
    std::size_t at = 0;
    for (const std::string& value : values) {
        at = text.find("%s", at);
        if (at == std::string::npos) {
            break;
        }
        text.replace(at, 2, value);
        at += value.size();
    }
    return text;
}

} // namespace

MapPieceFetcher::MapPieceFetcher(std::vector<MapPiece> pieces, std::vector<OverpassServer> servers,
                                 MapPieceCache cache, std::filesystem::path target,
                                 PieceFetchTiming timing)
    : pieces_(std::move(pieces)), servers_(std::move(servers)), target_(std::move(target)),
      timing_(timing), cache_(std::move(cache)) {
    const int downloaders =
        std::max(1, std::min(parallelRequests, static_cast<int>(pieces_.size())));
    downloadersLeft_ = downloaders;
    for (int i = 0; i < downloaders; ++i) {
        threads_.emplace_back([this] { downloadLoop(); });
    }
    threads_.emplace_back([this] { buildLoop(); });
}

MapPieceFetcher::~MapPieceFetcher() {
    cancel();
    threads_.clear();
}

void MapPieceFetcher::cancel() {
    {
        std::lock_guard lock(mutex_);
        cancelled_ = true;
    }
    changed_.notify_all();
}

bool MapPieceFetcher::sleepUnlessCancelled(std::chrono::milliseconds length) {
    std::unique_lock lock(mutex_);
    return !changed_.wait_for(lock, length, [this] { return cancelled_.load(); });
}

void MapPieceFetcher::downloadLoop() {
    for (;;) {
        MapPiece piece;
        std::optional<std::string> text;
        {
            std::lock_guard lock(mutex_);
            if (cancelled_ || nextPiece_ == pieces_.size()) {
                break;
            }
            piece = pieces_[nextPiece_++];
            text = cache_.load(piece);
        }
        std::string error;
        const bool cached = text.has_value();
        if (!cached) {
            Fetched fetched = fetchFromServers(piece);
            text = std::move(fetched.text);
            error = std::move(fetched.error);
        }
        std::lock_guard lock(mutex_);
        if (text) {
            // A cache that cannot take it turns off; the piece is then kept in memory only.
            if (!cached) {
                cache_.store(piece, *text);
            }
            arrived_.push_back(std::move(*text));
            ++done_;
        } else if (!cancelled_) {
            ++missing_;
            lastError_ = error;
        }
        changed_.notify_all();
    }
    std::lock_guard lock(mutex_);
    --downloadersLeft_;
    changed_.notify_all();
}

MapPieceFetcher::Fetched MapPieceFetcher::fetchFromServers(const MapPiece& piece) {
    const CurlEasyPtr handle(curl_easy_init());
    const std::optional<std::string> form =
        handle ? overpassFormBody(handle.get(), piece.query()) : std::nullopt;
    if (!form) {
        return {std::nullopt, gettext("The OSM download could not be prepared.")};
    }
    RequestState state{{}, &cancelled_, &bytes_};
    CURL* curl = handle.get();
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, form->c_str());
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE, static_cast<long>(form->size()));
    curl_easy_setopt(curl, CURLOPT_USERAGENT, userAgent);
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 5L);
    // A redirected query stays a POST.
    curl_easy_setopt(curl, CURLOPT_POSTREDIR, static_cast<long>(CURL_REDIR_POST_ALL));
    curl_easy_setopt(curl, CURLOPT_ACCEPT_ENCODING, "");
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS,
                     static_cast<long>(timing_.connectTimeout.count()));
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, static_cast<long>(timing_.transferTimeout.count()));
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &appendBlock);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &state);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &stopWhenCancelled);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &state);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);

    std::string error;
    const std::size_t attempts = std::min(servers_.size(), maxOverpassServers);
    for (std::size_t attempt = 0; attempt < attempts; ++attempt) {
        const OverpassServer& server = servers_[attempt];
        state.body.clear();
        curl_easy_setopt(curl, CURLOPT_URL, server.url.c_str());
        const CURLcode result = curl_easy_perform(curl);
        if (cancelled_) {
            return {};
        }
        long status = 0;
        curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
        if (result != CURLE_OK) {
            error = curl_easy_strerror(result);
        } else if (status != 200) {
            error = "HTTP " + std::to_string(status);
        } else if (!isCompleteOsmText(state.body)) {
            error = state.body.empty() ? gettext("empty answer") : gettext("no complete OSM data");
        } else {
            return {std::move(state.body), {}};
        }
        error = server.displayName + ": " + error;
        std::cerr << gettext("OSM download failed: ") << error << '\n';
        if (attempt + 1 == attempts) {
            break;
        }
        // Busy servers say when to come back; the next server gets the piece after that.
        std::chrono::milliseconds pause = timing_.retryPause;
        curl_off_t retryAfter = 0;
        if ((status == 429 || status == 504) &&
            curl_easy_getinfo(curl, CURLINFO_RETRY_AFTER, &retryAfter) == CURLE_OK &&
            retryAfter > 0) {
            pause = std::min<std::chrono::milliseconds>(std::chrono::seconds(retryAfter),
                                                        timing_.longestRetryPause);
        }
        if (!sleepUnlessCancelled(pause)) {
            return {};
        }
    }
    return {std::nullopt, error};
}

void MapPieceFetcher::buildLoop() {
    OsmMerger merger;
    Clock::time_point lastPicture = Clock::now() - timing_.pictureInterval;
    for (;;) {
        std::vector<std::string> texts;
        bool allThere = false;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(
                lock, [this] { return cancelled_ || downloadersLeft_ == 0 || !arrived_.empty(); });
            if (cancelled_) {
                finished_ = true;
                return;
            }
            allThere = downloadersLeft_ == 0;
            if (!allThere && Clock::now() - lastPicture < timing_.pictureInterval) {
                // Not yet: more pieces may come before the next picture is due.
                changed_.wait_for(lock, timing_.pictureInterval - (Clock::now() - lastPicture),
                                  [this] { return cancelled_ || downloadersLeft_ == 0; });
                continue;
            }
            texts.swap(arrived_);
        }
        for (const std::string& text : texts) {
            merger.add(text);
        }
        texts.clear();
        bool written = false;
        std::string document = merger.text();
        if (allThere) {
            std::lock_guard lock(mutex_);
            written = missing_ == 0 && !cancelled_ && merger.writeTo(target_);
        }
        OsmMapReadResult read = readOsmMapText(document);
        document.clear();
        lastPicture = Clock::now();
        std::lock_guard lock(mutex_);
        if (read.outcome == OsmMapReadResult::Outcome::Loaded) {
            features_ = std::move(read.features);
        }
        if (allThere) {
            written_ = written;
            finished_ = true;
            return;
        }
    }
}

MapFetchUpdate MapPieceFetcher::poll() {
    std::lock_guard lock(mutex_);
    MapFetchUpdate update;
    update.total = pieces_.size();
    update.done = done_;
    update.missing = missing_;
    update.bytes = bytes_;
    update.cacheOff = !cache_.enabled();
    update.finished = finished_;
    update.cancelled = cancelled_;
    update.written = written_;
    update.features = std::exchange(features_, std::nullopt);
    update.lastError = lastError_;
    return update;
}

std::string MapPieceFetcher::statusText(const MapFetchUpdate& update) {
    const std::string megabytes = fixedText(static_cast<double>(update.bytes) / 1e6, 1);
    std::string text;
    if (update.cancelled) {
        text = gettext("Download cancelled");
    } else if (update.finished && update.missing > 0) {
        text = filled(gettext("Map incomplete: %s of %s pieces missing"),
                      {std::to_string(update.missing), std::to_string(update.total)});
        if (!update.lastError.empty()) {
            text += " (" + update.lastError + ")";
        }
    } else if (update.finished && !update.written) {
        text = gettext("The downloaded map could not be saved.");
    } else {
        text = filled(gettext("Map: %s of %s pieces, %s MB"),
                      {std::to_string(update.done), std::to_string(update.total), megabytes});
    }
    if (update.cacheOff) {
        text += gettext(" (cache off)");
    }
    return text;
}

} // namespace trakmoor
