// The check run: reads every file with its source map, loads it with the game's loaders
// into registries of its own while the load watcher looks on, then runs the checks that
// need the whole load.
#include "check/check.h"

#include <fstream>
#include <sstream>

namespace {

// Warns about physical lines the reader splits into pieces (`in`: the file's text).
void checkLineLengths(std::istream& in, uint32_t file, DiagnosticSink& sink) {
    std::string line;
    uint32_t number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (line.size() > pieceLimit)
            sink.warn({file, number, static_cast<uint32_t>(pieceLimit + 1)},
                      "this line is longer than " + std::to_string(pieceLimit) +
                          " characters: it is read in pieces, which can cut a token in two");
    }
}

// Reads and loads one file (or its text from `input.texts`), watched. `font` selects the
// font loader.
void loadWatched(Registries& defs, const CheckInput& input, const std::string& path, bool font,
                 LoadWatch& watch, DiagnosticSink& sink) {
    const uint32_t file = sink.addFile(path);
    std::string text;
    SourceMap map;
    if (const auto held = input.texts.find(path); held != input.texts.end()) {
        std::istringstream in(held->second);
        checkLineLengths(in, file, sink);
        readDefinitionMemory(held->second, path, text, &map);
    } else {
        std::ifstream in(path, std::ios::binary);
        checkLineLengths(in, file, sink);
        readDefinitionFile(path, text, &map);
    }
    watch.beginFile(file, text, &map, font);
    if (font) loadFontText(defs, text);
    else loadDefinitionText(defs, text);
    watch.endFile();
}

// Whether the file can be read, or its text is held.
bool readable(const CheckInput& input, const std::string& path) {
    return input.texts.contains(path) || readableFile(path);
}

}  // namespace

CheckResult runCheck(const CheckInput& input, Registries& defs) {
    CheckResult result;
    DiagnosticSink& sink = result.sink;
    defs = Registries{};
    LoadWatch watch(sink, defs);
    defs.observer = &watch;

    const std::string basePath = definitionPath(input.dataDir, input.basePath);
    const bool haveBase = readable(input, basePath);
    loadWatched(defs, input, basePath, false, watch, sink);
    if (!haveBase)
        sink.warn({0, 0, 0}, "not found: no base models, ships or effect scripts are loaded");
    const std::string fontPath = definitionPath(input.dataDir, input.fontPath);
    const bool haveFont = readable(input, fontPath);
    loadWatched(defs, input, fontPath, true, watch, sink);
    if (!haveFont) sink.warn({1, 0, 0}, "not found: no text can be drawn");
    else if (defs.fontGlyphs.empty()) sink.warn({1, 0, 0}, "has no glyphs: no text can be drawn");
    for (const std::string& name : input.levelFiles) {
        const std::string path = definitionPath(input.dataDir, name);
        if (!readable(input, path)) result.unreadable.push_back(path);
        loadWatched(defs, input, path, false, watch, sink);
    }
    defs.observer = nullptr;

    checkCommands(watch, sink);
    checkReferences(watch, sink);
    checkSounds(watch, defs, sink);
    sink.sortAndMerge();
    if (input.inspect) input.inspect(watch);
    return result;
}

CheckResult runCheck(const CheckInput& input) {
    Registries defs;
    return runCheck(input, defs);
}

std::string checkReport(std::span<const std::string> named, const std::string& dataDir) {
    CheckInput input;
    input.levelFiles = levelFilesToLoad(named);
    input.dataDir = dataDir;
    return runCheck(input).sink.format(false);
}
