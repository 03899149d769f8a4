// Sine and cosine of a float angle as the game defines them: the true value rounded to
// double, then to float. A quick polynomial path answers where its rounding is beyond
// doubt; the rest take the long road of trig_precise.cpp. No C library maths involved, so
// every machine gives the same floats.
#pragma once

#include "core/numbers.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <span>

// Sine and cosine of one angle. Left uninitialised by default, so that arrays of them
// for a batch cost nothing to set up.
struct SinCos {
    float s;
    float c;
};

namespace trigdetail {

// 2/pi, and pi/2 split into three parts of 33 significant bits each, so that k times each
// of the first two is exact for the quadrant numbers k the quick path takes.
constexpr double invHalfPi = 6.36619772367581382433e-01;
constexpr double halfPi1 = 1.57079632673412561417e+00;
constexpr double halfPi2 = 6.07710050630396597660e-11;
constexpr double halfPi3 = 2.02226624871116645580e-21;
// Taylor-like minimax coefficients of sin and cos on [-pi/4, pi/4] (error below 2^-58).
constexpr double s1 = -1.66666666666666324348e-01, s2 = 8.33333333332248946124e-03,
                 s3 = -1.98412698298579493134e-04, s4 = 2.75573137070700676789e-06,
                 s5 = -2.50507602534068634195e-08, s6 = 1.58969099521155010221e-10;
constexpr double c1 = 4.16666666666666019037e-02, c2 = -1.38888888888741095749e-03,
                 c3 = 2.48015872894767294178e-05, c4 = -2.75573143513906633035e-07,
                 c5 = 2.08757232129817482790e-09, c6 = -1.13596475577881948265e-11;
// Largest |angle| the quick path takes; beyond it the reduction loses exactness.
constexpr double quickLimit = 1e5;
// Smallest reduced angle the quick path takes. The reduction is off by at most a few
// ulps of r plus |k| x 1e-31 (what the three parts of pi/2 leave out), under 2^-45 of r
// from here up; closer to a multiple of pi/2 the long road decides.
constexpr double smallestReduced = 1e-12;
// Adding 1.5 x 2^52 and taking it away rounds a double of magnitude below 2^51 to the
// nearest integer (ties to even) without a library call.
constexpr double roundingShift = 0x1.8p52;

// Rounds v to float and tells whether that rounding is beyond doubt: v's dropped 29 bits
// must lie more than 2^14 double ulps from the half-way point between two floats. This
// path is within a few ulps of the true value, so the true value rounded to double then
// rounds to the same float. v must be a normal number well inside the float range.
inline bool roundsSafely(double v, float& out) {
    QF_NO_FUSED_MULTIPLY_ADD
    uint64_t bits = 0;
    std::memcpy(&bits, &v, sizeof bits);
    constexpr uint64_t droppedMask = (uint64_t{1} << 29) - 1;
    const int64_t fromHalf = static_cast<int64_t>(bits & droppedMask) - (int64_t{1} << 28);
    out = static_cast<float>(v);
    return fromHalf > (int64_t{1} << 14) || fromHalf < -(int64_t{1} << 14);
}

// As sinCosPrecise (trig_precise.cpp), and whether either result lay too close to a
// rounding boundary for double-double to decide (no float does: tests/test_trig_all).
SinCos sinCosPreciseChecked(float a, bool& undecided);

}  // namespace trigdetail

// ---- trig_precise.cpp
// Sine and cosine of any float by the long road (exact reduction by pi/2, double-double
// series): the true values rounded to double, then to float. NaN gives itself made
// quiet, an infinity the NaN with bits 0xffc00000.
SinCos sinCosPrecise(float a);

namespace trigdetail {

// The quick path: sets `out` and answers true where its floats are beyond doubt the true
// values rounded to double, then to float; answers false (out unset) elsewhere.
inline bool quickSinCos(float a, SinCos& out) {
    QF_NO_FUSED_MULTIPLY_ADD
    const double x = a;
    // fabs is exact; NaN fails the comparison and goes the long road too.
    if (!(std::fabs(x) <= quickLimit)) return false;
    // Heading 0 is common: sin(+-0) is +-0 and cos(+-0) is 1 exactly.
    if (x == 0) {
        out = {a, 1.0f};
        return true;
    }
    // Quadrant number and the angle reduced to [-pi/4, pi/4]; k x halfPi1 and
    // k x halfPi2 are exact, and so is the first subtraction.
    const double k = (x * invHalfPi + roundingShift) - roundingShift;
    double r = x - k * halfPi1;
    r = r - k * halfPi2;
    r = r - k * halfPi3;
    if (!(std::fabs(r) >= smallestReduced)) return false;
    const double z = r * r;
    const double sr = r + r * z * (s1 + z * (s2 + z * (s3 + z * (s4 + z * (s5 + z * s6)))));
    const double cr =
        1.0 - 0.5 * z + z * z * (c1 + z * (c2 + z * (c3 + z * (c4 + z * (c5 + z * c6)))));
    double s = 0;
    double c = 0;
    switch (static_cast<int64_t>(k) & 3) {
    case 0: s = sr; c = cr; break;
    case 1: s = cr; c = -sr; break;
    case 2: s = -sr; c = -cr; break;
    default: s = -cr; c = sr; break;
    }
    return roundsSafely(s, out.s) && roundsSafely(c, out.c);
}

}  // namespace trigdetail

// Sine and cosine of `a`, the true values rounded to double, then to float: what
// sinCosPrecise gives, at a fraction of the cost where the quick path can vouch for it.
inline SinCos sinCosF32(float a) {
    SinCos out;
    if (trigdetail::quickSinCos(a, out)) return out;
    return sinCosPrecise(a);
}

// ---- arctangent.cpp
// atan2(y, x), the angle of the point (x, y) from the x axis: the true value rounded to
// double, then to float. Zeros, infinities and NaNs as the C library has them on x86-64.
float atan2F32(float y, float x);

namespace trigdetail {
// As atan2F32, and whether the quick path answered, and whether the long road's
// double-double was too close to a rounding boundary to decide.
float atan2Checked(float y, float x, bool& undecided, bool& quick);
}  // namespace trigdetail

// ---- trig.cpp
// Sine and cosine of angles[k] into out[k], as sinCosF32 gives them, several at a time
// (as many as both spans hold).
void sinCosBatch(std::span<const float> angles, std::span<SinCos> out);
// The two builds sinCosBatch chooses between, so that tests can check each; the AVX2 one
// exists on x86 only and runs only where hasAvx2().
void sinCosBatchAvx2(std::span<const float> angles, std::span<SinCos> out);
void sinCosBatchPortable(std::span<const float> angles, std::span<SinCos> out);
bool hasAvx2();
// a x b + c as this library was compiled to compute it: rounded twice unless something
// fused the multiply and the add (tests check it never does).
double multiplyThenAdd(double a, double b, double c);
