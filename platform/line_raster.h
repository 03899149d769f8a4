// Pixel rasterising shared by the SDL window and the PNG writer, so that a saved
// picture holds the pixels the window shows: clip areas, 1-pixel lines, blending.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace raster {

// A rectangle of pixels: columns x .. x + w - 1, rows y .. y + h - 1; empty when w or h <= 0.
struct PixelRect {
    int x = 0, y = 0, w = 0, h = 0;
};

// The area Gfx_SetClipping(x, y, w, h) leaves visible on a screen of the given size.
// Width and height both zero mean "no clipping" (the whole screen); anything else is cut
// to the screen, and a negative or zero size shows nothing.
inline PixelRect clipArea(int x, int y, int w, int h, int screenWidth, int screenHeight) {
    if (w == 0 && h == 0) return {0, 0, screenWidth, screenHeight};
    // 64-bit sums: x + w must not overflow for any int the caller passes.
    const int64_t left = std::max<int64_t>(x, 0);
    const int64_t top = std::max<int64_t>(y, 0);
    const int64_t right = std::min<int64_t>(int64_t{x} + w, screenWidth);
    const int64_t bottom = std::min<int64_t>(int64_t{y} + h, screenHeight);
    if (right <= left || bottom <= top) return {0, 0, 0, 0};
    return {static_cast<int>(left), static_cast<int>(top), static_cast<int>(right - left),
            static_cast<int>(bottom - top)};
}

// True if pixel (px, py) lies in the area.
inline bool contains(const PixelRect& area, int64_t px, int64_t py) {
    return px >= area.x && py >= area.y && px < int64_t{area.x} + area.w &&
           py < int64_t{area.y} + area.h;
}

// Cuts the segment (x1, y1)-(x2, y2) to the box [left, right] x [top, bottom]
// (Liang-Barsky). Returns false when nothing of it lies inside.
inline bool clipSegment(double& x1, double& y1, double& x2, double& y2, double left,
                        double top, double right, double bottom) {
    // Level and upright segments are cut exactly, however far their ends lie.
    if (y1 == y2 || x1 == x2) {
        if (y1 == y2 && (y1 < top || y1 > bottom)) return false;
        if (x1 == x2 && (x1 < left || x1 > right)) return false;
        if (std::max(x1, x2) < left || std::min(x1, x2) > right) return false;
        if (std::max(y1, y2) < top || std::min(y1, y2) > bottom) return false;
        x1 = std::clamp(x1, left, right);
        x2 = std::clamp(x2, left, right);
        y1 = std::clamp(y1, top, bottom);
        y2 = std::clamp(y2, top, bottom);
        return true;
    }
    const double dx = x2 - x1, dy = y2 - y1;
    double t0 = 0.0, t1 = 1.0;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {x1 - left, right - x1, y1 - top, bottom - y1};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0.0) {
            if (q[i] < 0.0) return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0.0) {
            if (t > t1) return false;
            t0 = std::max(t0, t);
        } else {
            if (t < t0) return false;
            t1 = std::min(t1, t);
        }
    }
    const double sx = x1, sy = y1;
    x1 = sx + t0 * dx;
    y1 = sy + t0 * dy;
    x2 = sx + t1 * dx;
    y2 = sy + t1 * dy;
    return true;
}

// Where an integer point lies against a rectangle: bits 1 left, 2 right, 4 above, 8 below.
inline int outCode(const PixelRect& r, int64_t x, int64_t y) {
    int code = 0;
    if (x < r.x) code |= 1;
    else if (x >= int64_t{r.x} + r.w) code |= 2;
    if (y < r.y) code |= 4;
    else if (y >= int64_t{r.y} + r.h) code |= 8;
    return code;
}

// Cuts the integer line (x1, y1)-(x2, y2) to the rectangle (Cohen-Sutherland in integer
// arithmetic, divisions rounding toward zero). Returns false when nothing is left.
inline bool clipIntegerLine(const PixelRect& r, int64_t& x1, int64_t& y1, int64_t& x2,
                            int64_t& y2) {
    const int64_t left = r.x, top = r.y;
    const int64_t right = left + r.w - 1, bottom = top + r.h - 1;
    int code1 = outCode(r, x1, y1), code2 = outCode(r, x2, y2);
    if ((code1 | code2) == 0) return true;
    if ((code1 & code2) != 0) return false;
    // Horizontal and vertical lines only need their ends pulled in.
    if (y1 == y2) {
        x1 = std::clamp(x1, left, right);
        x2 = std::clamp(x2, left, right);
        return true;
    }
    if (x1 == x2) {
        y1 = std::clamp(y1, top, bottom);
        y2 = std::clamp(y2, top, bottom);
        return true;
    }
    // Each pass moves one end onto a rectangle edge, so four passes per end suffice.
    for (int pass = 0; pass < 8 && (code1 | code2) != 0; ++pass) {
        if ((code1 & code2) != 0) return false;
        const int code = code1 != 0 ? code1 : code2;
        int64_t x = 0, y = 0;
        if (code & 4) {
            y = top;
            x = x1 + (x2 - x1) * (y - y1) / (y2 - y1);
        } else if (code & 8) {
            y = bottom;
            x = x1 + (x2 - x1) * (y - y1) / (y2 - y1);
        } else if (code & 1) {
            x = left;
            y = y1 + (y2 - y1) * (x - x1) / (x2 - x1);
        } else {
            x = right;
            y = y1 + (y2 - y1) * (x - x1) / (x2 - x1);
        }
        if (code == code1) {
            x1 = x;
            y1 = y;
            code1 = outCode(r, x, y);
        } else {
            x2 = x;
            y2 = y;
            code2 = outCode(r, x, y);
        }
    }
    return (code1 | code2) == 0;
}

