// A picture of the screen in memory that scenes are drawn into pixel by pixel with the
// shared line rasteriser, so that every picture made on the CPU (PNG files, the browser's
// canvas) holds the very pixels the window shows.
#pragma once

#include "platform/line_raster.h"

#include <cstdint>
#include <span>
#include <vector>

// Pixels of a width x height picture, rows top to bottom, one uint32_t per pixel whose
// bytes in memory are red, green, blue and alpha (the RGBA layout that image files and the
// browser's ImageData take as they are). Every pixel is opaque.
class PixelCanvas {
public:
    // A black picture of the given size (sizes below 0 count as 0).
    void resize(int width, int height);
    int width() const { return width_; }
    int height() const { return height_; }

    // Starts a scene: the clip area becomes the whole picture again.
    void begin();
    // Gfx_SetClipping(x, y, w, h): zero width and height mean the whole picture.
    void setClipping(int x, int y, int w, int h);
    // Fills the whole picture with the colour (0xAARRGGBB, alpha ignored), whatever the clip.
    void clear(uint32_t color);
    // Blends the 1-pixel line in colour 0xAARRGGBB into the clip area.
    void line(float x1, float y1, float x2, float y2, uint32_t color);

    // The picture's bytes: red, green, blue and alpha of each pixel, rows top to bottom.
    std::span<const uint8_t> rgba() const {
        return {reinterpret_cast<const uint8_t*>(pixels_.data()), pixels_.size() * 4};
    }

private:
    int width_ = 0, height_ = 0;
    raster::PixelRect clip_{};
    std::vector<uint32_t> pixels_;
};
