// Actors drawn from their kept turned lines give exactly the lines a fresh turn gives,
// through changes of heading, rotation, scale, Model, list position and the Models
// themselves; and the kept lines stay within their bound.
#include "actors/actors.h"
#include "app/app.h"
#include "core/game_state.h"
#include "core/trig.h"
#include "defs/defs.h"
#include "platform/headless.h"
#include "platform/platform.h"
#include "tests/support/scene_lines.h"
#include "tests/support/test_font.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>
#include <random>

using testing_support::makeLine;
using testing_support::sceneLines;

namespace {

// The line of one Actor's Model as the game defines it, worked out here by the long road.
SceneOp expectedLine(const Actor& a, const ModelLine& line) {
    const float rotation = a.angle + a.rotate;
    const SinCos h1 = sinCosPrecise(rotation + line.angle1);
    const SinCos h2 = sinCosPrecise(rotation + line.angle2);
    const PlayfieldLayout& layout = game.layout;
    SceneOp op;
    op.kind = SceneOp::Kind::Line;
    op.x1 = (a.x + a.scale * line.radius1 * h1.s) * layout.pixelsPerUnitX + layout.playfieldLeft;
    op.y1 = (a.y + a.scale * line.radius1 * h1.c) * layout.pixelsPerUnitY + layout.playfieldTop;
    op.x2 = (a.x + a.scale * line.radius2 * h2.s) * layout.pixelsPerUnitX + layout.playfieldLeft;
    op.y2 = (a.y + a.scale * line.radius2 * h2.c) * layout.pixelsPerUnitY + layout.playfieldTop;
    op.color = line.color;
    op.z = 0.5f;
    return op;
}

// Every line the Actors should draw, from the last Actor to the first.
std::vector<SceneOp> expectedLines() {
    std::vector<SceneOp> out;
    const auto& actors = game.world.actors;
    const auto& models = game.defs.modelRegistry;
    for (size_t i = actors.size(); i-- > 0;) {
        const Actor& a = actors[i];
        if (a.model < 0 || static_cast<size_t>(a.model) >= models.size()) continue;
        for (const ModelLine& line : models[static_cast<size_t>(a.model)].lines)
            out.push_back(expectedLine(a, line));
    }
    return out;
}

// The same float bit for bit, or both NaN: which NaN comes out of a sum of two NaNs (an
// Actor's heading and rotation both NaN) is the compiler's choice, and no NaN end is drawn.
bool sameBits(float a, float b) {
    return std::bit_cast<uint32_t>(a) == std::bit_cast<uint32_t>(b) ||
           (std::isnan(a) && std::isnan(b));
}

// Compares two lines bit for bit (NaN ends as above).
bool sameBits(const SceneOp& a, const SceneOp& b) {
    return sameBits(a.x1, b.x1) && sameBits(a.y1, b.y1) && sameBits(a.x2, b.x2) &&
           sameBits(a.y2, b.y2) && a.color == b.color && sameBits(a.z, b.z);
}

// Draws the Actors and checks every line against the fresh computation.
void drawAndCompare(HeadlessEngine& engine, int frame) {
    engine.ops.clear();
    drawActorsInPlayfield();
    const std::vector<SceneOp> drawn = sceneLines(engine.ops);
    const std::vector<SceneOp> expected = expectedLines();
    ASSERT_EQ(drawn.size(), expected.size()) << "frame " << frame;
    for (size_t k = 0; k < drawn.size(); ++k)
        ASSERT_TRUE(sameBits(drawn[k], expected[k])) << "frame " << frame << " line " << k;
}

// A random number from the generator in [lo, hi).
float uniform(std::mt19937& rng, float lo, float hi) {
    return std::uniform_real_distribution<float>(lo, hi)(rng);
}

// A Model of `count` random lines in random colours, measured.
Model randomModel(std::mt19937& rng, size_t count) {
    Model m;
    for (size_t k = 0; k < count; ++k)
        m.lines.push_back(makeLine(uniform(rng, -0.05f, 0.05f), uniform(rng, -0.05f, 0.05f),
                                   uniform(rng, -0.05f, 0.05f), uniform(rng, -0.05f, 0.05f),
                                   0xFF000000u | static_cast<uint32_t>(rng() & 0xFFFFFF)));
    measureModel(game.defs, m);
    return m;
}

// Angles the game may meet: ordinary ones, large ones, and values with no sensible turn.
float randomAngle(std::mt19937& rng) {
    switch (rng() % 16) {
    case 0: return std::numeric_limits<float>::quiet_NaN();
    case 1: return std::numeric_limits<float>::infinity();
    case 2: return -0.0f;
    case 3: return uniform(rng, -1e7f, 1e7f);
    default: return uniform(rng, -7.0f, 7.0f);
    }
}

// A random Actor over the registry's Models, now and then with an index past either end.
Actor randomActor(std::mt19937& rng) {
    Actor a{};
    const auto models = static_cast<int32_t>(game.defs.modelRegistry.size());
    a.model = static_cast<int32_t>(rng() % static_cast<uint32_t>(models + 2)) - 1;
    a.x = uniform(rng, 0.0f, 1.0f);
    a.y = uniform(rng, 0.0f, 1.5f);
    a.angle = randomAngle(rng);
    a.rotate = rng() % 3 == 0 ? randomAngle(rng) : 0.0f;
    a.scale = rng() % 8 == 0 ? uniform(rng, -3.0f, 3.0f) : 1.0f;
    return a;
}

// Line counts around the edges of what is kept: 16 lines are kept, 17 are turned afresh.
constexpr size_t lineCounts[] = {0, 1, 2, 3, 5, 8, 9, 16, 17, 40};

// The registry: a Model of every line count, then one never measured.
void randomRegistry(std::mt19937& rng) {
    auto& models = game.defs.modelRegistry;
    models.clear();
    for (size_t count : lineCounts) models.push_back(randomModel(rng, count));
    Model unmeasured = randomModel(rng, 4);
    unmeasured.lineReach = -1;
    models.push_back(unmeasured);
}

// A fresh game drawing into a headless engine.
class DrawCacheTest : public testing::Test {
protected:
    void SetUp() override {
        resetGameState();
        resetAppState();
        game.platform.engine = &engine;
    }
    void TearDown() override { game.platform.engine = nullptr; }
    HeadlessEngine engine;
};

}  // namespace

