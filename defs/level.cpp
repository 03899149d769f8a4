// Level loading: the registries' reset, the start-up load order, the top-level grammar,
// ship blocks and the reference passes after each file.
#include "defs/defs.h"

#include "core/game_state.h"

void resetRegistries(Registries& defs) {
    defs.modelRegistry.clear();
    defs.scriptRegistry.clear();
    defs.shipRegistry.clear();
    defs.timeline.clear();
    defs.stageStarts.clear();
    defs.modelNames.clear();
    defs.scriptNames.clear();
    defs.soundRegistry.clear();
    defs.musicRegistry.clear();
    defs.soundNames.clear();
    defs.musicNames.clear();
    defs.soundCommandNames.clear();
    defs.soundCommandNameIndex.clear();
    defs.musicChannelsRead = 0;
    defs.fileOrdinal = 0;
    defs.anonymousScriptCounter = 1;
    defs.textLoaded = 0;
    defs.loadedFiles.clear();
    defs.references = ReferenceState{};
}

void resetRegistries() {
    resetRegistries(game.defs);
    game.world.actors.clear();
    game.world.emitters.clear();
}

// Builds one ShipDef: each keyword takes the next token, cut to 29 characters.
ShipDef parseShip(const Registries& defs, std::string_view block, HeaderValue header) {
    ShipDef ship;
    if (header) ship.name.assign(header->substr(0, nameCut));
    LoadObserver* const watch = defs.observer;
    Cursor cursor{block};
    while (!cursor.atEnd()) {
        std::string_view token = nextToken(cursor);
        std::string* field = nullptr;
        if (token == "name") field = &ship.name;
        else if (token == "model") field = &ship.model;
        else if (token == "shot1") field = &ship.shot1;
        else if (token == "shot2") field = &ship.shot2;
        else if (token == "bomb") field = &ship.bomb;
        else if (token == "bombeffect") field = &ship.bombeffect;
        else if (token == "powershot") field = &ship.powershot;
        if (field) {
            std::string_view value = nextToken(cursor);
            if (watch) watch->valueRead(token, value, ValueKind::Name);
            field->assign(value.substr(0, nameCut));
        } else if (watch) {
            watch->tokenSkipped(token);
        }
    }
    return ship;
}

namespace {

// The block a top-level keyword opens; none for a token that is skipped on its own.
std::optional<BlockKind> topLevelBlock(std::string_view token) {
    if (token == "model") return BlockKind::Model;
    if (token == "ship") return BlockKind::Ship;
    if (token == "script") return BlockKind::Script;
    if (token == "stage") return BlockKind::Stage;
    if (token == "sound") return BlockKind::Sound;
    if (token == "music") return BlockKind::Music;
    return std::nullopt;
}

}  // namespace

void parseTopLevel(Registries& defs, std::string_view text) {
    parseTopLevelPart(defs, text, 0, true);
}

size_t parseTopLevelPart(Registries& defs, std::string_view text, size_t from, bool whole) {
    LoadObserver* const watch = defs.observer;
    Cursor cursor{text, from};
    while (!cursor.atEnd()) {
        const size_t start = cursor.pos;
        std::string_view token = nextToken(cursor);
        const std::optional<BlockKind> kind = topLevelBlock(token);
        HeaderBlock b;
        if (kind) b = takeHeaderBlock(cursor);
        // Reading on to the end of the text so far, the element may read on in the text to
        // come (a token going on, a block not closed yet): nothing of it is done yet.
        if (!whole && cursor.atEnd()) return start;
        if (!kind) {
            if (watch) watch->tokenSkipped(token);
            continue;
        }
        if (watch) watch->blockOpened(*kind, token, b, false);
        switch (*kind) {
            case BlockKind::Model:
                appendModel(defs, parseModel(defs, b.block, defs.fileOrdinal, b.header));
                break;
            case BlockKind::Ship:
                defs.shipRegistry.push_back(parseShip(defs, b.block, b.header));
                break;
            case BlockKind::Script:
                appendScript(defs, parseScriptBlock(defs, b.block, b.header));
                break;
            case BlockKind::Stage: parseStageBlock(defs, b.block, b.header); break;
            case BlockKind::Sound:
                appendSound(defs, parseSoundBlock(defs, b.block, b.header));
                break;
            case BlockKind::Music:
                appendMusic(defs, parseMusicBlock(defs, b.block, b.header));
                break;
            default: break;
        }
        if (watch) watch->blockClosed(*kind);
    }
    return cursor.pos;
}

namespace {

// What follows the parse of every file: the reference pass, the music's instruments, and
// the next file ordinal.
void endDefinitionFile(Registries& defs) {
    resolveReferences(defs);
    resolveInstruments(defs);
    ++defs.fileOrdinal;
}

}  // namespace

bool loadDefinitionFile(Registries& defs, std::string_view dataDir, const std::string& path) {
    // The records hold copies: the text goes once it is parsed.
    parseBudgetedText(defs, dataDir, path, [&defs](std::string_view text, size_t from, bool whole) {
        return parseTopLevelPart(defs, text, from, whole);
    });
    endDefinitionFile(defs);
    return true;
}

bool loadDefinitionFile(const std::string& path) {
    return loadDefinitionFile(game.defs, game.dataDir, path);
}

void loadDefinitionText(Registries& defs, std::string_view text) {
    parseTopLevel(defs, text);
    endDefinitionFile(defs);
}

void loadDefinitions(Registries& defs, std::string_view dataDir,
                     std::span<const std::string> levelFiles) {
    loadDefinitionFile(defs, dataDir, std::string(baseFile));
    loadFontFile(defs, dataDir, std::string(fontFile));
    for (const std::string& file : levelFilesToLoad(levelFiles))
        loadDefinitionFile(defs, dataDir, file);
}

void loadDefinitions(std::span<const std::string> levelFiles) {
    loadDefinitions(game.defs, game.dataDir, levelFiles);
}
