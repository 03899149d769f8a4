// The game shell: program start-up and shut-down, every screen (ship selection with its
// demo, controls setup, gameplay) with its frame and render functions, the fixed-step
// loop, drawing, and the status line. The only layer that switches screens and talks to
// the engine's window.
#pragma once

#include "app/app_state.h"
#include "platform/platform.h"
#include "sim/sim.h"  // the step, the player ship and the stage, which the screens drive

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

struct Clock;
struct Replay;

// The picture every screen draws, in pixels; the window scales it.
constexpr int pictureWidth = 800, pictureHeight = 600;

// ---------------------------------------------------------------- startup.cpp

// The whole program: loads definitions, runs the engine, shuts down. Returns 0, 1 when
// the window cannot be opened, 2 when a replay to play does not fit the files.
// `controlsFile` is the controls file to read and save (the user's own or --config); empty:
// quillfray.cfg in the data folder (game.dataDir, else the working directory).
int gameMain(std::span<const std::string> levelFiles, const PlatformHooks& hooks,
             const std::string& controlsFile = {});
// The user's own controls file: $XDG_CONFIG_HOME/quillfray/quillfray.cfg, or
// $HOME/.config/quillfray/quillfray.cfg when XDG_CONFIG_HOME is unset or not an absolute
// path; empty when neither names a folder.
std::string userControlsPath(const char* xdgConfigHome, const char* home);

// ---------------------------------------------------------------- screens.cpp

// Ship selection with the demo behind it; the cursor starts on the ship last chosen.
void enterShipSelection();
// Switches to gameplay with `chosenShip` (runs newGame).
void enterGameplay();
// Controls setup: the demo's Actors stay in memory, neither updated nor drawn; Escape
// there puts back the bindings kept here. Leaving it goes back to `returnTo` (the ship
// selection, the menu or the Options screen).
void enterControlsSetup(ScreenId returnTo = ScreenId::Selection);
// Back from the controls setup to the screen it was entered from.
void leaveControlsSetup();
// The menu screen, its cursor where it was; the demo's Actors stay as on the controls setup.
void enterMenu();
// The Options screen, its cursor where it was (the menu puts it on the first row).
void enterOptions();
// The Records screen on the page of the chosen ship, its records read once here.
void enterRecords();
// The Practice screen for the chosen ship on its first row: the records read and the
// timeline's boss frames found once here.
void enterPractice();
// The Replays screen, its list read afresh and its cursor where it was; a replay being
// watched ends (the ship chosen before it is chosen again).
void enterReplays();
// A run leaves gameplay (Escape, the end of a replay watched): for the Replays screen
// when it was a kept replay being watched, the Practice screen when Practice started
// it, else for ship selection.
void leaveRun();
// Empties the playfield, restarts the clock and builds the one Player afresh.
void newGame();

// ---------------------------------------------------------------- gameplay.cpp

// Frame function of gameplay: R restart, then the catch-up loop of steps (at most
// app.shell.frameStepLimit steps due; a replay watched at x2 or x4 runs 2 or 4 for each).
bool gameplayFrame();
// The engine time after which step `step` is due: clockStart + step x stepLength, summed
// in double from the float clock values.
double stepDueTime(const Clock& clock, int32_t step);
// True when the catch-up loop, standing at the clock's frameCounter, runs a step at
// engine time `time`: strictly after the step's due time.
bool stepDueAt(const Clock& clock, float time);
// True while the engine clock is ahead of the fixed steps run since newGame.
bool stepDue();
// One gameplay step; false when the exit action has just left gameplay, so that the
// frame function returns at once and no further step of this display frame runs.
bool gameplayStep();
// The joystick layer's update of a step, with hot-plug (pollPads).
void pollJoystick();
// After every gameplay and demo step: the step's events go to hearStepEvents, then to
// app.shell.afterStepEvents.
void passStepEvents();

// ---------------------------------------------------------------- sound.cpp

// Kills of Actors spawned with at least this hp (maxhp) sound as "enemy_die_large",
// smaller ones as "enemy_die".
constexpr float largeKillHp = 50.0f;

