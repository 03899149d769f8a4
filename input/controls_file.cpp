// Controls file: "control <action> <kind> <code>" lines bind keys, raw joystick buttons
// ("joy <number>") and standard pad buttons ("pad <name>", e.g. "pad leftshoulder").
// Reading fills the binding table; saving rewrites the lines of actions 0 to 7 and keeps
// every other line as it was.
#include "input/input.h"

#include "core/file_write.h"
#include "core/game_state.h"
#include "platform/platform.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <memory>
#include <string>
#include <string_view>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

// One binding a controls file line asks for: the action number (0..15), whether it is a
// raw joystick button or a standard pad button, and the code as written (for a pad
// button, its PadButton number).
struct ControlBinding {
    int32_t action = 0;
    bool joy = false;
    bool pad = false;
    int32_t code = 0;
};

// The binding one line (already followed by its appended blank) asks for; false when the
// line binds nothing. Reading and saving both decide with this alone.
bool parseControlLine(std::string_view text, ControlBinding& out) {
    size_t pos = 0;
    if (nextWord(text, pos) != "control") return false;
    std::string_view actionWord = nextWord(text, pos);
    std::string_view kind = nextWord(text, pos);
    std::string_view codeWord = withoutLineBreak(nextWord(text, pos));
    // A binding needs all four words; an empty one means blanks were doubled or missing.
    if (actionWord.empty() || kind.empty() || codeWord.empty()) return false;
    int32_t actionNumber = wordToInt(actionWord);
    if (actionNumber < 0 || actionNumber >= actionCount) return false;
    out.action = actionNumber;
    out.joy = kind == "joy";
    out.pad = kind == "pad";
    if (out.pad) {
        // A pad button is named; a name the game does not know binds nothing.
        const std::optional<PadButton> button = padButtonFromId(codeWord);
        if (!button) return false;
        out.code = static_cast<int32_t>(*button);
        return true;
    }
    out.code = wordToInt(codeWord);
    return true;
}

// Applies one line (already followed by its appended blank) to the binding table.
void applyControlLine(std::string_view text) {
    ControlBinding binding;
    if (!parseControlLine(text, binding)) return;
    BindingRow& row = game.input.bindingTable[static_cast<Action>(binding.action)];
    // Codes wrap into the stored widths, as the conversions to 8 and 16 bits do.
    if (binding.pad) {
        row.pads.push_back(static_cast<uint8_t>(binding.code));
    } else if (binding.joy) {
        row.buttons.push_back(static_cast<int8_t>(binding.code));
    } else {
        row.keys.push_back(static_cast<uint16_t>(binding.code));
    }
}

// Actions 0 to 7: the rows the setup screen edits and saving writes.
constexpr int32_t savedActions = 8;
// Largest controls file saving reads whole to keep its other lines; a larger one is left
// alone and the save fails.
constexpr int64_t maxSavedFileBytes = int64_t{16} << 20;

// True when a piece of the physical line, cut and parsed as readControlsFile cuts and
// parses it, binds one of actions 0 to 7.
bool bindsSavedAction(std::string_view line) {
    std::string text;
    size_t pos = 0;
    while (pos < line.size()) {
        // fgets stops after a line break or once the piece is full.
        size_t end = std::min(line.size(), pos + linePieceLength);
        const size_t lineBreak = line.find('\n', pos);
        if (lineBreak != std::string_view::npos && lineBreak < end) end = lineBreak + 1;
        const std::string_view piece = line.substr(pos, end - pos);
        // The piece ends at its first NUL byte, as the reader's C string does.
        text.assign(piece.substr(0, piece.find('\0')));
        text.push_back(' ');
        ControlBinding binding;
        if (parseControlLine(text, binding) && binding.action < savedActions) return true;
        pos = end;
    }
    return false;
}

// The binding lines of actions 0 to 7 as the table holds them: per action its keys, then
// its raw buttons, in decimal (a negative button reads back as the same int8), then its
// pad buttons by name.
std::string savedBindingLines() {
    std::string lines;
    for (int32_t a = 0; a < savedActions; ++a) {
        const BindingRow& row = game.input.bindingTable[static_cast<Action>(a)];
        const std::string head = "control " + std::to_string(a);
        for (uint16_t key : row.keys) lines += head + " key " + std::to_string(key) + "\n";
        for (int8_t button : row.buttons)
            lines += head + " joy " + std::to_string(static_cast<int>(button)) + "\n";
        for (uint8_t button : row.pads)
            if (button < padButtonCount)
                lines += head + " pad " +
                         std::string(padButtonId(static_cast<PadButton>(button))) + "\n";
    }
    return lines;
}

// Closes a file descriptor when it goes out of scope.
struct DescriptorCloser {
    int fd;
    ~DescriptorCloser() { ::close(fd); }
};

// Reads the existing controls file whole into `bytes` and its permission bits into
// `mode`; a missing file reads as empty. Returns the reason it cannot be read, or "".
std::string readOldControls(const std::string& path, std::string& bytes, mode_t& mode) {
    // Without blocking: a pipe would wait for a writer.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return errno == ENOENT ? std::string() : errorText(errno);
    const DescriptorCloser closer{fd};
    struct stat info {};
    if (::fstat(fd, &info) != 0) return errorText(errno);
    if (S_ISDIR(info.st_mode)) return errorText(EISDIR);
    if (!S_ISREG(info.st_mode)) return "not a regular file";
    if (info.st_size > maxSavedFileBytes) return errorText(EFBIG);
    mode = info.st_mode & 0777;
    bytes.assign(static_cast<size_t>(info.st_size), '\0');
    size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errorText(errno);
        if (n == 0) break;  // the file shrank meanwhile
        got += static_cast<size_t>(n);
    }
    bytes.resize(got);
    return {};
}

// The controls file `old` with the binding lines of actions 0 to 7 replaced by the
// table's: the new lines stand where the first old one stood, or at the end.
std::string withSavedBindings(std::string_view old) {
    const std::string lines = savedBindingLines();
    std::string out;
    out.reserve(old.size() + lines.size() + 1);
    bool placed = false;
    size_t pos = 0;
    while (pos < old.size()) {
        const size_t lineBreak = old.find('\n', pos);
        const size_t end = lineBreak == std::string_view::npos ? old.size() : lineBreak + 1;
        const std::string_view line = old.substr(pos, end - pos);
        if (!bindsSavedAction(line)) {
            out.append(line);
        } else if (!placed) {
            out += lines;
            placed = true;
        }
        pos = end;
    }
    if (!placed && !lines.empty()) {
        if (!out.empty() && out.back() != '\n') out.push_back('\n');
        out += lines;
    }
    return out;
}

}  // namespace

// Reads the kept file, replaces its bindings of actions 0 to 7 and writes it to `path` in
// one piece.
std::string saveControlsFile(const std::string& path, const std::string& keptFrom) {
    std::string old;
    mode_t mode = 0666;
    std::string why = readOldControls(keptFrom.empty() ? path : keptFrom, old, mode);
    if (!why.empty()) return why;
    return replaceFileContents(path, withSavedBindings(old), mode);
}

void readControlsFile(const std::string& path) {
    for (BindingRow& row : game.input.bindingTable) {
        row.keys.clear();
        row.buttons.clear();
        row.pads.clear();
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