TEST_F(DrawCacheTest, KeptLinesMatchAFreshTurnThroughEveryKindOfChange) {
    game.layout.playfieldLeft = 137.5f, game.layout.pixelsPerUnitX = 391.0f;
    std::mt19937 rng(20261208);
    // Models measured before anything is drawn, put in place later without measuring.
    randomRegistry(rng);
    std::vector<Model> measuredEarlier = game.defs.modelRegistry;
    randomRegistry(rng);
    for (int k = 0; k < 400; ++k) appendActor(randomActor(rng));

    for (int frame = 0; frame < 200; ++frame) {
        drawAndCompare(engine, frame);
        // Drawn again with nothing changed, the lines are kept; a third time, drawn from
        // the kept ones.
        drawAndCompare(engine, frame);
        drawAndCompare(engine, frame);

        auto& actors = game.world.actors;
        for (Actor& a : actors) {
            a.x += 0.001f, a.y -= 0.002f;  // positions move every frame
            switch (rng() % 12) {
            case 0: a.angle = randomAngle(rng); break;
            case 1: a.rotate += 0.01f; break;
            case 2: a.scale = uniform(rng, -2.0f, 2.0f); break;
            case 3: a = randomActor(rng); break;  // a new Model, maybe
            case 4: a.angle = -a.angle; break;
            default: break;
            }
        }
        // Removals move the last Actor into the gap; appends fill the list again.
        for (int r = static_cast<int>(rng() % 20); r > 0 && !actors.empty(); --r)
            removeActor(static_cast<int32_t>(rng() % actors.size()));
        if (frame % 50 == 25) {
            while (actors.size() > 10) removeActor(0);  // the list shrinks, then regrows
        }
        while (actors.size() < 400) appendActor(randomActor(rng));

        auto& models = game.defs.modelRegistry;
        if (frame % 7 == 3) {
            // A Model's lines edited in place and measured again.
            Model& m = models[rng() % models.size()];
            for (ModelLine& line : m.lines) line.radius1 *= 1.5f, line.angle2 += 0.25f;
            measureModel(game.defs, m);
        }
        if (frame % 11 == 5) randomRegistry(rng);  // new Models at the same indices
        if (frame % 13 == 8) {
            // The same Models copied into a new registry: new storage, same lines.
            std::vector<Model> copy = models;
            models = std::move(copy);
        }
        if (frame % 17 == 9) game.layout.pixelsPerUnitY += 3.0f;  // the layout changes
        if (frame % 19 == 10) std::swap(models, measuredEarlier);
        if (frame % 23 == 12) {
            // A line added to the 5-line Model in room it already had, not measured again.
            Model& m = models[4];
            m.lines.reserve(m.lines.size() + 1);
            const ModelLine* before = m.lines.data();
            m.lines.push_back(makeLine(0.01f, 0.02f, -0.03f, 0.0f));
            if (m.lines.data() != before) measureModel(game.defs, m);  // it moved: measured as it should
        }
    }
}

