// Command checks of quillfray-check: command words no executor runs, parameter names a
// command ignores, prefixes that mean nothing, and values not read as written.
#include "tools/check/check.h"

#include "core/game_state.h"
#include "tools/check/hints.h"

#include <algorithm>
#include <array>
#include <vector>

namespace {

using P = ParamName;

// Names spawn reads as numbers (a prefix selects start, end or mode).
constexpr std::array spawnNumbers = {
    P::X, P::Y, P::Fx, P::Fy, P::Rx, P::Ry, P::San, P::Startan, P::Ean, P::Endan, P::An,
    P::Sfan, P::Efan, P::Fan, P::Dan, P::Andelta, P::Spd, P::Speed, P::Dspd, P::Dspeed,
    P::Spddelta, P::Speeddelta, P::Sc, P::Scale, P::Dsc, P::Dscale, P::Scdelta, P::Scaledelta,
    P::Rot, P::Rotate, P::Drot, P::Drotate, P::Rotdelta, P::Rotatedelta, P::Hp, P::Health,
    P::Hitrate, P::Damage, P::Life, P::Repeat};
// Names alteration reads as numbers (a prefix selects set, add, multiply or random add).
constexpr std::array alterNumbers = {
    P::Sc, P::Scale, P::Dsc, P::Dscale, P::Scdelta, P::Scaledelta, P::Rot, P::Rotate, P::Drot,
    P::Drotate, P::Rotdelta, P::Rotatedelta, P::Spd, P::Speed, P::Dspd, P::Dspeed, P::Spddelta,
    P::Speeddelta, P::An, P::Angle, P::Dan, P::Andelta, P::Hp, P::Life, P::Rlife, P::Repeat,
    P::Rx, P::Ry};
// Integer whole names of spawn.
constexpr std::array spawnIntegers = {P::Owner, P::Id, P::Flag, P::Hittable, P::Unbreakable,
                                      P::Noheat, P::Nohitanim, P::Piercing, P::Boss, P::Count,
                                      P::Fcount, P::Time, P::Times, P::Wait, P::Delay, P::Order,
                                      P::Ans};
// Integer whole names of alteration.
constexpr std::array alterIntegers = {P::Owner, P::Flag, P::Hittable, P::Unbreakable,
                                      P::Noheat, P::Nohitanim, P::Piercing, P::Boss};
// Event keywords both commands accept.
constexpr std::array sharedEvents = {
    P::Onevery, P::Oneach, P::Ontime, P::Onleft, P::Onright, P::Ontop, P::Onbottom, P::Onleave,
    P::Ondie, P::Ontimes, P::Ontrigger, P::Onsamex, P::Onsamey, P::Onfleft, P::Onfright,
    P::Onftop, P::Onfbottom, P::Onfleave, P::Onbossdie, P::Onbosstimeout};
constexpr std::array<std::string_view, 9> commandWordList = {
    "spawn", "trigger", "reload", "boss", "selfmodify", "alter", "reflx", "refly", "remove"};

// Whether `name` is in `list`.
template <size_t N>
bool contains(const std::array<ParamName, N>& list, ParamName name) {
    return std::find(list.begin(), list.end(), name) != list.end();
}

// Whether the command reads numbers by the prefixed, plain name.
bool readsNumbers(CommandWord word) {
    return word == CommandWord::Spawn || word == CommandWord::Alter ||
           word == CommandWord::Selfmodify;
}

// How the command reads a whole (unprefixed) name.
ParamUse wholeUse(CommandWord word, ParamName name) {
    switch (word) {
    case CommandWord::Spawn:
        if (contains(spawnIntegers, name)) return ParamUse::Integer;
        if (name == P::Model) return ParamUse::ModelName;
        if (name == P::Attached) return ParamUse::Presence;
        if (contains(sharedEvents, name) || name == P::Onspawn || name == P::Onhit)
            return ParamUse::ScriptName;
        return ParamUse::Ignored;
    case CommandWord::Alter:
    case CommandWord::Selfmodify:
        if (contains(alterIntegers, name)) return ParamUse::Integer;
        if (name == P::Model) return ParamUse::ModelName;
        if (name == P::Aim || name == P::Heatseek) return ParamUse::Number;
        if (contains(sharedEvents, name)) return ParamUse::ScriptName;
        return ParamUse::Ignored;
    case CommandWord::Trigger: return name == P::Id ? ParamUse::Integer : ParamUse::Ignored;
    case CommandWord::Reload: return name == P::Time ? ParamUse::Integer : ParamUse::Ignored;
    case CommandWord::Boss:
        if (name == P::Hp) return ParamUse::Number;
        return name == P::Time ? ParamUse::Integer : ParamUse::Ignored;
    default: return ParamUse::Ignored;
    }
}

// How the command reads a name as a number, or Ignored.
ParamUse numberUse(CommandWord word, ParamName plain) {
    if (word == CommandWord::Spawn) return contains(spawnNumbers, plain) ? ParamUse::Number : ParamUse::Ignored;
    if (word == CommandWord::Alter || word == CommandWord::Selfmodify)
        return contains(alterNumbers, plain) ? ParamUse::Number : ParamUse::Ignored;
    return ParamUse::Ignored;
}

// Every spelling a command accepts, for spelling hints.
std::vector<std::string_view> acceptedNames(CommandWord word) {
    std::vector<std::string_view> names;
    for (size_t i = 1; i < static_cast<size_t>(P::Count_); ++i) {
        const auto name = static_cast<ParamName>(i);
        if (numberUse(word, name) != ParamUse::Ignored || wholeUse(word, name) != ParamUse::Ignored)
            names.push_back(paramNameText(name));
    }
    return names;
}

// The prefix letters a command gives a meaning to.
std::string_view meaningfulPrefixes(CommandWord word) {
    return word == CommandWord::Spawn ? "seo" : "dfmr";
}

// The command word as written in messages.
std::string wordOf(const CommandSource& c) {
    return c.command.name.empty() ? std::string("(none)") : c.command.name;
}

// Checks the command word itself; false when its parameters mean nothing to check.
bool checkWord(const CommandSource& c, DiagnosticSink& sink) {
    const SourcePos at = c.wordGiven ? c.wordAt : c.at;
    const CommandWord word = c.command.word;
    if (c.wordText.size() > tokenCut)
        sink.warn(at, "command word '" + c.wordText + "' is longer than " + std::to_string(tokenCut) +
                          " characters and is cut");
    if (c.command.name.empty()) {
        sink.warn(at, "this command has no word (write 'cmd spawn' or 'command spawn { ... }'): "
                      "it does nothing");
        return false;
    }
    if (word == CommandWord::Unknown) {
        sink.warn(at, "no command is named '" + c.command.name + "': it does nothing" +
                          hintFor(c.command.name, commandWordList));
        return false;
    }
    if (c.inTimeline && word != CommandWord::Spawn && word != CommandWord::Trigger &&
        word != CommandWord::Boss) {
        sink.warn(at, "'" + c.command.name + "' does nothing in a stage event: stage events run "
                      "only spawn, trigger and boss");
        return false;
    }
    if ((word == CommandWord::Reflx || word == CommandWord::Refly || word == CommandWord::Remove) &&
        !c.command.params.empty()) {
        const ParamSource& first = c.params.front();
        sink.warn(first.nameAt, "'" + c.command.name + "' takes no parameters: '" + first.nameText +
                                    "' and any after it are ignored");
        return false;
    }
    return true;
}

// Explains why a parameter name means nothing to the command.
void reportIgnored(const CommandSource& c, const SpawnParam& p, const ParamSource& src,
                   DiagnosticSink& sink) {
    const CommandWord word = c.command.word;
    const std::string cmd = wordOf(c);
    std::string message;
    if (src.nameText.size() > tokenCut) {
        message = "parameter name '" + src.nameText + "' is cut to " + std::to_string(tokenCut) +
                  " characters and means nothing to '" + cmd + "'";
        sink.warn(src.nameAt, std::move(message));
        return;
    }
    if (p.prefix != 0 && wholeUse(word, p.plainName) != ParamUse::Ignored) {
        sink.warn(src.nameAt, "'" + p.name + "': the prefix '" + p.name.substr(0, 2) +
                                  "' makes it match nothing, since '" + cmd + "' reads '" +
                                  std::string(paramNameText(p.plainName)) +
                                  "' only without a prefix");
        return;
    }
    const bool spawnSide = word == CommandWord::Spawn;
    const CommandWord other = spawnSide ? CommandWord::Alter : CommandWord::Spawn;
    const bool otherReads = readsNumbers(word) &&
                            (numberUse(other, p.plainName) != ParamUse::Ignored ||
                             wholeUse(other, p.wholeName) != ParamUse::Ignored);
    if (otherReads) {
        message = "'" + p.name + "' means nothing to '" + cmd + "': only " +
                  (spawnSide ? std::string("alter and selfmodify read it")
                             : std::string("spawn reads it"));
        if (p.plainName == P::Angle && spawnSide) message += " (spawn sets the heading with 'an')";
        sink.warn(src.nameAt, std::move(message));
        return;
    }
    const std::vector<std::string_view> names = acceptedNames(word);
    const std::string_view plain =
        p.prefix != 0 ? std::string_view(p.name).substr(2) : std::string_view(p.name);
    sink.warn(src.nameAt, "'" + p.name + "' means nothing to '" + cmd + "' and is ignored" +
                              hintFor(plain, names));
}

// The spawn counters that only make sense from 1 up, and the Actor cap.
void checkSpawnCounts(const CommandSource& c, DiagnosticSink& sink) {
    int64_t count = 1, time = 1;
    bool perStep = false;
    const ParamSource* countAt = nullptr;
    for (size_t i = 0; i < c.command.params.size() && i < c.params.size(); ++i) {
        const SpawnParam& p = c.command.params[i];
        if (p.prefix != 0) continue;
        const ParamSource& src = c.params[i];
        switch (p.wholeName) {
        case P::Count:
        case P::Fcount:
            count = p.intValue;
            perStep = p.wholeName == P::Fcount;
            countAt = &src;
            break;
        case P::Time:
            time = p.intValue;
            if (p.intValue < 1)
                sink.warn(src.valueAt, "time " + std::to_string(p.intValue) +
                                           " is below 1 and is taken as 1");
            break;
        case P::Ans:
            if (p.intValue < 1)
                sink.warn(src.valueAt, "ans " + std::to_string(p.intValue) +
                                           " is below 1 and is taken as 1");
            break;
        default: break;
        }
    }
    if (countAt == nullptr) return;
    if (count < 0) {
        sink.warn(countAt->valueAt, "a negative count emits nothing");
        return;
    }
    int64_t total = count == 0 ? 1 : count;
    if (perStep) total *= std::max<int64_t>(time, 1);
    if (total > static_cast<int64_t>(limits::maxActors))
        sink.warn(countAt->valueAt, std::to_string(total) + " Actors per cycle is more than the " +
                                        std::to_string(limits::maxActors) +
                                        " the Actor list holds: the rest are dropped");
}

// Checks one command's parameters.
void checkParams(const CommandSource& c, DiagnosticSink& sink) {
    const CommandWord word = c.command.word;
    bool hasId = false, hasHp = false, hasTime = false;
    for (size_t i = 0; i < c.command.params.size() && i < c.params.size(); ++i) {
        const SpawnParam& p = c.command.params[i];
        const ParamSource& src = c.params[i];
        const ParamUse use = paramUse(word, p);
        if (use == ParamUse::Ignored) {
            reportIgnored(c, p, src, sink);
        } else if (p.prefix != 0 && numberUse(word, p.plainName) != ParamUse::Ignored &&
                   meaningfulPrefixes(word).find(p.prefix) == std::string_view::npos) {
            sink.warn(src.nameAt, "the prefix '" + p.name.substr(0, 2) + "' means nothing to '" +
                                      c.command.name + "': '" + p.name + "' acts as '" +
                                      p.name.substr(2) + "' without a prefix");
        }
        hasId = hasId || (use != ParamUse::Ignored && p.wholeName == P::Id);
        hasHp = hasHp || (use != ParamUse::Ignored && p.wholeName == P::Hp);
        hasTime = hasTime || (use != ParamUse::Ignored && p.wholeName == P::Time);
        const bool inlineBlock = src.valueText == "{" && p.name.starts_with("on");
        if (!inlineBlock && !src.valueText.empty() && src.valueText.front() == '{') {
            sink.warn(src.valueAt,
                      "'" + src.valueText + "' after '" + src.nameText + "' is not an inline block " +
                          (p.name.starts_with("on") ? std::string("(the brace must stand alone)")
                                                    : std::string("(only names starting with 'on' take one)")) +
                          ": the tokens inside are read as more parameters");
            continue;
        }
        if (use == ParamUse::Number || use == ParamUse::Integer) {
            if (std::string problem = numberProblem(src.valueText, use == ParamUse::Integer);
                !problem.empty())
                sink.warn(src.valueAt, "'" + src.nameText + "' value '" + src.valueText + "' " + problem);
        }
        if (c.inTimeline && use == ParamUse::Presence)
            sink.warn(src.nameAt, "'attached' binds nothing in a stage event: there is no Actor to bind to");
    }
    if (word == CommandWord::Spawn) checkSpawnCounts(c, sink);
    const SourcePos at = c.wordGiven ? c.wordAt : c.at;
    if (word == CommandWord::Trigger && !hasId)
        sink.warn(at, "'trigger' without 'id' does nothing");
    if (word == CommandWord::Reload && !hasTime)
        sink.warn(at, "'reload' without 'time' does nothing");
    if (word == CommandWord::Boss && !hasHp)
        sink.warn(at, "'boss' without 'hp' adds no bar: the hold ends only when its time runs out");
}

}  // namespace

// How command `word` reads a parameter.
ParamUse paramUse(CommandWord word, const SpawnParam& param) {
    if (readsNumbers(word)) {
        const ParamUse numeric = numberUse(word, param.plainName);
        if (numeric != ParamUse::Ignored) return numeric;
    }
    return wholeUse(word, param.wholeName);
}

// Checks every command the load produced.
void checkCommands(const LoadWatch& watch, DiagnosticSink& sink) {
    for (const CommandSource& c : watch.commands) {
        if (checkWord(c, sink)) checkParams(c, sink);
    }
}
