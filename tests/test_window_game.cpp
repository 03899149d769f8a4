// The real game in a real window: runs the quillfray program on a private X server with
// definition files of its own, presses keys as a player would and checks screenshots of
// the selection screen, gameplay, a move, the way back and the exit, and of the Options,
// Replays, Records and Practice screens reached through the menu. Skipped where Xvfb,
// xdotool or ImageMagick's import are missing or the display cannot start.
#include "tests/support/screenshot.h"
#include "tests/support/support.h"
#include "tests/support/x_session.h"
#include "tests/window_game_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

using testing_support::ChildProcess;
using testing_support::CommandResult;
using testing_support::Screenshot;

namespace {

// Colours as the game draws them (0xRRGGBB).
constexpr uint32_t white = 0xFFFFFF;      // playfield border
constexpr uint32_t textGrey = 0xBFBFBF;   // labels: "Score", "Select your ship:"
constexpr uint32_t scoreBlue = 0xDFEFFF;  // score digits
constexpr uint32_t dartCyan = 0x00FFFF;   // ship 0, the one played
constexpr uint32_t wedgeMagenta = 0xFF00FF;
constexpr uint32_t kiteOrange = 0xFF8000;
constexpr uint32_t frameYellow = 0xFFFF00;
constexpr uint32_t shotBlue = 0x8080FF;
constexpr uint32_t practiceAmber = 0xFFC060;  // PRACTICE in the left strip

// Time limits, in seconds, for each thing the test waits for.
constexpr double windowWait = 10.0;
constexpr double pictureWait = 8.0;
constexpr double exitWait = 8.0;

// A picture condition with the name it is reported under.
struct PictureCheck {
    const char* what;
    std::function<bool(const Screenshot&)> holds;
};

// True when column x (or a neighbour) is white from top to bottom but for a few pixels:
// stars drawn later may cover single pixels of the left border.
bool borderAt(const Screenshot& s, int x) {
    for (int column = x - 1; column <= x + 1; ++column)
        if (s.countColor(white, column, 0, column, 599) >= 560) return true;
    return false;
}

// True when `color` shows within `radius` pixels of (x, y).
bool colorNear(const Screenshot& s, uint32_t color, int x, int y, int radius) {
    return s.countColor(color, x - radius, y - radius, x + radius, y + radius) > 0;
}

// The selection screen: border, heading, every ship in the right strip with the frame
// around the first one, and no score.
bool selectionShown(const Screenshot& s) {
    return borderAt(s, 200) && borderAt(s, 600) && s.countColor(textGrey, 610, 0, 799, 25) > 0 &&
           colorNear(s, dartCyan, 700, 67, 15) && colorNear(s, wedgeMagenta, 700, 133, 15) &&
           colorNear(s, kiteOrange, 700, 200, 15) && colorNear(s, frameYellow, 700, 67, 30) &&
           s.countColor(scoreBlue, 0, 0, 199, 599) == 0;
}

// Gameplay: border, the word "Score" and the digits, nothing in the right strip.
bool gameplayShown(const Screenshot& s) {
    return borderAt(s, 200) && borderAt(s, 600) && s.countColor(textGrey, 10, 0, 80, 20) > 0 &&
           s.countColor(scoreBlue, 40, 25, 150, 45) > 0 && s.countLit(605, 0, 799, 599) == 0;
}

// The played ship at its start position, world (0.5, 1.25).
bool shipAtStart(const Screenshot& s) { return colorNear(s, dartCyan, 400, 500, 20); }

// The played ship well to the right of its start, in the same rows.
bool shipMovedRight(const Screenshot& s) {
    const int left = s.leftmostColumnOf(dartCyan, 200, 470, 599, 530);
    return left > 425;
}

// The four numbers of the status line "fps / actors / steps / multiplier x 1000", or
// none when the title is not a status line.
std::vector<long> statusNumbers(std::string title) {
    while (!title.empty() && std::isspace(static_cast<unsigned char>(title.back())))
        title.pop_back();
    std::vector<long> numbers;
    size_t start = 0;
    for (;;) {
        const size_t end = std::min(title.find(" / ", start), title.size());
        long value = 0;
        const char* first = title.data() + start;
        const char* last = title.data() + end;
        const auto [stop, error] = std::from_chars(first, last, value);
        if (first == last || error != std::errc() || stop != last || *first == '-') return {};
        numbers.push_back(value);
        if (end == title.size()) break;
        start = end + 3;
    }
    if (numbers.size() != 4) return {};
    return numbers;
}

// The two integers after `label` in `text` joined by `separator` ("Position: 112,84",
// "Geometry: 800x600"); false if they are not there.
bool numberPairAfter(const std::string& text, const std::string& label, char separator,
                     int& first, int& second) {
    const size_t at = text.find(label);
    if (at == std::string::npos) return false;
    const char* p = text.data() + at + label.size();
    const char* end = text.data() + text.size();
    const auto one = std::from_chars(p, end, first);
    if (one.ec != std::errc() || one.ptr == end || *one.ptr != separator) return false;
    return std::from_chars(one.ptr + 1, end, second).ec == std::errc();
}

// One game on its own display, with its files in a temporary working directory.
class WindowGame : public ::testing::Test {
protected:
    testing_support::TempDir dir_;
    testing_support::XServer server_;
    ChildProcess game_;
    std::vector<std::string> env_;
    std::string xdotool_, import_;
    std::string windowId_;
    int windowX_ = 0, windowY_ = 0;
    std::filesystem::path screensDir_;

