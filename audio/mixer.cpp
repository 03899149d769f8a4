// The mixer: starting voices under each sound's interval and voice limit, stealing when
// all are busy, and summing them through the bus volumes and the limiter. mix() touches
// only the mixer's own fixed arrays.
#include "audio/mixer.h"
#include "audio/sound_params.h"

#include "core/numbers.h"
#include "core/trig.h"

#include <algorithm>
#include <cmath>

namespace {

// 1.0 in the voices' 32.32 fixed-point positions.
constexpr uint64_t unitStep = uint64_t{1} << 32;
// Longest buffer a voice plays, in samples, so that positions never overflow.
constexpr size_t longestBuffer = size_t{1} << 31;
// Values below this become 0 (no denormals in the limiter's state or the output).
constexpr float tiny = 1e-20f;
// A gain below this is silence.
constexpr float smallestGain = 1e-6f;
// How long the limiter takes to let the level back up after a loud moment, in seconds.
constexpr float limiterRelease = 0.15f;

// The gain of a volume level 0..10: the square of a tenth of it, which sounds even.
float levelGain(int level) {
    const float g = static_cast<float>(std::clamp(level, 0, 10)) / 10.0f;
    return g * g;
}

// 0 for tiny values, else x.
float flush(float x) { return (x < tiny && x > -tiny) ? 0.0f : x; }

// Bends |x| above the knee towards 1 (slope 1 at the knee, never reaching 1).
float softClip(float x) {
    const float magnitude = x < 0 ? -x : x;
    if (magnitude <= Mixer::limiterKnee) return x;
    const float room = 1.0f - Mixer::limiterKnee;
    const float over = (magnitude - Mixer::limiterKnee) / room;
    const float bent = Mixer::limiterKnee + room * (over / (1.0f + over));
    return x < 0 ? -bent : bent;
}

}  // namespace

Mixer::Mixer(int sampleRate) {
    const int rate = std::clamp(sampleRate, minSampleRate, maxSampleRate);
    SoundRules rules;
    rules.minIntervalSamples = num::roundToInt(rate / 30.0);
    rules_.fill(rules);
    releaseCoefficient_ = 1.0f - 1.0f / (limiterRelease * static_cast<float>(rate));
}

void Mixer::setRules(int soundId, const SoundRules& rules) {
    if (soundId < 0 || soundId >= maxSounds) return;
    SoundRules r = rules;
    r.minIntervalSamples = std::max<int64_t>(r.minIntervalSamples, 0);
    r.voiceLimit = std::clamp(r.voiceLimit, 1, voiceCount);
    rules_[soundId] = r;
}

uint64_t Mixer::framesLeft(const Voice& v) {
    const uint64_t end = static_cast<uint64_t>(v.count) << 32;
    if (!v.active || v.position >= end) return 0;
    return (end - v.position + v.step - 1) / v.step;
}

