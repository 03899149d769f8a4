// Command words and parameter names: the fixed vocabulary and its lookups.
#include "defs/defs.h"

#include "defs/command_words.h"

#include <array>
#include <string_view>
#include <unordered_map>
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

// Hash index from spelling to value, built once on first use.
const std::unordered_map<std::string_view, ParamName>& paramIndex() {
    static const std::unordered_map<std::string_view, ParamName> index = [] {
        std::unordered_map<std::string_view, ParamName> map;
        for (size_t i = 1; i < paramCount; ++i)
            map.emplace(paramSpellings[i], static_cast<ParamName>(i));
        return map;
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
    const auto& index = paramIndex();
    auto it = index.find(name);
    return it == index.end() ? ParamName::Unknown : it->second;
}

std::string_view paramNameText(ParamName name) {
    auto i = static_cast<size_t>(name);
    return i < paramCount ? paramSpellings[i] : std::string_view{};
}
