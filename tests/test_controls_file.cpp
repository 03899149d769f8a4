// Controls file: binding lines, malformed lines, piece splitting, garbage and fixed keys.
#include "input/input.h"
#include "tests/support/support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using testing_support::TempDir;

namespace {

using Keys = std::vector<uint16_t>;
using Buttons = std::vector<int8_t>;

// Reads `content` as the controls file on a fresh game state.
void readFile(const TempDir& dir, std::string_view content) {
    resetGameState();
    readControlsFile(dir.write("quillfray.cfg", content));
}

const BindingRow& row(Action action) {
    return game.input.bindingTable[action];
}

// True when rows 0..13 are empty and 14/15 hold only F9 and Escape.
bool onlyFixedBindings() {
    for (int a = 0; a < 14; ++a) {
        const BindingRow& r = row(static_cast<Action>(a));
        if (!r.keys.empty() || !r.buttons.empty()) return false;
    }
    return row(Action::keyConfig).keys == Keys{0x78} && row(Action::exit).keys == Keys{0x1B} &&
           row(Action::keyConfig).buttons.empty() && row(Action::exit).buttons.empty();
}

}  // namespace

TEST(ControlsFile, JoyLineBindsButtonToFire) {
    TempDir dir;
    readFile(dir, "control 5 joy 3\n");
    EXPECT_EQ(row(Action::fire).buttons, Buttons{3});
    EXPECT_TRUE(row(Action::fire).keys.empty());
}

TEST(ControlsFile, AnyOtherKindIsAKey) {
    TempDir dir;
    readFile(dir, "control 0 key 38\ncontrol 0 Joy 40\ncontrol 0 x 32\n");
    EXPECT_EQ(row(Action::up).keys, (Keys{38, 40, 32}));
}

TEST(ControlsFile, MalformedLinesBindNothing) {
    TempDir dir;
    for (const char* text : {"Control 5 joy 3\n", "control  5 joy 3\n", " control 5 joy 3\n",
                             "control 5 joy\n", "control 5\n", "control\n", "control 16 joy 3\n",
                             "control -1 key 3\n", "control 5 joy \n", "controls 5 joy 3\n",
                             "control\t5 joy 3\n", "\n", ""}) {
        readFile(dir, text);
        EXPECT_TRUE(onlyFixedBindings()) << text;
    }
}

TEST(ControlsFile, LastLineWithoutLineBreak) {
    TempDir dir;
    readFile(dir, "control 0 key 38\ncontrol 5 joy 3");
    EXPECT_EQ(row(Action::up).keys, Keys{38});
    EXPECT_EQ(row(Action::fire).buttons, Buttons{3});
}

TEST(ControlsFile, FixedBindingsAlwaysAddedEvenTwice) {
    TempDir dir;
    readFile(dir, "control 15 key 27\ncontrol 14 key 120\n");
    EXPECT_EQ(row(Action::exit).keys, (Keys{27, 27}));
    EXPECT_EQ(row(Action::keyConfig).keys, (Keys{120, 120}));
    resetGameState();
    readControlsFile((dir.path() / "absent.cfg").string());
    EXPECT_TRUE(onlyFixedBindings());
}

TEST(ControlsFile, ReadingStartsFromEmptyRows) {
    TempDir dir;
    resetGameState();
    game.input.bindingTable[Action::left].keys = {1, 2};
    game.input.bindingTable[Action::exit].buttons = {4};
    readControlsFile(dir.write("c.cfg", "control 1 key 39\n"));
    EXPECT_TRUE(row(Action::left).keys.empty());
    EXPECT_TRUE(row(Action::exit).buttons.empty());
    EXPECT_EQ(row(Action::right).keys, Keys{39});
}

