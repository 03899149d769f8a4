// The game's global state, all in one place: registries, the world of Actors and
// Emitters, the clock and hold, input, the shell's screen state and the random
// generators. Tests reset it with resetGameState().
#pragma once

#include "core/actor.h"
#include "core/controls.h"
#include "core/limits.h"
#include "core/records.h"
#include "core/replay.h"
#include "core/rng.h"
#include "core/step_events.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// The platform layer's engine and joystick, which only the shell (app/) and input
// sampling talk to.
class Engine;
class Joystick;

// The ship the user steers.
struct Player {
    float x = 0, y = 0;            // world units, clamped to 0.02..0.98 / 0.02..1.48
    float heading = 0;             // radians given to weapon scripts (pi: up)
    float hitRadius = 0;           // world units
    float speed = 0;               // world units per step
    float shotCooldown = 0;        // steps until normal fire
    float specialTimer = 0;        // steps until bomb / power attack
    float specialTimerFull = 0;    // last value specialTimer was set to
    float scoreMultiplier = 0;     // factor on every score gain
    int32_t modelIndex = 0;
    int32_t shot1Script = 0, shot2Script = 0, bombEffectScript = 0, bombScript = 0,
            powerShotScript = 0;
    int32_t shipIndex = 0;
    int32_t disabledSteps = 0;     // steps without control after a hit
    int32_t targetBarFrames = 0;   // display frames left for the target bar
    float targetHp = 0, targetHpMax = 0;
    int32_t invulnerableSteps = 0;
    int32_t score = 0;
};

// One running boss's health bar.
struct BossBar {
    float current = 0, maximum = 0;
};

// One background star, pixels relative to the playfield's top-left corner.
struct Star {
    float x = 0, y = 0, speed = 0;
};

// Which Emitters are bound to which Actor, so that removing an Actor finds its Emitters
// without walking the whole Emitter list (actors/emitter_links.cpp keeps it; the chains
// run through Emitter::nextBound/previousBound). It follows the Emitter list through
// appendEmitter, retireEmitter and removeActor, and rebuilds itself when it finds the
// list changed behind its back.
struct EmitterLinks {
    std::vector<int32_t> first;          // per Actor index: one bound Emitter position, -1 none
    size_t listed = 0;                   // Emitter list size the chains describe
    std::vector<int32_t> scratch;        // reused list of positions during one removal
};

// What moves: Actors, Emitters, Players, bosses, stars.
struct World {
    std::vector<Actor> actors;           // the Actor list
    std::vector<Emitter> emitters;       // the Emitter list
    EmitterLinks emitterLinks;           // index of the Emitters bound to Actors
    std::vector<Player> players;         // newGame leaves exactly one
    std::vector<BossBar> bossBars;       // entry k is boss number k + 1
    std::array<Star, 160> starField{};
    // Actor indices that removeActor keeps pointing at the same Actors while a caller
    // follows them through removals it does not make itself (-1 once removed).
    std::vector<int32_t> followedActors;
    // The Actors a shot can hit (hittable, with hit circles), by ascending position. The
    // collision pass lists them when its first shot looks and again after every hit,
    // since a hit runs scripts that may change any Actor; `shotTargetsListed` is false
    // while the list may be out of date.
    std::vector<ShotTarget> shotTargets;
    bool shotTargetsListed = false;
};

// The game clock and the timeline hold.
struct Clock {
    int32_t frameCounter = 0;            // steps since newGame (display frames on setup)
    float clockStart = 0;                // engine time read by newGame, seconds
    float stepLength = 1.0f / 60.0f;     // seconds per step
    bool holdActive = false;             // a boss hold is running
    int32_t holdLength = 0;              // longest the hold may last, steps
    int32_t holdCounter = 0;             // steps spent in the running hold
    int32_t holdTotal = 0;               // summed length of finished holds
    int32_t timelineStart = 0;           // timeline frame the run began with
};

