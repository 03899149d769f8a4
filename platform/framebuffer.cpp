// The CPU picture: lines queued in drawing order, then rasterised in horizontal bands, one
// per thread. Every band walks the whole queue in order, skips the lines that cannot reach
// its rows and writes only its own rows, so the pixels and the order in which lines cover
// each other are exactly those of one thread drawing every line.
#include "platform/framebuffer.h"

#include <algorithm>
#include <array>

namespace raster {

namespace {

// Lines queued before finish() is forced, to bound the queue's memory (20 MiB).
constexpr size_t maxQueuedLines = size_t{1} << 20;

// Runs of lines at least this long are rasterised at once instead of queued.
constexpr size_t linesDrawnAtOnce = 4096;

// The pixels of Bresenham's walk from (0, 0) to (dx, dy) for |dx|, |dy| <= 11: the walk of
// every short line (a bullet's at 3840 x 2160 too), at most twelve pixels, the last
// repeated to fill all twelve.
constexpr int shortReach = 11;
constexpr size_t shortPixels = shortReach + 1;
struct ShortWalk {
    std::array<int8_t, shortPixels> x{}, y{};
    int count = 0;
};
constexpr int shortSide = 2 * shortReach + 1;
using ShortWalks = std::array<ShortWalk, shortSide * shortSide>;

// The walks of every short line, taken from walkLine itself.
ShortWalks makeShortWalks() {
    ShortWalks walks{};
    for (int dy = -shortReach; dy <= shortReach; ++dy) {
        for (int dx = -shortReach; dx <= shortReach; ++dx) {
            ShortWalk& walk =
                walks[static_cast<size_t>((dy + shortReach) * shortSide + dx + shortReach)];
            walkLine(0, 0, dx, dy, [](int, int) { return true; }, [&](int x, int y) {
                walk.x[static_cast<size_t>(walk.count)] = static_cast<int8_t>(x);
                walk.y[static_cast<size_t>(walk.count)] = static_cast<int8_t>(y);
                ++walk.count;
            });
            for (size_t k = static_cast<size_t>(walk.count); k < shortPixels; ++k) {
                walk.x[k] = walk.x[static_cast<size_t>(walk.count - 1)];
                walk.y[k] = walk.y[static_cast<size_t>(walk.count - 1)];
            }
        }
    }
    return walks;
}

const ShortWalks shortWalks = makeShortWalks();

}  // namespace

// A picture of no size yet, drawn with the workers' help if there are any.
Framebuffer::Framebuffer(WorkerPool* workers) : workers_(workers) {}

// New sizes: an opaque black picture, nothing queued, clipping reset.
void Framebuffer::resize(int screenWidth, int screenHeight, int pictureWidth,
                         int pictureHeight) {
    screenWidth_ = std::max(screenWidth, 0);
    screenHeight_ = std::max(screenHeight, 0);
    pictureWidth_ = std::max(pictureWidth, 0);
    pictureHeight_ = std::max(pictureHeight, 0);
    scaleX_ = screenWidth_ > 0 ? static_cast<float>(pictureWidth_) / screenWidth_ : 1.0f;
    scaleY_ = screenHeight_ > 0 ? static_cast<float>(pictureHeight_) / screenHeight_ : 1.0f;
    pixels_.assign(static_cast<size_t>(pictureWidth_) * static_cast<size_t>(pictureHeight_),
                   0xFF000000u);
    target_ = pixels_.data();
    stride_ = static_cast<size_t>(pictureWidth_);
    fillPending_ = false;
    clips_.assign(1, PixelRect{0, 0, pictureWidth_, pictureHeight_});
    dropQueuedLines();
}

// The screen's clip area carried over to picture pixels: each edge at the picture pixel
// its screen pixel scales to, so that neighbouring areas still meet.
void Framebuffer::setClip(int x, int y, int w, int h) {
    const PixelRect area = clipArea(x, y, w, h, screenWidth_, screenHeight_);
    auto across = [&](int v) {
        return static_cast<int>(int64_t{v} * pictureWidth_ / std::max(screenWidth_, 1));
    };
    auto down = [&](int v) {
        return static_cast<int>(int64_t{v} * pictureHeight_ / std::max(screenHeight_, 1));
    };
    const PixelRect scaled{across(area.x), down(area.y), across(area.x + area.w) - across(area.x),
                           down(area.y + area.h) - down(area.y)};
    const PixelRect& last = clips_.back();
    if (scaled.x == last.x && scaled.y == last.y && scaled.w == last.w && scaled.h == last.h)
        return;
    clips_.push_back(scaled);
    const auto clip = static_cast<uint32_t>(clips_.size() - 1);
    if (clipRuns_.back().first == queued_.size()) {
        clipRuns_.back().clip = clip;
    } else {
        clipRuns_.push_back(ClipRun{queued_.size(), clip});
    }
}

// Empties the queue, keeping the current clip area as the only one.
void Framebuffer::dropQueuedLines() {
    queued_.clear();
    const PixelRect current = clips_.back();
    clips_.assign(1, current);
    clipRuns_.assign(1, ClipRun{0, 0});
}

// Drops what is queued and fills the picture at the next finish().
void Framebuffer::clear(uint32_t color) {
    dropQueuedLines();
    fillPending_ = true;
    fillColor_ = 0xFF000000u | color;
}

// Queues the line; a full queue is rasterised first.
void Framebuffer::line(float x1, float y1, float x2, float y2, uint32_t color) {
    if ((color >> 24) == 0) return;
    if (queued_.size() >= maxQueuedLines) finish();
    queued_.push_back(ScreenLine{x1, y1, x2, y2, color});
}

// Queues the lines in order, a full queue's worth at a time; a long run is rasterised at
// once after what is queued, without being copied.
void Framebuffer::lines(std::span<const ScreenLine> run) {
    if (run.size() >= linesDrawnAtOnce) {
        for (size_t at = 0; at < run.size(); at += maxQueuedLines)
            rasterise(run.subspan(at, std::min(maxQueuedLines, run.size() - at)));
        return;
    }
    while (!run.empty()) {
        if (queued_.size() >= maxQueuedLines) finish();
        const size_t room = std::min(run.size(), maxQueuedLines - queued_.size());
        queued_.insert(queued_.end(), run.begin(), run.begin() + static_cast<ptrdiff_t>(room));
        run = run.subspan(room);
    }
}

// Rasterises every band, one per thread, then starts an empty queue.
void Framebuffer::finish() {
    rasterise({});
}

// Forgets the queue (the old target may be gone) and blackens the new one.
void Framebuffer::drawInto(uint32_t* target, size_t stride) {
    dropQueuedLines();
    fillPending_ = false;
    target_ = target ? target : pixels_.data();
    stride_ = target ? std::max(stride, static_cast<size_t>(pictureWidth_))
                     : static_cast<size_t>(pictureWidth_);
    if (target == nullptr) return;
    for (int y = 0; y < pictureHeight_; ++y)
        std::fill_n(target_ + static_cast<size_t>(y) * stride_, pictureWidth_, 0xFF000000u);
}

void Framebuffer::stretchInto(uint32_t* target, size_t stride, int w, int h) {
    finish();
    if (w <= 0 || h <= 0 || pictureWidth_ <= 0 || pictureHeight_ <= 0) return;
    columns_.resize(static_cast<size_t>(w));
    for (int x = 0; x < w; ++x)
        columns_[static_cast<size_t>(x)] =
            static_cast<uint32_t>((int64_t{2} * x + 1) * pictureWidth_ / (int64_t{2} * w));
    const int parts = std::clamp(workers_ ? workers_->threads() : 1, 1, h);
    auto part = [&](int k) {
        const int top = static_cast<int>(int64_t{h} * k / parts);
        const int bottom = static_cast<int>(int64_t{h} * (k + 1) / parts);
        const uint32_t* source = nullptr;
        for (int y = top; y < bottom; ++y) {
            uint32_t* row = target + static_cast<size_t>(y) * stride;
            const auto sy =
                static_cast<size_t>((int64_t{2} * y + 1) * pictureHeight_ / (int64_t{2} * h));
            const uint32_t* from = target_ + sy * stride_;
            // A row the one above already scaled is copied whole.
            if (from == source) {
                std::copy_n(row - stride, w, row);
                continue;
            }
            source = from;
            for (int x = 0; x < w; ++x) row[x] = from[columns_[static_cast<size_t>(x)]];
        }
    };
    if (parts > 1) {
        workers_->run(parts, part);
    } else {
        part(0);
    }
}

// Rasterises the queue and then `then` (under the current clip area) in every band, one
// per thread, and starts an empty queue.
void Framebuffer::rasterise(std::span<const ScreenLine> then) {
    if (queued_.empty() && then.empty() && !fillPending_) return;
    const int bands = std::clamp(workers_ ? workers_->threads() : 1, 1, std::max(pictureHeight_, 1));
    reaching_.resize(static_cast<size_t>(bands));
    for (std::vector<uint32_t>& list : reaching_) list.resize(std::max(queued_.size(), then.size()));
    auto band = [&](int k) {
        rasteriseBand(static_cast<int>(int64_t{pictureHeight_} * k / bands),
                      static_cast<int>(int64_t{pictureHeight_} * (k + 1) / bands),
                      reaching_[static_cast<size_t>(k)], then);
    };
    if (bands > 1) {
        workers_->run(bands, band);
    } else {
        band(0);
    }
    fillPending_ = false;
    dropQueuedLines();
}

// The pending fill, every queued line and then the lines of `then` (under the current clip
// area) that reach rows [top, bottom), drawn in those rows only; `reaching` has room for
// the indices of every queued line and of every line of `then`.
void Framebuffer::rasteriseBand(int top, int bottom, std::vector<uint32_t>& reaching,
                                std::span<const ScreenLine> then) {
    if (bottom <= top) return;
    if (fillPending_ && stride_ == static_cast<size_t>(pictureWidth_)) {
        std::fill_n(target_ + static_cast<size_t>(top) * stride_,
                    static_cast<size_t>(bottom - top) * stride_, fillColor_);
    } else if (fillPending_) {
        for (int y = top; y < bottom; ++y)
            std::fill_n(target_ + static_cast<size_t>(y) * stride_, pictureWidth_, fillColor_);
    }
    for (size_t run = 0; run < clipRuns_.size(); ++run) {
        const size_t first = clipRuns_[run].first;
        const size_t last = run + 1 < clipRuns_.size() ? clipRuns_[run + 1].first : queued_.size();
        drawRun({queued_.data() + first, last - first}, clips_[clipRuns_[run].clip], top, bottom,
                reaching);
    }
    drawRun(then, clips_.back(), top, bottom, reaching);
}

// Draws the lines of `run`, clipped by `clip`, in rows [top, bottom).
void Framebuffer::drawRun(std::span<const ScreenLine> run, const PixelRect& clip, int top,
                          int bottom, std::vector<uint32_t>& reaching) {
    const size_t width = stride_;
    uint32_t* const pixels = target_;
    const PixelRect bounds{0, 0, pictureWidth_, pictureHeight_};
    // A pixel row is a coordinate cut toward zero: a line whose ends both lie at or above
    // top - 1, or both at or below `bottom`, has no pixel in the band.
    const float above = static_cast<float>(top) - 1.0f, below = static_cast<float>(bottom);
    const int upper = std::max(clip.y, top), lower = std::min(clip.y + clip.h, bottom);
    if (lower <= upper || clip.w <= 0) return;
    const PixelRect area{clip.x, upper, clip.w, lower - upper};
    // The run's lines that reach the band, listed without a branch per line.
    size_t count = 0;
    for (size_t i = 0; i < run.size(); ++i) {
        const float y1 = run[i].y1 * scaleY_, y2 = run[i].y2 * scaleY_;
        const bool away = ((y1 <= above) & (y2 <= above)) | ((y1 >= below) & (y2 >= below));
        reaching[count] = static_cast<uint32_t>(i);
        count += away ? 0 : 1;
    }
    for (size_t n = 0; n < count; ++n) {
        const ScreenLine& l = run[reaching[n]];
        const float y1 = l.y1 * scaleY_, y2 = l.y2 * scaleY_;
        const float x1 = l.x1 * scaleX_, x2 = l.x2 * scaleX_;
        const uint32_t color = l.color, alpha = color >> 24;
        // Ends within 16 bits: the whole pixels of the ends decide everything.
        constexpr float near = 32768.0f;
        const bool whole = x1 > -near && x1 < near && y1 > -near && y1 < near &&
                           x2 > -near && x2 < near && y2 > -near && y2 < near;
        const int sx = whole ? static_cast<int>(x1) : 0, sy = whole ? static_cast<int>(y1) : 0;
        const int ex = whole ? static_cast<int>(x2) : 0, ey = whole ? static_cast<int>(y2) : 0;
        // Short opaque lines wholly inside (most of a crowded frame): their walk from
        // the table, four, eight or twelve pixels written, the last again where the walk is shorter.
        const int dx = ex - sx, dy = ey - sy;
        if (whole && alpha == 255 && dx >= -shortReach && dx <= shortReach &&
            dy >= -shortReach && dy <= shortReach && contains(area, sx, sy) &&
            contains(area, ex, ey)) {
            const ShortWalk& walk =
                shortWalks[static_cast<size_t>((dy + shortReach) * shortSide + dx + shortReach)];
            uint32_t* const start =
                pixels + static_cast<size_t>(sy) * width + static_cast<size_t>(sx);
            const size_t pixelsWritten = walk.count <= 4 ? 4 : walk.count <= 8 ? 8 : shortPixels;
            for (size_t k = 0; k < 4; ++k)
                start[static_cast<ptrdiff_t>(walk.y[k]) * static_cast<ptrdiff_t>(width) +
                      walk.x[k]] = color;
            for (size_t k = 4; k < pixelsWritten; ++k)
                start[static_cast<ptrdiff_t>(walk.y[k]) * static_cast<ptrdiff_t>(width) +
                      walk.x[k]] = color;
            continue;
        }
        auto draw = [&](auto&& plot) {
            if (whole) {
                forEachWholeLinePixel(sx, sy, ex, ey, bounds, area, plot);
            } else {
                forEachLinePixel(x1, y1, x2, y2, bounds, area, plot);
            }
        };
        if (alpha == 255) {
            draw([&](int x, int y) {
                pixels[static_cast<size_t>(y) * width + static_cast<size_t>(x)] = color;
            });
            continue;
        }
        if (alpha == 0) continue;
        const uint32_t r = (color >> 16) & 0xFF, g = (color >> 8) & 0xFF, b = color & 0xFF;
        draw([&](int x, int y) {
            uint32_t& p = pixels[static_cast<size_t>(y) * width + static_cast<size_t>(x)];
            p = 0xFF000000u | uint32_t{blendChannel(r, (p >> 16) & 0xFF, alpha)} << 16 |
                uint32_t{blendChannel(g, (p >> 8) & 0xFF, alpha)} << 8 |
                blendChannel(b, p & 0xFF, alpha);
        });
    }
}

}  // namespace raster