    // Finds the tools, starts the display and writes the game's files.
    void SetUp() override {
        const std::string xvfb = testing_support::findOnPath("Xvfb");
        xdotool_ = testing_support::findOnPath("xdotool");
        import_ = testing_support::findOnPath("import");
        if (xvfb.empty()) GTEST_SKIP() << "Xvfb is not installed: no display to play on";
        if (xdotool_.empty()) GTEST_SKIP() << "xdotool is not installed: no keys to press";
        if (import_.empty())
            GTEST_SKIP() << "ImageMagick's import is not installed: no screenshots";
        std::string why;
        if (!server_.start(xvfb, why)) GTEST_SKIP() << "the private display did not start: " << why;
        env_ = testing_support::environmentWith({"DISPLAY=" + server_.display(),
                                                 "SDL_VIDEODRIVER=x11",
                                                 "ASAN_OPTIONS=detect_leaks=0",
                                                 // the runs' records stay in the test's folder
                                                 "XDG_DATA_HOME=" + (dir_.path() / "data").string()});
        dir_.write("base.vec", window_game_files::baseVec);
        dir_.write("font.vec", window_game_files::fontVec);
        dir_.write("default.lev", window_game_files::defaultLev);
        dir_.write("quillfray.cfg", window_game_files::controls);
        screensDir_ = std::filesystem::path(QF_BINARY_DIR) / "window-test-screens";
        std::filesystem::create_directories(screensDir_);
    }

    // Shows what the game printed when something went wrong.
    void TearDown() override {
        if (!HasFailure()) return;
        std::ifstream log(dir_.path() / "game.log");
        const std::string text((std::istreambuf_iterator<char>(log)),
                               std::istreambuf_iterator<char>());
        if (!text.empty()) std::cerr << "game output:\n" << text << "\n";
    }

    // Runs xdotool with the given arguments, bounded in time.
    CommandResult xdotool(const std::vector<std::string>& args, double timeout = 5.0) {
        std::vector<std::string> argv{xdotool_};
        argv.insert(argv.end(), args.begin(), args.end());
        return testing_support::runCommand(argv, env_, timeout);
    }

    // Finds the game's window by its process id, notes its position and gives it the
    // keyboard. False if no window of 800 x 600 showed up in time.
    bool findWindow() {
        const CommandResult found = xdotool(
            {"search", "--sync", "--onlyvisible", "--pid", std::to_string(game_.pid())},
            windowWait);
        std::istringstream ids(found.output);
        if (!(ids >> windowId_)) return false;
        const CommandResult geometry = xdotool({"getwindowgeometry", windowId_});
        int width = 0, height = 0;
        if (!numberPairAfter(geometry.output, "Position: ", ',', windowX_, windowY_) ||
            !numberPairAfter(geometry.output, "Geometry: ", 'x', width, height) ||
            width != 800 || height != 600)
            return false;
        // No window manager runs here: focus the window and keep the pointer over it.
        xdotool({"windowfocus", "--sync", windowId_}, 3.0);
        xdotool({"mousemove", std::to_string(windowX_ + 400), std::to_string(windowY_ + 300)});
        return xdotool({"getwindowfocus"}).output.find(windowId_) != std::string::npos;
    }

