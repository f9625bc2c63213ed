#pragma once

#include <cstdint>

// A platform window handle; 0 means no window.
using WindowHandle = std::uint32_t;

struct Point {
    std::int32_t x = 0;
    std::int32_t y = 0;
    friend constexpr bool operator==(Point a, Point b) { return a.x == b.x && a.y == b.y; }
    friend constexpr bool operator!=(Point a, Point b) { return !(a == b); }
};

// What a key sweep returns when no code answered.
inline constexpr int kProbeSweepDone = 256;
