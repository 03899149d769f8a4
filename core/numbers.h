// Number helpers every layer shares: the game's single-precision pi, degree and radian
// conversion, rounding to an integer and a saturating decrement.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

namespace num {

// Pi and 2 pi as the game's single-precision constants.
constexpr float pi = 3.1415927f;
constexpr float twoPi = 6.2831855f;
// Its halves and quarters as the game writes them (the movement headings).
constexpr float halfPi = 1.5707964f;
constexpr float quarterPi = 0.78539819f;
constexpr float threeQuarterPi = 2.3561945f;
static_assert(halfPi == pi / 2 && quarterPi == pi / 4 && twoPi == pi * 2);

// The playfield is 1 world unit wide and this many tall (y grows downwards).
constexpr float playfieldHeight = 1.5f;

// Degrees to radians: v x pi / 180 with the float pi, rounded once to float.
inline float degToRad(float v) {
    return static_cast<float>(static_cast<double>(v) * static_cast<double>(pi) / 180.0);
}

// Radians to degrees: a x 180 / pi with the float pi, rounded once to float.
inline float radToDeg(float a) {
    return static_cast<float>(static_cast<double>(a) * 180.0 / static_cast<double>(pi));
}

// Nearest integer, ties to even, saturated to the int32 range (NaN gives 0).
inline int32_t roundToInt(double v) {
    if (std::isnan(v)) return 0;
    double r = std::nearbyint(v);
    if (r >= 2147483647.0) return std::numeric_limits<int32_t>::max();
    if (r <= -2147483648.0) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(r);
}

// Subtracts 1 unless that would leave the int32 range.
inline void decrement(int32_t& v) {
    if (v > std::numeric_limits<int32_t>::min()) --v;
}

}  // namespace num
