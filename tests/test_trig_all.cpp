// Every float through sine and cosine against MPFR, bit for bit: the long road for every
// angle the quick path leaves to it (all of |x| > 1e5, NaN and infinity among them), the
// quick path for every angle it answers, both batch builds for all; and no float lies too
// close to a rounding boundary for the long road's double-double. About 1.9 microseconds
// of processor time a float, 70 minutes on two idle cores; QF_TRIG_STRIDE=k checks every
// k-th float only (QF_TRIG_OFFSET=j from the j-th).
#include "tests/trig_helpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <thread>
#include <vector>

namespace {

using trigtest::bitsOf;
using trigtest::fromBits;
using trigtest::same;

// What one pass over the floats found.
struct Tally {
    std::atomic<uint64_t> quick{0};      // answered by the quick path
    std::atomic<uint64_t> longRoad{0};   // left to the long road
    std::atomic<uint64_t> wrong{0};      // any result differing from MPFR's
    std::atomic<uint64_t> undecided{0};  // too close to a boundary for double-double
};

// A whole number from the environment, or `fallback`.
uint64_t fromEnvironment(const char* name, uint64_t fallback) {
    const char* text = std::getenv(name);
    return text == nullptr ? fallback : std::strtoull(text, nullptr, 10);
}

#if defined(QF_HAVE_MPFR)
// Checks the floats with bits offset + stride x i in [first, last) of that sequence.
void checkBlock(uint64_t offset, uint64_t stride, uint64_t first, uint64_t last, Tally& tally) {
    trigtest::MpfrSinCos reference;
    std::array<float, 64> angles{};
    std::array<SinCos, 64> portable{};
    std::array<SinCos, 64> wide{};
    for (uint64_t i = first; i < last; i += angles.size()) {
        const size_t count = static_cast<size_t>(std::min<uint64_t>(angles.size(), last - i));
        for (size_t k = 0; k < count; ++k) angles[k] = fromBits(static_cast<uint32_t>(offset + stride * (i + k)));
        sinCosBatchPortable({angles.data(), count}, {portable.data(), count});
        if (hasAvx2()) sinCosBatchAvx2({angles.data(), count}, {wide.data(), count});
        for (size_t k = 0; k < count; ++k) {
            const float a = angles[k];
            const SinCos want = reference(a);
            SinCos got;
            bool undecided = false;
            if (trigdetail::quickSinCos(a, got)) {
                ++tally.quick;
            } else {
                ++tally.longRoad;
                got = trigdetail::sinCosPreciseChecked(a, undecided);
            }
            if (undecided) ++tally.undecided;
            if (!same(got, want) || !same(portable[k], want) || (hasAvx2() && !same(wide[k], want))) {
                if (++tally.wrong <= 10) {
                    ADD_FAILURE() << "angle " << std::hexfloat << a << " (bits " << std::hex << bitsOf(a)
                                  << std::dec << "): got " << got.s << ", " << got.c << "; MPFR "
                                  << want.s << ", " << want.c << std::defaultfloat;
                }
            }
        }
    }
}
#endif

TEST(TrigAll, EveryFloatMatchesTheCorrectlyRoundedValue) {
#if !defined(QF_HAVE_MPFR)
    GTEST_SKIP() << "built without MPFR (libmpfr-dev): no reference to compare with";
#else
    const uint64_t stride = std::max<uint64_t>(1, fromEnvironment("QF_TRIG_STRIDE", 1));
    const uint64_t offset = fromEnvironment("QF_TRIG_OFFSET", 0) % stride;
    const uint64_t total = ((uint64_t{1} << 32) - offset + stride - 1) / stride;
    Tally tally;
    std::atomic<uint64_t> next{0};
    constexpr uint64_t piece = uint64_t{1} << 16;
    const auto start = std::chrono::steady_clock::now();
    std::vector<std::thread> workers;
    const unsigned threads = std::max(1u, std::thread::hardware_concurrency());
    for (unsigned t = 0; t < threads; ++t) {
        workers.emplace_back([&] {
            for (uint64_t first = next.fetch_add(piece); first < total; first = next.fetch_add(piece)) {
                checkBlock(offset, stride, first, std::min(total, first + piece), tally);
            }
        });
    }
    for (std::thread& w : workers) w.join();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::cout << total << " floats (every " << stride << "th from " << offset << ") in " << seconds
              << " s on " << threads << " threads: " << tally.quick << " by the quick path, "
              << tally.longRoad << " by the long road, " << tally.undecided << " undecided, "
              << tally.wrong << " wrong\n";
    EXPECT_EQ(tally.quick + tally.longRoad, total);
    EXPECT_EQ(tally.wrong, 0u);
    EXPECT_EQ(tally.undecided, 0u);
#endif
}

}  // namespace
