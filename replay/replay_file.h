// Replay files: a recorded run as the held action bits of every gameplay step, with what
// the run started from and check values to find a desync. Encoding, strict decoding of
// files that may come from anyone, and writing through a temporary file.
#pragma once

#include "core/replay.h"

#include <cstdint>
#include <string>
#include <string_view>

// The format this code writes and the only one it reads.
constexpr uint32_t replayFormatVersion = 1;
// Longest run a replay may describe: about 77 hours of steps.
constexpr uint32_t maxReplaySteps = uint32_t{1} << 24;
// Largest replay file read; anything larger is refused before it is read whole.
constexpr uint64_t maxReplayFileBytes = uint64_t{64} << 20;

// The bytes of a replay file.
std::string encodeReplay(const Replay& replay);
// Reads replay bytes; false with a one-line reason in `why` ("truncated: ...",
// "damaged: ...", "not a replay file", "unknown format version N", ...) when they cannot
// be used. Never allocates more than the bytes justify.
bool decodeReplay(std::string_view bytes, Replay& out, std::string& why);
// Reads and decodes a replay file; false with the reason when it cannot be used.
bool readReplayFile(const std::string& path, Replay& out, std::string& why);
// Writes the file through a temporary file in the same folder renamed into place; false
// with the reason when it cannot be written (nothing is left under either name then).
bool writeReplayFile(const std::string& path, const Replay& replay, std::string& why);
