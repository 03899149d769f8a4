// quillfray-sim's outputs: the scene operations, the PNG, the state JSON with every
// record field, the boss hold, the step events and the run's sound.
#include "app/app_state.h"
#include "tests/sim_run_helpers.h"

#include "platform/headless.h"
#include "text/text.h"
#include "tools/sim/state_json.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cmath>
#include <limits>

using namespace simtest;

namespace {

// The big-endian 32-bit number at `at` in `bytes`.
uint32_t bigEndian32(const std::string& bytes, size_t at) {
    uint32_t value = 0;
    for (size_t i = 0; i < 4; ++i)
        value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

// The operation lines that drawText makes for `text`, formatted as the simulator does.
std::vector<std::string> textOps(const TempDir& dir, float x, float y, std::string_view text,
                                 uint32_t color, int size) {
    resetGameState();
    resetAppState();
    loadFontFile((dir.path() / "font.vec").string());
    HeadlessEngine engine;
    game.platform.engine = &engine;
    engine.Gfx_BeginScene();
    drawText(x, y, text, color, size);
    game.platform.engine = nullptr;
    std::string out;
    appendSceneOpsJsonl(out, std::span<const SceneOp>(engine.ops).subspan(1));
    return linesOf(out);
}

// A level with an Emitter that never ends, so the state has one to show.
constexpr std::string_view endlessLevel =
    "model rock { line -0.02 -0.02 0.02 0.02 }\n"
    "stage 600 { event 1 { cmd spawn { model rock times 0 time 30 owner 2 } } }\n";

// A level whose frame 5 starts a boss with a 100-step limit and spawns its core.
constexpr std::string_view bossLevel =
    "model core { line -0.05 0 0.05 0 hitc 0 0 0.05 }\n"
    "stage 600 { event 5 { cmd boss { hp 500 time 100 } "
    "cmd spawn { model core x 0.5 y 0.3 boss 1 owner 2 } } }\n";

// A level whose frame 1 puts a target in the ship's line of fire and whose frame 200
// drops a rock onto the ship.
constexpr std::string_view eventsLevel =
    "model rock { line -0.02 -0.02 0.02 0.02 hitc 0 0 0.02 }\n"
    "stage 600 { event 1 { cmd spawn { model rock x 0.5 y 0.9 hittable 1 hp 1 } }\n"
    "event 200 { cmd spawn { model rock x 0.5 y 1.1 an 0 speed 0.01 } } }\n";

// A level with a short `shot` sound that starts at most every quarter of a second.
constexpr std::string_view shotSoundLevel =
    "sound shot { wave square freq 440 sustain 0.02 decay 0.01 volume 0.5 interval 0.25 }\n"
    "stage 600 { }\n";

// A tune of one second (a4 and a5 an eighth each at tempo 120, then a quarter rest) started
// by the stage, stopped at step 130, then one sound command; "select" for the selection.
constexpr std::string_view musicLevel =
    "sound lead { wave square sustain 1 decay 0 volume 0.5 }\n"
    "sound boom { wave noise sustain 0.05 decay 0.05 volume 0.5 }\n"
    "music theme { tempo 120 channel lead \"o4 a8 > a8 < r4\" }\n"
    "music select { channel lead \"o5 c1\" }\n"
    "stage 600 { event 0 { cmd music { name theme } } event 130 { cmd music { name stop } }\n"
    "  event 200 { cmd sound { name boom } } }\n";

// Zero crossings of the left channel in frames [from, to).
size_t crossings(const std::vector<int16_t>& samples, size_t from, size_t to) {
    size_t count = 0;
    for (size_t f = from + 1; f < to; ++f)
        if ((samples[2 * f - 2] < 0) != (samples[2 * f] < 0)) ++count;
    return count;
}

// The samples of a 16-bit stereo WAV as quillfray-sim writes it (after its 44-byte header).
std::vector<int16_t> wavSamples(const std::string& bytes) {
    std::vector<int16_t> samples;
    for (size_t at = 44; at + 1 < bytes.size(); at += 2)
        samples.push_back(static_cast<int16_t>(static_cast<unsigned char>(bytes[at]) |
                                               static_cast<unsigned char>(bytes[at + 1]) << 8));
    return samples;
}

// The frames at which a sound begins after at least `gap` silent frames (or the start).
std::vector<size_t> onsets(const std::vector<int16_t>& samples, size_t gap = 400) {
    std::vector<size_t> found;
    size_t silent = gap;
    for (size_t frame = 0; 2 * frame + 1 < samples.size(); ++frame) {
        if (samples[2 * frame] == 0 && samples[2 * frame + 1] == 0) {
            ++silent;
            continue;
        }
        if (silent >= gap) found.push_back(frame);
        silent = 0;
    }
    return found;
}

// The steps of the events of `kind` in an --events-jsonl file.
std::vector<long long> eventSteps(const std::string& jsonl, std::string_view kind) {
    std::vector<long long> steps;
    const std::string quoted = "\"" + std::string(kind) + "\"";
    for (const std::string& line : linesOf(jsonl))
        if (valueOf(line, "kind") == quoted) steps.push_back(intOf(line, "step"));
    return steps;
}

}  // namespace

TEST(SimOutputs, JsonTextKeepsBytesFloatsAndLineBreaks) {
    const Json doc = {{"name", "a\x01\xe9\"\\"},
                      {"f", 0.1f},
                      {"odd", {std::nanf(""), -std::numeric_limits<float>::infinity(), 5.0f}},
                      {"n", {-7, 4294967295u, true, nullptr}},
                      {"rows", {Json::object(), 3}}};
    const std::string text = jsonText(doc, {{"f"}, {"rows"}});
    EXPECT_EQ(text, R"({"name":"a\u0001\u00e9\"\\","f":0.100000001)"
                    "\n"
                    R"(,"odd":["nan","-inf",5],"n":[-7,4294967295,true,null],"rows":[)"
                    "\n{}\n,3]}");
    // Read back: every byte is the character of its number, every float the same float.
    const Json back = Json::parse(text);
    EXPECT_EQ(back["name"], "a\x01\u00e9\"\\");
    EXPECT_EQ(static_cast<float>(back["f"].get<double>()), 0.1f);
}