// Bindings and the sampled action arrays.
struct InputState {
    BindingTable bindingTable;           // keys and buttons per action number
    ActionStates actionHeld;             // as readInput sampled them last
    ActionStates actionEdge;             // edge::idle, pressed, heldDown or released
    // The controls file read at start-up, which the setup screen's "Exit & save" rewrites;
    // empty when none was read (the screen then leaves without saving).
    std::string controlsPath;
    // The file the bindings were read from when it is not controlsPath (the data folder's
    // quillfray.cfg while the user has no file of their own yet): a save keeps its other
    // lines. Empty: controlsPath itself.
    std::string controlsReadFrom;
    bool makeControlsFolder = false;     // a save first creates controlsPath's folder
    BindingTable bindingsOnEntry;        // as the setup screen found them: Escape restores
};

// What the debug overlay measured and keeps between frames. Display only: it is filled
// while the overlay is drawn, and the simulation never reads it.
struct OverlayStats {
    static constexpr size_t graphSteps = 180;  // steps the graph shows: three seconds
    double stepMs = 0;                   // duration of the last gameplay step, ms
    double drawMs = 0;                   // duration of the last gameplay picture, ms
    std::array<float, graphSteps> stepHistory{};  // recent step durations, ms, as a ring
    size_t historyNext = 0;              // ring slot the next step duration goes into
    int64_t scriptWork = 0;              // script work of the last step
    int64_t collisionWork = 0;           // collision work of the last step
};

// The screens of the game.
enum class ScreenId : uint8_t { None, Selection, Controls, Gameplay };

// The shell: platform handles, screen state and layout.
struct Shell {
    Engine* engine = nullptr;            // created at start-up, released at the end
    Joystick* joystick = nullptr;        // the joystick layer
    ScreenId screen = ScreenId::None;    // the screen whose functions the engine calls
    bool joystickOpen = false;           // joystick 0 is open
    int32_t chosenShip = 0;              // ship gameplay starts with
    int32_t selectionCursor = 0;         // ship under the cursor / setup row 0..8
    bool captureMode = false;            // setup screen waits for a key or button
    int lastHat = 0;                     // setup screen's previous hat value
    std::string setupMessage;            // setup screen's "Could not save: ..." line
    float setupMessageUntil = 0;         // engine time until which it is shown, seconds
    float playfieldLeft = 200, playfieldTop = 0;        // pixels
    float pixelsPerUnitX = 400, pixelsPerUnitY = 400;   // pixels per world unit
    int32_t startFrame = 0;              // timeline frame every run begins with
    bool paused = false;                 // the run waits: no step runs
    float pausedAt = 0;                  // engine time the pause began, seconds
    bool pauseKeyWasDown = false;        // a pause key was down in the last gameplay frame
    std::string startOption, startValue; // --start-frame or --stage and its value, as given
    std::string startProblem;            // why a requested start frame was not taken
    bool overlay = false;                // F3: the debug overlay is drawn
    bool invincible = false;             // F4: the player is never hit (testing patterns)
    OverlayStats overlayStats;           // what the overlay measured
    int32_t frameStepLimit = 0;          // steps a display frame runs at most; 0: no limit
    std::string dataProblem;             // the game's files were not found: where and what to do
    // Called after every gameplay step of the frame function, the one that leaves
    // gameplay included; null in the game itself (the simulator traces steps with it).
    void (*afterGameplayStep)() = nullptr;
    // Called after every gameplay and demo step with game.events filled; null in the game
    // itself (the simulator writes the events with it).
    void (*afterStepEvents)() = nullptr;
};

