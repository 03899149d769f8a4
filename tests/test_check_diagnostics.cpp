// quillfray-check diagnostics: every warning has a small file that triggers it, at the
// place marked '@', and a corrected file that passes without any warning.
#include "tests/check_helpers.h"

#include <gtest/gtest.h>

using check_test::cleanBase;
using check_test::cleanFont;
using check_test::Found;
using check_test::listing;
using check_test::runOn;

namespace {

// Which file a case writes its snippet into.
enum class Into { Base, Level, Font };

// A file with a fault at '@' (or line 0 when unmarked), what the warning says, and the
// file corrected.
struct Case {
    const char* label;
    Into into;
    std::string bad;
    std::string says;
    std::string good;
    std::string level = {};                // a level file besides a Base snippet
};

// The lines of `text` before its end (its line count when it ends with a newline).
uint32_t linesOf(const std::string& text) {
    return static_cast<uint32_t>(std::count(text.begin(), text.end(), '\n'));
}

// Runs one case's snippet; `marked` receives the marker's line and column (0, 0 if none).
std::vector<Found> runSnippet(const Case& c, std::string snippet, uint32_t& line, uint32_t& column) {
    line = column = 0;
    const size_t marker = snippet.find('@');
    if (marker != std::string::npos) {
        const std::string before = snippet.substr(0, marker);
        line = 1 + linesOf(before);
        const size_t lineStart = before.rfind('\n');
        column = static_cast<uint32_t>(marker - (lineStart == std::string::npos ? 0 : lineStart + 1)) + 1;
        snippet.erase(marker, 1);
    }
    switch (c.into) {
    case Into::Base:
        if (line > 0) line += linesOf(cleanBase);
        return runOn(cleanBase + snippet, cleanFont, {c.level});
    case Into::Level: return runOn(cleanBase, cleanFont, {snippet});
    case Into::Font:
        if (line > 0) line += linesOf(cleanFont);
        return runOn(cleanBase, cleanFont + snippet, {""});
    }
    return {};
}

// The file name a case's warning is expected in.
std::string fileOf(Into into) {
    return into == Into::Base ? "base.vec" : into == Into::Level ? "default.lev" : "font.vec";
}

const std::string deepInline = [] {
    std::string s = "script deep { ";
    for (int i = 0; i < limits::maxBlockDepth; ++i) s += "cmd spawn { onhit {\n";
    s += "cmd spawn { @onhit { } }\n";
    for (int i = 0; i < limits::maxBlockDepth; ++i) s += "} }\n";
    return s + "}\n";
}();

// Eight channels: as many as a music block plays.
const std::string eight = [] {
    std::string s;
    for (size_t i = 0; i < limits::maxMusicChannels; ++i) s += "channel s c ";
    return s;
}();

const std::vector<Case> cases = {
    // tokens skipped by each parser
    {"top level", Into::Level, "@modle rock { }\n", "'modle' is not a keyword of the top level and is skipped, with the 3 tokens after it (did you mean 'model'?)", "model rock { }\n"},
    {"stray brace", Into::Level, "model rock { }\n@}\n", "'}' closes no block here", "model rock { }\n"},
    {"model block", Into::Level, "model rock { @nme rock }\n", "'nme' is not a keyword of the model block and is skipped, with the 1 token after it (did you mean 'name'?)", "model rock { name rock }\n"},
    {"line block", Into::Level, "model rock { line { x1 1 @z 2 } }\n", "'z' is not a keyword of the line block", "model rock { line { x1 1 y1 2 } }\n"},
    {"color block", Into::Level, "model rock { color { r 1 @q 2 } }\n", "'q' is not a keyword of the color block", "model rock { color { r 1 g 2 } }\n"},
    {"ship block", Into::Base, "ship b { model dart @shot3 zap }\n", "'shot3' is not a keyword of the ship block and is skipped, with the 1 token after it (did you mean 'shot1'?)", "ship b { model dart shot2 zap }\n"},
    {"script block", Into::Level, "script s { @junk }\n", "'junk' is not a keyword of the script block", "script s { }\n"},
    {"stage block", Into::Level, "stage 10 { @junk }\n", "'junk' is not a keyword of the stage block", "stage 10 { }\n"},
    {"event block", Into::Level, "stage 10 { event 1 { @junk } }\n", "'junk' is not a keyword of the event block", "stage 10 { event 1 { } }\n"},
    {"font top level", Into::Font, "@stray\n", "'stray' is not a keyword of the font file's top level", ""},
    {"dangling parameter", Into::Level, "script s { cmd spawn { @count } }\n", "'count' has no value before the end of the command block and is dropped", "script s { cmd spawn { count 2 } }\n"},
    {"stray opening brace", Into::Level, "@{ }\n", "'{' opens no block here (no block keyword before it) and is skipped, with the 1 token after it", ""},
    {"value missing", Into::Level, "model rock { line { x1 0 @y1 } }\n", "'y1' has no value before the end of the block: it reads as 0", "model rock { line { x1 0 y1 1 } }\n"},
    {"name is a keyword", Into::Level, "model rock { name @line }\n", "'name' takes the keyword 'line' as its value", "model rock { name stone }\n"},
    {"cmd without word", Into::Level, "script s { command spawn { x 1 @cmd } }\n", "'cmd' has no word after it", "script s { command spawn { x 1 } }\n"},
    {"stage length not a number", Into::Level, "stage @abc { }\n", "stage length 'abc' is not a number and reads as 0", "stage 60 { }\n"},
    // short forms, headers, blocks
    {"short form swallows", Into::Level, "model rock { line 0 0 1 @hitc 0 0 1 }\n", "the short form of 'line' needs 4 values and takes 'hitc' as its 4th (read as 0): that 'hitc' element is lost", "model rock { line 0 0 1 1 hitc 0 0 1 }\n"},
    {"short form ends", Into::Level, "model rock { @line 0 0 1 }\n", "the short form of 'line' ends after 3 of its 4 values", "model rock { line 0 0 1 1 }\n"},
    {"short form number", Into::Level, "model rock { line 0 0 @a 1 }\n", "the short form of 'line' value 'a' is not a number and reads as 0", "model rock { line 0 0 1 1 }\n"},
    {"keyword as value", Into::Level, "model rock { line { x1 @y1 1 } }\n", "'x1' takes the keyword 'y1' as its value", "model rock { line { x1 0 y1 1 } }\n"},
    {"colour range", Into::Level, "model rock { color @300 0 0 }\n", "colour channel value 300 is outside 0 to 255", "model rock { color 255 0 0 }\n"},
    {"never closes", Into::Level, "@script s { cmd spawn { }\n", "this script block never closes: it takes the rest of the file", "script s { cmd spawn { } }\n"},
    {"header dropped", Into::Level, "@script s x { }\n", "'script' is not followed by '{' or by one value and '{': 's' and 'x' are dropped", "script s { }\n"},
    {"opener joined", Into::Level, "script s {@x }\n", "'x' is joined to '{': the block opens and that text is lost", "script s { }\n"},
    {"closer joined", Into::Level, "script s { }@xname t\n", "'}' is joined to 'xname': the character after a closing brace is dropped, so 'name' is read", "script s { }\n"},
    {"long line", Into::Level, "model rock {" + std::string(1011, ' ') + "@" + std::string(100, ' ') + "}\n", "this line is longer than 1023 characters", "model rock { }\n"},
    // names
    {"name cut", Into::Level, "script @abcdefghijklmnopqrstuvwxyz0123 { }\n", "is longer than 29 characters and is cut to 'abcdefghijklmnopqrstuvwxyz012'", "script abc { }\n"},
    {"duplicate model", Into::Level, "model rock { }\nmodel @rock { }\n", "model 'rock' is defined again (first at default.lev:1): findModel and ships use the first; a command parameter uses the last", "model rock { }\nmodel stone { }\n"},
    {"duplicate script", Into::Level, "script s { }\nscript @s { }\n", "script 's' is defined again (first at default.lev:1): findScript, ships and the game's own look-ups use the first", "script s { }\nscript t { }\n"},
    {"digit script name", Into::Level, "script @42 { }\n", "script name '42' is all digits", "script s42 { }\n"},
    {"unnamed model", Into::Level, "@model { line 0 0 1 1 }\n", "model block has no name", "model rock { line 0 0 1 1 }\n"},
    {"unnamed script", Into::Level, "@script { }\n", "script block has no name", "script s { }\n"},
    {"inline name", Into::Level, "script s { cmd spawn { ondie { @name boom } } }\n", "an inline block's 'name' is ignored", "script s { cmd spawn { ondie { } } }\n"},
    // commands and parameters
    {"unknown word", Into::Level, "script s { cmd @spwan { } }\n", "no command is named 'spwan': it does nothing (did you mean 'spawn'?)", "script s { cmd spawn { } }\n"},
    {"no word", Into::Level, "script s { @command { x 1 } }\n", "this command has no word", "script s { command { cmd spawn x 1 } }\n"},
    {"second word", Into::Level, "script s { cmd spawn { @cmd trigger id 1 } }\n", "a second command word: 'trigger' replaces 'spawn'", "script s { cmd trigger { id 1 } }\n"},
    {"stage event word", Into::Level, "stage 10 { event 1 { cmd @alter { speed 1 } } }\n", "'alter' does nothing in a stage event", "stage 10 { event 1 { cmd spawn { speed 1 } } }\n"},
    {"no parameters", Into::Level, "script s { cmd remove { @x 1 } }\n", "'remove' takes no parameters: 'x' and any after it are ignored", "script s { cmd remove { } }\n"},
    {"unknown parameter", Into::Level, "script s { cmd spawn { @sppeed 1 } }\n", "'sppeed' means nothing to 'spawn' and is ignored (did you mean 'speed'?)", "script s { cmd spawn { speed 1 } }\n"},
    {"other command's name", Into::Level, "script s { cmd spawn { @angle 1 } }\n", "'angle' means nothing to 'spawn': only alter and selfmodify read it (spawn sets the heading with 'an')", "script s { cmd spawn { an 1 } }\n"},
    {"alter lacks onspawn", Into::Level, "script s { cmd alter { @onspawn clear } }\n", "'onspawn' means nothing to 'alter': only spawn reads it", "script s { cmd alter { ondie clear } }\n"},
    {"prefix on whole name", Into::Level, "script s { cmd spawn { @s_count 2 } }\n", "'s_count': the prefix 's_' makes it match nothing, since 'spawn' reads 'count' only without a prefix", "script s { cmd spawn { count 2 } }\n"},
    {"prefix on id", Into::Level, "script s { cmd trigger { @d_id 2 } }\n", "the prefix 'd_' makes it match nothing", "script s { cmd trigger { id 2 } }\n"},
    {"meaningless prefix", Into::Level, "script s { cmd alter { @s_speed 1 } }\n", "the prefix 's_' means nothing to 'alter': 's_speed' acts as 'speed' without a prefix", "script s { cmd alter { d_speed 1 } }\n"},
    {"not a number", Into::Level, "script s { cmd spawn { speed @fast } }\n", "'speed' value 'fast' is not a number and reads as 0", "script s { cmd spawn { speed 0.5 } }\n"},
    {"number with junk", Into::Level, "script s { cmd spawn { speed @0.5x } }\n", "'speed' value '0.5x' reads as 0.5 (the rest is ignored)", "script s { cmd spawn { speed 0.5 } }\n"},
    {"integer with fraction", Into::Level, "script s { cmd spawn { count @2.5 } }\n", "'count' value '2.5' reads as the integer 2 (the fraction is dropped)", "script s { cmd spawn { count 2 } }\n"},
    {"brace value", Into::Level, "script s { cmd spawn { x @{ } } }\n", "'{' after 'x' is not an inline block (only names starting with 'on' take one)", "script s { cmd spawn { x 1 } }\n"},
    {"joined inline brace", Into::Level, "script s { cmd spawn { ondie @{x } } }\n", "'{x' after 'ondie' is not an inline block (the brace must stand alone)", "script s { cmd spawn { ondie { } } }\n"},
    {"trigger without id", Into::Level, "script s { cmd @trigger { } }\n", "'trigger' without 'id' does nothing", "script s { cmd trigger { id 4 } }\n"},
    {"reload without time", Into::Level, "script s { cmd @reload { } }\n", "'reload' without 'time' does nothing", "script s { cmd reload { time 4 } }\n"},
    {"boss without hp", Into::Level, "script s { cmd @boss { time 600 } }\n", "'boss' without 'hp' adds no bar", "script s { cmd boss { hp 100 time 600 } }\n"},
    {"attached in stage", Into::Level, "stage 10 { event 1 { cmd spawn { @attached 1 } } }\n", "'attached' binds nothing in a stage event", "stage 10 { event 1 { cmd spawn { } } }\n"},
    {"time below 1", Into::Level, "script s { cmd spawn { time @0 } }\n", "time 0 is below 1 and is taken as 1", "script s { cmd spawn { time 1 } }\n"},
    {"ans below 1", Into::Level, "script s { cmd spawn { ans @-2 } }\n", "ans -2 is below 1 and is taken as 1", "script s { cmd spawn { ans 2 } }\n"},
    {"negative count", Into::Level, "script s { cmd spawn { count @-3 } }\n", "a negative count emits nothing", "script s { cmd spawn { count 3 } }\n"},
    {"count cap", Into::Level, "script s { cmd spawn { count @200000 } }\n", "200000 Actors per cycle is more than the 100000 the Actor list holds", "script s { cmd spawn { count 100000 } }\n"},
    {"fcount cap", Into::Level, "script s { cmd spawn { fcount @1000 time 200 } }\n", "200000 Actors per cycle is more than the 100000", "script s { cmd spawn { fcount 100 time 200 } }\n"},
    {"inline depth cap", Into::Level, deepInline, "inline blocks nest deeper than 256 here: this one is skipped whole", "script s { }\n"},
    // references
    {"model not found", Into::Level, "model rock { }\nscript s { cmd spawn { model @rok } }\n", "no model is named 'rok': model 0 ('none') is used (did you mean 'rock'?)", "model rock { }\nscript s { cmd spawn { model rock } }\n"},
    {"script not found", Into::Level, "script s { cmd spawn { ondie @boom } }\n", "no script is named 'boom': script 0 ('nothing') is used", "script s { cmd spawn { ondie clear } }\n"},
    {"long value", Into::Level, "script s { cmd spawn { model @abcdefghijklmnopqrstuvwxyz0123 } }\n", "is looked up by its first 29 characters", "script s { cmd spawn { model pellet } }\n"},
    {"stage sees earlier only", Into::Level, "stage 10 { event 1 { cmd spawn { model @rock } } }\nmodel rock { }\n", "model 'rock' is defined after this stage event (default.lev:2)", "model rock { }\nstage 10 { event 1 { cmd spawn { model rock } } }\n"},
    {"digits name an inline block", Into::Level, "script s { cmd spawn { ondie { } } cmd spawn { ondie @1 } }\n", "'1' names the inline block numbered 1 (default.lev:1), not the script at index 1", "script s { cmd spawn { ondie { } } cmd spawn { ondie clear } }\n"},
    {"ship names a level model", Into::Base, "ship b { model @rock }\n", "ship 'b': model 'rock' is defined only in default.lev, but is looked up without a file tag", "ship b { model dart }\n", "model rock { }\n"},
    {"ship names nothing", Into::Base, "ship b { shot1 @zapp }\n", "ship 'b': shot1 'zapp' is not defined in base.vec: script 0 is used (did you mean 'zap'?)", "ship b { shot1 zap }\n"},
    // stages and events
    {"frame outside", Into::Level, "stage 10 { event 20 { @cmd spawn { } } }\n", "frame 20 lies outside its stage (frames 0 to 9): this command is dropped", "stage 10 { event 9 { cmd spawn { } } }\n"},
    {"negative frame", Into::Level, "stage 10 { event { frame -1 @cmd spawn { } } }\n", "frame -1 lies outside its stage", "stage 10 { event { frame 0 cmd spawn { } } }\n"},
    {"stage without length", Into::Level, "@stage { }\n", "stage has no 'length': it adds no frames", "stage 10 { }\n"},
    {"event before length", Into::Level, "stage { event 1 { @cmd spawn { } } length 10 }\n", "the stage has no frames at this event", "stage { length 10 event 1 { cmd spawn { } } }\n"},
    {"length cuts events", Into::Level, "stage 10 { event 8 { @cmd spawn { } } length 5 }\n", "this command at frame 8 is dropped: a later 'length' cut the stage to 5 frames", "stage 10 { event 4 { cmd spawn { } } }\n"},
    {"length again", Into::Level, "stage 10 { length @20 }\n", "the stage's length is given again", "stage 20 { }\n"},
    {"negative length", Into::Level, "stage @-5 { }\n", "stage length -5 adds no frames and cuts the timeline back by 5 frames", "stage 5 { }\n"},
    {"negative length cuts earlier stages", Into::Level, "stage 10 { event 8 { @cmd spawn { } } }\nstage -5 { }\n", "this command is dropped: the negative 'length' of a later stage cut the timeline to 5 frames", "stage 10 { event 4 { cmd spawn { } } }\n"},
    {"length cap", Into::Level, "stage @3000000 { }\n", "the timeline ends at 2097152 frames: this stage is cut to 2097152 frames", "stage 3000 { }\n"},
    {"event frame not a number", Into::Level, "stage 10 { event @x1 { } }\n", "event frame 'x1' is not a number and reads as 0", "stage 10 { event 1 { } }\n"},
    // sound and music
    {"sound parameter", Into::Level, "sound s { @fraq 300 }\n", "'fraq' is not a keyword of the sound block and is skipped, with the 1 token after it (did you mean 'freq'?)", "sound s { freq 300 }\n"},
    {"sound range", Into::Level, "sound s { freq @99999 }\n", "'freq' 99999 is outside 20 to 12000: it is clamped to 12000", "sound s { freq 9999 }\n"},
    {"waveform", Into::Level, "sound s { wave @sqare }\n", "'sqare' is not a waveform (square, saw, sine, triangle, noise): the sound is a square (did you mean 'square'?)", "sound s { wave square }\n"},
    {"tempo range", Into::Level, "sound s { }\nmusic m { tempo @0 channel s c }\n", "'tempo' 0 is outside 1 to 999: it is clamped to 1", "sound s { }\nmusic m { tempo 1 channel s c }\n"},
    {"MML mistake", Into::Level, "sound s { }\nmusic m {\n  channel s \"o5  l8 c @x d\"\n}\n", "MML: 'x' is not an MML command", "sound s { }\nmusic m {\n  channel s \"o5  l8 c d\"\n}\n"},
    {"instrument", Into::Level, "sound lead { }\nmusic m { channel @laed c }\n", "no sound is named 'laed': this channel is silent (did you mean 'lead'?)", "sound lead { }\nmusic m { channel lead c }\n"},
    {"channel cap", Into::Level, "sound s { }\nmusic m { " + eight + "channel t @c }\n", "MML: a music block plays at most 8 channels: this one is dropped", "sound s { }\nmusic m { " + eight + "}\n"},
    {"unnamed sound", Into::Level, "@sound { }\n", "sound block has no name, so nothing can play it", "sound s { }\n"},
    {"sound command", Into::Level, "sound boom { }\nscript s { cmd sound { name @bom } }\n", "no sound is named 'bom': this command is silent (did you mean 'boom'?)", "sound boom { }\nscript s { cmd sound { name boom } }\n"},
    {"music command", Into::Level, "sound s { }\nmusic theme { channel s c }\nstage 5 { event 0 { cmd music { name @them } } }\n", "no music is named 'them': this command is silent (did you mean 'theme'?)", "sound s { }\nmusic theme { channel s c }\nstage 5 { event 0 { cmd music { name stop } } }\n"},
    // font
    {"glyph loses its character", Into::Font, "model @xyza { }\n", "glyph 'xyza' takes 'a' from the earlier glyph 'syma' (font.vec:2), which is then never drawn", "model xyzb { }\n"},
    {"short glyph name", Into::Font, "model @ab { }\n", "glyph name 'ab' is shorter than 4 characters", "model symb { }\n"},
};

}  // namespace

