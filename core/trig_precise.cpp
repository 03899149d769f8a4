// Sine and cosine of any float by the long road, with no help from the C library: the
// angle reduced by pi/2 exactly (enough bits of 2/pi for the whole float range), the
// series summed in double-double arithmetic, the result rounded to double and then to
// float. The quick path of trig.h leaves every angle it cannot vouch for here.
#include "core/double_double.h"
#include "core/trig.h"

#include <array>
#include <cstdint>
#include <cstring>

namespace {

using dd::Dd;
using dd::add;
using dd::mul;
using dd::neg;

// The fraction of 2/pi in 32-bit words, most significant first: 2/pi = sum of
// twoOverPi[i] x 2^(-32 (i + 1)).
constexpr std::array<uint32_t, 10> twoOverPi = {
    0xA2F9836E, 0x4E441529, 0xFC2757D1, 0xF534DDC0, 0xDB629599,
    0x3C439041, 0xFE5163AB, 0xDEBBC561, 0xB7246E3A, 0x424DD2E0};
// Words of 2/pi multiplied per angle: at least 191 bits below the binary point of
// x x 2/pi, where no float comes closer to a multiple of pi/2 than 2^-40 or so.
constexpr int wordsUsed = 7;
// pi/2 as a double-double (relative error below 2^-107).
constexpr Dd halfPi = {0x1.921fb54442d18p+0, 0x1.1a62633145c07p-54};

// Taylor coefficients (-1)^k / (2k+1)! for k = 1..13 and (-1)^k / (2k)! for k = 1..14, as
// double-doubles: on [-pi/4, pi/4] the terms left out are below 2^-112 of the sum.
constexpr std::array<Dd, 13> sinTerms = {{
    {-0x1.5555555555555p-3, -0x1.5555555555555p-57},
    {0x1.1111111111111p-7, 0x1.1111111111111p-63},
    {-0x1.a01a01a01a01ap-13, -0x1.a01a01a01a01ap-73},
    {0x1.71de3a556c734p-19, -0x1.c154f8ddc6c00p-73},
    {-0x1.ae64567f544e4p-26, 0x1.c062e06d1f209p-80},
    {0x1.6124613a86d09p-33, 0x1.f28e0cc748ebep-87},
    {-0x1.ae7f3e733b81fp-41, -0x1.1d8656b0ee8cbp-97},
    {0x1.952c77030ad4ap-49, 0x1.ac981465ddc6cp-103},
    {-0x1.2f49b46814157p-57, -0x1.2650f61dbdcb4p-112},
    {0x1.71b8ef6dcf572p-66, -0x1.d043ae40c4647p-120},
    {-0x1.761b41316381ap-75, 0x1.3423c7d91404fp-130},
    {0x1.3f3ccdd165fa9p-84, -0x1.58ddadf344487p-139},
    {-0x1.d1ab1c2dccea3p-94, -0x1.054d0c78aea14p-149},
}};
constexpr std::array<Dd, 14> cosTerms = {{
    {-0x1.0000000000000p-1, 0.0},
    {0x1.5555555555555p-5, 0x1.5555555555555p-59},
    {-0x1.6c16c16c16c17p-10, 0x1.f49f49f49f49fp-65},
    {0x1.a01a01a01a01ap-16, 0x1.a01a01a01a01ap-76},
    {-0x1.27e4fb7789f5cp-22, -0x1.cbbc05b4fa99ap-76},
    {0x1.1eed8eff8d898p-29, -0x1.2aec959e14c06p-83},
    {-0x1.93974a8c07c9dp-37, -0x1.05d6f8a2efd1fp-92},
    {0x1.ae7f3e733b81fp-45, 0x1.1d8656b0ee8cbp-101},
    {-0x1.6827863b97d97p-53, -0x1.eec01221a8b0bp-107},
    {0x1.e542ba4020225p-62, 0x1.ea72b4afe3c2fp-120},
    {-0x1.0ce396db7f853p-70, 0x1.aebcdbd20331cp-124},
    {0x1.f2cf01972f578p-80, -0x1.9ada5fcc1ab14p-135},
    {-0x1.88e85fc6a4e5ap-89, 0x1.71c37ebd16540p-143},
    {0x1.0a18a2635085dp-98, 0x1.b9e2e28e1aa54p-153},
}};

// terms[0] + z (terms[1] + z (terms[2] + ...)), by Horner's rule in double-double.
template <size_t N>
Dd series(const std::array<Dd, N>& terms, Dd z) {
    QF_NO_FUSED_MULTIPLY_ADD
    Dd p = terms[N - 1];
    for (size_t k = N - 1; k-- > 0;) p = add(terms[k], mul(z, p));
    return p;
}

// An angle reduced by pi/2: angle = quadrant x pi/2 + rest, |rest| <= pi/4.
struct Reduced {
    int quadrant;
    Dd rest;
};

// Reduces the angle m x 2^e (m below 2^24, e from -24 to 104) exactly: the bits of
// m x 2^e x 2/pi from 2 above the binary point to at least 191 below, as a whole number.
Reduced reduce(uint32_t m, int e) {
    QF_NO_FUSED_MULTIPLY_ADD
    // Words of 2/pi worth 2^2 or more times m x 2^e only add multiples of 4: skip them.
    const int first = e > 33 ? (e - 34) / 32 + 1 : 0;
    std::array<uint32_t, wordsUsed + 1> p{};  // least significant word first
    uint64_t carry = 0;
    for (int j = 0; j < wordsUsed; ++j) {
        const uint64_t t = uint64_t{m} * twoOverPi[static_cast<size_t>(first + wordsUsed - 1 - j)] + carry;
        p[static_cast<size_t>(j)] = static_cast<uint32_t>(t);
        carry = t >> 32;
    }
    p[wordsUsed] = static_cast<uint32_t>(carry);
    // p x 2^-point is m x 2^e x 2/pi less a multiple of 4.
    const int point = 32 * (first + wordsUsed) - e;
    const auto bit = [&p](int at) { return (p[static_cast<size_t>(at / 32)] >> (at % 32)) & 1u; };
    int quadrant = static_cast<int>(bit(point + 1) * 2 + bit(point));
    // A fraction of one half or more goes to the next quadrant and leaves a negative rest:
    // its magnitude is the two's complement of the fraction's bits.
    const bool negative = bit(point - 1) != 0;
    if (negative) {
        ++quadrant;
        uint64_t sum = 1;
        for (uint32_t& word : p) {
            sum += static_cast<uint32_t>(~word);
            word = static_cast<uint32_t>(sum);
            sum >>= 32;
        }
    }
    // The fraction's words, largest first, summed into a double-double (exact but for the
    // last few bits; below 2^-100 of it however close the angle is to a multiple of pi/2).
    const int top = point / 32;
    p[static_cast<size_t>(top)] &= (uint32_t{1} << (point % 32)) - 1;
    Dd f = {0.0, 0.0};
    for (int j = top; j >= 0; --j) {
        f = add(f, {static_cast<double>(p[static_cast<size_t>(j)]) * dd::powerOfTwo(32 * j - point), 0.0});
    }
    const Dd rest = mul(f, halfPi);
    return {quadrant & 3, negative ? neg(rest) : rest};
}

}  // namespace

