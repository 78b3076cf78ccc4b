#ifndef TRAKMOOR_MAP_OVERPASSDOWNLOAD_H
#define TRAKMOOR_MAP_OVERPASSDOWNLOAD_H

// Downloads the map data around a track from Overpass API servers into an OSM XML file, trying
// the configured servers one after the other.  The download blocks its caller; it talks to the
// user only through the callbacks it is given, so it needs no toolkit.

#include <chrono>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include <curl/curl.h>

namespace trakmoor {

class Track;

struct OverpassServer {
    // The host (with ":port" when the URL names one), for messages.
    std::string displayName;
    std::string url;
};

// At most this many servers are tried per download.
inline constexpr std::size_t maxOverpassServers = 3;

// The public servers, in the order they are tried.
std::vector<OverpassServer> defaultOverpassServers();
// Servers from comma-separated URLs: blanks around an item and empty items are skipped, only
// the first three count.  A text that is no URL is kept and named as written; it fails when used.
std::vector<OverpassServer> parseOverpassServerList(std::string_view urls);
// The servers of TRAKMOOR_OVERPASS_URLS when it is set and not empty, else the public ones.
std::vector<OverpassServer> configuredOverpassServers();

// Degrees.
struct BoundingBox {
    double south = 0.0;
    double west = 0.0;
    double north = 0.0;
    double east = 0.0;
};

// The box of the track's points widened by 5 % of its height and width (at least 0.0005° on each
// side) and clamped to the globe.  None for a track without points.
std::optional<BoundingBox> downloadBoxOfTrack(const Track& track);

// Larger areas (in square degrees) are refused: the servers would time out or refuse them.
inline constexpr double maxDownloadArea = 0.02;
// False above the limit, and for a box with coordinates that are not numbers.
bool isDownloadableArea(const BoundingBox& box);

// "south,west,north,east", each with 7 decimals, whatever the locale.
std::string boundingBoxText(const BoundingBox& box);
// The Overpass QL query for roads, railways, waterways, water, land use and parks in the box,
// with everything they reference, as XML.
// The query whose pieces are joined by the box text: each statement's box is the same.
std::string queryAroundBox(std::span<const std::string_view> pieces, std::string_view boxText);

std::string overpassQuery(std::string_view boxText);
// The request body "data=" + the percent-encoded query; none when libcurl cannot encode it.
std::optional<std::string> overpassFormBody(CURL* handle, std::string_view query);

// How the download talks to its user.  Any of them may be left empty.
struct DownloadCallbacks {
    // Replaces the status line.
    std::function<void(const std::string&)> setStatus;
    // Brings the window on screen once while the caller is blocked; called at most ten times a
    // second, also during the pause between servers.
    std::function<void()> repaintNow;
    // Asked during transfers and pauses; true ends the download as cancelled, which the status
    // line reports ("Download cancelled") and showMapError does not.
    std::function<bool()> cancelRequested;
    // Reports the reason a download ended without a map; the caller adds its heading.
    std::function<void(const std::string&)> showMapError;
};

struct DownloadTiming {
    std::chrono::milliseconds retryPause{2000};
    std::chrono::milliseconds connectTimeout{10000};
    std::chrono::milliseconds transferTimeout{75000};
};

// Downloads the map around `track` into `targetPath`, replacing a file there.  True when the file
// now holds the new map.  On false no file was written and, unless the user cancelled, the reason
// (for each server tried: "host: reason", joined by "; ") went to showMapError; the
// temporary "<targetPath>.part" is never left behind.  File-system errors other than a failed
// final rename, and exceptions of the callbacks, propagate to the caller.
bool downloadOsmMap(const Track* track, const std::string& targetPath,
                    const std::vector<OverpassServer>& servers, DownloadCallbacks& callbacks,
                    const DownloadTiming& timing = {});

} // namespace trakmoor

#endif