TEST(CheckDiagnostics, CleanGamePassesWithoutWarnings) {
    const std::vector<Found> found = runOn(cleanBase, cleanFont, {""});
    EXPECT_TRUE(found.empty()) << listing(found);
}

TEST(CheckDiagnostics, EachFaultIsReportedWhereItIsAndItsFixPasses) {
    for (const Case& c : cases) {
        uint32_t line = 0, column = 0;
        const std::vector<Found> bad = runSnippet(c, c.bad, line, column);
        bool seen = false;
        for (const Found& f : bad)
            seen = seen || (f.file == fileOf(c.into) && f.message.find(c.says) != std::string::npos &&
                            f.line == line && (line == 0 || f.column == column));
        EXPECT_TRUE(seen) << c.label << ": expected at " << line << ":" << column << " '" << c.says
                          << "'\ngot:\n" << listing(bad);
        uint32_t ignoredLine = 0, ignoredColumn = 0;
        const std::vector<Found> good = runSnippet(c, c.good, ignoredLine, ignoredColumn);
        EXPECT_TRUE(good.empty()) << c.label << " (corrected):\n" << listing(good);
    }
}

TEST(CheckDiagnostics, GameNeedsFromBase) {
    // script 0 with commands runs for every event slot nobody set
    std::string base = cleanBase;
    base.replace(base.find("script nothing { }"), 18, "script nothing { cmd spawn { } }");
    std::vector<Found> found = runOn(base, cleanFont, {""});
    ASSERT_EQ(found.size(), 1u) << listing(found);
    EXPECT_EQ(found[0].line, 5u);
    EXPECT_NE(found[0].message.find("script 0 ('nothing') has commands"), std::string::npos);

    // no ship, and no shot_hit, player_die, demo or ship_frame
    base = "model none { }\nscript nothing { }\n";
    found = runOn(base, cleanFont, {""});
    const std::string all = listing(found);
    for (const char* says : {"base.vec:0:0: no ship is defined",
                             "base.vec:0:0: script 'shot_hit' is not defined in base.vec: a player shot hits without an effect",
                             "base.vec:0:0: script 'player_die' is not defined in base.vec: nothing runs when the player is hit",
                             "base.vec:0:0: script 'demo' is not defined in base.vec",
                             "base.vec:0:0: model 'ship_frame' is not defined in base.vec"})
        EXPECT_NE(all.find(says), std::string::npos) << says << "\n" << all;
    EXPECT_EQ(found.size(), 5u) << all;
}

