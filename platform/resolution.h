// Dynamic drawing resolution: the share of the window's full resolution a picture is drawn
// at, lowered in steps while frames take too long to draw and raised again when there is
// room, decided from measured frame times alone (the caller owns the clock). A lower step
// that did not make frames measurably shorter (the time goes elsewhere than pixels) is
// left again, and the steps below the one that helped are not tried for a long while.
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
    // Frames after a step down whose mean time judges whether it paid off: half a second,
    // so that a machine whose speed varies from frame to frame does not keep a step that
    // is no faster.
    static constexpr int framesToJudge = 30;
    // A step down pays off when the frame time falls by at least this share of the fall
    // its smaller area predicts (all of the time being in pixels).
    static constexpr double payShare = 0.3;
    // Frames for which the steps below one that did not pay off are not tried again.
    static constexpr int holdOffFrames = 1800;

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
    double recent_ = -1;  // the recent frame time at this step (a running mean; -1: none yet)
    double before_ = 0;   // the recent frame time at the step above, when trying this one
    int judging_ = 0;     // frames of this step still to measure before it is judged
    double judged_ = 0;   // the sum of their times so far
    int floor_ = 0;       // the lowest step to try while holdOff_ runs
    int holdOff_ = 0;     // frames before the steps below floor_ are tried again

    // Moves to `step` with nothing counted at it yet.
    void moveTo(int step);
};

}  // namespace raster
