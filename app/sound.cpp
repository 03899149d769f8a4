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

// The effect names the game looks up, in the order of app.sound.effectSounds.
enum class Effect : uint8_t {
    shot, shotHit, enemyDie, enemyDieLarge, graze, playerHit, bomb, power, bossAppear,
    bossFall, bossTimeout, stageStart, count
};

constexpr std::string_view effectNames[] = {
    "shot", "shot_hit", "enemy_die", "enemy_die_large", "graze", "player_hit", "bomb",
    "power", "boss_appear", "boss_fall", "boss_timeout", "stage_start"};
static_assert(std::size(effectNames) == static_cast<size_t>(Effect::count));

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

}  // namespace

void loadSounds() {
    const std::vector<SoundDef>& sounds = game.defs.soundRegistry;
    std::vector<int32_t> effects;
    for (std::string_view name : effectNames) {
        const int32_t found = findSound(game.defs, name);
        effects.push_back(found >= 0 && found < Mixer::maxSounds ? found : -1);
    }
    // Only the sounds the game can start are rendered: a level set of a thousand long
    // sounds costs neither the start-up's time nor gigabytes of samples.
    std::vector<std::vector<float>> samples(sounds.size());
    for (const int32_t id : effects) {
        if (id < 0) continue;
        auto& rendered = samples[static_cast<size_t>(id)];
        if (rendered.empty()) rendered = renderSound(sounds[static_cast<size_t>(id)].params,
                                                     SoundState::sampleRate);
    }

    SoundState& sound = app.sound;
    if (sound.lockDevice != nullptr) sound.lockDevice();
    sound.mixer = Mixer(SoundState::sampleRate);  // no voice plays the old samples on
    const size_t ruled = std::min(sounds.size(), static_cast<size_t>(Mixer::maxSounds));
    for (size_t i = 0; i < ruled; ++i)
        sound.mixer.setRules(static_cast<int>(i), rulesOf(sounds[i].params));
    sound.samples.swap(samples);
    sound.effectSounds.swap(effects);
    sound.clock = 0;
    applySoundVolumes();
    if (sound.unlockDevice != nullptr) sound.unlockDevice();
}  // the old samples go here, outside the device's lock

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
        const auto effect = static_cast<size_t>(effectOf(event));
        if (effect >= sound.effectSounds.size()) continue;
        const int32_t id = sound.effectSounds[effect];
        if (id < 0) continue;  // the level set has no sound of that name
        const std::vector<float>& samples = sound.samples[static_cast<size_t>(id)];
        sound.mixer.play(id, samples.data(), samples.size(), 1.0f, panOf(event), 1.0f,
                         sound.clock);
    }
    sound.clock += SoundState::samplesPerStep;
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
    app.sound.mixer.mix(std::span<float>(stereo, static_cast<size_t>(frames) * 2));
}
