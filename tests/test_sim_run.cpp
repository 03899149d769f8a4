// quillfray-sim runs the game: frames on the virtual clock, --dt, seeds, held keys, the
// screens and the step trace; the Practice screen's runs.
#include "tests/sim_run_helpers.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

using namespace simtest;

namespace {

// The state JSON after running `args` in a fresh copy of the test game.
std::string stateAfter(const std::string& args, bool withDemo = false) {
    TempDir dir;
    writeGame(dir, withDemo);
    EXPECT_EQ(runSim(dir, args + " --state-json state.json"), 0) << readFile(dir, "stderr.txt");
    const std::string state = readFile(dir, "state.json");
    EXPECT_TRUE(isJson(state)) << state;
    return state;
}

// In `dir`, with the records of home/: the Practice screen, `downs` presses of down, then
// Fire; the timeline frame the run began with. `ops` receives the last picture's ops.
long long practiceStart(const TempDir& dir, int downs, std::string& ops) {
    std::string args = "--home home --date 2026-12-08T12:00:00 --screen practice --frames 20 "
                       "--hold z:10-19 --state-json state.json --ops-jsonl ops.jsonl";
    for (int k = 0; k < downs; ++k)
        args += " --hold down:" + std::to_string(2 * k + 1) + "-" + std::to_string(2 * k + 1);
    EXPECT_EQ(runSim(dir, args), 0) << readFile(dir, "stderr.txt");
    const std::string state = readFile(dir, "state.json");
    EXPECT_EQ(valueOf(state, "screen"), "\"game\"");
    ops = readFile(dir, "ops.jsonl");
    return intOf(state, "timelineFrame") - intOf(state, "frameCounter");
}

// The part of a state JSON from the Player record on.
size_t playerAt(const std::string& state) { return state.find("\"players\":[{"); }

}  // namespace

TEST(SimRun, FramesRunOneStepEach) {
    const std::string state = stateAfter("--frames 600");
    EXPECT_EQ(valueOf(state, "screen"), "\"game\"");
    EXPECT_EQ(intOf(state, "displayFrames"), 600);
    EXPECT_EQ(intOf(state, "frameCounter"), 600);
    EXPECT_EQ(intOf(state, "timelineFrame"), 600);
    EXPECT_EQ(intOf(state, "timelineLength"), 600);
    EXPECT_EQ(valueOf(state, "programEnded"), "false");
    // The five rocks of frame 10 are still falling.
    EXPECT_EQ(countOf(state, "\"model\":3,"), 5u) << state;
}

TEST(SimRun, AHundredThousandFramesStayInStep) {
    TempDir dir;  // no files at all: nothing but the clock and the stars
    ASSERT_EQ(runSim(dir, "--frames 100000 --state-json state.json"), 0);
    EXPECT_EQ(intOf(readFile(dir, "state.json"), "frameCounter"), 100000);
}

TEST(SimRun, DtRunsThreeStepsAFrame) {
    EXPECT_EQ(intOf(stateAfter("--frames 1 --dt 0.05"), "frameCounter"), 3);
    EXPECT_EQ(intOf(stateAfter("--frames 20 --dt 0.05"), "frameCounter"), 60);
    EXPECT_EQ(intOf(stateAfter("--frames 5 --dt 0"), "frameCounter"), 0);  // a frozen clock
    EXPECT_EQ(intOf(stateAfter("--frames 4 --dt 0.5"), "frameCounter"), 120);
}

TEST(SimRun, SameSeedSameGameOtherSeedOtherGame) {
    const std::string one = stateAfter("--frames 30 --seed 7");
    const std::string again = stateAfter("--frames 30 --seed 7");
    const std::string other = stateAfter("--frames 30 --seed 8");
    EXPECT_EQ(one, again);
    EXPECT_NE(one, other);
    // The rocks fall at random x: the Actors differ, not only the stars.
    EXPECT_NE(one.substr(one.find("\"actors\"")), other.substr(other.find("\"actors\"")));
    // The seed is set before the run's own screen entry, so whatever start-up drew first
    // does not matter: the default seed gives the same run every time.
    EXPECT_EQ(stateAfter("--frames 30"), stateAfter("--frames 30 --seed 1"));
}

