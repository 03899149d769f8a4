// Recorded scenes become PNG pictures with exact line pixels, blending and clipping.
#include "platform/headless.h"
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
