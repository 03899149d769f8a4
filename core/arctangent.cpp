// The game's arctangent, atan2(y, x) of two floats: the true angle rounded to double,
// then to float, on every machine. A quick path in double answers where its rounding is
// beyond doubt, the long road in double-double everywhere else; both reduce by a table of
// atan(i/64) and sum a short series. No C library maths involved.
#include "core/double_double.h"
#include "core/trig.h"

#include <array>
#include <cstdint>
#include <cstring>

namespace {

using dd::Dd;
using dd::add;
using dd::mul;

// atan(i/64) for i = 0..64 as double-doubles.
constexpr std::array<Dd, 65> atanTable = {{
    {0x0.0p+0, 0x0.0p+0}, {0x1.fff555bbb729bp-7, -0x1.220c39d4dff50p-61},
    {0x1.ffd55bba97625p-6, -0x1.5ec431444912cp-60}, {0x1.7fb818430da2ap-5, -0x1.86ef8f794f105p-63},
    {0x1.ff55bb72cfdeap-5, -0x1.c934d86d23f1dp-60}, {0x1.3f59f0e7c559dp-4, 0x1.ac4ce285df847p-58},
    {0x1.7ee182602f10fp-4, -0x1.cfb654c0c3d98p-58}, {0x1.be39ebe6f07c3p-4, 0x1.f7b8f29a05987p-58},
    {0x1.fd5ba9aac2f6ep-4, -0x1.cd37686760c17p-59}, {0x1.1e1fafb043727p-3, -0x1.b485914dacf8cp-59},
    {0x1.3d6eee8c6626cp-3, 0x1.61a3b0ce9281bp-57}, {0x1.5c9811e3ec26ap-3, -0x1.054ab2c010f3dp-58},
    {0x1.7b97b4bce5b02p-3, 0x1.347b0b4f881cap-58}, {0x1.9a6a8e96c8626p-3, 0x1.cf601e7b4348ep-59},
    {0x1.b90d7529260a2p-3, 0x1.17b10d2e0e5abp-61}, {0x1.d77d5df205736p-3, 0x1.c648d1534597ep-57},
    {0x1.f5b75f92c80ddp-3, 0x1.8ab6e3cf7afbdp-57}, {0x1.09dc597d86362p-2, 0x1.62e47390cb865p-56},
    {0x1.18bf5a30bf178p-2, 0x1.30ca4748b1bf9p-57}, {0x1.278372057ef46p-2, -0x1.077cdd36dfc81p-56},
    {0x1.362773707ebccp-2, -0x1.963a544b672d8p-57}, {0x1.44aa436c2af0ap-2, -0x1.5d5e43c55b3bap-56},
    {0x1.530ad9951cd4ap-2, -0x1.2566480884082p-57}, {0x1.614840309cfe2p-2, -0x1.a725715711f00p-56},
    {0x1.6f61941e4def1p-2, -0x1.c63aae6f6e918p-56}, {0x1.7d5604b63b3f7p-2, 0x1.69c885c2b249ap-56},
    {0x1.8b24d394a1b25p-2, 0x1.b6d0ba3748fa8p-56}, {0x1.98cd5454d6b18p-2, 0x1.9e6c988fd0a77p-56},
    {0x1.a64eec3cc23fdp-2, -0x1.24dec1b50b7ffp-56}, {0x1.b3a911da65c6cp-2, 0x1.ae187b1ca5040p-56},
    {0x1.c0db4c94ec9f0p-2, -0x1.cc1ce70934c34p-56}, {0x1.cde53432c1351p-2, -0x1.a2cfa4418f1adp-56},
    {0x1.dac670561bb4fp-2, 0x1.a2b7f222f65e2p-56}, {0x1.e77eb7f175a34p-2, 0x1.0e53dc1bf3435p-56},
    {0x1.f40dd0b541418p-2, -0x1.a3992dc382a23p-57}, {0x1.0039c73c1a40cp-1, -0x1.b32c949c9d593p-55},
    {0x1.0657e94db30d0p-1, -0x1.d5b495f6349e6p-56}, {0x1.0c6145b5b43dap-1, 0x1.974fa13b5404fp-58},
    {0x1.1255d9bfbd2a9p-1, -0x1.2bdaee1c0ee35p-58}, {0x1.1835a88be7c13p-1, 0x1.c621cec00c301p-55},
    {0x1.1e00babdefeb4p-1, -0x1.928df287a668fp-58}, {0x1.23b71e2cc9e6ap-1, 0x1.c421c9f38224ep-57},
    {0x1.2958e59308e31p-1, -0x1.09e73b0c6c087p-56}, {0x1.2ee628406cbcap-1, 0x1.c5d5e9ff0cf8dp-55},
    {0x1.345f01cce37bbp-1, 0x1.1021137c71102p-55}, {0x1.39c391cd4171ap-1, -0x1.2304331d8bf46p-55},
    {0x1.3f13fb89e96f4p-1, 0x1.ecf8b492644f0p-56}, {0x1.445065b795b56p-1, -0x1.f76d0163f79c8p-56},
    {0x1.4978fa3269ee1p-1, 0x1.2419a87f2a458p-56}, {0x1.4e8de5bb6ec04p-1, 0x1.4a33dbeb3796cp-55},
    {0x1.538f57b89061fp-1, -0x1.1bb74abda520cp-55}, {0x1.587d81f732fbbp-1, -0x1.5e5c9d8c5a950p-56},
    {0x1.5d58987169b18p-1, 0x1.0028e4bc5e7cap-57}, {0x1.6220d115d7b8ep-1, -0x1.2b785350ee8c1p-57},
    {0x1.66d663923e087p-1, -0x1.6ea6febe8bbbap-56}, {0x1.6b798920b3d99p-1, -0x1.a80386188c50ep-55},
    {0x1.700a7c5784634p-1, -0x1.8c34d25aadef6p-56}, {0x1.748978fba8e0fp-1, 0x1.7b2a6165884a1p-59},
    {0x1.78f6bbd5d315ep-1, 0x1.406a089803740p-55}, {0x1.7d528289fa093p-1, 0x1.560821e2f3aa9p-55},
    {0x1.819d0b7158a4dp-1, -0x1.bf76229d3b917p-56}, {0x1.85d69576cc2c5p-1, 0x1.6b66e7fc8b8c3p-57},
    {0x1.89ff5ff57f1f8p-1, -0x1.55b9a5e177a1bp-55}, {0x1.8e17aa99cc05ep-1, -0x1.ec182ab042f61p-56},
    {0x1.921fb54442d18p-1, 0x1.1a62633145c07p-55},
}};
// (-1)^k / (2k + 1) for k = 1..9: atan(u) = u (1 + u^2 (terms...)); for |u| <= 1/128 the
// terms left out are below 2^-118 of the sum.
constexpr std::array<Dd, 9> atanTerms = {{
    {-0x1.5555555555555p-2, -0x1.5555555555555p-56},
    {0x1.999999999999ap-3, -0x1.999999999999ap-57},
    {-0x1.2492492492492p-3, -0x1.2492492492492p-57},
    {0x1.c71c71c71c71cp-4, 0x1.c71c71c71c71cp-58},
    {-0x1.745d1745d1746p-4, 0x1.745d1745d1746p-59},
    {0x1.3b13b13b13b14p-4, -0x1.3b13b13b13b14p-58},
    {-0x1.1111111111111p-4, -0x1.1111111111111p-60},
    {0x1.e1e1e1e1e1e1ep-5, 0x1.e1e1e1e1e1e1ep-61},
    {-0x1.af286bca1af28p-5, -0x1.af286bca1af28p-59},
}};
// pi and pi/2 as double-doubles (relative error below 2^-107).
constexpr Dd pi = {0x1.921fb54442d18p+1, 0x1.1a62633145c07p-53};
constexpr Dd halfPi = {0x1.921fb54442d18p+0, 0x1.1a62633145c07p-54};

// The float with these bits.
float floatOf(uint32_t bits) {
    float f = 0;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

// The bits of a float.
uint32_t bitsOf(float f) {
    uint32_t bits = 0;
    std::memcpy(&bits, &f, sizeof bits);
    return bits;
}

// The angle from the x axis to (x, y) rounded to double, then to float, for finite
// non-zero y >= 0 and x of either sign (|y| and x given as doubles, both from floats).
// With `quick`, answers false where the double path cannot vouch for the float.
bool angleQuick(double y, double x, float& out) {
    QF_NO_FUSED_MULTIPLY_ADD
    const double ax = x < 0 ? -x : x;
    const bool steep = y > ax;
    const double t = steep ? ax / y : y / ax;  // in (0, 1], rounded once
    // atan(t) = atan(c) + atan(u), c = i/64 the nearest, u = (t - c) / (1 + t c), |u| <= 1/128.
    const int i = static_cast<int>(t * 64 + 0.5);
    const double c = i * 0x1p-6;
    const double u = (t - c) / (1 + t * c);
    const double z = u * u;
    const double series = u + u * z * (-1.0 / 3 + z * (0.2 + z * (-1.0 / 7 + z * (1.0 / 9))));
    const Dd& a = atanTable[static_cast<size_t>(i)];
    double angle = a.hi + (a.lo + series);
    if (steep) angle = (halfPi.hi - angle) + halfPi.lo;
    if (x < 0) angle = (pi.hi - angle) + pi.lo;
    // Well inside the normal floats, and its last 29 bits more than 2^14 double ulps from
    // a float half-way point (the path is within a few ulps of the true value).
    if (!(angle >= 0x1p-100)) return false;
    uint64_t bits = 0;
    std::memcpy(&bits, &angle, sizeof bits);
    const int64_t fromHalf = static_cast<int64_t>(bits & ((uint64_t{1} << 29) - 1)) - (int64_t{1} << 28);
    out = static_cast<float>(angle);
    return fromHalf > (int64_t{1} << 14) || fromHalf < -(int64_t{1} << 14);
}

// The same angle by the long road: exact quotient, the same reduction, all in
// double-double.
float anglePrecise(double y, double x, bool& undecided) {
    QF_NO_FUSED_MULTIPLY_ADD
    const double ax = x < 0 ? -x : x;
    const bool steep = y > ax;
    const Dd t = steep ? dd::div({ax, 0.0}, {y, 0.0}) : dd::div({y, 0.0}, {ax, 0.0});
    const int i = static_cast<int>(t.hi * 64 + 0.5);
    const Dd c = {i * 0x1p-6, 0.0};
    const Dd u = dd::div(add(t, dd::neg(c)), add({1.0, 0.0}, mul(t, c)));
    const Dd z = mul(u, u);
    Dd p = atanTerms[atanTerms.size() - 1];
    for (size_t k = atanTerms.size() - 1; k-- > 0;) p = add(atanTerms[k], mul(z, p));
    Dd angle = add(atanTable[static_cast<size_t>(i)], mul(u, add({1.0, 0.0}, mul(z, p))));
    if (steep) angle = add(halfPi, dd::neg(angle));
    if (x < 0) angle = add(pi, dd::neg(angle));
    return dd::toFloatTwice(angle, undecided);
}

}  // namespace

float trigdetail::atan2Checked(float y, float x, bool& undecided, bool& quick) {
    undecided = false;
    quick = false;
    const uint32_t yBits = bitsOf(y);
    const uint32_t xBits = bitsOf(x);
    // A NaN gives itself made quiet, x's before y's (as x86-64 has always given).
    if ((xBits & 0x7fffffffu) > 0x7f800000u) return floatOf(xBits | 0x00400000u);
    if ((yBits & 0x7fffffffu) > 0x7f800000u) return floatOf(yBits | 0x00400000u);
    const uint32_t ySign = yBits & 0x80000000u;
    const float ay = floatOf(yBits & 0x7fffffffu);
    // pi, pi/2, pi/4 and 3 pi/4 rounded to double, then to float.
    constexpr float piF = static_cast<float>(pi.hi);
    constexpr float halfPiF = static_cast<float>(halfPi.hi);
    constexpr float quarterPiF = static_cast<float>(0x1.921fb54442d18p-1);
    constexpr float threeQuarterPiF = static_cast<float>(0x1.2d97c7f3321d2p+1);
    const bool xNegative = (xBits & 0x80000000u) != 0;
    const bool yInfinite = (yBits & 0x7fffffffu) == 0x7f800000u;
    const bool xInfinite = (xBits & 0x7fffffffu) == 0x7f800000u;
    float angle = 0;
    if (yInfinite) {
        angle = xInfinite ? (xNegative ? threeQuarterPiF : quarterPiF) : halfPiF;
    } else if (xInfinite || ay == 0) {
        angle = xNegative ? piF : 0.0f;
    } else if (x == 0) {
        angle = halfPiF;
    } else {
        quick = angleQuick(ay, x, angle);
        if (!quick) angle = anglePrecise(ay, x, undecided);
    }
    return floatOf(bitsOf(angle) | ySign);
}

float atan2F32(float y, float x) {
    bool undecided = false;
    bool quick = false;
    return trigdetail::atan2Checked(y, x, undecided, quick);
}
