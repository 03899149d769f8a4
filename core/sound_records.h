// The sound and music records the definition files produce: an effect's synthesizer
// parameters and one channel of music read into notes. The audio layer renders and plays
// them (audio/audio.h, audio/mml.h); the registries hold them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The oscillator's waveform.
enum class Wave : uint8_t { square, saw, sine, triangle, noise };

// One effect as the synthesizer renders it. Times are in seconds, frequencies in Hz;
// each field's range and default are in soundParamTable (audio/audio.h), and
// clampSoundParams brings any values into them. The defaults make a short square blip.
struct SoundParams {
    Wave wave = Wave::square;
    float duty = 0.5f;          // square: the share of each period that is high, 0.05..0.95
    float dutySweep = 0.0f;     // square: change of the duty per second, -4..4
    float freq = 440.0f;        // start frequency, 20..12000
    float slide = 0.0f;         // change of the frequency per second, -20000..20000
    float deltaSlide = 0.0f;    // change of the slide per second, -100000..100000
    float vibratoDepth = 0.0f;  // vibrato as a share of the frequency, 0..1
    float vibratoSpeed = 0.0f;  // vibrato cycles per second, 0..60
    float arpeggio = 1.0f;      // frequency multiplier applied once, at arpeggioTime, 0.125..8
    float arpeggioTime = 0.0f;  // when the multiplier applies (0: never), 0..10
    float attack = 0.0f;        // rise from silence to full volume, 0..5
    float sustain = 0.06f;      // time held at full volume, 0..5
    float punch = 0.0f;         // extra volume at the start of the sustain, fading, 0..1
    float decay = 0.12f;        // fall to silence, 0..5
    float lowPass = 0.0f;       // low-pass cutoff (0: no low-pass), 0..20000
    float lowPassSweep = 0.0f;  // change of the low-pass cutoff per second, -40000..40000
    float resonance = 0.0f;     // low-pass resonance, 0..0.95
    float highPass = 0.0f;      // high-pass cutoff (0: no high-pass), 0..20000
    float highPassSweep = 0.0f; // change of the high-pass cutoff per second, -40000..40000
    float repeat = 0.0f;        // restart pitch, slides, duty, arpeggio this often (0: no), 0..10
    float volume = 0.5f;        // 0..1
    float minInterval = 1.0f / 30.0f;  // mixer: shortest time between two starts, 0..10
    float voiceLimit = 4.0f;    // mixer: most voices playing this sound at once, 1..32 (whole)
};

namespace mml {
constexpr int32_t ticksPerWhole = 384;                 // 2^7 * 3: dots and thirds stay exact
constexpr int32_t ticksPerQuarter = ticksPerWhole / 4;
constexpr int32_t defaultTempo = 120;                  // quarter notes a minute
constexpr int32_t minTempo = 1, maxTempo = 999;
constexpr int32_t maxOctave = 8;
constexpr int32_t defaultOctave = 4;                   // o4 a is A4, 440 Hz
constexpr int32_t maxVolume = 15;
constexpr int32_t defaultVolume = 15;
constexpr int32_t maxLoopDepth = 8;                    // deeper '[' are reported and ignored
constexpr int32_t maxLoopCount = 999;                  // larger counts are clamped to this
constexpr size_t maxCommands = size_t{1} << 20;       // commands of one channel's text past this are ignored
constexpr size_t maxNotes = 65536;                     // notes of one channel past this are dropped
constexpr size_t maxTempoChanges = 4096;               // tempo changes of one channel past this are dropped
constexpr size_t maxErrors = 32;                       // errors of one channel past this are only counted
constexpr int64_t maxWork = int64_t{1} << 22;          // commands played while expanding a channel
// Longest channel in ticks: 30 minutes at the fastest tempo.
constexpr int32_t maxTicks = 30 * maxTempo * ticksPerQuarter;
// Longest song: 30 minutes, in microseconds; later notes are dropped.
constexpr int64_t maxSongMicroseconds = int64_t{30} * 60 * 1000000;
}  // namespace mml

// One note as played: where it starts and how long it lasts, in ticks from the start of
// its channel. Rests are not stored: they are the gaps between notes.
struct MmlNote {
    int32_t startTick = 0;
    int32_t lengthTicks = 0;
    int32_t midiNote = 60;          // 60 is o4 c (middle C), 69 is o4 a (440 Hz)
    int32_t column = 0;             // 1-based byte position of the note's letter
    uint8_t volume = mml::defaultVolume;  // 0..15
    bool tiedFromPrevious = false;  // reached by '&' from a note of another pitch (legato)
};

// A tempo from a tick on (quarter notes a minute).
struct MmlTempo {
    int32_t tick = 0;
    int32_t bpm = mml::defaultTempo;
};

// A mistake in a channel's text and where it is (1-based byte position, 0: the whole
// channel).
struct MmlError {
    int32_t column = 0;
    std::string message;
};

// One channel's text read and played out: its notes in order, its tempo changes, its
// length (the end of its last note or rest) and what was wrong with it.
struct MmlChannel {
    std::vector<MmlNote> notes;
    std::vector<MmlTempo> tempos;
    int32_t lengthTicks = 0;
    std::vector<MmlError> errors;   // at most mml::maxErrors, in column order
    uint32_t errorsDropped = 0;     // errors past that cap
};

// Channels played together. One tempo map serves every channel (a 't' in any channel sets
// the tempo of the whole song from its tick on), and the song lasts as long as its longest
// channel: the loop point.
struct MmlSong {
    std::vector<MmlChannel> channels;
    std::vector<MmlTempo> tempoMap;  // sorted by tick, the first at tick 0
    int32_t lengthTicks = 0;
};

