// The picture in the SDL window: 4:3, centred between black bars, drawn on the CPU at the
// window's resolution or, where frames take too long, smaller and scaled up
// (platform/resolution.h).
//
// With a GPU the picture is uploaded as one texture per frame and SDL's renderer shows it.
// Where OpenGL would only be drawn on the CPU too (a virtual display, Mesa's llvmpipe) or
// there is none, no renderer is used: lines are drawn straight into the window's own
// pixels and only the picture's rectangle is sent to the display, so a 4K frame is not
// copied twice more on the way. On X11 those pixels are memory shared with the X server
// (X11Picture): the server's copy of a frame runs while the next frame's step is computed.
#include "platform/sdl_platform.h"

#include <algorithm>

namespace {

// True when the renderer is OpenGL drawn on the CPU (Mesa's llvmpipe, softpipe or swrast),
// as on a virtual display: copying the picture through it costs more than drawing it.
bool openGlInSoftware(SDL_Renderer* renderer) {
    SDL_RendererInfo info{};
    if (SDL_GetRendererInfo(renderer, &info) != 0 || info.name == nullptr ||
        std::string_view(info.name).find("opengl") == std::string_view::npos)
        return false;
    using GetString = const unsigned char* (*)(unsigned int);
    constexpr unsigned int glRenderer = 0x1F01;  // GL_RENDERER
    auto getString = reinterpret_cast<GetString>(SDL_GL_GetProcAddress("glGetString"));
    const unsigned char* name = getString ? getString(glRenderer) : nullptr;
    if (name == nullptr) return false;
    const std::string_view text(reinterpret_cast<const char*>(name));
    for (std::string_view word : {"llvmpipe", "softpipe", "Software Rasterizer", "swrast"})
        if (text.find(word) != std::string_view::npos) return true;
    return false;
}

// True when the surface's pixels hold 0xFFRRGGBB as the picture does (alpha or unused).
bool takesPicturePixels(const SDL_Surface* surface) {
    const Uint32 format = surface->format->format;
    return format == SDL_PIXELFORMAT_RGB888 || format == SDL_PIXELFORMAT_ARGB8888;
}

}  // namespace

bool SdlEngine::openPicture() {
    // Prefer a paced, accelerated renderer. OpenGL drawn in software only makes the copy
    // of the picture dear: the window's own pixels then go straight to the display.
    renderer_ = SDL_CreateRenderer(window_, -1,
                                   SDL_RENDERER_ACCELERATED | SDL_RENDERER_PRESENTVSYNC);
    if (!renderer_) renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_ACCELERATED);
    const bool driverChosen = SDL_GetHint(SDL_HINT_RENDER_DRIVER) != nullptr;
    if (renderer_ && openGlInSoftware(renderer_) && !driverChosen) {
        SDL_DestroyRenderer(renderer_);
        renderer_ = nullptr;
    }
    if (!renderer_) SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    if (!renderer_ && !driverChosen) {
        vsyncPaces_ = false;
        // Sized by layOutPicture.
        if (shareWithX11) x11Picture_ = X11Picture::open(window_, 1, 1);
        if (x11Picture_) {
            drawsIntoWindow_ = true;
            return true;
        }
        windowSurface_ = SDL_GetWindowSurface(window_);
        drawsIntoWindow_ = windowSurface_ != nullptr;
        if (drawsIntoWindow_) return true;
    }
    // A driver the user chose, or no window surface: a renderer, in software at worst.
    if (!renderer_) renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE);
    if (!renderer_) {
        error_ = std::string("Can't create the renderer: ") + SDL_GetError();
        return false;
    }
    SDL_RendererInfo info{};
    const bool known = SDL_GetRendererInfo(renderer_, &info) == 0;
    vsyncPaces_ = known && (info.flags & SDL_RENDERER_PRESENTVSYNC) != 0;
    // Drawn on the CPU into the window's own pixels, the picture in their format is copied
    // row by row; in any other it would be converted pixel by pixel. The picture's pixels
    // are 0xFFRRGGBB, the same bytes in either format.
    textureFormat_ = SDL_PIXELFORMAT_ARGB8888;
    if (known && (info.flags & SDL_RENDERER_SOFTWARE) != 0 &&
        SDL_GetWindowPixelFormat(window_) == SDL_PIXELFORMAT_RGB888)
        textureFormat_ = SDL_PIXELFORMAT_RGB888;
    return true;
}

