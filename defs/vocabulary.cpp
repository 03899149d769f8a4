// Command words and parameter names: the fixed vocabulary and its lookups.
#include "defs/defs.h"

#include <array>
#include <string_view>
#include <unordered_map>

namespace {

constexpr size_t paramCount = static_cast<size_t>(ParamName::Count_);

// Spellings of the command words in the order of the CommandWord values after Unknown.
constexpr std::array<std::string_view, 9> commandWords = {
    "spawn", "trigger", "reload", "boss", "selfmodify", "alter", "reflx", "refly", "remove"};
static_assert(static_cast<size_t>(CommandWord::Remove) == commandWords.size());

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

// The command word for a command's stored name.
CommandWord commandWordOf(std::string_view word) {
    for (size_t k = 0; k < commandWords.size(); ++k) {
        if (commandWords[k] == word) return static_cast<CommandWord>(k + 1);
    }
    return CommandWord::Unknown;
}

// Every command word an executor runs, spelled as in a command block.
std::span<const std::string_view> commandWordSpellings() { return commandWords; }

// The vocabulary entry spelled exactly `name`, or Unknown.
ParamName paramNameOf(std::string_view name) {
    const auto& index = paramIndex();
    auto it = index.find(name);
    return it == index.end() ? ParamName::Unknown : it->second;
}

// The spelling of a vocabulary entry.
std::string_view paramNameText(ParamName name) {
    auto i = static_cast<size_t>(name);
    return i < paramCount ? paramSpellings[i] : std::string_view{};
}
