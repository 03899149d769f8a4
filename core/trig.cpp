// Sine and cosine of many angles at once, four lanes at a time: the same floats as
// sinCosF32 gives one by one, for drawing whole models.
#include "core/trig.h"

#include <cstring>

namespace {

// Four doubles, floats or 64-bit integers, one per lane.
using Doubles = double __attribute__((vector_size(32)));
using Floats = float __attribute__((vector_size(16)));
using Longs = long long __attribute__((vector_size(32)));

// Where the 29 bits a double loses on its way to float sit relative to the half-way point
// (see trigdetail::roundsSafely).
constexpr long long droppedMask = (1LL << 29) - 1;
constexpr long long halfWay = 1LL << 28;
constexpr long long doubtful = 1LL << 14;

// Sine and cosine of angles[k] into out[k], as far as both reach. Compiled twice, for
// AVX2 and for plain x86-64; neither build fuses a multiply and an add (contraction is
// off for every compiler, even under -march=native where FMA is there), so both give
// sinCosF32's floats. A lane the quick path cannot vouch for is left to sinCosF32.
[[gnu::always_inline]] inline void sinCosLanes(std::span<const float> angles,
                                               std::span<SinCos> out) {
    QF_NO_FUSED_MULTIPLY_ADD
    using namespace trigdetail;
    const size_t n = angles.size() < out.size() ? angles.size() : out.size();
    size_t i = 0;
    for (; i + 4 <= n; i += 4) {
        const Floats a = {angles[i], angles[i + 1], angles[i + 2], angles[i + 3]};
        const Doubles x = __builtin_convertvector(a, Doubles);
        // The reduction and polynomials of sinCosF32, lane by lane.
        // The shifted sum holds k in its low bits: the quadrant comes from there.
        const Doubles shifted = x * invHalfPi + roundingShift;
        const Doubles k = shifted - roundingShift;
        Doubles r = x - k * halfPi1;
        r = r - k * halfPi2;
        r = r - k * halfPi3;
        const Doubles z = r * r;
        const Doubles sr = r + r * z * (s1 + z * (s2 + z * (s3 + z * (s4 + z * (s5 + z * s6)))));
        const Doubles cr =
            1.0 - 0.5 * z + z * z * (c1 + z * (c2 + z * (c3 + z * (c4 + z * (c5 + z * c6)))));
        Longs q;
        std::memcpy(&q, &shifted, sizeof q);
        const Longs odd = (q & 1) != 0;
        const Doubles s0 = odd ? cr : sr;
        const Doubles c0 = odd ? sr : cr;
        const Doubles s = (q & 2) != 0 ? -s0 : s0;
        const Doubles c = ((q + 1) & 2) != 0 ? -c0 : c0;
        // Both results must round to float beyond doubt.
        Longs sBits;
        Longs cBits;
        std::memcpy(&sBits, &s, sizeof sBits);
        std::memcpy(&cBits, &c, sizeof cBits);
        const Longs sFromHalf = (sBits & droppedMask) - halfWay;
        const Longs cFromHalf = (cBits & droppedMask) - halfWay;
        const Longs sureRounding = ((sFromHalf > doubtful) | (sFromHalf < -doubtful)) &
                                   ((cFromHalf > doubtful) | (cFromHalf < -doubtful));
        const Doubles absX = x < 0 ? -x : x;
        const Doubles absR = r < 0 ? -r : r;
        // x == 0 is left to sinCosF32 too (the reduction would lose the sign of -0).
        const Longs quick = (absX <= quickLimit) & (absR >= smallestReduced) & sureRounding;
        const Floats sf = __builtin_convertvector(s, Floats);
        const Floats cf = __builtin_convertvector(c, Floats);
        if ((quick[0] & quick[1] & quick[2] & quick[3]) != 0) {
            // Every lane vouched for: store the four pairs at once.
            using Pairs = float __attribute__((vector_size(32)));
            const Pairs pairs = __builtin_shufflevector(sf, cf, 0, 4, 1, 5, 2, 6, 3, 7);
            static_assert(sizeof(SinCos) == 2 * sizeof(float));
            std::memcpy(&out[i], &pairs, sizeof pairs);
            continue;
        }
        for (size_t lane = 0; lane < 4; ++lane) {
            if (quick[lane] != 0) {
                out[i + lane] = {sf[lane], cf[lane]};
            } else {
                out[i + lane] = sinCosF32(angles[i + lane]);
            }
        }
    }
    for (; i < n; ++i) out[i] = sinCosF32(angles[i]);
}

}  // namespace

#if defined(__x86_64__) || defined(__i386__)
// The batch built for processors with AVX2.
[[gnu::target("avx2")]] void sinCosBatchAvx2(std::span<const float> angles,
                                             std::span<SinCos> out) {
    sinCosLanes(angles, out);
}
#endif

// The batch built for any x86-64 processor.
void sinCosBatchPortable(std::span<const float> angles, std::span<SinCos> out) {
    sinCosLanes(angles, out);
}

// True when the processor runs sinCosBatchAvx2.
bool hasAvx2() {
#if defined(__x86_64__) || defined(__i386__)
    static const bool avx2 = __builtin_cpu_supports("avx2") != 0;
    return avx2;
#else
    return false;
#endif
}

void sinCosBatch(std::span<const float> angles, std::span<SinCos> out) {
#if defined(__x86_64__) || defined(__i386__)
    if (hasAvx2()) {
        sinCosBatchAvx2(angles, out);
        return;
    }
#endif
    sinCosBatchPortable(angles, out);
}

double multiplyThenAdd(double a, double b, double c) {
    // Deliberately without QF_NO_FUSED_MULTIPLY_ADD: this checks the flags alone.
    return a * b + c;
}
