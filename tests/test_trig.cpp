// The quick sine and cosine, one at a time and in batches, against the C library's, bit
// for bit: every float of a few whole binades, random angles of every size, and the
// awkward values. With
// QF_TRIG_EXHAUSTIVE=1 in the environment, every float of the quick path's range.
#include "core/trig.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string_view>
#include <utility>

namespace {

// The float with these bits.
float fromBits(uint32_t bits) {
    float f = 0;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

// The bits of a float (so that NaNs and signed zeros compare exactly).
uint32_t bitsOf(float f) {
    uint32_t bits = 0;
    std::memcpy(&bits, &f, sizeof bits);
    return bits;
}

// True when two results are the same bits.
bool same(SinCos x, SinCos y) { return bitsOf(x.s) == bitsOf(y.s) && bitsOf(x.c) == bitsOf(y.c); }

// Number of angles in [first, last] (float bits, either direction) where sinCosF32 or
// sinCosBatch disagrees with the library. The batch is fed runs of 1 to 9 angles, so
// that both its four-lane part and its tail are used.
uint64_t mismatches(uint32_t first, uint32_t last) {
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
            const SinCos library = sinCosLibrary(angles[k]);
            if (!same(sinCosF32(angles[k]), library) || !same(batch[k], library) ||
                (hasAvx2() && !same(wide[k], library))) {
                if (bad < 5) ADD_FAILURE() << "angle " << angles[k] << " (bits " << bitsOf(angles[k]) << ")";
                ++bad;
            }
        }
        run = run % 9 + 1;
    }
    return bad;
}

TEST(Trig, EveryFloatOfWholeBinadesMatchesTheLibrary) {
    // [0.5, 1), [4, 8) (headings around 2 pi) and [-8, -4): 25 million angles.
    EXPECT_EQ(mismatches(bitsOf(0.5f), bitsOf(1.0f) - 1), 0u);
    EXPECT_EQ(mismatches(bitsOf(4.0f), bitsOf(8.0f) - 1), 0u);
    EXPECT_EQ(mismatches(bitsOf(-4.0f), bitsOf(-8.0f) - 1), 0u);
    // The batch writes no further than it is asked to.
    std::array<float, 6> angles{0.5f, 1.5f, 2.5f, 3.5f, 4.5f, 5.5f};
    std::array<SinCos, 6> out{};
    out[5] = {7.0f, 7.0f};
    sinCosBatch({angles.data(), 5}, out);
    EXPECT_EQ(out[5].s, 7.0f);
    EXPECT_TRUE(same(out[4], sinCosLibrary(4.5f)));
}

TEST(Trig, RandomAnglesAndAwkwardValuesMatchTheLibrary) {
    uint32_t state = 12345;
    uint64_t bad = 0;
    std::array<float, 7> angles{};
    std::array<SinCos, 7> batch{};
    std::array<SinCos, 7> portable{};
    for (int k = 0; k < 300000; ++k) {
        for (float& a : angles) {
            state = state * 1664525u + 1013904223u;
            // Any bit pattern (every size, NaNs, infinities), or a heading of a few turns.
            a = k % 2 == 0 ? fromBits(state) : static_cast<float>(state >> 8) * 1e-6f - 8.0f;
        }
        sinCosBatch(angles, batch);
        sinCosBatchPortable(angles, portable);
        for (size_t j = 0; j < angles.size(); ++j) {
            const SinCos library = sinCosLibrary(angles[j]);
            bad += same(batch[j], library) && same(portable[j], library) &&
                           same(sinCosF32(angles[j]), library)
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

TEST(Trig, EveryFloatOfTheQuickRangeWhenAskedFor) {
    const char* wanted = std::getenv("QF_TRIG_EXHAUSTIVE");
    if (wanted == nullptr || std::string_view(wanted) != "1")
        GTEST_SKIP() << "set QF_TRIG_EXHAUSTIVE=1 to check all 2.4 billion angles (minutes)";
    EXPECT_EQ(mismatches(0, bitsOf(1e5f)), 0u);
    EXPECT_EQ(mismatches(bitsOf(-0.0f), bitsOf(-1e5f)), 0u);
}

}  // namespace
