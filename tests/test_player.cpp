// The player ship: ship resolution, movement with slowdown, the direction table, the
// clamp, fire cadence, the bomb, the power attack and their lockouts.
#include "input/input.h"
#include "tests/support/shell_world.h"

#include <gtest/gtest.h>

#include <cmath>

using testing_support::emittersWithModel;
using testing_support::placedActor;
using testing_support::ShellWorld;

namespace {

// One ship whose weapons each spawn a marker Model, so every run can be counted.
constexpr std::string_view definitions = R"(
script noop { }
script cleared { }
model hull { line 0 -0.01 0 0.01 }
model shota { }
model shotb { }
model bombfx { }
model bombmark { }
model powermark { }
script fire5 { command reload { time 5 } command spawn { model shota } }
script firefree { command spawn { model shotb } }
script blast { command spawn { model bombfx } }
script bombshot { command spawn { model bombmark } }
script powershot { command spawn { model powermark } }
ship arrow { model hull shot1 fire5 shot2 firefree bomb bombshot bombeffect blast powershot powershot }
ship second { model nothing }
)";

// Keys the tests bind to the eight game actions.
constexpr int keyUp = 0x26, keyRight = 0x27, keyDown = 0x28, keyLeft = 0x25;
constexpr int keySlow = 0x41, keyFire = 0x5A, keyBomb = 0x58, keyPower = 0x43;

class PlayerShip : public ::testing::Test {
protected:
    ShellWorld world;

    void SetUp() override {
        world.load(definitions);
        const int boundKeys[] = {keyUp, keyRight, keyDown, keyLeft,
                                 keySlow, keyFire, keyBomb, keyPower};
        for (int a = 0; a < 8; ++a) ShellWorld::bind(static_cast<Action>(a), boundKeys[a]);
        newGame();
    }

    static Player& player() { return game.world.players[0]; }
    static int32_t model(std::string_view name) { return findModel(name); }

    // Holds exactly the given keys for one step of input and player control.
    void step(std::initializer_list<int> keysHeld) {
        world.engine.keyHeld.fill(false);
        for (int k : keysHeld) world.hold(k);
        readInput();
        playerStep();
    }
};

}  // namespace

TEST_F(PlayerShip, NewGameBuildsTheStartingShip) {
    const Player& p = player();
    EXPECT_EQ(game.world.players.size(), 1u);
    EXPECT_FLOAT_EQ(p.x, 0.5f);
    EXPECT_FLOAT_EQ(p.y, 1.25f);
    EXPECT_EQ(p.heading, 3.1415927f);
    EXPECT_FLOAT_EQ(p.hitRadius, 0.008f);
    EXPECT_FLOAT_EQ(p.speed, 0.01f);
    EXPECT_FLOAT_EQ(p.specialTimerFull, 300.0f);
    EXPECT_EQ(p.scoreMultiplier, 0.1f);
    EXPECT_EQ(p.invulnerableSteps, 150);
    EXPECT_EQ(p.modelIndex, model("hull"));
    EXPECT_EQ(p.shot1Script, findScript("fire5"));
    EXPECT_EQ(p.shot2Script, findScript("firefree"));
    EXPECT_EQ(p.bombEffectScript, findScript("blast"));
    EXPECT_EQ(p.bombScript, findScript("bombshot"));
    EXPECT_EQ(p.powerShotScript, findScript("powershot"));
    EXPECT_EQ(p.score, 0);
}

TEST_F(PlayerShip, MissingNamesAndMissingShipsGiveIndexZero) {
    Player p{};
    assignShip(p, 1);
    EXPECT_EQ(p.shipIndex, 1);
    EXPECT_EQ(p.modelIndex, 0);
    EXPECT_EQ(p.shot1Script, 0);
    assignShip(p, 0);
    EXPECT_EQ(p.modelIndex, model("hull"));
    assignShip(p, 7);
    EXPECT_EQ(p.shipIndex, 7);
    EXPECT_EQ(p.modelIndex, 0);
    EXPECT_EQ(p.shot1Script, 0);
    EXPECT_EQ(p.powerShotScript, 0);
    assignShip(p, -1);
    EXPECT_EQ(p.bombScript, 0);
}

TEST_F(PlayerShip, SpeedsWithSlowdownAndFire) {
    const struct {
        std::initializer_list<int> keys;
        float dx;
    } cases[] = {
        {{keyRight}, 0.01f},
        {{keyRight, keySlow}, 0.005f},
        {{keyRight, keyFire}, 0.008f},
        {{keyRight, keySlow, keyFire}, 0.004f},
        {{keySlow, keyFire}, 0.0f},
        {{}, 0.0f},
    };
    for (const auto& c : cases) {
        newGame();
        step(c.keys);
        EXPECT_NEAR(player().x - 0.5f, c.dx, 1e-7f);
        EXPECT_FLOAT_EQ(player().y, 1.25f);
    }
}

TEST_F(PlayerShip, DirectionTable) {
    const float pi = 3.1415927f;
    const float table[16] = {0,          pi,     pi / 2, 3 * pi / 4, 0,  0,  pi / 4, pi / 2,
                             -pi / 2, -3 * pi / 4, pi / 2, pi, -pi / 4, -pi / 2, 0, 0};
    const int bitKeys[4] = {keyUp, keyRight, keyDown, keyLeft};
    for (int bits = 1; bits < 16; ++bits) {
        newGame();
        player().x = 0.5f;
        player().y = 0.75f;
        world.engine.keyHeld.fill(false);
        for (int b = 0; b < 4; ++b)
            if (bits & (1 << b)) world.hold(bitKeys[b]);
        readInput();
        playerStep();
        EXPECT_NEAR(player().x - 0.5f, std::sin(table[bits]) * 0.01f, 2e-7f) << bits;
        EXPECT_NEAR(player().y - 0.75f, std::cos(table[bits]) * 0.01f, 2e-7f) << bits;
    }
}