// Black over the whole window, shown at once.
void SdlEngine::showBlack() {
    if (x11Picture_) {
        x11Picture_->show(pictureArea_.x, pictureArea_.y, {bars_.data(), static_cast<size_t>(barCount_)});
        return;
    }
    if (drawsIntoWindow_) {
        if (windowSurface_)
            SDL_FillRect(windowSurface_, nullptr, SDL_MapRGB(windowSurface_->format, 0, 0, 0));
        SDL_UpdateWindowSurface(window_);
        return;
    }
    SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
    SDL_RenderClear(renderer_);
    SDL_RenderPresent(renderer_);
}

// Copies the window's finished pixels, bars included, for tests.
void SdlEngine::readFramePixels() {
    framePixels.clear();
    if (x11Picture_) {
        // What the X server shows, read back once it has copied the picture.
        settleX11Picture();
        if (!readX11Window(window_, framePixels)) framePixels.clear();
        return;
    }
    if (drawsIntoWindow_) {
        if (!windowSurface_) return;
        const int w = windowSurface_->w, h = windowSurface_->h;
        framePixels.assign(static_cast<size_t>(w) * static_cast<size_t>(h), 0);
        if (SDL_ConvertPixels(w, h, windowSurface_->format->format, windowSurface_->pixels,
                              windowSurface_->pitch, SDL_PIXELFORMAT_ARGB8888,
                              framePixels.data(), w * 4) != 0)
            framePixels.clear();
        return;
    }
    int w = 0, h = 0;
    if (SDL_GetRendererOutputSize(renderer_, &w, &h) != 0 || w <= 0 || h <= 0) return;
    framePixels.assign(static_cast<size_t>(w) * static_cast<size_t>(h), 0);
    if (SDL_RenderReadPixels(renderer_, nullptr, SDL_PIXELFORMAT_ARGB8888, framePixels.data(),
                             w * 4) != 0)
        framePixels.clear();
}

// Rasterises the picture and shows it between the black bars.
void SdlEngine::Gfx_EndScene() {
    if (!pictureOpen() || !framebuffer_) return;
    if (drawsIntoWindow_) {
        placeInWindow();
    } else {
        if (!texture_) return;
        framebuffer_->finish();
        const std::span<const uint32_t> pixels = framebuffer_->pixels();
        SDL_UpdateTexture(texture_, nullptr, pixels.data(), framebuffer_->width() * 4);
        // Black bars where the picture leaves room; the picture covers the rest.
        if (barCount_ > 0) {
            SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
            SDL_RenderFillRects(renderer_, bars_.data(), barCount_);
        }
        SDL_RenderCopy(renderer_, texture_, nullptr, &pictureArea_);
    }
    // The frame's work, up to the wait for the display that presenting may hold: its time
    // on the clock less any wait for the X server's copy of the last picture, or the CPU
    // time all the game's threads spent meanwhile where that is less (another program had
    // the cores: drawing smaller would not help).
    const double cpuSeconds = static_cast<double>(std::clock() - frameCpuStart_) / CLOCKS_PER_SEC;
    const double workSeconds =
        std::min(secondsSinceStart() - lastFrameStart_ - waitedForX11_, cpuSeconds);
    if (!drawsIntoWindow_) {
        // Read before presenting: afterwards the renderer's pixels are undefined.
        if (keepFramePixels) readFramePixels();
        SDL_RenderPresent(renderer_);
    } else if (x11Picture_) {
        // Sent without waiting for the server's copy (see settleX11Picture).
        const size_t bars = showWholeWindow_ ? static_cast<size_t>(barCount_) : 0;
        x11Picture_->show(pictureArea_.x, pictureArea_.y, {bars_.data(), bars});
        showWholeWindow_ = false;
    } else if (showWholeWindow_) {
        // Only the picture changes from frame to frame; the bars go out after a new
        // layout or when the window was uncovered.
        showWholeWindow_ = SDL_UpdateWindowSurface(window_) != 0;
    } else {
        SDL_UpdateWindowSurfaceRects(window_, &pictureArea_, 1);
    }
    // The window's pixels as shown (shared with X11: read back from the server).
    if (keepFramePixels && drawsIntoWindow_) readFramePixels();
    adaptResolution(workSeconds);
}

