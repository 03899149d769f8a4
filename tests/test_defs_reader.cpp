// The definition-file reader: line processing, cursor operations and number conversion.
#include "core/hash.h"
#include "defs/defs.h"
#include "tests/support/support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fcntl.h>
#include <limits>
#include <random>
#include <string>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using testing_support::TempDir;

namespace {

// The definition text a file with `content` gives.
std::string readText(std::string_view content) {
    TempDir dir;
    std::string text;
    EXPECT_TRUE(readDefinitionFile(dir.write("f.vec", content), text));
    return text;
}

// Every token of a text, in order.
std::vector<std::string> tokens(std::string_view text) {
    std::vector<std::string> out;
    Cursor cursor{text};
    while (!cursor.atEnd()) out.emplace_back(nextToken(cursor));
    return out;
}

}  // namespace

TEST(Reader, EdgeCaseLines) {
    const std::pair<std::string_view, std::string_view> table[] = {
        {"Model{\n", "model { "},
        {"x1 0.5 // left end\n", "x1 0.5 "},
        {"a//b\n", "a "},
        {"// only a comment\n", ""},
        {"x1\t\t5\n", "x1 5 "},
        {"x1     5\n", "x1 5 "},
        {"NAME Dart\n", "name dart "},
        {"a{b\n", "a {b "},
        {"{{}}\n", "{ { } } "},
        {"  {x}  \n", "{x } "},
        {"a }b\n", "a }b "},
        {"\t \t\n", ""},
        {"a\r\n", "a "},
        {"a\rb\n", "a\rb "},
        {"a \r  b\n", "a \r b "},
        {"\v\f x \v\n", "x "},
        {"A{B}C\n", "a {b }c "},
        {"x /y/ z\n", "x /y/ z "},
    };
    for (const auto& [raw, expected] : table) EXPECT_EQ(readText(raw), expected) << raw;
}

TEST(Reader, SampleModelAndItsBlock) {
    std::string text = readText(
        "Model Dart {            // the player's dart\n"
        "\tline\t0 -0.05   0.03 0.04\n"
        "}\n");
    EXPECT_EQ(text, "model dart { line 0 -0.05 0.03 0.04 } ");
    Cursor cursor{text};
    EXPECT_EQ(nextToken(cursor), "model");
    EXPECT_EQ(nextToken(cursor), "dart");
    EXPECT_EQ(nextToken(cursor), "{");
    EXPECT_EQ(takeBlock(cursor), "line 0 -0.05 0.03 0.04 ");
    EXPECT_TRUE(cursor.atEnd());
}

TEST(Reader, LastLineWithAndWithoutNewlineCountsOnce) {
    EXPECT_EQ(readText("a\nb"), "a b ");
    EXPECT_EQ(readText("a\nb\n"), "a b ");
    EXPECT_EQ(readText("a\n\n\nb\n\n"), "a b ");
}

TEST(Reader, TextInMemoryReadsAsItsFile) {
    TempDir dir;
    const std::string level = testing_support::readWholeFile(std::filesystem::path(QF_SOURCE_DIR) / "data/default.lev");
    for (const std::string& content :
         {level, "model a {\tLINE 0 0 1 1 } // note\r\n" + std::string(3000, 'x') + " }{", std::string()}) {
        const std::string path = dir.write("same.lev", content);
        std::string fromFile, fromMemory;
        SourceMap fileMap, memoryMap;
        ASSERT_TRUE(readDefinitionFile(path, fromFile, &fileMap));
        ASSERT_TRUE(readDefinitionMemory(content, path, fromMemory, &memoryMap));
        EXPECT_EQ(fromMemory, fromFile);
        EXPECT_EQ(memoryMap.path, fileMap.path);
        EXPECT_EQ(memoryMap.line, fileMap.line);
        EXPECT_EQ(memoryMap.column, fileMap.column);
    }
}

