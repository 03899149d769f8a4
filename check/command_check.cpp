// Command checks of quillfray-check: command words no executor runs, parameter names a
// command ignores, prefixes that mean nothing, and values not read as written.
#include "check/check.h"

#include "actors/param_use.h"
#include "core/limits.h"
#include "check/hints.h"
#include "defs/command_words.h"

#include <algorithm>
#include <array>
#include <optional>
#include <vector>

namespace {

using P = ParamName;

// The table a command word reads its parameters by (actors/param_use.h), if any.
std::optional<ParamReader> readerOf(CommandWord word) { return commandWordRow(word).reader; }

// Whether the command reads numbers by the prefixed, plain name.
bool readsNumbers(CommandWord word) { return readerOf(word).has_value(); }

// The checker's view of a way the table reads a name.
ParamUse useOf(ParamRead read) {
    switch (read) {
    case ParamRead::Number:
    case ParamRead::WholeNumber: return ParamUse::Number;
    case ParamRead::Integer: return ParamUse::Integer;
    case ParamRead::ModelName: return ParamUse::ModelName;
    case ParamRead::Presence: return ParamUse::Presence;
    case ParamRead::Event: return ParamUse::ScriptName;
    case ParamRead::SoundName: return ParamUse::SoundName;
    case ParamRead::Ignored: break;
    }
    return ParamUse::Ignored;
}

// How the command reads a whole (unprefixed) name.
ParamUse wholeUse(CommandWord word, ParamName name) {
    if (const auto reader = readerOf(word)) return useOf(paramRead(*reader, name));
    if (name == P::Unknown) return ParamUse::Ignored;
    for (const OwnRead& own : commandWordRow(word).ownReads)
        if (own.name == name) return useOf(own.read);
    return ParamUse::Ignored;
}

// The words a stage event runs, as the stage rule message lists them ("a, b and c").
std::string stageWordList() {
    std::vector<std::string_view> words;
    for (const CommandWordRow& row : commandwords::rows)
        if (row.stage != StageRule::Ignored) words.push_back(row.spelling);
    std::string list;
    for (size_t i = 0; i < words.size(); ++i) {
        if (i > 0) list += i + 1 == words.size() ? " and " : ", ";
        list += words[i];
    }
    return list;
}

// How the command reads a name as a number, or Ignored.
ParamUse numberUse(CommandWord word, ParamName plain) {
    const auto reader = readerOf(word);
    return reader && paramRead(*reader, plain) == ParamRead::Number ? ParamUse::Number
                                                                    : ParamUse::Ignored;
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

// The prefix letters a command gives a meaning to (by the table it reads numbers by).
std::string_view meaningfulPrefixes(CommandWord word) {
    return readerOf(word) == ParamReader::Spawn ? "seo" : "dfmr";
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
                          hintFor(c.command.name, commandWordSpellings()));
        return false;
    }
    const CommandWordRow& row = commandWordRow(word);
    if (c.inTimeline && row.stage == StageRule::Ignored) {
        sink.warn(at, "'" + c.command.name + "' does nothing in a stage event: stage events run "
                      "only " + stageWordList());
        return false;
    }
    if (takesNoParameters(row) && !c.command.params.empty()) {
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
    const CommandWordRow& row = commandWordRow(word);
    bool hasRequired = false;
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
        hasRequired = hasRequired || (use != ParamUse::Ignored && row.required != P::Unknown &&
                                      p.wholeName == row.required);
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
    if (row.required != P::Unknown && !hasRequired)
        sink.warn(at, "'" + std::string(row.spelling) + "' without '" +
                          std::string(paramNameText(row.required)) + "' " +
                          std::string(row.withoutRequired));
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
