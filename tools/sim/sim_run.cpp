// A run of the whole game on the headless engine, driven by quillfray-sim's options: the
// game's own start-up, then the chosen screen, the virtual clock and the scripted keys.
#include "tools/sim/sim_run.h"

#include "app/app.h"
#include "core/game_state.h"
#include "input/input.h"
#include "replay/replay_file.h"
#include "tools/sim/events_jsonl.h"
#include "tools/sim/state_json.h"
#include "tools/sim/virtual_clock.h"

#include <algorithm>
#include <string>
#include <utility>

namespace {

// Trace text is written out in pieces of about this size.
constexpr size_t traceFlushSize = size_t{1} << 20;

// The headless engine, carrying what the traced gameplay frame function needs.
class SimEngine : public HeadlessEngine {
public:
    std::FILE* traceFile = nullptr;    // where trace lines go; null: no trace
    std::string traceText;             // lines not yet written
    bool traceFailed = false;

    // Writes the pending trace lines.
    void flushTrace() {
        if (traceFile == nullptr || traceText.empty()) return;
        if (std::fwrite(traceText.data(), 1, traceText.size(), traceFile) != traceText.size())
            traceFailed = true;
        traceText.clear();
    }
};

// What the step listener does besides the game's own hearing of the events.
struct StepListening {
    bool gatherEvents = false;         // --events-jsonl
    bool mixSound = false;             // --wav
    std::vector<float> sound;          // the frames mixed so far
};
StepListening listening;

// After every gameplay and demo step: gathers its events and mixes one step of sound.
void listenToStep() {
    if (listening.gatherEvents) gatherStepEvents();
    if (!listening.mixSound) return;
    const size_t at = listening.sound.size();
    listening.sound.resize(at + 2 * static_cast<size_t>(SoundState::samplesPerStep));
    fillAudio(nullptr, listening.sound.data() + at,
              static_cast<int>(SoundState::samplesPerStep));
}

// Appends one trace line for the step that has just run.
void traceStep() {
    auto* engine = dynamic_cast<SimEngine*>(game.platform.engine);
    if (engine == nullptr || engine->traceFile == nullptr) return;
    appendTraceLine(engine->traceText);
    if (engine->traceText.size() >= traceFlushSize) engine->flushTrace();
}

// The name of the screen whose frame function is current.
std::string screenName(FrameFunc frame) {
    if (frame == &gameplayFrame) return "game";
    if (frame == &shipSelectionFrame) return "select";
    if (frame == &controlsSetupFrame) return "controls";
    if (frame == &menuFrame) return "menu";
    if (frame == &optionsFrame) return "options";
    if (frame == &recordsFrame) return "records";
    if (frame == &practiceFrame) return "practice";
    if (frame == &replaysFrame) return "replays";
    return "none";
}

// Drives the engine loop: enters the run's screen before the first display frame, then
// sets the clock and the keys of each display frame, and ends the loop after the last.
class RunDriver {
public:
    // A driver for the run the options describe; `replay` is the replay to play, if any.
    RunDriver(const SimOptions& options, Replay* replay, ScriptedJoystick& pad)
        : options_(options), pad_(pad), replay_(replay) {}

    // Called by the engine before each display frame; false ends the loop.
    bool beforeFrame(HeadlessEngine& engine) {
        if (calls_ == 0) enterRunScreen(engine);
        if (!refusal_.empty()) return false;
        if (options_.verify && options_.rerecord.empty() && app.replay.desyncStep != 0) {
            loopEndedByRun_ = true;  // verifying stops at the first desync
            return false;
        }
        const int32_t frame = calls_++;
        if (frame >= options_.frames) {
            if (options_.frames == 0) renderOnce(engine);
            loopEndedByRun_ = true;
            return false;
        }
        setClock(engine, frame);
        const FrameKeys frameKeys = keysOfFrame(options_.holds, frame);
        engine.keyHeld = frameKeys.held;
        engine.keyPressed = frameKeys.pressed;
        if (pad_.pad) setPad(frame);
        framesStarted_ = frame + 1;
        return true;
    }

    // Why the run was refused (a replay or a start frame that cannot be used), or empty.
    const std::string& refusal() const { return refusal_; }
    // Display frames the run let the engine go through.
    int32_t framesStarted() const { return framesStarted_; }
    // True when the run itself ended the engine loop after its last frame.
    bool loopEndedByRun() const { return loopEndedByRun_; }

private:
    // The scripted pad in display frame `frame`: standard buttons and axes as held, and its
    // raw button n the standard button n (A is raw button 0, as on SDL's virtual pads).
    void setPad(int32_t frame) {
        const FramePad now = padOfFrame(options_.holds, frame);
        for (size_t b = 0; b < now.buttons.size(); ++b) {
            pad_.padLatched[b] = pad_.padLatched[b] || (now.buttons[b] && !pad_.padButtons[b]);
            pad_.padButtons[b] = now.buttons[b];
        }
        pad_.buttons.assign(now.buttons.begin(), now.buttons.end());
        pad_.padAxes = now.axes;
    }

