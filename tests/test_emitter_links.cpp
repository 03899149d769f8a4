// The bound-Emitter index: removals through it leave exactly the Emitter list that the
// walk from the last Emitter down leaves, and many removals stay cheap.
#include "actors/actors.h"
#include "core/game_state.h"
#include "tests/runtime_helpers.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

namespace {

// An Emitter told apart by its count and bound to `attached`.
Emitter tagged(int32_t tag, int32_t attached) {
    Emitter e;
    e.count = tag;
    e.attached = attached;
    return e;
}

// The Emitter half of removing Actor `index` of `n`, walking the list from its end.
void referenceRemoval(std::vector<Emitter>& emitters, int32_t index, int32_t n) {
    for (size_t j = emitters.size(); j-- > 0;) {
        if (emitters[j].attached == index) {
            emitters[j] = emitters.back();
            emitters.pop_back();
        }
        if (j < emitters.size() && emitters[j].attached == n - 1) emitters[j].attached = index;
    }
}

// The end of an Emitter's last cycle: the last Emitter is copied into its place.
void referenceRetire(std::vector<Emitter>& emitters, size_t j) {
    if (j + 1 < emitters.size()) emitters[j] = emitters.back();
    emitters.pop_back();
}

// True when both lists hold the same Emitters, bound alike, in the same order.
bool sameList(const std::vector<Emitter>& a, const std::vector<Emitter>& b) {
    if (a.size() != b.size()) return false;
    for (size_t k = 0; k < a.size(); ++k) {
        if (a[k].count != b[k].count || a[k].attached != b[k].attached) return false;
    }
    return true;
}

}  // namespace

TEST(EmitterLinks, RandomRemovalsMatchTheListWalk) {
    std::mt19937 random(7);
    for (int round = 0; round < 200; ++round) {
        resetGameState();
        std::vector<Emitter> reference;
        const int actorCount = 1 + static_cast<int>(random() % 12);
        for (int k = 0; k < actorCount; ++k) appendActor(rt::actorAt(0, 0));
        int32_t tag = 0;
        for (int op = 0; op < 60 && !game.world.actors.empty(); ++op) {
            const auto n = static_cast<int32_t>(game.world.actors.size());
            switch (random() % 4) {
            case 0:
            case 1: {
                // Bound to an Actor, to none, or to an index no Actor has yet.
                const int32_t attached = static_cast<int32_t>(random() % (n + 3)) - 1;
                appendEmitter(tagged(++tag, attached));
                reference.push_back(tagged(tag, attached));
                break;
            }
            case 2: {
                const auto index = static_cast<int32_t>(random() % static_cast<uint32_t>(n));
                referenceRemoval(reference, index, n);
                removeActor(index);
                break;
            }
            default:
                if (reference.empty()) break;
                const size_t j = random() % reference.size();
                referenceRetire(reference, j);
                retireEmitter(j);
                break;
            }
            ASSERT_TRUE(sameList(game.world.emitters, reference)) << "round " << round << " op " << op;
        }
    }
}

TEST(EmitterLinks, EmittersPlacedDirectlyAreFoundToo) {
    resetGameState();
    for (int k = 0; k < 4; ++k) appendActor(rt::actorAt(0, 0));
    appendEmitter(tagged(1, 2));
    // Changed behind the index's back, as a new game or a test does.
    game.world.emitters.clear();
    game.world.emitters.push_back(tagged(2, 1));
    game.world.emitters.push_back(tagged(3, 3));
    game.world.emitters.push_back(tagged(4, 1));
    removeActor(1);
    ASSERT_EQ(game.world.emitters.size(), 1u);
    EXPECT_EQ(game.world.emitters[0].count, 3);
    EXPECT_EQ(game.world.emitters[0].attached, 1);  // the last Actor moved to 1
}

TEST(EmitterLinks, EveryActorWithItsOwnEmitterLeavesWithIt) {
    resetGameState();
    // Many Actors each holding a pending Emitter, all removed in one pass from the last
    // to the first as the Actor update does: linear work, not Actors x Emitters.
    constexpr int32_t n = 60000;
    for (int32_t k = 0; k < n; ++k) {
        appendActor(rt::actorAt(0, 0));
        appendEmitter(tagged(k, k));
        appendEmitter(tagged(k, -1));
    }
    for (int32_t k = n; k-- > 0;) removeActor(k % 2 == 0 ? k : 0);
    EXPECT_TRUE(game.world.actors.empty());
    ASSERT_EQ(game.world.emitters.size(), static_cast<size_t>(n));
    for (const Emitter& e : game.world.emitters) EXPECT_EQ(e.attached, -1);
}
