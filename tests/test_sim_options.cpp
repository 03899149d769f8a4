// quillfray-sim's command line: key names, KEY:FROM-TO holds, the keys of each frame and
// the run options.
#include "tools/sim/key_holds.h"
#include "tools/sim/sim_options.h"

#include <gtest/gtest.h>

namespace {

// Parses `args` as the command line after the program name.
SimOptionsResult parse(std::initializer_list<std::string_view> args) {
    return parseSimOptions(std::vector<std::string_view>(args));
}

}  // namespace

TEST(SimKeyNames, NamesCodesAndHex) {
    EXPECT_EQ(keyCodeFromText("left"), 0x25);
    EXPECT_EQ(keyCodeFromText("up"), 0x26);
    EXPECT_EQ(keyCodeFromText("right"), 0x27);
    EXPECT_EQ(keyCodeFromText("down"), 0x28);
    EXPECT_EQ(keyCodeFromText("z"), 0x5A);
    EXPECT_EQ(keyCodeFromText("x"), 0x58);
    EXPECT_EQ(keyCodeFromText("c"), 0x43);
    EXPECT_EQ(keyCodeFromText("shift"), 0x10);
    EXPECT_EQ(keyCodeFromText("space"), 0x20);
    EXPECT_EQ(keyCodeFromText("escape"), 0x1B);
    EXPECT_EQ(keyCodeFromText("f9"), 0x78);
    EXPECT_EQ(keyCodeFromText("r"), 0x52);
    EXPECT_EQ(keyCodeFromText("Escape"), 0x1B);  // any case
    EXPECT_EQ(keyCodeFromText("F9"), 0x78);
    EXPECT_EQ(keyCodeFromText("39"), 39);
    EXPECT_EQ(keyCodeFromText("0x27"), 0x27);
    EXPECT_EQ(keyCodeFromText("0XfF"), 255);
    EXPECT_EQ(keyCodeFromText("1"), 1);
}

TEST(SimKeyNames, RejectsWhatNamesNoKey) {
    EXPECT_FALSE(keyCodeFromText(""));
    EXPECT_FALSE(keyCodeFromText("0"));
    EXPECT_FALSE(keyCodeFromText("256"));
    EXPECT_FALSE(keyCodeFromText("0x100"));
    EXPECT_FALSE(keyCodeFromText("0x"));
    EXPECT_FALSE(keyCodeFromText("-5"));
    EXPECT_FALSE(keyCodeFromText("12a"));
    EXPECT_FALSE(keyCodeFromText("leftt"));
    EXPECT_FALSE(keyCodeFromText("f10"));
    EXPECT_NE(keyNameList().find("escape"), std::string::npos);
}

TEST(SimKeyHold, ParsesKeyAndFrames) {
    std::string error;
    std::optional<KeyHold> hold = parseKeyHold("right:0-9", error);
    ASSERT_TRUE(hold) << error;
    EXPECT_EQ(hold->key, 0x27);
    EXPECT_EQ(hold->from, 0);
    EXPECT_EQ(hold->to, 9);

    hold = parseKeyHold("0x5A:12-12", error);
    ASSERT_TRUE(hold) << error;
    EXPECT_EQ(hold->key, 0x5A);
    EXPECT_EQ(hold->from, 12);
    EXPECT_EQ(hold->to, 12);

    hold = parseKeyHold("82:7", error);  // one frame
    ASSERT_TRUE(hold) << error;
    EXPECT_EQ(hold->key, 82);
    EXPECT_EQ(hold->from, 7);
    EXPECT_EQ(hold->to, 7);

    hold = parseKeyHold("space:0-2147483647", error);
    ASSERT_TRUE(hold) << error;
    EXPECT_EQ(hold->to, 2147483647);
}