// The run being recorded into a replay or played back from one (app/replay.cpp). Both may
// happen at once: a replay played back can be recorded afresh.
struct ReplayState {
    bool armed = false;                  // the next run's newGame starts a recording
    bool pendingPlayback = false;        // the next run's newGame starts playing `played`
    bool force = false;                  // play even on other definition files
    bool recording = false;              // `recorded` grows by every gameplay step
    bool playing = false;                // gameplay steps take their bits from `played`
    bool returnToSelection = true;       // the end of playback leaves for ship selection
    std::string recordPath;              // where the recording is written when its run ends
    std::string playedPath;              // the file `played` was read from
    uint64_t lastStepCheck = 0;          // check value after the last whole step recorded
    bool writeFailed = false;            // the last recording could not be written
    std::string writeProblem;            // why, shown in the left strip for a few seconds
    float writeProblemUntil = 0;         // engine time until which it is shown, seconds
    Replay recorded;                     // the run recorded so far
    Replay played;                       // the run played back
    size_t playedRun = 0;                // playback cursor: run of `played.runs` ...
    uint32_t stepsIntoRun = 0;           // ... and steps of it already used
    size_t nextCheck = 0;                // next entry of `played.checks` to compare
    uint32_t desyncStep = 0;             // first step whose check value differed, 0 none
    uint64_t desyncRecorded = 0, desyncComputed = 0;  // the two values there
};

// Reloading the definition files while the game runs (app/reload.cpp).
struct ReloadState {
    bool watch = false;                    // --watch: poll the files for changes
    std::vector<std::string> levelFiles;   // the level files of start-up, loaded again
    std::vector<int64_t> seen;             // per loaded file: change time (ns) and size
    float nextPoll = 0;                    // engine time of the next poll, seconds
    std::vector<std::string> messages;     // the last report: a heading, then its warnings
    float messagesUntil = 0;               // engine time until which they are shown
    size_t messageFirst = 0;               // the first warning on the screen (F6 pages on)
    size_t messagesShown = 0;              // warnings the last picture found room for
};

// One Model line turned and scaled: the offsets of its two ends from the Model's centre,
// in the Model's units times its scale (x right, y down).
struct TurnedLine {
    float x1, y1, x2, y2;
};

// The turned line ends of one Actor list position's Model, as last drawn. They are used
// again while the Actor's Model (the same measured lines), rotation and scale match bit
// for bit, which gives the very floats turning them again would. They are kept only once
// the look has stayed the same for a frame.
struct TurnedSlot {
    const ModelLine* lines = nullptr;    // the Model's lines last drawn; nullptr: none yet
    uint64_t modelStamp = 0;             // Registries::modelStamp when they were turned
    uint32_t lineCount = 0;              // lines turned
    uint32_t rotationBits = 0;           // angle + rotate, as bits
    uint32_t scaleBits = 0;              // scale, as bits
    uint32_t first = 0;                  // the slot's room in DrawCache::lines begins here
    uint32_t room = 0;                   // TurnedLines the room holds: 0 or a power of two
    bool filled = false;                 // the room holds the lines turned as above
};

// What drawing keeps between frames so that Actors whose look does not change are not
// turned again every frame. Display only: the simulation never reads it.
struct DrawCache {
    std::vector<TurnedSlot> slots;       // by Actor list position, as far as ever drawn
    std::vector<TurnedLine> lines;       // the slots' rooms, one after another
};

// The whole game.
struct GameState {
    Registries defs;
    World world;
    Clock clock;
    InputState input;
    Shell shell;
    Rng rng;                             // simulation random numbers
    Rng renderRng;                       // star flicker only, never the simulation's
    DrawCache drawCache;                 // turned Actor models kept between frames
    ReplayState replay;                  // recording and playback of runs
    ReloadState reload;                  // reloading the definition files
    StepEvents events;                   // what the current step did that a player hears
    // --data: the folder definition files named by relative paths are read from; empty:
    // the working directory. Files keep their names as given in defs.loadedFiles.
    std::string dataDir;
    int scriptDepth = 0;                 // executeScript nesting right now
    // Script work spent since the step's Actor update began: one unit per command and
    // per parameter, one per Actor a trigger or heat-seek looks at. At maxScriptWork the
    // step's remaining scripts do nothing, however many outermost runs there are.
    int64_t scriptWork = 0;
    int64_t collisionWork = 0;           // shot-target looks and tests in this step's pass
};

extern GameState game;

// Puts every part of the game state back to its start value (platform handles too).
void resetGameState();