SinCos trigdetail::sinCosPreciseChecked(float a, bool& undecided) {
    QF_NO_FUSED_MULTIPLY_ADD
    undecided = false;
    uint32_t bits = 0;
    std::memcpy(&bits, &a, sizeof bits);
    const uint32_t magnitude = bits & 0x7fffffffu;
    if (magnitude >= 0x7f800000u) {
        // A NaN gives itself made quiet; an infinity the negative default NaN (as x86-64
        // has always given), the same bits on every processor.
        const uint32_t nanBits = magnitude > 0x7f800000u ? bits | 0x00400000u : 0xffc00000u;
        float nan = 0;
        std::memcpy(&nan, &nanBits, sizeof nan);
        return {nan, nan};
    }
    if (magnitude == 0) return {a, 1.0f};
    Reduced reduced = {0, {0.0, 0.0}};
    constexpr uint32_t belowQuarterPi = 0x3f490fd8u;  // 0.785398, just under pi/4
    if (magnitude <= belowQuarterPi) {
        float x = 0;
        std::memcpy(&x, &magnitude, sizeof x);
        reduced.rest = {static_cast<double>(x), 0.0};
    } else {
        const uint32_t m = (magnitude & 0x7fffffu) | 0x800000u;
        reduced = reduce(m, static_cast<int>(magnitude >> 23) - 150);
    }
    const Dd r = reduced.rest;
    const Dd z = mul(r, r);
    const Dd one = {1.0, 0.0};
    const Dd sr = mul(r, add(one, mul(z, series(sinTerms, z))));
    const Dd cr = add(one, mul(z, series(cosTerms, z)));
    Dd s = sr;
    Dd c = cr;
    switch (reduced.quadrant) {
    case 0: break;
    case 1: s = cr; c = neg(sr); break;
    case 2: s = neg(sr); c = neg(cr); break;
    default: s = neg(cr); c = sr; break;
    }
    if ((bits >> 31) != 0) s = neg(s);
    return {dd::toFloatTwice(s, undecided), dd::toFloatTwice(c, undecided)};
}

SinCos sinCosPrecise(float a) {
    bool undecided = false;
    return trigdetail::sinCosPreciseChecked(a, undecided);
}
