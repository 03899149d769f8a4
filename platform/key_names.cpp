// Readable names of the game's key codes (Windows virtual-key codes), shared by every
// backend. Punctuation keys are spelled out in words: the names are shown with the vector
// font and joined by commas on the controls setup screen.
#include "platform/platform.h"

#include <string_view>

namespace {

// Names of the single keys that are not part of a numbered run; empty if unnamed.
std::string_view namedKey(int key) {
    switch (key) {
    case 0x01: return "Left Mouse";
    case 0x02: return "Right Mouse";
    case 0x03: return "Break";
    case 0x04: return "Middle Mouse";
    case 0x08: return "Backspace";
    case 0x09: return "Tab";
    case 0x0C: return "Clear";
    case 0x0D: return "Enter";
    case 0x10: return "Shift";
    case 0x11: return "Ctrl";
    case 0x12: return "Alt";
    case 0x13: return "Pause";
    case 0x14: return "Caps Lock";
    case 0x1B: return "Escape";
    case 0x20: return "Space";
    case 0x21: return "Page Up";
    case 0x22: return "Page Down";
    case 0x23: return "End";
    case 0x24: return "Home";
    case 0x25: return "Left";
    case 0x26: return "Up";
    case 0x27: return "Right";
    case 0x28: return "Down";
    case 0x29: return "Select";
    case 0x2C: return "Print Screen";
    case 0x2D: return "Insert";
    case 0x2E: return "Delete";
    case 0x2F: return "Help";
    case 0x5B: return "Left Win";
    case 0x5C: return "Right Win";
    case 0x5D: return "Menu";
    case 0x5F: return "Sleep";
    case 0x6A: return "Numpad Multiply";
    case 0x6B: return "Numpad Add";
    case 0x6C: return "Numpad Separator";
    case 0x6D: return "Numpad Subtract";
    case 0x6E: return "Numpad Decimal";
    case 0x6F: return "Numpad Divide";
    case 0x90: return "Num Lock";
    case 0x91: return "Scroll Lock";
    case 0xBA: return "Semicolon";
    case 0xBB: return "Equals";
    case 0xBC: return "Comma";
    case 0xBD: return "Minus";
    case 0xBE: return "Period";
    case 0xBF: return "Slash";
    case 0xC0: return "Grave";
    case 0xDB: return "Left Bracket";
    case 0xDC: return "Backslash";
    case 0xDD: return "Right Bracket";
    case 0xDE: return "Apostrophe";
    default: return {};
    }
}

// "Key 0x5F" style name for codes without a proper name.
std::string fallbackName(int key) {
    constexpr std::string_view digits = "0123456789ABCDEF";
    auto value = static_cast<unsigned>(key);
    std::string hex;
    do {
        hex.insert(hex.begin(), digits[value & 0xFu]);
        value >>= 4;
    } while (value != 0);
    if (hex.size() < 2) hex.insert(hex.begin(), '0');
    return "Key 0x" + hex;
}

}  // namespace

std::string keyName(int key) {
    if (key >= 0x41 && key <= 0x5A) return std::string(1, static_cast<char>(key));
    if (key >= 0x30 && key <= 0x39) return std::string(1, static_cast<char>(key));
    if (key >= 0x60 && key <= 0x69)
        return "Numpad " + std::string(1, static_cast<char>('0' + key - 0x60));
    if (key >= 0x70 && key <= 0x87) return "F" + std::to_string(key - 0x70 + 1);
    const std::string_view name = namedKey(key);
    if (!name.empty()) return std::string(name);
    return fallbackName(key);
}
