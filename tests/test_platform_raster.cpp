// Recorded scenes become PNG pictures with exact line pixels, blending and clipping; the
// framebuffer behind them gives the same pixels on any number of threads and any scale.
#include "platform/framebuffer.h"
#include "platform/headless.h"
#include "platform/resolution.h"
#include "tests/support/scene_png.h"
#include "tests/support/support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <limits>
#include <random>
#include <vector>
#include <algorithm>

namespace {

using testing_support::Image;
using testing_support::render;
using testing_support::Scene;

// Counts the pixels that are not opaque black.
int litPixels(const Image& image) {
    int count = 0;
    for (uint32_t p : image.pixels) count += p != 0xFF000000u ? 1 : 0;
    return count;
}

constexpr uint32_t black = 0xFF000000u;

}  // namespace

TEST(RasterPng, OpaqueLinesHaveExactPixels) {
    Scene scene;
    scene.clear(0).line(10, 20, 14, 20, 0xFFFF0000u).line(0, 0, 4, 2, 0xFF00FF00u);
    const Image image = render(scene);
    ASSERT_EQ(image.width, 800);
    ASSERT_EQ(image.height, 600);
    // Both end points are drawn.
    for (int x = 10; x <= 14; ++x) EXPECT_EQ(image.at(x, 20), 0xFFFF0000u) << x;
    EXPECT_EQ(image.at(9, 20), black);
    EXPECT_EQ(image.at(15, 20), black);
    EXPECT_EQ(image.at(12, 19), black);
    // Bresenham's walk of a 2:1 slope.
    for (auto [x, y] : {std::pair{0, 0}, {1, 1}, {2, 1}, {3, 2}, {4, 2}})
        EXPECT_EQ(image.at(x, y), 0xFF00FF00u) << x << "," << y;
    EXPECT_EQ(litPixels(image), 10);
}

TEST(RasterPng, FractionalEndsFallInTheirPixel) {
    Scene scene;
    scene.line(10.9f, 5.2f, 12.7f, 5.9f, 0xFFFFFFFFu);
    scene.line(30.5f, 40.99f, 30.5f, 43.0f, 0xFFFFFFFFu);
    const Image image = render(scene);
    for (int x = 10; x <= 12; ++x) EXPECT_EQ(image.at(x, 5), 0xFFFFFFFFu) << x;
    for (int y = 40; y <= 43; ++y) EXPECT_EQ(image.at(30, y), 0xFFFFFFFFu) << y;
    EXPECT_EQ(litPixels(image), 7);
}

TEST(RasterPng, HalfTransparentLineBlendsOverTheClearColour) {
    Scene scene;
    scene.clear(0xFF0000FFu).line(100, 50, 110, 50, 0x80FF0000u);
    const Image image = render(scene);
    // 255 * 128 / 255 = 128 red; 255 * 127 / 255 = 127 blue.
    EXPECT_EQ(image.at(105, 50), 0xFF80007Fu);
    EXPECT_EQ(image.at(105, 51), 0xFF0000FFu);
    // A second pass of the same line blends again.
    scene.line(100, 50, 110, 50, 0x80FF0000u);
    EXPECT_EQ(render(scene).at(105, 50), 0xFFBF003Fu);
    // Alpha 0 draws nothing.
    Scene invisible;
    invisible.line(0, 0, 799, 599, 0x00FFFFFFu);
    EXPECT_EQ(litPixels(render(invisible)), 0);
}

TEST(RasterPng, ClippingCutsLines) {
    Scene scene;
    scene.clip(200, 0, 400, 600).line(100, 50, 700, 50, 0xFFFFFFFFu);
    scene.clip(0, 0, 0, 0).line(100, 60, 700, 60, 0xFFFFFFFFu);
    const Image image = render(scene);
    EXPECT_EQ(image.at(199, 50), black);
    EXPECT_EQ(image.at(200, 50), 0xFFFFFFFFu);
    EXPECT_EQ(image.at(599, 50), 0xFFFFFFFFu);
    EXPECT_EQ(image.at(600, 50), black);
    // All-zero clipping shows the whole screen again.
    EXPECT_EQ(image.at(100, 60), 0xFFFFFFFFu);
    EXPECT_EQ(image.at(700, 60), 0xFFFFFFFFu);
    EXPECT_EQ(litPixels(image), 400 + 601);
}

TEST(RasterPng, BeginResetsClippingAndEmptyClipsShowNothing) {
    Scene scene;
    scene.clip(0, 0, 10, 10);
    scene.ops.push_back(SceneOp{});
    scene.line(100, 100, 100, 110, 0xFFFFFFFFu);
    EXPECT_EQ(litPixels(render(scene)), 11);
    Scene empty;
    empty.clip(50, 50, -5, 10).line(0, 55, 100, 55, 0xFFFFFFFFu);
    empty.clip(900, 0, 100, 600).line(0, 56, 799, 56, 0xFFFFFFFFu);
    EXPECT_EQ(litPixels(render(empty)), 0);
}

