// The effect synthesizer: one oscillator with pitch slides, vibrato and an arpeggio step,
// an attack-sustain-decay envelope with punch, a resonant low-pass and a high-pass, all
// rendered once into a buffer with plain arithmetic and the game's sine.
#include "audio/audio.h"

#include "core/numbers.h"
#include "core/rng.h"
#include "core/trig.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr SoundParams defaults{};

constexpr SoundParamInfo table[] = {
    {"duty", &SoundParams::duty, 0.05f, 0.95f, defaults.duty},
    {"dutysweep", &SoundParams::dutySweep, -4.0f, 4.0f, defaults.dutySweep},
    {"freq", &SoundParams::freq, 20.0f, 12000.0f, defaults.freq},
    {"slide", &SoundParams::slide, -20000.0f, 20000.0f, defaults.slide},
    {"deltaslide", &SoundParams::deltaSlide, -100000.0f, 100000.0f, defaults.deltaSlide},
    {"vibrato", &SoundParams::vibratoDepth, 0.0f, 1.0f, defaults.vibratoDepth},
    {"vibratospeed", &SoundParams::vibratoSpeed, 0.0f, 60.0f, defaults.vibratoSpeed},
    {"arp", &SoundParams::arpeggio, 0.125f, 8.0f, defaults.arpeggio},
    {"arptime", &SoundParams::arpeggioTime, 0.0f, 10.0f, defaults.arpeggioTime},
    {"attack", &SoundParams::attack, 0.0f, 5.0f, defaults.attack},
    {"sustain", &SoundParams::sustain, 0.0f, 5.0f, defaults.sustain},
    {"punch", &SoundParams::punch, 0.0f, 1.0f, defaults.punch},
    {"decay", &SoundParams::decay, 0.0f, 5.0f, defaults.decay},
    {"lowpass", &SoundParams::lowPass, 0.0f, 20000.0f, defaults.lowPass},
    {"lowpasssweep", &SoundParams::lowPassSweep, -40000.0f, 40000.0f, defaults.lowPassSweep},
    {"resonance", &SoundParams::resonance, 0.0f, 0.95f, defaults.resonance},
    {"highpass", &SoundParams::highPass, 0.0f, 20000.0f, defaults.highPass},
    {"highpasssweep", &SoundParams::highPassSweep, -40000.0f, 40000.0f, defaults.highPassSweep},
    {"repeat", &SoundParams::repeat, 0.0f, 10.0f, defaults.repeat},
    {"volume", &SoundParams::volume, 0.0f, 1.0f, defaults.volume},
    {"interval", &SoundParams::minInterval, 0.0f, 10.0f, defaults.minInterval},
    {"voices", &SoundParams::voiceLimit, 1.0f, 32.0f, defaults.voiceLimit},
};

// Lowest frequency the oscillator and the filters go down to, in Hz.
constexpr double lowestFrequency = 20.0;
// Highest oscillator or filter frequency as a share of the sample rate (below Nyquist).
constexpr double highestShare = 0.45;
// Samples smaller than this become 0, so that no filter state decays into denormals.
constexpr double tiny = 1e-20;

// The sample rate brought into the range renderSound accepts.
int clampRate(int sampleRate) { return std::clamp(sampleRate, minSampleRate, maxSampleRate); }

// Whole samples of `seconds` at `rate`.
size_t samplesOf(float seconds, int rate) {
    return static_cast<size_t>(num::roundToInt(static_cast<double>(seconds) * rate));
}

// x held to lo..hi.
double clampD(double x, double lo, double hi) { return x < lo ? lo : (x > hi ? hi : x); }

// 0 for tiny values, else x.
double flush(double x) { return (x < tiny && x > -tiny) ? 0.0 : x; }