// Bresenham's walk from (sx, sy) to (ex, ey), both included, calling emit(px, py) for every
// pixel for which keep(px, py) holds.
template <class Int, class Keep, class Emit>
void walkLine(Int sx, Int sy, Int ex, Int ey, Keep&& keep, Emit&& emit) {
    const Int deltaX = ex < sx ? sx - ex : ex - sx, deltaY = ey < sy ? sy - ey : ey - sy;
    const Int stepX = ex < sx ? -1 : 1, stepY = ey < sy ? -1 : 1;
    Int x = sx, y = sy;
    if (deltaX >= deltaY) {
        Int d = 2 * deltaY - deltaX;
        for (Int i = 0; i <= deltaX; ++i) {
            if (keep(x, y)) emit(static_cast<int>(x), static_cast<int>(y));
            if (d < 0) {
                d += 2 * deltaY;
            } else {
                d += 2 * (deltaY - deltaX);
                y += stepY;
            }
            x += stepX;
        }
    } else {
        Int d = 2 * deltaX - deltaY;
        for (Int i = 0; i <= deltaY; ++i) {
            if (keep(x, y)) emit(static_cast<int>(x), static_cast<int>(y));
            if (d < 0) {
                d += 2 * deltaX;
            } else {
                d += 2 * (deltaX - deltaY);
                x += stepX;
            }
            y += stepY;
        }
    }
}

// Calls emit(px, py) for every pixel of the 1-pixel line between the whole pixels (sx, sy)
// and (ex, ey) that lies in `area`: the line is cut to the screen `bounds` and Bresenham's
// walk draws it from the first end to the second, both included. Ends must lie within
// 2^24 pixels of the screen.
template <class Emit>
void forEachWholeLinePixel(int64_t sx, int64_t sy, int64_t ex, int64_t ey,
                           const PixelRect& bounds, const PixelRect& area, Emit&& emit) {
    if (area.w <= 0 || area.h <= 0 || bounds.w <= 0 || bounds.h <= 0) return;
    // Both ends inside the area (the usual case): nothing to cut, and every pixel of the
    // walk lies between the ends, so inside too.
    if (contains(area, sx, sy) && contains(area, ex, ey) && contains(bounds, area.x, area.y) &&
        contains(bounds, int64_t{area.x} + area.w - 1, int64_t{area.y} + area.h - 1)) {
        walkLine(static_cast<int>(sx), static_cast<int>(sy), static_cast<int>(ex),
                 static_cast<int>(ey), [](int, int) { return true; }, emit);
        return;
    }
    if (!clipIntegerLine(bounds, sx, sy, ex, ey)) return;
    walkLine(sx, sy, ex, ey, [&](int64_t x, int64_t y) { return contains(area, x, y); }, emit);
}

// Calls emit(px, py) for every pixel of the 1-pixel line from (x1, y1) to (x2, y2) that
// lies in `area`, the way SDL draws a line on a screen `bounds` in size: end points are cut
// to whole pixels toward zero (x 10.7 is column 10), the line is cut to the screen, and
// Bresenham's walk draws it from the first end point to the second, both included. So the
// pixels depend only on the whole pixels of the ends, wherever the ends lie within 2^24
// pixels of the screen. The work is bounded by the screen's size whatever the
// coordinates; lines with NaN or infinite ends draw nothing.
template <class Emit>
void forEachLinePixel(float x1, float y1, float x2, float y2, const PixelRect& bounds,
                      const PixelRect& area, Emit&& emit) {
    if (area.w <= 0 || area.h <= 0 || bounds.w <= 0 || bounds.h <= 0) return;
    if (!std::isfinite(x1) || !std::isfinite(y1) || !std::isfinite(x2) || !std::isfinite(y2))
        return;
    double ax = x1, ay = y1, bx = x2, by = y2;
    // Far-away ends are first brought near the screen with exact real arithmetic, so the
    // integer arithmetic below cannot overflow.
    constexpr double reach = 1 << 24;
    const double nearLeft = bounds.x - reach, nearTop = bounds.y - reach;
    const double nearRight = bounds.x + bounds.w + reach, nearBottom = bounds.y + bounds.h + reach;
    auto near = [&](double px, double py) {
        return px >= nearLeft && px <= nearRight && py >= nearTop && py <= nearBottom;
    };
    if (!near(ax, ay) || !near(bx, by)) {
        if (!clipSegment(ax, ay, bx, by, nearLeft, nearTop, nearRight, nearBottom)) return;
        // Cut points of slanted lines with huge ends are only approximate: keep them in
        // the box all the same.
        ax = std::clamp(ax, nearLeft, nearRight);
        bx = std::clamp(bx, nearLeft, nearRight);
        ay = std::clamp(ay, nearTop, nearBottom);
        by = std::clamp(by, nearTop, nearBottom);
    }
    forEachWholeLinePixel(static_cast<int64_t>(ax), static_cast<int64_t>(ay),
                          static_cast<int64_t>(bx), static_cast<int64_t>(by), bounds, area, emit);
}

// One colour channel after drawing `src` with opacity `alpha` (0..255) over `dst`:
// src * a + dst * (1 - a), each product cut to a whole number as SDL's software renderer
// does, so that the result never exceeds 255.
inline uint8_t blendChannel(uint32_t src, uint32_t dst, uint32_t alpha) {
    return static_cast<uint8_t>(src * alpha / 255 + dst * (255 - alpha) / 255);
}

}  // namespace raster
