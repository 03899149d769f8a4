// Screenshots for the window tests: reading a binary PPM, writing a PNG for people to
// look at, and colour searches over rectangles of the picture.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testing_support {

// A picture as 0xRRGGBB pixels, row by row from the top left.
struct Screenshot {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;

    // The pixel at (x, y), or 0 (black) outside the picture.
    uint32_t at(int x, int y) const;
    // Pixels of exactly `color` in the rectangle from (x0, y0) to (x1, y1), both included.
    int countColor(uint32_t color, int x0, int y0, int x1, int y1) const;
    // Pixels that are not black in that rectangle.
    int countLit(int x0, int y0, int x1, int y1) const;
    // The leftmost column holding `color` in that rectangle, or -1.
    int leftmostColumnOf(uint32_t color, int x0, int y0, int x1, int y1) const;
    // The part of the picture from (x, y) with the given size; outside pixels read black.
    Screenshot crop(int x, int y, int w, int h) const;
};

// Reads a binary (P6) PPM file with 8-bit samples; false if it is not one.
bool readPpm(const std::string& path, Screenshot& picture);

// Writes the picture as an RGB PNG file; false on failure.
bool writePng(const Screenshot& picture, const std::string& path);

}  // namespace testing_support
