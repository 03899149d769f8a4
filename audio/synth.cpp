// The effect synthesizer: one oscillator with pitch slides, vibrato and an arpeggio step,
// an attack-sustain-decay envelope with punch, a resonant low-pass and a high-pass, all
// rendered once into a buffer with plain arithmetic and the game's sine.
#include "audio/audio.h"
#include "audio/synth_voice.h"

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
    const int rate = clampRate(sampleRate);
    const size_t length = soundLengthSamples(params, rate);
    std::vector<float> out(length);
    if (length == 0) return out;
    SynthVoice voice;
    voice.start(params, rate);
    for (float& sample : out) sample = voice.next();

    // A millisecond's fade at each end, so that no sound starts or stops with a click.
    const size_t fade = std::min<size_t>(static_cast<size_t>(rate / 1000), length / 2);
    for (size_t j = 0; j < fade; ++j) {
        const float f = static_cast<float>((j + 0.5) / fade);
        out[j] *= f;
        out[length - 1 - j] *= f;
    }
    return out;
}

void SynthVoice::LowPass::tune(double cutoff, int rate, double k) {
    const double angle = static_cast<double>(num::pi) * cutoff / rate;
    const SinCos sc = sinCosF32(static_cast<float>(angle));
    const double g = static_cast<double>(sc.s) / sc.c;
    a1 = 1.0 / (1.0 + g * (g + k));
    a2 = g * a1;
    a3 = g * a2;
}

double SynthVoice::LowPass::next(double x) {
    const double v3 = x - ic2;
    const double v1 = a1 * ic1 + a2 * v3;
    const double v2 = ic2 + a2 * ic1 + a3 * v3;
    ic1 = flush(2.0 * v1 - ic1);
    ic2 = flush(2.0 * v2 - ic2);
    return v2;
}

void SynthVoice::resetPitch() {
    freq_ = p_.freq, slide_ = p_.slide, duty_ = p_.duty;
    arpeggioDone_ = false;
    sinceStart_ = 0;
}

void SynthVoice::start(const SoundParams& params, int sampleRate, double freq,
                       int64_t holdSamples) {
    *this = SynthVoice{};
    p_ = clampSoundParams(params);
    if (freq > 0) p_.freq = static_cast<float>(clampD(freq, lowestFrequency, 12000.0));
    rate_ = clampRate(sampleRate);
    dt_ = 1.0 / rate_;
    highest_ = highestShare * rate_;
    attack_ = samplesOf(p_.attack, rate_);
    sustain_ = samplesOf(p_.sustain, rate_);
    decay_ = samplesOf(p_.decay, rate_);
    length_ = soundLengthSamples(p_, rate_);
    arpeggioAt_ = samplesOf(p_.arpeggioTime, rate_);
    repeatEvery_ = samplesOf(p_.repeat, rate_);
    damping_ = 2.0 - 2.0 * p_.resonance;
    resetPitch();
    lowCut_ = p_.lowPass, highCut_ = p_.highPass;
    if (p_.lowPass > 0) low_.tune(clampD(lowCut_, lowestFrequency, highest_), rate_, damping_);
    if (holdSamples >= 0) {
        fadeIn_ = static_cast<size_t>(rate_ / 1000);
        releaseAt_ = holdSamples;
        releaseLength_ = static_cast<size_t>(num::roundToInt(noteReleaseSeconds * rate_));
    }
    active_ = length_ > 0;
}

void SynthVoice::glide(double freq, int64_t holdSamples) {
    if (!active_ || releasing_) return;
    p_.freq = static_cast<float>(clampD(freq, lowestFrequency, 12000.0));
    freq_ = p_.freq;
    releaseAt_ = static_cast<int64_t>(index_) + std::max<int64_t>(holdSamples, 0);
}

void SynthVoice::release() {
    if (!active_ || releasing_) return;
    if (releaseLength_ == 0) releaseLength_ = static_cast<size_t>(num::roundToInt(noteReleaseSeconds * rate_));
    releasing_ = true;
    releaseDone_ = 0;
}

