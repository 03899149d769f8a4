// Helpers of the sine and cosine tests: float bits, and the reference they compare with,
// MPFR's sine and cosine correctly rounded to double and then rounded to float (where the
// build found MPFR: QF_HAVE_MPFR).
#pragma once

#include "core/trig.h"

#include <cstdint>
#include <cstring>

#if defined(QF_HAVE_MPFR)
#include <mpfr.h>
#endif

namespace trigtest {

// The float with these bits.
inline float fromBits(uint32_t bits) {
    float f = 0;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

// The bits of a float (so that NaNs and signed zeros compare exactly).
inline uint32_t bitsOf(float f) {
    uint32_t bits = 0;
    std::memcpy(&bits, &f, sizeof bits);
    return bits;
}

// True when two results are the same bits.
inline bool same(SinCos x, SinCos y) {
    return bitsOf(x.s) == bitsOf(y.s) && bitsOf(x.c) == bitsOf(y.c);
}

#if defined(QF_HAVE_MPFR)
// MPFR's sine and cosine of finite angles, and atan2 of finite non-zero points, each
// correctly rounded to double and that rounded to float; one per thread. NaN, infinity
// and zeros are left to the game's own rules, which tables in tests/test_trig.cpp pin down.
class MpfrSinCos {
public:
    MpfrSinCos() {
        mpfr_init2(x_, 24);
        mpfr_init2(s_, 53);
        mpfr_init2(c_, 53);
        mpfr_init2(y_, 24);
    }
    ~MpfrSinCos() {
        mpfr_clears(x_, s_, c_, y_, static_cast<mpfr_ptr>(nullptr));
        mpfr_free_cache();
    }
    MpfrSinCos(const MpfrSinCos&) = delete;
    MpfrSinCos& operator=(const MpfrSinCos&) = delete;
    // The reference values for `a`.
    SinCos operator()(float a) {
        if ((bitsOf(a) & 0x7f800000u) == 0x7f800000u) return sinCosPrecise(a);
        mpfr_set_flt(x_, a, MPFR_RNDN);
        mpfr_sin_cos(s_, c_, x_, MPFR_RNDN);
        return {static_cast<float>(mpfr_get_d(s_, MPFR_RNDN)),
                static_cast<float>(mpfr_get_d(c_, MPFR_RNDN))};
    }
    // The reference atan2(y, x).
    float atan2(float y, float x) {
        const auto special = [](float v) { return (bitsOf(v) & 0x7f800000u) == 0x7f800000u || v == 0; };
        if (special(y) || special(x)) return atan2F32(y, x);
        mpfr_set_flt(y_, y, MPFR_RNDN);
        mpfr_set_flt(x_, x, MPFR_RNDN);
        mpfr_atan2(s_, y_, x_, MPFR_RNDN);
        return static_cast<float>(mpfr_get_d(s_, MPFR_RNDN));
    }

private:
    mpfr_t x_;
    mpfr_t s_;
    mpfr_t c_;
    mpfr_t y_;
};
#endif

}  // namespace trigtest