TEST(RasterPng, ClearFillsTheWholePictureOpaque) {
    Scene scene;
    scene.line(1, 1, 5, 1, 0xFFFFFFFFu).clip(200, 0, 400, 600).clear(0x00102030u);
    const Image image = render(scene, 64, 48);
    ASSERT_EQ(image.pixels.size(), 64u * 48u);
    for (uint32_t p : image.pixels) ASSERT_EQ(p, 0xFF102030u);
}

TEST(RasterPng, FarAndBrokenCoordinatesAreSafe) {
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    Scene scene;
    scene.line(-1e30f, 300, 1e30f, 300, 0xFFFFFFFFu);
    scene.line(nan, 0, 10, 10, 0xFFFFFFFFu).line(0, 0, inf, 10, 0xFFFFFFFFu);
    scene.line(-1e9f, -1e9f, -1e9f + 1, -1e9f, 0xFFFFFFFFu);
    scene.line(400, -3e38f, 400, 3e38f, 0xFFFFFFFFu);
    const Image image = render(scene);
    EXPECT_EQ(litPixels(image), 800 + 600 - 1);
    EXPECT_EQ(image.at(0, 300), 0xFFFFFFFFu);
    EXPECT_EQ(image.at(799, 300), 0xFFFFFFFFu);
    EXPECT_EQ(image.at(400, 0), 0xFFFFFFFFu);
    EXPECT_EQ(image.at(400, 599), 0xFFFFFFFFu);
    // Huge slanted lines draw something sensible and stay within the picture.
    Scene slanted;
    slanted.line(-3e38f, -3e38f, 3e38f, 3e38f, 0xFFFFFFFFu);
    slanted.line(1e20f, -1e25f, -7e19f, 2e24f, 0xFFFFFFFFu);
    EXPECT_LE(litPixels(render(slanted)), 2 * 800);
}

TEST(RasterPng, OutputIsDeterministicAndBadPathsFail) {
    testing_support::TempDir dir;
    Scene scene;
    scene.clear(0).line(3, 4, 500, 321, 0xC0FFAA00u).line(700, 20, 20, 580, 0x80FFFFFFu);
    const std::string a = (dir.path() / "a.png").string(), b = (dir.path() / "b.png").string();
    ASSERT_TRUE(writeScenePng(scene.ops, a));
    ASSERT_TRUE(writeScenePng(scene.ops, b));
    auto bytes = [](const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::vector<char>(std::istreambuf_iterator<char>(in), {});
    };
    EXPECT_FALSE(bytes(a).empty());
    EXPECT_EQ(bytes(a), bytes(b));
    EXPECT_FALSE(writeScenePng(scene.ops, (dir.path() / "missing" / "c.png").string()));
    EXPECT_FALSE(writeScenePng(scene.ops, a, 0, 600));
}

// The reference picture: every line straight through forEachLinePixel, one after another.
std::vector<uint32_t> referencePicture(const std::vector<ScreenLine>& lines,
                                       const std::vector<raster::PixelRect>& clips) {
    std::vector<uint32_t> pixels(800 * 600, 0xFF000000u);
    const raster::PixelRect screen{0, 0, 800, 600};
    for (size_t k = 0; k < lines.size(); ++k) {
        const ScreenLine& l = lines[k];
        const uint32_t a = l.color >> 24;
        raster::forEachLinePixel(l.x1, l.y1, l.x2, l.y2, screen, clips[k], [&](int x, int y) {
            uint32_t& p = pixels[static_cast<size_t>(y) * 800 + static_cast<size_t>(x)];
            uint32_t out = 0xFF000000u;
            for (int shift : {16, 8, 0})
                out |= uint32_t{raster::blendChannel((l.color >> shift) & 0xFF,
                                                     (p >> shift) & 0xFF, a)} << shift;
            p = out;
        });
    }
    return pixels;
}