TEST(SimOutputs, OpsJsonlIsTheLastRender) {
    TempDir dir;
    writeGame(dir);
    ASSERT_EQ(runSim(dir, "--frames 3 --ops-jsonl ops.jsonl"), 0);
    const std::vector<std::string> ops = linesOf(readFile(dir, "ops.jsonl"));
    ASSERT_GT(ops.size(), 5u);
    EXPECT_EQ(ops[0], R"({"op":"begin"})");
    EXPECT_EQ(ops[1], R"({"op":"clip","x":0,"y":0,"w":800,"h":600})");
    EXPECT_EQ(ops[2], R"({"op":"clear","color":0})");
    // The special gauge comes first: a full green bar at y 545.
    EXPECT_EQ(ops[3], R"({"op":"line","x1":5,"y1":545,"x2":195,"y2":545,"color":4278255360,"z":0.5})");
    EXPECT_EQ(ops.back(), R"({"op":"end"})");
    EXPECT_EQ(countOf(readFile(dir, "ops.jsonl"), R"({"op":"begin"})"), 1u);  // one render only
    EXPECT_NE(readFile(dir, "ops.jsonl").find(R"({"op":"clip","x":200,"y":0,"w":400,"h":600})"),
              std::string::npos);
    for (const std::string& line : ops) EXPECT_TRUE(isJson(line)) << line;
}

TEST(SimOutputs, OverlayOnlyDraws) {
    TempDir dir;
    writeGame(dir);
    const std::string outputs =
        " --state-json s.json --trace-json t.jsonl --ops-jsonl o.jsonl";
    ASSERT_EQ(runSim(dir, "--frames 120 --hold z:0-119" + outputs), 0);
    const std::string state = readFile(dir, "s.json"), trace = readFile(dir, "t.jsonl");
    const size_t opsPlain = linesOf(readFile(dir, "o.jsonl")).size();
    ASSERT_EQ(runSim(dir, "--frames 120 --hold z:0-119 --overlay" + outputs), 0);
    EXPECT_EQ(readFile(dir, "s.json"), state);
    EXPECT_EQ(readFile(dir, "t.jsonl"), trace);
    const std::string ops = readFile(dir, "o.jsonl");
    EXPECT_GT(linesOf(ops).size(), opsPlain);
    EXPECT_NE(ops.find("\"color\":" + std::to_string(0xFF40FFFFu)), std::string::npos);
}

