// The mixer with all 32 voices playing (half as rendered, half pitched and interpolated),
// and with a tune of eight channels synthesized as it plays besides, in blocks of 1024
// stereo frames as the audio device asks for them: ns per stereo sample (scripts/bench
// turns them into the share of one core that the audio thread takes at 48 kHz).
#include "audio/audio.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

constexpr int rate = 48000;

// Restarts every voice that has ended: sound k plays at rate 1 for even k, pitched for odd.
void fill(Mixer& mixer, const std::vector<float>& sound, int64_t now) {
    for (int k = 0; k < Mixer::voiceCount; ++k) {
        if (mixer.voicesOf(k) > 0) continue;
        const float pitch = k % 2 == 0 ? 1.0f : 0.5f + 0.05f * static_cast<float>(k);
        const float pan = static_cast<float>(k) / 16.0f - 1.0f;
        mixer.play(k, sound.data(), sound.size(), 0.5f, pan, pitch, now);
    }
}

// Times mixing blocks of 1024 frames with every voice kept playing (and `music`, if any).
void timeMixing(benchmark::State& state, MusicSource* music) {
    SoundParams p;
    p.wave = Wave::saw, p.sustain = 5.0f, p.decay = 5.0f, p.vibratoDepth = 0.02f,
    p.vibratoSpeed = 5.0f;
    const std::vector<float> sound = renderSound(p, rate);
    Mixer mixer(rate);
    for (int k = 0; k < Mixer::voiceCount; ++k)
        mixer.setRules(k, {.minIntervalSamples = 0, .voiceLimit = 1, .bus = Bus::effects});
    std::vector<float> block(2 * 1024);
    int64_t now = 0;
    double frames = 0;
    for (auto _ : state) {
        state.PauseTiming();
        fill(mixer, sound, now);
        if (mixer.activeVoices() != Mixer::voiceCount) {
            state.SkipWithError("not all voices play");
            break;
        }
        state.ResumeTiming();
        mixer.mix(block, music);
        benchmark::DoNotOptimize(block.data());
        now += 1024;
        frames += 1024;
    }
    state.counters["ns_per_sample"] = benchmark::Counter(
        frames * 1e-9, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_MixVoices(benchmark::State& state) { timeMixing(state, nullptr); }

// The 32 voices as above and an eight-channel tune of sixteenth notes, each channel a
// filtered square with vibrato: the audio thread's whole work in the loudest moments.
void BM_MixVoicesAndMusic(benchmark::State& state) {
    SoundParams lead;
    lead.duty = 0.25f, lead.sustain = 0.1f, lead.decay = 0.1f, lead.vibratoDepth = 0.01f,
    lead.vibratoSpeed = 6.0f, lead.lowPass = 3000.0f, lead.highPass = 100.0f;
    std::vector<MmlChannel> channels;
    for (int c = 0; c < 8; ++c) channels.push_back(parseMmlChannel("o3 l16 [c e g > c < b g e d]99"));
    const MmlSong song = makeMmlSong(140, std::move(channels));
    std::vector<Tune> tunes;
    tunes.push_back({MusicSequencer(song, rate), std::vector<SoundParams>(8, lead),
                     std::vector<bool>(8, false)});
    MusicPlayer music(rate);
    music.setTunes(std::move(tunes));
    music.play(0);
    timeMixing(state, &music);
}

}  // namespace

BENCHMARK(BM_MixVoices)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MixVoicesAndMusic)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
