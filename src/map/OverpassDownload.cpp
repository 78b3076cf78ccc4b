#include "map/OverpassDownload.h"

#include "map/CurlHandles.h"
#include "track/Gpx.h"

#include <libintl.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <thread>
#include <utility>

#ifndef TRAKMOOR_VERSION
#define TRAKMOOR_VERSION "0.0.0"
#endif

namespace trakmoor {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr const char* userAgent = "Trakmoor/" TRAKMOOR_VERSION " (GPX map download)";
constexpr std::array publicServerUrls = {
    "https://overpass-api.de/api/interpreter",
    "https://overpass.kumi.systems/api/interpreter",
    "https://maps.mail.ru/osm/tools/overpass/api/interpreter",
};
// Servers report errors as a remark element near the start of an otherwise valid document.
constexpr std::size_t checkedPrefix = 4096;
constexpr auto repaintInterval = std::chrono::milliseconds(100);
constexpr auto pauseStep = std::chrono::milliseconds(50);
constexpr long maxRedirects = 5;
// Progress on standard error is written less often than the window is repainted.
constexpr auto progressLineInterval = std::chrono::seconds(1);

std::string displayNameOfUrl(const std::string& url) {
    const CurlUrlPtr parsed(curl_url());
    if (!parsed || curl_url_set(parsed.get(), CURLUPART_URL, url.c_str(), 0) != CURLUE_OK) {
        return url;
    }
    char* part = nullptr;
    if (curl_url_get(parsed.get(), CURLUPART_HOST, &part, 0) != CURLUE_OK) {
        return url;
    }
    std::string name = CurlStringPtr(part).get();
    // Only an explicit port is reported; the scheme's default one is not.
    if (curl_url_get(parsed.get(), CURLUPART_PORT, &part, 0) == CURLUE_OK) {
        name += ':';
        name += CurlStringPtr(part).get();
    }
    return name;
}

std::string_view trimmed(std::string_view text) {
    constexpr std::string_view blanks = " \t\r\n";
    const std::size_t start = text.find_first_not_of(blanks);
    if (start == std::string_view::npos) {
        return {};
    }
    return text.substr(start, text.find_last_not_of(blanks) - start + 1);
}

std::string fixedText(double value, int decimals) {
    std::array<char, 64> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                      std::chars_format::fixed, decimals);
    return std::string(buffer.data(), result.ptr);
}

// "734.2 kB", "1.4 MB": decimal units, as download tools show them.
std::string byteCountText(curl_off_t bytes) {
    if (bytes < 999'950) {
        return fixedText(static_cast<double>(bytes) / 1e3, 1) + " kB";
    }
    return fixedText(static_cast<double>(bytes) / 1e6, 1) + " MB";
}

void removeIfPresent(const fs::path& path) {
    if (fs::exists(path)) {
        fs::remove(path);
    }
}

// Takes the temporary file away on every way out of the download, exceptions included.  After
// the final rename there is nothing left to remove.
class TemporaryFile {
public:
    explicit TemporaryFile(fs::path path) : path_(std::move(path)) {}
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    ~TemporaryFile() {
        std::error_code ignored;
        fs::remove(path_, ignored);
    }
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

// Why an answer of HTTP 200 holds no map, or empty when it holds one.  Servers report their own
// errors as a remark element near the start of an otherwise valid document.
std::string answerProblem(const fs::path& path) {
    std::error_code error;
    if (!fs::is_regular_file(path, error) || fs::file_size(path, error) == 0) {
        return gettext("the server sent an empty answer");
    }
    std::ifstream in(path, std::ios::binary);
    std::string head(checkedPrefix, '\0');
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<std::size_t>(in.gcount()));
    if (const std::size_t remark = head.find("<remark>"); remark != std::string::npos) {
        const std::size_t start = remark + std::string_view("<remark>").size();
        std::string text(trimmed(std::string_view(head).substr(
            start, std::min(head.find("</remark>", start), head.size()) - start)));
        // The remark's own white space and line breaks would break the message's line.
        std::replace_if(
            text.begin(), text.end(), [](unsigned char c) { return c < 0x20; }, ' ');
        return gettext("the server sent an error remark: ") + text;
    }
    if (head.find("<osm") == std::string::npos) {
        return gettext("the server sent no OSM data");
    }
    return {};
}

