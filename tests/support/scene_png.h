// Test helpers for pictures: scenes built as a render function records them, written
// to a PNG by the headless backend's rasteriser and read back with libpng.
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
inline Image render(const Scene& scene, int width = 800, int height = 600) {
    testing_support::TempDir dir;
    const std::string path = (dir.path() / "scene.png").string();
    EXPECT_TRUE(writeScenePng(scene.ops, path, width, height));
    return readPng(path);
}

}  // namespace testing_support
