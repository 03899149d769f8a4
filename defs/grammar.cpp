// The definition grammar in one place: the keywords each block recognises, the model
// elements' short forms, the files a load reads and in which order, and which files can
// be read at all. The parsers, quillfray-check and the reload all take them from here.
#include "defs/defs.h"

#include <array>
#include <cstdio>
#include <filesystem>

namespace {

constexpr std::array<std::string_view, 6> topWords = {"model", "ship", "script", "stage",
                                                      "sound", "music"};
constexpr std::array<std::string_view, 1> fontWords = {"model"};
constexpr std::array<std::string_view, 5> modelWords = {"name", "line", "hitc", "color", "alpha"};
constexpr std::array<std::string_view, 4> lineWords = {"x1", "y1", "x2", "y2"};
constexpr std::array<std::string_view, 3> circleWords = {"x", "y", "r"};
constexpr std::array<std::string_view, 4> channelWords = {"r", "g", "b", "a"};
constexpr std::array<std::string_view, 7> shipWords = {"name", "model", "shot1", "shot2",
                                                       "bomb", "bombeffect", "powershot"};
constexpr std::array<std::string_view, 3> scriptWords = {"name", "command", "cmd"};
constexpr std::array<std::string_view, 2> stageWords = {"length", "event"};
constexpr std::array<std::string_view, 3> eventWords = {"frame", "command", "cmd"};
constexpr std::array<std::string_view, 1> commandWords = {"cmd"};
constexpr std::array<std::string_view, 3> musicWords = {"name", "tempo", "channel"};
// Short forms: a colour's short form sets r, g and b; an alpha's sets a.
constexpr std::array<std::string_view, 3> colourShortWords = {"r", "g", "b"};
constexpr std::array<std::string_view, 1> alphaShortWords = {"a"};

}  // namespace

std::span<const std::string_view> topLevelKeywords(bool font) {
    if (font) return fontWords;
    return topWords;
}

std::span<const std::string_view> blockKeywords(BlockKind kind) {
    switch (kind) {
    case BlockKind::Model: return modelWords;
    case BlockKind::Line: return lineWords;
    case BlockKind::Circle: return circleWords;
    case BlockKind::Colour:
    case BlockKind::Alpha: return channelWords;
    case BlockKind::Ship: return shipWords;
    case BlockKind::Script:
    case BlockKind::InlineScript: return scriptWords;
    case BlockKind::Stage: return stageWords;
    case BlockKind::Event: return eventWords;
    case BlockKind::Command: return commandWords;
    case BlockKind::Sound: return soundBlockWords();
    case BlockKind::Music: return musicWords;
    }
    return {};
}

std::span<const std::string_view> shortFormKeys(BlockKind kind) {
    switch (kind) {
    case BlockKind::Line: return lineWords;
    case BlockKind::Circle: return circleWords;
    case BlockKind::Colour: return colourShortWords;
    case BlockKind::Alpha: return alphaShortWords;
    default: return {};
    }
}

std::vector<std::string> levelFilesToLoad(std::span<const std::string> named) {
    if (named.empty()) return {std::string(defaultLevelFile)};
    return {named.begin(), named.end()};
}

bool readableFile(const std::string& path) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return false;
    std::FILE* file = std::fopen(path.c_str(), "r");
    if (file == nullptr) return false;
    std::fclose(file);
    return true;
}
