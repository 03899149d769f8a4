// Scripted keys of quillfray-sim: key names, "KEY:FROM-TO" holds and the keys of a frame.
#include "tools/sim/key_holds.h"

#include "platform/platform.h"

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
    std::optional<int> key = keyCodeFromText(text.substr(0, colon));
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
    return KeyHold{*key, *from, *to};
}

FrameKeys keysOfFrame(std::span<const KeyHold> holds, int32_t frame) {
    FrameKeys now;
    std::array<bool, 256> before{};
    for (const KeyHold& hold : holds) {
        const auto key = static_cast<size_t>(hold.key);
        if (hold.from <= frame && frame <= hold.to) now.held[key] = true;
        if (frame > 0 && hold.from <= frame - 1 && frame - 1 <= hold.to) before[key] = true;
    }
    for (const KeyHold& hold : holds) {
        const auto key = static_cast<size_t>(hold.key);
        if (now.held[key] && !before[key]) {
            now.pressed = hold.key;
            break;
        }
    }
    return now;
}
