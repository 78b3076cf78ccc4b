#ifndef TRAKMOOR_TESTS_MAP_PAINTERTESTSUPPORT_H
#define TRAKMOOR_TESTS_MAP_PAINTERTESTSUPPORT_H

// Real cairo image surfaces to paint on and read back, tracks from plain numbers, and the
// program's own font and default map.

#include "map/FontFace.h"
#include "map/MapPicture.h"
#include "map/MapProjection.h"

#include <cairo.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <vector>

namespace trakmoor::test {

inline const std::filesystem::path kSourceRoot =
    std::filesystem::path(TRAKMOOR_TEST_DATA) / ".." / "..";

struct Rgba {
    int r, g, b, a;
};

struct Canvas {
    int width, height;
    OwnedCairoSurface surface;
    OwnedCairoContext cr;

    Canvas(int w, int h)
        : width(w), height(h), surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h)),
          cr(cairo_create(surface.get())) {}

    // Un-premultiplied, 0..255.
    Rgba at(int x, int y) const {
        cairo_surface_flush(surface.get());
        const unsigned char* row = cairo_image_surface_get_data(surface.get()) +
                                   y * cairo_image_surface_get_stride(surface.get());
        std::uint32_t v;
        std::memcpy(&v, row + 4 * x, 4);
        const int a = v >> 24;
        auto channel = [&](int shift) {
            return a == 0 ? 0 : static_cast<int>(((v >> shift) & 0xFF) * 255 / a);
        };
        return {channel(16), channel(8), channel(0), a};
    }
    // Opaque colour given as cairo fractions, within `tolerance` per channel.
    bool is(int x, int y, double r, double g, double b, int tolerance = 3) const {
        const Rgba p = at(x, y);
        return p.a == 255 && std::abs(p.r - static_cast<int>(std::lround(r * 255))) <= tolerance &&
               std::abs(p.g - static_cast<int>(std::lround(g * 255))) <= tolerance &&
               std::abs(p.b - static_cast<int>(std::lround(b * 255))) <= tolerance;
    }
    std::vector<unsigned char> bytes() const {
        cairo_surface_flush(surface.get());
        const auto* data = cairo_image_surface_get_data(surface.get());
        return {data, data + cairo_image_surface_get_stride(surface.get()) * height};
    }
};

inline std::unique_ptr<Track> makeTrack(std::initializer_list<std::array<double, 3>> latLonEle) {
    auto track = std::make_unique<Track>();
    for (const auto& [lat, lon, ele] : latLonEle) {
        auto point = std::make_unique<WayPoint>();
        point->setLat(lat);
        point->setLon(lon);
        point->setEle(ele);
        track->addPoint(std::move(point));
    }
    return track;
}

// Faces over the program's font file, regular and bold.
inline CairoFontFacePtr veraFace(bool bold = false) {
    std::ifstream in(kSourceRoot / "data/fonts/Vera.ttf", std::ios::binary);
    const std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), {});
    return makeFontFace(bytes, bold);
}

} // namespace trakmoor::test

#endif
