// The audio layer's synthesizer, mixer and WAV writer: pitch and length measured from the
// rendered samples, hostile parameters, the mixer's interval, voice limit, stealing,
// limiter and volumes, and the WAV file's bytes.
#include "audio/audio.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace {

constexpr int rate = 48000;

// Upward zero crossings of the samples.
int upwardCrossings(const std::vector<float>& s) {
    int n = 0;
    for (size_t i = 1; i < s.size(); ++i) n += s[i - 1] < 0 && s[i] >= 0;
    return n;
}

// The little-endian number of `bytes` bytes at `at`.
uint32_t field(const std::string& wav, size_t at, int bytes) {
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(wav[at + i]);
    return v;
}

// Mixes `frames` frames and returns the largest magnitude in them.
float loudest(Mixer& mixer, size_t frames) {
    std::vector<float> out(2 * frames);
    mixer.mix(out);
    float most = 0;
    for (float x : out) most = std::max(most, std::fabs(x));
    return most;
}

TEST(AudioSynth, SquareHasItsPitchAndTheEnvelopeItsLength) {
    SoundParams p;
    p.freq = 440, p.attack = 0.01f, p.sustain = 1.0f, p.decay = 0.25f;
    const std::vector<float> s = renderSound(p, rate);
    EXPECT_EQ(s.size(), 480u + 48000u + 12000u);
    EXPECT_EQ(s.size(), soundLengthSamples(p, rate));
    // The sustain's second holds 440 periods.
    const std::vector<float> second(s.begin() + 480, s.begin() + 480 + 48000);
    EXPECT_NEAR(upwardCrossings(second), 440, 1);
    // Silent at both ends, full in the middle, and the same on every render.
    EXPECT_LT(std::fabs(s.front()), 0.01f);
    EXPECT_LT(std::fabs(s.back()), 0.01f);
    EXPECT_FLOAT_EQ(*std::max_element(s.begin() + 24000, s.begin() + 25000), 0.5f);
    EXPECT_EQ(s, renderSound(p, rate));
}

TEST(AudioSynth, HostileParametersGiveBoundedFiniteSounds) {
    constexpr float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float values[] = {nan, inf, -inf, 1e30f, -1e30f, 0.0f, -5.0f};
    for (int wave = 0; wave <= 5; ++wave) {
        for (float v : values) {
            SoundParams p;
            p.wave = static_cast<Wave>(wave);
            for (const SoundParamInfo& info : soundParamTable()) p.*info.field = v;
            const SoundParams c = clampSoundParams(p);
            for (const SoundParamInfo& info : soundParamTable()) {
                EXPECT_GE(c.*info.field, info.lowest) << info.name;
                EXPECT_LE(c.*info.field, info.highest) << info.name;
            }
            const std::vector<float> s = renderSound(p, rate);
            ASSERT_LE(s.size(), static_cast<size_t>(maxSoundSeconds * rate));
            for (float x : s) ASSERT_TRUE(std::isfinite(x) && std::fabs(x) <= 1.0f);
        }
    }
    SoundParams none;
    none.sustain = -1, none.decay = 0;
    EXPECT_TRUE(renderSound(none, rate).empty());
    EXPECT_EQ(renderSound(SoundParams{}, 1 << 30).size(),
              soundLengthSamples(SoundParams{}, maxSampleRate));
}

TEST(AudioMixer, DropsStartsWithinTheIntervalAndKeepsTheVoiceLimit) {
    Mixer mixer(rate);
    const std::vector<float> s(rate, 0.5f);
    mixer.setRules(1, {.minIntervalSamples = 100, .voiceLimit = 3, .bus = Bus::effects});
    EXPECT_EQ(mixer.play(1, s.data(), s.size(), 1, 0, 1, 0), PlayResult::started);
    EXPECT_EQ(mixer.play(1, s.data(), s.size(), 1, 0, 1, 99), PlayResult::dropped);
    EXPECT_EQ(mixer.play(1, s.data(), s.size(), 1, 0, 1, 100), PlayResult::started);
    EXPECT_EQ(mixer.play(1, s.data(), s.size(), 1, 0, 1, 200), PlayResult::started);
    EXPECT_EQ(mixer.play(1, s.data(), s.size(), 1, 0, 1, 300), PlayResult::started);
    EXPECT_EQ(mixer.voicesOf(1), 3);
    EXPECT_EQ(mixer.activeVoices(), 3);
    EXPECT_EQ(mixer.play(-1, s.data(), s.size(), 1, 0, 1, 0), PlayResult::dropped);
}

