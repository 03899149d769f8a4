// Name indexes of the model and script registries: an open-addressing hash table from
// stored name to the first and last position holding that name.
#include "defs/defs.h"

#include <functional>

namespace {

// Grows the table to `slots` slots (a power of two) and files every name again.
void rehash(NameIndex& index, size_t slots) {
    std::vector<uint64_t> oldHashes(slots, 0);
    std::vector<NameIndex::Entry> oldEntries(slots);
    oldHashes.swap(index.hashes);
    oldEntries.swap(index.entries);
    const size_t mask = slots - 1;
    for (size_t i = 0; i < oldHashes.size(); ++i) {
        if (oldHashes[i] == 0) continue;
        size_t slot = oldHashes[i] & mask;
        while (index.hashes[slot] != 0) slot = (slot + 1) & mask;
        index.hashes[slot] = oldHashes[i];
        index.entries[slot] = std::move(oldEntries[i]);
    }
}

// The slot holding `name`, or the empty slot where it would go.
size_t probe(const NameIndex& index, std::string_view name, uint64_t hash) {
    const size_t mask = index.hashes.size() - 1;
    size_t slot = hash & mask;
    while (index.hashes[slot] != 0 &&
           (index.hashes[slot] != hash || index.entries[slot].name != name))
        slot = (slot + 1) & mask;
    return slot;
}

}  // namespace

uint64_t nameHash(std::string_view name) {
    const uint64_t hash = std::hash<std::string_view>{}(name);
    return hash == 0 ? 1 : hash;
}

const NameSpan* findName(const NameIndex& index, std::string_view name) {
    return findName(index, name, nameHash(name));
}

const NameSpan* findName(const NameIndex& index, std::string_view name, uint64_t hash) {
    if (index.count == 0) return nullptr;
    const size_t slot = probe(index, name, hash);
    return index.hashes[slot] == 0 ? nullptr : &index.entries[slot].span;
}

void indexName(NameIndex& index, const std::string& name, uint32_t position) {
    if (2 * (index.count + 1) > index.hashes.size())
        rehash(index, index.hashes.empty() ? 64 : 2 * index.hashes.size());
    const uint64_t hash = nameHash(name);
    const size_t slot = probe(index, name, hash);
    if (index.hashes[slot] != 0) {
        index.entries[slot].span.last = position;
        return;
    }
    index.hashes[slot] = hash;
    index.entries[slot] = NameIndex::Entry{name, NameSpan{position, position}};
    ++index.count;
}