TEST(SimRun, HoldingRightMovesTheShipTenSteps) {
    const std::string state = stateAfter("--frames 10 --hold right:0-9");
    float expected = 0.5f;
    for (int i = 0; i < 10; ++i) expected += 0.01f;  // sin(pi/2) rounds to 1 in float
    EXPECT_EQ(floatOf(state, "x", playerAt(state)), expected);
    EXPECT_NEAR(floatOf(state, "x", playerAt(state)), 0.6f, 1e-6f);
    EXPECT_EQ(floatOf(state, "y", playerAt(state)), 1.25f);

    // Held only up to frame 4: five steps.
    const std::string shorter = stateAfter("--frames 10 --hold 0x27:0-4");
    EXPECT_NEAR(floatOf(shorter, "x", playerAt(shorter)), 0.55f, 1e-6f);
}

// The state after a run of the shipped game with `holds`.
std::string shippedStateAfter(const std::string& holds) {
    TempDir dir;
    copyShippedData(dir);
    EXPECT_EQ(runSim(dir, "--frames 400 " + holds + " --state-json state.json"), 0)
        << readFile(dir, "stderr.txt");
    return readFile(dir, "state.json");
}

TEST(SimRun, PadHoldsPlayExactlyAsTheMatchingKeysWithTheShippedControls) {
    const std::string keys = shippedStateAfter(
        "--hold z:0-299 --hold left:40-90 --hold up:60-80 --hold shift:100-200 "
        "--hold right:150-170 --hold x:250 --hold c:320-330");
    EXPECT_EQ(shippedStateAfter("--hold pad:a:0-299 --hold pad:dpleft:40-90 "
                                "--hold pad:dpup:60-80 --hold pad:rightshoulder:100-200 "
                                "--hold pad:dpright:150-170 --hold pad:b:250 "
                                "--hold pad:x:320-330"),
              keys);
    EXPECT_EQ(shippedStateAfter("--hold pad:a:0-299 --hold pad:leftx-:40-90 "
                                "--hold pad:lefty=-0.6:60-80 --hold pad:y:100-200 "
                                "--hold pad:leftx=1:150-170 --hold pad:b:250 "
                                "--hold pad:x:320-330"),
              keys);
    // Inside the dead zone (25 %) the stick moves nothing.
    EXPECT_EQ(shippedStateAfter("--hold z:0-299 --hold pad:leftx=-0.2:40-90 "
                                "--hold pad:lefty=0.249:60-80"),
              shippedStateAfter("--hold z:0-299"));
    EXPECT_NE(shippedStateAfter("--hold z:0-299 --hold pad:leftx=-0.26:40-90"),
              shippedStateAfter("--hold z:0-299"));
}

TEST(SimRun, RawButtonNumbersOfTheControlsFileWinOverThePadLayout) {
    TempDir dir;
    writeGame(dir);
    dir.write("quillfray.cfg", std::string(testControls) + "control 5 joy 3\n");
    const auto shotsWith = [&dir](const std::string& hold) {
        EXPECT_EQ(runSim(dir, "--frames 10 " + hold + " --state-json state.json"), 0);
        return countOf(readFile(dir, "state.json"), "\"owner\":1,");
    };
    EXPECT_EQ(shotsWith("--hold pad:a:0-9"), 0u) << "the fire row holds raw button 3, not A";
    EXPECT_EQ(shotsWith("--hold pad:y:0-9"), 2u) << "raw button 3 is the scripted pad's Y";
    EXPECT_EQ(shotsWith("--hold pad:b:0-9"), 0u);
    EXPECT_EQ(runSim(dir, "--frames 1 --hold pad:z:0"), 2);
    EXPECT_NE(readFile(dir, "stderr.txt").find("unknown pad button or axis \"z\""),
              std::string::npos);
    EXPECT_EQ(runSim(dir, "--frames 1 --hold pad:leftx=2:0"), 2);
}

TEST(SimRun, HoldingFireRunsTheShotScript) {
    TempDir dir;
    writeGame(dir);
    ASSERT_EQ(runSim(dir, "--frames 10 --hold z:0-9 --state-json state.json "
                          "--trace-json trace.jsonl"),
              0);
    const std::string state = readFile(dir, "state.json");
    // Shots at steps 0 and 5 (reload 5); each bullet comes out in the next emitter pass.
    EXPECT_EQ(countOf(state, "\"owner\":1,"), 2u);
    EXPECT_EQ(floatOf(state, "shotCooldown", playerAt(state)), 1.0f);
    const std::vector<std::string> trace = linesOf(readFile(dir, "trace.jsonl"));
    ASSERT_EQ(trace.size(), 10u);
    EXPECT_EQ(intOf(trace[0], "actors"), 0);
    EXPECT_EQ(intOf(trace[0], "emitters"), 1);
    EXPECT_EQ(intOf(trace[1], "actors"), 1);
    EXPECT_EQ(intOf(trace[6], "actors"), 2);
    // Without Fire nothing is shot.
    EXPECT_EQ(countOf(stateAfter("--frames 10"), "\"owner\":1,"), 0u);
}

