// A run of the whole game on the headless engine, driven by quillfray-sim's options.
#pragma once

#include "platform/headless.h"
#include "tools/sim/sim_options.h"

#include <cstdio>
#include <string>
#include <vector>

// What a run leaves behind besides the game state itself.
struct SimRunOutput {
    std::string screen = "none";       // the screen current at the end
    int32_t displayFrames = 0;         // display frames run
    bool programEnded = false;         // the game ended the engine loop itself
    std::string title;                 // the window title last set
    std::vector<SceneOp> ops;          // the scene operations of the last render
    bool traceWritten = true;          // false when writing the trace failed
    std::vector<float> sound;          // with --wav: the run's sound, interleaved stereo
    int problemStatus = 0;             // 2: the replay or the start frame could not be used;
                                       // 1: the replay desynced or a recording was not written
    std::string problem;               // the one line saying why, for problemStatus != 0
};

// Runs the game's start-up (controls file, definition files, engine, ship selection) on
// a headless engine with no joystick, then enters the requested screen and runs the
// requested display frames. Trace lines go to `trace` when it is not null.
SimRunOutput runGame(const SimOptions& options, std::FILE* trace);
