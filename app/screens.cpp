// The screen switch (frame and render functions replaced as a pair), the entries of every
// screen, and newGame, the reset that every entry into ship selection or gameplay performs.
#include "app/app.h"

#include "core/game_state.h"
#include "input/input.h"
#include "core/numbers.h"

namespace {

// Replaces both engine callbacks; the new render function draws the current frame.
void switchScreen(ScreenId screen, FrameFunc frame, FrameFunc render) {
    app.shell.screen = screen;
    // A finger steers and fires in a run only, and each screen begins with none.
    game.input.touch = TouchSteering{.plays = screen == ScreenId::Gameplay};
    Engine* engine = game.platform.engine;
    if (engine == nullptr) return;
    engine->System_SetState(HGE_FRAMEFUNC, frame);
    engine->System_SetState(HGE_RENDERFUNC, render);
}

// The Player a new game starts with: the chosen ship at the bottom centre, facing up.
Player startingPlayer() {
    Player p{};
    assignShip(p, app.shell.chosenShip);
    p.x = 0.5f;
    p.y = 1.25f;
    p.heading = num::pi;
    p.hitRadius = 0.008f;
    p.speed = 0.01f;
    p.shotCooldown = 0.0f;
    p.specialTimer = 0.0f;
    p.specialTimerFull = 300.0f;
    p.scoreMultiplier = 0.1f;
    p.disabledSteps = 0;
    p.targetBarFrames = 0;
    p.targetHp = 0.0f;
    p.targetHpMax = 0.0f;
    p.invulnerableSteps = 150;
    p.score = 0;
    return p;
}

}  // namespace

void enterShipSelection() {
    endReplayRun();
    // A run the Practice screen started leaves the start frame as it was before.
    if (app.shell.practiceReturnFrame >= 0) app.shell.startFrame = app.shell.practiceReturnFrame;
    app.shell.practiceReturnFrame = -1;
    switchScreen(ScreenId::Selection, shipSelectionFrame, shipSelectionRender);
    newGame();
    app.shell.selectionCursor = app.shell.chosenShip;
    refreshBestScores();
    chooseScreenMusic();
}

void enterGameplay() {
    switchScreen(ScreenId::Gameplay, gameplayFrame, gameplayRender);
    // A focus lost before the run began does not pause it.
    if (game.platform.engine != nullptr) game.platform.engine->System_FocusLost();
    beginReplayRun();
    newGame();
    chooseScreenMusic();
}

void enterMenu() { switchScreen(ScreenId::Menu, menuFrame, menuRender); }

void enterOptions() { switchScreen(ScreenId::Options, optionsFrame, optionsRender); }

void enterRecords() {
    loadRecordsText();
    switchScreen(ScreenId::Records, recordsFrame, recordsRender);
}

void enterPractice() {
    preparePractice();
    switchScreen(ScreenId::Practice, practiceFrame, practiceRender);
}

void enterReplays() {
    endReplayRun();
    ReplaysScreenState& replays = app.shell.replays;
    if (replays.watching) {
        app.shell.chosenShip = replays.shipBeforeWatching;
        // The actions as the keys hold them now: Fire held from watching is no new press.
        readInput();
    }
    replays.watching = false;
    // The watched run's last picture stays in the world (its state is the replay's end);
    // ship selection empties it.
    if (app.shell.paused) pauseSound(false);
    app.shell.paused = false;
    loadReplayRows();
    switchScreen(ScreenId::Replays, replaysFrame, replaysRender);
}

void leaveRun() {
    if (app.shell.replays.watching) {
        enterReplays();
    } else if (app.shell.practiceReturnFrame >= 0) {
        // A Practice run goes back to the Practice screen, its start frame still replaced.
        endReplayRun();
        newGame();
        enterPractice();
    } else {
        enterShipSelection();
    }
}

void enterControlsSetup(ScreenId returnTo) {
    app.shell.controlsReturn = returnTo;
    game.input.bindingsOnEntry = game.input.bindingTable;
    game.clock.frameCounter = 0;
    app.shell.selectionCursor = 0;
    app.shell.captureMode = false;
    app.shell.lastHat = 0;
    app.shell.setupMessage.clear();
    switchScreen(ScreenId::Controls, controlsSetupFrame, controlsSetupRender);
}

void leaveControlsSetup() {
    switch (app.shell.controlsReturn) {
    case ScreenId::Menu: enterMenu(); break;
    case ScreenId::Options: enterOptions(); break;
    default: enterShipSelection(); break;
    }
}

void newGame() {
    World& world = game.world;
    world.actors.clear();
    world.emitters.clear();
    world.players.clear();
    world.bossBars.clear();
    if (app.shell.paused) pauseSound(false);
    app.shell.paused = false;

    // The exit action keeps its state, so that an exit press that just left a screen is
    // not seen again as a new press by the selection screen.
    InputState& input = game.input;
    for (int k = 0; k < static_cast<int>(Held::exit); ++k) {
        input.actionHeld[static_cast<Held>(k)] = 0;
        input.actionEdge[static_cast<Held>(k)] = 0;
    }

    layOutStars();

    Clock& clock = game.clock;
    clock.clockStart = game.platform.engine != nullptr ? game.platform.engine->Timer_GetTime() : 0.0f;
    clock.frameCounter = 0;
    clock.holdCounter = 0;
    clock.holdLength = 0;
    clock.holdTotal = 0;
    clock.holdActive = false;
    clock.timelineStart =
        app.replay.playing ? app.replay.played.startFrame : app.shell.startFrame;

    world.players.push_back(startingPlayer());
}
