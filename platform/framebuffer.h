// The picture a drawing backend builds on the CPU: lines are queued in the order the game
// draws them and rasterised (platform/line_raster.h) into opaque 0xFFRRGGBB pixels, in
// horizontal bands on several threads at once, so that the window, a saved PNG and any
// other backend show the same pixels.
#pragma once

#include "platform/line_raster.h"

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace raster {

class BandWorkers;

// One queued line, already in picture pixels, with the clip area it was drawn under.
struct QueuedLine {
    float x1, y1, x2, y2;
    uint32_t color;  // 0xAARRGGBB, alpha above 0
    uint32_t clip;   // index into the frame's clip areas
};

class Framebuffer {
public:
    // `workerThreads` extra threads share the rasterising with the calling thread.
    explicit Framebuffer(int workerThreads = 0);
    ~Framebuffer();
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
    // Rasterises everything queued; pixels() is complete afterwards.
    void finish();

    int width() const { return pictureWidth_; }
    int height() const { return pictureHeight_; }
    // Rows top to bottom, width() pixels each.
    std::span<const uint32_t> pixels() const { return pixels_; }
    // Lines queued and not yet rasterised.
    size_t queuedLines() const { return queue_.size(); }

    // Draws the queued lines into the picture rows [top, bottom) (a band of finish()).
    void rasteriseBand(int top, int bottom);

private:
    int screenWidth_ = 0, screenHeight_ = 0;
    int pictureWidth_ = 0, pictureHeight_ = 0;
    float scaleX_ = 1, scaleY_ = 1;  // picture pixels per screen pixel
    std::vector<uint32_t> pixels_;
    std::vector<QueuedLine> queue_;
    std::vector<PixelRect> clips_;     // clip areas of the queued lines, in picture pixels
    bool fillPending_ = false;         // a clear waits to be done by the bands
    uint32_t fillColor_ = 0xFF000000u;
    std::unique_ptr<BandWorkers> workers_;
};

}  // namespace raster
