// The game's random number generator. The simulation draws from one instance and the
// star flicker from another, so that drawing never changes the game.
#pragma once

#include <cstdint>

// The classic C runtime generator: 15-bit values 0..maxValue, seedable, default seed 1.
struct Rng {
    static constexpr int maxValue = 0x7FFF;  // the largest value next() returns: 32767
    uint32_t state = 1;
    void seed(uint32_t s) { state = s; }
    int next() {
        state = state * 214013u + 2531011u;
        return static_cast<int>((state >> 16) & maxValue);
    }
};
