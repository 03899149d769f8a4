// quillfray-sim --defs-json: runs the built simulator on small files and checks the dump.
#include "tests/support/support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/wait.h>

using testing_support::TempDir;

namespace {

const std::string simBinary = std::string(QF_BINARY_DIR) + "/quillfray-sim";

// Runs the simulator in `dir` with `args`; returns its exit status. Output goes to
// stdout.txt and stderr.txt in the directory.
int runSim(const TempDir& dir, const std::string& args) {
    return testing_support::runInDir(dir.path(), simBinary, args);
}

// The whole content of a file in `dir`.
std::string readFile(const TempDir& dir, const std::string& name) {
    return testing_support::readWholeFile(dir.path() / name);
}

// Writes the small game used by the dump tests.
void writeGame(const TempDir& dir) {
    dir.write("base.vec",
              "model dart {\n"
              "  color 255 200 0\n"
              "  line 0 -0.05 0.03 0.04\n"
              "  line { x1 0.03 y1 0.04 x2 -0.03 y2 0.04 }\n"
              "  alpha 128\n"
              "  line 0 -0.05 -0.03 0.04\n"
              "  hitc 0 0 0.02\n"
              "}\n"
              "model odd { line 1e999 0 1e999 0 line 0 0 -1e999 0 }\n"
              "ship arrow { model dart shot1 shot }\n"
              "script shot { cmd spawn { model dart speed 0.02 onhit { cmd remove { } } } }\n");
    dir.write("font.vec", "model sym_ { }\nmodel syma { line 0 0.5 0.25 -0.5 }\n");
    dir.write("default.lev",
              "model rock { line -0.02 -0.02 0.02 0.02 }\n"
              "script \"q\\ { cmd x { } }\n"
              "stage 600 { event 10 { cmd spawn { model rock } } }\n");
}

}  // namespace

TEST(SimDefsJson, DumpsTheWorkedExamples) {
    TempDir dir;
    writeGame(dir);
    ASSERT_EQ(runSim(dir, "--defs-json out.json"), 0) << readFile(dir, "stderr.txt");
    const std::string json = readFile(dir, "out.json");
    auto has = [&](const std::string& piece) {
        EXPECT_NE(json.find(piece), std::string::npos) << piece;
    };
    has(R"({"models":[{"name":"dart","lines":[{"x1":0,"y1":-0.0500000007,"x2":0.0299999993,)");
    has(R"("angle1":3.14159274,"radius1":0.0500000007,)");
    has(R"("color":4294952960})");  // 0xFFFFC800
    has(R"("color":2164246528})");  // 0x80FFC800
    has(R"("circles":[{"x":0,"y":0,"r":0.0199999996,"angle":0,"distance":0}])");
    has(R"("x1":"inf")");
    has(R"("x2":"-inf")");
    has(R"("lengthSquared":"nan")");
    has(R"({"name":"rock\u0001\u0001","lines":[)");
    has(R"({"name":"1","commands":[{"name":"remove","params":[]}]})");
    has(R"({"name":"onhit","text":"{","intValue":1,"floatValue":1,"modelIndex":0,"scriptIndex":0})");
    has(R"({"name":"speed","text":"0.02","intValue":0,"floatValue":0.0199999996,)");
    has(R"({"name":"\"q\\\u0001\u0001","commands":[{"name":"x","params":[]}]})");
    has(R"("ships":[{"name":"arrow","model":"dart","shot1":"shot","shot2":"","bomb":"",)"
        R"("bombeffect":"","powershot":""}])");
    has(R"("timelineLength":600,"timeline":[{"slot":10,"commands":[{"name":"spawn","params":)"
        R"([{"name":"model","text":"rock","intValue":0,"floatValue":0,"modelIndex":2,)");
    has(R"("fontGlyphs":[{"name":"sym_\u0001\u0001","lines":0},{"name":"syma\u0001\u0001","lines":1}])");
    // glyphTable: 256 entries, 'A' (65) and 'a' (97) map to glyph 1.
    const size_t table = json.find("\"glyphTable\":[");
    ASSERT_NE(table, std::string::npos);
    std::string entries = json.substr(table + 14, json.find(']', table) - table - 14);
    std::vector<int> values;
    std::stringstream in(entries);
    for (std::string item; std::getline(in, item, ',');) values.push_back(std::stoi(item));
    ASSERT_EQ(values.size(), 256u);
    EXPECT_EQ(values[65], 1);
    EXPECT_EQ(values[97], 1);
    EXPECT_EQ(values[66], 0);
}

TEST(SimDefsJson, NamedLevelFilesReplaceDefaultLev) {
    TempDir dir;
    writeGame(dir);
    dir.write("one.lev", "model one { }\n");
    ASSERT_EQ(runSim(dir, "one.lev --defs-json=out.json"), 0);
    const std::string json = readFile(dir, "out.json");
    EXPECT_NE(json.find(R"("name":"one\u0001\u0001")"), std::string::npos);
    EXPECT_EQ(json.find("rock"), std::string::npos);
    EXPECT_NE(json.find(R"("timelineLength":0,"timeline":[])"), std::string::npos);
}

TEST(SimDefsJson, EmptyDirectoryDumpsEmptyRegistries) {
    TempDir dir;
    ASSERT_EQ(runSim(dir, "--defs-json out.json"), 0);
    const std::string json = readFile(dir, "out.json");
    EXPECT_EQ(json.rfind(R"({"models":[])", 0), 0u);
    EXPECT_NE(json.find(R"("scripts":[])"), std::string::npos);
    EXPECT_NE(json.find(R"("fontGlyphs":[])"), std::string::npos);
    EXPECT_NE(json.find(R"("sounds":[])"), std::string::npos);
    EXPECT_NE(json.find(R"("music":[])"), std::string::npos);
}

TEST(SimDefsJson, HelpAndBadOptions) {
    TempDir dir;
    EXPECT_EQ(runSim(dir, "--help"), 0);
    EXPECT_NE(readFile(dir, "stdout.txt").find("usage: quillfray-sim"), std::string::npos);
    EXPECT_NE(readFile(dir, "stdout.txt").find("--defs-json FILE"), std::string::npos);
    EXPECT_EQ(runSim(dir, "--no-such-option"), 2);
    EXPECT_NE(readFile(dir, "stderr.txt").find("unknown option --no-such-option"),
              std::string::npos);
    EXPECT_NE(readFile(dir, "stderr.txt").find("usage:"), std::string::npos);
    EXPECT_EQ(runSim(dir, "--defs-json"), 2);
    EXPECT_EQ(runSim(dir, "a.lev --help"), 0);  // --help wins wherever it stands
}

TEST(SimDefsJson, UnwritableOutputFails) {
    TempDir dir;
    EXPECT_EQ(runSim(dir, "--defs-json /nonexistent/dir/out.json"), 1);
}