TEST(CheckDiagnostics, GameNamesDefinedOnlyInALevelAreNotFound) {
    std::string base = cleanBase;
    base.replace(base.find("script demo"), 42, "");
    const std::vector<Found> found = runOn(base, cleanFont, {"script demo { }\n"});
    ASSERT_EQ(found.size(), 1u) << listing(found);
    EXPECT_EQ(found[0].message,
              "script 'demo' is defined only in default.lev, but is looked up without a file tag, "
              "which finds only base.vec names: the ship selection screen shows only the ship");
}

TEST(CheckDiagnostics, ScriptOneNeverRunsFromAnEventSlot) {
    std::string base = cleanBase;
    base.replace(base.find("script clear { }"), 16, "script clear { cmd spawn { } }");
    std::vector<Found> found = runOn(base, cleanFont, {"script s { cmd spawn { onleave clear } }\n"});
    ASSERT_EQ(found.size(), 1u) << listing(found);
    EXPECT_EQ(found[0].file, "default.lev");
    EXPECT_EQ(found[0].column, 32u);
    EXPECT_NE(found[0].message.find("'clear' is script 1: an event slot holding 1 clears its Actor"),
              std::string::npos);
    found = runOn(cleanBase, cleanFont, {"script s { cmd spawn { onleave clear } }\n"});
    EXPECT_TRUE(found.empty()) << listing(found);
}