TEST(SimRun, EscapeReturnsToShipSelection) {
    const std::string state = stateAfter("--frames 5 --hold escape:2-4", true);
    EXPECT_EQ(valueOf(state, "screen"), "\"select\"");
    EXPECT_EQ(valueOf(state, "programEnded"), "false");  // still held: no new press
    // Frames 3 and 4 ran one demo step each.
    EXPECT_EQ(intOf(state, "frameCounter"), 2);

    // A new press on the selection screen ends the program at once.
    const std::string ended =
        stateAfter("--frames 10 --hold escape:2-2 --hold escape:5-5", true);
    EXPECT_EQ(valueOf(ended, "programEnded"), "true");
    EXPECT_EQ(intOf(ended, "displayFrames"), 6);
}

TEST(SimRun, HoldingRRestartsTheGameEveryFrame) {
    const std::string state = stateAfter("--frames 10 --hold right:0-9 --hold r:0-4");
    // Frames 0 to 4 reset and run no step; frames 5 to 9 run one step each.
    EXPECT_EQ(intOf(state, "frameCounter"), 5);
    EXPECT_NEAR(floatOf(state, "x", playerAt(state)), 0.55f, 1e-6f);
}

TEST(SimRun, TraceHasOneLinePerStep) {
    TempDir dir;
    writeGame(dir);
    ASSERT_EQ(runSim(dir, "--frames 12 --dt 0.05 --trace-json trace.jsonl"), 0);
    const std::vector<std::string> lines = linesOf(readFile(dir, "trace.jsonl"));
    ASSERT_EQ(lines.size(), 36u);
    for (size_t i = 0; i < lines.size(); ++i) {
        EXPECT_TRUE(isJson(lines[i])) << lines[i];
        EXPECT_EQ(intOf(lines[i], "frameCounter"), static_cast<long long>(i + 1));
        EXPECT_EQ(intOf(lines[i], "score"), 0);
        EXPECT_EQ(valueOf(lines[i], "bossBars"), "[");
    }
    // The rocks of frame 10 come out in step 10.
    EXPECT_EQ(intOf(lines[9], "actors"), 0);
    EXPECT_EQ(intOf(lines[10], "actors"), 5);
    EXPECT_EQ(lines[0].rfind(R"({"frameCounter":1,"actors":0,"emitters":0,"score":0,"bossBars":[]})", 0), 0u);
}

TEST(SimRun, SelectionScreenPlaysTheDemo) {
    const std::string state = stateAfter("--screen select --frames 1 --ship 1", true);
    EXPECT_EQ(valueOf(state, "screen"), "\"select\"");
    EXPECT_EQ(intOf(state, "frameCounter"), 1);
    // The demo's four bullets came out in the first step; the ship's first shot waits in
    // its Emitter for the next.
    EXPECT_EQ(countOf(state, "\"owner\":2,"), 4u);
    EXPECT_EQ(countOf(state, "\"y\":0.200000003,"), 4u);
    EXPECT_EQ(intOf(state, "shipIndex", playerAt(state)), 1);
    EXPECT_NE(state.find("\"emitters\":[\n{\"template\":"), std::string::npos);

    // Without a "demo" script only the ship fires.
    const std::string bare = stateAfter("--screen select --frames 1");
    EXPECT_EQ(countOf(bare, "\"owner\":2,"), 0u);

    // Fire held on the selection screen starts the game with the ship under the cursor.
    const std::string started = stateAfter("--screen select --ship 1 --frames 3 --hold z:1-1", true);
    EXPECT_EQ(valueOf(started, "screen"), "\"game\"");
    EXPECT_EQ(intOf(started, "shipIndex", playerAt(started)), 1);
}