// One download's conversation with libcurl and with the user.  libcurl calls back through C
// frames, so nothing may be thrown through them: a callback's exception is kept, the transfer
// aborted, and the exception thrown again once libcurl has returned.
class Transfer {
public:
    Transfer(DownloadCallbacks& callbacks, const DownloadTiming& timing)
        : callbacks_(callbacks), timing_(timing) {}

    std::ofstream output;

    void setStatus(const std::string& text) {
        if (callbacks_.setStatus) {
            callbacks_.setStatus(text);
        }
    }
    void repaintNow() {
        lastRepaint_ = Clock::now();
        if (callbacks_.repaintNow) {
            callbacks_.repaintNow();
        }
    }
    void repaintIfDue() {
        if (Clock::now() - lastRepaint_ >= repaintInterval) {
            repaintNow();
        }
    }
    // Status line, standard error and one frame.
    void announce(const std::string& text) {
        setStatus(text);
        std::cerr << text << '\n';
        repaintNow();
    }
    bool cancelRequested() {
        if (!cancelled_ && callbacks_.cancelRequested && callbacks_.cancelRequested()) {
            cancelled_ = true;
        }
        return cancelled_;
    }
    bool cancelled() const { return cancelled_; }

    // Sets the options that stay the same for every server.
    void configure(CURL* handle, const std::string& body) {
        curl_easy_setopt(handle, CURLOPT_POSTFIELDS, body.c_str());
        curl_easy_setopt(handle, CURLOPT_POSTFIELDSIZE, static_cast<long>(body.size()));
        curl_easy_setopt(handle, CURLOPT_USERAGENT, userAgent);
        // A redirect keeps the query: without POSTREDIR libcurl turns the POST into an empty GET.
        // A server that keeps sending the request elsewhere counts as failed.
        curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
        curl_easy_setopt(handle, CURLOPT_MAXREDIRS, maxRedirects);
        curl_easy_setopt(handle, CURLOPT_POSTREDIR, static_cast<long>(CURL_REDIR_POST_ALL));
        curl_easy_setopt(handle, CURLOPT_ACCEPT_ENCODING, "");
        curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS,
                         static_cast<long>(timing_.connectTimeout.count()));
        curl_easy_setopt(handle, CURLOPT_TIMEOUT_MS,
                         static_cast<long>(timing_.transferTimeout.count()));
        curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &Transfer::writeBlock);
        curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, &Transfer::onProgress);
        curl_easy_setopt(handle, CURLOPT_XFERINFODATA, this);
        curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
    }

    // The response goes straight to the open output file; the result is the perform's.
    CURLcode fetch(CURL* handle, const std::string& url, const std::string& progressText) {
        progressText_ = progressText;
        curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
        curl_easy_setopt(handle, CURLOPT_WRITEDATA, &output);
        const CURLcode result = curl_easy_perform(handle);
        if (callbackFailure_) {
            std::rethrow_exception(std::exchange(callbackFailure_, nullptr));
        }
        return result;
    }

    // Waits between two servers; false when the user cancelled meanwhile.
    bool pause(std::chrono::milliseconds length) {
        const Clock::time_point end = Clock::now() + length;
        while (!cancelRequested()) {
            const Clock::duration left = end - Clock::now();
            if (left <= Clock::duration::zero()) {
                return true;
            }
            std::this_thread::sleep_for(std::min<Clock::duration>(left, pauseStep));
            repaintIfDue();
        }
        return false;
    }

private:
    static std::size_t writeBlock(char* data, std::size_t size, std::size_t count, void* stream) {
        auto& out = *static_cast<std::ofstream*>(stream);
        const std::size_t bytes = size * count;
        out.write(data, static_cast<std::streamsize>(bytes));
        // Anything short of the block makes libcurl end the transfer with a write error.
        return out.good() ? bytes : 0;
    }

    static int onProgress(void* self, curl_off_t, curl_off_t received, curl_off_t, curl_off_t) {
        auto& transfer = *static_cast<Transfer*>(self);
        try {
            if (transfer.cancelRequested()) {
                return 1;
            }
            if (Clock::now() - transfer.lastRepaint_ >= repaintInterval) {
                if (received > 0) {
                    const std::string text =
                        transfer.progressText_ + " · " + byteCountText(received);
                    transfer.setStatus(text);
                    if (Clock::now() - transfer.lastProgressLine_ >= progressLineInterval) {
                        transfer.lastProgressLine_ = Clock::now();
                        std::cerr << text << '\n';
                    }
                }
                transfer.repaintNow();
            }
            return 0;
        } catch (...) {
            transfer.callbackFailure_ = std::current_exception();
            return 1;
        }
    }

    DownloadCallbacks& callbacks_;
    const DownloadTiming& timing_;
    std::string progressText_;
    Clock::time_point lastRepaint_ = Clock::now();
    // The first amount goes out at once.
    Clock::time_point lastProgressLine_{};
    bool cancelled_ = false;
    std::exception_ptr callbackFailure_;
};