TEST(Reader, AFileStreamedInChunksReadsAsOneReaderReadsIt) {
    // Lines of every kind across chunk ends, runs of braces past the streamed text's room,
    // budget cuts among them.
    static const std::string_view lines[] = {
        "Model A{ line 0 0 1 1 }\r\n", "\tx // note\n", std::string_view("a\0b\n", 4), "\n",
        "//\n", "  }{ \t\n", "b", "c\r"};
    std::mt19937 random(9);
    TempDir dir;
    Registries defs;
    const size_t sharingBefore = loadSharingFrom;
    const size_t chunkBefore = textStreamChunk;
    for (int round = 0; round < 300; ++round) {
        std::string content;
        const int count = static_cast<int>(random() % 12);
        for (int k = 0; k < count; ++k) {
            content += lines[random() % std::size(lines)];
            if (random() % 8 == 0) content += std::string(random() % 2500, 'z');
            if (random() % 16 == 0) content += std::string(random() % 2500, '{');
        }
        const std::string path = dir.write("streamed.lev", content);
        const size_t room = round % 3 == 0 ? random() % (content.size() + 2) + 1 : SIZE_MAX;
        std::string expected = processDefinitionText(content).substr(0, room);
        loadSharingFrom = 0;
        textStreamChunk = random() % 2 ? random() % 2000 + 1 : chunkBefore;
        resetRegistries(defs);
        if (room != SIZE_MAX) defs.textLoaded = limits::maxDefinitionText - room;
        std::string shared;
        parseBudgetedText(defs, "", path, [&](std::string_view text, size_t from, bool whole) {
            if (whole) shared = text;
            return whole ? text.size() : from;
        });
        EXPECT_EQ(shared, expected) << "round " << round;
        EXPECT_EQ(defs.loadedFiles.at(0).hash, fnv1a64(expected)) << "round " << round;
    }
    loadSharingFrom = sharingBefore;
    textStreamChunk = chunkBefore;
}

TEST(Reader, EmptyAndAbsentFilesGiveEmptyText) {
    EXPECT_EQ(readText(""), "");
    TempDir dir;
    std::string text = "kept ";
    EXPECT_FALSE(readDefinitionFile((dir.path() / "missing.vec").string(), text));
    EXPECT_EQ(text, "kept ");
    EXPECT_EQ(definitionFileSize((dir.path() / "missing.vec").string()), 0);
    EXPECT_EQ(definitionFileSize(dir.write("s.vec", "12345")), 5);
}

TEST(Reader, AppendsToExistingText) {
    TempDir dir;
    std::string text = "first ";
    EXPECT_TRUE(readDefinitionFile(dir.write("f.vec", "Second\n"), text));
    EXPECT_EQ(text, "first second ");
}

