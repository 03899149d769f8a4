// Replay files: a recorded run as the held action bits of every gameplay step, with what
// the run started from and check values to find a desync. Encoding, strict decoding of
// files that may come from anyone, and writing through a temporary file.
#pragma once

#include "core/records.h"
#include "core/replay.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

// The format this code writes and the only one it reads.
constexpr uint32_t replayFormatVersion = 1;
// Longest run a replay may describe: about 77 hours of steps.
constexpr uint32_t maxReplaySteps = uint32_t{1} << 24;
// Largest replay file read; anything larger is refused before it is read whole.
constexpr uint64_t maxReplayFileBytes = uint64_t{64} << 20;

// Bytes before the first variable-length field: magic, format version, file length.
constexpr size_t replayHeaderBytes = 20;
// The smallest replay file: the header, an empty game version, no definitions, runs or
// checks, and the checksum.
constexpr size_t minReplayFileBytes = 58;

// The bytes of a replay file (docs/replays.md describes them). A game version or
// definition name longer than 65535 bytes is cut to its first 65535.
std::string encodeReplay(const Replay& replay);
// Reads replay bytes; false with a one-line reason in `why` ("truncated: ...",
// "damaged: ...", "not a replay file", "unknown format version N", ...) when they cannot
// be used, and `out` is then left as it was. Never allocates more than the bytes justify.
bool decodeReplay(std::string_view bytes, Replay& out, std::string& why);
// Opens without blocking (a pipe would wait for a writer), refuses what is not a regular
// file or is too large, then reads the whole file and decodes it.
bool readReplayFile(const std::string& path, Replay& out, std::string& why);
// Writes the file through a temporary file in the same folder renamed into place; false
// with the reason when it cannot be written (nothing is left under either name then). A
// replay whose bytes would not decode (runs that do not add up, say) is refused unwritten.
bool writeReplayFile(const std::string& path, const Replay& replay, std::string& why);
// The loaded definition files as a replay's header names them (each path and hash, in
// load order): what a run was played on, and the key of its level set's records.
std::vector<ReplayDefinition> definitionsOf(std::span<const LoadedFile> files);
