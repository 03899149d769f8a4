// The screens' own state: the shell (screen, cursor, pause, start options, overlay),
// replay recording and playback, reloading the definition files, and what drawing keeps
// between frames. Nothing below app/ reads it; tests reset it with resetAppState().
#pragma once

#include "audio/mixer.h"
#include "audio/music_player.h"
#include "core/game_state.h"
#include "core/replay.h"
#include "platform/platform.h"
#include "records/records.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

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
enum class ScreenId : uint8_t {
    None, Selection, Controls, Gameplay, Menu, Options, Records, Practice, Replays
};

// The Records screen's text, built once when the screen is entered (app/records_screen.cpp).
struct RecordsText {
    std::string levelSet;                        // the level set's file names
    std::vector<std::string> shipNames;          // per ship: its name
    std::vector<std::vector<std::string>> ships; // per ship: its table, best first
    std::string totals;                          // runs, time played, clears
    std::string problem;                         // why the records could not be read, or ""
};

// One row of the Practice screen: what it starts and the timeline frame it starts at.
struct PracticeEntry {
    std::string label;                   // "Stage 2", "Boss 1 (stage 1)"
    int32_t frame = 0;                   // the run's first timeline frame
};

// One kept replay as the Replays screen lists it.
struct KeptReplayRow {
    std::string replay;                  // its file name in the replay folder
    std::string date;                    // the run's date, "YYYY-MM-DD HH:MM"
    std::string shipName;
    int64_t score = 0;
    int32_t stage = 1;                   // stage reached
    uint32_t steps = 0;                  // its length in steps (60 a second)
    bool pinned = false;
    bool changed = false;                // recorded with other definition files
    std::string problem;                 // why it cannot be watched (missing, damaged, changed)
};

// What the Replays screen and the watching of a kept replay keep between frames.
struct ReplaysScreenState {
    std::vector<KeptReplayRow> rows;     // newest first
    std::string recordsProblem;          // why the records could not be read, or ""
    int32_t cursor = 0;                  // row under the cursor
    int32_t top = 0;                     // first row shown
    int32_t deleteAsked = -1;            // row whose delete waits for its confirming press
    std::string message;                 // the last thing the screen said (why not, done)
    bool watching = false;               // the run in gameplay is a kept replay being watched
    int32_t speed = 1;                   // steps per due step while watching: 1, 2 or 4
    bool speedKeyWasDown = true;         // the fast forward key was down in the last frame
    int32_t shipBeforeWatching = 0;      // the chosen ship, given back when watching ends
};

// The shell: which screen runs, its cursor and messages, the start options, pause and
// the overlay, and the hooks the simulator listens through.
struct Shell {
    ScreenId screen = ScreenId::None;    // the screen whose functions the engine calls
    int32_t chosenShip = 0;              // ship gameplay starts with
    int32_t selectionCursor = 0;         // ship under the cursor / setup row 0..8
    bool captureMode = false;            // setup screen waits for a key or button
    int lastHat = 0;                     // setup screen's previous hat value
    ScreenId controlsReturn = ScreenId::Selection;  // where leaving the controls setup goes
    int32_t menuCursor = 0;              // menu screen's row
    int32_t optionsCursor = 0;           // options screen's row
    int32_t recordsPage = 0;             // Records screen's page of ships
    RecordsText recordsText;             // what the Records screen shows
    int32_t practiceCursor = 0;          // Practice screen's row
    RecordsFile practiceRecords;         // the records the Practice screen reads
    std::vector<int32_t> bossFrames;     // timeline frames of the timeline's boss commands
    std::vector<PracticeEntry> practiceEntries;  // the rows for the ship chosen
    std::string practiceProblem;         // why the records could not be read, or ""
    int32_t practiceReturnFrame = -1;    // start frame a Practice run replaced; -1: none
    bool menuKeyWasDown = false;         // a pause key was down in the last selection frame
    bool settingsChanged = false;        // the Options screen changed a setting not yet written
    std::string setupMessage;            // setup screen's "Could not save: ..." line
    float setupMessageUntil = 0;         // engine time until which it is shown, seconds
    int32_t startFrame = 0;              // timeline frame every run begins with
    bool paused = false;                 // the run waits: no step runs
    float pausedAt = 0;                  // engine time the pause began, seconds
    bool pauseKeyWasDown = false;        // a pause key was down in the last gameplay frame
    std::string startOption, startValue; // --start-frame or --stage and its value, as given
    std::string startProblem;            // why a requested start frame was not taken
    bool overlay = false;                // F3: the debug overlay is drawn
    OverlayStats overlayStats;           // what the overlay measured
    int32_t frameStepLimit = 0;          // steps a display frame runs at most; 0: no limit
    std::string dataProblem;             // the game's files were not found: where and what to do
    std::string saveProblem;             // a file the game writes could not be written: why
    float saveProblemUntil = 0;          // engine time until which the strip shows it, seconds
    std::string padNote;                 // the pad came or went: what the left strip says
    float padNoteUntil = 0;              // engine time until which it shows; 0: while paused
    ReplaysScreenState replays;          // the Replays screen and watching from it
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
    Replay recorded;                     // the run recorded so far
    Replay played;                       // the run played back
    size_t playedRun = 0;                // playback cursor: run of `played.runs` ...
    uint32_t stepsIntoRun = 0;           // ... and steps of it already used
    size_t nextCheck = 0;                // next entry of `played.checks` to compare
    uint32_t desyncStep = 0;             // first step whose check value differed, 0 none
    uint64_t desyncRecorded = 0, desyncComputed = 0;  // the two values there
};

