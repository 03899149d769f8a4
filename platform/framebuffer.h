// The picture a drawing backend builds on the CPU: lines are queued in the order the game
// draws them and rasterised (platform/line_raster.h) into opaque 0xFFRRGGBB pixels, in
// horizontal bands on several threads at once, so that the window, a saved PNG and any
// other backend show the same pixels.
#pragma once

#include "platform/line_raster.h"
#include "platform/platform.h"
#include "platform/workers.h"

#include <cstdint>
#include <span>
#include <vector>

namespace raster {

class Framebuffer {
public:
    // With `workers`, their threads share the rasterising with the calling thread.
    explicit Framebuffer(WorkerPool* workers = nullptr);
    Framebuffer(const Framebuffer&) = delete;
    Framebuffer& operator=(const Framebuffer&) = delete;

    // The game draws on a screen of screenWidth x screenHeight pixels; the picture is
    // pictureWidth x pictureHeight, every screen coordinate scaled by picture / screen
    // size. The picture starts opaque black, clipping at the whole screen.
    void resize(int screenWidth, int screenHeight, int pictureWidth, int pictureHeight);
    // Clipping as the engine defines it (0, 0, 0, 0: the whole screen), in screen pixels.
    void setClip(int x, int y, int w, int h);
    // Fills the whole picture with the colour (alpha ignored) whatever the clipping; lines
    // queued before it are covered anyway and dropped.
    void clear(uint32_t color);
    // Queues a line in screen coordinates; fully transparent lines draw nothing.
    void line(float x1, float y1, float x2, float y2, uint32_t color);
    // Queues the lines in order, as line() would one by one (a long run is rasterised at
    // once, after what is queued).
    void lines(std::span<const ScreenLine> run);
    // Rasterises everything queued; pixels() is complete afterwards.
    void finish();
    // Draws from now on into memory the caller owns, height() rows of `stride` >= width()
    // pixels each (a window's own pixels), filled opaque black now; nullptr goes back to
    // the picture's own pixels, as does resize(). Lines queued and not yet drawn are
    // dropped (call it between frames).
    void drawInto(uint32_t* target, size_t stride);

    // Copies the finished picture scaled to w x h pixels into `target` (rows of `stride`
    // pixels): each pixel the picture's pixel under its centre, the rows shared by the
    // workers.
    void stretchInto(uint32_t* target, size_t stride, int w, int h);

    int width() const { return pictureWidth_; }
    int height() const { return pictureHeight_; }
    // Rows top to bottom, width() pixels each: the picture's own pixels, not those drawn
    // into another target.
    std::span<const uint32_t> pixels() const { return pixels_; }

private:
    // Queued lines from `first` on are clipped by clip area `clip`, up to the next run.
    struct ClipRun {
        size_t first;
        uint32_t clip;
    };
    void rasterise(std::span<const ScreenLine> then);
    void rasteriseBand(int top, int bottom, std::vector<uint32_t>& reaching,
                       std::span<const ScreenLine> then);
    void drawRun(std::span<const ScreenLine> run, const PixelRect& clip, int top, int bottom,
                 std::vector<uint32_t>& reaching);
    void dropQueuedLines();

    int screenWidth_ = 0, screenHeight_ = 0;
    int pictureWidth_ = 0, pictureHeight_ = 0;
    float scaleX_ = 1, scaleY_ = 1;    // picture pixels per screen pixel
    std::vector<uint32_t> pixels_;
    uint32_t* target_ = nullptr;       // where lines are drawn: pixels_ or the caller's
    size_t stride_ = 0;                // pixels from one row of target_ to the next
    std::vector<ScreenLine> queued_;   // in screen pixels, in drawing order
    std::vector<ClipRun> clipRuns_;    // over queued_, in order; never empty
    std::vector<PixelRect> clips_;     // clip areas of the queued lines, in picture pixels
    std::vector<std::vector<uint32_t>> reaching_;  // per band: its lines of a clip run
    std::vector<uint32_t> columns_;    // stretchInto's picture column for each column
    bool fillPending_ = false;         // a clear waits to be done by the bands
    uint32_t fillColor_ = 0xFF000000u;
    WorkerPool* workers_ = nullptr;
};

}  // namespace raster
