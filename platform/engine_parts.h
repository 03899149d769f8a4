// Pieces every interactive backend keeps alike: the game key codes held and latched, and
// the frames-per-second count.
#pragma once

#include <algorithm>
#include <cmath>
#include <vector>

// Held keys by game key code (how many physical keys hold each: both Shift keys are one
// code) and the codes that went down since the latches were last cleared.
class KeyTable {
public:
    // True for the codes the table keeps (1 to 255).
    bool known(int code) const { return code > 0 && code < static_cast<int>(holders_.size()); }
    // A key giving a known `code` went down: the code latches, and when the key was not
    // held already (not an auto-repeat), one more key holds it.
    void press(int code, bool newlyHeld) {
        latched_[static_cast<size_t>(code)] = true;
        if (newlyHeld) ++holders_[static_cast<size_t>(code)];
    }
    // A key that held `code` went up.
    void release(int code) {
        if (code > 0 && code < static_cast<int>(holders_.size()) &&
            holders_[static_cast<size_t>(code)] > 0)
            --holders_[static_cast<size_t>(code)];
    }
    // Input_GetKeyState: some key holds the code.
    bool held(int code) const {
        return code >= 0 && code < static_cast<int>(holders_.size()) &&
               holders_[static_cast<size_t>(code)] > 0;
    }
    // Input_KeyWentDown: the code went down since clearLatches.
    bool wentDown(int code) const {
        return code >= 0 && code < static_cast<int>(latched_.size()) &&
               latched_[static_cast<size_t>(code)];
    }
    // Input_ClearLatches.
    void clearLatches() { std::fill(latched_.begin(), latched_.end(), false); }
    // Every key up (their releases will never arrive); the latches stay.
    void releaseAll() { std::fill(holders_.begin(), holders_.end(), 0); }

private:
    std::vector<int> holders_ = std::vector<int>(256, 0);
    std::vector<bool> latched_ = std::vector<bool>(256, false);
};

// Frames per second, counted over spans of at least a second.
class FrameRate {
public:
    // Starts counting afresh at `now` (seconds).
    void restart(double now) {
        spanStart_ = now;
        frames_ = 0;
    }
    // A frame began at `now`; true when a span has just ended and fps() is new.
    bool frame(double now) {
        ++frames_;
        const double span = now - spanStart_;
        if (span < 1.0) return false;
        fps_ = static_cast<int>(std::lround(frames_ / span));
        restart(now);
        return true;
    }
    // Frames per second over the last full span, 0 before the first.
    int fps() const { return fps_; }
    // Forgets every count.
    void reset() {
        restart(0);
        fps_ = 0;
    }

private:
    double spanStart_ = 0;
    int frames_ = 0;
    int fps_ = 0;
};
