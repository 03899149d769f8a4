// Command words and parameter names: the fixed vocabulary and its lookups.
#include "defs/defs.h"

#include "defs/command_words.h"

#include <algorithm>
#include <array>
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

// Name index from spelling to value (its position), built once on first use.
const NameIndex& paramIndex() {
    static const NameIndex index = [] {
        NameIndex names;
        for (size_t i = 1; i < paramCount; ++i)
            indexName(names, std::string(paramSpellings[i]), static_cast<uint32_t>(i));
        return names;
    }();
    return index;
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
    const NameSpan* span = findName(paramIndex(), name);
    return span ? static_cast<ParamName>(span->first) : ParamName::Unknown;
}

std::string_view paramNameText(ParamName name) {
    auto i = static_cast<size_t>(name);
    return i < paramCount ? paramSpellings[i] : std::string_view{};
}