TEST(SimRun, ControlsScreenLeavesWithEscape) {
    const std::string state = stateAfter("--screen controls --frames 3");
    EXPECT_EQ(valueOf(state, "screen"), "\"controls\"");
    EXPECT_EQ(intOf(state, "frameCounter"), 3);  // display frames on this screen
    const std::string left = stateAfter("--screen controls --frames 3 --hold escape:1-1");
    EXPECT_EQ(valueOf(left, "screen"), "\"select\"");
    EXPECT_EQ(valueOf(left, "programEnded"), "false");
}

TEST(SimRun, MenuAndOptionsScreensAndTheWayBack) {
    EXPECT_EQ(valueOf(stateAfter("--screen menu --frames 2"), "screen"), "\"menu\"");
    EXPECT_EQ(valueOf(stateAfter("--screen options --frames 2"), "screen"), "\"options\"");
    EXPECT_EQ(valueOf(stateAfter("--screen select --frames 3 --hold 0x50:1-1"), "screen"),
              "\"menu\"");
    EXPECT_EQ(valueOf(stateAfter("--screen options --frames 3 --hold escape:1-1"), "screen"),
              "\"menu\"");
    const std::string left = stateAfter("--screen menu --frames 3 --hold escape:1-1");
    EXPECT_EQ(valueOf(left, "screen"), "\"select\"");
    EXPECT_EQ(valueOf(left, "programEnded"), "false");
}

TEST(SimRun, WithoutRunOptionsOnlyLoads) {
    TempDir dir;
    writeGame(dir);
    ASSERT_EQ(runSim(dir, "--defs-json defs.json"), 0);
    EXPECT_NE(readFile(dir, "defs.json").find("\"ships\":[{\"name\":\"arrow\""),
              std::string::npos);
    EXPECT_EQ(readFile(dir, "stdout.txt"), "");
}

TEST(SimRun, UnwritableOutputsFail) {
    TempDir dir;
    writeGame(dir);
    EXPECT_EQ(runSim(dir, "--frames 1 --state-json /nonexistent/dir/s.json"), 1);
    EXPECT_EQ(runSim(dir, "--frames 1 --trace-json /nonexistent/dir/t.jsonl"), 1);
    EXPECT_EQ(runSim(dir, "--frames 1 --ops-jsonl /nonexistent/dir/o.jsonl"), 1);
    EXPECT_EQ(runSim(dir, "--frames 1 --png /nonexistent/dir/p.png"), 1);
    EXPECT_EQ(runSim(dir, "--hold nokey:1-2"), 2);
    EXPECT_NE(readFile(dir, "stderr.txt").find("unknown key"), std::string::npos);
}

TEST(SimRun, StartFrameAndStageBeginTheRunLaterInTheLevel) {
    TempDir dir;
    writeGame(dir);
    // Stages of 300 and 400 frames: a marker at frame 100 of the first, one at frame 50 of
    // the second (timeline frame 350).
    dir.write("default.lev",
              "model first { line 0 0 0.01 0.01 }\nmodel second { line 0 0 0.01 0.01 }\n"
              "stage 300 { event 100 { cmd spawn { model first fx 0.5 owner 2 life 5000 } } }\n"
              "stage 400 { event 50 { cmd spawn { model second fx 0.5 owner 2 life 5000 } } }\n");
    // Models 0 to 2 are base.vec's; `first` is 3 and `second` 4.
    for (const char* start : {"--start-frame 200 --frames 200", "--stage 2 --frames 100"}) {
        ASSERT_EQ(runSim(dir, std::string(start) + " --state-json state.json"), 0) << start;
        const std::string state = readFile(dir, "state.json");
        EXPECT_EQ(countOf(state, "\"model\":"), 1u) << start;
        EXPECT_EQ(intOf(state, "model", state.find("\"actors\"")), 4) << start;
        EXPECT_EQ(intOf(state, "timelineFrame"), 400) << start;  // as the game counts it
    }
    ASSERT_EQ(runSim(dir, "--frames 400 --state-json state.json"), 0);
    EXPECT_EQ(countOf(readFile(dir, "state.json"), "\"model\":"), 2u);
    // A replay keeps where its run began.
    ASSERT_EQ(runSim(dir, "--stage 2 --frames 100 --record late.qfr --state-json a.json"), 0);
    ASSERT_EQ(runSim(dir, "--replay late.qfr --verify --state-json b.json"), 0)
        << readFile(dir, "stderr.txt");
    EXPECT_EQ(readFile(dir, "a.json"), readFile(dir, "b.json"));
    for (const char* bad : {"--stage 3", "--stage 0", "--start-frame 700", "--start-frame -1",
                            "--start-frame ten", "--stage 1 --start-frame 3"}) {
        EXPECT_EQ(runSim(dir, bad), 2) << bad;
        EXPECT_NE(readFile(dir, "stderr.txt").find("quillfray-sim: --"), std::string::npos)
            << bad << ": " << readFile(dir, "stderr.txt");
    }
    EXPECT_NE(readFile(dir, "stderr.txt").find("do not go together"), std::string::npos);
}

