// The game's global state: registries, the world of Actors and Emitters, the clock and
// hold, input, the platform handles and playfield layout, the step's events and the
// random generators. The screens' own state is app/'s. Tests reset it with resetGameState().
#pragma once

#include "core/actor.h"
#include "core/controls.h"
#include "core/limits.h"
#include "core/records.h"
#include "core/rng.h"
#include "core/step_events.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// The platform layer's engine and joystick, which app/ creates and input sampling and
// text talk to.
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

// Relative steering by a finger (input/touch.cpp): the finger's motion not yet followed by
// the ship, in world units, and where the ship was at the last sample with the directions
// it was given. `plays` is set while a run is played: only then does a finger fire.
struct TouchSteering {
    bool plays = false;
    bool following = false;              // a finger was down at the last sample
    float restX = 0, restY = 0;
    float lastX = 0, lastY = 0;
    int32_t lastDirections = 0;
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
    // Percent of full deflection a pad's stick must pass (strictly) to count as a direction.
    int32_t padDeadZone = 25;
    bool padRumble = false;              // a pad rumbles when the player is hit
    TouchSteering touch;                 // a finger's motion turned into directions
};

// The platform's engine and joystick, which app/ creates and input sampling and text use.
struct PlatformHandles {
    Engine* engine = nullptr;            // created at start-up, released at the end
    Joystick* joystick = nullptr;        // the joystick layer
    bool joystickOpen = false;           // a joystick is open
    int joysticksTried = 0;              // joysticks present when none was open last
};

// Where the playfield lies on the 800 x 600 picture; the star field moves in its pixels.
struct PlayfieldLayout {
    float playfieldLeft = 200, playfieldTop = 0;        // pixels
    float pixelsPerUnitX = 400, pixelsPerUnitY = 400;   // pixels per world unit
};

// The whole game: what the simulation, input and drawing share (the screens' own state is
// app/app_state.h's AppState).
struct GameState {
    Registries defs;
    World world;
    Clock clock;
    InputState input;
    PlatformHandles platform;
    PlayfieldLayout layout;
    Rng rng;                             // simulation random numbers
    Rng renderRng;                       // star flicker only, never the simulation's
    StepEvents events;                   // what the current step did that a player hears
    bool invincible = false;             // F4: the player is never hit (testing patterns)
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
