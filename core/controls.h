// The game's actions: the numbers of the binding table's rows, the indices of the
// sampled action arrays, their edge states, and one binding row.
#pragma once

#include <cstdint>
#include <vector>

// Action numbers of the binding table.
namespace action {
constexpr int up = 0, right = 1, down = 2, left = 3, slowdown = 4, fire = 5, bomb = 6,
              power = 7, keyConfig = 14, exit = 15;
constexpr int count = 16;
}  // namespace action

// Indices into actionHeld / actionEdge.
namespace held {
constexpr int directions = 0, up = 1, right = 2, down = 3, left = 4, slowdown = 5, fire = 6,
              bomb = 7, power = 8, keyConfig = 14, exit = 15;
}  // namespace held

// Edge states of actionEdge.
namespace edge {
constexpr int idle = 0, pressed = 1, heldDown = 2, released = 3;
}

// The keys and joystick buttons bound to one action.
struct BindingRow {
    std::vector<uint16_t> keys;      // game key codes (Windows virtual-key codes)
    std::vector<int8_t> buttons;     // joystick button numbers
};