TEST(Reader, ReadOnlyFileLoadsLikeAnyOther) {
    TempDir dir;
    std::string path = dir.write("ro.vec", "Model X {\n}\n");
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    // Root may write to any file; the immutable flag makes even root's writes fail.
    int fd = ::open(path.c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    int flags = 0;
    bool immutable = false;
    if (::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
        int locked = flags | FS_IMMUTABLE_FL;
        immutable = ::ioctl(fd, FS_IOC_SETFLAGS, &locked) == 0;
    }
    const int writable = ::open(path.c_str(), O_RDWR);
    if (writable >= 0) ::close(writable);
    std::string text;
    const bool read = readDefinitionFile(path, text);
    if (immutable) ::ioctl(fd, FS_IOC_SETFLAGS, &flags);
    ::close(fd);
    EXPECT_LT(writable, 0) << "could not make the file read-only for this user";
    EXPECT_TRUE(read);
    EXPECT_EQ(text, "model x { } ");
}

TEST(Reader, LongLinesAreReadIn1023BytePieces) {
    std::string line(1023, 'a');
    EXPECT_EQ(readText(line + "bb\n"), line + " bb ");
    EXPECT_EQ(readText(line + "\n"), line + " ");
    // A "//" cut by the piece boundary is no comment.
    std::string cut = std::string(1022, 'x') + "//y\n";
    EXPECT_EQ(readText(cut), std::string(1022, 'x') + "/ /y ");
    // Leading blanks of the second piece are trimmed like any line's.
    EXPECT_EQ(readText(std::string(1023, 'c') + "   d\n"), std::string(1023, 'c') + " d ");
    // Many pieces and many lines cross the reader's internal buffer without loss.
    std::string big;
    std::string expected;
    for (int i = 0; i < 20000; ++i) {
        big += "Tok" + std::to_string(i) + "\n";
        expected += "tok" + std::to_string(i) + " ";
    }
    EXPECT_EQ(readText(big), expected);
}

TEST(Reader, HighBytesAreNeitherBlanksNorLetters) {
    EXPECT_EQ(readText("\xC3\x89T\xE9 X\xA0Y\xA0\n"), "\xC3\x89t\xE9 x\xA0y\xA0 ");
    auto t = tokens(readText("\x85name\x85 \xFF\n"));
    ASSERT_EQ(t.size(), 2u);
    EXPECT_EQ(t[0], "\x85name\x85");
    EXPECT_EQ(t[1], "\xFF");
    // Zero bytes are ordinary bytes too.
    EXPECT_EQ(readText(std::string("A\0B c\n", 6)), std::string("a\0b c ", 6));
}

TEST(Reader, EveryByteAtEveryPlaceOfAWord) {
    // Plain bytes are read eight at a time: each byte value, at each place of the words
    // around it, must read as it does alone between letters.
    for (int b = 0; b < 256; ++b) {
        const char c = static_cast<char>(b);
        if (c == '\n') continue;
        const bool white = c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
        const bool brace = c == '{' || c == '}';
        for (size_t k = 0; k < 17; ++k) {
            // At the line's start white space is trimmed and a brace needs no blank first.
            std::string middle(1, c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c);
            if (c == ' ' || c == '\t') middle = " ";
            if (brace && k > 0) middle = std::string(" ") + c;
            if (white && k == 0) middle.clear();
            const std::string line = std::string(k, 'Q') + c + std::string(19 - k, 'Q') + "\n";
            const std::string expected =
                std::string(k, 'q') + middle + std::string(19 - k, 'q') + " ";
            EXPECT_EQ(processDefinitionText(line), expected) << "byte " << b << " at " << k;
        }
    }
}

TEST(Reader, SourceMapGivesOriginalLinesAndColumns) {
    TempDir dir;
    std::string text;
    SourceMap map;
    ASSERT_TRUE(readDefinitionFile(dir.write("m.vec", "Model{\n\n  x1\t5 // c\n"), text, &map));
    ASSERT_EQ(text, "model { x1 5 ");
    ASSERT_EQ(map.line.size(), text.size());
    ASSERT_EQ(map.column.size(), text.size());
    EXPECT_EQ(map.line[0], 1u);   // m
    EXPECT_EQ(map.column[0], 1u);
    EXPECT_EQ(map.column[5], 6u);  // blank inserted before the brace
    EXPECT_EQ(map.column[6], 6u);  // {
    EXPECT_EQ(map.line[8], 3u);    // x of x1
    EXPECT_EQ(map.column[8], 3u);
    EXPECT_EQ(map.line[11], 3u);   // 5
    EXPECT_EQ(map.column[11], 6u);
    EXPECT_EQ(map.column[12], 7u); // the blank after the line
    EXPECT_NE(map.path.find("m.vec"), std::string::npos);
}

TEST(Reader, SourceMapCountsColumnsAcrossPieces) {
    TempDir dir;
    std::string text;
    SourceMap map;
    ASSERT_TRUE(readDefinitionFile(dir.write("p.vec", std::string(1023, 'a') + "b\nc"), text, &map));
    ASSERT_EQ(text.size(), 1024u + 2 + 2);
    EXPECT_EQ(map.column[1024], 1024u);  // b
    EXPECT_EQ(map.line[1026], 2u);       // c
}

TEST(Reader, TrimBlanks) {
    EXPECT_EQ(trimBlanks(" \t\r\n\v\fab c \n"), "ab c");
    EXPECT_EQ(trimBlanks("   "), "");
    EXPECT_EQ(trimBlanks(""), "");
    EXPECT_EQ(trimBlanks("\xA0x\xA0"), "\xA0x\xA0");
}

TEST(Reader, NextToken) {
    Cursor cursor{"ab c "};
    EXPECT_EQ(nextToken(cursor), "ab");
    EXPECT_EQ(nextToken(cursor), "c");
    EXPECT_TRUE(cursor.atEnd());
    EXPECT_EQ(nextToken(cursor), "");
    EXPECT_EQ(cursor.pos, 5u);
    Cursor tail{"x yz"};
    nextToken(tail);
    EXPECT_EQ(nextToken(tail), "yz");
    EXPECT_TRUE(tail.atEnd());
    // Tokens of every length up to two words, of bytes one bit away from a blank, split
    // and counted at every place in the eight-byte words.
    std::string text;
    std::vector<std::string> tokens;
    for (size_t length = 1; length <= 17; ++length) {
        tokens.emplace_back(length, length % 2 ? '!' : '\xa0');
        text += tokens.back() + ' ';
    }
    EXPECT_EQ(countBlanks(text), tokens.size());
    EXPECT_EQ(countBlanks(text.substr(3)), tokens.size() - 1);
    Cursor words{text};
    for (const std::string& token : tokens) EXPECT_EQ(nextToken(words), token);
    EXPECT_TRUE(words.atEnd());
}

TEST(Reader, TakeBlockCases) {
    // A nested block followed by one more token.
    Cursor nested{"{ a { b } c } d "};
    nextToken(nested);
    EXPECT_EQ(takeBlock(nested), "a { b } c ");
    EXPECT_EQ(nextToken(nested), "d");
    // Braces inside tokens count too.
    Cursor inside{"x{ y} } z "};
    EXPECT_EQ(takeBlock(inside), "x{ y} ");
    EXPECT_EQ(nextToken(inside), "z");
    // The cursor skips exactly one character after the closing brace.
    Cursor glued{"a }bc "};
    EXPECT_EQ(takeBlock(glued), "a ");
    EXPECT_EQ(nextToken(glued), "c");
    // Unclosed: the rest of the text, cursor at the end.
    Cursor open{"a { b "};
    EXPECT_EQ(takeBlock(open), "a { b ");
    EXPECT_TRUE(open.atEnd());
    // A closing brace as the very last byte.
    Cursor last{"a }"};
    EXPECT_EQ(takeBlock(last), "a ");
    EXPECT_TRUE(last.atEnd());
    Cursor empty{""};
    EXPECT_EQ(takeBlock(empty), "");
}

TEST(Reader, HeaderRule) {
    Cursor longForm{"{ name a } rest "};
    HeaderBlock l = takeHeaderBlock(longForm);
    EXPECT_EQ(l.block, "name a ");
    EXPECT_FALSE(l.header);
    EXPECT_EQ(nextToken(longForm), "rest");

    Cursor shortForm{"wave1 { x } rest "};
    HeaderBlock s = takeHeaderBlock(shortForm);
    EXPECT_EQ(s.block, "x ");
    ASSERT_TRUE(s.header);
    EXPECT_EQ(*s.header, "wave1");
    EXPECT_EQ(nextToken(shortForm), "rest");

    // Neither token opens a block: both are dropped and the block runs to the first
    // brace that closes more than it opens.
    Cursor neither{"a b line 0 } rest "};
    HeaderBlock n = takeHeaderBlock(neither);
    EXPECT_EQ(n.block, "line 0 ");
    EXPECT_FALSE(n.header);
    EXPECT_EQ(nextToken(neither), "rest");

    // A token that begins with a brace opens the block; the rest of it is lost.
    Cursor glued{"{b x } rest "};
    EXPECT_EQ(takeHeaderBlock(glued).block, "x ");
}

TEST(Reader, ReadFloatFollowsTheDecimalGrammar) {
    EXPECT_FLOAT_EQ(readFloat("1.9"), 1.9f);
    EXPECT_EQ(readFloat("2e3"), 2000.0f);
    EXPECT_EQ(readFloat("-.5e1"), -5.0f);
    EXPECT_EQ(readFloat(".5"), 0.5f);
    EXPECT_EQ(readFloat("5."), 5.0f);
    EXPECT_EQ(readFloat("+3"), 3.0f);
    EXPECT_EQ(readFloat("12abc"), 12.0f);
    EXPECT_EQ(readFloat("1e"), 1.0f);
    EXPECT_EQ(readFloat("1e+"), 1.0f);
    EXPECT_EQ(readFloat("1E2"), 100.0f);
    EXPECT_EQ(readFloat("\v7"), 7.0f);
    EXPECT_EQ(readFloat("0.1"), static_cast<float>(0.1));
    for (std::string_view zero : {"", "-", ".", "abc", "nan", "inf", "infinity", "-inf", "e5",
                                  "0x10", "1e-50"})
        EXPECT_EQ(readFloat(zero), 0.0f) << zero;
    EXPECT_EQ(readFloat("0x10"), 0.0f);
    EXPECT_EQ(readFloat("1e999"), std::numeric_limits<float>::infinity());
    EXPECT_EQ(readFloat("-1e999"), -std::numeric_limits<float>::infinity());
    EXPECT_EQ(readFloat("1e39"), std::numeric_limits<float>::infinity());
    // Rounded from the double value, not parsed as a float directly.
    EXPECT_EQ(readFloat("0.3"), static_cast<float>(0.3));
    EXPECT_EQ(readFloat(std::string(400, '9')), std::numeric_limits<float>::infinity());
}

TEST(Reader, ReadFloatOfShortDecimalsRoundsAsStrtod) {
    // Short decimals take a quicker way than long ones; both must round alike.
    std::vector<std::string> tokens = {"-0", "-0.0", "999999999999999", "9999999999999999",
                                       "0.000000000000001", "0.0000000000000001",
                                       "123456789.012345", "1.00000000000000000001", "0.02",
                                       "1e", "+3", ".5", "5.", "1e-46", "3.4028236e38",
                                       "-3.4028234e38", "0000000000000000000001.25",
                                       "1234567890123456.5", "-.000000000000000001",
                                       "0.123456789012345", "0.1234567890123456",
                                       "100000000000000000000000"};
    uint64_t seed = 12345;
    for (int k = 0; k < 20000; ++k) {
        seed = seed * 6364136223846793005u + 1442695040888963407u;
        const std::string digits = std::to_string(seed >> (seed % 40 + 4));
        const size_t point = (seed >> 8) % (digits.size() + 1);
        tokens.push_back((k % 2 ? "-" : "") + digits.substr(0, point) + "." + digits.substr(point));
    }
    for (const std::string& token : tokens) {
        const auto expected = static_cast<float>(std::strtod(token.c_str(), nullptr));
        EXPECT_EQ(std::signbit(readFloat(token)), std::signbit(expected)) << token;
        EXPECT_EQ(readFloat(token), expected) << token;
    }
}

TEST(Reader, ReadIntLikeAtolWith32BitSaturation) {
    EXPECT_EQ(readInt("1.9"), 1);
    EXPECT_EQ(readInt("2e3"), 2);
    EXPECT_EQ(readInt("-12"), -12);
    EXPECT_EQ(readInt("+5"), 5);
    EXPECT_EQ(readInt("\t 42x"), 42);
    EXPECT_EQ(readInt("x42"), 0);
    EXPECT_EQ(readInt(""), 0);
    EXPECT_EQ(readInt("-"), 0);
    EXPECT_EQ(readInt("2147483647"), 2147483647);
    EXPECT_EQ(readInt("2147483648"), 2147483647);
    EXPECT_EQ(readInt("-2147483648"), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(readInt("-2147483649"), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(readInt("99999999999999999999"), 2147483647);
    EXPECT_EQ(readInt(std::string(1000, '9')), 2147483647);
    EXPECT_EQ(readInt("-" + std::string(1000, '9')), std::numeric_limits<int32_t>::min());
}

TEST(Grammar, LoadOrderAndReadableFiles) {
    EXPECT_EQ(levelFilesToLoad({}), std::vector<std::string>{"default.lev"});
    const std::vector<std::string> named = {"b.lev", "a.lev"};
    EXPECT_EQ(levelFilesToLoad(named), named);
    TempDir dir;
    EXPECT_TRUE(readableFile(dir.write("x.lev", "model a { }")));
    EXPECT_FALSE(readableFile(dir.path().string()));  // a folder is not a file
    EXPECT_FALSE(readableFile((dir.path() / "absent.lev").string()));
    EXPECT_EQ(shortFormKeys(BlockKind::Line).size(), 4u);
    EXPECT_EQ(shortFormKeys(BlockKind::Colour).size(), 3u);
    EXPECT_EQ(shortFormKeys(BlockKind::Alpha).size(), 1u);
    EXPECT_TRUE(shortFormKeys(BlockKind::Ship).empty());
}
