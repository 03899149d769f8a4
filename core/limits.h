// The limits the game enforces so that no definition file can exhaust memory or the
// stack; loaders and the runtime both read them.
#pragma once

#include <cstddef>
#include <cstdint>

namespace limits {
constexpr size_t maxActors = 100000;      // appends past this are dropped
constexpr size_t maxEmitters = 100000;    // spawns past this are dropped
constexpr int maxScriptDepth = 256;       // nested executeScript runs past this do nothing
constexpr int maxBlockDepth = 256;        // nested inline event blocks past this are skipped
constexpr int64_t maxScriptWork = int64_t{1} << 21;  // script work units per step (see below)
constexpr size_t maxBossBars = 1024;      // boss bars past this are dropped
constexpr int32_t maxTimelineSlots = 1 << 21;  // stage lengths past ~9.7 hours are cut here
constexpr size_t maxDefinitionText = size_t{16} << 20;  // definition text of one start-up, bytes
constexpr size_t maxModelLines = 4096;    // lines of one Model past this are dropped
constexpr size_t maxModelCircles = 4096;  // hit circles of one Model past this are dropped
constexpr int64_t maxCollisionWork = int64_t{1} << 22;  // shot-target tests per step
constexpr size_t maxStepEvents = 4096;    // events of one step past this are only counted
constexpr size_t maxSounds = 1024;        // sound blocks of new names past this are dropped
constexpr size_t maxMusic = 64;           // music blocks of new names past this are dropped
constexpr size_t maxSoundCommandNames = maxSounds + maxMusic;  // names sound and music commands give
constexpr size_t maxMusicChannels = 8;    // channels of one music block past this are dropped
constexpr size_t maxMusicChannelsRead = 512;  // channels read per load; later ones stay empty
constexpr size_t maxMusicNotes = size_t{1} << 20;  // notes held by all music; later ones dropped
}  // namespace limits