TEST(SimOutputs, PngIsAnEightHundredBySixHundredPicture) {
    TempDir dir;
    writeGame(dir);
    ASSERT_EQ(runSim(dir, "--frames 2 --png shot.png"), 0);
    const std::string png = readFile(dir, "shot.png");
    ASSERT_GT(png.size(), 33u);
    EXPECT_EQ(png.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
    EXPECT_EQ(png.substr(12, 4), "IHDR");
    EXPECT_EQ(bigEndian32(png, 16), 800u);
    EXPECT_EQ(bigEndian32(png, 20), 600u);

    // libpng reads it back; the playfield border at x = 200 is drawn white.
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_file(&image,
                                               (dir.path() / "shot.png").c_str()));
    image.format = PNG_FORMAT_RGBA;
    std::vector<unsigned char> pixels(PNG_IMAGE_SIZE(image));
    ASSERT_TRUE(png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr));
    EXPECT_EQ(image.width, 800u);
    EXPECT_EQ(image.height, 600u);
    const size_t border = (300u * 800u + 200u) * 4u;
    EXPECT_GT(pixels[border] + pixels[border + 1] + pixels[border + 2], 600);
    const size_t dark = (300u * 800u + 100u) * 4u;  // the left strip between gauges
    EXPECT_EQ(pixels[dark] + pixels[dark + 1] + pixels[dark + 2], 0);
}

TEST(SimOutputs, ControlsScreenDrawsItsTitle) {
    TempDir dir;
    writeGame(dir);
    // Without --frames the screen is entered and drawn once.
    ASSERT_EQ(runSim(dir, "--screen controls --ops-jsonl ops.jsonl --state-json state.json"), 0);
    const std::vector<std::string> ops = linesOf(readFile(dir, "ops.jsonl"));
    const std::vector<std::string> title =
        textOps(dir, 40.0f, 40.0f, "Controls setup:", 0xFFFFFFFF, 3);
    ASSERT_EQ(title.size(), 16u);  // 14 glyph-0 characters with one line, 'C' with two
    ASSERT_GE(ops.size(), 3 + title.size());
    EXPECT_EQ(ops[2], R"({"op":"clear","color":0})");
    for (size_t i = 0; i < title.size(); ++i) EXPECT_EQ(ops[3 + i], title[i]) << i;
    const std::string state = readFile(dir, "state.json");
    EXPECT_EQ(valueOf(state, "screen"), "\"controls\"");
    EXPECT_EQ(intOf(state, "displayFrames"), 0);
    EXPECT_EQ(intOf(state, "frameCounter"), 0);
}

TEST(SimOutputs, SelectionScreenDrawsItsTexts) {
    TempDir dir;
    writeGame(dir, true);
    ASSERT_EQ(runSim(dir, "--screen select --frames 1 --ops-jsonl ops.jsonl"), 0);
    const std::string ops = readFile(dir, "ops.jsonl");
    for (const std::string& line :
         textOps(dir, 615.0f, 15.0f, "Select your ship:", 0xFFBFBFBF, 1))
        EXPECT_NE(ops.find(line), std::string::npos) << line;
}

