// Command words and parameter names: the fixed vocabulary and its lookups.
#include "defs/defs.h"

#include <array>
#include <string_view>
#include <unordered_map>

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
    if (word == "spawn") return CommandWord::Spawn;
    if (word == "trigger") return CommandWord::Trigger;
    if (word == "reload") return CommandWord::Reload;
    if (word == "boss") return CommandWord::Boss;
    if (word == "selfmodify") return CommandWord::Selfmodify;
    if (word == "alter") return CommandWord::Alter;
    if (word == "reflx") return CommandWord::Reflx;
    if (word == "refly") return CommandWord::Refly;
    if (word == "remove") return CommandWord::Remove;
    return CommandWord::Unknown;
}

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
