// The CPU picture: queued lines rasterised in horizontal bands, one band per thread. Each
// band walks every queued line in order and writes only its own rows, so the pixels and
// the order in which lines cover each other are exactly those of one thread drawing all.
#include "platform/framebuffer.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace raster {

namespace {

// Lines queued before finish() is forced, to bound the queue's memory (24 MiB).
constexpr size_t maxQueuedLines = size_t{1} << 20;

}  // namespace

// Worker threads that each rasterise one band of the picture when finish() asks; the
// calling thread takes the first band itself.
class BandWorkers {
public:
    // Starts `count` threads that wait for bands.
    explicit BandWorkers(int count) {
        for (int k = 0; k < count; ++k) threads_.emplace_back([this, k] { run(k + 1); });
    }

    // Stops and joins the threads.
    ~BandWorkers() {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        wake_.notify_all();
        for (std::thread& t : threads_) t.join();
    }

    // Bands in all: the workers' and the calling thread's.
    int bands() const { return static_cast<int>(threads_.size()) + 1; }

    // Rasterises every band of `picture`: band 0 here, the others on the workers; returns
    // when all are done.
    void rasterise(Framebuffer& picture) {
        {
            std::lock_guard lock(mutex_);
            picture_ = &picture;
            busy_ = static_cast<int>(threads_.size());
            ++generation_;
        }
        wake_.notify_all();
        rasteriseBand(picture, 0);
        std::unique_lock lock(mutex_);
        done_.wait(lock, [this] { return busy_ == 0; });
    }

private:
    // Rows of band `band` of `bands()` equal bands.
    void rasteriseBand(Framebuffer& picture, int band) const {
        const int rows = picture.height();
        const int top = static_cast<int>(int64_t{rows} * band / bands());
        const int bottom = static_cast<int>(int64_t{rows} * (band + 1) / bands());
        picture.rasteriseBand(top, bottom);
    }

    // A worker: waits for each new generation of work and does its band.
    void run(int band) {
        uint64_t seen = 0;
        for (;;) {
            Framebuffer* picture = nullptr;
            {
                std::unique_lock lock(mutex_);
                wake_.wait(lock, [&] { return stopping_ || generation_ != seen; });
                if (stopping_) return;
                seen = generation_;
                picture = picture_;
            }
            rasteriseBand(*picture, band);
            {
                std::lock_guard lock(mutex_);
                --busy_;
            }
            done_.notify_one();
        }
    }

    std::vector<std::thread> threads_;
    std::mutex mutex_;
    std::condition_variable wake_, done_;
    Framebuffer* picture_ = nullptr;
    uint64_t generation_ = 0;  // counts the rasterise() calls
    int busy_ = 0;             // workers still on the current generation
    bool stopping_ = false;
};

// Starts the worker threads, if any.
Framebuffer::Framebuffer(int workerThreads) {
    if (workerThreads > 0) workers_ = std::make_unique<BandWorkers>(workerThreads);
}

// Stops the workers.
Framebuffer::~Framebuffer() = default;

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
    queue_.clear();
    fillPending_ = false;
    clips_.assign(1, PixelRect{0, 0, pictureWidth_, pictureHeight_});
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
    if (queue_.empty()) {
        clips_.back() = scaled;
    } else {
        clips_.push_back(scaled);
    }
}

// Drops what is queued and fills the picture at the next finish().
void Framebuffer::clear(uint32_t color) {
    queue_.clear();
    const PixelRect current = clips_.back();
    clips_.assign(1, current);
    fillPending_ = true;
    fillColor_ = 0xFF000000u | color;
}

// Queues the line in picture coordinates under the current clip area.
void Framebuffer::line(float x1, float y1, float x2, float y2, uint32_t color) {
    if ((color >> 24) == 0) return;
    if (queue_.size() >= maxQueuedLines) finish();
    queue_.push_back(QueuedLine{x1 * scaleX_, y1 * scaleY_, x2 * scaleX_, y2 * scaleY_, color,
                                static_cast<uint32_t>(clips_.size() - 1)});
}

// Rasterises the queue over every band, then starts an empty queue.
void Framebuffer::finish() {
    if (queue_.empty() && !fillPending_) return;
    if (workers_ && pictureHeight_ >= workers_->bands()) {
        workers_->rasterise(*this);
    } else {
        rasteriseBand(0, pictureHeight_);
    }
    queue_.clear();
    fillPending_ = false;
    const PixelRect current = clips_.back();
    clips_.assign(1, current);
}

// The pending fill and then every queued line, limited to rows [top, bottom).
void Framebuffer::rasteriseBand(int top, int bottom) {
    if (bottom <= top) return;
    const auto width = static_cast<size_t>(pictureWidth_);
    uint32_t* const pixels = pixels_.data();
    if (fillPending_)
        std::fill(pixels + static_cast<size_t>(top) * width,
                  pixels + static_cast<size_t>(bottom) * width, fillColor_);
    const PixelRect bounds{0, 0, pictureWidth_, pictureHeight_};
    // The clip area of the current run of lines within the band, and the reach of its
    // pixels in line coordinates: a line's pixels are its end points cut toward zero, so a
    // line whose ends both lie more than a pixel beyond one side of the area has none in it
    // and is skipped before rasterising.
    PixelRect area{};
    float reachLeft = 0, reachTop = 0, reachRight = 0, reachBottom = 0;
    uint32_t areaClip = UINT32_MAX;
    for (const QueuedLine& l : queue_) {
        if (l.clip != areaClip) {
            areaClip = l.clip;
            const PixelRect& clip = clips_[l.clip];
            const int upper = std::max(clip.y, top);
            const int lower = std::min(clip.y + clip.h, bottom);
            area = lower > upper && clip.w > 0 ? PixelRect{clip.x, upper, clip.w, lower - upper}
                                               : PixelRect{};
            reachLeft = static_cast<float>(area.x) - 1.0f;
            reachTop = static_cast<float>(area.y) - 1.0f;
            reachRight = static_cast<float>(area.x + area.w) + 1.0f;
            reachBottom = static_cast<float>(area.y + area.h) + 1.0f;
        }
        if (area.w <= 0 || (l.y1 < reachTop && l.y2 < reachTop) ||
            (l.y1 > reachBottom && l.y2 > reachBottom) || (l.x1 < reachLeft && l.x2 < reachLeft) ||
            (l.x1 > reachRight && l.x2 > reachRight))
            continue;
        const uint32_t alpha = l.color >> 24;
        if (alpha == 255) {
            const uint32_t opaque = l.color;
            forEachLinePixel(l.x1, l.y1, l.x2, l.y2, bounds, area, [&](int x, int y) {
                pixels[static_cast<size_t>(y) * width + static_cast<size_t>(x)] = opaque;
            });
            continue;
        }
        const uint32_t r = (l.color >> 16) & 0xFF, g = (l.color >> 8) & 0xFF, b = l.color & 0xFF;
        forEachLinePixel(l.x1, l.y1, l.x2, l.y2, bounds, area, [&](int x, int y) {
            uint32_t& p = pixels[static_cast<size_t>(y) * width + static_cast<size_t>(x)];
            p = 0xFF000000u | uint32_t{blendChannel(r, (p >> 16) & 0xFF, alpha)} << 16 |
                uint32_t{blendChannel(g, (p >> 8) & 0xFF, alpha)} << 8 |
                blendChannel(b, p & 0xFF, alpha);
        });
    }
}

}  // namespace raster
