// Level loading: top-level grammar, ships, file tags, reference resolution, load order.
#include "core/game_state.h"
#include "core/limits.h"
#include "defs/defs.h"
#include "tests/support/support.h"

#include <gtest/gtest.h>

#include <filesystem>

using testing_support::TempDir;

namespace {

// Loads `content` as the next file of the level loader.
void loadText(const TempDir& dir, std::string_view content) {
    static_cast<void>(loadDefinitionFile(dir.write("f.lev", content)));
}

// Makes the working directory `dir` for the lifetime of the object.
class WorkingDirectory {
public:
    explicit WorkingDirectory(const std::filesystem::path& dir)
        : saved_(std::filesystem::current_path()) {
        std::filesystem::current_path(dir);
    }
    ~WorkingDirectory() { std::filesystem::current_path(saved_); }
    WorkingDirectory(const WorkingDirectory&) = delete;
    WorkingDirectory& operator=(const WorkingDirectory&) = delete;

private:
    std::filesystem::path saved_;
};

// The first parameter of the first command of the Script named `name`.
const SpawnParam& firstParam(std::string_view name) {
    const auto& scripts = game.defs.scriptRegistry;
    for (const Script& s : scripts)
        if (s.name == name) return s.commands.at(0).params.at(0);
    ADD_FAILURE() << "no script " << name;
    return scripts.at(0).commands.at(0).params.at(0);
}

const std::string tag1 = "\x01\x01";
const std::string tag2 = "\x01\x02";

}  // namespace

TEST(Level, SampleLevelFile) {
    resetGameState();
    TempDir dir;
    loadText(dir, "model base { }\n");  // base.vec: model 0
    loadText(dir,
             "// a level file: one ship, one script, one stage\n"
             "ship arrow {\n"
             "  model arrow\n  shot1 arrowshot\n  shot2 arrowspread\n  bomb arrowbomb\n"
             "  bombeffect bombflash\n  powershot arrowpower\n}\n"
             "model rock {\n  line -0.02 -0.02 0.02 0.02\n  hitc 0 0 0.02\n}\n"
             "script rockfall {\n  command spawn { model rock }\n}\n"
             "stage 3600 {\n  event 60 { command spawn { model rock } }\n}\n");
    const auto& defs = game.defs;
    ASSERT_EQ(defs.shipRegistry.size(), 1u);
    const ShipDef& ship = defs.shipRegistry[0];
    EXPECT_EQ(ship.name, "arrow");
    EXPECT_EQ(ship.model, "arrow");
    EXPECT_EQ(ship.shot1, "arrowshot");
    EXPECT_EQ(ship.shot2, "arrowspread");
    EXPECT_EQ(ship.bomb, "arrowbomb");
    EXPECT_EQ(ship.bombeffect, "bombflash");
    EXPECT_EQ(ship.powershot, "arrowpower");
    ASSERT_EQ(defs.modelRegistry.size(), 2u);
    EXPECT_EQ(defs.modelRegistry[1].name, "rock" + tag1);
    EXPECT_EQ(defs.modelRegistry[1].name.size(), 6u);
    EXPECT_EQ(findModel("rock"), 0);          // a plain name never finds a tagged model
    EXPECT_EQ(findModel("rock" + tag1), 1);
    EXPECT_EQ(findScript("rockfall" + tag1), 0);
    EXPECT_EQ(defs.scriptRegistry.at(0).name, "rockfall" + tag1);
    EXPECT_EQ(firstParam("rockfall" + tag1).modelIndex, 1u);  // tagged resolution
    EXPECT_EQ(defs.timelineLength, 3600);
    EXPECT_EQ(defs.timeline.at(60).commands.at(0).params.at(0).modelIndex, 1u);
    EXPECT_EQ(defs.fileOrdinal, 2);
}

TEST(Level, ShipBlocks) {
    resetGameState();
    TempDir dir;
    loadText(dir,
             "ship { name only }\n"
             "ship second { model m model n junk shot1 " + std::string(40, 's') + " }\n"
             "Ship Third { powershot P }\n");
    const auto& ships = game.defs.shipRegistry;
    ASSERT_EQ(ships.size(), 3u);
    EXPECT_EQ(ships[0].name, "only");
    EXPECT_EQ(ships[0].model, "");
    EXPECT_EQ(ships[0].shot1, "");
    EXPECT_EQ(ships[0].powershot, "");
    EXPECT_EQ(ships[1].name, "second");
    EXPECT_EQ(ships[1].model, "n");
    EXPECT_EQ(ships[1].shot1, std::string(29, 's'));
    EXPECT_EQ(ships[2].name, "third");
    EXPECT_EQ(ships[2].powershot, "p");
    // Ship names never carry a tag, even in later files.
    loadText(dir, "ship late { model x }");
    EXPECT_EQ(ships.at(3).name, "late");
}

