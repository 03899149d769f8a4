// The example levels of docs/levels.md: each passes quillfray-check without a warning,
// loads into the registries the guide describes, and, played headless step by step,
// produces the Actors the guide promises.
#include "tests/check_helpers.h"

#include "app/app.h"
#include "platform/headless.h"
#include "script/script.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <sys/wait.h>

namespace {

const std::filesystem::path examples = std::filesystem::path(QF_SOURCE_DIR) / "docs/examples";

// One example level played on the headless engine, as the game plays it: start-up's
// loading in docs/examples, then gameplay steps with nobody at the controls.
class ExampleGame {
public:
    HeadlessEngine engine;
    ScriptedJoystick joystick;

    // Loads docs/examples/base.vec, font.vec and `level`, and enters gameplay.
    explicit ExampleGame(const std::string& level) {
        resetGameState();
        resetAppState();
        game.platform.engine = &engine;
        game.platform.joystick = &joystick;
        const std::filesystem::path before = std::filesystem::current_path();
        std::filesystem::current_path(examples);
        resetRegistries();
        const std::vector<std::string> files = {level};
        loadDefinitions(files);
        std::filesystem::current_path(before);
        enterGameplay();
    }
    ~ExampleGame() { resetGameState(); }
    ExampleGame(const ExampleGame&) = delete;
    ExampleGame& operator=(const ExampleGame&) = delete;

    // Runs `steps` gameplay steps.
    void run(int steps) {
        for (int i = 0; i < steps; ++i) gameplayStep();
    }
    // The timeline frame due in the next step.
    static int32_t timelineFrame() {
        const Clock& c = game.clock;
        return c.frameCounter - c.holdTotal - c.holdCounter;
    }
};

// The warnings quillfray-check gives for one example level.
std::vector<check_test::Found> checkExample(const std::string& level) {
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(examples);
    CheckInput input;
    input.levelFiles = {level};
    const CheckResult result = runCheck(input);
    std::filesystem::current_path(before);
    std::vector<check_test::Found> found;
    for (const Diagnostic& d : result.sink.diagnostics)
        found.push_back({result.sink.files[d.pos.file], d.pos.line, d.pos.column, d.message});
    return found;
}

// The warnings quillfray-check gives for one example level checked in `dir`.
std::vector<check_test::Found> checkExampleIn(const std::filesystem::path& dir, const std::string& level) {
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(dir);
    CheckInput input;
    input.levelFiles = {(examples / level).string()};
    const CheckResult result = runCheck(input);
    std::filesystem::current_path(before);
    std::vector<check_test::Found> found;
    for (const Diagnostic& d : result.sink.diagnostics)
        found.push_back({result.sink.files[d.pos.file], d.pos.line, d.pos.column, d.message});
    return found;
}

// The headings of the Actors, in degrees, in list order.
std::vector<float> headings() {
    std::vector<float> out;
    for (const Actor& a : game.world.actors) out.push_back(a.angle * (180.0f / 3.1415927f));
    return out;
}

// Expects the Actors' headings to be `degrees`, in order.
void expectHeadings(const std::vector<float>& degrees) {
    const std::vector<float> got = headings();
    ASSERT_EQ(got.size(), degrees.size());
    for (size_t i = 0; i < got.size(); ++i) EXPECT_NEAR(got[i], degrees[i], 1e-3) << "Actor " << i;
}

}  // namespace

TEST(DocsExamples, EveryExamplePassesTheCheck) {
    for (const char* level :
         {"fan.lev", "ring.lev", "spiral.lev", "aimed.lev", "boss.lev", "sound.lev"}) {
        const auto found = checkExample(level);
        EXPECT_TRUE(found.empty()) << level << ":\n" << check_test::listing(found);
    }
}

TEST(DocsExamples, FanOfFiveFromMinusThirtyToThirty) {
    ExampleGame level("fan.lev");
    ASSERT_EQ(game.defs.timelineLength, 120);
    ASSERT_EQ(game.defs.timeline[30].commands.size(), 1u);
    EXPECT_EQ(game.defs.timeline[30].commands[0].word, CommandWord::Spawn);
    level.run(30);
    EXPECT_TRUE(game.world.actors.empty());
    level.run(1);  // frame 30 and the emitter pass of the same step
    expectHeadings({-30, -15, 0, 15, 30});
    for (const Actor& a : game.world.actors) {
        EXPECT_FLOAT_EQ(a.x, 0.5f);
        EXPECT_FLOAT_EQ(a.y, 0.2f);
        EXPECT_FLOAT_EQ(a.speed, 0.006f);
        EXPECT_EQ(a.model, 1);  // pellet
        EXPECT_EQ(a.events[2], 1);  // onleave: script 1 (clear)
    }
    level.run(1);  // they move down and outwards
    EXPECT_GT(game.world.actors[2].y, 0.2f);
    EXPECT_LT(game.world.actors[0].x, 0.5f);  // heading -30: to the left
}

