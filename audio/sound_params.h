// The parameters of one sound effect: the waveform, its pitch over time, the envelope, the
// filters and the rules the mixer applies when the game starts it many times over.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

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

// Longest sound the synthesizer renders, in seconds: attack, sustain and decay are cut to it.
constexpr float maxSoundSeconds = 10.0f;
// The sample rates renderSound accepts; others are brought into this range.
constexpr int minSampleRate = 8000;
constexpr int maxSampleRate = 192000;

// One number field of SoundParams: the word an author writes for it, its range and default.
struct SoundParamInfo {
    std::string_view name;
    float SoundParams::*field;
    float lowest;
    float highest;
    float fallback;  // the default, also what NaN becomes
};

// The five waveforms' names as authors write them, in the order of Wave.
constexpr std::string_view waveNames[] = {"square", "saw", "sine", "triangle", "noise"};
