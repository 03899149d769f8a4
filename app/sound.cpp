// The game's sound effects: every sound block rendered once when the definitions load,
// the step events turned into voices by the names the game looks up, and the audio
// device's callback that mixes them.
#include "app/app.h"

#include "audio/audio.h"
#include "defs/defs.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

// The effect names the game looks up, in the order of app.sound.effectSounds: those of
// the step events, then those of the screens (InterfaceSound).
enum class Effect : uint8_t {
    shot, shotHit, enemyDie, enemyDieLarge, graze, playerHit, bomb, power, bossAppear,
    bossFall, bossTimeout, stageStart, menuMove, menuChoose, count
};

constexpr std::string_view effectNames[] = {
    "shot", "shot_hit", "enemy_die", "enemy_die_large", "graze", "player_hit", "bomb",
    "power", "boss_appear", "boss_fall", "boss_timeout", "stage_start", "menu_move",
    "menu_choose"};
static_assert(std::size(effectNames) == static_cast<size_t>(Effect::count));

// The tune the ship selection screen plays.
constexpr std::string_view selectionTune = "select";

// The effect a step event sounds as.
Effect effectOf(const StepEvent& event) {
    switch (event.kind) {
    case StepEventKind::ShotFired: return Effect::shot;
    case StepEventKind::HitGiven: return Effect::shotHit;
    case StepEventKind::EnemyKilled:
        return event.value >= largeKillHp ? Effect::enemyDieLarge : Effect::enemyDie;
    case StepEventKind::Graze: return Effect::graze;
    case StepEventKind::PlayerHit: return Effect::playerHit;
    case StepEventKind::Bomb: return Effect::bomb;
    case StepEventKind::PowerAttack: return Effect::power;
    case StepEventKind::BossStart: return Effect::bossAppear;
    case StepEventKind::BossEnd: return event.value != 0 ? Effect::bossTimeout : Effect::bossFall;
    case StepEventKind::StageStart: return Effect::stageStart;
    case StepEventKind::SoundCommand:
    case StepEventKind::MusicCommand: break;  // by the name the command gives
    }
    return Effect::count;
}

// The pan of an event: its x across the playfield (0..1) as -1..1; bosses and stages,
// which have no place, sound from the centre.
float panOf(const StepEvent& event) {
    if (event.kind == StepEventKind::BossStart || event.kind == StepEventKind::BossEnd ||
        event.kind == StepEventKind::StageStart || !std::isfinite(event.x))
        return 0.0f;
    return std::clamp(event.x * 2.0f - 1.0f, -1.0f, 1.0f);
}

// The mixer's rules for a sound from its block.
SoundRules rulesOf(const SoundParams& params) {
    SoundRules rules;
    rules.minIntervalSamples =
        static_cast<int64_t>(std::lround(params.minInterval * SoundState::sampleRate));
    rules.voiceLimit = static_cast<int>(params.voiceLimit);
    rules.bus = Bus::effects;
    return rules;
}

// The sound of `name` when the mixer can play it, else -1.
int32_t playableSound(std::string_view name) {
    const int32_t found = findSound(game.defs, name);
    return found >= 0 && found < Mixer::maxSounds ? found : -1;
}

// Every music block made ready to play, in the order of the registry.
std::vector<Tune> makeTunes(const Registries& defs) {
    std::vector<Tune> tunes;
    tunes.reserve(defs.musicRegistry.size());
    for (const MusicDef& music : defs.musicRegistry) {
        Tune tune{MusicSequencer(music.song, SoundState::sampleRate), {}, {}};
        for (const MusicChannelDef& channel : music.channels) {
            const bool found = channel.sound >= 0 &&
                               static_cast<size_t>(channel.sound) < defs.soundRegistry.size();
            tune.instruments.push_back(found ? defs.soundRegistry[static_cast<size_t>(channel.sound)].params
                                             : SoundParams{});
            tune.silent.push_back(!found);
        }
        tunes.push_back(std::move(tune));
    }
    return tunes;
}

