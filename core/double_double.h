// Double-double arithmetic for the game's long-road maths (trig_precise.cpp,
// arctangent.cpp): numbers kept as an unevaluated sum hi + lo of two doubles, about 106
// bits, built from exact sums and products without fused multiply-adds, and the rounding
// of such a number to double and then to float.
#pragma once

#include "core/numbers.h"

#include <cstdint>
#include <cstring>

namespace dd {

// The number hi + lo, hi being that sum rounded to double.
struct Dd {
    double hi;
    double lo;
};

// a + b as an exact pair, for a and b of any size.
inline Dd twoSum(double a, double b) {
    QF_NO_FUSED_MULTIPLY_ADD
    const double s = a + b;
    const double bb = s - a;
    return {s, (a - (s - bb)) + (b - bb)};
}

// a + b as an exact pair, for |a| >= |b| (or a == 0).
inline Dd quickTwoSum(double a, double b) {
    QF_NO_FUSED_MULTIPLY_ADD
    const double s = a + b;
    return {s, b - (s - a)};
}

// a x b as an exact pair, by halves of 26 bits (Veltkamp and Dekker); exact as long as
// nothing overflows or falls below 2^-969.
inline Dd twoProduct(double a, double b) {
    QF_NO_FUSED_MULTIPLY_ADD
    constexpr double splitter = 134217729.0;  // 2^27 + 1
    const double ta = splitter * a;
    const double ah = ta - (ta - a);
    const double al = a - ah;
    const double tb = splitter * b;
    const double bh = tb - (tb - b);
    const double bl = b - bh;
    const double p = a * b;
    return {p, ((ah * bh - p) + ah * bl + al * bh) + al * bl};
}

// a + b, relative error about 2^-104.
inline Dd add(Dd a, Dd b) {
    QF_NO_FUSED_MULTIPLY_ADD
    Dd s = twoSum(a.hi, b.hi);
    const Dd t = twoSum(a.lo, b.lo);
    s.lo += t.hi;
    s = quickTwoSum(s.hi, s.lo);
    s.lo += t.lo;
    return quickTwoSum(s.hi, s.lo);
}

// a x b, relative error about 2^-104.
inline Dd mul(Dd a, Dd b) {
    QF_NO_FUSED_MULTIPLY_ADD
    Dd p = twoProduct(a.hi, b.hi);
    p.lo += a.hi * b.lo + a.lo * b.hi;
    return quickTwoSum(p.hi, p.lo);
}

// a / b, relative error about 2^-104: three partial quotients.
inline Dd div(Dd a, Dd b) {
    QF_NO_FUSED_MULTIPLY_ADD
    const double q1 = a.hi / b.hi;
    Dd r = add(a, {-mul({q1, 0.0}, b).hi, -mul({q1, 0.0}, b).lo});
    const double q2 = r.hi / b.hi;
    r = add(r, {-mul({q2, 0.0}, b).hi, -mul({q2, 0.0}, b).lo});
    const double q3 = r.hi / b.hi;
    return add(quickTwoSum(q1, q2), {q3, 0.0});
}

// -a.
inline Dd neg(Dd a) { return {-a.hi, -a.lo}; }

// 2^k for k in the normal double range.
inline double powerOfTwo(int k) {
    QF_NO_FUSED_MULTIPLY_ADD
    const uint64_t bits = static_cast<uint64_t>(1023 + k) << 52;
    double d = 0;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

// v (finite, non-zero) rounded to double and then to float, v being within 2^-94 of its
// size of the true value. The double is hi unless the true value may lie beyond the
// half-way point to hi's neighbour on lo's side; `undecided` is set when it may and the
// two doubles round to different floats.
inline float toFloatTwice(Dd v, bool& undecided) {
    QF_NO_FUSED_MULTIPLY_ADD
    const Dd n = quickTwoSum(v.hi, v.lo);
    const float f = static_cast<float>(n.hi);
    if (n.lo == 0) return f;
    uint64_t bits = 0;
    std::memcpy(&bits, &n.hi, sizeof bits);
    // The neighbour of hi on lo's side: one step of the magnitude up or down.
    bits = (n.lo > 0) == (n.hi > 0) ? bits + 1 : bits - 1;
    double neighbour = 0;
    std::memcpy(&neighbour, &bits, sizeof neighbour);
    const double half = (neighbour - n.hi) * 0.5;
    const double gap = half < 0 ? -half : half;
    const double lo = n.lo < 0 ? -n.lo : n.lo;
    if (lo >= gap - gap * 0x1p-40 && static_cast<float>(neighbour) != f) undecided = true;
    return f;
}

}  // namespace dd
