#include "track/TrackFile.h"

#include "track/FitReader.h"
#include "track/TcxReader.h"

#include <cstdint>
#include <fstream>
#include <span>

#include <libintl.h>

namespace trakmoor {

TrackFormat detectTrackFormat(std::string_view head) {
    if (looksLikeFit({reinterpret_cast<const std::uint8_t*>(head.data()), head.size()})) {
        return TrackFormat::Fit;
    }
    if (head.find("<TrainingCenterDatabase") != std::string_view::npos) {
        return TrackFormat::Tcx;
    }
    return TrackFormat::Gpx;
}

TrackFileRead readTrackFile(const std::string& path) {
    // The root element of an XML file comes after its declaration and perhaps a comment or two.
    char head[4096];
    std::ifstream in(path, std::ios::binary);
    in.read(head, sizeof head);
    TrackFileRead read;
    read.format = detectTrackFormat(std::string_view(head, static_cast<std::size_t>(in.gcount())));
    switch (read.format) {
    case TrackFormat::Fit:
        read.result = readFitFileWithOutcome(path);
        break;
    case TrackFormat::Tcx:
        read.result = readTcxFileWithOutcome(path);
        break;
    case TrackFormat::Gpx: {
        // A file named .fit that is no FIT file is reported as such, not as broken GPX.
        const bool namedFit = path.ends_with(".fit") || path.ends_with(".FIT");
        const std::string_view text(head, static_cast<std::size_t>(in.gcount()));
        if (namedFit && text.find('<') == std::string_view::npos) {
            read.format = TrackFormat::Fit;
            read.result.outcome = GpxReadResult::Outcome::NotGpx;
        } else {
            read.result = readGpxFileWithOutcome(path);
        }
        break;
    }
    }
    return read;
}

std::string trackReadStatusText(const TrackFileRead& read, const std::string& fileName) {
    const GpxReadResult& result = read.result;
    if (read.format == TrackFormat::Gpx) {
        return gpxReadFailureText(result, fileName);
    }
    const bool fit = read.format == TrackFormat::Fit;
    if (result.outcome == GpxReadResult::Outcome::NotGpx) {
        return (fit ? gettext("Not a FIT file: ") : gettext("Not a TCX file: ")) + fileName;
    }
    if (result.outcome == GpxReadResult::Outcome::Loaded && result.error.empty()) {
        return {};
    }
    std::string text =
        (fit ? gettext("Could not load FIT: ") : gettext("Could not load TCX: ")) + fileName;
    if (!result.error.empty()) {
        text += ": " + result.error;
    }
    return text;
}

} // namespace trakmoor