TEST_F(PlayerShip, OppositeDirectionsDoNotCancel) {
    step({keyUp, keyDown});
    EXPECT_NEAR(player().y, 1.26f, 1e-6f);
    step({keyLeft, keyRight});
    EXPECT_NEAR(player().x, 0.51f, 1e-6f);
}

TEST_F(PlayerShip, ClampedToThePlayfield) {
    player().x = 0.025f;
    player().y = 1.475f;
    for (int i = 0; i < 5; ++i) step({keyLeft, keyDown});
    EXPECT_EQ(player().x, 0.02f);
    EXPECT_EQ(player().y, 1.48f);
    player().x = 0.975f;
    player().y = 0.025f;
    for (int i = 0; i < 5; ++i) step({keyRight, keyUp});
    EXPECT_EQ(player().x, 0.98f);
    EXPECT_EQ(player().y, 0.02f);
}

TEST_F(PlayerShip, ReloadFiveFiresEveryFifthStep) {
    for (int s = 0; s < 20; ++s) {
        const size_t before = emittersWithModel(model("shota"));
        step({keyFire});
        const bool fired = emittersWithModel(model("shota")) > before;
        EXPECT_EQ(fired, s % 5 == 0) << "step " << s;
    }
    // The shot leaves from the ship facing up.
    const Emitter& e = game.world.emitters.front();
    EXPECT_FLOAT_EQ(e.x.start, player().x);
    EXPECT_NEAR(e.startAngle.start, 3.1415927f, 1e-6f);
}

TEST_F(PlayerShip, FireWithoutReloadFiresEveryStep) {
    for (int s = 0; s < 6; ++s) step({keyFire, keySlow});
    EXPECT_EQ(emittersWithModel(model("shotb")), 6u);
    EXPECT_EQ(emittersWithModel(model("shota")), 0u);
}

TEST_F(PlayerShip, BombReachesBreakableHostilesWithin) {
    auto near = placedActor(0.5f, 1.25f - 0.38f, 0);
    auto far = placedActor(0.5f, 1.25f - 0.39f, 0);
    auto hard = placedActor(0.5f, 1.25f - 0.1f, 0);
    hard.flag = flags::unbreakable;
    auto own = placedActor(0.5f, 1.25f - 0.1f, 0);
    own.owner = 1;
    game.world.actors = {near, far, hard, own};
    step({keyBomb});
    ASSERT_EQ(emittersWithModel(model("bombfx")), 1u);
    EXPECT_EQ(emittersWithModel(model("bombmark")), 1u);
    // The effect runs on the caught Actor itself; the bomb's own script at the ship.
    for (const Emitter& e : game.world.emitters) {
        if (e.templateActor.model == model("bombfx")) {
            EXPECT_FLOAT_EQ(e.y.start, 1.25f - 0.38f);
        }
        if (e.templateActor.model == model("bombmark")) {
            EXPECT_FLOAT_EQ(e.y.start, 1.25f);
        }
    }
    EXPECT_FLOAT_EQ(player().specialTimer, 300.0f);
    EXPECT_FLOAT_EQ(player().specialTimerFull, 300.0f);
}

TEST_F(PlayerShip, BombDelaysThePowerAttackBy300Steps) {
    step({keyBomb});
    int powerStep = -1;
    for (int s = 1; s <= 400 && powerStep < 0; ++s) {
        step({keyPower});
        if (emittersWithModel(model("powermark")) > 0) powerStep = s;
    }
    EXPECT_EQ(powerStep, 300);
    EXPECT_FLOAT_EQ(player().specialTimer, 600.0f);
    EXPECT_FLOAT_EQ(player().specialTimerFull, 600.0f);
    EXPECT_FLOAT_EQ(player().shotCooldown, 600.0f);
    // After the power attack neither fire nor bomb for 600 steps.
    int fireStep = -1;
    int bombStep = -1;
    for (int s = 1; s <= 700 && (fireStep < 0 || bombStep < 0); ++s) {
        step({keyFire, keyBomb});
        if (fireStep < 0 && emittersWithModel(model("shota")) > 0) fireStep = s;
        if (bombStep < 0 && emittersWithModel(model("bombmark")) > 1) bombStep = s;
    }
    EXPECT_EQ(fireStep, 600);
    EXPECT_EQ(bombStep, 600);
}

TEST_F(PlayerShip, DisabledShipStaysButItsTimersRun) {
    player().disabledSteps = 10;
    player().invulnerableSteps = 20;
    player().shotCooldown = 3.0f;
    player().specialTimer = 2.0f;
    step({keyRight, keyFire, keyBomb, keyPower});
    EXPECT_FLOAT_EQ(player().x, 0.5f);
    EXPECT_TRUE(game.world.emitters.empty());
    EXPECT_EQ(player().disabledSteps, 9);
    EXPECT_EQ(player().invulnerableSteps, 19);
    EXPECT_FLOAT_EQ(player().shotCooldown, 2.0f);
    EXPECT_FLOAT_EQ(player().specialTimer, 1.0f);
}

TEST_F(PlayerShip, NoPlayerNoStep) {
    game.world.players.clear();
    step({keyRight, keyFire});
    EXPECT_TRUE(game.world.emitters.empty());
}