TEST(DocsExamples, RingOfTwelveThirtyDegreesApart) {
    ExampleGame level("ring.lev");
    level.run(31);
    std::vector<float> expected;
    for (int i = 0; i < 12; ++i) expected.push_back(30.0f * static_cast<float>(i));
    expectHeadings(expected);
}

TEST(DocsExamples, SpiralTurnsTenDegreesPerStep) {
    ExampleGame level("spiral.lev");
    level.run(11);  // frame 10: the first pellet
    expectHeadings({0});
    level.run(4);
    expectHeadings({0, 10, 20, 30, 40});
    level.run(31);  // the first turn is complete after 36 pellets
    ASSERT_EQ(game.world.actors.size(), 36u);
    EXPECT_NEAR(headings().back(), 350.0f, 1e-3);
    level.run(1);  // the second turn starts again at 0
    EXPECT_NEAR(headings().back(), 0.0f, 1e-3);
    level.run(200);  // three turns and no more
    EXPECT_LE(game.world.actors.size(), 108u);
    EXPECT_TRUE(game.world.emitters.empty());
}

TEST(DocsExamples, AimedStreamTurnsEachPelletTowardThePlayer) {
    ExampleGame level("aimed.lev");
    ASSERT_EQ(game.world.players.size(), 1u);
    game.world.players[0].x = 0.6f;  // the ship stays where it is put: nobody steers
    game.world.players[0].y = 1.3f;
    level.run(21);  // frame 20: the first pellet
    ASSERT_EQ(game.world.actors.size(), 1u);
    const float aimed = static_cast<float>(std::atan2(0.6 - 0.2, 1.3 - 0.1));
    EXPECT_NEAR(game.world.actors[0].angle, aimed, 1e-6);
    level.run(5);
    EXPECT_EQ(game.world.actors.size(), 1u);
    level.run(1);  // one every six steps
    ASSERT_EQ(game.world.actors.size(), 2u);
    game.world.players[0].x = 0.2f;  // the player moves: the next pellet follows
    level.run(6);
    ASSERT_EQ(game.world.actors.size(), 3u);
    EXPECT_NEAR(game.world.actors[2].angle, 0.0f, 1e-6);
    level.run(60);
    EXPECT_EQ(game.world.actors.size(), 10u);
}

TEST(DocsExamples, BossWithTwoBarsHoldsTheTimeline) {
    ExampleGame level("boss.lev");
    level.run(61);  // frame 60: the boss starts and its parts appear
    ASSERT_EQ(game.world.bossBars.size(), 2u);
    EXPECT_FLOAT_EQ(game.world.bossBars[0].maximum, 100.0f);
    EXPECT_FLOAT_EQ(game.world.bossBars[1].maximum, 50.0f);
    EXPECT_TRUE(game.clock.holdActive);
    EXPECT_EQ(game.clock.holdLength, 1800);
    // The emitter pass takes the Emitters from the last made to the first: wings, core.
    ASSERT_EQ(game.world.actors.size(), 3u);
    EXPECT_EQ(game.world.actors[0].boss, 2);
    EXPECT_EQ(game.world.actors[1].boss, 2);
    EXPECT_EQ(game.world.actors[2].boss, 1);
    EXPECT_FLOAT_EQ(game.world.actors[0].x, 0.3f);
    EXPECT_FLOAT_EQ(game.world.actors[1].x, 0.7f);
    EXPECT_FLOAT_EQ(game.world.actors[2].x, 0.5f);

    level.run(40);  // the hold keeps frame 61 waiting; the core fires every 40 steps
    EXPECT_EQ(ExampleGame::timelineFrame(), 61);
    EXPECT_EQ(game.world.actors.size(), 3u + 3u);

    endBoss(1, 0);  // the wings are destroyed: each bursts, the core's bar stays
    EXPECT_EQ(game.world.bossBars.size(), 1u);
    EXPECT_TRUE(game.clock.holdActive);
    EXPECT_EQ(game.world.emitters.size(), 2u);
    endBoss(0, 0);  // the core too: the hold is over
    EXPECT_FALSE(game.clock.holdActive);
    const size_t before = game.world.actors.size();
    EXPECT_EQ(before, 3u);  // the three fan pellets remain
    level.run(1);  // frame 61 runs in the next step, and the three bursts come out
    EXPECT_EQ(ExampleGame::timelineFrame(), 62);
    EXPECT_EQ(game.world.actors.size(), before + 3u * 16u + 24u);
}