// After every load of the definitions: finds the sounds of the effect names and of the
// sound commands and renders each of them once at 48 kHz, makes every tune ready to play,
// sets the mixer's rules per sound (interval, voice limit) and starts the sound clock
// afresh. Every voice stops and a tune that played starts again by its name; the swap runs
// inside app.sound.lockDevice/unlockDevice when they are set.
void loadSounds();
// Hands the volumes and mute of app.sound to the mixer.
void applySoundVolumes();
// The step listener: starts the voice of each of game.events' effects and sound commands
// (a missing name is silent), panned by its x, at the sound clock's time, and the tune a
// music command names; then moves the clock on one step (800 samples). Never blocks or
// calls the device, so the caller may hold its lock.
void hearStepEvents();
// The audio device's callback: mixes the game's voices into `frames` interleaved stereo
// frames at 48 kHz. Call it with the device's lock held; `user` is not used.
void fillAudio(void* user, float* stereo, int frames);
// The sounds of the screens' own moves: a cursor moving, a choice made.
enum class InterfaceSound : uint8_t { move, choose };
// Plays "menu_move" or "menu_choose" (when the level set has them) from the middle.
void playInterfaceSound(InterfaceSound which);
// Plays the tune of the screen just entered: "select" on the ship selection; in a run,
// the tune of the timeline's last music command before the run's first frame (none
// when the run starts at the beginning: its first frames ask for their own).
void chooseScreenMusic();
// Opens the engine's audio device on fillAudio; without a device the game plays on
// silently (the engine says why on stderr).
void startSoundDevice(Engine& engine);
// Closes the device; the step listener no longer takes its lock.
void stopSoundDevice(Engine& engine);
// Holds the device still while a run is paused (or the window lost its focus), or lets
// it play on.
void pauseSound(bool paused);

// ---------------------------------------------------------------- pause.cpp

// Whether a pause key (P, Pause, or one bound to the pause action) is down, or went down
// within this display frame.
bool pauseKeyDown(Engine& engine);
// The gameplay frame's pause handling, before any step: true when this frame runs no step
// (the pause began or ended, or the run is paused; Escape then still leaves the run).
bool pauseFrame(Engine& engine);
// True while a display frame that has run `stepsRun` steps due runs another (a step is
// due, the frame's limit not reached); at the limit the step clock skips on to now.
bool frameStepDue(int32_t stepsRun);
// Pauses the run as the pause key does (no step runs until it is resumed).
void pauseRun();

// ---------------------------------------------------------------- pads.cpp

// Hands the joystick layer the pad mappings of gamecontrollerdb.txt in the data folder and
// in `userFolder` (if not empty), then of SDL_GAMECONTROLLERCONFIG; bad lines are skipped
// with a few warnings on stderr.
void loadPadMappings(Joystick& joystick, const std::string& userFolder);
// Opens the first pad that opens, else the first joystick that does; false when none
// does.
bool openFirstJoystick(Joystick& joystick);
// Hot-plug, once per step or paused frame: refreshes the joystick layer, takes up a
// joystick plugged in since, and lets go of the open one once unplugged; unplugging it
// during a run pauses the run and says so in the left strip.
void pollPads();
// A short rumble of the open pad when the step's events hit the player and rumble is on.
void rumbleOnHit();

// ---------------------------------------------------------------- model_draw.cpp

// Draws a Model placed in world units on the playfield; y grows downwards.
void drawModelInPlayfield(float x, float y, float rotation, float scale, int32_t model);
// Draws a Model placed in pixels anywhere on the screen (scale in pixels per unit).
void drawModelOnScreen(float px, float py, float rotation, float scale, int32_t model);
// Draws the Actors' Models from the last Actor to the first, using the turned line ends
// kept in app.drawCache for every Actor whose Model, rotation and scale are unchanged.
void drawActorsInPlayfield();

// ---------------------------------------------------------------- gameplay_render.cpp

// Render function of gameplay: the whole picture from scratch; always false.
bool gameplayRender();

// ---------------------------------------------------------------- playfield_draw.cpp