PlayResult Mixer::play(int soundId, const float* samples, size_t count, float gain, float pan,
                       float rate, int64_t nowSamples) {
    if (soundId < 0 || soundId >= maxSounds || samples == nullptr || count == 0)
        return PlayResult::dropped;
    const SoundRules& rules = rules_[soundId];
    const int64_t elapsed = nowSamples - lastStart_[soundId];
    if (started_[soundId] && elapsed >= 0 && elapsed < rules.minIntervalSamples)
        return PlayResult::dropped;

    // The sound's own oldest voice once it has its limit, else a free voice, else the
    // voice closest to its end (the oldest of those that are equally close).
    Voice* chosen = nullptr;
    Voice* oldestOfSound = nullptr;
    int ofSound = 0;
    for (Voice& v : voices_) {
        if (!v.active || v.soundId != soundId) continue;
        ++ofSound;
        if (oldestOfSound == nullptr || v.order < oldestOfSound->order) oldestOfSound = &v;
    }
    if (ofSound >= rules.voiceLimit) chosen = oldestOfSound;
    for (Voice& v : voices_) {
        if (chosen != nullptr) break;
        if (!v.active) chosen = &v;
    }
    if (chosen == nullptr) {
        uint64_t fewest = UINT64_MAX;
        for (Voice& v : voices_) {
            const uint64_t left = framesLeft(v);
            if (left < fewest || (left == fewest && chosen != nullptr && v.order < chosen->order)) {
                fewest = left;
                chosen = &v;
            }
        }
    }

    const float r = std::isnan(rate) ? 1.0f : std::clamp(rate, minRate, maxRate);
    float g = std::isnan(gain) ? 0.0f : std::clamp(gain, 0.0f, 4.0f);
    if (g < smallestGain) g = 0;
    const float p = std::isnan(pan) ? 0.0f : std::clamp(pan, -1.0f, 1.0f);
    const SinCos sc = sinCosF32((p + 1.0f) * num::quarterPi);

    if (chosen->active) fadeOut(static_cast<size_t>(chosen - voices_.data()));
    Voice& v = *chosen;
    v.samples = samples;
    v.count = std::min(count, longestBuffer);
    v.position = 0;
    v.step = r == 1.0f ? unitStep : static_cast<uint64_t>(static_cast<double>(r) * unitStep);
    v.left = flush(g * sc.c);
    v.right = flush(g * sc.s);
    v.soundId = soundId;
    v.order = ++starts_;
    v.bus = rules.bus;
    v.active = true;
    lastStart_[soundId] = nowSamples;
    started_[soundId] = true;
    return PlayResult::started;
}

void Mixer::addVoice(Voice& v, float* bus, size_t frames) {
    const uint64_t left = framesLeft(v);
    const size_t n = static_cast<size_t>(std::min<uint64_t>(left, frames));
    const float* s = v.samples;
    if (v.step == unitStep) {
        // As rendered: no interpolation.
        const size_t first = static_cast<size_t>(v.position >> 32);
        for (size_t f = 0; f < n; ++f) {
            const float x = s[first + f];
            bus[2 * f] += x * v.left;
            bus[2 * f + 1] += x * v.right;
        }
        v.position += static_cast<uint64_t>(n) << 32;
    } else {
        // Linear interpolation between neighbouring samples; past the end counts as 0.
        constexpr float fraction = 1.0f / 4294967296.0f;
        uint64_t pos = v.position;
        for (size_t f = 0; f < n; ++f) {
            const size_t i = static_cast<size_t>(pos >> 32);
            const float a = s[i];
            const float b = i + 1 < v.count ? s[i + 1] : 0.0f;
            const float x = a + (b - a) * (static_cast<float>(pos & 0xFFFFFFFFu) * fraction);
            bus[2 * f] += x * v.left;
            bus[2 * f + 1] += x * v.right;
            pos += v.step;
        }
        v.position = pos;
    }
    if (n == left) v.active = false;
}

void Mixer::addFading(Voice& v, float* bus, size_t frames) {
    const uint64_t left = framesLeft(v);
    const size_t n = static_cast<size_t>(std::min<uint64_t>({left, frames, v.fadeLeft}));
    constexpr float fraction = 1.0f / 4294967296.0f;
    constexpr float perFrame = 1.0f / static_cast<float>(fadeFrames);
    const float* s = v.samples;
    uint64_t pos = v.position;
    for (size_t f = 0; f < n; ++f) {
        const size_t i = static_cast<size_t>(pos >> 32);
        const float a = s[i];
        const float b = i + 1 < v.count ? s[i + 1] : 0.0f;
        const float g = static_cast<float>(v.fadeLeft - f) * perFrame;
        const float x = (a + (b - a) * (static_cast<float>(pos & 0xFFFFFFFFu) * fraction)) * g;
        bus[2 * f] += x * v.left;
        bus[2 * f + 1] += x * v.right;
        pos += v.step;
    }
    v.position = pos;
    v.fadeLeft -= static_cast<uint32_t>(n);
    if (n == left || v.fadeLeft == 0) v.active = false;
}

void Mixer::fadeOut(size_t index) {
    fading_[index] = voices_[index];
    fading_[index].fadeLeft = fadeFrames;
    voices_[index].active = false;
}

