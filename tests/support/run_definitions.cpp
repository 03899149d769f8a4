// Input runner for the definition loaders: three separated parts of the input become
// base.vec, font.vec and one level file, loaded in the start-up order.
#include "tests/support/input_runners.h"

#include "core/game_state.h"
#include "defs/defs.h"

namespace testing_support {

namespace {

// Longest stored name: 29 characters and the two-byte file tag.
constexpr size_t longestName = nameCut + 2;

// True when `index` names an entry of a registry of `count` entries (0 always does).
bool indexFits(uint32_t index, size_t count) { return index == 0 || index < count; }

// The first problem of one Command's parameters, empty when they are sound.
std::string commandProblem(const Command& command) {
    const auto& defs = game.defs;
    if (command.name.size() > tokenCut) return "command word longer than a token";
    for (const SpawnParam& param : command.params) {
        if (param.name.size() > tokenCut || param.text.size() > tokenCut)
            return "parameter longer than a token";
        if (!indexFits(param.modelIndex, defs.modelRegistry.size()))
            return "parameter model index out of range";
        if (!indexFits(param.scriptIndex, defs.scriptRegistry.size()))
            return "parameter script index out of range";
    }
    return {};
}

// Checks what loading left in the registries and returns the first problem found.
// `inputSize` bounds how much a load may have made: every record costs input bytes.
std::string registryProblem(size_t inputSize) {
    const auto& defs = game.defs;
    size_t records = defs.shipRegistry.size();
    for (const auto* models : {&defs.modelRegistry, &defs.fontGlyphs}) {
        for (const Model& model : *models) {
            if (model.name.size() > longestName) return "model name too long: " + model.name;
            records += 1 + model.lines.size() + model.circles.size();
        }
    }
    for (const Script& script : defs.scriptRegistry) {
        if (script.name.size() > longestName) return "script name too long: " + script.name;
        records += 1 + script.commands.size();
        for (const Command& command : script.commands) {
            std::string problem = commandProblem(command);
            if (!problem.empty()) return problem;
            records += command.params.size();
        }
    }
    for (const Script& slot : defs.timeline) {
        records += slot.commands.size();
        for (const Command& command : slot.commands) {
            std::string problem = commandProblem(command);
            if (!problem.empty()) return "timeline: " + problem;
            records += command.params.size();
        }
    }
    // Each record needs at least a keyword and a blank of input.
    if (records > inputSize + 16) return "more records than the input can hold: " + std::to_string(records);
    if (defs.timelineLength < 0 || static_cast<size_t>(defs.timelineLength) != defs.timeline.size())
        return "timeline length differs from the timeline's size";
    for (int32_t glyph : defs.glyphTable) {
        if (glyph < 0 || (glyph != 0 && static_cast<size_t>(glyph) >= defs.fontGlyphs.size()))
            return "glyph table entry out of range";
    }
    for (const ShipDef& ship : defs.shipRegistry) {
        for (const std::string* field : {&ship.name, &ship.model, &ship.shot1, &ship.shot2,
                                         &ship.bomb, &ship.bombeffect, &ship.powershot}) {
            if (field->size() > nameCut) return "ship field longer than a name";
        }
    }
    return {};
}

}  // namespace

// Loads the three parts as the start-up sequence would and checks the registries.
RunReport runDefinitionsInput(std::span<const uint8_t> bytes) {
    RunReport report;
    resetGameState();
    const auto parts = splitInput(bytes, 3);
    const std::string base = writeScratchFile("base.vec", parts[0]);
    const std::string font = writeScratchFile("font.vec", parts[1]);
    const std::string level = writeScratchFile("default.lev", parts[2]);
    resetRegistries();
    loadDefinitionFile(base);
    loadFontFile(font);
    loadDefinitionFile(level);
    report.problem = registryProblem(bytes.size());
    return report;
}

}  // namespace testing_support