// Empty when the attempt brought a usable map.
std::string attemptError(CURLcode result, long status, const fs::path& part) {
    if (result != CURLE_OK) {
        return curl_easy_strerror(result);
    }
    if (status != 200) {
        return "HTTP " + std::to_string(status);
    }
    return answerProblem(part);
}

bool fail(DownloadCallbacks& callbacks, const std::string& detail) {
    if (callbacks.showMapError) {
        callbacks.showMapError(detail);
    }
    return false;
}

} // namespace

std::vector<OverpassServer> defaultOverpassServers() {
    std::vector<OverpassServer> servers;
    for (const char* url : publicServerUrls) {
        servers.push_back({displayNameOfUrl(url), url});
    }
    return servers;
}

std::vector<OverpassServer> parseOverpassServerList(std::string_view urls) {
    std::vector<OverpassServer> servers;
    while (servers.size() < maxOverpassServers) {
        const std::size_t comma = urls.find(',');
        const std::string url(trimmed(urls.substr(0, comma)));
        if (!url.empty()) {
            servers.push_back({displayNameOfUrl(url), url});
        }
        if (comma == std::string_view::npos) {
            break;
        }
        urls.remove_prefix(comma + 1);
    }
    return servers;
}

std::vector<OverpassServer> configuredOverpassServers() {
    const char* urls = std::getenv("TRAKMOOR_OVERPASS_URLS");
    if (urls == nullptr || *urls == '\0') {
        return defaultOverpassServers();
    }
    return parseOverpassServerList(urls);
}

std::optional<BoundingBox> downloadBoxOfTrack(const Track& track) {
    const WayPoint* first = track.pointAt(0);
    if (first == nullptr) {
        return std::nullopt;
    }
    double minLat = first->lat();
    double maxLat = minLat;
    double minLon = first->lon();
    double maxLon = minLon;
    for (std::int32_t i = 1; i < track.pointCount(); ++i) {
        const WayPoint& point = *track.pointAt(i);
        minLat = std::min(minLat, point.lat());
        maxLat = std::max(maxLat, point.lat());
        minLon = std::min(minLon, point.lon());
        maxLon = std::max(maxLon, point.lon());
    }
    const double latMargin = std::max((maxLat - minLat) * 0.05, 0.0005);
    const double lonMargin = std::max((maxLon - minLon) * 0.05, 0.0005);
    return BoundingBox{std::max(minLat - latMargin, -90.0), std::max(minLon - lonMargin, -180.0),
                       std::min(maxLat + latMargin, 90.0), std::min(maxLon + lonMargin, 180.0)};
}

bool isDownloadableArea(const BoundingBox& box) {
    // Written so that a box with a coordinate that is not a number is refused too.
    return (box.east - box.west) * (box.north - box.south) <= maxDownloadArea;
}

std::string boundingBoxText(const BoundingBox& box) {
    return fixedText(box.south, 7) + ',' + fixedText(box.west, 7) + ',' + fixedText(box.north, 7) +
           ',' + fixedText(box.east, 7);
}

std::string queryAroundBox(std::span<const std::string_view> pieces, std::string_view boxText) {
    std::string query(pieces.empty() ? std::string_view{} : pieces[0]);
    for (std::size_t i = 1; i < pieces.size(); ++i) {
        query += boxText;
        query += pieces[i];
    }
    return query;
}

std::string overpassQuery(std::string_view boxText) {
    static constexpr std::array<std::string_view, 9> pieces = {
        "[out:xml][timeout:60];(way[highway](",
        ");way[railway](",
        ");way[waterway](",
        ");way[natural~\"^(water|bay|wood)$\"](",
        ");way[landuse~\"^(reservoir|basin|forest|orchard|vineyard|grass|meadow|residential|"
        "industrial|commercial|retail|construction)$\"](",
        ");way[leisure~\"^(park|garden|recreation_ground)$\"](",
        ");relation[type=multipolygon][natural~\"^(water|bay)$\"](",
        ");relation[type=multipolygon][landuse~\"^(reservoir|basin)$\"](",
        "););(._;>;);out body;",
    };
    return queryAroundBox(pieces, boxText);
}