// Records of ended runs and their kept replays (app/run_records.cpp).
struct RunRecordsState {
    bool wanted = false;                 // runs end in the records (the game; the simulator with --home)
    RecordsPlace place;                  // where records and replays live; empty folder: nowhere
    std::string date;                    // every run's date (the simulator's --date); "": the clock's
    bool keeping = false;                // the run being recorded ends in the records
    bool invincibleSeen = false;         // F4 was on at some time in the run
    bool cleared = false;                // the timeline ended with no hostile Actor left
    int32_t ship = 0;                    // the run's ship ...
    std::string shipName;                // ... and its name, as the run began
    std::vector<std::optional<int64_t>> bestScores;  // per ship index: its best score, if any
    // Called after every change of the records or the kept replays (a run recorded, a
    // replay pinned or deleted); null on the desktop (the browser copies the folder into
    // the page's storage with it).
    void (*afterChange)() = nullptr;
};

// Reloading the definition files while the game runs (app/live_reload.cpp).
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

// The game's sound (app/sound.cpp): every sound block rendered once at load, the mixer
// that plays them, the sound clock and the volumes. Only the listener of the steps and
// the audio device's callback touch the mixer; the simulation never reads any of it.
struct SoundState {
    static constexpr int sampleRate = 48000;
    static constexpr int64_t samplesPerStep = sampleRate / 60;  // 800
    // Samples the effects and sound commands may render in all (64 MiB, 5.8 minutes);
    // sounds past it are silent.
    static constexpr size_t maxRenderedSamples = size_t{1} << 24;
    Mixer mixer{sampleRate};
    std::vector<std::vector<float>> samples;   // per sound block: the effects' rendered, others empty
    std::vector<int32_t> effectSounds;         // per effect name (app/sound.cpp): its sound, -1
    std::vector<int32_t> commandSounds;        // per Registries::soundCommandNames: its sound, -1
    std::vector<int32_t> commandTunes;         // the same: its tune (music block), -1
    MusicPlayer player{sampleRate};            // the tune playing, synthesized as it plays
    std::string tuneName;                      // its name (a reload goes on with it); "" none
    int64_t clock = 0;                         // sample time of the step being heard
    int master = 10, effects = 8, music = 6;   // volumes, 0..10
    bool muted = false;                        // --mute, M
    bool mutedByCommandLine = false;           // --mute decided `muted`: the file keeps its own
    bool mutedInFile = false;                  // the file's mute line, written back meanwhile
    std::string settingsPath;                  // where M writes the settings; "" not kept
    // Set by whoever opens the audio device: held around replacing the sounds at a load.
    void (*lockDevice)() = nullptr;
    void (*unlockDevice)() = nullptr;
};

// The window and drawing settings of the Options screen, as the settings file keeps them.
struct DisplaySettings {
    bool fullscreen = false;             // the window opens in fullscreen (--fullscreen wins)
    int scale = 1;                       // window size: 1 or 2 times the picture, 0 fit
    bool hitCircle = false;              // the ship's hit circle is drawn in every run
    ResolutionMode resolution = ResolutionMode::automatic;  // the window's drawing resolution
};

// Everything the screens keep.
struct AppState {
    Shell shell;
    ReplayState replay;                  // recording and playback of runs
    ReloadState reload;                  // reloading the definition files
    RunRecordsState records;             // the records of ended runs
    DrawCache drawCache;                 // turned Actor models kept between frames
    SoundState sound;                    // the effects and their mixer
    DisplaySettings display;             // fullscreen, window scale, hit circle
};

extern AppState app;

// Puts the screens' state back to its start value.
void resetAppState();