TEST(DocsExamples, EveryExampleBossCanBeShotDown) {
    // A scripted player, never hit, fires all the time from under the first boss part
    // left: every bar must end destroyed, long before its time runs out.
    for (const char* name : {"fan.lev", "ring.lev", "spiral.lev", "aimed.lev", "boss.lev", "sound.lev"}) {
        SCOPED_TRACE(name);
        ExampleGame level(name);
        game.invincible = true;
        game.input.bindingTable[Action::fire].keys.push_back('Z');
        level.engine.keyHeld['Z'] = true;
        int started = 0, destroyed = 0, timedOut = 0, steps = 0;
        for (; steps < 3000 && ExampleGame::timelineFrame() < game.defs.timelineLength; ++steps) {
            for (const Actor& a : game.world.actors)
                if (a.boss > 0) {
                    game.world.players[0].x = a.x;
                    break;
                }
            level.run(1);
            for (const StepEvent& e : game.events.list) {
                started += e.kind == StepEventKind::BossStart;
                destroyed += e.kind == StepEventKind::BossEnd && e.value == 0;
                timedOut += e.kind == StepEventKind::BossEnd && e.value != 0;
            }
        }
        EXPECT_EQ(timedOut, 0);
        EXPECT_LT(steps, 3000) << "the timeline never ended";
        if (std::string_view(name) == "boss.lev") {
            EXPECT_EQ(started, 1);
            EXPECT_EQ(destroyed, 2);
        }
    }
}

TEST(DocsExamples, SoundExampleHoldsTwoSoundsAndATwoChannelTune) {
    ExampleGame level("sound.lev");
    const Registries& defs = game.defs;
    ASSERT_EQ(defs.soundRegistry.size(), 2u);
    EXPECT_FLOAT_EQ(defs.soundRegistry[0].params.freq, 880.0f);
    ASSERT_EQ(findMusic(defs, "theme"), 0);
    const MusicDef& theme = defs.musicRegistry[0];
    EXPECT_EQ(theme.tempo, 150);
    ASSERT_EQ(theme.channels.size(), 2u);
    EXPECT_EQ(theme.channels[1].sound, findSound(defs, "bass"));
    EXPECT_EQ(theme.song.channels[0].notes.size(), 16u);
    EXPECT_EQ(theme.song.lengthTicks, 2 * mml::ticksPerWhole);  // two bars, as the guide says
}

TEST(DocsExamples, ExamplesAlsoPassAgainstTheShippedData) {
    const std::filesystem::path data = std::filesystem::path(QF_SOURCE_DIR) / "data";
    ASSERT_TRUE(std::filesystem::exists(data / "base.vec"))
        << "the shipped data is missing: no " << (data / "base.vec").string();
    for (const char* level :
         {"fan.lev", "ring.lev", "spiral.lev", "aimed.lev", "boss.lev", "sound.lev"}) {
        const auto found = checkExampleIn(data, level);
        EXPECT_TRUE(found.empty()) << level << ":\n" << check_test::listing(found);
    }
}

TEST(DocsExamples, SimulatorShowsTheFanAsTheGuideSays) {
    // The guide's way of looking at a level: quillfray-sim with --frames and --state-json.
    testing_support::TempDir out;
    const std::string state = (out.path() / "state.json").string();
    const std::string command = "cd '" + examples.string() + "' && '" + std::string(QF_BINARY_DIR) +
                                "/quillfray-sim' --frames 31 --state-json '" + state + "' fan.lev";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    std::ifstream in(state);
    std::stringstream text;
    text << in.rdbuf();
    const std::string json = text.str();
    const std::string actors = json.substr(json.find("\"actors\""));
    const std::regex angle("\"angle\":(-?[0-9.e+-]+)");
    std::vector<float> degrees;
    for (auto it = std::sregex_iterator(actors.begin(), actors.end(), angle); it != std::sregex_iterator(); ++it)
        degrees.push_back(std::stof((*it)[1].str()) * (180.0f / 3.1415927f));
    ASSERT_EQ(degrees.size(), 5u) << json;
    const float expected[] = {-30, -15, 0, 15, 30};
    for (size_t i = 0; i < 5; ++i) EXPECT_NEAR(degrees[i], expected[i], 1e-3);
}