TEST(SimRun, PauseKeysToggleAndTheFrameTheyGoDownRunsNoStep) {
    EXPECT_EQ(intOf(stateAfter("--frames 300 --hold z:0-299 --hold 0x50:100-100"), "frameCounter"),
              100);
    EXPECT_EQ(intOf(stateAfter("--frames 300 --hold z:0-299 --hold 0x50:100-100 "
                               "--hold 0x50:200-200"),
                    "frameCounter"),
              199);
    // The Pause key too; R does nothing while paused, Escape still leaves the run.
    EXPECT_EQ(intOf(stateAfter("--frames 100 --hold 0x13:50-50 --hold r:60-70"), "frameCounter"),
              50);
    const std::string left = stateAfter("--frames 100 --hold 0x13:50-50 --hold escape:60-60");
    EXPECT_EQ(valueOf(left, "screen"), "\"select\"");
}

TEST(SimRun, PracticeOffersTheStagesAndBossesTheShipReachedAndMarksItsRuns) {
    TempDir dir;
    writeGame(dir);
    // Stages of 300 and 400 frames; the boss command at frame 380 of the second (680).
    dir.write("default.lev", "stage 300 { event 100 { } }\n"
                             "stage 400 { event 380 { cmd boss { hp 10 time 30 } } }\n");
    const std::string practiceColor = "\"color\":" + std::to_string(0xFFFFC060u);
    std::string ops;
    // A fresh home offers stage 1 alone: the downs stay on it and the run is no practice.
    EXPECT_EQ(practiceStart(dir, 3, ops), 0);
    EXPECT_EQ(countOf(ops, practiceColor), 0u);
    // A run that reached stage 2 offers it, from its first frame.
    ASSERT_EQ(runSim(dir, "--home home --stage 2 --frames 50"), 0);
    EXPECT_EQ(practiceStart(dir, 3, ops), 300);
    EXPECT_GT(countOf(ops, practiceColor), 0u);  // PRACTICE in the left strip
    // A run begun past the boss's frame has not met it; one that began before and got
    // there has, and offers it 300 frames before its command.
    ASSERT_EQ(runSim(dir, "--home home --start-frame 690 --frames 5"), 0);
    EXPECT_EQ(practiceStart(dir, 3, ops), 300);
    ASSERT_EQ(runSim(dir, "--home home --start-frame 650 --frames 60"), 0);
    EXPECT_EQ(practiceStart(dir, 3, ops), 380);
    // Every run that began later than frame 0 is recorded as practice: its FLAGS hold p.
    std::string records;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path() / "home/records"))
        if (entry.path().extension() == ".txt")
            records = readFile(dir, "home/records/" + entry.path().filename().string());
    const std::vector<std::string> lines = linesOf(records);
    ASSERT_EQ(lines.size(), 4u + 7u) << records;  // header, three files, seven runs
    for (size_t k = 4; k < lines.size(); ++k) {
        std::istringstream words(lines[k]);
        std::string word, flags;
        for (int w = 0; w < 9 && words >> word; ++w) flags = word;
        EXPECT_EQ(flags.starts_with("p"), k != 4) << lines[k];
    }
    // Escape from a practice run: the selection's next run starts at frame 0 again.
    ASSERT_EQ(runSim(dir, "--home home --screen practice --frames 40 --hold down:1-1 "
                          "--hold z:10-10 --hold escape:20-20 --hold z:30-39 "
                          "--state-json state.json"),
              0);
    const std::string state = readFile(dir, "state.json");
    EXPECT_EQ(valueOf(state, "screen"), "\"game\"");
    EXPECT_EQ(intOf(state, "timelineFrame"), intOf(state, "frameCounter"));
    EXPECT_GT(intOf(state, "frameCounter"), 0);
}
