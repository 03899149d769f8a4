// Replay files: encoding, strict decoding and writing through a temporary file. Every
// integer is little-endian; docs/replays.md lays the bytes out field by field.
#include "replay/replay_file.h"

#include "core/file_write.h"
#include "core/hash.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

// The first eight bytes of every replay file.
constexpr std::string_view replayMagic = "QFREPLAY";
// Where the stored file length sits: after the magic and the format version.
constexpr size_t lengthOffset = 12;
// The checksum closes the file.
constexpr size_t checksumBytes = 8;
// Smallest encoding of one definition (empty name), one run and one check.
constexpr size_t minDefinitionBytes = 2 + 8;
constexpr size_t runBytes = 2 + 4;
constexpr size_t checkBytes = 4 + 8;
// Longest name a u16 length can describe.
constexpr size_t maxNameBytes = 0xFFFF;

// Appends `value` as `width` little-endian bytes.
void putLittle(std::string& bytes, uint64_t value, size_t width) {
    for (size_t i = 0; i < width; ++i) bytes.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// Appends a u16 length and the bytes of `text`, cut to what the length can describe.
void putName(std::string& bytes, std::string_view text) {
    text = text.substr(0, maxNameBytes);
    putLittle(bytes, text.size(), 2);
    bytes.append(text);
}

// Little-endian fields read from the front of a byte range that may end anywhere: every
// read checks the bytes left first and fails without moving when they are too few.
class Reader {
public:
    // Reads `bytes`, which must outlive the reader.
    explicit Reader(std::string_view bytes) : bytes_(bytes) {}
    // Bytes not read yet.
    size_t left() const { return bytes_.size() - pos_; }
    // Reads an unsigned integer of `width` bytes.
    bool little(uint64_t& value, size_t width) {
        if (left() < width) return false;
        value = 0;
        for (size_t i = 0; i < width; ++i) {
            value |= uint64_t{static_cast<uint8_t>(bytes_[pos_ + i])} << (8 * i);
        }
        pos_ += width;
        return true;
    }
    // Reads a u16.
    bool u16(uint16_t& value) { return narrow(value, 2); }
    // Reads a u32.
    bool u32(uint32_t& value) { return narrow(value, 4); }
    // Reads a u64.
    bool u64(uint64_t& value) { return little(value, 8); }
    // Reads an i32 stored as its two's-complement bits.
    bool i32(int32_t& value) {
        uint32_t bits = 0;
        if (!u32(bits)) return false;
        value = static_cast<int32_t>(bits);
        return true;
    }
    // Reads a u16 length and that many bytes.
    bool name(std::string& text) {
        uint16_t size = 0;
        if (!u16(size)) return false;
        if (left() < size) {
            pos_ -= 2;
            return false;
        }
        text.assign(bytes_.substr(pos_, size));
        pos_ += size;
        return true;
    }

private:
    // Reads `width` bytes into a narrower unsigned type.
    template <typename T>
    bool narrow(T& value, size_t width) {
        uint64_t wide = 0;
        if (!little(wide, width)) return false;
        value = static_cast<T>(wide);
        return true;
    }

    std::string_view bytes_;
    size_t pos_ = 0;
};

// Sets the reason and reports failure.
bool fail(std::string& why, std::string reason) {
    why = std::move(reason);
    return false;
}

// Sets a "damaged: ..." reason and reports failure.
bool damaged(std::string& why, const std::string& what) { return fail(why, "damaged: " + what); }

// The fields after the fixed header, the checksum already verified: every count and
// length is checked against the bytes left before anything is reserved for it.
bool decodeFields(std::string_view fields, Replay& out, std::string& why) {
    Reader in(fields);
    if (!in.name(out.gameVersion)) return damaged(why, "the game version runs past the end");
    uint32_t count = 0;
    if (!in.u32(count)) return damaged(why, "the definition count runs past the end");
    if (count > in.left() / minDefinitionBytes) {
        return damaged(why, std::to_string(count) + " definitions do not fit in the file");
    }
    out.definitions.reserve(count);
    for (uint32_t i = 0; i < count; ++i) {
        ReplayDefinition definition;
        if (!in.name(definition.name) || !in.u64(definition.hash)) {
            return damaged(why, "definition " + std::to_string(i + 1) + " runs past the end");
        }
        out.definitions.push_back(std::move(definition));
    }
    if (!in.i32(out.ship) || !in.u32(out.rngState) || !in.i32(out.startFrame) ||
        !in.u32(out.stepCount)) {
        return damaged(why,
                       "the ship, generator state, start frame and step count run past the end");
    }
    if (out.startFrame < 0) {
        return damaged(why, "start frame " + std::to_string(out.startFrame) + " is negative");
    }
    if (out.stepCount > maxReplaySteps) {
        return damaged(why, std::to_string(out.stepCount) + " steps, more than the " +
                                std::to_string(maxReplaySteps) + " a replay may hold");
    }
    if (!in.u32(count)) return damaged(why, "the run count runs past the end");
    if (count > in.left() / runBytes) {
        return damaged(why, std::to_string(count) + " runs do not fit in the file");
    }
    out.runs.resize(count);
    uint64_t stepsInRuns = 0;
    for (uint32_t i = 0; i < count; ++i) {
        ReplayRun& run = out.runs[i];
        in.u16(run.bits);  // cannot fail: the count fits in the bytes left
        in.u32(run.steps);
        if (run.steps == 0) {
            return damaged(why, "run " + std::to_string(i + 1) + " of " + std::to_string(count) +
                                    " has no steps");
        }
        stepsInRuns += run.steps;
    }
    if (stepsInRuns != out.stepCount) {
        return damaged(why, "the runs hold " + std::to_string(stepsInRuns) + " steps, not the " +
                                std::to_string(out.stepCount) + " the replay gives");
    }
    if (!in.u32(count)) return damaged(why, "the check count runs past the end");
    if (count > in.left() / checkBytes) {
        return damaged(why, std::to_string(count) + " checks do not fit in the file");
    }
    out.checks.resize(count);
    for (uint32_t i = 0; i < count; ++i) {
        ReplayCheck& check = out.checks[i];
        in.u32(check.step);  // cannot fail: the count fits in the bytes left
        in.u64(check.value);
        const auto which = [&] {
            return "check " + std::to_string(i + 1) + " (step " + std::to_string(check.step) + ")";
        };
        if (check.step == 0 || check.step > out.stepCount) {
            return damaged(why, which() + " is outside steps 1.." + std::to_string(out.stepCount));
        }
        if (i > 0 && check.step <= out.checks[i - 1].step) {
            return damaged(why, which() + " does not come after step " +
                                    std::to_string(out.checks[i - 1].step));
        }
    }
    if (in.left() != 0) {
        return damaged(why, std::to_string(in.left()) + " bytes left over after the checks");
    }
    return true;
}

// Closes a file descriptor when it goes out of scope.
struct DescriptorCloser {
    int fd;
    ~DescriptorCloser() { ::close(fd); }
};

}  // namespace

