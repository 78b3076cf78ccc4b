#pragma once
#include <chrono>
#include <cstdio>
struct TmScope {
    const char* n;
    std::chrono::steady_clock::time_point t = std::chrono::steady_clock::now();
    ~TmScope() {
        std::fprintf(stderr, "TM %s %.1f ms\n", n,
                     std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t)
                         .count());
    }
};
