// The 64-bit FNV-1a hash, used where the game fingerprints bytes: the definition texts a
// run was loaded from, replay files and the replays' check values.
#pragma once

#include <cstdint>
#include <string_view>

// FNV-1a's start value and prime.
constexpr uint64_t fnvOffset = 14695981039346656037ull;
constexpr uint64_t fnvPrime = 1099511628211ull;

// Folds `bytes` into the running hash `hash` (start with fnvOffset).
constexpr uint64_t fnv1a64(std::string_view bytes, uint64_t hash = fnvOffset) {
    for (char c : bytes) {
        hash ^= static_cast<uint8_t>(c);
        hash *= fnvPrime;
    }
    return hash;
}