std::string encodeReplay(const Replay& replay) {
    std::string bytes;
    bytes.reserve(minReplayFileBytes + replay.gameVersion.size() +
                  replay.definitions.size() * (minDefinitionBytes + 16) +
                  replay.runs.size() * runBytes + replay.checks.size() * checkBytes);
    bytes.append(replayMagic);
    putLittle(bytes, replayFormatVersion, 4);
    putLittle(bytes, 0, 8);  // the file length, known at the end
    putName(bytes, replay.gameVersion);
    putLittle(bytes, replay.definitions.size(), 4);
    for (const ReplayDefinition& definition : replay.definitions) {
        putName(bytes, definition.name);
        putLittle(bytes, definition.hash, 8);
    }
    putLittle(bytes, static_cast<uint32_t>(replay.ship), 4);
    putLittle(bytes, replay.rngState, 4);
    putLittle(bytes, static_cast<uint32_t>(replay.startFrame), 4);
    putLittle(bytes, replay.stepCount, 4);
    putLittle(bytes, replay.runs.size(), 4);
    for (const ReplayRun& run : replay.runs) {
        putLittle(bytes, run.bits, 2);
        putLittle(bytes, run.steps, 4);
    }
    putLittle(bytes, replay.checks.size(), 4);
    for (const ReplayCheck& check : replay.checks) {
        putLittle(bytes, check.step, 4);
        putLittle(bytes, check.value, 8);
    }
    std::string length;
    putLittle(length, bytes.size() + checksumBytes, 8);
    bytes.replace(lengthOffset, length.size(), length);
    putLittle(bytes, fnv1a64(bytes), 8);
    return bytes;
}

