#include "map/OverpassDownload.h"
#include "gui/TempDir.h"
#include "map/CurlHandles.h"
#include "map/LocalHttpServer.h"
#include "map/OsmReader.h"
#include "track/GpxReader.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <list>
#include <mutex>
#include <random>
#include <thread>
#include <unistd.h>
#include <zlib.h>

using namespace trakmoor;
using namespace std::chrono_literals;
namespace fs = std::filesystem;
using Texts = std::vector<std::string>;

using maptest::Server;

namespace {

const std::string kMap = "<osm>\n<node id='1' lat='48.0' lon='16.0'/>\n<node id='2' lat='48.01' "
                         "lon='16.02'/>\n<way id='3'>\n<nd ref='1'/>\n<nd ref='2'/>\n<tag "
                         "k='highway' v='track'/>\n</way>\n</osm>\n";
const std::string kRemark = "<osm>\n<remark> runtime error: Query timed out </remark>\n</osm>\n";

// Content-Length tells `missing` bytes more than the body has, for an answer cut short.
std::string answer(const std::string& status, const std::string& body = kMap,
                   const std::string& headers = "", std::size_t missing = 0) {
    return "HTTP/1.1 " + status + "\r\nContent-Length: " + std::to_string(body.size() + missing) +
           "\r\nConnection: close\r\n" + headers + "\r\n" + body;
}
const std::string kOk = answer("200 OK"), kSlowMap = answer("200 OK", kMap, "X-Slow: 1\r\n");
const std::string kSlow = answer("200 OK", std::string(99999, ' '), "X-Slow: 1\r\n");
const std::string k429 = answer("429 Too Many Requests"), k504 = answer("504 Gateway Timeout");

const std::string kRefused = Server(kOk).url; // nobody listens there any more
// Servers for the replies, their URLs in `urls`; an empty reply stands for a refused connection.
std::list<Server> startServers(const Texts& replies, Texts& urls) {
    std::list<Server> servers;
    for (const std::string& reply : replies)
        urls.push_back(reply.empty() ? kRefused : servers.emplace_back(reply).url);
    return servers;
}

std::string read(const std::string& path) {
    return (std::ostringstream() << std::ifstream(path).rdbuf()).str();
}

// Points written "lat,lon lat,lon ...".
std::unique_ptr<Gpx> trackOf(const std::string& points) {
    std::string text = "<gpx><trk><trkseg>", lat, lon;
    for (std::istringstream in(points); std::getline(in >> std::ws, lat, ',') && in >> lon;)
        text += "<trkpt lat='" + lat + "' lon='" + lon + "'/>";
    return readGpxText(text + "</trkseg></trk></gpx>");
}
BoundingBox boxOf(const std::string& points) {
    return *downloadBoxOfTrack(*trackOf(points)->trackAt(0));
}

} // namespace

TEST(OverpassRequest, BoxAndServers) {
    const auto sample = readGpxFile(TRAKMOOR_SOURCE_DIR "/data/sample.gpx");
    EXPECT_EQ(boundingBoxText(*downloadBoxOfTrack(*sample->trackAt(0))),
              "47.1270192,9.4947448,47.1656840,9.5259741");
    EXPECT_EQ(boundingBoxText(boxOf("48,16")), "47.9995000,15.9995000,48.0005000,16.0005000");
    EXPECT_EQ(boxOf("89.9999,16").north, 90.0);
    EXPECT_FALSE(isDownloadableArea(boxOf("48,16 48.2,16.1"))); // 0.22 x 0.11
    EXPECT_TRUE(isDownloadableArea({0, 0, 0.02, 1}));
    EXPECT_FALSE(isDownloadableArea({0, 0, 0.0200001, 1}));
    EXPECT_FALSE(isDownloadableArea(boxOf("nan,16")));

    setenv("TRAKMOOR_OVERPASS_URLS", " http://127.0.0.1:80/i,,https://a.b/i, https://c:443/i,d", 1);
    const auto servers = configuredOverpassServers();
    unsetenv("TRAKMOOR_OVERPASS_URLS");
    ASSERT_EQ(servers.size(), 3u);
    EXPECT_EQ(servers[0].url, "http://127.0.0.1:80/i");
    EXPECT_EQ(servers[0].displayName + servers[1].displayName + servers[2].displayName,
              "127.0.0.1:80a.bc:443");
    EXPECT_EQ(configuredOverpassServers()[2].displayName, "maps.mail.ru");
}