// The two white lines at the playfield's left and right edges.
void drawPlayfieldBorder(Engine& engine);
// Actors from the last to the first (earlier ones end up on top), then the Players from
// the last to the first, each hidden while disabled and blinking while invulnerable.
void drawPlayfieldObjects();

// ---------------------------------------------------------------- overlay.cpp

// F3 toggles the overlay, F4 invincibility and M mute, by the key pressed in this display
// frame.
void handleOverlayKeys(Engine& engine);
// Notes one gameplay step's duration and the work it spent, for the figures and graph.
void noteOverlayStep(double seconds);
// With the overlay on: hit circles and the player's hit radius; with the hit circle
// setting on, the player's hit radius alone (inside playfield clipping).
void drawOverlayCircles();
// With the overlay on: the right strip's figures and step graph (resets the clipping).
void drawOverlayFigures();

// ---------------------------------------------------------------- ship_selection.cpp

// Frame function of the ship selection screen: the demo's catch-up loop, up to the
// frame's limit of steps. True only when the exit action ends the program.
bool shipSelectionFrame();
// Render function of the ship selection screen; always false.
bool shipSelectionRender();

// ---------------------------------------------------------------- menu.cpp

// The ship selection's menu key: a pause key going down (P, Pause, the pause action).
bool menuKeyPressed(Engine& engine);
// On the ship selection: when the menu key went down, keeps the ship under the cursor as
// the chosen one and opens the menu on its first row. True when it did.
bool openMenuIfAsked(Engine& engine);
// What the start of a menu screen's frame found.
enum class MenuInput : uint8_t {
    proceed,   // go on with the screen's own keys
    reloaded,  // the files were reloaded: the frame ends here
    back,      // Escape or Bomb went down: the screen goes back
};
// The start of every menu screen's frame: a reload when one is asked for, the actions
// read, M, and whether Escape or Bomb went down.
MenuInput readMenuInput();
// Begins the picture of a screen that fills the window (the menu's screens and the
// controls setup): the scene begun, unclipped and cleared. Null without an engine.
Engine* beginScreenPicture();
// Frame function of the menu screen; true only when Exit ends the program.
bool menuFrame();
// Render function of the menu screen; always false.
bool menuRender();

// ---------------------------------------------------------------- options.cpp

// Frame function of the Options screen; always false.
bool optionsFrame();
// Render function of the Options screen; always false.
bool optionsRender();

// ---------------------------------------------------------------- records_screen.cpp

// The Records screen's text for `records` of the level set `levelSet`: its file names, per
// ship of `shipNames` its ten best scores (date, stage reached, replay kept) and the totals
// (time played as h:mm:ss from steps at 60 a second).
RecordsText recordsText(const RecordsFile& records, std::span<const ReplayDefinition> levelSet,
                        std::span<const std::string> shipNames);
// Builds the Records screen's text from the loaded level set's records (or says why there
// are none) and turns to the page of the chosen ship.
void loadRecordsText();
// Ships one page of the Records screen shows (at least 1).
int32_t recordsShipsPerPage();
// Frame function of the Records screen; always false.
bool recordsFrame();
// Render function of the Records screen; always false.
bool recordsRender();

// ---------------------------------------------------------------- practice.cpp

// The timeline frames of the boss commands in the loaded timeline, in order.
std::vector<int32_t> timelineBossFrames();
// The Practice rows of `ship`: stage 1 and every later stage its runs reached, then every
// boss whose frame (of `bossFrames`) a run of it began at or before and reached, starting
// 300 frames before the boss command (not before its stage's first frame).
std::vector<PracticeEntry> practiceEntries(const RecordsFile& records, int32_t ship,
                                           std::span<const int32_t> bossFrames);
// Reads the records and the boss frames for the Practice screen, its cursor on the first
// row of the chosen ship.
void preparePractice();
// Frame function of the Practice screen; always false.
bool practiceFrame();
// Render function of the Practice screen; always false.
bool practiceRender();
// ---------------------------------------------------------------- replays_screen.cpp

