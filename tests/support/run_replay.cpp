// Input runner for replay files: arbitrary bytes decoded, refusals checked for a proper
// reason, decoded replays checked to encode back to the same bytes. The bytes are also
// tried with their length and checksum made right, so that fuzzing reaches the fields
// behind the checksum (anyone can compute a checksum; the fields must hold on their own).
#include "tests/support/input_runners.h"

#include "core/hash.h"
#include "replay/replay_file.h"

#include <array>

namespace testing_support {

namespace {

// The beginnings every refusal reason has.
constexpr std::array<std::string_view, 4> reasonStarts = {
    "not a replay file", "truncated: ", "damaged: ", "unknown format version "};

// A replay the decoder must not touch when it refuses the bytes.
Replay untouched() {
    Replay replay;
    replay.gameVersion = "untouched";
    replay.stepCount = 1;
    replay.runs = {{1, 1}};
    return replay;
}

// Overwrites eight little-endian bytes at `offset`.
void putU64(std::string& bytes, size_t offset, uint64_t value) {
    for (size_t i = 0; i < 8; ++i) bytes[offset + i] = static_cast<char>(value >> (8 * i));
}

// The bytes with a format-1 header, their real length and a matching checksum; empty when
// they are too short to hold a replay.
std::string resealed(std::string_view bytes) {
    if (bytes.size() < minReplayFileBytes) return {};
    std::string sealed(bytes);
    sealed.replace(0, 12, std::string_view("QFREPLAY\x01\0\0\0", 12));
    putU64(sealed, 12, sealed.size());
    putU64(sealed, sealed.size() - 8,
           fnv1a64(std::string_view(sealed).substr(0, sealed.size() - 8)));
    return sealed;
}

// Decodes `bytes` and returns the first broken invariant, empty when none; `steps` gets
// the decoded replay's step count.
std::string decodeProblem(std::string_view bytes, size_t& steps) {
    Replay replay = untouched();
    std::string why;
    if (!decodeReplay(bytes, replay, why)) {
        bool known = false;
        for (std::string_view start : reasonStarts) known = known || why.starts_with(start);
        if (!known || why.find('\n') != std::string::npos) return "refused with an odd reason: " + why;
        if (!(replay == untouched())) return "a refused file changed the replay";
        return {};
    }
    steps = replay.stepCount;
    if (!why.empty()) return "decoded with a reason left: " + why;
    const std::string again = encodeReplay(replay);
    if (again != bytes) return "the decoded replay encodes to other bytes";
    Replay second;
    if (!decodeReplay(again, second, why) || !(second == replay)) {
        return "the re-encoded replay decodes differently: " + why;
    }
    return {};
}

}  // namespace

// Decodes the bytes as they are and resealed, checking the outcome either way.
RunReport runReplayInput(std::span<const uint8_t> bytes) {
    RunReport report;
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    report.problem = decodeProblem(text, report.steps);
    const std::string sealed = resealed(text);
    if (report.problem.empty() && !sealed.empty()) {
        report.problem = decodeProblem(sealed, report.steps);
        if (!report.problem.empty()) report.problem += " (with the checksum made right)";
    }
    return report;
}

}  // namespace testing_support