class Download : public ::testing::Test {
protected:
    bool run(const Texts& urls, const Gpx* on = nullptr) {
        std::vector<OverpassServer> table;
        for (const std::string& url : urls)
            table.push_back({"local" + std::to_string(table.size() + 1), url});
        const bool done =
            downloadOsmMap((on ? on : gpx.get())->trackAt(0), target, table, callbacks, timing);
        EXPECT_FALSE(fs::exists(target + ".part"));
        EXPECT_EQ(done, fs::is_regular_file(target));
        return done;
    }
    TempDir dir;
    std::string target = (dir.path() / "tour.osm").string();
    std::unique_ptr<Gpx> gpx = trackOf("48.0,16.0 48.01,16.02");
    Texts statuses, errors;
    DownloadCallbacks callbacks{[this](const std::string& s) { statuses.push_back(s); },
                                {},
                                {},
                                [this](const std::string& e) { errors.push_back(e); }};
    DownloadTiming timing{1ms, 2s, 600ms};
};

TEST_F(Download, FirstServerGetsTheExactRequest) {
    Server server(kOk);
    std::ofstream(target + ".part") << std::string(9000, 'x'); // stale, longer than the map
    testing::internal::CaptureStderr();
    ASSERT_TRUE(run({server.url}));
    EXPECT_EQ(read(target), kMap);
    EXPECT_EQ(statuses, Texts({"OSM download: attempt 1 of 1 — local1",
                               "OSM map downloaded successfully: tour.osm"}));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              statuses[0] + "\n" + statuses[1] + "\nOSM map downloaded to \"" + target + "\"\n");
    const std::string request = server.requests().at(0);
    EXPECT_TRUE(request.starts_with("POST /api/interpreter HTTP/1.1\r\n"));
    EXPECT_NE(request.find("\nUser-Agent: Trakmoor/0.0.0 (GPX map download)\r"), request.npos);
    EXPECT_NE(request.find("\nContent-Type: application/x-www-form-urlencoded\r"), request.npos);
    const std::size_t body = request.find("\r\n\r\ndata=") + 9;
    int length = 0;
    const CurlStringPtr query(
        curl_easy_unescape(nullptr, &request[body], request.size() - body, &length));
    EXPECT_EQ(std::string(query.get(), length),
              overpassQuery("47.9995000,15.9990000,48.0105000,16.0210000"));
}

TEST_F(Download, FailedServersAreFollowedByTheNext) {
    Server good(kOk);
    const gzFile packed = gzopen((target + ".gz").c_str(), "wb");
    gzwrite(packed, kMap.data(), kMap.size());
    gzclose(packed);
    const std::pair<Texts, std::string> cases[] = {
        {{k429, k504, answer("302 Found", "", "Location: " + good.url + "\r\n")}, ""},
        {{answer("200 OK", read(target + ".gz"), "Content-Encoding: gzip\r\n")}, ""},
        {{answer("200 OK", kRemark + std::string(4000, ' '))},
         "local1: the server sent an error remark: runtime error: Query timed out"},
        {{answer("200 OK", "")}, "local1: the server sent an empty answer"},
        {{answer("200 OK", "<html>busy</html>")}, "local1: the server sent no OSM data"},
        {{answer("200 OK", kMap, "", 9)}, "local1: Transferred a partial file"},
        {{kSlow}, "local1: Timeout was reached"},
        // A server sending the request back to itself.
        {{answer("307 Temporary Redirect", "", "Location: /api/interpreter\r\n")},
         "local1: Number of redirects hit maximum amount"},
        {{answer("200 OK", kRemark), "", k504},
         "local1: the server sent an error remark: runtime error: Query timed out; local2: "
         "Couldn't connect to server; local3: HTTP 504"}};
    testing::internal::CaptureStderr();
    for (const auto& [replies, error] : cases) {
        Texts urls, expected{"Download failed after all attempts: " + error};
        const std::list<Server> servers = startServers(replies, urls);
        EXPECT_EQ(run(urls), error.empty()) << replies[0];
        EXPECT_EQ(errors, error.empty() ? Texts{} : expected) << replies[0];
        EXPECT_EQ(error.empty() ? kMap : "", read(target));
        errors.clear(), fs::remove(target);
    }
    EXPECT_NE(testing::internal::GetCapturedStderr().find(
                  "OSM download failed: local2: Couldn't connect to server\n"),
              std::string::npos);
    EXPECT_EQ(statuses[1],
              "OSM server failed: local1 (HTTP 429). Trying the next server in 2 seconds.");
    EXPECT_EQ(statuses[3] + statuses[4],
              "OSM server failed: local2 (HTTP 504). Trying the next server in 2 seconds.OSM "
              "download: attempt 3 of 3 — local3");
    // The redirected request is still the POST with its query.
    ASSERT_EQ(good.requests().size(), 1u);
    EXPECT_TRUE(good.requests()[0].starts_with("POST "));
    EXPECT_NE(good.requests()[0].find("\r\n\r\ndata="), std::string::npos);
}