std::optional<std::string> overpassFormBody(CURL* handle, std::string_view query) {
    const CurlStringPtr escaped(
        curl_easy_escape(handle, query.data(), static_cast<int>(query.size())));
    if (!escaped) {
        return std::nullopt;
    }
    return "data=" + std::string(escaped.get());
}

bool downloadOsmMap(const Track* track, const std::string& targetPath,
                    const std::vector<OverpassServer>& servers, DownloadCallbacks& callbacks,
                    const DownloadTiming& timing) {
    const std::optional<BoundingBox> box =
        track != nullptr ? downloadBoxOfTrack(*track) : std::nullopt;
    if (!box) {
        return fail(callbacks, gettext("The selected track contains no waypoints."));
    }
    if (!isDownloadableArea(*box)) {
        return fail(callbacks, gettext("The track area is too large for the automatic download."));
    }
    if (servers.empty()) {
        return fail(callbacks, gettext("No Overpass server is configured."));
    }
    const std::string query = overpassQuery(boundingBoxText(*box));
    // Declared before the stream and the handle, so it is removed after both are closed.
    const TemporaryFile part(targetPath + ".part");

    CurlEasyPtr handle(curl_easy_init());
    if (!handle) {
        removeIfPresent(part.path());
        return fail(callbacks, gettext("The OSM download could not be initialized."));
    }
    const std::optional<std::string> body = overpassFormBody(handle.get(), query);
    if (!body) {
        handle.reset();
        removeIfPresent(part.path());
        return fail(callbacks, gettext("The OSM download could not be prepared."));
    }
    Transfer transfer(callbacks, timing);
    transfer.configure(handle.get(), *body);

    const std::size_t attempts = std::min(servers.size(), maxOverpassServers);
    // "host: reason" of every server that failed, for the final message.
    std::string reasons;
    for (std::size_t attempt = 1;; ++attempt) {
        const OverpassServer& server = servers[attempt - 1];
        removeIfPresent(part.path());
        transfer.output.open(part.path(), std::ios::binary | std::ios::out | std::ios::trunc);
        if (!transfer.output.is_open()) {
            handle.reset();
            return fail(callbacks, gettext("The file could not be created:\n") + targetPath);
        }
        const std::string progress = gettext("OSM download: attempt ") + std::to_string(attempt) +
                                     gettext(" of ") + std::to_string(attempts) + " — " +
                                     server.displayName;
        transfer.announce(progress);

        const CURLcode result = transfer.fetch(handle.get(), server.url, progress);
        long status = 0;
        curl_easy_getinfo(handle.get(), CURLINFO_RESPONSE_CODE, &status);
        transfer.output.close();
        if (transfer.cancelled()) {
            break;
        }
        const std::string error = attemptError(result, status, part.path());
        if (error.empty()) {
            handle.reset();
            std::error_code renameError;
            fs::rename(part.path(), targetPath, renameError);
            if (renameError) {
                fs::remove(part.path());
                return fail(callbacks, gettext("The downloaded map could not be saved: ") +
                                           renameError.message());
            }
            transfer.announce(gettext("OSM map downloaded successfully: ") +
                              fs::path(targetPath).filename().string());
            std::cerr << gettext("OSM map downloaded to ") << std::quoted(targetPath) << '\n';
            return true;
        }

        std::cerr << gettext("OSM download failed: ") << server.displayName << ": " << error
                  << '\n';
        fs::remove(part.path());
        reasons += (reasons.empty() ? "" : "; ") + server.displayName + ": " + error;
        if (attempt == attempts) {
            handle.reset();
            return fail(callbacks, gettext("Download failed after all attempts: ") + reasons);
        }
        transfer.announce(gettext("OSM server failed: ") + server.displayName + " (" + error +
                          gettext("). Trying the next server in 2 seconds."));
        if (!transfer.pause(timing.retryPause)) {
            break;
        }
    }
    // Only a cancel leaves the loop here.
    handle.reset();
    removeIfPresent(part.path());
    // A cancel is the user's own choice: it is reported, not shown as an error.
    transfer.announce(gettext("Download cancelled"));
    return false;
}

} // namespace trakmoor