void SdlEngine::placeInWindow() {
    if (x11Picture_) {
        if (framebufferInWindow_) {
            framebuffer_->finish();
        } else {
            framebuffer_->stretchInto(x11Picture_->pixels(), x11Picture_->stride(),
                                      x11Picture_->width(), x11Picture_->height());
        }
        return;
    }
    if (!windowSurface_) {
        framebuffer_->finish();
        return;
    }
    if (showWholeWindow_ && barCount_ > 0)
        SDL_FillRects(windowSurface_, bars_.data(), barCount_,
                      SDL_MapRGB(windowSurface_->format, 0, 0, 0));
    if (framebufferInWindow_) {
        framebuffer_->finish();
        return;
    }
    // Drawn smaller, or the window's pixels are of another kind: scaled, or converted, in.
    if (takesPicturePixels(windowSurface_)) {
        auto* row = static_cast<uint32_t*>(windowSurface_->pixels);
        const size_t stride = static_cast<size_t>(windowSurface_->pitch) / 4;
        framebuffer_->stretchInto(row + static_cast<size_t>(pictureArea_.y) * stride +
                                      static_cast<size_t>(pictureArea_.x),
                                  stride, pictureArea_.w, pictureArea_.h);
        return;
    }
    framebuffer_->finish();
    const std::span<const uint32_t> pixels = framebuffer_->pixels();
    SDL_Surface* picture = SDL_CreateRGBSurfaceWithFormatFrom(
        const_cast<uint32_t*>(pixels.data()), framebuffer_->width(), framebuffer_->height(), 32,
        framebuffer_->width() * 4, SDL_PIXELFORMAT_ARGB8888);
    if (!picture) return;
    SDL_SetSurfaceBlendMode(picture, SDL_BLENDMODE_NONE);
    SDL_Rect area = pictureArea_;
    SDL_BlitScaled(picture, nullptr, windowSurface_, &area);
    SDL_FreeSurface(picture);
}

DrawingSize SdlEngine::Gfx_GetDrawingSize() {
    return {drawWidth_, drawHeight_, pictureArea_.w, pictureArea_.h};
}

void SdlEngine::adaptResolution(double seconds) {
    if (resolutionMode_ != ResolutionMode::automatic) return;
    if (resolution_.frame(seconds, 1.0 / std::max(refreshRate_, 30))) sizeDrawing();
}

// Fits the 4:3 picture into the window's pixels, centred, and makes the texture and the
// framebuffer of that size. False if the texture cannot be made.
bool SdlEngine::layOutPicture() {
    sizeUnmanagedFullscreen();
    int outW = 0, outH = 0;
    if (x11Picture_) {
        SDL_GetWindowSize(window_, &outW, &outH);
        showWholeWindow_ = true;
    } else if (drawsIntoWindow_) {
        // A new size makes SDL free the window's pixels and give new ones.
        windowSurface_ = SDL_GetWindowSurface(window_);
        outW = windowSurface_ ? windowSurface_->w : 0;
        outH = windowSurface_ ? windowSurface_->h : 0;
        showWholeWindow_ = true;
    } else if (SDL_GetRendererOutputSize(renderer_, &outW, &outH) != 0) {
        outW = outH = 0;
    }
    if (outW <= 0 || outH <= 0) {
        outW = width_;
        outH = height_;
    }
    // The largest width_ : height_ rectangle that fits, at least one pixel each way.
    int w = outW, h = static_cast<int>(int64_t{outW} * height_ / width_);
    if (h > outH) {
        h = outH;
        w = static_cast<int>(int64_t{outH} * width_ / height_);
    }
    w = std::max(w, 1);
    h = std::max(h, 1);
    const SDL_Rect area{(outW - w) / 2, (outH - h) / 2, w, h};
    // The bars: left and right of the picture, or above and below it.
    barCount_ = 0;
    if (area.x > 0) {
        bars_[barCount_++] = SDL_Rect{0, 0, area.x, outH};
        bars_[barCount_++] = SDL_Rect{area.x + w, 0, outW - area.x - w, outH};
    } else if (area.y > 0) {
        bars_[barCount_++] = SDL_Rect{0, 0, outW, area.y};
        bars_[barCount_++] = SDL_Rect{0, area.y + h, outW, outH - area.y - h};
    } else if (w < outW || h < outH) {
        bars_[barCount_++] = SDL_Rect{w, 0, outW - w, outH};
        bars_[barCount_++] = SDL_Rect{0, h, w, outH - h};
    }
    const bool sameSize = area.w == pictureArea_.w && area.h == pictureArea_.h;
    pictureArea_ = area;
    if (x11Picture_ && (x11Picture_->width() != w || x11Picture_->height() != h)) {
        settleX11Picture();
        x11Picture_ = X11Picture::open(window_, w, h);
        // Refused at this size: SDL's window pixels serve from now on.
        if (!x11Picture_) return layOutPicture();
        drawWidth_ = drawHeight_ = 0;  // the framebuffer is aimed anew
    }
    if (drawsIntoWindow_) {
        if (!sameSize || drawWidth_ == 0) return sizeDrawing();
        aimFramebuffer();
        return true;
    }
    if (texture_ && sameSize) return true;
    return sizeDrawing();
}