TEST(CheckDiagnostics, NameFilledInByALaterFile) {
    // rock is not defined when the first level file is read; the pass after the second
    // file fills the name with the second file's model.
    const std::vector<Found> found =
        runOn(cleanBase, cleanFont, {"script s { cmd spawn { model rock } }\n", "model rock { }\n"});
    ASSERT_EQ(found.size(), 1u) << listing(found);
    EXPECT_EQ(found[0].file, "default.lev");
    EXPECT_EQ(found[0].column, 30u);
    EXPECT_NE(found[0].message.find("'rock' finds the model of level2.lev"), std::string::npos)
        << found[0].message;
}

TEST(CheckDiagnostics, FontWithoutGlyphs) {
    const std::vector<Found> found = runOn(cleanBase, "// nothing\n", {""});
    ASSERT_EQ(found.size(), 1u) << listing(found);
    EXPECT_EQ(found[0].message, "has no glyphs: no text can be drawn");
}

TEST(CheckDiagnostics, InlineBlockTakesThePlaceOfScriptOne) {
    std::string base = cleanBase;
    base.replace(base.find("script clear { }"), 16, "script clear { cmd spawn { ondie { } } }");
    const std::vector<Found> found = runOn(base, cleanFont, {""});
    ASSERT_EQ(found.size(), 1u) << listing(found);
    EXPECT_EQ(found[0].line, 6u);
    EXPECT_EQ(found[0].column, 28u);
    EXPECT_EQ(found[0].message,
              "this inline block becomes script 1, which no event slot runs (a slot holding 1 "
              "clears its Actor): keep the first two scripts free of inline blocks");
}

