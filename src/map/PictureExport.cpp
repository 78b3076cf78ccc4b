#include "map/PictureExport.h"

#include "map/CairoHandles.h"
#include "map/MapProjection.h"

#include <cairo-pdf.h>
#include <cairo-svg.h>
#include <fcntl.h>
#include <libintl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace trakmoor {

namespace {

// PDF pages are measured in points of 1/72 inch; a picture pixel is 1/96 inch.
constexpr double pointsPerPixel = 72.0 / 96.0;

std::string lowerEnding(const std::string& path) {
    std::string ending = std::filesystem::path(path).extension().string();
    std::transform(ending.begin(), ending.end(), ending.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ending;
}

std::optional<int> parseSide(std::string_view text) {
    while (!text.empty() && text.front() == ' ') {
        text.remove_prefix(1);
    }
    while (!text.empty() && text.back() == ' ') {
        text.remove_suffix(1);
    }
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < 1 ||
        value > maxPictureSide) {
        return std::nullopt;
    }
    return value;
}

// A file of our own beside the target, so that the rename stays on one file system.
class TemporaryFile {
public:
    explicit TemporaryFile(const std::filesystem::path& target) {
        static std::atomic<unsigned> counter{0};
        for (int attempt = 0; attempt < 100; ++attempt) {
            path_ = target.parent_path() /
                    ("." + target.filename().string() + "." + std::to_string(::getpid()) + "-" +
                     std::to_string(counter++) + ".part");
            const int fd = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd >= 0) {
                owned_ = true;
                file_ = ::fdopen(fd, "wb");
                if (file_ == nullptr) {
                    error_ = errno;
                    ::close(fd);
                }
                return;
            }
            error_ = errno;
            if (error_ != EEXIST) {
                return;
            }
        }
    }
    ~TemporaryFile() {
        if (file_ != nullptr) {
            std::fclose(file_);
        }
        if (owned_ && !kept_) {
            ::unlink(path_.c_str());
        }
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    bool isOpen() const { return file_ != nullptr; }
    int error() const { return error_; }

    static cairo_status_t write(void* closure, const unsigned char* data, unsigned int length) {
        auto* self = static_cast<TemporaryFile*>(closure);
        if (std::fwrite(data, 1, length, self->file_) != length) {
            self->error_ = errno;
            return CAIRO_STATUS_WRITE_ERROR;
        }
        return CAIRO_STATUS_SUCCESS;
    }

    // Closes the file and gives it the target's name; false with error() set otherwise.
    bool commit(const std::filesystem::path& target) {
        std::FILE* file = file_;
        file_ = nullptr;
        if (std::fflush(file) != 0 || ::fsync(::fileno(file)) != 0) {
            error_ = errno;
            std::fclose(file);
            return false;
        }
        if (std::fclose(file) != 0 || ::rename(path_.c_str(), target.c_str()) != 0) {
            error_ = errno;
            return false;
        }
        kept_ = true;
        return true;
    }

private:
    std::filesystem::path path_;
    std::FILE* file_ = nullptr;
    int error_ = 0;
    bool owned_ = false;
    bool kept_ = false;
};

void drawPicture(cairo_t* cr, const PictureRequest& request, bool vector) {
    MapScene map = request.map;
    TrackBoundsCache localBounds;
    TrackBoundsCache& bounds = map.bounds != nullptr ? *map.bounds : localBounds;
    map.bounds = &bounds;
    if (map.track != nullptr && map.track->pointCount() > 0 &&
        (request.viewWidth != request.width || request.viewHeight != request.mapHeight)) {
        map.view = viewForSize(map.view, bounds, *map.track, request.viewWidth, request.viewHeight,
                               request.width, request.mapHeight);
    }
    cairo_save(cr);
    cairo_rectangle(cr, 0, 0, request.width, request.mapHeight);
    cairo_clip(cr);
    if (!vector && request.panelPicture != nullptr && request.viewWidth == request.width &&
        request.viewHeight == request.mapHeight) {
        paintMapPanel(cr, request.width, request.mapHeight, map, *request.panelPicture);
    } else {
        paintMapPicture(cr, request.width, request.mapHeight, map, vector);
    }
    cairo_restore(cr);
    if (request.graphHeight <= 0) {
        return;
    }
    cairo_save(cr);
    cairo_translate(cr, 0, request.mapHeight);
    cairo_rectangle(cr, 0, 0, request.width, request.graphHeight);
    cairo_clip(cr);
    paintGraphPicture(cr, request.width, request.graphHeight, request.graph, vector);
    cairo_restore(cr);
}

std::string cannotWrite(const std::string& path, int error) {
    return gettext("Could not save picture: ") + path + ": " + std::strerror(error);
}

} // namespace