bool SdlEngine::sizeDrawing() {
    const int fullW = std::max(pictureArea_.w, 1), fullH = std::max(pictureArea_.h, 1);
    int w = fullW, h = fullH;
    if (resolutionMode_ == ResolutionMode::native) {
        w = width_;
        h = height_;
    } else if (resolutionMode_ == ResolutionMode::automatic) {
        w = std::max(fullW * resolution_.percent() / 100, 1);
        h = std::max(fullH * resolution_.percent() / 100, 1);
    }
    if (drawsIntoWindow_) {
        if (w != drawWidth_ || h != drawHeight_) framebuffer_->resize(width_, height_, w, h);
        drawWidth_ = w;
        drawHeight_ = h;
        aimFramebuffer();
        return true;
    }
    if (texture_ && w == drawWidth_ && h == drawHeight_) return true;
    if (texture_) SDL_DestroyTexture(texture_);
    texture_ = SDL_CreateTexture(renderer_, textureFormat_, SDL_TEXTUREACCESS_STREAMING, w, h);
    drawWidth_ = texture_ ? w : 0;
    drawHeight_ = texture_ ? h : 0;
    if (!texture_) return false;
    // The picture is opaque: copied, never blended.
    SDL_SetTextureBlendMode(texture_, SDL_BLENDMODE_NONE);
    framebuffer_->resize(width_, height_, w, h);
    return true;
}

void SdlEngine::aimFramebuffer() {
    if (x11Picture_) {
        settleX11Picture();
        framebufferInWindow_ =
            drawWidth_ == x11Picture_->width() && drawHeight_ == x11Picture_->height();
        framebuffer_->drawInto(framebufferInWindow_ ? x11Picture_->pixels() : nullptr,
                               x11Picture_->stride());
        return;
    }
    framebufferInWindow_ = windowSurface_ && takesPicturePixels(windowSurface_) &&
                           drawWidth_ == pictureArea_.w && drawHeight_ == pictureArea_.h &&
                           pictureArea_.x + pictureArea_.w <= windowSurface_->w &&
                           pictureArea_.y + pictureArea_.h <= windowSurface_->h;
    if (!framebufferInWindow_) {
        framebuffer_->drawInto(nullptr, 0);
        return;
    }
    auto* pixels = static_cast<uint32_t*>(windowSurface_->pixels);
    const size_t stride = static_cast<size_t>(windowSurface_->pitch) / 4;
    framebuffer_->drawInto(pixels + static_cast<size_t>(pictureArea_.y) * stride +
                               static_cast<size_t>(pictureArea_.x),
                           stride);
}

void SdlEngine::settleX11Picture() {
    if (!x11Picture_) return;
    const double start = secondsSinceStart();
    x11Picture_->settle();
    waitedForX11_ += secondsSinceStart() - start;
}