TEST(SimOutputs, StateNamesEveryRecordField) {
    TempDir dir;
    writeGame(dir);
    dir.write("endless.lev", endlessLevel);
    // The endless Emitter's first Actor comes out in the last step of its first cycle.
    ASSERT_EQ(runSim(dir, "endless.lev --frames 40 --state-json state.json"), 0);
    const std::string state = readFile(dir, "state.json");
    ASSERT_TRUE(isJson(state));
    for (std::string_view key :
         {"frameCounter", "timelineFrame", "timelineLength", "holdActive", "holdLength",
          "holdCounter", "holdTotal", "bossBars", "players", "actors", "emitters", "title"})
        EXPECT_NE(state.find("\"" + std::string(key) + "\":"), std::string::npos) << key;
    std::string playerFields;
    for (std::string_view f :
         {"x", "y", "heading", "hitRadius", "speed", "shotCooldown", "specialTimer",
          "specialTimerFull", "scoreMultiplier", "modelIndex", "shot1Script", "shot2Script",
          "bombEffectScript", "bombScript", "powerShotScript", "shipIndex", "disabledSteps",
          "targetBarFrames", "targetHp", "targetHpMax", "invulnerableSteps", "score"})
        playerFields += "\"" + std::string(f) + "\":";
    std::string actorFields;
    for (std::string_view f :
         {"x", "y", "angle", "speed", "andelta", "hp", "maxhp", "scale", "rotate", "hitrate",
          "scaledelta", "rotatedelta", "speeddelta", "model", "owner", "id", "player", "flag",
          "graze", "boss", "samex", "samey", "life", "repeat", "rlife", "events"})
        actorFields += "\"" + std::string(f) + "\":";
    // The fields stand in record order: strip the values and compare the key sequence.
    auto keysOf = [](const std::string& object) {
        std::string keys;
        for (size_t at = object.find('"'); at != std::string::npos; at = object.find('"', at)) {
            const size_t end = object.find('"', at + 1);
            if (end == std::string::npos) break;
            if (object.compare(end + 1, 1, ":") == 0) keys += object.substr(at, end - at + 2);
            at = end + 1;
        }
        return keys;
    };
    const size_t player = state.find("\"players\":[") + 11;
    EXPECT_EQ(keysOf(state.substr(player, state.find('}', player) - player + 1)), playerFields);
    const size_t actor = state.find("\"actors\":[\n") + 11;
    EXPECT_EQ(keysOf(state.substr(actor, state.find('}', actor) - actor + 1)), actorFields);
    EXPECT_NE(state.find(R"("events":[0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0]})"),
              std::string::npos);

    const size_t emitters = state.find("\"emitters\":[\n{");
    ASSERT_NE(emitters, std::string::npos);
    const std::string rest = state.substr(emitters + 14);
    size_t at = rest.find("\"template\":{\"x\":");
    ASSERT_EQ(at, 0u);
    at = rest.find("]}", at);  // the end of the template's events
    for (std::string_view range :
         {"x", "y", "start angle", "end angle", "andelta", "scale", "rotate", "scaledelta",
          "rotatedelta", "speed", "hp", "life", "repeat", "speeddelta", "hitrate"}) {
        const std::string piece = "\"" + std::string(range) + "\":{\"start\":";
        const size_t next = rest.find(piece, at);
        ASSERT_NE(next, std::string::npos) << range;
        at = next;
        const size_t close = rest.find('}', at);
        const std::string body = rest.substr(at, close - at);
        EXPECT_NE(body.find("\"end\":"), std::string::npos) << range;
        EXPECT_NE(body.find("\"mode\":"), std::string::npos) << range;
        EXPECT_NE(body.find("\"step\":"), std::string::npos) << range;
    }
    for (std::string_view counter : {"wait", "time", "delay", "times", "count", "emitted",
                                     "perframe", "remainder", "frame", "order", "attached",
                                     "ans"}) {
        const size_t next = rest.find("\"" + std::string(counter) + "\":", at);
        ASSERT_NE(next, std::string::npos) << counter;
        at = next;
    }
    EXPECT_EQ(intOf(rest, "times"), -1);  // "times 0" counted past its first cycle
    EXPECT_EQ(intOf(rest, "frame"), 9);   // steps 31 to 39 of the second cycle
    EXPECT_EQ(intOf(rest, "time"), 30);
    EXPECT_EQ(intOf(rest, "attached"), -1);
    // The status line of the last step: fps / Actors / frameCounter / multiplier x 1000.
    EXPECT_EQ(valueOf(state, "title"), "\"60 / 1 / 39 / 102\"");
}

