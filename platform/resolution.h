// Dynamic drawing resolution: the share of the window's full resolution a picture is drawn
// at, lowered in steps while frames take too long to draw and raised again when there is
// room, decided from measured frame times alone (the caller owns the clock).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace raster {

// The shares of full resolution, per step: step 0 is full, each further step lower.
inline constexpr std::array<int, 7> resolutionPercents = {100, 85, 71, 60, 50, 42, 35};

// Chooses the drawing resolution's step from the time each frame took to draw.
class ResolutionController {
public:
    // Frames over budget, counted with forgiveness, before the resolution is lowered.
    static constexpr int framesToLower = 8;
    // Frames in a row with room for the next larger step before it is taken.
    static constexpr int framesToRaise = 90;
    // A frame is over budget when it takes more than this share of the frame period.
    static constexpr double overShare = 0.92;
    // A larger step fits when its expected time is under this share of the frame period.
    static constexpr double roomShare = 0.72;

    // Takes the seconds one frame's work took (simulation, drawing, upload: all but the
    // wait for the display) against the display's frame period; returns true when the step
    // changed for the frames that follow.
    bool frame(double seconds, double period);
    // The step in use: 0 full resolution, higher lower (see resolutionPercents).
    int step() const { return step_; }
    // The share of full resolution in use, in percent.
    int percent() const { return resolutionPercents[static_cast<std::size_t>(step_)]; }
    // Back to full resolution with nothing counted.
    void reset();

private:
    int step_ = 0;
    int over_ = 0;   // frames over budget, less one for each frame within it
    int room_ = 0;   // frames in a row in which the larger step would have fitted
};

}  // namespace raster