TEST(Framebuffer, BandsThreadsAndBatchesGiveTheReferencePixels) {
    // Short lines (the table of walks), long ones across every band, far and broken ones,
    // translucent ones over each other, under clip areas changing between batches.
    std::mt19937 rng(17);
    std::uniform_real_distribution<float> x(-20, 820), y(-20, 620), step(-12.5f, 12.5f);
    std::vector<ScreenLine> lines;
    std::vector<raster::PixelRect> clips;
    const raster::PixelRect areas[] = {{0, 0, 800, 600}, {200, 0, 400, 600}, {0, 100, 800, 37}};
    for (int k = 0; k < 60000; ++k) {
        const float x1 = x(rng), y1 = y(rng);
        const bool shortLine = k % 5 != 0;
        ScreenLine l{x1, y1, shortLine ? x1 + step(rng) : x(rng), shortLine ? y1 + step(rng) : y(rng),
                     (k % 4 == 0 ? 0x80000000u : 0xFF000000u) | (static_cast<uint32_t>(rng()) & 0xFFFFFF)};
        if (k % 997 == 0) l.x2 = 1e30f;
        if (k % 1999 == 0) l.y1 = std::numeric_limits<float>::quiet_NaN();
        lines.push_back(l);
        clips.push_back(areas[(k / 7000) % 3]);
    }
    // On one thread, on four, and on four into memory of wider rows (a window's pixels).
    WorkerPool workers(3);
    constexpr size_t stride = 813;
    std::vector<uint32_t> window(stride * 600, 0x12345678u);
    for (int pass = 0; pass < 3; ++pass) {
        WorkerPool* pool = pass == 0 ? nullptr : &workers;
        raster::Framebuffer picture(pool);
        picture.resize(800, 600, 800, 600);
        if (pass == 2) picture.drawInto(window.data(), stride);
        picture.line(5, 5, 50, 5, 0xFFFFFFFFu);
        picture.clear(0xFF000000u);  // drops the line queued before it
        for (size_t first = 0; first < lines.size(); first += 7000) {
            const raster::PixelRect& a = clips[first];
            picture.setClip(a.x, a.y, a.w, a.h);
            const size_t count = std::min<size_t>(7000, lines.size() - first);
            if (first % 14000 == 0) {
                picture.lines({lines.data() + first, count});
            } else {
                for (size_t k = first; k < first + count; ++k)
                    picture.line(lines[k].x1, lines[k].y1, lines[k].x2, lines[k].y2, lines[k].color);
            }
            if (first == 21000) picture.finish();  // a frame may be finished in parts
        }
        picture.finish();
        const std::vector<uint32_t> reference = referencePicture(lines, clips);
        ASSERT_EQ(picture.pixels().size(), reference.size());
        int differing = 0, beyond = 0;
        for (size_t i = 0; i < reference.size(); ++i) {
            const uint32_t got =
                pass == 2 ? window[i / 800 * stride + i % 800] : picture.pixels()[i];
            differing += got != reference[i];
        }
        for (size_t row = 0; row < 600; ++row)
            for (size_t column = 800; column < stride; ++column)
                beyond += window[row * stride + column] != 0x12345678u;
        EXPECT_EQ(differing, 0) << "pass " << pass;
        EXPECT_EQ(beyond, 0);
    }
}

TEST(Framebuffer, ScaledPictureKeepsLinesAndClipAreasInProportion) {
    raster::Framebuffer picture;
    picture.resize(800, 600, 1200, 900);
    picture.setClip(200, 0, 400, 600);
    picture.line(100, 300, 700, 300, 0xFFFFFFFFu);  // cut at screen columns 200 and 599
    picture.setClip(0, 0, 0, 0);
    picture.line(799, 0, 799, 599, 0xFFFF0000u);
    picture.finish();
    auto at = [&](int px, int py) { return picture.pixels()[static_cast<size_t>(py) * 1200 + px]; };
    EXPECT_EQ(at(299, 450), 0xFF000000u);
    EXPECT_EQ(at(300, 450), 0xFFFFFFFFu);  // 200 x 1.5
    EXPECT_EQ(at(899, 450), 0xFFFFFFFFu);  // the clip's right edge, 600 x 1.5, excluded
    EXPECT_EQ(at(900, 450), 0xFF000000u);
    EXPECT_EQ(at(1198, 0), 0xFFFF0000u);   // 799 x 1.5 = 1198.5: column 1198
    EXPECT_EQ(at(1198, 898), 0xFFFF0000u);
    EXPECT_EQ(at(1199, 450), 0xFF000000u);

    // Scaled up into wider rows: every pixel takes the picture's pixel under its centre.
    picture.resize(800, 600, 800, 600);
    picture.line(799, 0, 799, 599, 0xFFFF0000u);
    picture.line(0, 0, 798, 0, 0xFFFFFFFFu);
    constexpr size_t stride = 970;
    std::vector<uint32_t> window(stride * 720, 0x12345678u);
    picture.stretchInto(window.data(), stride, 960, 720);
    auto in = [&](size_t px, size_t py) { return window[py * stride + px]; };
    for (size_t py : {0, 1, 360, 719}) {
        EXPECT_EQ(in(959, py), 0xFFFF0000u) << py;  // (2 x 959 + 1) x 800 / 1920 = 799
        EXPECT_EQ(in(958, py), py == 0 ? 0xFFFFFFFFu : 0xFF000000u) << py;
        EXPECT_EQ(in(960, py), 0x12345678u) << py;
    }
    EXPECT_EQ(in(400, 0), 0xFFFFFFFFu);
    EXPECT_EQ(in(400, 1), 0xFF000000u);  // (2 x 1 + 1) x 600 / 1440 = row 1
}