TEST(AudioMixer, StealsTheVoiceNearestItsEnd) {
    Mixer mixer(rate);
    std::vector<float> longer(1000, 0.1f), shorter(500, 0.1f), other(1000, 0.1f);
    for (int id = 0; id < Mixer::voiceCount; ++id) {
        mixer.setRules(id, {.minIntervalSamples = 0, .voiceLimit = 32, .bus = Bus::effects});
        const std::vector<float>& s = id == 7 ? shorter : longer;
        mixer.play(id, s.data(), s.size(), 1, 0, 1, 0);
    }
    EXPECT_EQ(mixer.activeVoices(), Mixer::voiceCount);
    mixer.play(40, other.data(), other.size(), 1, 0, 1, 0);
    EXPECT_EQ(mixer.voicesOf(7), 0);
    EXPECT_EQ(mixer.voicesOf(40), 1);
    // All equally near the end: the oldest goes.
    mixer.play(41, other.data(), other.size(), 1, 0, 1, 0);
    EXPECT_EQ(mixer.voicesOf(0), 0);
    EXPECT_EQ(mixer.activeVoices(), Mixer::voiceCount);
}

TEST(AudioMixer, AThousandStartsNeverClipAndVolumeZeroOrMuteIsSilent) {
    Mixer mixer(rate);
    const std::vector<float> s = renderSound(SoundParams{.volume = 1.0f}, rate);
    for (int i = 0; i < 1000; ++i) {
        const int id = i % 64;
        mixer.setRules(id, {.minIntervalSamples = 0, .voiceLimit = 32, .bus = Bus::effects});
        mixer.play(id, s.data(), s.size(), 4.0f, (i % 3) - 1.0f, 1.0f + (i % 5) * 0.1f, 0);
    }
    EXPECT_EQ(mixer.activeVoices(), Mixer::voiceCount);
    const float peak = loudest(mixer, 4000);
    EXPECT_LT(peak, 1.0f);
    EXPECT_GT(peak, Mixer::limiterKnee);

    mixer.setMuted(true);
    loudest(mixer, 64);  // the gain glides down over one block
    EXPECT_EQ(loudest(mixer, 64), 0.0f);
    mixer.setMuted(false);
    mixer.setEffectsVolume(0);
    loudest(mixer, 64);
    EXPECT_EQ(loudest(mixer, 64), 0.0f);
    mixer.setEffectsVolume(10);
    EXPECT_GT(loudest(mixer, 64), 0.0f);
    mixer.setMasterVolume(0);
    loudest(mixer, 64);
    EXPECT_EQ(loudest(mixer, 64), 0.0f);
}

TEST(AudioMixer, PlaysAtARateAndPansEqualPower) {
    Mixer mixer(rate);
    const std::vector<float> ramp = {0.0f, 0.2f, 0.4f, 0.6f};
    mixer.play(0, ramp.data(), ramp.size(), 1, -1, 0.5f, 0);
    std::vector<float> out(2 * 9, 1.0f);
    mixer.mix(out);
    const float expected[] = {0.0f, 0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f, 0.3f, 0.0f};
    for (size_t f = 0; f < 9; ++f) {
        EXPECT_NEAR(out[2 * f], expected[f], 1e-6f) << f;
        EXPECT_NEAR(out[2 * f + 1], 0.0f, 1e-6f) << f;
    }
    EXPECT_EQ(mixer.activeVoices(), 0);
}

TEST(AudioMixer, AReplacedVoiceFadesOutInsteadOfStoppingDead) {
    Mixer mixer(rate);
    mixer.setRules(1, {.minIntervalSamples = 0, .voiceLimit = 1, .bus = Bus::effects});
    const std::vector<float> loud(1000, 0.5f), quiet(1000, 0.0f);
    mixer.play(1, loud.data(), loud.size(), 1, -1, 1, 0);
    std::vector<float> out(2 * Mixer::fadeFrames);
    mixer.mix(out);
    mixer.play(1, quiet.data(), quiet.size(), 1, -1, 1, 0);
    EXPECT_EQ(mixer.voicesOf(1), 1);
    mixer.mix(out);
    EXPECT_FLOAT_EQ(out[0], 0.5f);
    for (size_t f = 1; f < Mixer::fadeFrames; ++f) EXPECT_LT(out[2 * f], out[2 * f - 2]);
    EXPECT_GT(out[2 * Mixer::fadeFrames - 2], 0.0f);
    EXPECT_EQ(loudest(mixer, 64), 0.0f);
    mixer.stopAll();
    EXPECT_EQ(mixer.activeVoices(), 0);
}