TEST(ControlsFile, NumbersReadAsAtoiAndWrapIntoStoredWidths) {
    TempDir dir;
    readFile(dir,
             "control 5x key 65abc\n"
             "control +4 key -1\n"
             "control 6 key 99999999999\n"
             "control 7 joy 200\n"
             "control 7 joy 99999999999\n"
             "control 7 joy -99999999999\n"
             "control 1 key words\n"
             "control 2 key 40\r\n"
             "control 99999999999 key 1\n");
    EXPECT_EQ(row(Action::fire).keys, Keys{65});
    EXPECT_EQ(row(Action::slowdown).keys, Keys{65535});
    EXPECT_EQ(row(Action::bomb).keys, Keys{65535});
    EXPECT_EQ(row(Action::power).buttons, (Buttons{-56, -1, 0}));
    EXPECT_EQ(row(Action::right).keys, Keys{0});
    EXPECT_EQ(row(Action::down).keys, Keys{40});
    EXPECT_EQ(row(Action::up).keys, Keys{});
}

TEST(ControlsFile, LongLinesAreReadInPiecesOf127) {
    TempDir dir;
    // Three pieces of one 300-character line, each a binding line of its own.
    std::string a = "control 0 key 38 ";
    a.append(127 - a.size(), 'x');
    std::string b = "control 1 key 39 ";
    b.append(127 - b.size(), 'y');
    std::string c = "control 2 key 40 ";
    c.append(300 - 254 - c.size(), 'z');
    ASSERT_EQ((a + b + c).size(), 300u);
    // A piece boundary cutting the code 123 after its first digit.
    std::string d = "control 3 ";
    d.append(115, 'k');
    d += " 1";
    ASSERT_EQ(d.size(), 127u);
    readFile(dir, a + b + c + "\n" + d + "23\n");
    EXPECT_EQ(row(Action::up).keys, Keys{38});
    EXPECT_EQ(row(Action::right).keys, Keys{39});
    EXPECT_EQ(row(Action::down).keys, Keys{40});
    EXPECT_EQ(row(Action::left).keys, Keys{1});
}

TEST(ControlsFile, NulBytesEndTheLineText) {
    TempDir dir;
    using namespace std::string_literals;
    readFile(dir, "control 5 joy 3\0garbage\ncontrol 6 joy \0 4\ncontrol 7 joy 2\n"s);
    EXPECT_EQ(row(Action::fire).buttons, Buttons{3});
    EXPECT_TRUE(row(Action::bomb).buttons.empty());
    EXPECT_EQ(row(Action::power).buttons, Buttons{2});
}

TEST(ControlsFile, BinaryGarbageAndHugeLinesAreHarmless) {
    TempDir dir;
    std::string junk;
    uint32_t s = 12345;
    for (int i = 0; i < 200000; ++i) {
        s = s * 1103515245u + 12345u;
        junk.push_back(static_cast<char>(s >> 24));
    }
    readFile(dir, junk);
    EXPECT_EQ(row(Action::keyConfig).keys.back(), 0x78);
    EXPECT_EQ(row(Action::exit).keys.back(), 0x1B);
    // Ten megabytes without a line break, then a real binding.
    std::string huge(10u << 20, '7');
    readFile(dir, "control 5 key " + huge + "\ncontrol 6 key 88\n");
    EXPECT_EQ(row(Action::bomb).keys, Keys{88});
    EXPECT_EQ(row(Action::fire).keys, Keys{65535});  // the first piece saturates
}

TEST(ControlsFile, ShippedDefaultControls) {
    resetGameState();
    readControlsFile(std::string(QF_SOURCE_DIR) + "/data/quillfray.cfg");
    EXPECT_EQ(row(Action::up).keys, Keys{38});
    EXPECT_EQ(row(Action::right).keys, Keys{39});
    EXPECT_EQ(row(Action::down).keys, Keys{40});
    EXPECT_EQ(row(Action::left).keys, Keys{37});
    EXPECT_EQ(row(Action::slowdown).keys, Keys{16});
    EXPECT_EQ(row(Action::fire).keys, Keys{90});
    EXPECT_EQ(row(Action::fire).buttons, Buttons{0});
    EXPECT_EQ(row(Action::bomb).keys, Keys{88});
    EXPECT_EQ(row(Action::power).keys, Keys{67});
    EXPECT_EQ(row(Action::keyConfig).keys, Keys{0x78});
    EXPECT_EQ(row(Action::exit).keys, Keys{0x1B});
}
