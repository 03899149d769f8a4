// The parameters of one sound effect: the waveform, its pitch over time, the envelope, the
// filters and the rules the mixer applies when the game starts it many times over.
#pragma once

#include "core/sound_records.h"

#include <cstdint>
#include <span>
#include <string_view>

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