// Starts tune `index` of the registry (-1: stops the music), remembering its name so
// that a reload goes on with the tune of that name.
void playTune(int32_t index) {
    SoundState& sound = app.sound;
    const auto& music = game.defs.musicRegistry;
    const bool valid = index >= 0 && static_cast<size_t>(index) < music.size();
    sound.tuneName = valid ? music[static_cast<size_t>(index)].name : std::string();
    sound.player.play(valid ? index : -1);
}

// Starts a sound at the sound clock's time.
void playSound(int32_t id, float pan) {
    SoundState& sound = app.sound;
    if (id < 0 || static_cast<size_t>(id) >= sound.samples.size()) return;
    const std::vector<float>& samples = sound.samples[static_cast<size_t>(id)];
    sound.mixer.play(id, samples.data(), samples.size(), 1.0f, pan, 1.0f, sound.clock);
}

// The tune the last music command of the timeline before `frame` asks for (-1: none, or
// a stop).
int32_t tuneBefore(int64_t frame) {
    const auto& timeline = game.defs.timeline;
    const auto& tunes = app.sound.commandTunes;
    for (int64_t f = std::min<int64_t>(frame, static_cast<int64_t>(timeline.size())) - 1; f >= 0; --f) {
        const auto& commands = timeline[static_cast<size_t>(f)].commands;
        for (auto c = commands.rbegin(); c != commands.rend(); ++c) {
            if (c->word != CommandWord::Music || c->soundName == noSoundName) continue;
            if (c->soundName == musicStop || static_cast<size_t>(c->soundName) >= tunes.size())
                return -1;
            return tunes[static_cast<size_t>(c->soundName)];
        }
    }
    return -1;
}

// What a sound or music command's event asks for.
void hearCommand(const StepEvent& event) {
    SoundState& sound = app.sound;
    const auto name = static_cast<int32_t>(event.value);
    if (event.kind == StepEventKind::MusicCommand && name == musicStop) {
        playTune(-1);
        return;
    }
    if (name < 0 || static_cast<size_t>(name) >= sound.commandSounds.size()) return;
    if (event.kind == StepEventKind::SoundCommand)
        playSound(sound.commandSounds[static_cast<size_t>(name)], panOf(event));
    else
        playTune(sound.commandTunes[static_cast<size_t>(name)]);
}

}  // namespace

void loadSounds() {
    const Registries& defs = game.defs;
    const std::vector<SoundDef>& sounds = defs.soundRegistry;
    std::vector<int32_t> effects;
    for (std::string_view name : effectNames) effects.push_back(playableSound(name));
    std::vector<int32_t> commandSounds, commandTunes;
    for (const std::string& name : defs.soundCommandNames) {
        commandSounds.push_back(playableSound(name));
        commandTunes.push_back(findMusic(defs, name));
    }
    // Only the sounds the game can start are rendered, the effects first, and no more
    // than SoundState::maxRenderedSamples in all: a level set of a thousand long sounds
    // costs neither the start-up's time nor gigabytes. Instruments are synthesized as the
    // music plays.
    std::vector<std::vector<float>> samples(sounds.size());
    size_t budget = SoundState::maxRenderedSamples;
    for (auto* ids : {&effects, &commandSounds}) {
        for (int32_t& id : *ids) {
            if (id < 0) continue;
            const SoundParams& params = sounds[static_cast<size_t>(id)].params;
            auto& rendered = samples[static_cast<size_t>(id)];
            if (!rendered.empty()) continue;
            const size_t length = soundLengthSamples(params, SoundState::sampleRate);
            if (length > budget) {
                id = -1;  // silent: past the budget
                continue;
            }
            rendered = renderSound(params, SoundState::sampleRate);
            budget -= length;
        }
    }
    std::vector<Tune> tunes = makeTunes(defs);

    SoundState& sound = app.sound;
    if (sound.lockDevice != nullptr) sound.lockDevice();
    sound.mixer = Mixer(SoundState::sampleRate);  // no voice plays the old samples on
    const size_t ruled = std::min(sounds.size(), static_cast<size_t>(Mixer::maxSounds));
    for (size_t i = 0; i < ruled; ++i)
        sound.mixer.setRules(static_cast<int>(i), rulesOf(sounds[i].params));
    sound.samples.swap(samples);
    sound.effectSounds.swap(effects);
    sound.commandSounds.swap(commandSounds);
    sound.commandTunes.swap(commandTunes);
    sound.player.setTunes(std::move(tunes));
    sound.clock = 0;
    applySoundVolumes();
    // The tune of the name that played before goes on from its start.
    if (!sound.tuneName.empty()) playTune(findMusic(defs, sound.tuneName));
    if (sound.unlockDevice != nullptr) sound.unlockDevice();
}  // the old samples and tunes go here, outside the device's lock