float SynthVoice::next() {
    if (!active_) return 0.0f;
    if (index_ >= length_ || (releasing_ && releaseDone_ >= releaseLength_)) {
        active_ = false;
        return 0.0f;
    }
    if (releaseAt_ >= 0 && !releasing_ && static_cast<int64_t>(index_) >= releaseAt_) release();
    const SoundParams& p = p_;
    const size_t i = index_++;
    if (repeatEvery_ > 0 && sinceStart_ >= repeatEvery_) resetPitch();
    if (arpeggioAt_ > 0 && !arpeggioDone_ && sinceStart_ >= arpeggioAt_) {
        freq_ *= p.arpeggio;
        arpeggioDone_ = true;
    }
    ++sinceStart_;
    slide_ += p.deltaSlide * dt_;
    freq_ = clampD(freq_ + slide_ * dt_, lowestFrequency, highest_);
    duty_ = clampD(duty_ + p.dutySweep * dt_, 0.05, 0.95);

    double freq = freq_;
    if (p.vibratoDepth > 0) {
        freq *= 1.0 + p.vibratoDepth * sineTurn(vibratoPhase_);
        vibratoPhase_ += p.vibratoSpeed * dt_;
        if (vibratoPhase_ >= 1.0) vibratoPhase_ -= 1.0;
    }
    const double step = clampD(freq * dt_, 0.0, highestShare);
    // New noise values come eight times a period: the frequency sets its colour.
    const double before = phase_ * 8.0;
    phase_ += step;
    if (phase_ >= 1.0) phase_ -= 1.0;
    if (p.wave == Wave::noise && static_cast<int>(phase_ * 8.0) != static_cast<int>(before))
        noiseValue_ = noise_.next() * (2.0 / Rng::maxValue) - 1.0;

    double v = 0;
    switch (p.wave) {
    case Wave::square: {
        v = phase_ < duty_ ? 1.0 : -1.0;
        double fall = phase_ + 1.0 - duty_;
        if (fall >= 1.0) fall -= 1.0;
        v += polyBlep(phase_, step) - polyBlep(fall, step);
        break;
    }
    case Wave::saw: v = 2.0 * phase_ - 1.0 - polyBlep(phase_, step); break;
    case Wave::sine: v = sineTurn(phase_); break;
    case Wave::triangle: v = 4.0 * (phase_ < 0.5 ? phase_ : 1.0 - phase_) - 1.0; break;
    case Wave::noise: v = noiseValue_; break;
    }

    // Attack rises linearly, the sustain starts at 1 + punch and falls to 1, the decay
    // falls along a square curve (which sounds more even than a line).
    double envelope = 1.0;
    if (i < attack_) {
        envelope = (i + 0.5) / attack_;
    } else if (i < attack_ + sustain_) {
        envelope = 1.0 + p.punch * (1.0 - static_cast<double>(i - attack_) / sustain_);
    } else if (decay_ > 0) {
        const double left = 1.0 - static_cast<double>(i - attack_ - sustain_) / decay_;
        envelope = left * left;
    }
    v *= envelope;

    if (p.lowPass > 0) {
        if (p.lowPassSweep != 0) {
            lowCut_ = clampD(lowCut_ + p.lowPassSweep * dt_, lowestFrequency, highest_);
            low_.tune(lowCut_, rate_, damping_);
        }
        v = low_.next(v);
    }
    if (p.highPass > 0) {
        highCut_ = clampD(highCut_ + p.highPassSweep * dt_, lowestFrequency, highest_);
        const double rc = 1.0 / (static_cast<double>(num::twoPi) * highCut_);
        const double a = rc / (rc + dt_);
        highOut_ = flush(a * (highOut_ + v - highIn_));
        highIn_ = v;
        v = highOut_;
    }
    double sample = v * p.volume;
    // A note fades in over a millisecond and out over its release.
    if (i < fadeIn_) sample *= (i + 0.5) / fadeIn_;
    if (releasing_) {
        sample *= 1.0 - (releaseDone_ + 0.5) / releaseLength_;
        ++releaseDone_;
    }
    return static_cast<float>(flush(clampD(sample, -1.0, 1.0)));
}