TEST(CheckDiagnostics, HeldTextIsCheckedInPlaceOfItsFile) {
    testing_support::TempDir dir;
    dir.write("base.vec", cleanBase);
    dir.write("font.vec", cleanFont);
    const std::string level = dir.write("mine.lev", "script a { cmd spawn { } }\n");
    CheckInput input;
    input.dataDir = dir.path().string();
    input.levelFiles.push_back(level);
    input.texts.emplace(level, "script a {\n  cmd spwan { }\n}\n");
    std::string lastWord;
    input.inspect = [&lastWord](const LoadWatch& watch) { lastWord = watch.commands.back().wordText; };
    const CheckResult result = runCheck(input);
    ASSERT_EQ(result.sink.diagnostics.size(), 1u) << result.sink.format(false);
    EXPECT_EQ(result.sink.diagnostics[0].pos.line, 2u);
    EXPECT_NE(result.sink.diagnostics[0].message.find("spwan"), std::string::npos);
    EXPECT_TRUE(result.unreadable.empty());
    EXPECT_EQ(lastWord, "spwan");
}

TEST(CheckDiagnostics, LongWordsAreEchoedCut) {
    // A 600-byte name is shown by its first 40 bytes and its length; a 'é' (two bytes)
    // across the cut is kept whole or left out, never split.
    const std::string word = std::string(39, 'a') + "\xC3\xA9" + std::string(559, 'b');
    const std::vector<Found> found =
        runOn(cleanBase, cleanFont, {"script s { cmd spawn { " + word + " 1 } }\n"});
    ASSERT_EQ(found.size(), 1u) << listing(found);
    EXPECT_EQ(found[0].message.rfind("parameter name '" + std::string(39, 'a') + "...' (600 characters) is cut", 0), 0u)
        << found[0].message;
    // Short words are echoed whole, and an apostrophe opens no quote.
    const std::vector<Found> twice = runOn(cleanBase, cleanFont, {"stage { length 5 length 6 }\n"});
    ASSERT_EQ(twice.size(), 1u) << listing(twice);
    EXPECT_EQ(twice[0].message,
              "the stage's length is given again: it is measured again from the stage's first frame");
    const std::vector<Found> shortOne = runOn(cleanBase, cleanFont, {"script s { cmd spawn { sped 1 } }\n"});
    ASSERT_EQ(shortOne.size(), 1u) << listing(shortOne);
    EXPECT_EQ(shortOne[0].message.rfind("'sped' means nothing to 'spawn'", 0), 0u) << shortOne[0].message;
}
