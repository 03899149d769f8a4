// The reference pass after each file: visiting only the parameters a new name can reach
// leaves every index exactly as visiting every parameter of every Script would, over
// hundreds of files (file tags repeating past 255) and names that look like tags.
#include "core/game_state.h"
#include "core/limits.h"
#include "defs/defs.h"
#include "tests/support/defs_dump.h"
#include "tests/support/support.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

// The straightforward pass: every parameter of every Script, every time.
void visitEveryParameter() {
    auto& defs = game.defs;
    const std::string tag = fileTag(defs.fileOrdinal);
    for (Script& script : defs.scriptRegistry) {
        for (Command& command : script.commands) {
            for (SpawnParam& param : command.params) {
                const std::string plain = param.text.substr(0, nameCut);
                if (param.modelIndex == 0)
                    if (const NameSpan* span = findName(defs.modelNames, plain))
                        param.modelIndex = span->first;
                if (param.scriptIndex == 0)
                    if (const NameSpan* span = findName(defs.scriptNames, plain))
                        param.scriptIndex = span->first;
                const std::string tagged = plain + tag;
                if (param.modelIndex == 0)
                    if (const NameSpan* span = findName(defs.modelNames, tagged))
                        param.modelIndex = span->last;
                if (param.scriptIndex == 0)
                    if (const NameSpan* span = findName(defs.scriptNames, tagged))
                        param.scriptIndex = span->last;
            }
        }
    }
}

// Every parameter's two indices, in registry order.
std::vector<uint32_t> allIndices() {
    std::vector<uint32_t> out;
    for (const Script& script : game.defs.scriptRegistry)
        for (const Command& command : script.commands)
            for (const SpawnParam& param : command.params) {
                out.push_back(param.modelIndex);
                out.push_back(param.scriptIndex);
            }
    return out;
}

// A random definition text in reader form: lower case, single blanks, a final blank.
std::string randomFile(std::mt19937& random) {
    static const char* const pool[] = {"a", "b", "rock", "1", "2", "7", "x\x01\x02", "y\x01\x05",
                                       "abcdefghijklmnopqrstuvwxyzabcd"};
    auto name = [&] { return std::string(pool[random() % std::size(pool)]); };
    std::string text;
    const int blocks = static_cast<int>(random() % 4);
    for (int k = 0; k < blocks; ++k) {
        switch (random() % 4) {
        case 0: text += "model " + name() + " { line 0 0 1 1 } "; break;
        case 1:
            text += "script " + name() + " { cmd spawn { model " + name() + " onspawn " + name() +
                    " x " + name() + " ondie { cmd alter { model " + name() + " } } } } ";
            break;
        case 2: text += "script { cmd trigger { id " + name() + " } } "; break;
        default: text += "stage 3 { event 1 { cmd spawn { model " + name() + " } } } "; break;
        }
    }
    return text;
}

// Loads the texts one after another as files, with the given reference pass. After every
// third file a Script is put in the registry by hand, around its inline one, as a tool might.
std::vector<std::vector<uint32_t>> loadAll(const std::vector<std::string>& texts, bool everyParameter) {
    resetGameState();
    resetRegistries();
    std::vector<std::vector<uint32_t>> after;
    for (const std::string& text : texts) {
        parseTopLevel(game.defs, text);
        if (after.size() % 3 == 2) {
            Script byHand = parseScriptBlock(
                game.defs, "cmd spawn { model rock onhit { cmd alter { model b } } x 7 } ");
            byHand.name = "a";
            indexName(game.defs.scriptNames, byHand.name,
                      static_cast<uint32_t>(game.defs.scriptRegistry.size()));
            game.defs.scriptRegistry.push_back(std::move(byHand));
            if (after.size() % 2 == 0) parseTopLevel(game.defs, "script { cmd spawn { x b } } ");
        }
        if (everyParameter) visitEveryParameter();
        else resolveReferences(game.defs);
        ++game.defs.fileOrdinal;
        after.push_back(allIndices());
    }
    return after;
}