TEST(Level, ParserLeftAtZeroResolvesToSecondOfTwoLaterDefinitions) {
    resetGameState();
    TempDir dir;
    loadText(dir, "model base { }");
    loadText(dir,
             "script s { cmd spawn { model boulder } }\n"
             "model boulder { }\n"
             "model boulder { line 0 0 1 1 }\n");
    EXPECT_EQ(firstParam("s" + tag1).modelIndex, 2u);
}

TEST(Level, LaterFileResolvesEarlierScriptsButNotTheTimeline) {
    resetGameState();
    TempDir dir;
    loadText(dir, "model base { } script basescript { }");
    loadText(dir,
             "script s { cmd spawn { model gem } }\n"
             "stage 10 { event 0 { cmd spawn { model gem } } }\n");
    EXPECT_EQ(firstParam("s" + tag1).modelIndex, 0u);
    loadText(dir, "model other { } model gem { }");
    EXPECT_EQ(game.defs.modelRegistry.at(2).name, "gem" + tag2);
    EXPECT_EQ(firstParam("s" + tag1).modelIndex, 2u);
    EXPECT_EQ(game.defs.timeline.at(0).commands.at(0).params.at(0).modelIndex, 0u);
}

TEST(Level, BaseNamesAreSeenFromEveryFileAndPlainFirstMatchWinsInTheLaterPass) {
    resetGameState();
    TempDir dir;
    loadText(dir,
             "model zero { } model spark { } model spark { }\n"
             "script late { cmd spawn { model star } }\n"
             "model star { } model star { }\n");
    // In base.vec the tag is empty; the pass fills the first plain match.
    EXPECT_EQ(firstParam("late").modelIndex, 3u);
    loadText(dir, "script lev { cmd spawn { model spark } }");
    // The command parser takes the last plain match.
    EXPECT_EQ(firstParam("lev" + tag1).modelIndex, 2u);
}

TEST(Level, InTheFirstFileANameWhoseFirstEntryIsEntryZeroEndsOnItsLastEntry) {
    // The tag of the first file is empty, so the pass's tagged search is a search of the
    // plain name that keeps the last match; it only matters when the first match is 0.
    resetGameState();
    TempDir dir;
    loadText(dir, "script s { cmd spawn { model rock } } model rock { } model rock { }");
    EXPECT_EQ(firstParam("s").modelIndex, 1u);
    resetGameState();
    loadText(dir, "script dup { cmd trigger { ondie dup } } script dup { }");
    EXPECT_EQ(game.defs.scriptRegistry.at(0).commands.at(0).params.at(0).scriptIndex, 1u);
    // The command parser found entry 0; the pass looks again and finds the later one.
    resetGameState();
    loadText(dir, "model rock { } script s { cmd spawn { model rock } } model rock { }");
    EXPECT_EQ(firstParam("s").modelIndex, 1u);
    // A name whose first entry is not entry 0 keeps its first entry.
    resetGameState();
    loadText(dir, "model none { } script s { cmd spawn { model rock } } model rock { } model rock { }");
    EXPECT_EQ(firstParam("s").modelIndex, 1u);
}

TEST(Level, MisspelledKeywordExposesItsContentToTheTopLevel) {
    resetGameState();
    TempDir dir;
    loadText(dir, "modle junk { script inner { } stage 5 { } }\n");
    ASSERT_EQ(game.defs.scriptRegistry.size(), 1u);
    EXPECT_EQ(game.defs.scriptRegistry[0].name, "inner");
    EXPECT_EQ(game.defs.timelineLength, 5);
}

TEST(Level, ModelWithTwoNonBraceTokensTakesTheRestUpToAnUnmatchedBrace) {
    resetGameState();
    TempDir dir;
    loadText(dir, "model a b line 0 0 1 1 } model c { }\n");
    const auto& models = game.defs.modelRegistry;
    ASSERT_EQ(models.size(), 2u);
    EXPECT_EQ(models[0].name, "");
    EXPECT_EQ(models[0].lines.size(), 1u);
    EXPECT_EQ(models[1].name, "c");
}

TEST(Level, ShortHeadersEqualLongForms) {
    resetGameState();
    TempDir dir;
    loadText(dir, "script wave1 { cmd x { } } script { name wave1 cmd x { } }");
    const auto& scripts = game.defs.scriptRegistry;
    ASSERT_EQ(scripts.size(), 2u);
    EXPECT_EQ(scripts[0].name, scripts[1].name);
    EXPECT_EQ(scripts[0].commands.size(), 1u);
    EXPECT_EQ(findScript("wave1"), 0);
    EXPECT_EQ(findName(game.defs.scriptNames, "wave1")->last, 1u);
}

