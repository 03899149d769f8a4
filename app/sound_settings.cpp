// The settings file (quillfray-settings.cfg beside the controls file): the three volumes,
// mute, fullscreen, the window scale, the drawing resolution and the hit circle, read at start-up and written when
// M toggles mute or the Options screen is left; and the M key. The pad's lines
// ("deadzone N" percent, "rumble 0|1") are read here too and kept as written.
#include "app/app.h"

#include "core/file_write.h"
#include "core/game_state.h"
#include "platform/platform.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

// A settings file longer than this is not one the game wrote; only its start is read.
constexpr size_t maxSettingsBytes = 64 * 1024;

// The file's text, "" when it is missing, not a regular file or unreadable.
std::string settingsText(const std::string& path) {
    std::error_code error;
    if (path.empty() || !std::filesystem::is_regular_file(path, error)) return {};
    std::ifstream in(path, std::ios::binary);
    std::string text(maxSettingsBytes, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<size_t>(std::max<std::streamsize>(in.gcount(), 0)));
    return text;
}

// `word` as a whole number within lo..hi, or -1.
int numberIn(std::string_view word, int lo, int hi) {
    int value = -1;
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (error != std::errc() || end != word.data() + word.size() || value < lo || value > hi)
        return -1;
    return value;
}

// Sets what one line of the file gives; a line the game does not know, or a bad value,
// changes nothing.
void applyLine(const std::string& line) {
    std::istringstream words(line);
    std::string key, name, number, extra;
    SoundState& sound = app.sound;
    words >> key;
    if (key == "volume") {
        words >> name >> number;
        const int value = words >> extra ? -1 : numberIn(number, 0, 10);
        if (value < 0) return;
        if (name == "master") sound.master = value;
        if (name == "effects") sound.effects = value;
        if (name == "music") sound.music = value;
    } else if (key == "mute" || key == "fullscreen" || key == "hitcircle") {
        words >> number;
        const int value = words >> extra ? -1 : numberIn(number, 0, 1);
        if (value < 0) return;
        if (key == "mute") sound.muted = sound.mutedInFile = value != 0;
        if (key == "fullscreen") app.display.fullscreen = value != 0;
        if (key == "hitcircle") app.display.hitCircle = value != 0;
    } else if (key == "scale") {
        words >> number;
        const int value = words >> extra ? -1 : number == "fit" ? 0 : numberIn(number, 1, 2);
        if (value >= 0) app.display.scale = value;
    } else if (key == "resolution") {
        words >> name;
        ResolutionMode mode{};
        if (!(words >> extra) && resolutionFromWord(name, mode)) app.display.resolution = mode;
    } else if (key == "deadzone") {
        words >> number;
        const int value = words >> extra ? -1 : numberIn(number, 0, 95);
        if (value >= 0) game.input.padDeadZone = value;
    } else if (key == "rumble") {
        words >> number;
        const int value = words >> extra ? -1 : numberIn(number, 0, 1);
        if (value >= 0) game.input.padRumble = value != 0;
    }
}

// Whether a line is one of the game's own (any value): written afresh, not kept.
bool ownLine(const std::string& line) {
    std::istringstream words(line);
    std::string key;
    words >> key;
    return key == "volume" || key == "mute" || key == "fullscreen" || key == "scale" ||
           key == "resolution" || key == "hitcircle";
}

// Whether the controls bind M to an action (then M is that action only).
bool mBound() {
    for (const BindingRow& row : game.input.bindingTable)
        for (uint16_t key : row.keys)
            if (key == keys::letterM) return true;
    return false;
}

}  // namespace

std::string_view resolutionWord(ResolutionMode mode) {
    switch (mode) {
    case ResolutionMode::full: return "full";
    case ResolutionMode::native: return "native-800x600";
    case ResolutionMode::automatic: break;
    }
    return "auto";
}

bool resolutionFromWord(std::string_view word, ResolutionMode& mode) {
    for (ResolutionMode m : {ResolutionMode::automatic, ResolutionMode::full, ResolutionMode::native}) {
        if (word != resolutionWord(m)) continue;
        mode = m;
        return true;
    }
    return false;
}

std::string settingsPathBeside(const std::string& controlsPath) {
    const std::filesystem::path folder = std::filesystem::path(controlsPath).parent_path();
    return (folder / "quillfray-settings.cfg").string();
}

void readSettingsFile(const std::string& path) {
    std::istringstream lines(settingsText(path));
    for (std::string line; std::getline(lines, line);) applyLine(line);
}

std::string writeSettingsFile(const std::string& path) {
    const SoundState& sound = app.sound;
    const DisplaySettings& display = app.display;
    const bool muted = sound.mutedByCommandLine ? sound.mutedInFile : sound.muted;
    std::string text = "volume master " + std::to_string(sound.master) + "\nvolume effects " +
                       std::to_string(sound.effects) + "\nvolume music " +
                       std::to_string(sound.music) + "\nmute " + (muted ? "1" : "0") + "\n";
    text += std::string("fullscreen ") + (display.fullscreen ? "1" : "0") + "\nscale " +
 (display.scale == 0 ? std::string("fit") : std::to_string(display.scale)) +
            "\nresolution " + std::string(resolutionWord(display.resolution)) +
            "\nhitcircle " + (display.hitCircle ? "1" : "0") + "\n";
    std::istringstream lines(settingsText(path));
    for (std::string line; std::getline(lines, line);)
        if (!ownLine(line)) text += line + "\n";
    std::string why = createFoldersFor(path);
    if (why.empty()) why = replaceFileContents(path, text);
    return why;
}

void handleMuteKey(int key) {
    if (key != keys::letterM || mBound()) return;
    SoundState& sound = app.sound;
    sound.muted = !sound.muted;
    sound.mutedByCommandLine = false;
    applySoundVolumes();
    saveSettings();
}

void saveSettings() {
    const std::string& path = app.sound.settingsPath;
    if (path.empty()) return;
    const std::string why = writeSettingsFile(path);
    if (why.empty()) return;
    std::fprintf(stderr, "could not write the settings %s: %s\n", path.c_str(), why.c_str());
    noteSaveProblem("Settings not saved: " + why);
}
