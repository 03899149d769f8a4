// quillfray-check on the command line: which files it reads, its output format, --werror,
// --help and the exit status.
#include "tests/check_helpers.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/wait.h>

using check_test::cleanBase;
using check_test::cleanFont;
using testing_support::TempDir;

namespace {

const std::string checkBinary = std::string(QF_BINARY_DIR) + "/quillfray-check";

// Runs the checker in `dir`; returns its exit status, output in stdout.txt/stderr.txt.
int runChecker(const TempDir& dir, const std::string& args) {
    return testing_support::runInDir(dir.path(), checkBinary, args);
}

// The content of a file in `dir`.
std::string readFile(const TempDir& dir, const std::string& name) {
    return testing_support::readWholeFile(dir.path() / name);
}

// Writes the clean small game, with `level` as default.lev.
void writeGame(const TempDir& dir, const std::string& level) {
    dir.write("base.vec", cleanBase);
    dir.write("font.vec", cleanFont);
    dir.write("default.lev", level);
}

}  // namespace

TEST(CheckCli, CleanFilesExitZeroAndPrintNothing) {
    TempDir dir;
    writeGame(dir, "stage 60 { event 1 { cmd spawn { model pellet } } }\n");
    EXPECT_EQ(runChecker(dir, ""), 0) << readFile(dir, "stdout.txt");
    EXPECT_EQ(readFile(dir, "stdout.txt"), "");
}

TEST(CheckCli, WarningsArePrintedCompilerStyleAndExitOne) {
    TempDir dir;
    writeGame(dir, "model rock { }\nscript s {\n  cmd spawn { modle rock }\n}\n");
    EXPECT_EQ(runChecker(dir, ""), 1);
    EXPECT_EQ(readFile(dir, "stdout.txt"),
              "default.lev:3:15: warning: 'modle' means nothing to 'spawn' and is ignored "
              "(did you mean 'model'?)\n");
}

TEST(CheckCli, WerrorPrintsErrors) {
    TempDir dir;
    writeGame(dir, "junk\n");
    EXPECT_EQ(runChecker(dir, "--werror"), 1);
    EXPECT_EQ(readFile(dir, "stdout.txt"),
              "default.lev:1:1: error: 'junk' is not a keyword of the top level and is skipped\n");
}

TEST(CheckCli, NamedFilesReplaceDefaultLevAndStillReadBaseAndFont) {
    TempDir dir;
    writeGame(dir, "junk\n");  // not read when files are named
    dir.write("one.lev", "model rock { }\n");
    dir.write("two.lev", "script s { cmd spawn { model rock } }\n");
    // rock is private to one.lev: two.lev cannot name it.
    EXPECT_EQ(runChecker(dir, "one.lev two.lev"), 1);
    EXPECT_EQ(readFile(dir, "stdout.txt"),
              "two.lev:1:30: warning: model 'rock' is defined only in one.lev, whose names are "
              "private to it: model 0 ('none') is used\n");
    EXPECT_EQ(runChecker(dir, "one.lev"), 0) << readFile(dir, "stdout.txt");
}

TEST(CheckCli, MissingBaseAndFontAreReported) {
    TempDir dir;
    dir.write("default.lev", "");
    EXPECT_EQ(runChecker(dir, ""), 1);
    const std::string out = readFile(dir, "stdout.txt");
    EXPECT_NE(out.find("base.vec: warning: not found"), std::string::npos) << out;
    EXPECT_NE(out.find("font.vec: warning: not found"), std::string::npos) << out;
    EXPECT_NE(out.find("base.vec: warning: no ship is defined"), std::string::npos) << out;
    EXPECT_NE(out.find("base.vec: warning: script 'demo' is not defined in base.vec"), std::string::npos) << out;
}

TEST(CheckCli, UnreadableLevelFileExitsTwo) {
    TempDir dir;
    writeGame(dir, "");
    EXPECT_EQ(runChecker(dir, "absent.lev"), 2);
    EXPECT_NE(readFile(dir, "stderr.txt").find("cannot read absent.lev"), std::string::npos);
    std::filesystem::remove(dir.path() / "default.lev");
    EXPECT_EQ(runChecker(dir, ""), 2);
    EXPECT_EQ(runChecker(dir, "."), 2);  // a directory is not a level file
}

TEST(CheckCli, HelpAndBadOptions) {
    TempDir dir;
    EXPECT_EQ(runChecker(dir, "--help"), 0);
    const std::string help = readFile(dir, "stdout.txt");
    EXPECT_NE(help.find("usage: quillfray-check [--werror] [--data DIR] [FILE...]"), std::string::npos);
    EXPECT_NE(help.find("base.vec and font.vec are read from the working directory"), std::string::npos);
    EXPECT_EQ(runChecker(dir, "--frobnicate"), 2);
    EXPECT_NE(readFile(dir, "stderr.txt").find("unknown option '--frobnicate'"), std::string::npos);
    EXPECT_EQ(runChecker(dir, "-h"), 0);
    EXPECT_EQ(readFile(dir, "stdout.txt"), help);
    EXPECT_EQ(runChecker(dir, "--version"), 0);
    EXPECT_EQ(readFile(dir, "stdout.txt").rfind("quillfray-check ", 0), 0u);
    EXPECT_EQ(runChecker(dir, "--data"), 2);
    EXPECT_EQ(readFile(dir, "stderr.txt"), "quillfray-check: --data needs a value\n");
}

TEST(CheckCli, DataReadsTheFilesAndRelativeLevelsFromTheFolder) {
    TempDir dir;
    std::filesystem::create_directory(dir.path() / "game");
    dir.write("game/base.vec", cleanBase);
    dir.write("game/font.vec", cleanFont);
    dir.write("game/default.lev", "junk\n");
    dir.write("game/mine.lev", "model rock { }\n");
    EXPECT_EQ(runChecker(dir, "--data game"), 1);
    EXPECT_EQ(readFile(dir, "stdout.txt"),
              "game/default.lev:1:1: warning: 'junk' is not a keyword of the top level and is "
              "skipped\n");
    EXPECT_EQ(runChecker(dir, "--data game mine.lev"), 0) << readFile(dir, "stdout.txt");
    EXPECT_EQ(runChecker(dir, "--data absent"), 2);
    EXPECT_EQ(readFile(dir, "stderr.txt"),
              "quillfray-check: --data absent: No such file or directory\n");
}
