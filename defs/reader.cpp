// Definition-file reader: turns a file into definition text, and walks that text.
#include "defs/defs.h"

#include "core/game_state.h"
#include "core/hash.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>
#include <sys/stat.h>
#include <vector>

namespace {

// Bytes read from the file at a time; always holds at least one whole piece.
constexpr size_t chunkSize = size_t{1} << 16;

// White space as the C library classes it in the "C" locale; bytes above 127 are not.
constexpr bool isWhite(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// A byte of 1s and of the high bit in every byte of a word (words read little-end first).
constexpr uint64_t wordOnes = 0x0101010101010101u;
constexpr uint64_t wordHighs = 0x8080808080808080u;
static_assert(std::endian::native == std::endian::little, "words are read little-end first");

// How many bytes of `highs` are set, where only their high bits can be: the multiply adds
// them up in the top byte, which cannot carry over with at most eight (std::popcount is a
// library call on a build without the popcnt instruction).
constexpr size_t countHighBytes(uint64_t highs) {
    return static_cast<size_t>(((highs >> 7) * wordOnes) >> 56);
}
static_assert(countHighBytes(wordHighs) == 8 && countHighBytes(0) == 0 &&
              countHighBytes(0x8000000000000080u) == 2);

// True for the ASCII digits only.
constexpr bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Folds A-Z to a-z; every other byte, including those above 127, is unchanged.
constexpr char foldCase(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c;
}

// Per byte: its folded form when it is neither white space nor a brace (nor 0), else 0.
constexpr std::array<unsigned char, 256> plainBytes = [] {
    std::array<unsigned char, 256> table{};
    for (int b = 1; b < 256; ++b) {
        const char c = static_cast<char>(b);
        if (!isWhite(c) && c != '{' && c != '}') table[b] = static_cast<unsigned char>(foldCase(c));
    }
    return table;
}();

// High bit set in exactly the bytes of `word` that are 0.
constexpr uint64_t zeroBytes(uint64_t word) {
    constexpr uint64_t low7 = ~wordHighs;
    return ~(((word & low7) + low7) | word | low7);
}

// High bit set in exactly the bytes of `word` equal to `b`.
constexpr uint64_t bytesEqual(uint64_t word, char b) {
    return zeroBytes(word ^ (wordOnes * static_cast<unsigned char>(b)));
}

// High bit set in the bytes of `word` that the line steps would change or drop even
// where they stand alone: bytes below the blank (tabs and other white space, 0 and
// other control bytes), capitals, and "/" (which may open a comment).
constexpr uint64_t changingBytes(uint64_t word) {
    const uint64_t seven = word & ~wordHighs;
    const uint64_t belowBlank = ~(seven + wordOnes * (0x80 - ' ')) & ~word & wordHighs;
    const uint64_t fromA = (seven + wordOnes * (0x80 - 'A')) & wordHighs;
    const uint64_t pastZ = (seven + wordOnes * (0x80 - 'Z' - 1)) & wordHighs;
    return belowBlank | (fromA & ~pastZ & ~word) | bytesEqual(word, '/');
}

// Whether the line steps leave `body` (a piece without its newline, leading white space
// already dropped) as it is: no byte they change, no two blanks in a row, a blank before
// every brace but a first one, and no blank at the end. Eight bytes at a time.
bool alreadyProcessed(std::string_view body) {
    if (body.empty() || body.back() == ' ') return false;
    uint64_t afterBlank = wordHighs & 0xFF;  // the first byte counts as after a blank
    uint64_t bad = 0;
    for (size_t i = 0; i < body.size(); i += 8) {
        uint64_t word = wordOnes * 'a';  // a short last word is padded with letters
        if (i + 8 <= body.size()) std::memcpy(&word, body.data() + i, 8);
        else std::memcpy(&word, body.data() + i, body.size() - i);
        const uint64_t blanks = bytesEqual(word, ' ');
        const uint64_t braces = bytesEqual(word, '{') | bytesEqual(word, '}');
        const uint64_t before = (blanks << 8) | afterBlank;
        bad |= changingBytes(word) | (blanks & before) | (braces & ~before);
        afterBlank = blanks >> 56;
    }
    return bad == 0;
}

// Room for one processed piece: at most a blank before every byte, and the final blank.
struct PieceScratch {
    std::string bytes = std::string(2 * pieceLimit + 2, '\0');
    std::vector<uint32_t> columns = std::vector<uint32_t>(2 * pieceLimit + 2, 0);
};

// Processes one piece of a line and appends what is left of it, plus one blank, to the
// text. The steps run in one pass, which gives the same text as running them one after
// another: comment, tabs, blank before braces, squeezed blanks, trimming, case folding.
template <bool withMap>
void appendPiece(std::string_view piece, std::string& text, SourceMap* map, uint32_t line,
                 uint32_t column, PieceScratch& scratch) {
    if constexpr (!withMap) {
        // Most lines are written as the steps would leave them: copied as they are.
        std::string_view body = piece;
        if (!body.empty() && body.back() == '\n') body.remove_suffix(1);
        size_t lead = 0;
        while (lead < body.size() && isWhite(body[lead])) ++lead;
        body.remove_prefix(lead);
        if (alreadyProcessed(body)) {
            text.append(body);
            text.push_back(' ');
            return;
        }
    }
    size_t comment = piece.find("//");
    if (comment != std::string_view::npos) piece = piece.substr(0, comment);
    char* const first = scratch.bytes.data();
    char* out = first;
    uint32_t* columns = scratch.columns.data();
    auto put = [&](char c, uint32_t col) {
        if constexpr (withMap) columns[out - first] = col;
        *out++ = c;
    };
    for (size_t i = 0; i < piece.size(); ++i) {
        char c = piece[i];
        const auto col = static_cast<uint32_t>(column + i);
        const unsigned char plain = plainBytes[static_cast<unsigned char>(c)];
        if (plain != 0) {
            // Neither white nor a brace: kept, folded, whatever came before.
            put(static_cast<char>(plain), col);
            continue;
        }
        if (c == '\t') c = ' ';
        if (out == first) {
            // Anything white before the first kept byte would be trimmed away again.
            if (isWhite(c)) continue;
        } else if (c == ' ') {
            if (out[-1] == ' ') continue;
        } else if ((c == '{' || c == '}') && out[-1] != ' ') {
            put(' ', col);
        }
        put(foldCase(c), col);
    }
    while (out > first && isWhite(out[-1])) --out;
    if (out == first) return;
    put(' ', withMap ? columns[out - first - 1] + 1 : 0);
    const auto length = static_cast<size_t>(out - first);
    text.append(first, length);
    if constexpr (withMap) {
        map->line.insert(map->line.end(), length, line);
        map->column.insert(map->column.end(), columns, columns + length);
    }
}

// Reads the open file piece by piece and appends each processed piece to the text,
// stopping once the text holds `limit` bytes or more. With `hash`, folds each appended
// piece into it while the piece is fresh in the cache.
template <bool withMap>
void readPieces(std::FILE* file, std::string& text, SourceMap* map,
                size_t limit = std::numeric_limits<size_t>::max(), uint64_t* hash = nullptr) {
    std::string buffer(chunkSize, '\0');
    size_t begin = 0;
    size_t end = 0;
    bool exhausted = false;
    uint32_t line = 1;
    uint32_t column = 1;
    PieceScratch scratch;
    for (;;) {
        const size_t available = end - begin;
        const char* at = buffer.data() + begin;
        const size_t window = available < pieceLimit ? available : pieceLimit;
        const void* newline = window ? std::memchr(at, '\n', window) : nullptr;
        size_t length = 0;
        if (newline) {
            length = static_cast<size_t>(static_cast<const char*>(newline) - at) + 1;
        } else if (available >= pieceLimit) {
            length = pieceLimit;
        } else if (!exhausted) {
            // Not a whole piece in the buffer yet: move the rest to the front and refill.
            std::memmove(buffer.data(), at, available);
            begin = 0;
            end = available;
            size_t got = std::fread(buffer.data() + end, 1, buffer.size() - end, file);
            end += got;
            if (got == 0) exhausted = true;
            continue;
        } else if (available == 0) {
            return;
        } else {
            length = available;  // the last line has no newline
        }
        const size_t before = text.size();
        appendPiece<withMap>(std::string_view(at, length), text, map, line, column, scratch);
        if (hash) *hash = fnv1a64(std::string_view(text).substr(before), *hash);
        if (text.size() >= limit) return;
        begin += length;
        if (at[length - 1] == '\n') {
            ++line;
            column = 1;
        } else {
            column += static_cast<uint32_t>(length);
        }
    }
}

// Appends the definition text of `content` (whole lines of a file, or the rest of it) to
// the text, cut into the pieces readPieces cuts a file into.
void appendProcessed(std::string_view content, std::string& text, PieceScratch& scratch) {
    while (!content.empty()) {
        const size_t newline = content.substr(0, pieceLimit).find('\n');
        const size_t length = newline != std::string_view::npos
                                  ? newline + 1
                                  : std::min(content.size(), pieceLimit);
        appendPiece<false>(content.substr(0, length), text, nullptr, 0, 1, scratch);
        content.remove_prefix(length);
    }
}

}  // namespace

std::string definitionPath(std::string_view dataDir, const std::string& name) {
    if (dataDir.empty() || name.empty() || name.front() == '/') return name;
    return std::string(dataDir) + (dataDir.back() == '/' ? "" : "/") + name;
}

std::string definitionPath(const std::string& name) { return definitionPath(game.dataDir, name); }

std::string dataDirProblem(const std::string& dir) {
    struct stat status {};
    if (::stat(dir.c_str(), &status) != 0) return std::strerror(errno);
    if (!S_ISDIR(status.st_mode)) return std::strerror(ENOTDIR);
    return {};
}

int64_t definitionFileSize(const std::string& path) {
    FileHandle file(std::fopen(path.c_str(), "rb"));
    if (!file) return 0;
    struct stat status {};
    if (::fstat(::fileno(file.get()), &status) != 0 || !S_ISREG(status.st_mode)) return 0;
    if (std::fseek(file.get(), 0, SEEK_END) != 0) return 0;
    long size = std::ftell(file.get());
    return size < 0 ? 0 : static_cast<int64_t>(size);
}

bool readDefinitionFile(const std::string& path, std::string& text, SourceMap* map) {
    // Appends the processed content of the file to `text`; false if it cannot be opened.
    // The file is opened for reading only: nothing is ever written to a definition file, so
    // a read-only file loads like any other.
    FileHandle file(std::fopen(path.c_str(), "r"));
    if (!file) return false;
    if (map) {
        map->path = path;
        readPieces<true>(file.get(), text, map);
    } else {
        readPieces<false>(file.get(), text, nullptr);
    }
    return true;
}

bool readDefinitionMemory(std::string_view content, const std::string& path, std::string& text,
                          SourceMap* map) {
    // The pieces are cut as readPieces cuts a file's: at each newline, or pieceLimit bytes.
    if (map) map->path = path;
    PieceScratch scratch;
    uint32_t line = 1;
    uint32_t column = 1;
    while (!content.empty()) {
        const size_t newline = content.substr(0, pieceLimit).find('\n');
        const size_t length = newline != std::string_view::npos
                                  ? newline + 1
                                  : std::min(content.size(), pieceLimit);
        if (map) appendPiece<true>(content.substr(0, length), text, map, line, column, scratch);
        else appendPiece<false>(content.substr(0, length), text, nullptr, line, column, scratch);
        if (newline != std::string_view::npos) {
            ++line;
            column = 1;
        } else {
            column += static_cast<uint32_t>(length);
        }
        content.remove_prefix(length);
    }
    return true;
}

std::string processDefinitionText(std::string_view content) {
    std::string text;
    appendDefinitionText(content, text);
    return text;
}

void appendDefinitionText(std::string_view content, std::string& text) {
    PieceScratch scratch;
    appendProcessed(content, text, scratch);
}

size_t loadSharingFrom = size_t{256} << 10;

namespace {

// What is left of the load's text budget.
size_t budgetRoom(const Registries& defs) {
    return defs.textLoaded < limits::maxDefinitionText ? limits::maxDefinitionText - defs.textLoaded
                                                        : 0;
}

}  // namespace

std::string readBudgetedText(Registries& defs, std::string_view dataDir, const std::string& name) {
    // Past what is left of the budget the text is cut, and a device that never ends
    // (/dev/zero) is read no further. The hash is folded in on the way.
    const std::string path = definitionPath(dataDir, name);
    const size_t size = static_cast<size_t>(definitionFileSize(path));
    const size_t room = budgetRoom(defs);
    uint64_t hash = fnvOffset;
    std::string text;
    FileHandle file(std::fopen(path.c_str(), "r"));
    if (file && room > 0) {
        text.reserve((size < room ? size : room) + 1);
        readPieces<false>(file.get(), text, nullptr, room, &hash);
        if (text.size() > room) {
            text.resize(room);
            hash = fnv1a64(text);
        }
        defs.textLoaded += text.size();
    }
    defs.loadedFiles.push_back({name, hash});
    return text;
}

void parseBudgetedText(Registries& defs, std::string_view dataDir, const std::string& name,
                       const TextPartParser& parse) {
    const std::string path = definitionPath(dataDir, name);
    const auto size = static_cast<size_t>(definitionFileSize(path));
    if (size < loadSharingFrom) {
        const std::string text = readBudgetedText(defs, dataDir, name);
        parse(text, 0, true);
        return;
    }
    // The parse only reads the text, so nothing it does depends on when the budget counts
    // it; the file joins the list once its hash is known.
    uint64_t hash = fnvOffset;
    defs.textLoaded += parseWhileReading(path, size, budgetRoom(defs), hash, parse);
    defs.loadedFiles.push_back({name, hash});
}

std::string_view trimBlanks(std::string_view line) {
    size_t first = 0;
    while (first < line.size() && isWhite(line[first])) ++first;
    size_t last = line.size();
    while (last > first && isWhite(line[last - 1])) --last;
    return line.substr(first, last - first);
}

size_t countBlanks(std::string_view text) {
    size_t count = 0;
    size_t i = 0;
    for (; i + 8 <= text.size(); i += 8) {
        uint64_t word;
        std::memcpy(&word, text.data() + i, 8);
        count += countHighBytes(bytesEqual(word, ' '));
    }
    for (; i < text.size(); ++i) count += text[i] == ' ';
    return count;
}

std::string_view nextToken(Cursor& cursor) {
    // Tokens are short: eight bytes at a time while a whole word is left, then bytewise.
    const size_t size = cursor.text.size();
    const size_t start = cursor.pos;
    if (start >= size) return {};
    const char* const text = cursor.text.data();
    size_t blank = start;
    for (;;) {
        if (blank + 8 > size) {
            while (blank < size && text[blank] != ' ') ++blank;
            break;
        }
        uint64_t word;
        std::memcpy(&word, text + blank, 8);
        const uint64_t blanks = bytesEqual(word, ' ');
        if (blanks != 0) {
            blank += static_cast<size_t>(std::countr_zero(blanks)) / 8;
            break;
        }
        blank += 8;
    }
    cursor.pos = blank < size ? blank + 1 : blank;
    return std::string_view(text + start, blank - start);
}

// The text up to the "}" that closes the block just opened; the cursor moves past that
// brace and the one character after it. An unclosed block is the rest of the text.
std::string_view takeBlock(Cursor& cursor) {
    // From each "}" to the next, counting the "{" in between (memchr both ways).
    const size_t size = cursor.text.size();
    const size_t start = cursor.pos < size ? cursor.pos : size;
    const char* const text = cursor.text.data();
    int64_t depth = 1;
    size_t from = start;
    while (from < size) {
        const auto* close = static_cast<const char*>(std::memchr(text + from, '}', size - from));
        const size_t end = close ? static_cast<size_t>(close - text) : size;
        for (const char* open = static_cast<const char*>(std::memchr(text + from, '{', end - from));
             open; open = static_cast<const char*>(
                       std::memchr(open + 1, '{', end - static_cast<size_t>(open + 1 - text))))
            ++depth;
        if (!close) break;
        if (--depth == 0) {
            cursor.pos = end + 2 < size ? end + 2 : size;
            return cursor.text.substr(start, end - start);
        }
        from = end + 1;
    }
    cursor.pos = size;
    return cursor.text.substr(start);
}

// A token read as by atof, restricted to the decimal grammar: optional sign, digits, an
// optional full stop with a fraction, an optional exponent. Hex, "inf" and "nan" are not
// numbers here and read as 0. Overflow gives an infinity, as atof does. The double result
// is rounded to a 32-bit float.
//
// Without an exponent, with at most 15 significant digits (leading zeros do not count)
// and 15 after the full stop, the digits and the power of ten are both exact doubles, so
// one division rounds exactly as strtod would; that case is read in the same pass that
// checks the grammar, anything else is left to the full conversion.
float readFloat(std::string_view token) {
    static constexpr double powers[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                        1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    size_t i = 0;
    const size_t n = token.size();
    while (i < n && isWhite(token[i])) ++i;
    const size_t start = i;
    bool negative = false;
    if (i < n && (token[i] == '+' || token[i] == '-')) negative = token[i++] == '-';
    uint64_t mantissa = 0;
    int significant = 0;  // digits from the first non-zero one on
    int fraction = 0;     // digits after the full stop
    size_t digits = 0;
    // Takes one more digit; past 15 significant ones the full conversion reads the number.
    auto addDigit = [&](char c) {
        mantissa = mantissa * 10 + static_cast<uint64_t>(c - '0');
        significant += mantissa != 0;
        if (significant > 15) {
            mantissa = 0;
            significant = 16;
        }
    };
    for (; i < n && isDigit(token[i]); ++i, ++digits) addDigit(token[i]);
    if (i < n && token[i] == '.') {
        for (++i; i < n && isDigit(token[i]); ++i, ++digits, ++fraction) addDigit(token[i]);
    }
    if (digits == 0) return 0.0f;
    bool exponent = false;
    if (i < n && (token[i] == 'e' || token[i] == 'E')) {
        size_t j = i + 1;
        if (j < n && (token[j] == '+' || token[j] == '-')) ++j;
        if (j < n && isDigit(token[j])) {
            while (j < n && isDigit(token[j])) ++j;
            i = j;
            exponent = true;
        }
    }
    if (!exponent && significant <= 15 && fraction <= 15) {
        double value = static_cast<double>(mantissa);
        if (fraction > 0) value /= powers[fraction];
        return static_cast<float>(negative ? -value : value);
    }
    std::string_view number = token.substr(start, i - start);
    // Only the checked prefix is converted, so hex and words never are. from_chars
    // rounds exactly as strtod does; out of range, strtod gives atof's infinity or zero.
    if (number.front() == '+') number.remove_prefix(1);
    double value = 0;
    auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    static_cast<void>(end);
    if (error != std::errc{}) value = std::strtod(std::string(number).c_str(), nullptr);
    // From half an ulp above the largest float on, rounding gives an infinity.
    constexpr double floatOverflow = 0x1.ffffffp127;
    if (std::fabs(value) >= floatOverflow)
        return value > 0 ? std::numeric_limits<float>::infinity()
                         : -std::numeric_limits<float>::infinity();
    return static_cast<float>(value);
}

// A token read as by atol: leading white space, an optional sign, digits. Overflow
// saturates at the 32-bit range, as a C library with 32-bit long does.
int32_t readInt(std::string_view token) {
    constexpr int64_t limit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
    size_t i = 0;
    const size_t n = token.size();
    while (i < n && isWhite(token[i])) ++i;
    bool negative = false;
    if (i < n && (token[i] == '+' || token[i] == '-')) negative = token[i++] == '-';
    int64_t value = 0;
    for (; i < n && isDigit(token[i]); ++i) {
        value = value * 10 + (token[i] - '0');
        if (value > limit) value = limit;
    }
    if (negative) value = -value;
    if (value > std::numeric_limits<int32_t>::max()) value = std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(value);
}

// After a block keyword: "{" opens the block (long form); NAME "{" gives a header value
// and the block (short form); anything else drops both tokens and takes the block from
// the cursor as if a "{" had just been read.
HeaderBlock takeHeaderBlock(Cursor& cursor) {
    std::string_view first = nextToken(cursor);
    if (!first.empty() && first.front() == '{')
        return {takeBlock(cursor), std::nullopt, first, {}};
    std::string_view second = nextToken(cursor);
    if (!second.empty() && second.front() == '{') return {takeBlock(cursor), first, first, second};
    return {takeBlock(cursor), std::nullopt, first, second};
}