void applySoundVolumes() {
    SoundState& sound = app.sound;
    sound.mixer.setMasterVolume(sound.master);
    sound.mixer.setEffectsVolume(sound.effects);
    sound.mixer.setMusicVolume(sound.music);
    sound.mixer.setMuted(sound.muted);
}

void hearStepEvents() {
    SoundState& sound = app.sound;
    for (const StepEvent& event : game.events.list) {
        if (event.kind == StepEventKind::SoundCommand || event.kind == StepEventKind::MusicCommand) {
            hearCommand(event);
            continue;
        }
        const auto effect = static_cast<size_t>(effectOf(event));
        if (effect < sound.effectSounds.size()) playSound(sound.effectSounds[effect], panOf(event));
    }
    sound.clock += SoundState::samplesPerStep;
}

void playInterfaceSound(InterfaceSound which) {
    SoundState& sound = app.sound;
    const Effect effect = which == InterfaceSound::choose ? Effect::menuChoose : Effect::menuMove;
    const auto at = static_cast<size_t>(effect);
    if (at >= sound.effectSounds.size()) return;
    if (sound.lockDevice != nullptr) sound.lockDevice();
    playSound(sound.effectSounds[at], 0.0f);
    if (sound.unlockDevice != nullptr) sound.unlockDevice();
}

void chooseScreenMusic() {
    const SoundState& sound = app.sound;
    int32_t tune = -1;
    if (app.shell.screen == ScreenId::Selection) {
        tune = findMusic(game.defs, selectionTune);
    } else if (app.shell.screen == ScreenId::Gameplay) {
        // A run that starts part-way plays the tune the timeline last asked for before.
        tune = tuneBefore(game.clock.timelineStart);
    }
    if (sound.lockDevice != nullptr) sound.lockDevice();
    playTune(tune);
    if (sound.unlockDevice != nullptr) sound.unlockDevice();
}

namespace {

// Holds the device's thread out of the mix, and lets it in again.
void lockSoundDevice() {
    if (Engine* engine = game.platform.engine) engine->Audio_Lock();
}
void unlockSoundDevice() {
    if (Engine* engine = game.platform.engine) engine->Audio_Unlock();
}

}  // namespace

void startSoundDevice(Engine& engine) {
    if (!engine.Audio_Start(fillAudio, nullptr)) return;  // silent: the engine said why
    app.sound.lockDevice = lockSoundDevice;
    app.sound.unlockDevice = unlockSoundDevice;
}

void stopSoundDevice(Engine& engine) {
    app.sound.lockDevice = nullptr;
    app.sound.unlockDevice = nullptr;
    engine.Audio_Stop();
}

void pauseSound(bool paused) {
    Engine* engine = game.platform.engine;
    if (engine != nullptr && app.sound.lockDevice != nullptr) engine->Audio_Pause(paused);
}

void fillAudio(void*, float* stereo, int frames) {
    if (stereo == nullptr || frames <= 0) return;
    SoundState& sound = app.sound;
    sound.mixer.mix(std::span<float>(stereo, static_cast<size_t>(frames) * 2), &sound.player);
}
