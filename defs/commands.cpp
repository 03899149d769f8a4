// Command blocks: the command word and parameters, inline event scripts, and the
// load-time conversion of every value into all its forms.
#include "defs/defs.h"

#include "core/limits.h"

#include <algorithm>

namespace {

// The most parameters a command block makes room for before reading them.
constexpr size_t maxReservedParams = 32;

// The hash code of the value's plain key, and whether either index may hold the key or
// the key with a tag (the tagged key begins as the plain one does, unless it is empty).
struct KeyLookup {
    uint64_t hash = 0;
    bool may = false;
};

// Hashes the value's plain key and starts reading the slots its lookups begin at.
KeyLookup startLookup(const Registries& defs, std::string_view value) {
    const std::string_view key = value.substr(0, nameCut);
    if (!key.empty() && !mayHoldName(defs.modelNames, key) && !mayHoldName(defs.scriptNames, key))
        return {};
    const uint64_t hash = nameHash(key);
    prefetchName(defs.modelNames, hash);
    prefetchName(defs.scriptNames, hash);
    return {hash, true};
}

// Sets modelIndex and scriptIndex from the value: the last Model and the last Script
// named by the plain key, then (winning over those) the last ones named by the key with
// this file's tag. `scratch` holds the tagged key.
void resolveByName(const Registries& defs, SpawnParam& param, std::string_view value,
                   KeyLookup lookup, std::string_view tag, std::string& scratch) {
    if (!lookup.may) return;
    const std::string_view key = value.substr(0, nameCut);
    const uint64_t hash = lookup.hash;
    if (const NameSpan* span = findName(defs.modelNames, key, hash)) param.modelIndex = span->last;
    if (const NameSpan* span = findName(defs.scriptNames, key, hash))
        param.scriptIndex = span->last;
    if (tag.empty()) return;  // the tagged key is the plain key again
    scratch.assign(key);
    scratch += tag;
    const uint64_t tagged = nameHash(scratch);
    if (const NameSpan* span = findName(defs.modelNames, scratch, tagged))
        param.modelIndex = span->last;
    if (const NameSpan* span = findName(defs.scriptNames, scratch, tagged))
        param.scriptIndex = span->last;
}

// Decodes the parameter name once so that running never compares strings: a name whose
// second character is "_" has a two-letter prefix, cut off for the plain name.
void decodeName(SpawnParam& param) {
    const std::string_view name = param.name;
    param.wholeName = paramNameOf(name);
    if (name.size() >= 2 && name[1] == '_') {
        param.prefix = name[0];
        param.plainName = paramNameOf(name.substr(2));
    } else {
        param.plainName = param.wholeName;
    }
}

// The place of the last `name` of a sound or music command among the names such commands
// give, added there when new: noSoundName without one (or once the list is full),
// musicStop for a music command's "stop".
int32_t soundNameOf(Registries& defs, const Command& command) {
    const SpawnParam* given = nullptr;
    for (const SpawnParam& p : command.params)
        if (p.wholeName == ParamName::Name) given = &p;
    if (given == nullptr) return noSoundName;
    const std::string name(std::string_view(given->text).substr(0, nameCut));
    if (command.word == CommandWord::Music && name == "stop") return musicStop;
    if (const NameSpan* span = findName(defs.soundCommandNameIndex, name))
        return static_cast<int32_t>(span->first);
    if (defs.soundCommandNames.size() >= limits::maxSoundCommandNames) return noSoundName;
    indexName(defs.soundCommandNameIndex, name, static_cast<uint32_t>(defs.soundCommandNames.size()));
    defs.soundCommandNames.push_back(name);
    return static_cast<int32_t>(defs.soundCommandNames.size() - 1);
}

}  // namespace

// Turns the content of one command block into a Command.
//
// A text that ends right after "cmd" reads an empty word there, which replaces any
// earlier word (like any keyword without a value, it gets an empty value). A text that
// ends right after a parameter name has no value for it, and that name is dropped: it
// adds no parameter. An inline event block nested deeper than limits::maxBlockDepth is
// skipped whole and adds no parameter and no script.
Command parseCommand(Registries& defs, std::string_view text, HeaderValue header, int depth) {
    Command command;
    const std::string tag = fileTag(defs.fileOrdinal);
    std::string scratch;
    if (header) command.name.assign(header->substr(0, tokenCut));
    LoadObserver* const watch = defs.observer;
    // Room for a parameter every two tokens (fewer with an inline block), up to a bound.
    command.params.reserve(std::min<size_t>(countBlanks(text) / 2, maxReservedParams));
    Cursor cursor{text};
    while (!cursor.atEnd()) {
        const std::string_view token = nextToken(cursor);
        if (token == "cmd") {
            std::string_view word = nextToken(cursor);
            if (watch) watch->valueRead(token, word, ValueKind::Word);
            command.name.assign(word.substr(0, tokenCut));
            continue;
        }
        if (cursor.atEnd()) {
            if (watch) watch->paramDropped(token);
            break;
        }
        std::string_view value = nextToken(cursor);
        const std::string_view written = value;
        std::string inlineName;
        if (token.starts_with("on") && value == "{") {
            const std::string_view block = takeBlock(cursor);
            if (depth >= limits::maxBlockDepth) {
                if (watch) watch->inlineSkipped(token, value, block);
                continue;
            }
            if (watch) watch->blockOpened(BlockKind::InlineScript, token, {block, {}, value, {}}, false);
            Script script = parseScriptBlock(defs, block, std::nullopt, depth + 1);
            // Numbered after its own nested blocks, which registered first.
            inlineName = std::to_string(defs.anonymousScriptCounter++);
            script.name = inlineName;
            appendScript(defs, std::move(script));
            if (watch) watch->blockClosed(BlockKind::InlineScript);
            value = inlineName;
        }
        if (watch) watch->paramRead(token, written);
        // Filled where it stays: no parameter is built aside and moved in.
        // The name lookups' slots are read while the value is turned into numbers.
        const KeyLookup lookup = startLookup(defs, value);
        SpawnParam& param = command.params.emplace_back();
        param.name.assign(token.substr(0, tokenCut));
        param.text.assign(written.substr(0, tokenCut));
        param.intValue = readInt(value);
        param.floatValue = readFloat(value);
        decodeName(param);
        resolveByName(defs, param, value, lookup, tag, scratch);
    }
    command.word = commandWordOf(command.name);
    if (command.word == CommandWord::Sound || command.word == CommandWord::Music)
        command.soundName = soundNameOf(defs, command);
    return command;
}
