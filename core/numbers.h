// Number helpers every layer shares: the game's single-precision pi, degree and radian
// conversion, rounding to an integer and a saturating decrement.
#pragma once

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <limits>

// The game's floats are the same on every machine only with IEEE double and float
// arithmetic as written: no fast-math, no x87 extended precision (the CMake files pass
// -ffp-contract=off against fused multiply-adds, and tests check that too). Of the C
// library's maths the simulation uses only what IEEE rules make exact: sqrt, fabs,
// floor, ceil, trunc, fmod, remainder and nearbyint (in the default rounding mode, which
// the game never changes). Sine, cosine and atan2 come from core/trig.h.
#if defined(__FAST_MATH__)
#error "the game's numbers must not be compiled with -ffast-math or -Ofast"
#endif
#if !defined(FLT_EVAL_METHOD) || FLT_EVAL_METHOD != 0
#error "the game's numbers need SSE2-style arithmetic (FLT_EVAL_METHOD 0): on 32-bit x86 use -msse2 -mfpmath=sse"
#endif
static_assert(std::numeric_limits<double>::is_iec559 && std::numeric_limits<float>::is_iec559);
// At the top of a function body whose floats must not fuse a multiply and an add even if
// the flags forget it: Clang's own switch (GCC never fuses under -ffp-contract=off and
// ISO C++ mode, which the build checks).
#if defined(__clang__)
#define QF_NO_FUSED_MULTIPLY_ADD _Pragma("clang fp contract(off)")
#else
#define QF_NO_FUSED_MULTIPLY_ADD
#endif

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
    // nearbyint is exact (IEEE), in the default rounding mode the game never changes.
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
