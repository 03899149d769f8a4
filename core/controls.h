// The game's actions: the rows of the binding table (the action numbers of the controls
// file), the entries of the sampled action arrays, their edge states, and one binding
// row. Rows and entries are distinct types, since the two number the same action
// differently (fire is row 5 but entry 6): mixing them up does not compile.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

// Rows of the binding table, numbered as the controls file numbers them. Row 8 pauses a
// run (besides P and Pause); rows 9 to 13 exist (the controls file may fill them) but no
// part of the game reads them.
enum class Action : uint8_t {
    up = 0, right = 1, down = 2, left = 3, slowdown = 4, fire = 5, bomb = 6, power = 7,
    pause = 8, keyConfig = 14, exit = 15,
};
constexpr int actionCount = 16;

// Entries of the sampled arrays actionHeld and actionEdge: entry 0 holds the direction
// bits (1 up, 2 right, 4 down, 8 left), the others 0 or 1 (held) or an edge state.
enum class Held : uint8_t {
    directions = 0, up = 1, right = 2, down = 3, left = 4, slowdown = 5, fire = 6, bomb = 7,
    power = 8, keyConfig = 14, exit = 15,
};
constexpr int heldCount = 16;

// Edge states of actionEdge.
namespace edge {
constexpr int idle = 0, pressed = 1, heldDown = 2, released = 3;
}

// The keys and joystick buttons bound to one action. A row with neither raw buttons nor
// pad buttons takes the pad's standard layout for its action.
struct BindingRow {
    std::vector<uint16_t> keys;      // game key codes (Windows virtual-key codes)
    std::vector<int8_t> buttons;     // raw joystick button numbers
    std::vector<uint8_t> pads;       // standard pad buttons, in SDL's game controller numbers
};

// Sixteen entries that only an index of type Index opens.
template <class Index, class T>
struct IndexedArray {
    std::array<T, 16> entries{};

    T& operator[](Index index) { return entries[static_cast<size_t>(index)]; }
    const T& operator[](Index index) const { return entries[static_cast<size_t>(index)]; }
    // Every entry, in index order.
    auto begin() { return entries.begin(); }
    auto end() { return entries.end(); }
    auto begin() const { return entries.begin(); }
    auto end() const { return entries.end(); }
    static constexpr size_t size() { return 16; }
    void fill(const T& value) { entries.fill(value); }
};

// The binding table: one row per action number.
using BindingTable = IndexedArray<Action, BindingRow>;
// actionHeld and actionEdge: one entry per Held index.
using ActionStates = IndexedArray<Held, int32_t>;
