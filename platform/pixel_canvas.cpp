// Drawing into a picture in memory: clearing, clip areas and blended 1-pixel lines, the
// way SDL's software renderer rounds them (platform/line_raster.h).
#include "platform/pixel_canvas.h"

#include <algorithm>
#include <cstring>

namespace {

// The RGBA bytes of an opaque pixel, as one uint32_t in memory order.
uint32_t packRgba(uint32_t r, uint32_t g, uint32_t b) {
    const uint8_t bytes[4] = {static_cast<uint8_t>(r), static_cast<uint8_t>(g),
                              static_cast<uint8_t>(b), 0xFF};
    uint32_t pixel = 0;
    std::memcpy(&pixel, bytes, sizeof pixel);
    return pixel;
}

}  // namespace

// A black picture of the given size.
void PixelCanvas::resize(int width, int height) {
    width_ = std::max(width, 0);
    height_ = std::max(height, 0);
    pixels_.assign(static_cast<size_t>(width_) * static_cast<size_t>(height_), packRgba(0, 0, 0));
    begin();
}

// Resets the clip area to the whole picture.
void PixelCanvas::begin() { clip_ = {0, 0, width_, height_}; }

// Sets the clip area, cut to the picture.
void PixelCanvas::setClipping(int x, int y, int w, int h) {
    clip_ = raster::clipArea(x, y, w, h, width_, height_);
}

// Fills every pixel with the colour's red, green and blue.
void PixelCanvas::clear(uint32_t color) {
    std::fill(pixels_.begin(), pixels_.end(),
              packRgba((color >> 16) & 0xFF, (color >> 8) & 0xFF, color & 0xFF));
}

// Blends the line's pixels in the clip area: src * a + dst * (1 - a) per channel.
void PixelCanvas::line(float x1, float y1, float x2, float y2, uint32_t color) {
    const uint32_t alpha = color >> 24;
    if (alpha == 0) return;
    const uint32_t r = (color >> 16) & 0xFF, g = (color >> 8) & 0xFF, b = color & 0xFF;
    const raster::PixelRect screen{0, 0, width_, height_};
    uint8_t* bytes = reinterpret_cast<uint8_t*>(pixels_.data());
    raster::forEachLinePixel(x1, y1, x2, y2, screen, clip_, [&](int x, int y) {
        uint8_t* p = bytes + (static_cast<size_t>(y) * static_cast<size_t>(width_) +
                              static_cast<size_t>(x)) * 4;
        p[0] = raster::blendChannel(r, p[0], alpha);
        p[1] = raster::blendChannel(g, p[1], alpha);
        p[2] = raster::blendChannel(b, p[2], alpha);
    });
}