TEST(SimOutputs, BossHoldShowsInTheState) {
    TempDir dir;
    writeGame(dir);
    dir.write("boss.lev", bossLevel);
    ASSERT_EQ(runSim(dir, "boss.lev --frames 50 --state-json state.json"), 0);
    std::string state = readFile(dir, "state.json");
    // Frame 5 started the hold; steps 6 to 49 counted in it.
    EXPECT_EQ(valueOf(state, "holdActive"), "true");
    EXPECT_EQ(intOf(state, "holdLength"), 100);
    EXPECT_EQ(intOf(state, "holdCounter"), 44);
    EXPECT_EQ(intOf(state, "holdTotal"), 0);
    EXPECT_EQ(intOf(state, "timelineFrame"), 6);
    EXPECT_NE(state.find(R"("bossBars":[[500,500]])"), std::string::npos);
    EXPECT_EQ(countOf(state, "\"boss\":1,"), 1u);

    // The limit ends the boss in step 105; the timeline goes on from frame 6 in step 106.
    ASSERT_EQ(runSim(dir, "boss.lev --frames 200 --state-json state.json --trace-json t.jsonl"), 0);
    state = readFile(dir, "state.json");
    EXPECT_EQ(valueOf(state, "holdActive"), "false");
    EXPECT_EQ(intOf(state, "holdTotal"), 100);
    EXPECT_EQ(intOf(state, "timelineFrame"), 100);
    EXPECT_NE(state.find(R"("bossBars":[])"), std::string::npos);
    EXPECT_EQ(countOf(state, "\"boss\":1,"), 0u);
    const std::vector<std::string> trace = linesOf(readFile(dir, "t.jsonl"));
    ASSERT_EQ(trace.size(), 200u);
    EXPECT_NE(trace[104].find(R"("bossBars":[[500,500]])"), std::string::npos) << trace[104];
    EXPECT_NE(trace[105].find(R"("bossBars":[])"), std::string::npos) << trace[105];
}

TEST(SimOutputs, EventsOfAScriptedRunInOrder) {
    TempDir dir;
    writeGame(dir);
    dir.write("events.lev", eventsLevel);
    const std::string run = "events.lev --frames 320 --hold z:0-0 --hold x:300-300";
    ASSERT_EQ(runSim(dir, run + " --events-jsonl events.jsonl --state-json with.json"), 0)
        << readFile(dir, "stderr.txt");
    std::string sequence;
    for (const std::string& line : linesOf(readFile(dir, "events.jsonl"))) {
        ASSERT_TRUE(isJson(line)) << line;
        std::string kind = valueOf(line, "kind").value_or("?");
        kind = kind.substr(1, kind.size() - 2);
        if (kind == "graze") continue;  // the falling rock passes the ship's row too
        sequence += kind + "@" + std::to_string(intOf(line, "step")) + " ";
    }
    // The stage starts, the one shot flies 13 steps to the target, which its hit kills; the
    // rock reaches the ship once the start's invulnerability is over; the bomb.
    EXPECT_EQ(sequence, "stage_start@0 shot@0 hit@13 kill@13 player_hit@215 bomb@300 ");
    // The events are no part of the state.
    ASSERT_EQ(runSim(dir, run + " --state-json without.json"), 0);
    EXPECT_EQ(readFile(dir, "with.json"), readFile(dir, "without.json"));
}

TEST(SimOutputs, WavHasTheShotOnItsStep) {
    TempDir dir;
    writeGame(dir);
    dir.write("sound.lev", shotSoundLevel);
    const std::string run = "sound.lev --frames 120 --hold z:30-30";
    ASSERT_EQ(runSim(dir, run + " --wav a.wav --events-jsonl e.jsonl --state-json with.json"), 0)
        << readFile(dir, "stderr.txt");
    const std::string bytes = readFile(dir, "a.wav");
    ASSERT_EQ(bytes.size(), 44u + 120u * 800u * 4u);  // 800 stereo frames a step
    const std::vector<long long> shots = eventSteps(readFile(dir, "e.jsonl"), "shot");
    ASSERT_EQ(shots.size(), 1u);
    // Silent before the shot, sounding from within its step on.
    const std::vector<size_t> heard = onsets(wavSamples(bytes));
    ASSERT_EQ(heard.size(), 1u);
    EXPECT_GE(heard[0], static_cast<size_t>(shots[0]) * 800u);
    EXPECT_LT(heard[0], static_cast<size_t>(shots[0] + 1) * 800u);
    // The same bytes every time; nothing else of the run changes with the sound.
    ASSERT_EQ(runSim(dir, run + " --wav b.wav --state-json without.json"), 0);
    EXPECT_EQ(readFile(dir, "b.wav"), bytes);
    ASSERT_EQ(runSim(dir, run + " --state-json without.json"), 0);
    EXPECT_EQ(readFile(dir, "with.json"), readFile(dir, "without.json"));
    // Muted, the same length of silence.
    ASSERT_EQ(runSim(dir, run + " --wav m.wav --mute"), 0);
    const std::string muted = readFile(dir, "m.wav");
    ASSERT_EQ(muted.size(), bytes.size());
    EXPECT_TRUE(onsets(wavSamples(muted)).empty());
}