TEST_F(DrawCacheTest, KeptLinesStayWithinTheirBoundWhileModelsChangeUnderEveryPosition) {
    std::mt19937 rng(7);
    randomRegistry(rng);
    for (int k = 0; k < 1000; ++k) appendActor(randomActor(rng));
    // Actors that turn every frame keep nothing: they would be turned again anyway.
    for (int frame = 0; frame < 3; ++frame) {
        for (Actor& a : game.world.actors) a.angle = static_cast<float>(frame), a.rotate = 0;
        drawActorsInPlayfield();
    }
    EXPECT_TRUE(app.drawCache.lines.empty());
    for (int frame = 0; frame < 60; ++frame) {
        for (Actor& a : game.world.actors) {
            a.model = static_cast<int32_t>(rng() % std::size(lineCounts));
            a.angle += 0.5f;
        }
        engine.ops.clear();
        drawActorsInPlayfield();
        drawActorsInPlayfield();  // unchanged for a frame: kept
        const DrawCache& cache = app.drawCache;
        EXPECT_EQ(cache.slots.size(), 1000u);
        EXPECT_FALSE(cache.lines.empty());
        // Rooms only grow and by powers of two up to 16 lines: 31 lines a position at most.
        EXPECT_LE(cache.lines.size(), 31u * cache.slots.size()) << "frame " << frame;
    }
    // Nothing is kept for an Actor of more than 16 lines, nor for an empty Model.
    resetGameState();
    resetAppState();
    game.platform.engine = &engine;
    randomRegistry(rng);
    Actor big{};
    big.model = 8, big.scale = 1;  // 17 lines
    appendActor(big);
    big.model = 0;                 // no lines
    appendActor(big);
    drawActorsInPlayfield();
    drawActorsInPlayfield();
    EXPECT_TRUE(app.drawCache.lines.empty());
}

// More lines than one batch holds (over a million): the batches follow each other in
// drawing order, and kept lines made in later batches match too.
TEST_F(DrawCacheTest, ActorsBeyondOneBatchAreDrawnInOrder) {
    std::mt19937 rng(11);
    randomRegistry(rng);
    for (int k = 0; k < 50000; ++k) {
        Actor a = randomActor(rng);
        a.model = 7 + k % 3;  // 16, 17 or 40 lines: 1.2 million in all
        a.angle = static_cast<float>(k % 7);
        appendActor(a);
    }
    for (int frame = 0; frame < 3; ++frame) drawAndCompare(engine, frame);
    EXPECT_FALSE(app.drawCache.lines.empty());
}
