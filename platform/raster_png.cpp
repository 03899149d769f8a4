// Software picture of recorded scene operations, written as a PNG file with libpng.
//
// The picture follows the window backend pixel for pixel: the same clip areas and the
// same 1-pixel lines (platform/line_raster.h), blended as src * a + dst * (1 - a) the way
// SDL's software renderer rounds it.
// Choices where the engine's contract leaves room:
//  - the picture starts opaque black, and every Begin resets clipping to the whole picture;
//  - Gfx_Clear fills the whole picture whatever the clipping (as SDL_RenderClear does);
//  - the screen has no transparency, so the clear colour's alpha is ignored and every
//    pixel written is opaque.
#include "platform/headless.h"
#include "platform/line_raster.h"

#include <png.h>

#include <cstdio>
#include <vector>

namespace {

// An RGB picture, three bytes per pixel, rows top to bottom.
struct Picture {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;
};

// Fills every pixel with the colour's red, green and blue.
void fill(Picture& picture, uint32_t color) {
    const uint8_t r = static_cast<uint8_t>(color >> 16), g = static_cast<uint8_t>(color >> 8),
                  b = static_cast<uint8_t>(color);
    for (size_t i = 0; i + 2 < picture.rgb.size(); i += 3) {
        picture.rgb[i] = r;
        picture.rgb[i + 1] = g;
        picture.rgb[i + 2] = b;
    }
}

// Blends one line into the picture within the clip area.
void drawLine(Picture& picture, const SceneOp& op, const raster::PixelRect& area) {
    const raster::PixelRect screen{0, 0, picture.width, picture.height};
    const uint32_t alpha = op.color >> 24;
    if (alpha == 0) return;
    const uint32_t r = (op.color >> 16) & 0xFF, g = (op.color >> 8) & 0xFF, b = op.color & 0xFF;
    raster::forEachLinePixel(op.x1, op.y1, op.x2, op.y2, screen, area, [&](int x, int y) {
        const size_t at = (static_cast<size_t>(y) * static_cast<size_t>(picture.width) +
                           static_cast<size_t>(x)) * 3;
        picture.rgb[at] = raster::blendChannel(r, picture.rgb[at], alpha);
        picture.rgb[at + 1] = raster::blendChannel(g, picture.rgb[at + 1], alpha);
        picture.rgb[at + 2] = raster::blendChannel(b, picture.rgb[at + 2], alpha);
    });
}

// Plays the operations onto a picture of the given size.
Picture rasterise(std::span<const SceneOp> ops, int width, int height) {
    Picture picture;
    picture.width = width;
    picture.height = height;
    picture.rgb.assign(static_cast<size_t>(width) * static_cast<size_t>(height) * 3, 0);
    raster::PixelRect area{0, 0, width, height};
    for (const SceneOp& op : ops) {
        switch (op.kind) {
        case SceneOp::Kind::Begin:
            area = {0, 0, width, height};
            break;
        case SceneOp::Kind::Clip:
            area = raster::clipArea(op.clipX, op.clipY, op.clipW, op.clipH, width, height);
            break;
        case SceneOp::Kind::Clear:
            fill(picture, op.color);
            break;
        case SceneOp::Kind::Line:
            drawLine(picture, op, area);
            break;
        case SceneOp::Kind::End:
            break;
        }
    }
    return picture;
}

// Writes the picture as an 8-bit RGBA PNG; false if the file cannot be written.
bool savePng(const Picture& picture, const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info) {
        png_destroy_write_struct(&png, nullptr);
        std::fclose(file);
        return false;
    }
    std::vector<uint8_t> row(static_cast<size_t>(picture.width) * 4);
    // libpng reports write errors by jumping back here.
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(picture.width),
                 static_cast<png_uint_32>(picture.height), 8, PNG_COLOR_TYPE_RGBA,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < picture.height; ++y) {
        const size_t rowStart = static_cast<size_t>(y) * static_cast<size_t>(picture.width) * 3;
        for (int x = 0; x < picture.width; ++x) {
            const size_t from = rowStart + static_cast<size_t>(x) * 3;
            const size_t to = static_cast<size_t>(x) * 4;
            row[to] = picture.rgb[from];
            row[to + 1] = picture.rgb[from + 1];
            row[to + 2] = picture.rgb[from + 2];
            row[to + 3] = 0xFF;
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(file) == 0;
}

}  // namespace

// Rasterises the operations into a width x height picture and writes it as a PNG.
bool writeScenePng(std::span<const SceneOp> ops, const std::string& path, int width,
                   int height) {
    if (width <= 0 || height <= 0 || width > 16384 || height > 16384) return false;
    return savePng(rasterise(ops, width, height), path);
}
