// The mixer: a fixed set of voices, each playing a rendered sound owned elsewhere, summed
// into interleaved stereo under master, effects and music volumes and a soft limiter.
// Nothing it does while mixing allocates, locks or logs.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

// The volume a voice answers to besides the master volume.
enum class Bus : uint8_t { effects, music };

// How the mixer treats repeated starts of one sound.
struct SoundRules {
    int64_t minIntervalSamples = 1600;  // a start sooner than this after the last is dropped
    int voiceLimit = 4;                 // beyond it the sound's oldest voice is replaced
    Bus bus = Bus::effects;
};

// What the mixer asks for the music while it mixes: the next frames, added into the
// music bus (interleaved stereo) before the bus volume and the limiter.
class MusicSource {
public:
    virtual ~MusicSource() = default;
    // Adds the next `frames` frames into `stereo`.
    virtual void addTo(float* stereo, size_t frames) = 0;
};

// What play did with a start.
enum class PlayResult : uint8_t { started, dropped };

class Mixer {
public:
    static constexpr int voiceCount = 32;
    // Sound ids run from 0 to maxSounds - 1; a start with any other id is dropped.
    static constexpr int maxSounds = 512;
    // Playback rates are held to this range (1: as rendered).
    static constexpr float minRate = 1.0f / 16.0f;
    static constexpr float maxRate = 16.0f;
    // The limiter passes anything below this level untouched and bends what is above it
    // smoothly, so that the loudest frame comes out at 0.875.
    static constexpr float limiterKnee = 0.75f;
    // Frames over which a replaced or stopped voice fades out (1.3 ms at 48 kHz), so that
    // stealing makes no click.
    static constexpr uint32_t fadeFrames = 64;

    // A mixer at `sampleRate` frames per second (held to minSampleRate..maxSampleRate) with
    // every sound on default rules (an interval of 1/30 s, four voices, the effects bus).
    explicit Mixer(int sampleRate = 48000);

    // Sets how starts of `soundId` are treated (ids out of range are ignored).
    void setRules(int soundId, const SoundRules& rules);
    // Starts `count` mono samples (owned by the caller, alive while the voice plays) at
    // `gain` (0..4), `pan` (-1 left .. 1 right, equal power) and playback `rate`, at time
    // `nowSamples` of the caller's clock. Dropped when the sound started less than its
    // minimum interval ago. Else it replaces the sound's oldest voice when the sound
    // already has its voice limit of voices, or takes a free voice; with all voices busy
    // it takes the voice with the fewest frames left to play (the oldest among equals).
    // What a replaced voice played fades out over fadeFrames instead of stopping dead.
    PlayResult play(int soundId, const float* samples, size_t count, float gain, float pan,
                    float rate, int64_t nowSamples);
    // Writes the next frames of all voices and of `music` (if any) into
    // `interleavedStereo` (left, right, ...; an odd last value is set to 0), overwriting
    // what was there. Volume changes glide over the block; the output always lies within -1..1.
    void mix(std::span<float> interleavedStereo, MusicSource* music = nullptr);
    // Stops every voice (fading out over fadeFrames).
    void stopAll();
    // Stops the voices of one bus (the music when a tune ends), fading them out.
    void stopBus(Bus bus);

    // Volumes 0..10 (others are clamped); the gain is the square of a tenth of the level.
    void setMasterVolume(int level);
    void setEffectsVolume(int level);
    void setMusicVolume(int level);
    // Mute silences everything, keeping the volumes.
    void setMuted(bool muted);
    // Voices playing now.
    int activeVoices() const;
    // Voices playing `soundId` now.
    int voicesOf(int soundId) const;

private:
    struct Voice {
        const float* samples = nullptr;
        size_t count = 0;
        uint64_t position = 0;  // frames into the samples, 32.32 fixed point
        uint64_t step = 0;      // position added per output frame, 32.32 fixed point
        float left = 0, right = 0;
        int soundId = -1;
        uint64_t order = 0;     // when it started, in starts since the mixer was made
        Bus bus = Bus::effects;
        bool active = false;
        uint32_t fadeLeft = 0;  // a fading tail: frames until it is silent
    };
    // Frames processed in one pass through the voices.
    static constexpr size_t chunkFrames = 256;

    // Frames voice `v` still has to play at its rate.
    static uint64_t framesLeft(const Voice& v);
    // Adds `frames` frames of voice `v` into `bus` (interleaved), ending it when done.
    static void addVoice(Voice& v, float* bus, size_t frames);
    // Adds the next frames of a fading tail, its gain falling to 0 at the fade's end.
    static void addFading(Voice& v, float* bus, size_t frames);
    // Moves what voice `index` plays into its fading tail.
    void fadeOut(size_t index);
    // The combined gain of a bus from the volumes and mute.
    float busGain(Bus bus) const;

    std::array<Voice, voiceCount> voices_{};
    std::array<Voice, voiceCount> fading_{};  // fading_[k]: what voice k played before
    std::array<SoundRules, maxSounds> rules_{};
    std::array<int64_t, maxSounds> lastStart_{};
    std::array<bool, maxSounds> started_{};
    std::array<float, 2 * chunkFrames> effectsBus_{};
    std::array<float, 2 * chunkFrames> musicBus_{};
    uint64_t starts_ = 0;
    int master_ = 10, effects_ = 10, music_ = 10;
    bool muted_ = false;
    float effectsGain_ = 1, musicGain_ = 1;  // the gains the last block ended on
    float limiterEnvelope_ = 0;
    float releaseCoefficient_ = 0.99f;  // the envelope's fall per frame
};