// The kept replays of the loaded level set into the Replays screen's rows, newest first,
// each file read to find what keeps it from being watched; the cursor stays in the list.
void loadReplayRows();
// Frame function of the Replays screen; always false.
bool replaysFrame();
// Render function of the Replays screen; always false.
bool replaysRender();
// While watching: the Fire action going down cycles the speed x1, x2, x4.
void handleWatchKeys();
// Steps a gameplay display frame runs for each step due: the watching speed, else 1.
int32_t stepsPerDueStep();
// After `steps` steps run for one step due, `dueBefore` being when the next one would
// have fallen due at x1: the step clock moves back by the extra steps, so it falls due then.
void settleFastForward(int32_t steps, double dueBefore);
// While watching: the speed after REPLAY (drawn at y in the left strip), step / total below.
void drawWatchingLines(float y);

// ---------------------------------------------------------------- controls_setup.cpp

// Frame function of the controls setup screen, once per display frame; always false.
bool controlsSetupFrame();
// Render function of the controls setup screen; always false.
bool controlsSetupRender();

// ---------------------------------------------------------------- live_reload.cpp

// Notes the change times of the files just loaded, so that --watch sees later changes.
void noteDefinitionFiles();
// What the checker reports for base.vec, font.vec and the level files (default.lev when
// there are none) in the game's data folder, as `file:line:column: warning: ...` lines;
// the game state is untouched.
std::string checkReport(std::span<const std::string> levelFiles);
// Ends any replay run and loads base.vec, font.vec and the level files afresh, as
// start-up does; they become the files later reloads read. The screen stays as it was.
void replaceDefinitions(std::vector<std::string> levelFiles);
// Loads every definition file again as start-up does, reports what the checker finds,
// and restarts the screen (a run at the first frame of its stage, or at its own start
// frame when that lies in the stage); false, keeping the
// running definitions, when a file that had text cannot be read now.
bool reloadDefinitions();
// The frame's reload check: F5, or with --watch a changed file (looked at a few times a
// second). True when the definitions were loaded again (the screen may have changed).
bool reloadIfAsked();
// The last report in the right strip for a few seconds after it: as many warnings as fit
// (notes how many), and the hint that F6 shows the next ones.
void drawReloadMessages();
// At start-up: the game's files missing (stderr and the left strip), else what the
// checker finds in them (stderr and the right strip), as a reload reports it.
void reportStartupProblems();

// ---------------------------------------------------------------- replay.cpp

// A fingerprint of the state after a step: the first Player, the Actor count, the
// generator and the step counter.
uint64_t replayCheckValue();
// Arms a recording of the next run into `path`.
void armRecording(const std::string& path);
// Plays `replay` (read from `path`) in the next run that enters gameplay; at its end the
// game goes back to ship selection when `returnToSelection`, else it stops stepping.
void preparePlayback(Replay replay, const std::string& path, bool returnToSelection);
// Empty when the loaded definition files are those the replay was recorded with, else
// the reason it was not, naming the first file that differs.
std::string definitionsMismatch(const Replay& replay);
// The run entering gameplay starts (enterGameplay and R, before their newGame): playback
// or an armed recording begins, and a run played is recorded for the records.
void beginReplayRun();
// The gameplay step's input: the keys, or the played-back bits (Escape stays the
// keyboard's); a recording notes what the step got.
void sampleStepInput();
// After a whole gameplay step: a recording keeps its check values, playback compares them.
void afterReplayStep();
// True while a replay plays and all its steps have run.
bool playbackFinished();
// The run ends (Escape, R, the end of a replay or of the program): a recording is written,
// a run played ends in the records (recordEndedRun), playback stops.
void endReplayRun();

// ---------------------------------------------------------------- run_records.cpp

