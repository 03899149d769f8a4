// Sine and cosine of a float angle as the game defines them: computed in double and
// rounded to float. A quick polynomial path gives the very same floats as the C library
// and falls back to it wherever that cannot be guaranteed.
#pragma once

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
// from here up; closer to a multiple of pi/2 the library decides.
constexpr double smallestReduced = 1e-12;
// Adding 1.5 x 2^52 and taking it away rounds a double of magnitude below 2^51 to the
// nearest integer (ties to even) without a library call.
constexpr double roundingShift = 0x1.8p52;

// Rounds v to float and tells whether that rounding is beyond doubt: v's dropped 29 bits
// must lie more than 2^14 double ulps from the half-way point between two floats. Both
// this path and the library are within a few ulps of the true value, so both then round
// to the same float. v must be a normal number well inside the float range.
inline bool roundsSafely(double v, float& out) {
    uint64_t bits = 0;
    std::memcpy(&bits, &v, sizeof bits);
    constexpr uint64_t droppedMask = (uint64_t{1} << 29) - 1;
    const int64_t fromHalf = static_cast<int64_t>(bits & droppedMask) - (int64_t{1} << 28);
    out = static_cast<float>(v);
    return fromHalf > (int64_t{1} << 14) || fromHalf < -(int64_t{1} << 14);
}

}  // namespace trigdetail

// The reference: the C library's double sine and cosine, each rounded to float.
inline SinCos sinCosLibrary(float a) {
    const double x = a;
    return {static_cast<float>(std::sin(x)), static_cast<float>(std::cos(x))};
}

// Sine and cosine of `a` computed in double and rounded to float: bit for bit what
// sinCosLibrary gives, at about half the cost.
inline SinCos sinCosF32(float a) {
    using namespace trigdetail;
    const double x = a;
    if (!(std::fabs(x) <= quickLimit)) return sinCosLibrary(a);
    // Heading 0 is common: sin(+-0) is +-0 and cos(+-0) is 1 exactly.
    if (x == 0) return {a, 1.0f};
    // Quadrant number and the angle reduced to [-pi/4, pi/4]; k x halfPi1 and
    // k x halfPi2 are exact, and so is the first subtraction.
    const double k = (x * invHalfPi + roundingShift) - roundingShift;
    double r = x - k * halfPi1;
    r = r - k * halfPi2;
    r = r - k * halfPi3;
    if (!(std::fabs(r) >= smallestReduced)) return sinCosLibrary(a);
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
    SinCos out;
    if (!roundsSafely(s, out.s) || !roundsSafely(c, out.c)) return sinCosLibrary(a);
    return out;
}

// Sine and cosine of angles[k] into out[k], as sinCosF32 gives them, several at a time
// (as many as both spans hold).
void sinCosBatch(std::span<const float> angles, std::span<SinCos> out);
// The two builds sinCosBatch chooses between, so that tests can check each; the AVX2 one
// exists on x86 only and runs only where hasAvx2().
void sinCosBatchAvx2(std::span<const float> angles, std::span<SinCos> out);
void sinCosBatchPortable(std::span<const float> angles, std::span<SinCos> out);
bool hasAvx2();
