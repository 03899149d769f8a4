// Helpers shared by the Actor and script runtime code: random draws, safe reads of the
// first Player and of Models, flag bits and event slots.
#pragma once

#include "core/game_state.h"
#include "core/numbers.h"

#include <cstdint>

namespace actormath {

// A uniform random number q / Rng::maxValue from the simulation generator (1.0 is reachable).
inline float random01() {
    return static_cast<float>(game.rng.next()) / static_cast<float>(Rng::maxValue);
}

// Position of the first Player; an empty Player list reads as a Player at (0, 0).
inline float firstPlayerX() { return game.world.players.empty() ? 0.0f : game.world.players[0].x; }

// See firstPlayerX.
inline float firstPlayerY() { return game.world.players.empty() ? 0.0f : game.world.players[0].y; }

// The Model at `index`, or nullptr when the index lies outside the registry.
inline const Model* modelAt(int32_t index) {
    const auto& models = game.defs.modelRegistry;
    if (index < 0 || static_cast<size_t>(index) >= models.size()) return nullptr;
    return &models[static_cast<size_t>(index)];
}

// Sets one flag bit to the lowest bit of `value`; other bits below 16 kept, bits 16+ cleared.
inline int32_t setFlagBit(int32_t flag, int32_t bit, int32_t value) {
    int32_t kept = flag & 0xFFFF & ~bit;
    return (value & 1) != 0 ? (kept | bit) : kept;
}

// The event slots an event keyword sets: `count` consecutive codes from `first`.
struct SlotRange {
    EventCode first = EventCode::onevery;
    int count = 0;  // 0: the name is no event keyword
};

// Event keyword to slots; which command reads which keyword is in actors/param_use.h.
inline SlotRange eventSlotsOf(ParamName name) {
    switch (name) {
    case ParamName::Onevery:
    case ParamName::Oneach: return {EventCode::onevery, 1};
    case ParamName::Ontime: return {EventCode::ontime, 1};
    case ParamName::Onleft: return {EventCode::onleft, 1};
    case ParamName::Onright: return {EventCode::onright, 1};
    case ParamName::Ontop: return {EventCode::ontop, 1};
    case ParamName::Onbottom: return {EventCode::onbottom, 1};
    case ParamName::Onleave: return {EventCode::onleft, 4};
    case ParamName::Ondie: return {EventCode::ondie, 1};
    case ParamName::Ontimes: return {EventCode::ontimes, 1};
    case ParamName::Ontrigger: return {EventCode::ontrigger, 1};
    case ParamName::Onsamex: return {EventCode::onsamex, 1};
    case ParamName::Onsamey: return {EventCode::onsamey, 1};
    case ParamName::Onfleft: return {EventCode::onfleft, 1};
    case ParamName::Onfright: return {EventCode::onfright, 1};
    case ParamName::Onftop: return {EventCode::onftop, 1};
    case ParamName::Onfbottom: return {EventCode::onfbottom, 1};
    case ParamName::Onfleave: return {EventCode::onfleft, 4};
    case ParamName::Onbossdie: return {EventCode::onbossdie, 1};
    case ParamName::Onbosstimeout: return {EventCode::onbosstimeout, 1};
    case ParamName::Onspawn: return {EventCode::onspawn, 1};
    case ParamName::Onhit: return {EventCode::onhit, 1};
    default: return {};
    }
}

// Sets the slots of an event keyword; false when the name is no event keyword.
inline bool setEventSlots(Actor& actor, ParamName name, uint32_t script) {
    SlotRange slots = eventSlotsOf(name);
    for (int k = 0; k < slots.count; ++k)
        actor.events[slotOf(slots.first) + static_cast<size_t>(k)] = static_cast<int32_t>(script);
    return slots.count > 0;
}

}  // namespace actormath
