// The Actor list: appending, unordered removal with Emitter re-pointing and the graze
// score, clearing, and the cap on the list.
#include "actors/actors.h"
#include "tests/runtime_helpers.h"

#include <gtest/gtest.h>

namespace {

// An Emitter bound to Actor `attached`, marked by its count.
Emitter boundEmitter(int32_t attached, int32_t mark) {
    Emitter e;
    e.attached = attached;
    e.count = mark;
    return e;
}

}  // namespace

TEST(ActorList, AppendAndRemoveShapes) {
    resetGameState();
    appendActor(rt::actorAt(0.1f, 0.1f));
    EXPECT_EQ(game.world.actors.size(), 1u);
    removeActor(0);
    EXPECT_TRUE(game.world.actors.empty());

    for (int k = 0; k < 3; ++k) appendActor(rt::actorAt(0.1f * static_cast<float>(k), 0));
    removeActor(2);  // the last only shrinks the list
    ASSERT_EQ(game.world.actors.size(), 2u);
    EXPECT_FLOAT_EQ(game.world.actors[1].x, 0.1f);
    appendActor(rt::actorAt(0.9f, 0));
    removeActor(0);  // the last moves into the freed place
    ASSERT_EQ(game.world.actors.size(), 2u);
    EXPECT_FLOAT_EQ(game.world.actors[0].x, 0.9f);
    EXPECT_FLOAT_EQ(game.world.actors[1].x, 0.1f);

    removeActor(-1);  // indices outside the list change nothing
    removeActor(5);
    EXPECT_EQ(game.world.actors.size(), 2u);
}

TEST(ActorList, RemovalRepointsAndDropsEmitters) {
    resetGameState();
    for (int k = 0; k < 5; ++k) appendActor(rt::actorAt(0, 0));
    auto& em = game.world.emitters;
    em.push_back(boundEmitter(4, 10));  // bound to the last Actor: re-pointed to 1
    em.push_back(boundEmitter(1, 11));  // bound to the removed Actor: dropped
    em.push_back(boundEmitter(-1, 12));
    em.push_back(boundEmitter(1, 13));  // dropped; the last Emitter (12) takes its place
    em.push_back(boundEmitter(4, 14));  // re-pointed
    removeActor(1);
    ASSERT_EQ(em.size(), 3u);
    EXPECT_EQ(em[0].count, 10);
    EXPECT_EQ(em[0].attached, 1);
    EXPECT_EQ(em[1].count, 14);  // moved in for Emitter 11, already re-pointed
    EXPECT_EQ(em[1].attached, 1);
    EXPECT_EQ(em[2].count, 12);
    EXPECT_EQ(em[2].attached, -1);
    EXPECT_EQ(game.world.actors.size(), 4u);
}

TEST(ActorList, RemovingTheLastActorDropsItsEmittersOnly) {
    resetGameState();
    for (int k = 0; k < 3; ++k) appendActor(rt::actorAt(0, 0));
    game.world.emitters.push_back(boundEmitter(2, 1));
    game.world.emitters.push_back(boundEmitter(0, 2));
    removeActor(2);
    ASSERT_EQ(game.world.emitters.size(), 1u);
    EXPECT_EQ(game.world.emitters[0].attached, 0);
}

TEST(ActorList, GrazeScoreOnRemovalOfHostiles) {
    resetGameState();
    Player& p = rt::addPlayer(0.5f, 1.25f, 1.0f);
    p.score = 100;
    Actor hostile = rt::actorAt(0.5f, 0.5f);
    hostile.graze = 0;  // 0.01 / 0.001 x 1.0 = 10
    appendActor(hostile);
    removeActor(0);
    EXPECT_EQ(game.world.players[0].score, 110);

    hostile.graze = 9000;  // 0.01 / (94.868... + 0.001) rounds away
    appendActor(hostile);
    removeActor(0);
    EXPECT_EQ(game.world.players[0].score, 110);

    game.world.players[0].scoreMultiplier = 20000.0f;  // 0.01 / 94.8693 x 20000 = 2.108
    appendActor(hostile);
    removeActor(0);
    EXPECT_EQ(game.world.players[0].score, 112);

    Actor shot = hostile;
    shot.graze = 0;
    shot.owner = 1;
    appendActor(shot);
    removeActor(0);
    Actor other = hostile;
    other.graze = 0;
    other.player = 1;
    appendActor(other);
    removeActor(0);
    EXPECT_EQ(game.world.players[0].score, 112);  // shots and other players' Actors: nothing
}

TEST(ActorList, RemovalWithoutPlayersChangesNoScore) {
    resetGameState();
    Actor hostile = rt::actorAt(0.5f, 0.5f);
    hostile.graze = 0;
    appendActor(hostile);
    removeActor(0);
    EXPECT_TRUE(game.world.actors.empty());
    EXPECT_TRUE(game.world.players.empty());
}

TEST(ActorList, ClearKeepsOnlyGraze) {
    Actor a = rt::actorAt(0.4f, 0.6f, 1.0f);
    a.graze = 123;
    a.events[5] = 7;
    a.flag = 3;
    clearActor(a);
    EXPECT_EQ(a.graze, 123);
    EXPECT_EQ(a.life, 0);
    EXPECT_EQ(a.repeat, 0);
    EXPECT_EQ(a.events[5], 0);
    EXPECT_EQ(a.flag, 0);
    EXPECT_FLOAT_EQ(a.x, 0);
    EXPECT_FLOAT_EQ(a.scale, 0);
}

TEST(ActorList, AppendStopsAtTheCap) {
    resetGameState();
    game.world.actors.resize(limits::maxActors - 1);
    appendActor(rt::actorAt(0.5f, 0.5f));
    EXPECT_EQ(game.world.actors.size(), limits::maxActors);
    appendActor(rt::actorAt(0.7f, 0.5f));
    EXPECT_EQ(game.world.actors.size(), limits::maxActors);
    EXPECT_FLOAT_EQ(game.world.actors.back().x, 0.5f);
}
