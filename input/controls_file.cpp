// Controls file: "control <action> <kind> <code>" lines bind keys and joystick buttons.
#include "input/input.h"

#include "core/game_state.h"
#include "platform/platform.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <memory>
#include <string>
#include <string_view>

namespace {

// A line is read in pieces of at most this many characters, each piece a line of its own.
constexpr int linePieceLength = 127;

// Closes the controls file when reading ends, however it ends.
struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// The text up to the next blank (an empty word when two blanks meet); the cursor moves
// past that blank. Without a further blank the word is the rest of the text.
std::string_view nextWord(std::string_view text, size_t& pos) {
    if (pos >= text.size()) return {};
    size_t blank = text.find(' ', pos);
    if (blank == std::string_view::npos) {
        std::string_view word = text.substr(pos);
        pos = text.size();
        return word;
    }
    std::string_view word = text.substr(pos, blank - pos);
    pos = blank + 1;
    return word;
}

// White space as the C library's isspace sees it in the "C" locale.
bool isCSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// A word read as atoi does: leading white space, a sign, then digits up to the first
// other character; 0 without digits. Values beyond the int32 range saturate.
int32_t wordToInt(std::string_view word) {
    size_t i = 0;
    while (i < word.size() && isCSpace(word[i])) ++i;
    bool negative = false;
    if (i < word.size() && (word[i] == '+' || word[i] == '-')) {
        negative = word[i] == '-';
        ++i;
    }
    // Accumulate in 64 bits and stop growing once past the int32 range.
    constexpr int64_t cap = static_cast<int64_t>(std::numeric_limits<int32_t>::max()) + 1;
    int64_t magnitude = 0;
    for (; i < word.size() && word[i] >= '0' && word[i] <= '9'; ++i) {
        if (magnitude < cap) magnitude = magnitude * 10 + (word[i] - '0');
    }
    if (magnitude > cap) magnitude = cap;
    int64_t value = negative ? -magnitude : magnitude;
    if (value > std::numeric_limits<int32_t>::max()) value = std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(value);
}

// The word without its trailing line break (a carriage return before it included).
std::string_view withoutLineBreak(std::string_view word) {
    if (!word.empty() && word.back() == '\n') word.remove_suffix(1);
    if (!word.empty() && word.back() == '\r') word.remove_suffix(1);
    return word;
}

// Applies one line (already followed by its appended blank) to the binding table.
void applyControlLine(std::string_view text) {
    size_t pos = 0;
    if (nextWord(text, pos) != "control") return;
    std::string_view actionWord = nextWord(text, pos);
    std::string_view kind = nextWord(text, pos);
    std::string_view codeWord = withoutLineBreak(nextWord(text, pos));
    // A binding needs all four words; an empty one means blanks were doubled or missing.
    if (actionWord.empty() || kind.empty() || codeWord.empty()) return;
    int32_t actionNumber = wordToInt(actionWord);
    if (actionNumber < 0 || actionNumber >= actionCount) return;
    int32_t code = wordToInt(codeWord);
    BindingRow& row = game.input.bindingTable[static_cast<Action>(actionNumber)];
    // Codes wrap into the stored widths, as the conversions to 8 and 16 bits do.
    if (kind == "joy") {
        row.buttons.push_back(static_cast<int8_t>(code));
    } else {
        row.keys.push_back(static_cast<uint16_t>(code));
    }
}

}  // namespace

// Fills the binding table from the controls file, then adds F9 and Escape.
void readControlsFile(const std::string& path) {
    for (BindingRow& row : game.input.bindingTable) {
        row.keys.clear();
        row.buttons.clear();
    }
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "r"));
    if (file) {
        // One piece plus its terminator; fgets stops at a line break or when full.
        std::array<char, linePieceLength + 1> piece{};
        std::string text;
        text.reserve(piece.size() + 1);
        while (std::fgets(piece.data(), static_cast<int>(piece.size()), file.get()) != nullptr) {
            // The piece ends at its first NUL byte, as any C string does.
            text.assign(piece.data());
            text.push_back(' ');
            applyControlLine(text);
        }
    }
    game.input.bindingTable[Action::keyConfig].keys.push_back(keys::f9);
    game.input.bindingTable[Action::exit].keys.push_back(keys::escape);
}
