#include "map/GraphPicture.h"

#include "map/PanelBackground.h"
#include "map/ThreadStart.h"

#include <system_error>

namespace trakmoor {

namespace {

OwnedCairoSurface drawCurves(const GraphSeries& series, int width, int height,
                             cairo_format_t format, const GraphPaintOptions& options) {
    OwnedCairoSurface picture(cairo_image_surface_create(format, width, height));
    if (cairo_surface_status(picture.get()) != CAIRO_STATUS_SUCCESS) {
        return nullptr;
    }
    const OwnedCairoContext cr(cairo_create(picture.get()));
    paintGraphCurves(cr.get(), width, height, series, options);
    cairo_surface_flush(picture.get());
    if (cairo_status(cr.get()) != CAIRO_STATUS_SUCCESS) {
        return nullptr;
    }
    return picture;
}

} // namespace

GraphPictureCache::GraphPictureCache(GraphPaintOptions options, std::int32_t threadFromPoints)
    : options_(options), threadFromPoints_(threadFromPoints) {}

GraphPictureCache::~GraphPictureCache() = default;

void GraphPictureCache::paint(cairo_t* cr, int width, int height, const Track& track,
                              std::uint64_t document, std::int32_t statisticsMode,
                              std::int32_t cursorIndex, cairo_font_face_t* font) {
    const std::int32_t n = track.pointCount();
    if (n == 0) {
        return;
    }
    const Key key{&track, document, n, statisticsMode, width, height};
    if (!current_ || !(current_->key == key)) {
        cairo_surface_t* target = cairo_get_target(cr);
        format_ = cairo_surface_get_type(target) == CAIRO_SURFACE_TYPE_IMAGE
                      ? cairo_image_surface_get_format(target)
                      : CAIRO_FORMAT_ARGB32;
        // Assigned rather than emplaced: clang 14 takes Entry for not default-constructible.
        current_ = Entry{};
        current_->key = key;
        current_->series =
            std::make_shared<const GraphSeries>(computeGraphSeries(track, statisticsMode));
        if (n < threadFromPoints_) {
            current_->picture = drawCurves(*current_->series, width, height, format_, options_);
        } else {
            current_->pending = true;
            // A thread still busy with other curves starts on these when it is done.
            if (!build_) {
                startBuild(format_);
            }
        }
    }
    if (current_->picture) {
        cairo_save(cr);
        cairo_set_source_surface(cr, current_->picture.get(), 0.0, 0.0);
        cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
        cairo_paint(cr);
        cairo_restore(cr);
    } else if (current_->pending) {
        paintGraphBackground(cr, width, height);
    } else {
        // No picture could be made: the curves are drawn straight onto the panel.
        paintGraphCurves(cr, width, height, *current_->series, options_);
    }
    paintGraphOverlay(cr, width, height, *current_->series, cursorIndex, font);
}

bool GraphPictureCache::adoptFinished() {
    if (!build_ || !build_->done.load(std::memory_order_acquire)) {
        return false;
    }
    build_->worker.join();
    const std::unique_ptr<Build> finished = std::move(build_);
    if (!current_ || !current_->pending) {
        return false;
    }
    if (!(current_->key == finished->key)) {
        // Drawn at once when no thread could be started for them.
        return !startBuild(format_);
    }
    current_->picture = std::move(finished->picture);
    current_->pending = false;
    ++version_;
    return true;
}

bool GraphPictureCache::startBuild(cairo_format_t format) {
    auto build = std::make_unique<Build>();
    build->key = current_->key;
    try {
        build->worker = startThread(
            [build = build.get(), series = current_->series, format, options = options_] {
                build->picture =
                    drawCurves(*series, build->key.width, build->key.height, format, options);
                build->done.store(true, std::memory_order_release);
            });
    } catch (const std::system_error&) {
        // No thread to be had: the curves are drawn now, which only takes longer.
        current_->picture = drawCurves(*current_->series, current_->key.width, current_->key.height,
                                       format, options_);
        current_->pending = false;
        ++version_;
        return false;
    }
    build_ = std::move(build);
    return true;
}

} // namespace trakmoor