// Raw file content with `count` scripts and models named after `prefix`: each script names
// models and scripts defined after it, in an earlier file (prefix "a") and nowhere.
std::string levelText(int count, const std::string& prefix) {
    std::string text = "// scripts ahead of their models\r\n";
    for (int i = 0; i < count; ++i) {
        const std::string n = std::to_string(i);
        const std::string later = std::to_string((i * 7 + 3) % count);
        text += "script " + prefix + "w" + n + " {\n\tcmd spawn { model " + prefix + "r" + later +
                " onhit " + prefix + "w" + later + " ondie aw" + n + " x 0.5 }  // ahead\r\n"
                "  cmd trigger { id none" + n + " } cmd alter { model ar" + n + " onspawn { cmd "
                "spawn { model br" + n + " count 2 } } }\n}\nMODEL " + prefix + "r" + n +
                " { line 0 0 1 1 }\n";
    }
    return text;
}

// Writes down every call a load makes to its observer, with what it is handed.
struct CallLog final : LoadObserver {
    std::string calls;
    void blockOpened(BlockKind kind, std::string_view keyword, const HeaderBlock& block,
                     bool shortForm) override {
        calls += "open " + std::to_string(static_cast<int>(kind)) + " " + std::string(keyword) +
                 "|" + std::string(block.first) + "|" + std::string(block.second) + "|" +
                 std::to_string(block.block.size()) + (shortForm ? "|short\n" : "\n");
    }
    void blockClosed(BlockKind kind) override {
        calls += "close " + std::to_string(static_cast<int>(kind)) + "\n";
    }
    void tokenSkipped(std::string_view token) override {
        calls += "skip " + std::string(token) + "\n";
    }
    void valueRead(std::string_view key, std::string_view value, ValueKind) override {
        calls += "value " + std::string(key) + " " + std::string(value) + "\n";
    }
    void paramRead(std::string_view name, std::string_view value) override {
        calls += "param " + std::string(name) + " " + std::string(value) + "\n";
    }
    void paramDropped(std::string_view name) override {
        calls += "drop " + std::string(name) + "\n";
    }
    void inlineSkipped(std::string_view name, std::string_view, std::string_view block) override {
        calls += "inline " + std::string(name) + " " + std::to_string(block.size()) + "\n";
    }
    void commandParsed(const Command&) override { calls += "command\n"; }
    void commandPlaced(int64_t slot, bool kept) override {
        calls += "placed " + std::to_string(slot) + (kept ? "\n" : " dropped\n");
    }
};

// Loads the files one after another, with loading and the reference pass shared from
// `sharingFrom` bytes and parameters, streamed text read `chunk` bytes at a time and
// `room` bytes of the text budget left (a ".vec" file is loaded as the font), and dumps
// everything the load filled and every call it made to its observer.
std::string loadFiles(const std::vector<std::string>& paths, size_t sharingFrom,
                      size_t chunk = textStreamChunk, size_t room = limits::maxDefinitionText) {
    const size_t bytesBefore = loadSharingFrom;
    const size_t paramsBefore = referenceSharingFrom;
    const size_t chunkBefore = textStreamChunk;
    loadSharingFrom = sharingFrom;
    referenceSharingFrom = sharingFrom;
    textStreamChunk = chunk;
    resetGameState();
    resetRegistries();
    game.defs.textLoaded = limits::maxDefinitionText - room;
    CallLog log;
    game.defs.observer = &log;
    for (const std::string& path : paths) {
        if (path.ends_with(".vec")) loadFontFile(path);
        else loadDefinitionFile(path);
    }
    game.defs.observer = nullptr;
    loadSharingFrom = bytesBefore;
    referenceSharingFrom = paramsBefore;
    textStreamChunk = chunkBefore;
    return testing_support::dumpRegistries() + testing_support::dumpLoadState(game.defs) +
           log.calls;
}

}  // namespace