    // Holds a key down (xdotool key name such as "z", "Right", "Escape").
    void keyDown(const std::string& key) { EXPECT_TRUE(xdotool({"keydown", key}).finished); }

    // Lets a key go.
    void keyUp(const std::string& key) { EXPECT_TRUE(xdotool({"keyup", key}).finished); }

    // Holds `key` for `seconds`, then leaves it up for a moment, so that a busy game sees
    // the release before the next press (two presses of one key are two, not one held).
    void press(const std::string& key, double seconds) {
        keyDown(key);
        testing_support::pauseSeconds(seconds);
        keyUp(key);
        testing_support::pauseSeconds(0.08);
    }

    // The window's title.
    std::string title() {
        std::string text = xdotool({"getwindowname", windowId_}).output;
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
        return text;
    }

    // Takes a screenshot of the whole display; the game's window part goes to `window`.
    bool capture(Screenshot& root, Screenshot& window) {
        const std::string raw = (dir_.path() / "capture.ppm").string();
        const CommandResult shot = testing_support::runCommand(
            {import_, "-silent", "-window", "root", "-depth", "8", raw}, env_, 5.0);
        if (!shot.finished || shot.exitStatus != 0 || !testing_support::readPpm(raw, root))
            return false;
        window = root.crop(windowX_, windowY_, 800, 600);
        return true;
    }

    // Keeps a screenshot in the test's directory and a copy for people to look at.
    void keep(const Screenshot& root, const std::string& name) {
        EXPECT_TRUE(testing_support::writePng(root, (dir_.path() / (name + ".png")).string()));
        EXPECT_TRUE(testing_support::writePng(root, (screensDir_ / (name + ".png")).string()));
    }

    // Takes screenshots until `check` holds or `timeout` seconds pass; keeps the last one
    // under `name`. Blinking and frame timing make a single screenshot unreliable.
    bool waitForPicture(const PictureCheck& check, const std::string& name,
                        double timeout = pictureWait) {
        const auto deadline = std::chrono::steady_clock::now() +
                              std::chrono::milliseconds(static_cast<long long>(timeout * 1000));
        Screenshot root, window;
        bool held = false;
        for (;;) {
            if (!capture(root, window)) {
                ADD_FAILURE() << "no screenshot could be taken";
                return false;
            }
            held = check.holds(window);
            if (held || std::chrono::steady_clock::now() >= deadline) break;
            testing_support::pauseSeconds(0.05);
        }
        keep(root, name);
        if (!held) ADD_FAILURE() << "not seen within " << timeout << " s: " << check.what;
        return held;
    }
};

}  // namespace

