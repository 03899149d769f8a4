// Hostile controls files: out-of-range actions and buttons, and a 10 MB line; hostile
// gamecontrollerdb.txt files: huge lines, bad GUIDs, tens of thousands of entries.
#include "core/game_state.h"
#include "input/input.h"
#include "platform/headless.h"
#include "tests/support/input_runners.h"
#include "tests/support/support.h"

#include <gtest/gtest.h>

#include <string>

using namespace testing_support;

TEST(HostileControls, OutOfRangeActionsAndCodes) {
    resetGameState();
    readControlsFile(std::string(QF_SOURCE_DIR) + "/tests/hostile/hostile.cfg");
    const auto& table = game.input.bindingTable;
    // Action 99, -1 and 4294967296 (read as the largest int) bind nothing.
    size_t entries = 0;
    for (const BindingRow& row : table) entries += row.keys.size() + row.buttons.size();
    EXPECT_EQ(entries, 5u);
    // Button 300 and -129 wrap into 8 bits; the huge key saturates and wraps to 16 bits.
    EXPECT_EQ(table[Action::fire].buttons, (std::vector<int8_t>{44}));
    EXPECT_EQ(table[Action::exit].buttons, (std::vector<int8_t>{127}));
    EXPECT_EQ(table[Action::up].keys, (std::vector<uint16_t>{0xFFFF}));
    EXPECT_EQ(table[Action::exit].keys, (std::vector<uint16_t>{0x1B}));
}

TEST(HostileControls, TenMegabyteLine) {
    TempDir dir;
    // A binding buried in a 10 MB line is cut into 127-character pieces; one piece that
    // happens to start with a whole binding still binds.
    std::string line(size_t{10} << 20, 'x');
    line.replace(127 * 1000, 16, "control 5 joy 7 ");
    const std::string path = dir.write("quillfray.cfg", line + "\ncontrol 6 key 88\n");
    resetGameState();
    readControlsFile(path);
    EXPECT_EQ(game.input.bindingTable[Action::fire].buttons, (std::vector<int8_t>{7}));
    EXPECT_EQ(game.input.bindingTable[Action::bomb].keys, (std::vector<uint16_t>{88}));
    EXPECT_LT(peakResidentBytes(), size_t{1} << 30);
}

TEST(HostileControls, TenMegabyteLineThroughTheFuzzRunner) {
    const std::string bytes(size_t{10} << 20, 'c');
    const RunReport report =
        runControlsInput({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()});
    EXPECT_EQ(report.problem, "");
}

TEST(HostilePadMappings, HugeLinesBadGuidsAndManyEntriesAreReadWithAFewWarnings) {
    TempDir dir;
    std::string text;
    text += std::string(3 << 20, 'g') + "\n";  // a 3 MB line
    for (int i = 0; i < 3000; ++i) text += "not-a-guid,Pad " + std::to_string(i) + ",a:b0,\n";
    for (int i = 0; i < 3000; ++i)
        text += "030000005e0400008e02000010010000,Pad " + std::to_string(i) + ",a:b0,\n";
    text += std::string(2 << 20, ',') + "\n";  // past the 4 MB read: never looked at
    const std::string path = dir.write("gamecontrollerdb.txt", text);
    ScriptedJoystick layer;
    const MappingReport report = addPadMappingFile(path, layer);
    // Only maxMappingLines lines are looked at: the huge one, 3000 bad, then 1999 good.
    EXPECT_EQ(report.refused, 3001);
    EXPECT_EQ(report.added, maxMappingLines - 3001);
    EXPECT_EQ(layer.mappings.size(), static_cast<size_t>(maxMappingLines - 3001));
    ASSERT_EQ(report.warnings.size(), static_cast<size_t>(maxMappingWarnings));
    EXPECT_NE(report.warnings[0].find(":1: mapping skipped: longer than"), std::string::npos);
    EXPECT_EQ(report.warningsLeftOut, 3001 - maxMappingWarnings + 1);  // and "more than"
    // A missing file and a folder read as nothing.
    EXPECT_EQ(addPadMappingFile((dir.path() / "none.txt").string(), layer).added, 0);
    EXPECT_EQ(addPadMappingFile(dir.path().string(), layer).refused, 0);
}
