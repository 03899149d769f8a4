// Name indexes of the model and script registries: an open-addressing hash table from
// stored name to the first and last position holding that name.
#include "defs/defs.h"

#include <bit>
#include <cstring>

namespace {

// A slot's word for entry `place` of a name hashed `hash`: never 0.
uint64_t slotWord(uint64_t hash, size_t place) {
    return (hash & 0xFFFFFFFF00000000u) | (place + 1);
}

// Grows the table to `count` slots (a power of two) and files every entry again.
void rehash(NameIndex& index, size_t count) {
    index.slots.assign(count, 0);
    const size_t mask = count - 1;
    for (size_t place = 0; place < index.entries.size(); ++place) {
        const uint64_t hash = index.entries[place].hash;
        size_t slot = nameSlot(hash, mask);
        while (index.slots[slot] != 0) slot = (slot + 1) & mask;
        index.slots[slot] = slotWord(hash, place);
    }
}

// The slot holding `name`, or the empty slot where it would go.
size_t probe(const NameIndex& index, std::string_view name, uint64_t hash) {
    const size_t mask = index.slots.size() - 1;
    const uint64_t high = hash & 0xFFFFFFFF00000000u;
    size_t slot = nameSlot(high, mask);
    for (uint64_t word; (word = index.slots[slot]) != 0; slot = (slot + 1) & mask) {
        if ((word & 0xFFFFFFFF00000000u) != high) continue;
        const NameIndex::Entry& entry = index.entries[(word & 0xFFFFFFFFu) - 1];
        if (entry.hash == hash && entry.name == name) break;
    }
    return slot;
}

// The entry a filled slot sends to.
const NameIndex::Entry& entryAt(const NameIndex& index, size_t slot) {
    return index.entries[(index.slots[slot] & 0xFFFFFFFFu) - 1];
}

}  // namespace

uint64_t nameHash(std::string_view name) {
    // Eight bytes at a time (the last word overlapping the one before), the length in the
    // seed, then murmur3's finaliser, so that the low bits the table probes with are mixed.
    constexpr uint64_t k = 0x9E3779B97F4A7C15u;
    const char* p = name.data();
    const size_t n = name.size();
    auto load = [](const char* at, auto word) {
        std::memcpy(&word, at, sizeof word);
        return static_cast<uint64_t>(word);
    };
    uint64_t h = (n + 1) * k;
    if (n >= 8) {
        for (size_t i = 0; i + 8 < n; i += 8) h = (std::rotl(h, 23) ^ load(p + i, uint64_t{})) * k;
        h = (std::rotl(h, 23) ^ load(p + n - 8, uint64_t{})) * k;
    } else if (n >= 4) {
        h = (h ^ (load(p, uint32_t{}) << 32 | load(p + n - 4, uint32_t{}))) * k;
    } else if (n > 0) {
        const auto byte = [&](size_t i) { return uint64_t{static_cast<unsigned char>(p[i])}; };
        h = (h ^ (byte(0) << 16 | byte(n / 2) << 8 | byte(n - 1))) * k;
    }
    h ^= h >> 33;
    h *= 0xFF51AFD7ED558CCDu;
    h ^= h >> 33;
    h *= 0xC4CEB9FE1A85EC53u;
    h ^= h >> 33;
    return h == 0 ? 1 : h;
}

const NameSpan* findName(const NameIndex& index, std::string_view name) {
    if (!mayHoldName(index, name)) return nullptr;
    return findName(index, name, nameHash(name));
}

const NameSpan* findName(const NameIndex& index, std::string_view name, uint64_t hash) {
    if (!mayHoldName(index, name)) return nullptr;  // also when the index is empty
    const size_t slot = probe(index, name, hash);
    return index.slots[slot] == 0 ? nullptr : &entryAt(index, slot).span;
}

bool mayHoldHash(const NameIndex& index, uint32_t hashHigh) {
    if (index.slots.empty()) return false;
    const size_t mask = index.slots.size() - 1;
    const uint64_t high = uint64_t{hashHigh} << 32;
    for (size_t slot = nameSlot(high, mask); index.slots[slot] != 0; slot = (slot + 1) & mask)
        if ((index.slots[slot] & 0xFFFFFFFF00000000u) == high) return true;
    return false;
}

void indexName(NameIndex& index, const std::string& name, uint32_t position) {
    if (2 * (index.entries.size() + 1) > index.slots.size())
        rehash(index, index.slots.empty() ? 64 : 2 * index.slots.size());
    const uint64_t hash = nameHash(name);
    const size_t slot = probe(index, name, hash);
    if (index.slots[slot] != 0) {
        index.entries[(index.slots[slot] & 0xFFFFFFFFu) - 1].span.last = position;
        return;
    }
    index.slots[slot] = slotWord(hash, index.entries.size());
    index.entries.push_back(NameIndex::Entry{name, NameSpan{position, position}, hash});
    if (name.empty()) {
        index.holdsEmpty = true;
    } else {
        const auto b = static_cast<unsigned char>(name.front());
        index.firstBytes[b >> 6] |= uint64_t{1} << (b & 63);
    }
}
