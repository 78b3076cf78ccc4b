#ifndef TRAKMOOR_TESTS_MAP_PAINTERTESTSUPPORT_H
#define TRAKMOOR_TESTS_MAP_PAINTERTESTSUPPORT_H

// Real cairo image surfaces to paint on and read back, tracks from plain numbers, and the
// program's own font and default map.

#include "map/FontFace.h"
#include "map/MapPicture.h"
#include "map/MapProjection.h"
#include "track/GpxReader.h"

#include <cairo.h>
#include <gtest/gtest.h>

#include <algorithm>
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

// A panel of 312 x 312 pixels over a track whose box is one degree square fits 256 pixels to the
// degree, so that panel positions are easy to turn into map points.
inline constexpr int kUnitPanel = 312;
inline MapPoint unitPanelPoint(double x, double y) {
    return {0.5 - (y - 156.0) / 256.0, 0.5 + (x - 156.0) / 256.0};
}

// The points of every track of a real file, `rounds` times over, as a long recording.
inline std::unique_ptr<Track> repeatedTrack(const Gpx& gpx, int rounds) {
    auto track = std::make_unique<Track>();
    for (int round = 0; round < rounds; ++round)
        for (std::int32_t t = 0; t < gpx.trackCount(); ++t)
            for (std::int32_t i = 0; i < gpx.trackAt(t)->pointCount(); ++i) {
                const WayPoint& p = *gpx.trackAt(t)->pointAt(i);
                auto copy = std::make_unique<WayPoint>();
                copy->setLat(p.lat());
                copy->setLon(p.lon());
                copy->setEle(p.ele());
                copy->setTime(p.time());
                track->addPoint(std::move(copy));
            }
    return track;
}

// Two drawings of the same thing look alike when at most 0.5 % of their pixels differ, none by
// more than a faint anti-aliasing step (a quarter of the range in any channel).
inline void expectLookAlike(const Canvas& a, const Canvas& b) {
    const auto x = a.bytes();
    const auto y = b.bytes();
    std::size_t differing = 0;
    int largest = 0;
    for (std::size_t i = 0; i < x.size(); i += 4) {
        int step = 0;
        for (std::size_t k = i; k < i + 4; ++k)
            step = std::max(step, std::abs(x[k] - y[k]));
        differing += step > 0;
        largest = std::max(largest, step);
    }
    EXPECT_LE(differing, x.size() / 4 / 200);
    EXPECT_LE(largest, 64);
}

// Faces over the program's font file, regular and bold.
inline CairoFontFacePtr veraFace(bool bold = false) {
    std::ifstream in(kSourceRoot / "data/fonts/Vera.ttf", std::ios::binary);
    const std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), {});
    return makeFontFace(bytes, bold);
}

} // namespace trakmoor::test

#endif
