// Audio: the effect synthesizer, the mixer (audio/mixer.h) and WAV files. Our own code on
// plain arithmetic and the game's sine, so that a sound is the same on every machine;
// no engine calls.
#pragma once

#include "audio/mixer.h"
#include "audio/music_player.h"
#include "audio/sound_params.h"

#include <cstddef>
#include <span>
#include <string>
#include <vector>

// ---------------------------------------------------------------- synth.cpp

// Every number field of SoundParams with its name, range and default.
std::span<const SoundParamInfo> soundParamTable();
// Brings every field into its range: NaN becomes the default, infinities and huge values
// the nearest bound, the voice limit a whole number, an unknown waveform a square.
SoundParams clampSoundParams(const SoundParams& params);
// The number of samples renderSound gives: attack, sustain and decay, each rounded to whole
// samples, at most maxSoundSeconds in all.
size_t soundLengthSamples(const SoundParams& params, int sampleRate);
// Renders the (clamped) sound once as mono samples within -1..1 at `sampleRate` (brought
// into minSampleRate..maxSampleRate), with a fade of a millisecond at each end. The same
// parameters give the same samples on every machine.
std::vector<float> renderSound(const SoundParams& params, int sampleRate);

// ---------------------------------------------------------------- wav.cpp

// A 16-bit PCM stereo RIFF WAV file of interleaved samples (left, right, ...): each value
// clamped to -1..1 (NaN as 0), times 32767, rounded to the nearest. An odd last value is
// left out, and so are frames beyond what a WAV file's 32-bit sizes can hold.
std::string wavBytes(std::span<const float> interleavedStereo, int sampleRate);
// Writes wavBytes to `path` through a temporary file renamed into place; returns "" or the
// reason it failed.
std::string writeWavFile(const std::string& path, std::span<const float> interleavedStereo,
                         int sampleRate);