// Where records and replays live: $XDG_DATA_HOME/quillfray, or
// $HOME/.local/share/quillfray when XDG_DATA_HOME is unset or not an absolute path; empty
// when neither names a folder.
std::string userDataFolder(const char* xdgDataHome, const char* home);
// True when the timeline has ended and no hostile Actor (owner 0) is on the playfield.
bool playfieldClear();
// Reads the best score of every ship of the loaded level set into app.records.bestScores.
void refreshBestScores();
// A run recorded for the records begins: its ship, and whether F4 is on.
void beginRecordedRun();
// After every gameplay step of such a run: notes F4 and whether the playfield is clear.
void noteRecordedStep();
// The run has ended: appends its record and keeps its replay (a run of no steps is not
// kept); a problem is said on stderr and in the left strip. The best scores are read again.
void recordEndedRun();
// The records of the loaded level set (empty when none are kept); `why` says why the
// file could not be read.
RecordsFile loadedRecords(std::string& why);
// Pins or unpins the kept replay `replayName` of the loaded level set; "" or why not.
std::string pinKeptReplay(const std::string& replayName, bool pinned);
// Deletes the kept replay `replayName` of the loaded level set (its run stays in the
// records; the best scores are read again); "" or why not.
std::string deleteKeptReplay(const std::string& replayName);

// ---------------------------------------------------------------- start_frame.cpp

// The timeline frame that `--start-frame VALUE` or `--stage VALUE` (stages counted from 1
// in load order) names in the loaded level; empty when it names one, else why not.
std::string startFrameOf(std::string_view option, std::string_view value, int32_t& frame);
// Why `--start-frame VALUE` or `--stage VALUE` is a wrong command line (VALUE is not a
// whole number), or "" (the level decides the rest).
std::string startValueProblem(std::string_view option, std::string_view value);

// ---------------------------------------------------------------- sound_settings.cpp

// The settings file's word for a drawing resolution: auto, full or native-800x600.
std::string_view resolutionWord(ResolutionMode mode);
// The drawing resolution the settings file's word names; false (mode unchanged) if none.
bool resolutionFromWord(std::string_view word, ResolutionMode& mode);
// quillfray-settings.cfg in the folder of the controls file `controlsPath`.
std::string settingsPathBeside(const std::string& controlsPath);
// Reads the settings file at `path` (lines `volume master N`, `volume effects N`,
// `volume music N` with N 0..10, `mute 0|1`, `fullscreen 0|1`, `scale 1|2|fit`,
// `resolution auto|full|native-800x600`, `hitcircle 0|1`); a missing or unreadable file, other lines and bad values leave the
// settings as they were.
void readSettingsFile(const std::string& path);
// Writes the settings to `path` atomically, keeping the file's other lines (its folder made
// if missing); while --mute decides the mute, the file keeps its own. Returns "" or the
// reason it failed.
std::string writeSettingsFile(const std::string& path);
// M (by the key pressed in this display frame) toggles mute, unless the controls bind M
// to an action; the settings are then saved.
void handleMuteKey(int key);
// Writes the settings to app.sound.settingsPath when it is set, a failure said on stderr
// and in the left strip.
void saveSettings();

// ---------------------------------------------------------------- strip_notes.cpp

// From y down the left strip: the game's files missing, PRACTICE in a run that did not
// start at the level's first frame, a run cleared (its score against
// the ship's best), INVINCIBLE while F4 is on, MUTED while muted, and a replay, the
// records or the settings that could not be written (a few seconds); returns the y below
// them.
float drawStripNotes(float y);
// Below the selection screen's key hints: the key that starts a run, the menu key, and
// the name and best score of the ship under the cursor; returns the y below them.
float drawSelectionRecordLines(float y);
// The name of the button a pad that is open has for `action` (A, Start), else of the first
// key (else joystick button) bound to it; `fallback` when none.
std::string firstBindingName(Action action, std::string_view fallback);
// Shows in the left strip for a few seconds that a file the game writes (a replay, the
// settings) could not be written, and why.
void noteSaveProblem(std::string text);

// ---------------------------------------------------------------- status_line.cpp

// Writes the status line into the window title (nothing without an engine).
void showStatusLine();
// The status line: fps / actors / frameCounter / multiplier x 1000, then / percent while
// the window draws below its full resolution.
std::string statusLine();

// ---------------------------------------------------------------- world_check.cpp

// The first broken invariant of the world between two steps (lists within their caps,
// indices in range, no script still running), or an empty string when all hold.
std::string worldProblem();
