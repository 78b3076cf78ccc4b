#ifndef TRAKMOOR_MAP_CAIROHANDLES_H
#define TRAKMOOR_MAP_CAIROHANDLES_H

// Owning handles for the cairo surfaces and contexts the painters make for themselves.

#include <cairo.h>

#include <memory>

namespace trakmoor {

struct CairoSurfaceReleaser {
    void operator()(cairo_surface_t* surface) const noexcept { cairo_surface_destroy(surface); }
};
using OwnedCairoSurface = std::unique_ptr<cairo_surface_t, CairoSurfaceReleaser>;

struct CairoContextReleaser {
    void operator()(cairo_t* cr) const noexcept { cairo_destroy(cr); }
};
using OwnedCairoContext = std::unique_ptr<cairo_t, CairoContextReleaser>;

} // namespace trakmoor

#endif