std::optional<PictureKind> pictureKindOf(const std::string& path) {
    const std::string ending = lowerEnding(path);
    if (ending == ".png") {
        return PictureKind::Png;
    }
    if (ending == ".pdf") {
        return PictureKind::Pdf;
    }
    if (ending == ".svg") {
        return PictureKind::Svg;
    }
    return std::nullopt;
}

std::optional<std::pair<int, int>> parsePictureSize(std::string_view text, bool allowSingle) {
    const std::size_t x = text.find_first_of("xX");
    if (x == std::string_view::npos) {
        if (!allowSingle) {
            return std::nullopt;
        }
        const auto side = parseSide(text);
        if (!side) {
            return std::nullopt;
        }
        return std::pair{*side, *side};
    }
    const auto width = parseSide(text.substr(0, x));
    const auto height = parseSide(text.substr(x + 1));
    if (!width || !height) {
        return std::nullopt;
    }
    return std::pair{*width, *height};
}

ViewState viewForSize(const ViewState& view, TrackBoundsCache& bounds, const Track& track,
                      int fromWidth, int fromHeight, int toWidth, int toHeight) {
    ViewState scaled = view;
    const double from = MapProjection(view, bounds, track, fromWidth, fromHeight).scale();
    const double to = MapProjection(view, bounds, track, toWidth, toHeight).scale();
    if (from > 0.0 && std::isfinite(from) && std::isfinite(to)) {
        scaled.panX = view.panX * to / from;
        scaled.panY = view.panY * to / from;
    }
    return scaled;
}

std::string exportPicture(const std::string& path, const PictureRequest& request) {
    const auto kind = pictureKindOf(path);
    if (!kind) {
        return gettext("Unknown picture type (use .png, .pdf or .svg): ") + path;
    }
    const int height = request.mapHeight + std::max(request.graphHeight, 0);
    if (request.width < 1 || request.mapHeight < 1 || request.width > maxPictureSide ||
        height > maxPictureSide) {
        return gettext("Picture size out of range (1 to 8192 pixels): ") +
               std::to_string(request.width) + "x" + std::to_string(height);
    }
    const std::filesystem::path target(path);
    std::filesystem::path folder = target.parent_path();
    if (folder.empty()) {
        folder = ".";
    }
    std::error_code error;
    if (!std::filesystem::is_directory(folder, error)) {
        return gettext("Folder not found: ") + folder.string();
    }
    if (std::filesystem::is_directory(target, error)) {
        return cannotWrite(path, EISDIR);
    }

    TemporaryFile file(target);
    if (!file.isOpen()) {
        return cannotWrite(path, file.error());
    }
    OwnedCairoSurface surface;
    switch (*kind) {
    case PictureKind::Png:
        surface.reset(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, request.width, height));
        break;
    case PictureKind::Pdf:
        surface.reset(cairo_pdf_surface_create_for_stream(
            &TemporaryFile::write, &file, request.width * pointsPerPixel, height * pointsPerPixel));
        break;
    case PictureKind::Svg:
        surface.reset(cairo_svg_surface_create_for_stream(&TemporaryFile::write, &file,
                                                          request.width, height));
        cairo_svg_surface_set_document_unit(surface.get(), CAIRO_SVG_UNIT_PX);
        break;
    }
    if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) {
        return gettext("Could not save picture: ") + path + ": " +
               cairo_status_to_string(cairo_surface_status(surface.get()));
    }
    {
        const OwnedCairoContext cr(cairo_create(surface.get()));
        if (*kind == PictureKind::Pdf) {
            cairo_scale(cr.get(), pointsPerPixel, pointsPerPixel);
        }
        drawPicture(cr.get(), request, *kind != PictureKind::Png);
        if (cairo_status(cr.get()) != CAIRO_STATUS_SUCCESS) {
            return gettext("Could not save picture: ") + path + ": " +
                   cairo_status_to_string(cairo_status(cr.get()));
        }
    }
    cairo_status_t status = CAIRO_STATUS_SUCCESS;
    if (*kind == PictureKind::Png) {
        status = cairo_surface_write_to_png_stream(surface.get(), &TemporaryFile::write, &file);
    }
    cairo_surface_finish(surface.get());
    if (status == CAIRO_STATUS_SUCCESS) {
        status = cairo_surface_status(surface.get());
    }
    if (status != CAIRO_STATUS_SUCCESS) {
        return file.error() != 0 ? cannotWrite(path, file.error())
                                 : gettext("Could not save picture: ") + path + ": " +
                                       cairo_status_to_string(status);
    }
    if (!file.commit(target)) {
        return cannotWrite(path, file.error());
    }
    return {};
}

} // namespace trakmoor