TEST_F(WindowGame, PlayerSelectsPlaysMovesReturnsAndQuits) {
    const std::string binary = std::string(QF_BINARY_DIR) + "/quillfray";
    ASSERT_TRUE(std::filesystem::exists(binary)) << binary;
    std::string why;
    ASSERT_TRUE(game_.start({binary}, env_, dir_.path().string(),
                            (dir_.path() / "game.log").string(), why))
        << why;
    ASSERT_TRUE(findWindow()) << "no focused 800 x 600 window of the game within " << windowWait
                              << " s";

    // (1) The selection screen with the ships of base.vec in the right strip.
    ASSERT_TRUE(waitForPicture({"selection screen", selectionShown}, "01-selection"));
    // The demo behind it updates the Actors, which writes the status line into the title;
    // the demo never grows the multiplier, so it reads 100 (0.1 x 1000).
    const std::string demoTitle = title();
    const std::vector<long> demo = statusNumbers(demoTitle);
    ASSERT_EQ(demo.size(), 4u) << "title: " << demoTitle;
    EXPECT_EQ(demo[3], 100) << demoTitle;

    // (2) Holding Fire starts the game: border, score, the ship at its start, shots flying.
    keyDown("z");
    const bool started = waitForPicture({"gameplay screen", gameplayShown}, "02-gameplay");
    const bool firing = started && waitForPicture({"shots above the ship", [](const Screenshot& s) {
        return gameplayShown(s) && s.countColor(shotBlue, 200, 0, 599, 470) > 0;
    }}, "03-firing");
    keyUp("z");
    ASSERT_TRUE(started);
    EXPECT_TRUE(firing);
    ASSERT_TRUE(waitForPicture({"the ship at (400, 500)", [](const Screenshot& s) {
        return gameplayShown(s) && shipAtStart(s);
    }}, "04-ship-at-start"));

    // The status line: steps count on, the drone of the stage is on the playfield and the
    // multiplier grows from 100 (0.1 x 1000) by 0.05% a step, more than 1 in 0.6 s.
    const std::vector<long> first = statusNumbers(title());
    ASSERT_EQ(first.size(), 4u) << "title: " << title();
    testing_support::pauseSeconds(0.6);
    const std::string laterTitle = title();
    const std::vector<long> later = statusNumbers(laterTitle);
    ASSERT_EQ(later.size(), 4u) << "title: " << laterTitle;
    EXPECT_GT(later[2], first[2]) << laterTitle;
    EXPECT_GT(later[2], 30) << laterTitle;
    EXPECT_GE(later[1], 1) << laterTitle;
    EXPECT_GE(first[3], 100) << laterTitle;
    EXPECT_GT(later[3], first[3]) << laterTitle;

    // (3) Holding Right moves the ship to the right.
    press("Right", 0.5);
    EXPECT_TRUE(waitForPicture({"the ship right of its start", [](const Screenshot& s) {
        return gameplayShown(s) && shipMovedRight(s);
    }}, "05-moved-right"));

    // (4) Escape goes back to the selection screen: no score any more.
    press("Escape", 0.2);
    EXPECT_TRUE(waitForPicture({"selection screen again", selectionShown}, "06-back-to-selection"));
    const std::string backTitle = title();
    const std::vector<long> back = statusNumbers(backTitle);
    ASSERT_EQ(back.size(), 4u) << "title: " << backTitle;
    EXPECT_EQ(back[3], 100) << backTitle;

    // (5) Escape on the selection screen ends the program with status 0.
    press("Escape", 0.2);
    int status = -1;
    const bool ended = game_.waitForExit(exitWait, status);
    if (!ended) game_.kill();
    ASSERT_TRUE(ended) << "the game did not end within " << exitWait << " s of Escape";
    EXPECT_EQ(status, 0);
}

TEST_F(WindowGame, TheMenuLeadsToOptionsWhereFullscreenGoesOnAndOff) {
    const std::string binary = std::string(QF_BINARY_DIR) + "/quillfray";
    std::string why;
    ASSERT_TRUE(game_.start({binary}, env_, dir_.path().string(),
                            (dir_.path() / "game.log").string(), why))
        << why;
    ASSERT_TRUE(findWindow()) << "no focused 800 x 600 window of the game within " << windowWait
                              << " s";
    ASSERT_TRUE(waitForPicture({"selection screen", selectionShown}, "11-selection"));
    // Waits until the window has the size `width` x `height`, and notes where it is now
    // (without a window manager, back from fullscreen it stays at the screen's corner).
    auto windowBecomes = [this](int width, int height) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        int w = 0, h = 0, x = 0, y = 0;
        while (std::chrono::steady_clock::now() < deadline) {
            const std::string geometry = xdotool({"getwindowgeometry", windowId_}).output;
            if (numberPairAfter(geometry, "Geometry: ", 'x', w, h) && w == width &&
                h == height && numberPairAfter(geometry, "Position: ", ',', x, y)) {
                windowX_ = x;
                windowY_ = y;
                return true;
            }
            testing_support::pauseSeconds(0.05);
        }
        ADD_FAILURE() << "the window stayed " << w << " x " << h << ", not " << width << " x "
                      << height;
        return false;
    };
    // P opens the menu; Options is its fourth row, fullscreen the Options screen's fourth.
    for (const char* key : {"p", "Down", "Down", "Down", "z", "Down", "Down", "Down", "Right"})
        press(key, 0.15);
    EXPECT_TRUE(windowBecomes(1024, 768));
    press("Left", 0.15);
    EXPECT_TRUE(windowBecomes(800, 600));
    press("Escape", 0.15);  // to the menu
    press("Escape", 0.15);  // to the selection
    EXPECT_TRUE(waitForPicture({"selection screen again", selectionShown}, "12-back"));
    press("Escape", 0.2);
    int status = -1;
    const bool ended = game_.waitForExit(exitWait, status);
    if (!ended) game_.kill();
    ASSERT_TRUE(ended);
    EXPECT_EQ(status, 0);
    const std::string settings =
        testing_support::readWholeFile(dir_.path() / "quillfray-settings.cfg");
    EXPECT_NE(settings.find("fullscreen 0\n"), std::string::npos) << settings;
}