// The band-limiting correction for a step of the waveform at phase t (0..1) when the phase
// advances by dt per sample: a two-sample polynomial that softens the jump.
double polyBlep(double t, double dt) {
    if (t < dt) {
        t /= dt;
        return t + t - t * t - 1.0;
    }
    if (t > 1.0 - dt) {
        t = (t - 1.0) / dt;
        return t * t + t + t + 1.0;
    }
    return 0.0;
}

// Sine of a whole turn's fraction (0..1) through the game's sine.
double sineTurn(double turn) {
    return sinCosF32(static_cast<float>(turn * static_cast<double>(num::twoPi))).s;
}

// The pitch part of the state, which the repeat restarts.
struct Pitch {
    double freq = 0, slide = 0, duty = 0;
    bool arpeggioDone = false;
    size_t sinceStart = 0;
    // Back to the sound's start values.
    void reset(const SoundParams& p) {
        freq = p.freq, slide = p.slide, duty = p.duty;
        arpeggioDone = false;
        sinceStart = 0;
    }
};

// A state-variable low-pass (trapezoidal integration, stable up to Nyquist).
struct LowPass {
    double a1 = 0, a2 = 0, a3 = 0, ic1 = 0, ic2 = 0;
    // Sets the coefficients for `cutoff` Hz at `rate` with damping k (2: none, small: ringing).
    void tune(double cutoff, int rate, double k) {
        const double angle = static_cast<double>(num::pi) * cutoff / rate;
        const SinCos sc = sinCosF32(static_cast<float>(angle));
        const double g = static_cast<double>(sc.s) / sc.c;
        a1 = 1.0 / (1.0 + g * (g + k));
        a2 = g * a1;
        a3 = g * a2;
    }
    // The next low-passed sample.
    double next(double x) {
        const double v3 = x - ic2;
        const double v1 = a1 * ic1 + a2 * v3;
        const double v2 = ic2 + a2 * ic1 + a3 * v3;
        ic1 = flush(2.0 * v1 - ic1);
        ic2 = flush(2.0 * v2 - ic2);
        return v2;
    }
};

}  // namespace

std::span<const SoundParamInfo> soundParamTable() { return table; }

SoundParams clampSoundParams(const SoundParams& params) {
    SoundParams p = params;
    for (const SoundParamInfo& info : table) {
        float& v = p.*info.field;
        v = std::isnan(v) ? info.fallback : std::clamp(v, info.lowest, info.highest);
    }
    p.voiceLimit = static_cast<float>(num::roundToInt(p.voiceLimit));
    if (static_cast<uint8_t>(p.wave) > static_cast<uint8_t>(Wave::noise)) p.wave = Wave::square;
    return p;
}

size_t soundLengthSamples(const SoundParams& params, int sampleRate) {
    const SoundParams p = clampSoundParams(params);
    const int rate = clampRate(sampleRate);
    const size_t total = samplesOf(p.attack, rate) + samplesOf(p.sustain, rate) +
                         samplesOf(p.decay, rate);
    return std::min(total, samplesOf(maxSoundSeconds, rate));
}

