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

void parseTopLevel(Registries& defs, std::string_view text) {
    LoadObserver* const watch = defs.observer;
    Cursor cursor{text};
    while (!cursor.atEnd()) {
        std::string_view token = nextToken(cursor);
        if (token == "model") {
            HeaderBlock b = takeHeaderBlock(cursor);
            if (watch) watch->blockOpened(BlockKind::Model, token, b, false);
            appendModel(defs, parseModel(defs, b.block, defs.fileOrdinal, b.header));
            if (watch) watch->blockClosed(BlockKind::Model);
        } else if (token == "ship") {
            HeaderBlock b = takeHeaderBlock(cursor);
            if (watch) watch->blockOpened(BlockKind::Ship, token, b, false);
            defs.shipRegistry.push_back(parseShip(defs, b.block, b.header));
            if (watch) watch->blockClosed(BlockKind::Ship);
        } else if (token == "script") {
            HeaderBlock b = takeHeaderBlock(cursor);
            if (watch) watch->blockOpened(BlockKind::Script, token, b, false);
            appendScript(defs, parseScriptBlock(defs, b.block, b.header));
            if (watch) watch->blockClosed(BlockKind::Script);
        } else if (token == "stage") {
            HeaderBlock b = takeHeaderBlock(cursor);
            if (watch) watch->blockOpened(BlockKind::Stage, token, b, false);
            parseStageBlock(defs, b.block, b.header);
            if (watch) watch->blockClosed(BlockKind::Stage);
        } else if (token == "sound") {
            HeaderBlock b = takeHeaderBlock(cursor);
            if (watch) watch->blockOpened(BlockKind::Sound, token, b, false);
            appendSound(defs, parseSoundBlock(defs, b.block, b.header));
            if (watch) watch->blockClosed(BlockKind::Sound);
        } else if (token == "music") {
            HeaderBlock b = takeHeaderBlock(cursor);
            if (watch) watch->blockOpened(BlockKind::Music, token, b, false);
            appendMusic(defs, parseMusicBlock(defs, b.block, b.header));
            if (watch) watch->blockClosed(BlockKind::Music);
        } else if (watch) {
            watch->tokenSkipped(token);
        }
    }
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
    parseBudgetedText(defs, dataDir, path,
                      [&defs](std::string_view text) { parseTopLevel(defs, text); });
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