TEST_F(WindowGame, TheMenuLeadsToReplaysRecordsAndPractice) {
    const std::string binary = std::string(QF_BINARY_DIR) + "/quillfray";
    std::string why;
    // Runs begin at stage 2, so that the Practice screen offers it.
    ASSERT_TRUE(game_.start({binary, "--stage", "2"}, env_, dir_.path().string(),
                            (dir_.path() / "game.log").string(), why))
        << why;
    ASSERT_TRUE(findWindow()) << "no focused 800 x 600 window of the game within " << windowWait
                              << " s";
    ASSERT_TRUE(waitForPicture({"selection screen", selectionShown}, "21-selection"));
    // A run of about three seconds, kept with its replay when Escape ends it.
    keyDown("z");
    ASSERT_TRUE(waitForPicture({"gameplay screen", gameplayShown}, "22-run"));
    testing_support::pauseSeconds(3.0);
    keyUp("z");
    press("Escape", 0.2);
    ASSERT_TRUE(waitForPicture({"selection screen again", selectionShown}, "23-selection"));
    // The list: its title in white and a row in grey, no playfield.
    const PictureCheck replaysShown{"Replays screen", [](const Screenshot& s) {
        return s.countColor(white, 40, 20, 300, 70) > 0 &&
               s.countColor(textGrey, 60, 140, 400, 160) > 0 && !borderAt(s, 200);
    }};
    // P opens the menu; Replays is its second row; Fire watches the newest replay.
    for (const char* key : {"p", "Down", "z"}) press(key, 0.15);
    ASSERT_TRUE(waitForPicture(replaysShown, "24-replays"));
    press("z", 0.15);
    ASSERT_TRUE(waitForPicture({"the replay watched", gameplayShown}, "25-watching"));
    testing_support::pauseSeconds(1.0);
    EXPECT_TRUE(waitForPicture({"still watching a second later", gameplayShown}, "26-watching"));
    press("Escape", 0.2);
    EXPECT_TRUE(waitForPicture(replaysShown, "27-replays-again"));
    // Back in the menu on Replays: Records is the next row, Practice the first.
    const PictureCheck screenShown{"a screen of the menu", [](const Screenshot& s) {
        return !borderAt(s, 200) && s.countLit(0, 0, 799, 599) > 200;
    }};
    for (const char* key : {"Escape", "Down", "z"}) press(key, 0.15);
    EXPECT_TRUE(waitForPicture(screenShown, "28-records"));
    for (const char* key : {"Escape", "Up", "Up", "z"}) press(key, 0.15);
    EXPECT_TRUE(waitForPicture(screenShown, "29-practice"));
    // Stage 2 is the second row; its run says PRACTICE in the left strip.
    for (const char* key : {"Down", "z"}) press(key, 0.15);
    EXPECT_TRUE(waitForPicture({"a practice run", [](const Screenshot& s) {
                                    return gameplayShown(s) && s.countColor(practiceAmber, 0, 0, 199, 599) > 0;
                                }},
                               "30-practice-run"));
    // Escape comes back to the Practice screen, then the menu, then the selection.
    press("Escape", 0.2);
    EXPECT_TRUE(waitForPicture(screenShown, "31-practice-again"));
    for (const char* key : {"Escape", "Escape"}) press(key, 0.15);
    EXPECT_TRUE(waitForPicture({"selection screen again", selectionShown}, "32-back"));
    press("Escape", 0.2);
    int status = -1;
    const bool ended = game_.waitForExit(exitWait, status);
    if (!ended) game_.kill();
    ASSERT_TRUE(ended);
    EXPECT_EQ(status, 0);
    // Watching recorded nothing: the first run and the practice run, two replays.
    const auto replays = dir_.path() / "data/quillfray/replays";
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(replays),
                            std::filesystem::directory_iterator{}),
              2);
}