    // Seeds the random numbers, sets the ship and enters the requested screen, as a run
    // of the game would reach it; the clock starts here. A replay sets ship and random
    // numbers itself and starts on the game screen, unless its definition files differ.
    void enterRunScreen(HeadlessEngine& engine) {
        runStart_ = engine.time;
        if (replay_ != nullptr) {
            enterReplay();
            return;
        }
        if (!options_.startOption.empty()) {
            refusal_ = startFrameOf(options_.startOption, options_.startValue,
                                   app.shell.startFrame);
            if (!refusal_.empty()) return;
        }
        if (!options_.record.empty()) armRecording(options_.record);
        app.shell.chosenShip = options_.ship;
        game.rng.seed(options_.seed);
        switch (options_.screen) {
        case SimScreen::Game: enterGameplay(); break;
        case SimScreen::Select: enterShipSelection(); break;
        case SimScreen::Controls: enterControlsSetup(); break;
        case SimScreen::Menu:
        case SimScreen::Options:
        case SimScreen::Records:
        case SimScreen::Practice:
        case SimScreen::Replays:
            // Reached as the game reaches them: through the ship selection and the menu.
            enterShipSelection();
            enterMenu();
            if (options_.screen == SimScreen::Options) enterOptions();
            if (options_.screen == SimScreen::Records) enterRecords();
            if (options_.screen == SimScreen::Practice) enterPractice();
            if (options_.screen == SimScreen::Replays) enterReplays();
            break;
        }
    }

    // Plays the replay on the game screen (refused on other definition files unless
    // forced or recorded afresh), recording it afresh when asked.
    void enterReplay() {
        const std::string why = definitionsMismatch(*replay_);
        if (!why.empty() && !options_.force && options_.rerecord.empty()) {
            refusal_ = options_.replay + ": " + why;
            return;
        }
        preparePlayback(std::move(*replay_), options_.replay, false);
        if (!options_.rerecord.empty()) armRecording(options_.rerecord);
        enterGameplay();
    }

    // The screen as entered, drawn by its render function alone.
    static void renderOnce(HeadlessEngine& engine) {
        if (engine.renderFunc != nullptr) engine.renderFunc();
    }

    // The engine time of display frame `frame`: by default the latest time at which the
    // screen's catch-up loop runs exactly one more step, never earlier than the time
    // before; with --dt the run's start plus (frame + 1) x dt.
    void setClock(HeadlessEngine& engine, int32_t frame) {
        if (options_.dt) {
            engine.time = runStart_ + static_cast<double>(frame + 1) * *options_.dt;
            return;
        }
        const float next = timeForOneMoreStep(game.clock);
        engine.time = std::max(engine.time, static_cast<double>(next));
    }

    const SimOptions& options_;
    ScriptedJoystick& pad_;  // the scripted pad, when a hold is a pad's
    Replay* replay_ = nullptr;
    std::string refusal_;
    int32_t calls_ = 0;
    int32_t framesStarted_ = 0;
    double runStart_ = 0.0;
    bool loopEndedByRun_ = false;
};

}  // namespace

SimRunOutput runGame(const SimOptions& given, std::FILE* trace) {
    SimRunOutput out;
    SimOptions options = given;
    Replay replay;
    if (!options.replay.empty()) {
        std::string why;
        if (!readReplayFile(options.replay, replay, why)) {
            out.problemStatus = 2;
            out.problem = options.replay + ": " + why;
            return out;
        }
        options.frames = static_cast<int32_t>(replay.stepCount);
        options.screen = SimScreen::Game;
    }
    app.replay = ReplayState{};
    app.shell.startFrame = 0;
    app.shell.overlay = options.overlay;
    SimEngine engine;
    engine.traceFile = trace;
    // Not present unless a hold is a pad's: every joystick query then reads nothing.
    ScriptedJoystick noJoystick;
    noJoystick.present = noJoystick.pad = holdsPad(options.holds);
    RunDriver driver(options, options.replay.empty() ? nullptr : &replay, noJoystick);
    engine.beforeFrame = [&driver](HeadlessEngine& e) { return driver.beforeFrame(e); };

    PlatformHooks hooks;
    hooks.createEngine = [&engine]() -> Engine* { return &engine; };
    hooks.joystick = &noJoystick;
    hooks.showError = [](std::string_view text, std::string_view caption) {
        std::fprintf(stderr, "quillfray-sim: %.*s: %.*s\n", static_cast<int>(caption.size()),
                     caption.data(), static_cast<int>(text.size()), text.data());
    };
    if (!options.traceJson.empty()) app.shell.afterGameplayStep = &traceStep;
    listening = StepListening{!options.eventsJsonl.empty(), !options.wav.empty(), {}};
    if (listening.gatherEvents || listening.mixSound) app.shell.afterStepEvents = &listenToStep;
    app.sound.muted = options.mute;
    if (!options.home.empty()) {
        app.records.wanted = true;
        app.records.place.folder = options.home;
        app.records.date = options.date;
    }
    gameMain(options.levelFiles, hooks,
             options.home.empty() ? std::string() : options.home + "/quillfray.cfg");
    app.shell.afterGameplayStep = nullptr;
    app.shell.afterStepEvents = nullptr;
    out.sound = std::move(listening.sound);
    listening = StepListening{};
    engine.flushTrace();

    out.screen = screenName(engine.frameFunc);
    out.displayFrames = driver.framesStarted();
    out.programEnded = !driver.loopEndedByRun();
    out.title = engine.title;
    out.ops = engine.ops;
    out.traceWritten = !engine.traceFailed;
    const ReplayState& r = app.replay;
    if (!driver.refusal().empty()) {
        out.problemStatus = 2;
        out.problem = driver.refusal();
    } else if (r.desyncStep != 0 && options.rerecord.empty()) {
        out.problemStatus = 1;
        out.problem = options.replay + ": desync at step " + std::to_string(r.desyncStep) +
                            ": recorded check value " + std::to_string(r.desyncRecorded) +
                            ", computed " + std::to_string(r.desyncComputed);
    } else if (r.writeFailed) {
        out.problemStatus = 1;
        out.problem = "could not write the replay " + r.recordPath;
    }
    app.replay = ReplayState{};
    app.records = RunRecordsState{};
    app.shell.startFrame = 0;
    app.shell.practiceReturnFrame = -1;
    app.shell.overlay = false;
    game.invincible = false;
    app.shell.overlayStats = OverlayStats{};
    return out;
}
