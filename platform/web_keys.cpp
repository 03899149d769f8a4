// Translation of the browser's keyboard events into the game's key codes (Windows
// virtual-key codes), the same codes the SDL window gives for the same keys.
#include "platform/web_platform.h"

#include <array>
#include <utility>

namespace {

using KeyPair = std::pair<std::string_view, int>;

// Game key codes of KeyboardEvent.key values outside the letter, digit and F-key runs.
constexpr std::array namedKeys{
    KeyPair{"Backspace", 0x08},   KeyPair{"Tab", 0x09},         KeyPair{"Clear", 0x0C},
    KeyPair{"Enter", 0x0D},       KeyPair{"Shift", 0x10},       KeyPair{"Control", 0x11},
    KeyPair{"Alt", 0x12},         KeyPair{"AltGraph", 0x12},    KeyPair{"Pause", 0x13},
    KeyPair{"CapsLock", 0x14},    KeyPair{"Escape", 0x1B},      KeyPair{" ", 0x20},
    KeyPair{"PageUp", 0x21},      KeyPair{"PageDown", 0x22},    KeyPair{"End", 0x23},
    KeyPair{"Home", 0x24},        KeyPair{"ArrowLeft", 0x25},   KeyPair{"ArrowUp", 0x26},
    KeyPair{"ArrowRight", 0x27},  KeyPair{"ArrowDown", 0x28},   KeyPair{"Select", 0x29},
    KeyPair{"PrintScreen", 0x2C}, KeyPair{"Insert", 0x2D},      KeyPair{"Delete", 0x2E},
    KeyPair{"Help", 0x2F},        KeyPair{"ContextMenu", 0x5D}, KeyPair{"NumLock", 0x90},
    KeyPair{"ScrollLock", 0x91},  KeyPair{";", 0xBA},           KeyPair{"=", 0xBB},
    KeyPair{",", 0xBC},           KeyPair{"-", 0xBD},           KeyPair{".", 0xBE},
    KeyPair{"/", 0xBF},           KeyPair{"`", 0xC0},           KeyPair{"[", 0xDB},
    KeyPair{"\\", 0xDC},          KeyPair{"]", 0xDD},           KeyPair{"'", 0xDE},
};

// Game key codes of KeyboardEvent.code values that name the key's place: the keypad
// (whatever Num Lock says) and the two Windows keys.
constexpr std::array placedKeys{
    KeyPair{"NumpadMultiply", 0x6A}, KeyPair{"NumpadAdd", 0x6B},
    KeyPair{"NumpadSubtract", 0x6D}, KeyPair{"NumpadDecimal", 0x6E},
    KeyPair{"NumpadDivide", 0x6F},   KeyPair{"NumpadEnter", 0x0D},
    KeyPair{"MetaLeft", 0x5B},       KeyPair{"MetaRight", 0x5C},
    KeyPair{"OSLeft", 0x5B},         KeyPair{"OSRight", 0x5C},
};

// The code paired with `name` in `table`, 0 if none.
template <size_t N>
int lookUp(const std::array<KeyPair, N>& table, std::string_view name) {
    for (const auto& [spelling, code] : table)
        if (spelling == name) return code;
    return 0;
}

// The number after `prefix` in `text` when it is one or two digits, else -1.
int numberAfter(std::string_view text, std::string_view prefix) {
    if (!text.starts_with(prefix) || text.size() == prefix.size() ||
        text.size() > prefix.size() + 2)
        return -1;
    int value = 0;
    for (const char c : text.substr(prefix.size())) {
        if (c < '0' || c > '9') return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

}  // namespace

int virtualKeyFromBrowser(std::string_view key, std::string_view code) {
    // The game key code of a browser key: the keypad by place, then by the symbol the
    // layout gives, then (symbols the game has no code for) by the key's place on a US
    // keyboard, as the SDL window does.
    if (const int pad = numberAfter(code, "Numpad"); pad >= 0 && pad <= 9) return 0x60 + pad;
    if (const int placed = lookUp(placedKeys, code); placed != 0) return placed;
    if (key.size() == 1) {
        const char c = key[0];
        if (c >= 'a' && c <= 'z') return 0x41 + (c - 'a');
        if (c >= 'A' && c <= 'Z') return 0x41 + (c - 'A');
        if (c >= '0' && c <= '9') return 0x30 + (c - '0');
    }
    if (const int f = numberAfter(key, "F"); f >= 1 && f <= 24) return 0x70 + f - 1;
    if (const int named = lookUp(namedKeys, key); named != 0) return named;
    if (code.size() == 4 && code.starts_with("Key") && code[3] >= 'A' && code[3] <= 'Z')
        return 0x41 + (code[3] - 'A');
    if (const int digit = numberAfter(code, "Digit"); digit >= 0 && digit <= 9)
        return 0x30 + digit;
    return 0;
}
