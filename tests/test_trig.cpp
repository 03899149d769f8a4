// The quick sine and cosine against the C library's, bit for bit: every float of a few
// whole binades, random angles of every size, and the awkward values. With
// QF_TRIG_EXHAUSTIVE=1 in the environment, every float of the quick path's range.
#include "sim/trig.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string_view>

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

// Number of angles in [first, last] (float bits) where the two disagree.
uint64_t mismatches(uint32_t first, uint32_t last) {
    uint64_t bad = 0;
    for (uint64_t b = first; b <= last; ++b) {
        const float a = fromBits(static_cast<uint32_t>(b));
        const SinCos quick = sinCosF32(a);
        const SinCos library = sinCosLibrary(a);
        if (bitsOf(quick.s) != bitsOf(library.s) || bitsOf(quick.c) != bitsOf(library.c)) {
            if (bad < 5) ADD_FAILURE() << "angle " << a << " (bits " << b << ")";
            ++bad;
        }
    }
    return bad;
}

TEST(Trig, EveryFloatOfWholeBinadesMatchesTheLibrary) {
    // [0.5, 1), [4, 8) (headings around 2 pi) and [-8, -4): 25 million angles.
    EXPECT_EQ(mismatches(bitsOf(0.5f), bitsOf(1.0f) - 1), 0u);
    EXPECT_EQ(mismatches(bitsOf(4.0f), bitsOf(8.0f) - 1), 0u);
    EXPECT_EQ(mismatches(bitsOf(-4.0f), bitsOf(-8.0f) - 1), 0u);
}

TEST(Trig, RandomAnglesAndAwkwardValuesMatchTheLibrary) {
    uint32_t state = 12345;
    uint64_t bad = 0;
    for (int k = 0; k < 2000000; ++k) {
        state = state * 1664525u + 1013904223u;
        const float a = fromBits(state);  // any bit pattern: every size, NaNs, infinities
        bad += mismatches(bitsOf(a), bitsOf(a));
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
