// Recorded scenes become PNG pictures with exact line pixels, blending and clipping, and
// the lines match what SDL's own renderer draws.
#include "platform/headless.h"
#include "tests/support/support.h"

#include <SDL.h>
#include <gtest/gtest.h>
#include <png.h>

#include <cmath>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <limits>
#include <random>
#include <vector>

namespace {

// A picture read back from a PNG file, 0xAARRGGBB per pixel.
struct Image {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;
    uint32_t at(int x, int y) const {
        return pixels[static_cast<size_t>(y) * static_cast<size_t>(width) +
                      static_cast<size_t>(x)];
    }
};

// Reads a PNG file as RGBA with libpng; an empty image if it cannot be read.
Image readPng(const std::string& path) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    Image result;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return result;
    image.format = PNG_FORMAT_RGBA;
    std::vector<uint8_t> rgba(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgba.data(), 0, nullptr)) return result;
    result.width = static_cast<int>(image.width);
    result.height = static_cast<int>(image.height);
    for (size_t i = 0; i + 3 < rgba.size(); i += 4) {
        result.pixels.push_back(uint32_t{rgba[i + 3]} << 24 | uint32_t{rgba[i]} << 16 |
                                uint32_t{rgba[i + 1]} << 8 | uint32_t{rgba[i + 2]});
    }
    return result;
}

// Builds scenes the way a render function records them.
struct Scene {
    std::vector<SceneOp> ops{SceneOp{}};
    Scene& clip(int x, int y, int w, int h) {
        SceneOp op;
        op.kind = SceneOp::Kind::Clip;
        op.clipX = x;
        op.clipY = y;
        op.clipW = w;
        op.clipH = h;
        ops.push_back(op);
        return *this;
    }
    Scene& clear(uint32_t color) {
        SceneOp op;
        op.kind = SceneOp::Kind::Clear;
        op.color = color;
        ops.push_back(op);
        return *this;
    }
    Scene& line(float x1, float y1, float x2, float y2, uint32_t color) {
        SceneOp op;
        op.kind = SceneOp::Kind::Line;
        op.x1 = x1;
        op.y1 = y1;
        op.x2 = x2;
        op.y2 = y2;
        op.color = color;
        op.z = 0.5f;
        ops.push_back(op);
        return *this;
    }
};

// Writes the scene to a PNG in a temporary directory and reads it back.
Image render(const Scene& scene, int width = 800, int height = 600) {
    testing_support::TempDir dir;
    const std::string path = (dir.path() / "scene.png").string();
    EXPECT_TRUE(writeScenePng(scene.ops, path, width, height));
    return readPng(path);
}

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

TEST(RasterPng, LinesMatchSdlsSoftwareRenderer) {
    // SDL draws the same random lines, opaque and translucent, into a surface.
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormat(0, 800, 600, 32,
                                                          SDL_PIXELFORMAT_ARGB8888);
    ASSERT_NE(surface, nullptr);
    SDL_Renderer* renderer = SDL_CreateSoftwareRenderer(surface);
    ASSERT_NE(renderer, nullptr) << SDL_GetError();
    SDL_SetRenderDrawBlendMode(renderer, SDL_BLENDMODE_BLEND);
    SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
    SDL_RenderClear(renderer);
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> x(-300, 1100), y(-300, 900), offset(-40, 40);
    std::uniform_int_distribution<uint32_t> channel(0, 255);
    Scene scene;
    scene.clear(0xFF000000u);
    for (int i = 0; i < 3000; ++i) {
        const float x1 = x(rng), y1 = y(rng);
        float x2 = i % 2 ? x1 + offset(rng) : x(rng), y2 = i % 2 ? y1 + offset(rng) : y(rng);
        if (i % 7 == 0) y2 = y1;
        if (i % 11 == 0) x2 = x1;
        const uint32_t a = i % 3 ? 255 : channel(rng), r = channel(rng), g = channel(rng),
                       b = channel(rng);
        scene.line(x1, y1, x2, y2, a << 24 | r << 16 | g << 8 | b);
        SDL_SetRenderDrawColor(renderer, static_cast<Uint8>(r), static_cast<Uint8>(g),
                               static_cast<Uint8>(b), static_cast<Uint8>(a));
        SDL_RenderDrawLineF(renderer, x1, y1, x2, y2);
    }
    SDL_RenderFlush(renderer);
    const Image image = render(scene);
    ASSERT_EQ(image.pixels.size(), 800u * 600u);
    const auto* sdlPixels = static_cast<const uint32_t*>(surface->pixels);
    const int pitch = surface->pitch / 4;
    int lit = 0, differing = 0;
    for (int py = 0; py < 600; ++py) {
        for (int px = 0; px < 800; ++px) {
            const uint32_t theirs = sdlPixels[py * pitch + px] & 0xFFFFFFu;
            const uint32_t ours = image.at(px, py) & 0xFFFFFFu;
            lit += theirs != 0 ? 1 : 0;
            differing += theirs != ours ? 1 : 0;
        }
    }
    SDL_DestroyRenderer(renderer);
    SDL_FreeSurface(surface);
    EXPECT_GT(lit, 100000);
    // SDL's rounding may drift between versions; the pictures must stay alike.
    EXPECT_LT(differing, lit / 100);
}
