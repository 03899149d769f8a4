// Software picture of recorded scene operations, written as a PNG file with libpng.
//
// The picture is drawn by PixelCanvas (platform/pixel_canvas.h), which follows the window
// backend pixel for pixel: the same clip areas and the same 1-pixel lines, blended as
// src * a + dst * (1 - a) the way SDL's software renderer rounds it.
// Choices where the engine's contract leaves room:
//  - the picture starts opaque black, and every Begin resets clipping to the whole picture;
//  - Gfx_Clear fills the whole picture whatever the clipping (as SDL_RenderClear does);
//  - the screen has no transparency, so the clear colour's alpha is ignored and every
//    pixel written is opaque.
#include "platform/headless.h"
#include "platform/pixel_canvas.h"

#include <png.h>

#include <cstdio>

namespace {

// Plays the operations onto a picture of the given size.
PixelCanvas rasterise(std::span<const SceneOp> ops, int width, int height) {
    PixelCanvas picture;
    picture.resize(width, height);
    for (const SceneOp& op : ops) {
        switch (op.kind) {
        case SceneOp::Kind::Begin:
            picture.begin();
            break;
        case SceneOp::Kind::Clip:
            picture.setClipping(op.clipX, op.clipY, op.clipW, op.clipH);
            break;
        case SceneOp::Kind::Clear:
            picture.clear(op.color);
            break;
        case SceneOp::Kind::Line:
            picture.line(op.x1, op.y1, op.x2, op.y2, op.color);
            break;
        case SceneOp::Kind::End:
            break;
        }
    }
    return picture;
}

// Writes the picture as an 8-bit RGBA PNG; false if the file cannot be written.
bool savePng(const PixelCanvas& picture, const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info) {
        png_destroy_write_struct(&png, nullptr);
        std::fclose(file);
        return false;
    }
    // libpng reports write errors by jumping back here.
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(picture.width()),
                 static_cast<png_uint_32>(picture.height()), 8, PNG_COLOR_TYPE_RGBA,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    const std::span<const uint8_t> bytes = picture.rgba();
    const size_t rowBytes = static_cast<size_t>(picture.width()) * 4;
    for (int y = 0; y < picture.height(); ++y)
        png_write_row(png, bytes.data() + static_cast<size_t>(y) * rowBytes);
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