TEST(SimOutputs, HeldFireKeepsTheSoundsInterval) {
    TempDir dir;
    writeGame(dir);
    dir.write("sound.lev", shotSoundLevel);
    ASSERT_EQ(runSim(dir, "sound.lev --frames 120 --hold z:0-119 --wav a.wav "
                          "--events-jsonl e.jsonl"), 0)
        << readFile(dir, "stderr.txt");
    const std::vector<long long> shots = eventSteps(readFile(dir, "e.jsonl"), "shot");
    const std::vector<size_t> heard = onsets(wavSamples(readFile(dir, "a.wav")));
    ASSERT_GE(heard.size(), 2u);
    EXPECT_GT(shots.size(), heard.size());  // more shots than the interval lets sound
    EXPECT_LT(heard[0], 800u);  // the first shot, at step 0
    for (size_t i = 1; i < heard.size(); ++i)
        EXPECT_GE(heard[i] - heard[i - 1], 12000u) << i;  // a quarter of a second
}

TEST(SimOutputs, MusicAndSoundCommandsPlayInTheWav) {
    TempDir dir;
    writeGame(dir);
    dir.write("music.lev", musicLevel);
    ASSERT_EQ(runSim(dir, "music.lev --frames 240 --wav a.wav --state-json with.json"), 0)
        << readFile(dir, "stderr.txt");
    const std::vector<int16_t> s = wavSamples(readFile(dir, "a.wav"));
    ASSERT_EQ(s.size(), 240u * 800u * 2u);
    // 440 Hz for a quarter of a second, then 880 Hz, then the rest: 2 * f * 10000 / 48000.
    EXPECT_NEAR(static_cast<double>(crossings(s, 1000, 11000)), 183.3, 2.0);
    EXPECT_NEAR(static_cast<double>(crossings(s, 13000, 23000)), 366.7, 2.0);
    EXPECT_TRUE(std::all_of(s.begin() + 2 * 24500, s.begin() + 2 * 47000, [](int16_t v) { return v == 0; }));
    // The second second repeats the first sample for sample (past the first block, where
    // the music volume glides in): the loop neither drifts nor leaves a gap.
    EXPECT_TRUE(std::equal(s.begin() + 2 * 1000, s.begin() + 2 * 48000, s.begin() + 2 * 49000));
    // "music stop" at step 130 releases the note within 5 ms; the sound at step 200.
    const std::vector<size_t> heard = onsets(s);
    ASSERT_FALSE(heard.empty());
    EXPECT_GE(heard.back(), 200u * 800u);
    EXPECT_LT(heard.back(), 201u * 800u);
    EXPECT_TRUE(std::all_of(s.begin() + 2 * (130 * 800 + 300), s.begin() + 2 * 200 * 800,
                            [](int16_t v) { return v == 0; }));
    // The definitions dump lists the blocks and the names the commands give.
    ASSERT_EQ(runSim(dir, "music.lev --defs-json defs.json"), 0);
    const std::string defs = readFile(dir, "defs.json");
    EXPECT_NE(defs.find(R"({"name":"theme","tempo":120,"lengthTicks":192,"channels":[{"instrument":"lead","sound":0,"notes":2}]})"),
              std::string::npos) << defs;
    EXPECT_NE(defs.find(R"("soundCommandNames":["theme","boom"])"), std::string::npos);
    // The commands change nothing else of the run.
    dir.write("quiet.lev", "sound lead { }\nstage 600 { }\n");
    ASSERT_EQ(runSim(dir, "quiet.lev --frames 240 --state-json without.json"), 0);
    EXPECT_EQ(readFile(dir, "with.json"), readFile(dir, "without.json"));
    // A run started part-way plays the tune the timeline asked for before it; the ship
    // selection plays "select".
    ASSERT_EQ(runSim(dir, "music.lev --start-frame 30 --frames 10 --wav b.wav"), 0);
    EXPECT_EQ(onsets(wavSamples(readFile(dir, "b.wav"))), std::vector<size_t>{0});
    ASSERT_EQ(runSim(dir, "music.lev --screen select --frames 10 --wav c.wav"), 0);
    const std::vector<int16_t> selection = wavSamples(readFile(dir, "c.wav"));
    EXPECT_NEAR(static_cast<double>(crossings(selection, 1000, 7000)), 2 * 523.25 * 6000 / 48000, 2.0);
}
