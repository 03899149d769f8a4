// Screenshots for the window tests: PPM in, PNG out, colour searches.
#include "tests/support/screenshot.h"

#include <png.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <iterator>

namespace testing_support {

namespace {

// Reads the next number of a PPM header at `pos`, skipping blanks and comments.
bool headerNumber(const std::string& data, size_t& pos, int& value) {
    for (;;) {
        while (pos < data.size() && std::isspace(static_cast<unsigned char>(data[pos]))) ++pos;
        if (pos < data.size() && data[pos] == '#') {
            while (pos < data.size() && data[pos] != '\n') ++pos;
            continue;
        }
        break;
    }
    const size_t start = pos;
    long long number = 0;
    while (pos < data.size() && std::isdigit(static_cast<unsigned char>(data[pos])) &&
           pos - start < 9) {
        number = number * 10 + (data[pos] - '0');
        ++pos;
    }
    value = static_cast<int>(number);
    return pos > start;
}

// Clamps a rectangle to the picture; false when nothing of it is left.
bool clampRect(const Screenshot& s, int& x0, int& y0, int& x1, int& y1) {
    x0 = std::max(x0, 0);
    y0 = std::max(y0, 0);
    x1 = std::min(x1, s.width - 1);
    y1 = std::min(y1, s.height - 1);
    return x0 <= x1 && y0 <= y1;
}

}  // namespace

// The pixel at (x, y), or black outside the picture.
uint32_t Screenshot::at(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return 0;
    return pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
}

// Pixels of exactly `color` in the rectangle.
int Screenshot::countColor(uint32_t color, int x0, int y0, int x1, int y1) const {
    if (!clampRect(*this, x0, y0, x1, y1)) return 0;
    int count = 0;
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) count += at(x, y) == color ? 1 : 0;
    return count;
}

// Pixels that are not black in the rectangle.
int Screenshot::countLit(int x0, int y0, int x1, int y1) const {
    if (!clampRect(*this, x0, y0, x1, y1)) return 0;
    int count = 0;
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) count += at(x, y) != 0 ? 1 : 0;
    return count;
}

// The leftmost column holding `color` in the rectangle, or -1.
int Screenshot::leftmostColumnOf(uint32_t color, int x0, int y0, int x1, int y1) const {
    if (!clampRect(*this, x0, y0, x1, y1)) return -1;
    for (int x = x0; x <= x1; ++x)
        for (int y = y0; y <= y1; ++y)
            if (at(x, y) == color) return x;
    return -1;
}

// The part of the picture from (x, y) with the given size.
Screenshot Screenshot::crop(int x, int y, int w, int h) const {
    Screenshot part;
    part.width = std::max(w, 0);
    part.height = std::max(h, 0);
    part.pixels.resize(static_cast<size_t>(part.width) * static_cast<size_t>(part.height));
    for (int row = 0; row < part.height; ++row)
        for (int col = 0; col < part.width; ++col)
            part.pixels[static_cast<size_t>(row) * static_cast<size_t>(part.width) +
                        static_cast<size_t>(col)] = at(x + col, y + row);
    return part;
}

// Reads a binary PPM with 8-bit samples.
bool readPpm(const std::string& path, Screenshot& picture) {
    std::ifstream in(path, std::ios::binary);
    const std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (data.size() < 2 || data[0] != 'P' || data[1] != '6') return false;
    size_t pos = 2;
    int w = 0, h = 0, maxValue = 0;
    if (!headerNumber(data, pos, w) || !headerNumber(data, pos, h) ||
        !headerNumber(data, pos, maxValue))
        return false;
    if (w <= 0 || h <= 0 || w > 16384 || h > 16384 || maxValue != 255) return false;
    ++pos;  // the single blank after the header
    const size_t count = static_cast<size_t>(w) * static_cast<size_t>(h);
    if (data.size() < pos + count * 3) return false;
    picture.width = w;
    picture.height = h;
    picture.pixels.resize(count);
    for (size_t i = 0; i < count; ++i) {
        const auto byte = [&](size_t k) {
            return static_cast<uint32_t>(static_cast<unsigned char>(data[pos + i * 3 + k]));
        };
        picture.pixels[i] = byte(0) << 16 | byte(1) << 8 | byte(2);
    }
    return true;
}

namespace {

// Hands the picture to libpng; false when libpng reports an error.
bool writePngRows(png_structp png, png_infop info, FILE* file, const Screenshot& picture,
                  std::vector<unsigned char>& row) {
    if (setjmp(png_jmpbuf(png)) != 0) return false;
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(picture.width),
                 static_cast<png_uint_32>(picture.height), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            const uint32_t p = picture.at(x, y);
            const size_t k = static_cast<size_t>(x) * 3;
            row[k] = static_cast<unsigned char>(p >> 16);
            row[k + 1] = static_cast<unsigned char>(p >> 8);
            row[k + 2] = static_cast<unsigned char>(p);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    return true;
}

}  // namespace

// Writes the picture as an 8-bit RGB PNG.
bool writePng(const Screenshot& picture, const std::string& path) {
    if (picture.width <= 0 || picture.height <= 0) return false;
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    std::vector<unsigned char> row(static_cast<size_t>(picture.width) * 3);
    const bool ok = png && info && writePngRows(png, info, file, picture, row);
    png_destroy_write_struct(&png, &info);
    return std::fclose(file) == 0 && ok;
}

}  // namespace testing_support