TEST(References, ASharedLoadFillsWhatALoadAloneDoes) {
    // The second file carries a tag: its names reach its own models only tagged.
    testing_support::TempDir dir;
    std::mt19937 random(5);
    const std::vector<std::string> paths = {
        dir.write("first.lev",
                  levelText(1500, "a") + testing_support::randomDefinitionText(random, 20000)),
        dir.write("second.lev", levelText(1000, "b"))};
    const std::string alone = loadFiles(paths, SIZE_MAX);
    EXPECT_EQ(loadFiles(paths, 0), alone);
    EXPECT_NE(alone.find("file " + paths[1] + " "), std::string::npos);
    EXPECT_EQ(game.defs.scriptRegistry.size() >= 2500u, true);
}

TEST(References, AStreamedLoadInSmallChunksFillsWhatALoadAloneDoes) {
    // Blocks, lines over a piece long, CR LF, comments, a run of braces that outgrows the
    // streamed text's room, an unclosed last block and the budget's cut straddle the ends
    // of chunks of a few bytes.
    testing_support::TempDir dir;
    std::mt19937 random(8);
    const std::string first = levelText(40, "a") + "model long " + std::string(1500, 'q') +
                              " {\r\n line 0 0 1 1 } " + std::string(15000, '{') +
                              std::string(15000, '}') + "\n" + levelText(20, "c") +
                              testing_support::randomDefinitionText(random, 2000) +
                              "\nscript tail { cmd spawn { model ar1 // open\r\n x 2";
    const std::vector<std::string> paths = {
        dir.write("glyphs.vec", "MODEL syma {\r\n line 0 0 1 1 } x model symb { line 1 1 0 " +
                                    std::string(1100, '2') + " }\n model symc { line"),
        dir.write("chunks.lev", first), dir.write("after.lev", levelText(30, "b"))};
    const size_t firstText = processDefinitionText(first).size();
    for (size_t chunk : {1, 7, 300, 5000}) {
        for (size_t room : {limits::maxDefinitionText, firstText / 3, firstText + 900}) {
            const std::string alone = loadFiles(paths, SIZE_MAX, chunk, room);
            // Compared whole: a difference in dumps this long would take minutes to print.
            EXPECT_TRUE(loadFiles(paths, 0, chunk, room) == alone) << chunk << " " << room;
        }
    }
}

TEST(References, OnlyReachableParametersChangeAndTheResultIsTheSame) {
    for (uint32_t seed : {1u, 2u, 3u}) {
        std::mt19937 random(seed);
        std::vector<std::string> texts;
        for (int file = 0; file < 300; ++file) texts.push_back(randomFile(random));
        const auto expected = loadAll(texts, true);
        const auto actual = loadAll(texts, false);
        // Every pass shared between two threads, Scripts put in by hand among them.
        const size_t sharingBefore = referenceSharingFrom;
        referenceSharingFrom = 0;
        const auto shared = loadAll(texts, false);
        referenceSharingFrom = sharingBefore;
        ASSERT_EQ(shared, expected) << "seed " << seed;
        ASSERT_EQ(expected.size(), actual.size());
        size_t resolved = 0;
        for (size_t f = 0; f < expected.size(); ++f) {
            ASSERT_EQ(expected[f], actual[f]) << "seed " << seed << " after file " << f;
        }
        for (uint32_t index : expected.back()) resolved += index != 0 ? 1 : 0;
        EXPECT_GT(resolved, 100u);
    }
}

TEST(References, ManyFilesAfterManyParametersStayCheap) {
    resetGameState();
    resetRegistries();
    // One file with 200000 parameters that never resolve, then 2000 files: visiting every
    // parameter after every file would be 400 million lookups.
    std::string big = "script { cmd spawn { ";
    for (int k = 0; k < 200000; ++k) big += "x 0.5 ";
    big += "} } ";
    parseTopLevel(game.defs, big);
    resolveReferences(game.defs);
    ++game.defs.fileOrdinal;
    for (int file = 0; file < 2000; ++file) {
        parseTopLevel(game.defs, file % 7 == 0 ? "model a { } script b { } " : "");
        resolveReferences(game.defs);
        ++game.defs.fileOrdinal;
    }
    EXPECT_EQ(game.defs.references.models.firstByKey.size(), 1u);
    EXPECT_EQ(game.defs.references.models.entries.size(), 200000u);
    EXPECT_EQ(game.defs.fileOrdinal, 2001);
}