TEST_F(Download, RefusedOrUnsavedDownloads) {
    Server server(kOk);
    run({server.url}, trackOf("48,16 48.2,16.1").get()), run({server.url}, trackOf("").get());
    run({});
    target = dir.file("plain").string() + "/tour.osm"; // even root cannot write below a file
    run({server.url});
    EXPECT_EQ(server.requests().size(), 0u);
    target = dir.dir("tour.osm").string();
    dir.file("tour.osm/inside");
    run({server.url});
    EXPECT_TRUE(fs::is_directory(target));
    EXPECT_EQ(
        errors,
        Texts({"The track area is too large for the automatic download.",
               "The selected track contains no waypoints.", "No Overpass server is configured.",
               "The file could not be created:\n" + dir.path().string() + "/plain/tour.osm",
               "The downloaded map could not be saved: Is a directory"}));
}

TEST_F(Download, EscapeEndsTransferAndPause) {
    Server slow(kSlow), tooMany(k429), good(kOk);
    callbacks.cancelRequested = [this] { return statuses.back().ends_with(" kB"); };
    testing::internal::CaptureStderr();
    EXPECT_FALSE(run({slow.url, good.url}));
    // The amount received goes to standard error too.
    EXPECT_NE(testing::internal::GetCapturedStderr().find(" — local1 · "), std::string::npos);
    timing.retryPause = 5min;
    callbacks.cancelRequested = [this] { return statuses.back().starts_with("OSM server"); };
    EXPECT_FALSE(run({tooMany.url, good.url}));
    // A cancel is reported on the status line, not as an error.
    EXPECT_EQ(errors, Texts{});
    EXPECT_EQ(statuses.back(), "Download cancelled");
    EXPECT_EQ(good.requests().size(), 0u);
    // A failing callback ends the download too, and is the caller's to report.
    callbacks.repaintNow = [this] { statuses.back().ends_with(" kB") ? throw 1 : void(); };
    EXPECT_THROW(run({slow.url}), int);
}

TEST_F(Download, RandomAnswersNeverLeaveHalfAMap) {
    std::mt19937 random(20240615);
    const std::string answers[] = {
        kOk, k429, k504, answer("200 OK", kRemark), answer("200 OK", kMap, "", 9), kSlowMap};
    Texts replies(600);
    for (std::string& reply : replies)
        reply = answers[random() % 6];
    const Server server(replies);
    const auto pick = [&] { return random() % 7 ? server.url : kRefused; };
    int loaded = 0;
    for (int i = 0; i < 200; ++i) {
        if (run({pick(), pick(), pick()}) && ++loaded) {
            EXPECT_EQ(readOsmMapFile(target).features.size(), 1u);
        }
        fs::remove(target);
    }
    EXPECT_TRUE(loaded > 20 && loaded < 180) << loaded;
}
