#ifndef TRAKMOOR_MAP_PIXELTHINNING_H
#define TRAKMOOR_MAP_PIXELTHINNING_H

// Long tracks put hundreds of points into one pixel of a panel.  A polyline fed through this
// leaves out the points that fall into the same cell (a pixel or part of one) as the last drawn
// one, except the last point of each such run and the run's leftmost, rightmost, topmost and
// lowest points: the line still enters and leaves every cell where the full line does and reaches
// as far inside it, so only wiggles that nothing would show are lost.

#include "map/MapProjection.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

namespace trakmoor {

class PixelThinning {
public:
    // Disabled, every point is drawn.  `start` is where the line begins (already drawn).  A pixel
    // is cut into cellsPerPixel x cellsPerPixel cells.
    PixelThinning(bool enabled, ScreenPoint start, int cellsPerPixel = 1)
        : enabled_(enabled), cellsPerPixel_(cellsPerPixel), last_(start) {}

    // Calls draw(point) for the points to draw, in order.
    template <class Draw> void add(ScreenPoint p, Draw&& draw) {
        if (enabled_ && std::floor(p.x * cellsPerPixel_) == std::floor(last_.x * cellsPerPixel_) &&
            std::floor(p.y * cellsPerPixel_) == std::floor(last_.y * cellsPerPixel_)) {
            keep(p);
            return;
        }
        finish(draw);
        draw(p);
        last_ = p;
    }

    // Draws what an open run keeps.
    template <class Draw> void finish(Draw&& draw) {
        if (runLength_ == 0) {
            return;
        }
        std::array<Kept, 4> extremes = extremes_;
        std::sort(extremes.begin(), extremes.end(),
                  [](const Kept& a, const Kept& b) { return a.order < b.order; });
        std::uint64_t drawn = 0;
        for (const Kept& kept : extremes) {
            if (kept.order != drawn && kept.order != runLength_) {
                draw(kept.point);
                drawn = kept.order;
            }
        }
        draw(end_);
        runLength_ = 0;
    }

private:
    struct Kept {
        ScreenPoint point;
        std::uint64_t order = 0;
    };

    void keep(ScreenPoint p) {
        ++runLength_;
        end_ = p;
        if (runLength_ == 1) {
            extremes_.fill({p, runLength_});
            return;
        }
        auto update = [&](Kept& kept, bool better) {
            if (better) {
                kept = {p, runLength_};
            }
        };
        update(extremes_[0], p.x < extremes_[0].point.x);
        update(extremes_[1], p.x > extremes_[1].point.x);
        update(extremes_[2], p.y < extremes_[2].point.y);
        update(extremes_[3], p.y > extremes_[3].point.y);
    }

    bool enabled_;
    double cellsPerPixel_;
    ScreenPoint last_;
    // The open run: its points counted from 1, its extremes and its last point.
    std::uint64_t runLength_ = 0;
    std::array<Kept, 4> extremes_;
    ScreenPoint end_;
};

} // namespace trakmoor

#endif