TEST(SimKeyHold, RejectsMalformedHolds) {
    for (std::string_view bad :
         {"right", "right:", "right:-", "right:5-", "right:-5", "right:9-3", "right:a-b",
          "right:1-2-3", "right:+1-2", "nokey:1-2", ":1-2", "0:1-2", "right:0-2147483648",
          "right: 1-2"}) {
        std::string error;
        EXPECT_FALSE(parseKeyHold(bad, error)) << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
}

TEST(SimKeyHold, FramesHoldAndPressKeys) {
    const std::vector<KeyHold> holds = {{0x27, 2, 4}, {0x5A, 3, 3}, {0x5A, 4, 6}, {0x26, 3, 5}};
    FrameKeys f = keysOfFrame(holds, 1);
    EXPECT_FALSE(f.held[0x27]);
    EXPECT_EQ(f.pressed, 0);

    f = keysOfFrame(holds, 2);
    EXPECT_TRUE(f.held[0x27]);
    EXPECT_EQ(f.pressed, 0x27);  // goes down in this frame

    f = keysOfFrame(holds, 3);
    EXPECT_TRUE(f.held[0x27]);
    EXPECT_TRUE(f.held[0x5A]);
    EXPECT_TRUE(f.held[0x26]);
    EXPECT_EQ(f.pressed, 0x5A);  // the first new hold in command-line order

    f = keysOfFrame(holds, 4);  // z stays down across two adjoining holds: no new press
    EXPECT_TRUE(f.held[0x5A]);
    EXPECT_EQ(f.pressed, 0);

    f = keysOfFrame(holds, 7);
    EXPECT_FALSE(f.held[0x5A]);
    EXPECT_FALSE(f.held[0x27]);
    EXPECT_EQ(f.pressed, 0);

    f = keysOfFrame(std::vector<KeyHold>{{0x1B, 0, 0}}, 0);  // frame 0 has no frame before
    EXPECT_EQ(f.pressed, 0x1B);
}

TEST(SimOptionsParse, DefaultsLoadOnly) {
    SimOptionsResult r = parse({"a.lev", "b.lev"});
    ASSERT_EQ(r.outcome, SimOptionsResult::Outcome::Run);
    EXPECT_FALSE(r.options.run);
    EXPECT_EQ(r.options.levelFiles, (std::vector<std::string>{"a.lev", "b.lev"}));
    EXPECT_EQ(r.options.frames, 0);
    EXPECT_EQ(r.options.ship, 0);
    EXPECT_EQ(r.options.seed, 1u);
    EXPECT_FALSE(r.options.dt);
    EXPECT_EQ(r.options.screen, SimScreen::Game);
}

TEST(SimOptionsParse, RunOptions) {
    SimOptionsResult r =
        parse({"--frames", "600", "--ship=2", "--seed", "4294967295", "--dt", "0.05",
               "--screen", "controls", "--hold", "z:0-9", "--hold=escape:3-3",
               "--state-json", "s.json", "--trace-json", "t.jsonl", "--ops-jsonl=o.jsonl",
               "--png", "p.png", "x.lev"});
    ASSERT_EQ(r.outcome, SimOptionsResult::Outcome::Run) << r.error;
    const SimOptions& o = r.options;
    EXPECT_TRUE(o.run);
    EXPECT_EQ(o.frames, 600);
    EXPECT_EQ(o.ship, 2);
    EXPECT_EQ(o.seed, 4294967295u);
    ASSERT_TRUE(o.dt);
    EXPECT_EQ(*o.dt, 0.05);
    EXPECT_EQ(o.screen, SimScreen::Controls);
    ASSERT_EQ(o.holds.size(), 2u);
    EXPECT_EQ(o.holds[1].key, 0x1B);
    EXPECT_EQ(o.stateJson, "s.json");
    EXPECT_EQ(o.traceJson, "t.jsonl");
    EXPECT_EQ(o.opsJsonl, "o.jsonl");
    EXPECT_EQ(o.png, "p.png");
    EXPECT_EQ(o.levelFiles, std::vector<std::string>{"x.lev"});

    for (auto one : {std::vector<std::string_view>{"--screen", "select"},
                     std::vector<std::string_view>{"--png", "p.png"},
                     std::vector<std::string_view>{"--seed", "0"}}) {
        SimOptionsResult single = parseSimOptions(one);
        EXPECT_TRUE(single.options.run) << one[0];
    }
    EXPECT_EQ(parse({"--screen", "select"}).options.screen, SimScreen::Select);
    EXPECT_EQ(parse({"--screen", "game"}).options.screen, SimScreen::Game);
    EXPECT_EQ(parse({"--screen", "menu"}).options.screen, SimScreen::Menu);
    EXPECT_EQ(parse({"--screen", "options"}).options.screen, SimScreen::Options);
    EXPECT_FALSE(parse({"--defs-json", "d.json"}).options.run);
    EXPECT_EQ(parse({"--data", "/"}).options.dataDir, "/");
    EXPECT_FALSE(parse({"--data", "/"}).options.run);
}

TEST(SimOptionsParse, RejectsBadValues) {
    for (auto args : {std::vector<std::string_view>{"--frames", "-1"},
                      std::vector<std::string_view>{"--frames", "10x"},
                      std::vector<std::string_view>{"--frames", "2147483648"},
                      std::vector<std::string_view>{"--ship", ""},
                      std::vector<std::string_view>{"--seed", "-1"},
                      std::vector<std::string_view>{"--seed", "4294967296"},
                      std::vector<std::string_view>{"--dt", "-0.1"},
                      std::vector<std::string_view>{"--dt", "inf"},
                      std::vector<std::string_view>{"--dt", "nan"},
                      std::vector<std::string_view>{"--screen", "pause"},
                      std::vector<std::string_view>{"--hold", "q:1-2"},
                      std::vector<std::string_view>{"--frames"},
                      std::vector<std::string_view>{"--data", "/no/such/folder"},
                      std::vector<std::string_view>{"--home", "h", "--date", "2026-12-08"},
                      std::vector<std::string_view>{"--print-records"},
                      std::vector<std::string_view>{"--bogus"}}) {
        SimOptionsResult r = parseSimOptions(args);
        EXPECT_EQ(r.outcome, SimOptionsResult::Outcome::Error) << args[0];
        EXPECT_FALSE(r.error.empty());
    }
    EXPECT_EQ(parse({"--help", "--bogus"}).outcome, SimOptionsResult::Outcome::Help);
    EXPECT_EQ(parse({"--version"}).outcome, SimOptionsResult::Outcome::Version);
    EXPECT_EQ(parse({"--overlay=1"}).error, "option --overlay takes no value");
    EXPECT_EQ(parse({"--bogus=1"}).error, "unknown option --bogus");
    // A start that is not a whole number is wrong before any level is read.
    EXPECT_EQ(parse({"--stage", "abc"}).error, "--stage abc: not a whole number");
    EXPECT_EQ(parse({"--stage", "2", "--start-frame", "3"}).error,
              "--start-frame and --stage do not go together");
    EXPECT_EQ(parse({"--records-json", "r.json"}).error,
              "--print-records, --records-json and --date go with --home");
}

TEST(SimOptionsParse, LevelFilesNamedLikeOptionsFollowTheEndOfOptions) {
    SimOptionsResult r = parse({"a.lev", "--frames", "3", "--", "--frames", "-x"});
    ASSERT_EQ(r.outcome, SimOptionsResult::Outcome::Run) << r.error;
    EXPECT_EQ(r.options.levelFiles, (std::vector<std::string>{"a.lev", "--frames", "-x"}));
    EXPECT_EQ(r.options.frames, 3);
    r = parse({"--stage", "2", "--stage", "3"});
    EXPECT_EQ(r.options.startValue, "3");
    EXPECT_TRUE(r.options.run);
}

TEST(SimOptionsParse, UsageListsEveryOption) {
    const std::string usage = simUsage();
    for (std::string_view option :
         {"--data DIR", "--defs-json FILE", "--frames N", "--screen NAME", "--ship K", "--seed S",
          "--dt SECONDS", "--hold KEY:FROM-TO", "--state-json FILE", "--trace-json FILE",
          "--ops-jsonl FILE", "--png FILE", "--help"}) {
        EXPECT_NE(usage.find(option), std::string::npos) << option;
    }
    EXPECT_NE(usage.find("shift, space, escape, f9, r"), std::string::npos);
}
