// Test helpers for pictures: scenes recorded by the headless engine, written to a PNG by
// its rasteriser and read back with libpng.
#pragma once

#include "platform/headless.h"
#include "tests/support/support.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cstdint>
#include <string>
#include <vector>

namespace testing_support {

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
inline Image readPng(const std::string& path) {
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

// A scene recorded by the headless engine, built with chained calls as a render function
// would make them (lines at the game's depth 0.5).
struct Scene {
    HeadlessEngine engine;
    std::vector<SceneOp>& ops = engine.ops;  // Begin first, then every call in order

    Scene() { engine.Gfx_BeginScene(); }
    Scene(const Scene&) = delete;
    Scene& operator=(const Scene&) = delete;
    Scene& clip(int x, int y, int w, int h) {
        engine.Gfx_SetClipping(x, y, w, h);
        return *this;
    }
    Scene& clear(uint32_t color) {
        engine.Gfx_Clear(color);
        return *this;
    }
    Scene& line(float x1, float y1, float x2, float y2, uint32_t color) {
        engine.Gfx_RenderLine(x1, y1, x2, y2, color, 0.5f);
        return *this;
    }
};

// Writes the scene to a PNG in a temporary directory and reads it back.
inline Image render(const Scene& scene, int width = 800, int height = 600) {
    testing_support::TempDir dir;
    const std::string path = (dir.path() / "scene.png").string();
    EXPECT_TRUE(writeScenePng(scene.ops, path, width, height));
    return readPng(path);
}

}  // namespace testing_support