std::vector<float> renderSound(const SoundParams& params, int sampleRate) {
    const SoundParams p = clampSoundParams(params);
    const int rate = clampRate(sampleRate);
    const size_t length = soundLengthSamples(p, rate);
    std::vector<float> out(length);
    if (length == 0) return out;

    const double dt = 1.0 / rate;
    const double highest = highestShare * rate;
    const size_t attack = samplesOf(p.attack, rate);
    const size_t sustain = samplesOf(p.sustain, rate);
    const size_t decay = samplesOf(p.decay, rate);
    const size_t arpeggioAt = samplesOf(p.arpeggioTime, rate);
    const size_t repeatEvery = samplesOf(p.repeat, rate);
    const double damping = 2.0 - 2.0 * p.resonance;

    Pitch pitch;
    pitch.reset(p);
    Rng noise;  // a fixed seed: the same noise every time
    double noiseValue = 0, phase = 0, vibratoPhase = 0;
    double lowCut = p.lowPass, highCut = p.highPass;
    LowPass low;
    if (p.lowPass > 0) low.tune(clampD(lowCut, lowestFrequency, highest), rate, damping);
    double highIn = 0, highOut = 0;

    for (size_t i = 0; i < length; ++i) {
        if (repeatEvery > 0 && pitch.sinceStart >= repeatEvery) pitch.reset(p);
        if (arpeggioAt > 0 && !pitch.arpeggioDone && pitch.sinceStart >= arpeggioAt) {
            pitch.freq *= p.arpeggio;
            pitch.arpeggioDone = true;
        }
        ++pitch.sinceStart;
        pitch.slide += p.deltaSlide * dt;
        pitch.freq = clampD(pitch.freq + pitch.slide * dt, lowestFrequency, highest);
        pitch.duty = clampD(pitch.duty + p.dutySweep * dt, 0.05, 0.95);

        double freq = pitch.freq;
        if (p.vibratoDepth > 0) {
            freq *= 1.0 + p.vibratoDepth * sineTurn(vibratoPhase);
            vibratoPhase += p.vibratoSpeed * dt;
            if (vibratoPhase >= 1.0) vibratoPhase -= 1.0;
        }
        const double step = clampD(freq * dt, 0.0, highestShare);
        // New noise values come eight times a period: the frequency sets its colour.
        const double before = phase * 8.0;
        phase += step;
        if (phase >= 1.0) phase -= 1.0;
        if (p.wave == Wave::noise && static_cast<int>(phase * 8.0) != static_cast<int>(before))
            noiseValue = noise.next() * (2.0 / Rng::maxValue) - 1.0;

        double v = 0;
        switch (p.wave) {
        case Wave::square: {
            v = phase < pitch.duty ? 1.0 : -1.0;
            double fall = phase + 1.0 - pitch.duty;
            if (fall >= 1.0) fall -= 1.0;
            v += polyBlep(phase, step) - polyBlep(fall, step);
            break;
        }
        case Wave::saw: v = 2.0 * phase - 1.0 - polyBlep(phase, step); break;
        case Wave::sine: v = sineTurn(phase); break;
        case Wave::triangle: v = 4.0 * (phase < 0.5 ? phase : 1.0 - phase) - 1.0; break;
        case Wave::noise: v = noiseValue; break;
        }

        // Attack rises linearly, the sustain starts at 1 + punch and falls to 1, the decay
        // falls along a square curve (which sounds more even than a line).
        double envelope = 1.0;
        if (i < attack) {
            envelope = (i + 0.5) / attack;
        } else if (i < attack + sustain) {
            envelope = 1.0 + p.punch * (1.0 - static_cast<double>(i - attack) / sustain);
        } else if (decay > 0) {
            const double left = 1.0 - static_cast<double>(i - attack - sustain) / decay;
            envelope = left * left;
        }
        v *= envelope;

        if (p.lowPass > 0) {
            if (p.lowPassSweep != 0) {
                lowCut = clampD(lowCut + p.lowPassSweep * dt, lowestFrequency, highest);
                low.tune(lowCut, rate, damping);
            }
            v = low.next(v);
        }
        if (p.highPass > 0) {
            highCut = clampD(highCut + p.highPassSweep * dt, lowestFrequency, highest);
            const double rc = 1.0 / (static_cast<double>(num::twoPi) * highCut);
            const double a = rc / (rc + dt);
            highOut = flush(a * (highOut + v - highIn));
            highIn = v;
            v = highOut;
        }
        out[i] = static_cast<float>(flush(clampD(v * p.volume, -1.0, 1.0)));
    }

    // A millisecond's fade at each end, so that no sound starts or stops with a click.
    const size_t fade = std::min<size_t>(static_cast<size_t>(rate / 1000), length / 2);
    for (size_t j = 0; j < fade; ++j) {
        const float f = static_cast<float>((j + 0.5) / fade);
        out[j] *= f;
        out[length - 1 - j] *= f;
    }
    return out;
}