bool decodeReplay(std::string_view bytes, Replay& out, std::string& why) {
    if (bytes.empty()) return fail(why, "not a replay file (empty file)");
    if (!bytes.starts_with(replayMagic)) return fail(why, "not a replay file");
    const std::string shortHeader = "truncated: " + std::to_string(bytes.size()) +
                                    " bytes, shorter than the " +
                                    std::to_string(replayHeaderBytes) + "-byte header";
    Reader header(bytes.substr(replayMagic.size()));
    uint32_t version = 0;
    if (!header.u32(version)) return fail(why, shortHeader);
    if (version != replayFormatVersion) {
        return fail(why, "unknown format version " + std::to_string(version));
    }
    uint64_t length = 0;
    if (!header.u64(length)) return fail(why, shortHeader);
    if (length > bytes.size()) {
        return fail(why, "truncated: " + std::to_string(bytes.size()) + " of " +
                             std::to_string(length) + " bytes");
    }
    if (length < bytes.size()) {
        return damaged(why, std::to_string(bytes.size() - length) +
                                " bytes after the end of the replay");
    }
    if (length < minReplayFileBytes) {
        return damaged(why, "the file gives its length as " + std::to_string(length) +
                                " bytes; a replay has at least " +
                                std::to_string(minReplayFileBytes));
    }
    const std::string_view body = bytes.substr(0, bytes.size() - checksumBytes);
    uint64_t checksum = 0;
    Reader(bytes.substr(body.size())).u64(checksum);
    if (fnv1a64(body) != checksum) return damaged(why, "checksum does not match");
    Replay replay;
    if (!decodeFields(body.substr(replayHeaderBytes), replay, why)) return false;
    out = std::move(replay);
    why.clear();
    return true;
}

bool readReplayFile(const std::string& path, Replay& out, std::string& why) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return fail(why, "cannot open: " + errorText(errno));
    const DescriptorCloser closer{fd};
    struct stat info {};
    if (::fstat(fd, &info) != 0) return fail(why, "cannot read: " + errorText(errno));
    if (S_ISDIR(info.st_mode)) return fail(why, "not a file: it is a folder");
    if (!S_ISREG(info.st_mode)) return fail(why, "not a regular file");
    const auto size = static_cast<uint64_t>(info.st_size);
    if (size > maxReplayFileBytes) {
        return fail(why, "too large: " + std::to_string(size) + " bytes, more than the " +
                             std::to_string(maxReplayFileBytes) + " a replay may have");
    }
    std::string bytes(static_cast<size_t>(size), '\0');
    size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return fail(why, "cannot read: " + errorText(errno));
        if (n == 0) break;  // the file shrank meanwhile: decoding finds it truncated
        got += static_cast<size_t>(n);
    }
    bytes.resize(got);
    return decodeReplay(bytes, out, why);
}

bool writeReplayFile(const std::string& path, const Replay& replay, std::string& why) {
    const std::string bytes = encodeReplay(replay);
    if (bytes.size() > maxReplayFileBytes) {
        return fail(why, "too large: " + std::to_string(bytes.size()) + " bytes, more than the " +
                             std::to_string(maxReplayFileBytes) + " a replay may have");
    }
    Replay readBack;
    if (!decodeReplay(bytes, readBack, why)) {
        return fail(why, "not written, it would not read back: " + why);
    }
    const std::string problem = replaceFileContents(path, bytes);
    if (!problem.empty()) return fail(why, "cannot write: " + problem);
    return true;
}

std::vector<ReplayDefinition> definitionsOf(std::span<const LoadedFile> files) {
    std::vector<ReplayDefinition> definitions;
    definitions.reserve(files.size());
    for (const LoadedFile& file : files) definitions.push_back({file.path, file.hash});
    return definitions;
}
