// Reference checks of quillfray-check, made once every file is loaded: names that find
// nothing (or something unexpected), duplicate definitions, ships, and the names the
// game itself looks up in base.vec.
#include "check/check.h"

#include "core/limits.h"
#include "check/hints.h"

#include <algorithm>
#include <unordered_map>

namespace {

// "file:line" of a position, for messages that point elsewhere.
std::string placeOf(const DiagnosticSink& sink, SourcePos pos) {
    std::string place = pos.file < sink.files.size() ? sink.files[pos.file] : std::string("?");
    if (pos.line > 0) place += ":" + std::to_string(pos.line);
    return place;
}

// The file a stored name comes from, judged by its tag.
std::string fileOfTag(const LoadWatch& watch, const DiagnosticSink& sink, const std::string& stored) {
    const size_t tag = stored.find('\x01');
    const std::string suffix = tag == std::string::npos ? std::string() : stored.substr(tag);
    for (size_t f = 0; f < watch.fileTags.size(); ++f)
        if (!watch.fileIsFont[f] && watch.fileTags[f] == suffix && f < sink.files.size())
            return sink.files[f];
    return "another file";
}

// Whether every character is a digit.
bool allDigits(std::string_view s) {
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The display names of the entries of a registry a command in a file with `tag` can
// name: base.vec's and its own file's, for spelling hints.
template <typename Entries>
std::vector<std::string> visibleNames(const Entries& entries, const std::string& tag) {
    std::vector<std::string> names;
    for (const auto& e : entries) {
        const size_t at = e.name.find('\x01');
        const std::string suffix = at == std::string::npos ? std::string() : e.name.substr(at);
        if (suffix.empty() || suffix == tag) names.push_back(displayName(e.name));
    }
    return names;
}

// " (did you mean 'x'?)" among registry names.
std::string nameHint(std::string_view word, const std::vector<std::string>& names) {
    std::vector<std::string_view> views(names.begin(), names.end());
    return hintFor(word, views);
}

// The Command a source record stands for in the loaded registries, or null.
const Command* loadedCommand(const Registries& defs, const CommandSource& c) {
    if (c.home == CommandHome::Script && c.owner < defs.scriptRegistry.size()) {
        const auto& list = defs.scriptRegistry[c.owner].commands;
        return c.index < list.size() ? &list[c.index] : nullptr;
    }
    if (c.home == CommandHome::Slot && c.owner < defs.timeline.size()) {
        const auto& list = defs.timeline[c.owner].commands;
        return c.index < list.size() ? &list[c.index] : nullptr;
    }
    return nullptr;
}

// What a model or script name is, for messages.
struct Kind {
    std::string_view noun;                 // "model" or "script"
    bool isModel;
};

// Explains a name that resolved to nothing.
template <typename Entries>
void reportUnresolved(const LoadWatch& watch, DiagnosticSink& sink, const CommandSource& c,
                      const ParamSource& src, const std::string& key, const Entries& entries,
                      Kind kind) {
    const std::string fallback = entries.empty() ? std::string("nothing")
                                                 : "'" + displayName(entries.front().name) + "'";
    const std::string tagged = key + c.tag;
    for (size_t i = 0; c.inTimeline && i < entries.size(); ++i) {
        if (entries[i].name != tagged && entries[i].name != key) continue;
        // Defined under a name this command could see, but only after it was read.
        const auto& sources = kind.isModel ? watch.models : watch.scripts;
        std::string where;
        for (const DefinitionSource& d : sources)
            if (d.index == i) where = " (" + placeOf(sink, d.nameAt) + ")";
        sink.warn(src.valueAt, std::string(kind.noun) + " '" + key + "' is defined after this stage event" +
                                   where + ": stage events see only what is defined before them, "
                                   "so " + std::string(kind.noun) + " 0 (" + fallback + ") is used");
        return;
    }
    for (const auto& e : entries) {
        if (displayName(e.name) != key) continue;
        sink.warn(src.valueAt, std::string(kind.noun) + " '" + key + "' is defined only in " +
                                   fileOfTag(watch, sink, e.name) +
                                   ", whose names are private to it: " + std::string(kind.noun) +
                                   " 0 (" + fallback + ") is used");
        return;
    }
    sink.warn(src.valueAt, "no " + std::string(kind.noun) + " is named '" + key + "': " +
                               std::string(kind.noun) + " 0 (" + fallback + ") is used" +
                               nameHint(key, visibleNames(entries, c.tag)));
}

// Reports a name that found the definition of a later file: names still unresolved after
// a file are filled by the pass after each later file, with that file's names.
void reportForeign(const LoadWatch& watch, DiagnosticSink& sink, const CommandSource& c,
                   const ParamSource& src, const std::string& stored, std::string_view noun) {
    const size_t at = stored.find('\x01');
    if (at == std::string::npos || stored.substr(at) == c.tag) return;
    sink.warn(src.valueAt, "'" + displayName(stored) + "' finds the " + std::string(noun) + " of " +
                               fileOfTag(watch, sink, stored) +
                               ": it was not defined in this file or base.vec, and the pass after "
                               "that later file filled it in");
}

// Checks the model and script names one command reads.
void checkCommandNames(const LoadWatch& watch, DiagnosticSink& sink, const CommandSource& c) {
    const Command* loaded = loadedCommand(watch.defs, c);
    if (loaded == nullptr) return;
    const Registries& defs = watch.defs;
    for (size_t i = 0; i < loaded->params.size() && i < c.params.size(); ++i) {
        const SpawnParam& p = loaded->params[i];
        const ParamSource& src = c.params[i];
        const ParamUse use = paramUse(loaded->word, p);
        if (use != ParamUse::ModelName && use != ParamUse::ScriptName) continue;
        if (src.valueText == "{") continue;  // an inline block: its own script
        const std::string key = src.valueText.substr(0, nameCut);
        if (src.valueText.size() > nameCut)
            sink.warn(src.valueAt, "'" + src.valueText + "' is looked up by its first " +
                                       std::to_string(nameCut) + " characters, '" + key + "'");
        if (use == ParamUse::ModelName) {
            const bool found = p.modelIndex != 0 ||
                               (!defs.modelRegistry.empty() &&
                                (defs.modelRegistry[0].name == key || defs.modelRegistry[0].name == key + c.tag));
            if (!found) reportUnresolved(watch, sink, c, src, key, defs.modelRegistry, {"model", true});
            else reportForeign(watch, sink, c, src, defs.modelRegistry[p.modelIndex].name, "model");
            continue;
        }
        const bool found = p.scriptIndex != 0 ||
                           (!defs.scriptRegistry.empty() &&
                            (defs.scriptRegistry[0].name == key || defs.scriptRegistry[0].name == key + c.tag));
        if (!found) {
            reportUnresolved(watch, sink, c, src, key, defs.scriptRegistry, {"script", false});
            continue;
        }
        reportForeign(watch, sink, c, src, defs.scriptRegistry[p.scriptIndex].name, "script");
        if (p.scriptIndex < watch.scripts.size() && watch.scripts[p.scriptIndex].index == p.scriptIndex) {
            const DefinitionSource& target = watch.scripts[p.scriptIndex];
            if (target.isInline && allDigits(src.valueText))
                sink.warn(src.valueAt, "'" + src.valueText + "' names the inline block numbered " +
                                           src.valueText + " (" + placeOf(sink, target.at) +
                                           "), not the script at index " + src.valueText);
        }
        if (p.scriptIndex == 1 && defs.scriptRegistry.size() > 1 &&
            !defs.scriptRegistry[1].commands.empty())
            sink.warn(src.valueAt, "'" + key + "' is script 1: an event slot holding 1 clears its "
                                       "Actor, so the commands of this script never run from it");
    }
}

// Reports names defined twice in one registry, and script names made of digits only.
template <typename Entries>
void checkDuplicates(DiagnosticSink& sink, const std::vector<DefinitionSource>& sources,
                     const Entries& entries, bool models) {
    std::unordered_map<std::string, const DefinitionSource*> first;
    for (const DefinitionSource& d : sources) {
        if (d.isInline || d.index >= entries.size()) continue;
        const std::string& name = entries[d.index].name;
        const std::string shown = displayName(name);
        if (shown.empty()) continue;
        if (!models && allDigits(shown))
            sink.warn(d.nameAt, "script name '" + shown + "' is all digits: inline blocks are "
                                "named by number too, and a parameter '" + shown +
                                "' may find one of them");
        auto [it, added] = first.emplace(name, &d);
        if (added) continue;
        const std::string firstPick =
            models ? "findModel and ships use the first" : "findScript, ships and the game's own look-ups use the first";
        sink.warn(d.nameAt, std::string(models ? "model '" : "script '") + shown +
                                "' is defined again (first at " + placeOf(sink, it->second->nameAt) +
                                "): " + firstPick + "; a command parameter uses the last one "
                                "defined before it (one filled in after the file: the first "
                                "base.vec one, or the last of its own file)");
    }
}

// The index of the entry whose stored name is exactly `name`, if any.
template <typename Entries>
bool hasPlain(const Entries& entries, const std::string& name) {
    return std::any_of(entries.begin(), entries.end(), [&](const auto& e) { return e.name == name; });
}

// Explains a name the game looks up without a file tag that base.vec does not define.
template <typename Entries>
std::string missingPlain(const LoadWatch& watch, const DiagnosticSink& sink, const Entries& entries,
                         const std::string& name) {
    for (const auto& e : entries)
        if (displayName(e.name) == name && e.name != name)
            return "is defined only in " + fileOfTag(watch, sink, e.name) +
                   ", but is looked up without a file tag, which finds only base.vec names";
    return "is not defined in base.vec";
}

// Checks the ships' names: they are looked up by plain name when a ship is chosen.
void checkShips(const LoadWatch& watch, DiagnosticSink& sink) {
    const Registries& defs = watch.defs;
    const std::span<const std::string_view> fields = blockKeywords(BlockKind::Ship);
    for (const ShipSource& s : watch.ships) {
        if (s.index >= defs.shipRegistry.size()) continue;
        const ShipDef& ship = defs.shipRegistry[s.index];
        const std::array<const std::string*, 7> values = {&ship.name,  &ship.model,      &ship.shot1,
                                                          &ship.shot2, &ship.bomb,       &ship.bombeffect,
                                                          &ship.powershot};
        for (size_t f = 1; f < fields.size(); ++f) {
            if (!s.given[f]) continue;
            const std::string& value = *values[f];
            const bool model = f == 1;
            if (model ? hasPlain(defs.modelRegistry, value) : hasPlain(defs.scriptRegistry, value))
                continue;
            const std::string noun = model ? "model" : "script";
            std::string why = model ? missingPlain(watch, sink, defs.modelRegistry, value)
                                    : missingPlain(watch, sink, defs.scriptRegistry, value);
            std::string hint = model ? nameHint(value, visibleNames(defs.modelRegistry, ""))
                                     : nameHint(value, visibleNames(defs.scriptRegistry, ""));
            sink.warn(s.fieldAt[f], "ship '" + ship.name + "': " + std::string(fields[f]) + " '" +
                                        value + "' " + why + ": " + noun + " 0 is used" + hint);
        }
    }
}

// What the game needs from base.vec whatever the level.
void checkGameNeeds(const LoadWatch& watch, DiagnosticSink& sink) {
    const Registries& defs = watch.defs;
    const SourcePos base{0, 0, 0};
    if (!defs.scriptRegistry.empty() && !defs.scriptRegistry[0].commands.empty()) {
        const SourcePos at = watch.scripts.empty() ? base : watch.scripts.front().nameAt;
        sink.warn(at, "script 0 ('" + displayName(defs.scriptRegistry[0].name) +
                          "') has commands: every event slot nothing set runs it, onevery at "
                          "every step of every Actor; keep the first script empty");
    }
    // An inline block inside the first scripts is registered before them and takes their
    // place: script 0 runs for every unset event slot, script 1 is never run from one.
    for (size_t i = 0; i < 2 && i < watch.scripts.size(); ++i) {
        if (!watch.scripts[i].isInline) continue;
        sink.warn(watch.scripts[i].at,
                  "this inline block becomes script " + std::to_string(i) +
                      (i == 0 ? ", which every event slot nobody set runs"
                              : ", which no event slot runs (a slot holding 1 clears its Actor)") +
                      ": keep the first two scripts free of inline blocks");
    }
    if (defs.shipRegistry.empty()) sink.warn(base, "no ship is defined: there is nothing to fly");
    struct Need {
        std::string_view name;
        bool model;
        std::string_view effect;
    };
    static constexpr std::array<Need, 4> needs = {{
        {"shot_hit", false, "a player shot hits without an effect"},
        {"player_die", false, "nothing runs when the player is hit"},
        {"demo", false, "the ship selection screen shows only the ship"},
        {"ship_frame", true, "the selection cursor is drawn with model 0"},
    }};
    for (const Need& n : needs) {
        const std::string name(n.name);
        const bool found = n.model ? hasPlain(defs.modelRegistry, name) : hasPlain(defs.scriptRegistry, name);
        if (found) continue;
        const std::string why = n.model ? missingPlain(watch, sink, defs.modelRegistry, name)
                                        : missingPlain(watch, sink, defs.scriptRegistry, name);
        sink.warn(base, std::string(n.model ? "model '" : "script '") + name + "' " + why + ": " +
                            std::string(n.effect));
    }
}

}  // namespace

// Runs the checks that need the whole load.
void checkReferences(const LoadWatch& watch, DiagnosticSink& sink) {
    for (const CommandSource& c : watch.commands) checkCommandNames(watch, sink, c);
    checkDuplicates(sink, watch.models, watch.defs.modelRegistry, true);
    checkDuplicates(sink, watch.scripts, watch.defs.scriptRegistry, false);
    checkShips(watch, sink);
    checkGameNeeds(watch, sink);
}
