// WAV files: 16-bit PCM stereo in a RIFF container, as every audio program reads it.
#include "audio/audio.h"

#include "core/file_write.h"
#include "core/numbers.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

// Bytes of the RIFF, fmt and data headers before the samples.
constexpr size_t headerBytes = 44;
// Bytes per stereo frame of two 16-bit samples.
constexpr uint32_t frameBytes = 4;

// Appends `v` as `bytes` little-endian bytes.
void put(std::string& out, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

// One sample as a 16-bit value: clamped to -1..1 (NaN as 0), times 32767, rounded.
int16_t pcm(float x) {
    if (std::isnan(x)) return 0;
    return static_cast<int16_t>(num::roundToInt(std::clamp(x, -1.0f, 1.0f) * 32767.0));
}

}  // namespace

std::string wavBytes(std::span<const float> interleavedStereo, int sampleRate) {
    constexpr uint64_t mostFrames = (uint64_t{0xFFFFFFFF} - headerBytes) / frameBytes;
    const uint64_t frames = std::min<uint64_t>(interleavedStereo.size() / 2, mostFrames);
    const uint32_t dataBytes = static_cast<uint32_t>(frames * frameBytes);
    const uint32_t rate = static_cast<uint32_t>(std::max(sampleRate, 1));
    std::string out;
    out.reserve(headerBytes + dataBytes);
    out += "RIFF";
    put(out, static_cast<uint32_t>(headerBytes - 8) + dataBytes, 4);
    out += "WAVEfmt ";
    put(out, 16, 4);                  // the fmt chunk's size
    put(out, 1, 2);                   // PCM
    put(out, 2, 2);                   // channels
    put(out, rate, 4);                // frames per second
    put(out, rate * frameBytes, 4);   // bytes per second
    put(out, frameBytes, 2);          // bytes per frame
    put(out, 16, 2);                  // bits per sample
    out += "data";
    put(out, dataBytes, 4);
    for (uint64_t i = 0; i < 2 * frames; ++i)
        put(out, static_cast<uint16_t>(pcm(interleavedStereo[i])), 2);
    return out;
}

std::string writeWavFile(const std::string& path, std::span<const float> interleavedStereo,
                         int sampleRate) {
    return replaceFileContents(path, wavBytes(interleavedStereo, sampleRate));
}
