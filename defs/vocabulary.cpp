// Command words and parameter names: the fixed vocabulary and its lookups.
#include "defs/defs.h"

#include "defs/command_words.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

namespace {

constexpr size_t paramCount = static_cast<size_t>(ParamName::Count_);

// Spellings in the order of the ParamName values.
constexpr std::array<std::string_view, paramCount> paramSpellings = {
    "",
    "x", "y", "fx", "fy", "rx", "ry", "san", "startan", "ean", "endan", "an", "angle",
    "sfan", "efan", "fan", "dan", "andelta",
    "spd", "speed", "dspd", "dspeed", "spddelta", "speeddelta", "sc", "scale", "dsc",
    "dscale", "scdelta", "scaledelta", "rot", "rotate", "drot", "drotate", "rotdelta",
    "rotatedelta",
    "hp", "health", "hitrate", "damage", "life", "rlife", "repeat",
    "owner", "model", "id", "flag", "hittable", "unbreakable", "noheat", "nohitanim",
    "piercing", "boss", "attached", "count", "fcount", "time", "times", "wait", "delay",
    "order", "ans", "aim", "heatseek",
    "onevery", "oneach", "ontime", "onleft", "onright", "ontop", "onbottom", "onleave",
    "ondie", "ontimes", "onspawn", "ontrigger", "onsamex", "onsamey", "onfleft",
    "onfright", "onftop", "onfbottom", "onfleave", "onbossdie", "onbosstimeout", "onhit",
    "name",
};

// The longest spelling; no longer name needs a lookup.
constexpr size_t longestParamSpelling = [] {
    size_t longest = 0;
    for (std::string_view spelling : paramSpellings) longest = std::max(longest, spelling.size());
    return longest;
}();

static_assert(longestParamSpelling <= 16, "a spelling packs into two words");

// A name of at most 16 bytes packed into two words (zero padded) with its length.
struct PackedName {
    uint64_t lo = 0, hi = 0;
    size_t size = 0;
    bool operator==(const PackedName&) const = default;
};

// Packs a name of at most 16 bytes.
PackedName packName(std::string_view name) {
    PackedName packed;
    packed.size = name.size();
    for (size_t i = 0; i < name.size(); ++i) {
        const uint64_t byte = static_cast<unsigned char>(name[i]);
        if (i < 8) packed.lo |= byte << (8 * i);
        else packed.hi |= byte << (8 * (i - 8));
    }
    return packed;
}

// Slots of the spelling table: a power of two, more than four times the spellings.
constexpr size_t paramSlotBits = 9;
static_assert((size_t{1} << paramSlotBits) > 4 * paramCount);

// The slot a packed name is first looked for in.
size_t paramSlot(const PackedName& packed) {
    const uint64_t mixed = (packed.lo ^ (packed.hi * 0xC2B2AE3D27D4EB4Fu) ^ packed.size) *
                           0x9E3779B97F4A7C15u;
    return static_cast<size_t>(mixed >> (64 - paramSlotBits));
}

// One slot of the spelling table: a packed spelling and its value (Unknown: empty).
struct ParamSlot {
    PackedName spelling;
    ParamName name = ParamName::Unknown;
};

// Open-addressing table from packed spelling to value, built once on first use.
const std::array<ParamSlot, size_t{1} << paramSlotBits>& paramTable() {
    static const auto table = [] {
        std::array<ParamSlot, size_t{1} << paramSlotBits> slots{};
        constexpr size_t mask = (size_t{1} << paramSlotBits) - 1;
        for (size_t i = 1; i < paramCount; ++i) {
            const PackedName packed = packName(paramSpellings[i]);
            size_t slot = paramSlot(packed);
            while (slots[slot].name != ParamName::Unknown) slot = (slot + 1) & mask;
            slots[slot] = ParamSlot{packed, static_cast<ParamName>(i)};
        }
        return slots;
    }();
    return table;
}

}  // namespace

CommandWord commandWordOf(std::string_view word) {
    if (word.empty()) return CommandWord::Unknown;
    for (const CommandWordRow& row : commandwords::rows) {
        if (row.spelling == word || row.alias == word) return row.word;
    }
    return CommandWord::Unknown;
}

std::span<const std::string_view> commandWordSpellings() {
    static const std::vector<std::string_view> spellings = [] {
        std::vector<std::string_view> list;
        for (const CommandWordRow& row : commandwords::rows) {
            if (!row.spelling.empty()) list.push_back(row.spelling);
            if (!row.alias.empty()) list.push_back(row.alias);
        }
        return list;
    }();
    return spellings;
}

ParamName paramNameOf(std::string_view name) {
    if (name.empty() || name.size() > longestParamSpelling) return ParamName::Unknown;
    const auto& table = paramTable();
    constexpr size_t mask = (size_t{1} << paramSlotBits) - 1;
    const PackedName packed = packName(name);
    for (size_t slot = paramSlot(packed);; slot = (slot + 1) & mask) {
        const ParamSlot& entry = table[slot];
        if (entry.name == ParamName::Unknown || entry.spelling == packed) return entry.name;
    }
}

std::string_view paramNameText(ParamName name) {
    auto i = static_cast<size_t>(name);
    return i < paramCount ? paramSpellings[i] : std::string_view{};
}
