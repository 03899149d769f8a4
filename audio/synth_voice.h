// One running voice of the effect synthesizer: the oscillator, envelope and filters of a
// sound block stepped one sample at a time. renderSound runs one to the end at load; the
// music player runs one per channel while it plays, each note at its own pitch.
#pragma once

#include "audio/sound_params.h"
#include "core/rng.h"

#include <cstddef>
#include <cstdint>

class SynthVoice {
public:
    // Starts the (clamped) sound at `sampleRate` (held to minSampleRate..maxSampleRate), at
    // `freq` Hz instead of its own start frequency when `freq` is above 0. A voice started
    // with `holdSamples` is a note: it fades in over a millisecond and is released over
    // noteReleaseSeconds once that many samples have played, unless its envelope ends first.
    void start(const SoundParams& params, int sampleRate, double freq = 0,
               int64_t holdSamples = -1);
    // Goes on at `freq` Hz without a new attack (a note tied to another pitch), held
    // `holdSamples` more samples from now.
    void glide(double freq, int64_t holdSamples);
    // Starts the release now (a note cut by the next, a tune stopped).
    void release();
    // The next sample within -1..1; 0 once the voice has ended.
    float next();
    // Whether the voice still sounds.
    bool active() const { return active_; }

    // How long a released note takes to fall silent, in seconds.
    static constexpr double noteReleaseSeconds = 0.005;

private:
    // A state-variable low-pass (trapezoidal integration, stable up to Nyquist).
    struct LowPass {
        double a1 = 0, a2 = 0, a3 = 0, ic1 = 0, ic2 = 0;
        // Sets the coefficients for `cutoff` Hz at `rate` with damping k (2: none, small: ringing).
        void tune(double cutoff, int rate, double k);
        // The next low-passed sample.
        double next(double x);
    };
    // Back to the sound's start pitch, slide, duty and arpeggio (the start and each repeat).
    void resetPitch();

    SoundParams p_{};             // clamped; freq is the pitch being played
    int rate_ = 48000;
    double dt_ = 0, highest_ = 0, damping_ = 2;
    size_t attack_ = 0, sustain_ = 0, decay_ = 0, length_ = 0;   // samples
    size_t arpeggioAt_ = 0, repeatEvery_ = 0;                      // samples
    size_t index_ = 0;            // samples played since the start
    double freq_ = 0, slide_ = 0, duty_ = 0;                       // the pitch part
    bool arpeggioDone_ = false;
    size_t sinceStart_ = 0;       // samples since the start or the last repeat
    Rng noise_;                   // a fixed seed: the same noise every time
    double noiseValue_ = 0, phase_ = 0, vibratoPhase_ = 0;
    double lowCut_ = 0, highCut_ = 0;
    LowPass low_;
    double highIn_ = 0, highOut_ = 0;
    // Notes only: the fade-in, the sample at which the release begins and its progress.
    size_t fadeIn_ = 0;
    int64_t releaseAt_ = -1;      // index_ at which the release begins; -1: never
    size_t releaseLength_ = 0, releaseDone_ = 0;
    bool releasing_ = false;
    bool active_ = false;
};
