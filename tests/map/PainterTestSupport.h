#ifndef TRAKMOOR_TESTS_MAP_PAINTERTESTSUPPORT_H
#define TRAKMOOR_TESTS_MAP_PAINTERTESTSUPPORT_H

// Real cairo image surfaces to paint on and read back, tracks, and the program's own font.

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
#include <iterator>
#include <vector>

namespace trakmoor::test {

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

    // Premultiplied, 0..255.
    Rgba at(int x, int y) const {
        cairo_surface_flush(surface.get());
        std::uint32_t v;
        std::memcpy(&v,
                    cairo_image_surface_get_data(surface.get()) + 4 * x +
                        y * cairo_image_surface_get_stride(surface.get()),
                    4);
        return {int(v >> 16 & 0xFF), int(v >> 8 & 0xFF), int(v & 0xFF), int(v >> 24)};
    }
    // Opaque colour given as cairo fractions, within `tolerance` per channel.
    bool is(int x, int y, double r, double g, double b, int tolerance = 3) const {
        const Rgba p = at(x, y);
        auto near = [&](int v, double f) {
            return std::abs(v - std::lround(f * 255)) <= tolerance;
        };
        return p.a == 255 && near(p.r, r) && near(p.g, g) && near(p.b, b);
    }
    std::vector<unsigned char> bytes() const {
        cairo_surface_flush(surface.get());
        const auto* data = cairo_image_surface_get_data(surface.get());
        return {data, data + cairo_image_surface_get_stride(surface.get()) * height};
    }
};

inline void addPoint(Track& track, double lat, double lon, double ele = 0.0,
                     std::int32_t time = 0) {
    auto point = std::make_unique<WayPoint>();
    point->setLat(lat);
    point->setLon(lon);
    point->setEle(ele);
    point->setTime(time);
    track.addPoint(std::move(point));
}

inline std::unique_ptr<Track> makeTrack(std::initializer_list<std::array<double, 3>> latLonEle) {
    auto track = std::make_unique<Track>();
    for (const auto& [lat, lon, ele] : latLonEle)
        addPoint(*track, lat, lon, ele);
    return track;
}

// A panel of 312 x 312 pixels over a track whose box is one degree square fits 256 pixels to the
// degree, so that panel positions are easy to turn into map points.
inline constexpr int kUnitPanel = 312;
constexpr MapPoint unitPanelPoint(double x, double y) {
    return {0.5 - (y - 156.0) / 256.0, 0.5 + (x - 156.0) / 256.0};
}

// The points of every track of a real file in tests/data/gpx, `rounds` times over.
inline std::unique_ptr<Track> repeatedTrack(const char* file, int rounds) {
    const auto gpx =
        readGpxFile((std::filesystem::path(TRAKMOOR_TEST_DATA) / "gpx" / file).string());
    EXPECT_TRUE(gpx);
    auto track = std::make_unique<Track>();
    for (int round = 0; gpx && round < rounds; ++round)
        for (std::int32_t t = 0; t < gpx->trackCount(); ++t)
            for (std::int32_t i = 0; i < gpx->trackAt(t)->pointCount(); ++i) {
                const WayPoint& p = *gpx->trackAt(t)->pointAt(i);
                addPoint(*track, p.lat(), p.lon(), p.ele(), p.time());
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
    std::ifstream in(std::filesystem::path(TRAKMOOR_TEST_DATA) / "../../data/fonts/Vera.ttf",
                     std::ios::binary);
    const std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), {});
    return makeFontFace(bytes, bold);
}
inline const CairoFontFacePtr kFont = veraFace();
inline const std::unique_ptr<Track> kUnitTrack = makeTrack({{0.0, 0.0, 0.0}, {1.0, 1.0, 0.0}});

} // namespace trakmoor::test

#endif