namespace {

// Runs `frames` frames on `c`, each taking timeAt(c.step()) seconds at 60 per second;
// returns how many times the step changed.
template <class TimeAt>
int runFrames(raster::ResolutionController& c, int frames, TimeAt timeAt) {
    int changes = 0;
    for (int k = 0; k < frames; ++k) changes += c.frame(timeAt(c.step()), 1.0 / 60.0) ? 1 : 0;
    return changes;
}

// A frame time all in pixels: `full` seconds at full resolution, less with the area.
auto pixelBound(double full) {
    return [full](int step) {
        const double share = raster::resolutionPercents[static_cast<size_t>(step)] / 100.0;
        return full * share * share;
    };
}

}  // namespace

TEST(ResolutionController, StepsDownWhileFramesRunOverAndBackUpOnlyWithRoom) {
    raster::ResolutionController c;
    const double period = 1.0 / 60.0;
    // A frame or two over budget among good ones changes nothing.
    for (int k = 0; k < 100; ++k) EXPECT_FALSE(c.frame(k % 3 == 0 ? 0.030 : 0.010, period));
    EXPECT_EQ(c.percent(), 100);
    // Frames running over lower the resolution step by step while that helps: 30 ms at
    // full resolution, 21.7 at 85 %, 15.1 at 71 % (within budget).
    EXPECT_EQ(runFrames(c, 200, pixelBound(0.030)), 2);
    EXPECT_EQ(c.step(), 2);
    // Just under budget, but the larger step would not fit: it stays (no flip-flopping).
    for (int k = 0; k < 1000; ++k) EXPECT_FALSE(c.frame(0.014, period));
    EXPECT_EQ(c.step(), 2);
    // Room to spare: one step up after framesToRaise frames in a row, not before; a frame
    // without room starts the count again.
    for (int k = 0; k < raster::ResolutionController::framesToRaise - 1; ++k)
        EXPECT_FALSE(c.frame(0.005, period));
    EXPECT_FALSE(c.frame(0.016, period));
    for (int k = 0; k < raster::ResolutionController::framesToRaise - 1; ++k)
        EXPECT_FALSE(c.frame(0.005, period));
    EXPECT_TRUE(c.frame(0.005, period));
    EXPECT_EQ(c.step(), 1);
    // It never goes below the lowest step nor above full.
    runFrames(c, 1000, pixelBound(1.0));
    EXPECT_EQ(c.step(), static_cast<int>(raster::resolutionPercents.size()) - 1);
    for (int k = 0; k < 10000; ++k) c.frame(0.001, period);
    EXPECT_EQ(c.percent(), 100);
    c.frame(1.0, period);
    c.reset();
    for (int k = 0; k < raster::ResolutionController::framesToLower - 1; ++k) c.frame(1.0, period);
    EXPECT_EQ(c.step(), 0);
}

TEST(ResolutionController, LeavesAStepDownThatDidNotMakeFramesShorter) {
    using raster::ResolutionController;
    ResolutionController c;
    // The time is not in pixels: one step down is tried, then it is back at full resolution
    // and stays there, over budget, until the hold-off ends and it tries again.
    EXPECT_EQ(runFrames(c, 100, [](int) { return 0.030; }), 2);
    EXPECT_EQ(c.step(), 0);
    EXPECT_EQ(runFrames(c, ResolutionController::holdOffFrames - 100, [](int) { return 0.030; }), 0);
    EXPECT_EQ(runFrames(c, 100, [](int) { return 0.030; }), 2);
    // The first step down helps (30 -> 20 ms), the next does not: it stays at the first.
    c.reset();
    auto firstHelps = [](int step) { return step == 0 ? 0.030 : 0.020; };
    EXPECT_EQ(runFrames(c, 100, firstHelps), 3);
    EXPECT_EQ(c.step(), 1);
    EXPECT_EQ(runFrames(c, ResolutionController::holdOffFrames - 200, firstHelps), 0);
    EXPECT_EQ(c.step(), 1);
    // A step down that looks faster for its first few frames and is slower over half a
    // second (a machine whose speed varies) is left as well.
    c.reset();
    int atStepOne = 0;
    auto fastAtFirst = [&](int step) {
        if (step == 0) return 0.020;
        return ++atStepOne <= 10 ? 0.012 : 0.025;
    };
    EXPECT_EQ(runFrames(c, 100, fastAtFirst), 2);
    EXPECT_EQ(c.step(), 0);
}