TEST(Level, AbsentFileDefinesNothingButAdvancesTheOrdinal) {
    resetGameState();
    EXPECT_TRUE(loadDefinitionFile("/nonexistent/quillfray/x.lev"));
    EXPECT_EQ(game.defs.fileOrdinal, 1);
    EXPECT_TRUE(game.defs.modelRegistry.empty());
    TempDir dir;
    loadText(dir, "");
    EXPECT_EQ(game.defs.fileOrdinal, 2);
}

TEST(Level, ResetRegistries) {
    resetGameState();
    TempDir dir;
    loadText(dir, "model m { } ship s { } script t { cmd x { onhit { } } } stage 7 { }");
    game.world.actors.resize(3);
    game.world.emitters.resize(2);
    game.defs.fontGlyphs.resize(1);
    game.defs.glyphTable['a'] = 5;
    resetRegistries();
    const auto& defs = game.defs;
    EXPECT_TRUE(defs.modelRegistry.empty());
    EXPECT_TRUE(defs.scriptRegistry.empty());
    EXPECT_TRUE(defs.shipRegistry.empty());
    EXPECT_TRUE(defs.timeline.empty());
    EXPECT_TRUE(defs.modelNames.empty());
    EXPECT_TRUE(defs.scriptNames.empty());
    EXPECT_TRUE(game.world.actors.empty());
    EXPECT_TRUE(game.world.emitters.empty());
    EXPECT_EQ(defs.fileOrdinal, 0);
    EXPECT_EQ(defs.anonymousScriptCounter, 1);
    EXPECT_EQ(defs.timelineLength, 7);  // left alone
    EXPECT_EQ(defs.fontGlyphs.size(), 1u);
    EXPECT_EQ(defs.glyphTable['a'], 5);
    EXPECT_EQ(findModel("m"), 0);
    EXPECT_EQ(findName(defs.modelNames, "m"), nullptr);
}

TEST(Level, StartUpLoadOrderWithoutArguments) {
    resetGameState();
    TempDir dir;
    dir.write("base.vec", "model basem { }");
    dir.write("font.vec", "model fontglyph { }");
    dir.write("default.lev", "model defm { }");
    dir.write("one.lev", "model onem { }");
    WorkingDirectory cwd(dir.path());
    resetRegistries();
    loadDefinitions({});
    const auto& defs = game.defs;
    ASSERT_EQ(defs.modelRegistry.size(), 2u);
    EXPECT_EQ(defs.modelRegistry[0].name, "basem");
    EXPECT_EQ(defs.modelRegistry[1].name, "defm" + tag1);
    // The font came after base.vec (tagged) and before the first level file (ordinal 1).
    ASSERT_EQ(defs.fontGlyphs.size(), 1u);
    EXPECT_EQ(defs.fontGlyphs[0].name, "fontglyph" + tag1);
    EXPECT_EQ(defs.fileOrdinal, 2);
}

TEST(Level, StartUpLoadOrderWithArguments) {
    resetGameState();
    TempDir dir;
    dir.write("base.vec", "model basem { }");
    dir.write("font.vec", "model fontglyph { }");
    dir.write("default.lev", "model defm { }");
    dir.write("one.lev", "model onem { }");
    dir.write("two.lev", "model twom { }");
    WorkingDirectory cwd(dir.path());
    resetRegistries();
    const std::vector<std::string> args = {"two.lev", "one.lev"};
    loadDefinitions(args);
    const auto& defs = game.defs;
    ASSERT_EQ(defs.modelRegistry.size(), 3u);
    EXPECT_EQ(defs.modelRegistry[0].name, "basem");
    EXPECT_EQ(defs.modelRegistry[1].name, "twom" + tag1);
    EXPECT_EQ(defs.modelRegistry[2].name, "onem" + tag2);
    EXPECT_EQ(defs.fontGlyphs.at(0).name, "fontglyph" + tag1);
    EXPECT_EQ(defs.fileOrdinal, 3);
}

TEST(Level, MoreThan255FilesKeepWholeNames) {
    resetGameState();
    TempDir dir;
    std::string path = dir.write("m.lev", "model m { } script s { cmd x { model m } }");
    for (int i = 0; i < 300; ++i) loadDefinitionFile(path);
    const auto& models = game.defs.modelRegistry;
    ASSERT_EQ(models.size(), 300u);
    EXPECT_EQ(models[0].name, "m");
    EXPECT_EQ(models[1].name, "m" + tag1);
    EXPECT_EQ(models[255].name, "m\x01\xFF");
    EXPECT_EQ(models[256].name, "m" + tag1);  // ordinal 256 repeats the tag of ordinal 1
    for (const Model& m : models) EXPECT_TRUE(m.name.size() == 1 || m.name.size() == 3);
    // A repeated tag resolves to the latest file with it.
    const Script& s256 = game.defs.scriptRegistry.at(256);
    EXPECT_EQ(s256.commands.at(0).params.at(0).modelIndex, 256u);
}

