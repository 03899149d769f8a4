// The load observer: it is told about every token the loaders read or skip, and having
// one installed changes nothing the loaders fill.
#include "tests/support/defs_dump.h"
#include "tests/support/support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <vector>

using testing_support::dumpRegistries;
using testing_support::randomDefinitionText;
using testing_support::TempDir;

namespace {

// Records the text offset of every token view it is told about, the closing brace of
// every block, and which tokens were skipped.
struct CoverageObserver final : LoadObserver {
    std::string_view text;
    std::set<size_t> consumed, skipped;
    std::vector<std::string_view> blocks;  // enclosing block views, innermost last
    std::vector<BlockKind> kinds;
    int opened = 0, closed = 0, commands = 0, placed = 0;

    // Notes a view that points into the text.
    void note(std::string_view view, std::set<size_t>& into) {
        if (view.empty() || view.data() < text.data() || view.data() >= text.data() + text.size())
            return;
        into.insert(static_cast<size_t>(view.data() - text.data()));
    }
    // Notes a block's closing brace, when it has one inside the enclosing block.
    void noteClosing(std::string_view block) {
        if (block.data() == nullptr) return;
        const size_t end = static_cast<size_t>(block.data() - text.data()) + block.size();
        size_t enclosing = text.size();
        if (!blocks.empty() && blocks.back().data() != nullptr)
            enclosing = static_cast<size_t>(blocks.back().data() - text.data()) + blocks.back().size();
        if (end < enclosing) {
            EXPECT_EQ(text[end], '}');
            consumed.insert(end);
        }
    }
    void blockOpened(BlockKind kind, std::string_view keyword, const HeaderBlock& block,
                     bool shortForm) override {
        ++opened;
        note(keyword, consumed);
        kinds.push_back(kind);
        if (shortForm) {
            blocks.push_back(blocks.empty() ? text : blocks.back());
            return;
        }
        note(block.first, consumed);
        note(block.second, consumed);
        noteClosing(block.block);
        blocks.push_back(block.block);
    }
    void blockClosed(BlockKind kind) override {
        ++closed;
        ASSERT_FALSE(kinds.empty());
        EXPECT_EQ(kinds.back(), kind);
        kinds.pop_back();
        blocks.pop_back();
    }
    void tokenSkipped(std::string_view token) override { note(token, skipped); }
    void valueRead(std::string_view keyword, std::string_view value, ValueKind) override {
        note(keyword, consumed);
        note(value, consumed);
    }
    void paramRead(std::string_view name, std::string_view value) override {
        note(name, consumed);
        note(value, consumed);
    }
    void paramDropped(std::string_view name) override { note(name, consumed); }
    void inlineSkipped(std::string_view name, std::string_view value, std::string_view block) override {
        note(name, consumed);
        note(value, consumed);
        noteClosing(block);
        for (size_t i = 0; i < block.size(); ++i) {
            const size_t at = static_cast<size_t>(block.data() - text.data()) + i;
            if (text[at] != ' ' && (at == 0 || text[at - 1] == ' ')) consumed.insert(at);
        }
    }
    void commandParsed(const Command&) override { ++commands; }
    void commandPlaced(int64_t, bool) override { ++placed; }
    // A channel's MML: every token in it and its quotes.
    void musicChannelRead(std::string_view mml, const MmlChannel&) override {
        if (mml.data() == nullptr) return;
        const size_t first = static_cast<size_t>(mml.data() - text.data());
        const size_t end = std::min(text.size(), first + mml.size() + 1);
        for (size_t at = first > 0 ? first - 1 : 0; at < end; ++at)
            if (text[at] != ' ' && (at == 0 || text[at - 1] == ' ')) consumed.insert(at);
    }
};

// Offsets where a token of the definition text begins.
std::vector<size_t> tokenStarts(std::string_view text) {
    std::vector<size_t> starts;
    for (size_t i = 0; i < text.size(); ++i)
        if (text[i] != ' ' && (i == 0 || text[i - 1] == ' ')) starts.push_back(i);
    return starts;
}

// Loads `raw` as a level file (or font) with and without the observer; expects the same
// registries and every token accounted for, none both skipped and read.
void expectCovered(const std::string& raw, bool font, const std::string& label) {
    TempDir dir;
    const std::string path = dir.write("file.vec", raw);
    std::string text;
    readDefinitionFile(path, text);

    resetGameState();
    resetRegistries();
    if (font) loadFontText(game.defs, text);
    else loadDefinitionText(game.defs, text);
    const std::string plain = dumpRegistries();

    resetGameState();
    resetRegistries();
    CoverageObserver observer;
    observer.text = text;
    game.defs.observer = &observer;
    if (font) loadFontText(game.defs, text);
    else loadDefinitionText(game.defs, text);
    game.defs.observer = nullptr;
    ASSERT_EQ(dumpRegistries(), plain) << label;
    EXPECT_EQ(observer.opened, observer.closed) << label;
    EXPECT_TRUE(observer.kinds.empty()) << label;
    for (size_t start : tokenStarts(text)) {
        const bool read = observer.consumed.count(start) > 0;
        const bool skipped = observer.skipped.count(start) > 0;
        EXPECT_TRUE(read || skipped) << label << ": token at " << start << " '"
                                     << text.substr(start, 20) << "' was never reported";
        EXPECT_FALSE(read && skipped) << label << ": token at " << start << " both read and skipped";
    }
}

}  // namespace

