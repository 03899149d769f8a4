// Software picture of recorded scene operations, written as a PNG file with libpng.
//
// The picture is drawn by the window's own framebuffer (platform/framebuffer.h), so it
// holds the window's pixels at 800 x 600: the same clip areas, 1-pixel lines and blending.
// Choices where the engine's contract leaves room:
//  - the picture starts opaque black, and every Begin resets clipping to the whole picture;
//  - Gfx_Clear fills the whole picture whatever the clipping (as SDL_RenderClear does);
//  - the screen has no transparency, so the clear colour's alpha is ignored and every
//    pixel written is opaque.
#include "platform/headless.h"
#include "platform/framebuffer.h"

#if !QF_NO_PNG
#include <png.h>
#endif

#include <cstdio>
#include <vector>

namespace {

// Plays the operations onto a framebuffer of the given size, drawn as the window draws.
void rasterise(std::span<const SceneOp> ops, raster::Framebuffer& picture, int width,
               int height) {
    picture.resize(width, height, width, height);
    for (const SceneOp& op : ops) {
        switch (op.kind) {
        case SceneOp::Kind::Begin:
            picture.setClip(0, 0, 0, 0);
            break;
        case SceneOp::Kind::Clip:
            picture.setClip(op.clipX, op.clipY, op.clipW, op.clipH);
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
    picture.finish();
}

// Writes the picture as an 8-bit RGBA PNG; false if the file cannot be written.
bool savePng(const raster::Framebuffer& picture, const std::string& path) {
#if QF_NO_PNG
    // A simulator built without libpng (QF_SIM_ONLY for other machines) writes none.
    (void)picture;
    std::fprintf(stderr, "this build writes no PNG files (built without libpng)\n");
    return false;
#else
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info) {
        png_destroy_write_struct(&png, nullptr);
        std::fclose(file);
        return false;
    }
    std::vector<uint8_t> row(static_cast<size_t>(picture.width()) * 4);
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
    const auto width = static_cast<size_t>(picture.width());
    for (size_t y = 0; y < static_cast<size_t>(picture.height()); ++y) {
        for (size_t x = 0; x < width; ++x) {
            const uint32_t p = picture.pixels()[y * width + x];
            row[x * 4] = static_cast<uint8_t>(p >> 16);
            row[x * 4 + 1] = static_cast<uint8_t>(p >> 8);
            row[x * 4 + 2] = static_cast<uint8_t>(p);
            row[x * 4 + 3] = 0xFF;
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(file) == 0;
#endif
}

}  // namespace

bool writeScenePng(std::span<const SceneOp> ops, const std::string& path, int width,
                   int height) {
    if (width <= 0 || height <= 0 || width > 16384 || height > 16384) return false;
    raster::Framebuffer picture;
    rasterise(ops, picture, width, height);
    return savePng(picture, path);
}
