// Scripted keys and pad of quillfray-sim: key names, "KEY:FROM-TO" and "pad:NAME:FROM-TO"
// holds, and the keys and pad of a frame.
#include "tools/sim/key_holds.h"

#include "input/input.h"
#include "platform/platform.h"

#include <cmath>

#include <charconv>
#include <limits>

namespace {

// A key name the command line may use instead of a code.
struct NamedKey {
    std::string_view name;
    int code;
};

// The names of the keys the game's default controls and fixed keys use.
constexpr std::array<NamedKey, 12> namedKeys = {{
    {"left", keys::left},
    {"right", keys::right},
    {"up", keys::up},
    {"down", keys::down},
    {"z", keys::letterZ},
    {"x", keys::letterX},
    {"c", keys::letterC},
    {"shift", keys::shift},
    {"space", keys::space},
    {"escape", keys::escape},
    {"f9", keys::f9},
    {"r", keys::letterR},
}};

// Lower-case ASCII letter of `c`; other bytes unchanged.
char lowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// True when `a` and `b` are equal ignoring ASCII case.
bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
    return true;
}

// The whole text as a number in `base`; nothing if any character is left over.
std::optional<int64_t> wholeNumber(std::string_view text, int base) {
    int64_t value = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value, base);
    if (text.empty() || ec != std::errc() || ptr != end) return std::nullopt;
    return value;
}

// A frame number: a non-negative decimal that fits in 32 bits.
std::optional<int32_t> frameNumber(std::string_view text) {
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) return std::nullopt;
    std::optional<int64_t> value = wholeNumber(text, 10);
    if (!value || *value > std::numeric_limits<int32_t>::max()) return std::nullopt;
    return static_cast<int32_t>(*value);
}

// The held thing of a pad hold ("a", "leftx-", "lefty=0.3") with frames left unset;
// nothing when the text names no button or axis.
std::optional<KeyHold> padHoldOf(std::string_view text) {
    KeyHold hold;
    if (std::optional<PadButton> button = padButtonFromId(text)) {
        hold.padButton = static_cast<int>(*button);
        return hold;
    }
    const size_t equals = text.find('=');
    std::string_view axisName = text.substr(0, equals);
    double value = 0.0;
    if (equals != std::string_view::npos) {
        const std::string_view number = text.substr(equals + 1);
        const char* end = number.data() + number.size();
        auto [ptr, ec] = std::from_chars(number.data(), end, value);
        if (number.empty() || ec != std::errc() || ptr != end || !(value >= -1.0 && value <= 1.0))
            return std::nullopt;
    } else if (!axisName.empty() && (axisName.back() == '-' || axisName.back() == '+')) {
        value = axisName.back() == '-' ? -1.0 : 1.0;
        axisName.remove_suffix(1);
    } else {
        return std::nullopt;
    }
    std::optional<PadAxis> axis = padAxisFromId(axisName);
    if (!axis) return std::nullopt;
    hold.padAxis = static_cast<int>(*axis);
    hold.axisValue = value < 0 ? static_cast<int>(std::lround(value * 32768.0))
                               : static_cast<int>(std::lround(value * 32767.0));
    return hold;
}

}  // namespace

std::optional<int> keyCodeFromText(std::string_view text) {
    for (const NamedKey& key : namedKeys)
        if (equalsIgnoringCase(text, key.name)) return key.code;
    std::optional<int64_t> value;
    if (text.size() > 2 && text[0] == '0' && lowerAscii(text[1]) == 'x') {
        value = wholeNumber(text.substr(2), 16);
    } else if (!text.empty() && text[0] >= '0' && text[0] <= '9') {
        value = wholeNumber(text, 10);
    }
    if (!value || *value < 1 || *value > 255) return std::nullopt;
    return static_cast<int>(*value);
}

std::string keyNameList() {
    std::string list;
    for (const NamedKey& key : namedKeys) {
        if (!list.empty()) list += ", ";
        list += key.name;
    }
    return list;
}

std::optional<KeyHold> parseKeyHold(std::string_view text, std::string& error) {
    const size_t colon = text.rfind(':');
    if (colon == std::string_view::npos) {
        error = "hold \"" + std::string(text) + "\" is not KEY:FROM-TO";
        return std::nullopt;
    }
    std::optional<KeyHold> held;
    constexpr std::string_view padPrefix = "pad:";
    const std::string_view what = text.substr(0, colon);
    if (what.starts_with(padPrefix)) {
        held = padHoldOf(what.substr(padPrefix.size()));
        if (!held) {
            error = "unknown pad button or axis \"" + std::string(what.substr(padPrefix.size())) +
                    "\" (" + padNameList() + ")";
            return std::nullopt;
        }
    }
    std::optional<int> key = held ? std::optional<int>(0) : keyCodeFromText(what);
    if (!key) {
        error = "unknown key \"" + std::string(text.substr(0, colon)) +
                "\" (a code 1..255, 0x hex, or one of " + keyNameList() + ")";
        return std::nullopt;
    }
    std::string_view frames = text.substr(colon + 1);
    const size_t dash = frames.find('-');
    std::optional<int32_t> from = frameNumber(frames.substr(0, dash));
    std::optional<int32_t> to =
        dash == std::string_view::npos ? from : frameNumber(frames.substr(dash + 1));
    if (!from || !to || *to < *from) {
        error = "hold \"" + std::string(text) + "\" needs frames FROM-TO with 0 <= FROM <= TO";
        return std::nullopt;
    }
    KeyHold hold = held.value_or(KeyHold{});
    hold.key = *key;
    hold.from = *from;
    hold.to = *to;
    return hold;
}

FrameKeys keysOfFrame(std::span<const KeyHold> holds, int32_t frame) {
    FrameKeys now;
    std::array<bool, 256> before{};
    for (const KeyHold& hold : holds) {
        if (hold.key == 0) continue;
        const auto key = static_cast<size_t>(hold.key);
        if (hold.from <= frame && frame <= hold.to) now.held[key] = true;
        if (frame > 0 && hold.from <= frame - 1 && frame - 1 <= hold.to) before[key] = true;
    }
    for (const KeyHold& hold : holds) {
        if (hold.key == 0) continue;
        const auto key = static_cast<size_t>(hold.key);
        if (now.held[key] && !before[key]) {
            now.pressed = hold.key;
            break;
        }
    }
    return now;
}

bool holdsPad(std::span<const KeyHold> holds) {
    for (const KeyHold& hold : holds)
        if (hold.key == 0) return true;
    return false;
}

FramePad padOfFrame(std::span<const KeyHold> holds, int32_t frame) {
    FramePad pad;
    for (const KeyHold& hold : holds) {
        if (hold.key != 0 || frame < hold.from || frame > hold.to) continue;
        if (hold.padButton >= 0) pad.buttons[static_cast<size_t>(hold.padButton)] = true;
        if (hold.padAxis >= 0) pad.axes[static_cast<size_t>(hold.padAxis)] = hold.axisValue;
    }
    return pad;
}

std::string padNameList() {
    std::string list;
    for (int b = 0; b < padButtonCount; ++b) {
        if (static_cast<PadButton>(b) == PadButton::guide) continue;
        list += std::string(padButtonId(static_cast<PadButton>(b))) + " ";
    }
    return list + "leftx- leftx+ lefty- lefty+ leftx=-0.3 ...";
}