TEST(LoadObserver, ReportsEveryTokenOfTheTrickyCases) {
    const std::vector<std::string> cases = {
        "model dart {\n color 255 200 0\n line 0 -0.05 0.03 0.04\n line { x1 0.03 y1 0.04 x2 -0.03 }\n"
        " alpha 128\n hitc 0 0 0.02\n color { g 9 q 1 }\n}\n",
        "model rock { line 0 0 1 hitc 0 0 0.02 nme x }\n",
        "modle junk { line 0 0 1 1 }\nmodel a b line 0 0 1 1 }\n}\n",
        "ship arrow { model dart shot1 zap shot3 b bomb }\n",
        "script s { cmd spawn { model rock ondie { cmd spawn { count 8 } } x } cmd }\n",
        "script { name w command spawn { cmd trigger id 3 } command { x 1 cmd } }\n",
        "stage 600 { event 0 { cmd spawn { } } event 120 { frame 180 cmd spawn { } } event { } }\n",
        "stage { event 5 { cmd spawn { } } length 10 length 5 junk }\n",
        "script s { cmd spawn {x 1 }y 2 }\nscript t}z { }\n",
        "script u { cmd spawn { onhit {x cmd remove { } } } }\n",
        "model",
        "script s { cmd spawn { x 1 onleave { cmd alter { spd 1 }",
        "sound s { wave saw freq 9 fraq 2 } music m { tempo 90 channel s \"o5 c d\" channel s e "
        "junk channel t \"c\"} music { channel",
    };
    for (size_t i = 0; i < cases.size(); ++i) expectCovered(cases[i], false, "case " + std::to_string(i));
}

TEST(LoadObserver, ReportsEveryTokenOfAFontFile) {
    expectCovered("// font\nmodel sym_ { }\nmodel syma { line 0 0.5 0.25 -0.5 }\nstray 3\nmodel sym1 1 2 }\n",
                  true, "font");
}

TEST(LoadObserver, ReportsEveryTokenOfRandomText) {
    std::mt19937 rng(20240611);
    for (int round = 0; round < 300; ++round) {
        const std::string raw = randomDefinitionText(rng, 20 + static_cast<size_t>(round));
        expectCovered(raw, round % 7 == 6, "round " + std::to_string(round) + ":\n" + raw);
        if (HasFailure()) return;
    }
}

TEST(LoadObserver, ReportsInlineBlocksSkippedForDepth) {
    std::string raw = "script deep { ";
    for (int i = 0; i < limits::maxBlockDepth + 2; ++i) raw += "cmd spawn { onhit { ";
    for (int i = 0; i < limits::maxBlockDepth + 2; ++i) raw += "} } ";
    raw += "}\n";
    expectCovered(raw, false, "deep");
}

TEST(LoadObserver, ShippedDataIsReportedTokenForToken) {
    const std::string dir = std::string(QF_SOURCE_DIR) + "/data/";
    std::string text;
    ASSERT_TRUE(readDefinitionFile(dir + "base.vec", text))
        << "the shipped data is missing: cannot read " << dir << "base.vec";
    for (const char* name : {"base.vec", "default.lev", "font.vec"}) {
        std::string raw;
        std::FILE* file = std::fopen((dir + name).c_str(), "rb");
        ASSERT_NE(file, nullptr) << name;
        char buffer[4096];
        size_t got = 0;
        while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) raw.append(buffer, got);
        std::fclose(file);
        expectCovered(raw, std::string(name) == "font.vec", name);
    }
}