float Mixer::busGain(Bus bus) const {
    if (muted_) return 0.0f;
    return levelGain(master_) * levelGain(bus == Bus::music ? music_ : effects_);
}

void Mixer::mix(std::span<float> interleavedStereo, MusicSource* musicSource) {
    const size_t frames = interleavedStereo.size() / 2;
    if (interleavedStereo.size() % 2 != 0) interleavedStereo.back() = 0.0f;
    if (frames == 0) return;
    float* out = interleavedStereo.data();
    // The bus gains glide from where the last block ended to the current volumes.
    const float effectsTarget = busGain(Bus::effects);
    const float musicTarget = busGain(Bus::music);
    const float effectsDelta = (effectsTarget - effectsGain_) / static_cast<float>(frames);
    const float musicDelta = (musicTarget - musicGain_) / static_cast<float>(frames);

    for (size_t start = 0; start < frames; start += chunkFrames) {
        const size_t n = std::min(chunkFrames, frames - start);
        std::fill_n(effectsBus_.begin(), 2 * n, 0.0f);
        std::fill_n(musicBus_.begin(), 2 * n, 0.0f);
        float* effects = effectsBus_.data();
        float* music = musicBus_.data();
        for (size_t k = 0; k < voiceCount; ++k) {
            Voice& v = voices_[k];
            if (v.active) addVoice(v, v.bus == Bus::music ? music : effects, n);
            Voice& tail = fading_[k];
            if (tail.active) addFading(tail, tail.bus == Bus::music ? music : effects, n);
        }
        if (musicSource != nullptr) musicSource->addTo(music, n);
        for (size_t f = 0; f < n; ++f) {
            const float k = static_cast<float>(start + f + 1);
            const float ge = effectsGain_ + effectsDelta * k;
            const float gm = musicGain_ + musicDelta * k;
            float l = effectsBus_[2 * f] * ge + musicBus_[2 * f] * gm;
            float r = effectsBus_[2 * f + 1] * ge + musicBus_[2 * f + 1] * gm;
            // The envelope follows the peak at once and lets go slowly; above 1 it scales
            // the frame down to 1, and the soft knee rounds what is left.
            float peak = std::max(l < 0 ? -l : l, r < 0 ? -r : r);
            if (!(peak <= 1e30f)) l = r = peak = 0.0f;  // NaN or infinity from a bad buffer
            if (peak > limiterEnvelope_) {
                limiterEnvelope_ = peak;
            } else {
                limiterEnvelope_ = flush(peak + (limiterEnvelope_ - peak) * releaseCoefficient_);
            }
            if (limiterEnvelope_ > 1.0f) {
                const float scale = 1.0f / limiterEnvelope_;
                l *= scale;
                r *= scale;
            }
            out[2 * (start + f)] = flush(softClip(l));
            out[2 * (start + f) + 1] = flush(softClip(r));
        }
    }
    effectsGain_ = effectsTarget;
    musicGain_ = musicTarget;
}

void Mixer::stopAll() {
    for (size_t k = 0; k < voiceCount; ++k) {
        if (voices_[k].active) fadeOut(k);
    }
}

void Mixer::stopBus(Bus bus) {
    for (size_t k = 0; k < voiceCount; ++k) {
        if (voices_[k].active && voices_[k].bus == bus) fadeOut(k);
    }
}

void Mixer::setMasterVolume(int level) { master_ = std::clamp(level, 0, 10); }
void Mixer::setEffectsVolume(int level) { effects_ = std::clamp(level, 0, 10); }
void Mixer::setMusicVolume(int level) { music_ = std::clamp(level, 0, 10); }
void Mixer::setMuted(bool muted) { muted_ = muted; }

int Mixer::activeVoices() const {
    return static_cast<int>(std::count_if(voices_.begin(), voices_.end(),
                                          [](const Voice& v) { return v.active; }));
}

int Mixer::voicesOf(int soundId) const {
    return static_cast<int>(std::count_if(voices_.begin(), voices_.end(), [&](const Voice& v) {
        return v.active && v.soundId == soundId;
    }));
}