TEST(AudioMusic, TiesGlideATuneGoesOnAndASwitchReleasesWithoutAClick) {
    SoundParams sine;
    sine.wave = Wave::sine;
    sine.sustain = 5;
    sine.decay = 0;
    sine.volume = 1;
    // a4 tied to a5: one note changing pitch half-way, at sample 24000.
    const MmlSong song = makeMmlSong(120, {parseMmlChannel("o4 a4 & > a4")});
    std::vector<Tune> tunes;
    for (int i = 0; i < 2; ++i) tunes.push_back({MusicSequencer(song, rate), {sine}, {false}});
    MusicPlayer player(rate);
    player.setTunes(std::move(tunes));
    player.play(0);
    std::vector<float> out(2 * 48000, 0.0f);
    auto largestStep = [&out](size_t from, size_t to) {
        float most = 0;
        for (size_t f = from + 1; f < to; ++f) most = std::max(most, std::fabs(out[2 * f] - out[2 * f - 2]));
        return most;
    };
    player.addTo(out.data(), 30000);
    // No new attack at the tie: full level right after it, where a fresh note fades in.
    float peak = 0;
    for (size_t f = 24000; f < 24040; ++f) peak = std::max(peak, std::fabs(out[2 * f]));
    EXPECT_GT(peak, 0.6f);
    // A sine of 880 Hz at 0.707 moves at most 0.082 a sample: nothing jumps.
    EXPECT_LT(largestStep(1, 30000), 0.085f);
    // Asked again for the tune it plays, the player goes on; another tune releases the
    // note over 5 ms while its own first note fades in.
    player.play(0);
    player.addTo(out.data() + 2 * 30000, 1000);
    player.play(1);
    player.addTo(out.data() + 2 * 31000, 1000);
    EXPECT_EQ(player.playing(), 1);
    // The two notes overlap there: steps of both add up, far from a cut's jump of 0.7.
    EXPECT_LT(largestStep(29000, 32000), 0.15f);
    // Stopped, it falls silent within the release.
    player.stop();
    std::fill(out.begin(), out.end(), 0.0f);
    player.addTo(out.data(), 1000);
    EXPECT_TRUE(std::all_of(out.begin() + 2 * 240, out.begin() + 2 * 1000, [](float v) { return v == 0.0f; }));
    EXPECT_EQ(player.playing(), -1);
}

TEST(AudioWav, HeaderAndSamplesAreExact) {
    const std::vector<float> s = {0.0f, 1.0f, -1.0f, 0.5f, 2.0f, std::nanf(""), 7.0f};
    const std::string wav = wavBytes(s, 48000);
    ASSERT_EQ(wav.size(), 44u + 3 * 4);
    EXPECT_EQ(wav.substr(0, 4), "RIFF");
    EXPECT_EQ(field(wav, 4, 4), 36u + 12);
    EXPECT_EQ(wav.substr(8, 8), "WAVEfmt ");
    EXPECT_EQ(field(wav, 16, 4), 16u);
    EXPECT_EQ(field(wav, 20, 2), 1u);
    EXPECT_EQ(field(wav, 22, 2), 2u);
    EXPECT_EQ(field(wav, 24, 4), 48000u);
    EXPECT_EQ(field(wav, 28, 4), 192000u);
    EXPECT_EQ(field(wav, 32, 2), 4u);
    EXPECT_EQ(field(wav, 34, 2), 16u);
    EXPECT_EQ(wav.substr(36, 4), "data");
    EXPECT_EQ(field(wav, 40, 4), 12u);
    const uint32_t samples[] = {0, 32767, 0x10000 - 32767, 16384, 32767, 0};
    for (size_t i = 0; i < 6; ++i) EXPECT_EQ(field(wav, 44 + 2 * i, 2), samples[i]) << i;
}

}  // namespace