TEST(Level, SoundBlockLoadsItsValuesClampedAndALaterOneReplacesIt) {
    resetGameState();
    TempDir dir;
    loadText(dir, "sound blip { wave saw freq 880 slide -200 attack 0.01 volume 7 fraq 3 }\n"
                  "sound { name hum wave hiss freq -5 }\n");
    const Registries& defs = game.defs;
    ASSERT_EQ(defs.soundRegistry.size(), 2u);
    const SoundParams& blip = defs.soundRegistry[0].params;
    EXPECT_EQ(blip.wave, Wave::saw);
    EXPECT_FLOAT_EQ(blip.freq, 880.0f);
    EXPECT_FLOAT_EQ(blip.slide, -200.0f);
    EXPECT_FLOAT_EQ(blip.attack, 0.01f);
    EXPECT_FLOAT_EQ(blip.volume, 1.0f);                 // clamped
    EXPECT_FLOAT_EQ(blip.sustain, SoundParams{}.sustain);  // left at its default
    EXPECT_EQ(findSound(defs, "hum"), 1);
    EXPECT_EQ(defs.soundRegistry[1].params.wave, Wave::square);  // unknown waveform
    EXPECT_FLOAT_EQ(defs.soundRegistry[1].params.freq, 20.0f);
    loadText(dir, "sound blip { wave noise }\n");
    ASSERT_EQ(defs.soundRegistry.size(), 2u);
    EXPECT_EQ(defs.soundRegistry[0].params.wave, Wave::noise);
    EXPECT_EQ(findSound(defs, "nothing"), -1);
}

TEST(Level, MusicChannelsResolveTheirInstrumentsAndHoldTheirNotes) {
    resetGameState();
    TempDir dir;
    loadText(dir, "sound lead { }\n"
                  "music theme {\n  tempo 150\n  channel lead \"o4 l4 [a c]2\"\n"
                  "  channel bass \"o3 c2 r2\" channel none d\n}\n");
    const Registries& defs = game.defs;
    ASSERT_EQ(findMusic(defs, "theme"), 0);
    const MusicDef& music = defs.musicRegistry[0];
    EXPECT_EQ(music.tempo, 150);
    ASSERT_EQ(music.channels.size(), 3u);
    EXPECT_EQ(music.channels[0].sound, 0);
    EXPECT_EQ(music.channels[1].sound, -1);  // defined in the next file
    ASSERT_EQ(music.song.channels.size(), 3u);
    const std::vector<MmlNote>& notes = music.song.channels[0].notes;
    ASSERT_EQ(notes.size(), 4u);
    EXPECT_EQ(notes[0].midiNote, 69);
    EXPECT_EQ(notes[1].midiNote, 60);
    EXPECT_EQ(notes[3].startTick, 3 * mml::ticksPerQuarter);
    EXPECT_EQ(music.song.channels[1].lengthTicks, mml::ticksPerWhole);
    EXPECT_EQ(music.song.channels[2].notes.size(), 1u);  // one word needs no quotes
    loadText(dir, "sound bass { wave triangle }\n");
    EXPECT_EQ(defs.musicRegistry[0].channels[1].sound, 1);
    EXPECT_EQ(defs.musicRegistry[0].channels[2].sound, -1);  // a missing name stays silent
}

TEST(Level, HostileSoundAndMusicBlocksLoadBounded) {
    resetGameState();
    TempDir dir;
    std::string many;
    for (int i = 0; i < 100000; ++i) many += "sound s" + std::to_string(i) + " { freq 1e99999 }\n";
    loadText(dir, many + "music m { channel s1 \"[[[[[[[[[c]999]999]999]999]999]999]999]999]999\"");
    const Registries& defs = game.defs;
    EXPECT_EQ(defs.soundRegistry.size(), limits::maxSounds);
    EXPECT_FLOAT_EQ(defs.soundRegistry[0].params.freq, 12000.0f);
    ASSERT_EQ(defs.musicRegistry.size(), 1u);  // the unclosed block and string run to the end
    EXPECT_LE(defs.musicRegistry[0].song.channels.at(0).notes.size(), mml::maxNotes);
    std::string channels = "music wide {";
    for (int i = 0; i < 100; ++i) channels += " channel s1 \"c d e\"";
    loadText(dir, channels + " }\nmusic { channel } music");
    EXPECT_EQ(defs.musicRegistry.at(1).channels.size(), limits::maxMusicChannels);
}
