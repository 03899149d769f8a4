// The game's sine and cosine, one at a time and in batches, against the true values
// rounded to double and then to float: MPFR's where the build has it (else the long road,
// which tests/test_trig_all checks against MPFR for every float). Every float of a few
// whole binades, random angles of every size, the hard cases in a table, and the check
// that nothing fused a multiply and an add.
#include "tests/trig_helpers.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <limits>
#include <utility>

namespace {

using trigtest::bitsOf;
using trigtest::fromBits;
using trigtest::same;

// The true sine and cosine of `a` rounded to double, then to float.
SinCos reference(float a) {
#if defined(QF_HAVE_MPFR)
    thread_local trigtest::MpfrSinCos mpfr;
    return mpfr(a);
#else
    return sinCosPrecise(a);
#endif
}

// Number of angles in [first, last] (float bits, either direction) where sinCosF32 or
// either batch build disagrees with the long road, or, for every `sample`th angle and
// every angle the quick path leaves to the long road, with the reference. The batch is
// fed runs of 1 to 9 angles, so that both its four-lane part and its tail are used.
uint64_t mismatches(uint32_t first, uint32_t last, uint32_t sample = 1) {
    if (first > last) std::swap(first, last);
    uint64_t bad = 0;
    std::array<float, 9> angles{};
    std::array<SinCos, 9> batch{};  // the portable build
    std::array<SinCos, 9> wide{};   // the AVX2 build
    size_t run = 1 + first % 9;
    uint64_t b = first;
    while (b <= last) {
        size_t count = 0;
        for (; count < run && b <= last; ++count, ++b) angles[count] = fromBits(static_cast<uint32_t>(b));
        sinCosBatchPortable({angles.data(), count}, {batch.data(), count});
        if (hasAvx2()) sinCosBatchAvx2({angles.data(), count}, {wide.data(), count});
        for (size_t k = 0; k < count; ++k) {
            SinCos quick;
            const bool answered = trigdetail::quickSinCos(angles[k], quick);
            const SinCos one = sinCosF32(angles[k]);
            const bool compare = !answered || bitsOf(angles[k]) % sample == 0;
            const SinCos want = compare ? reference(angles[k]) : one;
            if (!same(one, want) || !same(batch[k], one) || (hasAvx2() && !same(wide[k], one)) ||
                (answered && !same(quick, one))) {
                if (bad < 5) ADD_FAILURE() << "angle " << angles[k] << " (bits " << bitsOf(angles[k]) << ")";
                ++bad;
            }
        }
        run = run % 9 + 1;
    }
    return bad;
}

TEST(Trig, EveryFloatOfWholeBinadesMatchesTheReference) {
    // [0.5, 1), [4, 8) (headings around 2 pi) and [-8, -4): 25 million angles, batches
    // against sinCosF32 for all, every 61st and every doubtful one against the reference.
    EXPECT_EQ(mismatches(bitsOf(0.5f), bitsOf(1.0f) - 1, 61), 0u);
    EXPECT_EQ(mismatches(bitsOf(4.0f), bitsOf(8.0f) - 1, 61), 0u);
    EXPECT_EQ(mismatches(bitsOf(-4.0f), bitsOf(-8.0f) - 1, 61), 0u);
    // The batch writes no further than it is asked to.
    std::array<float, 6> angles{0.5f, 1.5f, 2.5f, 3.5f, 4.5f, 5.5f};
    std::array<SinCos, 6> out{};
    out[5] = {7.0f, 7.0f};
    sinCosBatch({angles.data(), 5}, out);
    EXPECT_EQ(out[5].s, 7.0f);
    EXPECT_TRUE(same(out[4], reference(4.5f)));
}

TEST(Trig, RandomAnglesAndAwkwardValuesMatchTheReference) {
    uint32_t state = 12345;
    uint64_t bad = 0;
    std::array<float, 7> angles{};
    std::array<SinCos, 7> batch{};
    std::array<SinCos, 7> portable{};
    for (int k = 0; k < 30000; ++k) {
        for (float& a : angles) {
            state = state * 1664525u + 1013904223u;
            // Any bit pattern (every size, NaNs, infinities), or a heading of a few turns.
            a = k % 2 == 0 ? fromBits(state) : static_cast<float>(state >> 8) * 1e-6f - 8.0f;
        }
        sinCosBatch(angles, batch);
        sinCosBatchPortable(angles, portable);
        for (size_t j = 0; j < angles.size(); ++j) {
            const SinCos want = reference(angles[j]);
            bad += same(batch[j], want) && same(portable[j], want) && same(sinCosF32(angles[j]), want)
                       ? 0
                       : 1;
        }
    }
    EXPECT_EQ(bad, 0u);
    const float inf = std::numeric_limits<float>::infinity();
    for (float a : {0.0f, -0.0f, 1e-30f, -1e-45f, 1e-6f, 3.1415927f, -3.1415927f, 1.5707964f,
                    6.2831855f, 1e5f, -1e5f, 100000.01f, 1e30f, inf, -inf,
                    std::numeric_limits<float>::quiet_NaN(), 1.2345678e4f, 31415.926f}) {
        EXPECT_EQ(mismatches(bitsOf(a), bitsOf(a)), 0u) << a;
    }
}

// An angle and its sine and cosine as bits (the true values rounded to double, then to
// float, from MPFR).
struct HardCase {
    uint32_t angle;
    uint32_t s;
    uint32_t c;
};

// The hard cases the searches found: angles nearest a multiple of pi/2 (the reduction's
// worst), angles whose true value rounded to double lands on or next to a float half-way
// point (where rounding twice decides), angles the quick path doubts, the extremes, and
// the game's rules for zeros, infinities and NaNs.
// clang-format off
constexpr std::array<HardCase, 40> hardCases = {{
    {0x6f79be45u, 0x3f800000u, 0xb0ddeea9u},  // nearest any float to k pi/2: 2^-29.2 (long road)
    {0xef79be45u, 0xbf800000u, 0xb0ddeea9u},  // the same, negative (long road)
    {0x6ff9be45u, 0xb15deea9u, 0xbf800000u},  // its double (long road)
    {0x50a3e87fu, 0x3f800000u, 0xb10a4ed8u},  // 2^-28.9 from a multiple of pi/2 (long road)
    {0x6a1976f1u, 0x3f800000u, 0xb1de3bdfu},  // 2^-27.2 from a multiple of pi/2 (long road)
    {0x53b146a6u, 0xbf800000u, 0xb1eda4f2u},  // 2^-27.1 from a multiple of pi/2 (long road)
    {0x65898498u, 0x3f800000u, 0xb1fbf026u},  // 2^-27.0 from a multiple of pi/2 (long road)
    {0x77584625u, 0xbf800000u, 0xb22fa975u},  // 2^-26.5 from a multiple of pi/2 (long road)
    {0x437ce5f1u, 0x3f800000u, 0xb18fd1deu},  // nearest to k pi/2 below 1e5
    {0x43fce5f1u, 0xb20fd1deu, 0xbf800000u},  // its double
    {0x7f7fffffu, 0xbf0599b3u, 0x3f5a5f96u},  // the largest float (long road)
    {0xff7fffffu, 0x3f0599b3u, 0x3f5a5f96u},  // the most negative float (long road)
    {0x47c35001u, 0x3ce4e304u, 0xbf7fe66au},  // just above 1e5 (long road)
    {0x47c35000u, 0x3d126d55u, 0xbf7fd61cu},  // 1e5, the quick path's last
    {0x00000001u, 0x00000001u, 0x3f800000u},  // the smallest subnormal (long road)
    {0x80000001u, 0x80000001u, 0x3f800000u},  // its negative (long road)
    {0x007fffffu, 0x007fffffu, 0x3f800000u},  // the largest subnormal (long road)
    {0x00800000u, 0x00800000u, 0x3f800000u},  // the smallest normal (long road)
    {0x2b800000u, 0x2b800000u, 0x3f800000u},  // below the quick path's 1e-12 (long road)
    {0x29e12e13u, 0x29e12e13u, 0x3f800000u},  // 1e-13 (long road)
    {0x35c00000u, 0x35c00000u, 0x3f800000u},  // small
    {0x40490fdbu, 0xb3bbbd2eu, 0xbf800000u},  // the float pi
    {0x3fc90fdbu, 0x3f800000u, 0xb33bbd2eu},  // the float pi/2
    {0x40c90fdbu, 0x343bbd2eu, 0x3f800000u},  // the float 2 pi
    {0x00000000u, 0x00000000u, 0x3f800000u},  // +0
    {0x80000000u, 0x80000000u, 0x3f800000u},  // -0
    {0x7f800000u, 0xffc00000u, 0xffc00000u},  // infinity: the default NaN (long road)
    {0xff800000u, 0xffc00000u, 0xffc00000u},  // -infinity (long road)
    {0x7fc00000u, 0x7fc00000u, 0x7fc00000u},  // a quiet NaN: itself (long road)
    {0xffc00001u, 0xffc00001u, 0xffc00001u},  // a negative NaN with a payload (long road)
    {0x7fa00000u, 0x7fe00000u, 0x7fe00000u},  // a signalling NaN: made quiet (long road)
    {0x46199998u, 0xbeb1fa5eu, 0xbf70090bu},  // sine to double: a float half-way point (long road)
    {0xc6199998u, 0x3eb1fa5eu, 0xbf70090bu},  // the same, negative (long road)
    {0x39800000u, 0x39800000u, 0x3f800000u},  // 2^-12: cosine to double next to one (long road)
    {0x3c107fe6u, 0x3c107f6bu, 0x3f7ffd74u},  // cosine to double next to one (long road)
    {0x4371ade3u, 0x3e62da56u, 0xbf79a393u},  // sine to double next to one (long road)
    {0x3f005386u, 0x3ef609d0u, 0x3f608129u},  // the quick path doubts its rounding (long road)
    {0x4080483cu, 0xbf433599u, 0xbf259e31u},  // the quick path doubts its rounding (long road)
    {0xc080483cu, 0x3f433599u, 0xbf259e31u},  // the same, negative (long road)
    {0x46001905u, 0xbf76cdb2u, 0x3e880024u},  // the quick path doubts its rounding (long road)
}};
// clang-format on

TEST(Trig, HardCasesGiveTheTrueValuesRoundedTwice) {
    std::array<float, hardCases.size()> angles{};
    std::array<SinCos, hardCases.size()> batch{};
    for (size_t k = 0; k < hardCases.size(); ++k) angles[k] = fromBits(hardCases[k].angle);
    sinCosBatch(angles, batch);
    for (size_t k = 0; k < hardCases.size(); ++k) {
        const HardCase& h = hardCases[k];
        const SinCos want = {fromBits(h.s), fromBits(h.c)};
        const float a = angles[k];
        bool undecided = false;
        EXPECT_TRUE(same(trigdetail::sinCosPreciseChecked(a, undecided), want)) << std::hexfloat << a;
        EXPECT_FALSE(undecided) << std::hexfloat << a;
        EXPECT_TRUE(same(sinCosF32(a), want)) << std::hexfloat << a;
        EXPECT_TRUE(same(batch[k], want)) << std::hexfloat << a;
        EXPECT_TRUE(same(reference(a), want)) << std::hexfloat << a;
    }
}

TEST(Trig, TheCoreLibraryNeverFusesAMultiplyAndAnAdd) {
    // (1 + 2^-27)(1 - 2^-27) = 1 - 2^-54 rounds to 1, so the sum is 0; fused, it would be
    // -2^-54.
    EXPECT_EQ(multiplyThenAdd(1 + 0x1p-27, 1 - 0x1p-27, -1.0), 0.0);
}

// atan2's own rules for zeros, infinities and NaNs: (y, x) and the result, as bits.
constexpr std::array<std::array<uint32_t, 3>, 20> atan2Rules = {{
    {0x00000000u, 0x00000000u, 0x00000000u}, {0x80000000u, 0x00000000u, 0x80000000u},
    {0x00000000u, 0x80000000u, 0x40490fdbu}, {0x80000000u, 0x80000000u, 0xc0490fdbu},
    {0x3f800000u, 0x00000000u, 0x3fc90fdbu}, {0xbf800000u, 0x80000000u, 0xbfc90fdbu},
    {0x7f800000u, 0x7f800000u, 0x3f490fdbu}, {0x7f800000u, 0xff800000u, 0x4016cbe4u},
    {0xff800000u, 0xff800000u, 0xc016cbe4u}, {0x7f800000u, 0x3f800000u, 0x3fc90fdbu},
    {0x3f800000u, 0x7f800000u, 0x00000000u}, {0x3f800000u, 0xff800000u, 0x40490fdbu},
    {0x80000000u, 0xff800000u, 0xc0490fdbu}, {0x80000000u, 0x7f800000u, 0x80000000u},
    // A NaN in x wins (made quiet), then one in y.
    {0x7fc00001u, 0xffc00002u, 0xffc00002u}, {0x7fa00003u, 0x3f800000u, 0x7fe00003u},
    {0xffc00002u, 0x7fa00003u, 0x7fe00003u}, {0x3f800000u, 0x7fc00001u, 0x7fc00001u},
    {0x7f800000u, 0x7fa00003u, 0x7fe00003u}, {0xffc00002u, 0x00000000u, 0xffc00002u},
}};

TEST(Trig, Atan2FollowsItsRulesAndTheReference) {
    for (const auto& [y, x, want] : atan2Rules) {
        EXPECT_EQ(bitsOf(atan2F32(fromBits(y), fromBits(x))), want) << std::hex << y << ", " << x;
    }
#if defined(QF_HAVE_MPFR)
    // Points of every size, and points of the playfield's size (aiming, model lines).
    thread_local trigtest::MpfrSinCos mpfr;
    uint32_t state = 777;
    const auto next = [&state] { return state = state * 1664525u + 1013904223u; };
    uint64_t bad = 0;
    uint64_t longRoad = 0;
    for (int k = 0; k < 200000; ++k) {
        float y = fromBits(next());
        float x = fromBits(next());
        if (k % 2 == 1) {
            y = static_cast<float>(static_cast<int32_t>(next() >> 8) - (1 << 23)) * 0x1p-23f;
            x = static_cast<float>(static_cast<int32_t>(next() >> 8) - (1 << 23)) * 0x1.8p-23f;
        }
        bool undecided = false;
        bool quick = false;
        const float got = trigdetail::atan2Checked(y, x, undecided, quick);
        longRoad += quick ? 0 : 1;
        if (bitsOf(got) != bitsOf(mpfr.atan2(y, x)) || undecided) {
            if (++bad <= 5) ADD_FAILURE() << std::hexfloat << "atan2(" << y << ", " << x << ")";
        }
    }
    EXPECT_EQ(bad, 0u);
    EXPECT_GT(longRoad, 1000u);  // the long road was tried too
#endif
}

}  // namespace
