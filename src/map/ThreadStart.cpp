#include "map/ThreadStart.h"

#include <atomic>

namespace trakmoor {

namespace {

std::atomic<int> failingStarts{0};

} // namespace

bool threadStartsFail() {
    return failingStarts.load(std::memory_order_relaxed) > 0;
}

FailingThreadStarts::FailingThreadStarts() {
    ++failingStarts;
}

FailingThreadStarts::~FailingThreadStarts() {
    --failingStarts;
}

} // namespace trakmoor
