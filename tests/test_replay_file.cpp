// Replay files: the exact encoding, every reason a file is refused, and the write path.
#include "core/hash.h"
#include "replay/replay_file.h"
#include "tests/support/support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <vector>

using testing_support::TempDir;

namespace {

// A replay with a negative ship, a late start frame, several runs and checks: 188 bytes
// encoded. Its fields start at: definitions 35, ship 96, startFrame 104, stepCount 108,
// runs 112, checks 140, checksum 180.
Replay sample() {
    Replay r;
    r.gameVersion = "quillfray 1.4";
    r.definitions = {{"base.vec", 0x1122334455667788ull},
                     {"font.vec", 0x8877665544332211ull},
                     {"default.lev", 42}};
    r.ship = -3;
    r.rngState = 0xDEADBEEF;
    r.startFrame = 1800;
    r.stepCount = 150;
    r.runs = {{0x0020, 100}, {0x0022, 7}, {0, 1}, {0x7FFE, 42}};
    r.checks = {{1, 0xABCDEF0123456789ull}, {60, 7}, {150, 0}};
    return r;
}

// Overwrites `width` little-endian bytes at `offset`.
void put(std::string& bytes, size_t offset, uint64_t value, size_t width) {
    for (size_t i = 0; i < width; ++i) bytes[offset + i] = static_cast<char>(value >> (8 * i));
}

// The bytes with their stored length and checksum made right again.
std::string resealed(std::string bytes) {
    put(bytes, 12, bytes.size(), 8);
    put(bytes, bytes.size() - 8, fnv1a64(std::string_view(bytes).substr(0, bytes.size() - 8)), 8);
    return bytes;
}

// The sample's bytes with one field changed and the checksum recomputed.
std::string lying(size_t offset, uint64_t value, size_t width) {
    std::string bytes = encodeReplay(sample());
    put(bytes, offset, value, width);
    return resealed(bytes);
}

// Why `bytes` are refused; the replay given to the decoder must be left as it was.
std::string refusal(std::string_view bytes) {
    Replay out = sample();
    std::string why;
    EXPECT_FALSE(decodeReplay(bytes, out, why));
    EXPECT_EQ(out, sample());
    return why;
}

// Why the file at `path` is refused.
std::string fileRefusal(const std::filesystem::path& path) {
    Replay out;
    std::string why;
    EXPECT_FALSE(readReplayFile(path.string(), out, why));
    return why;
}

}  // namespace

TEST(ReplayFile, EncodesExactlyAndDecodesToTheSameReplay) {
    const std::string bytes = encodeReplay(sample());
    ASSERT_EQ(bytes.size(), 188u);
    EXPECT_EQ(bytes.substr(0, 12), std::string("QFREPLAY\x01\0\0\0", 12));
    EXPECT_EQ(bytes.substr(12, 8), std::string("\xBC\0\0\0\0\0\0\0", 8));
    EXPECT_EQ(bytes.substr(96, 4), "\xFD\xFF\xFF\xFF");
    EXPECT_EQ(bytes.substr(104, 4), std::string("\x08\x07\0\0", 4));
    Replay out;
    std::string why = "stale";
    ASSERT_TRUE(decodeReplay(bytes, out, why)) << why;
    EXPECT_EQ(why, "");
    EXPECT_EQ(out, sample());

    const std::string empty = encodeReplay(Replay{});
    EXPECT_EQ(empty.size(), minReplayFileBytes);
    ASSERT_TRUE(decodeReplay(empty, out, why)) << why;
    EXPECT_EQ(out, Replay{});

    Replay longName;
    longName.gameVersion = std::string(70000, 'v');
    ASSERT_TRUE(decodeReplay(encodeReplay(longName), out, why)) << why;
    EXPECT_EQ(out.gameVersion, std::string(65535, 'v'));
}

TEST(ReplayFile, RefusesEveryDamagedFileWithItsReason) {
    const std::string good = encodeReplay(sample());
    EXPECT_EQ(refusal(""), "not a replay file (empty file)");
    EXPECT_EQ(refusal("QFREP"), "not a replay file");
    EXPECT_EQ(refusal("XFREPLAY" + good.substr(8)), "not a replay file");
    EXPECT_EQ(refusal(good.substr(0, 10)), "truncated: 10 bytes, shorter than the 20-byte header");
    EXPECT_EQ(refusal(good.substr(0, 20)), "truncated: 20 of 188 bytes");
    EXPECT_EQ(refusal(good.substr(0, 100)), "truncated: 100 of 188 bytes");
    EXPECT_EQ(refusal(good + "xy"), "damaged: 2 bytes after the end of the replay");
    std::string flipped = good;
    flipped[90] ^= 0x40;
    EXPECT_EQ(refusal(flipped), "damaged: checksum does not match");
    EXPECT_EQ(refusal(lying(8, 2, 4)), "unknown format version 2");
    EXPECT_EQ(refusal(lying(8, 2, 4).substr(0, 15)), "unknown format version 2");
    EXPECT_EQ(refusal(resealed(good.substr(0, 30))),
              "damaged: the file gives its length as 30 bytes; a replay has at least 58");

    // Lies in the fields behind a valid checksum.
    EXPECT_EQ(refusal(lying(20, 0xFFFF, 2)), "damaged: the game version runs past the end");
    EXPECT_EQ(refusal(lying(35, 0xFFFFFFFF, 4)),
              "damaged: 4294967295 definitions do not fit in the file");
    EXPECT_EQ(refusal(lying(35, 4, 4)), "damaged: definition 4 runs past the end");
    EXPECT_EQ(refusal(lying(104, 0xFFFFFFFF, 4)), "damaged: start frame -1 is negative");
    EXPECT_EQ(refusal(lying(104, 0x80000000, 4)), "damaged: start frame -2147483648 is negative");
    EXPECT_EQ(refusal(lying(108, maxReplaySteps + 1, 4)),
              "damaged: 16777217 steps, more than the 16777216 a replay may hold");
    EXPECT_EQ(refusal(lying(108, 151, 4)),
              "damaged: the runs hold 150 steps, not the 151 the replay gives");
    EXPECT_EQ(refusal(lying(112, 0x10000000, 4)), "damaged: 268435456 runs do not fit in the file");
    EXPECT_EQ(refusal(lying(130, 0, 4)), "damaged: run 3 of 4 has no steps");
    EXPECT_EQ(refusal(lying(140, 5, 4)), "damaged: 5 checks do not fit in the file");
    EXPECT_EQ(refusal(lying(140, 2, 4)), "damaged: 12 bytes left over after the checks");
    EXPECT_EQ(refusal(lying(156, 1, 4)), "damaged: check 2 (step 1) does not come after step 1");
    EXPECT_EQ(refusal(lying(168, 151, 4)), "damaged: check 3 (step 151) is outside steps 1..150");
    EXPECT_EQ(refusal(resealed(good.substr(0, 100) + std::string(8, '\0'))),
              "damaged: the ship, generator state, start frame and step count run past the end");

    // Files that are not regular, readable and small enough are refused before decoding.
    TempDir dir;
    EXPECT_EQ(fileRefusal(dir.path()), "not a file: it is a folder");
    EXPECT_EQ(fileRefusal(dir.path() / "absent.qfr"), "cannot open: No such file or directory");
    ASSERT_EQ(::mkfifo((dir.path() / "pipe").c_str(), 0600), 0);
    EXPECT_EQ(fileRefusal(dir.path() / "pipe"), "not a regular file");
    const std::string huge = dir.write("huge.qfr", good);
    std::filesystem::resize_file(huge, maxReplayFileBytes + 1);
    EXPECT_EQ(fileRefusal(huge), "too large: 67108865 bytes, more than the 67108864 a replay may have");
}

TEST(ReplayFile, WritesThroughATemporaryFileAndLeavesNothingOnFailure) {
    TempDir dir;
    const auto names = [&] {
        std::vector<std::string> found;
        for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
            found.push_back(entry.path().filename().string());
        }
        std::sort(found.begin(), found.end());
        return found;
    };
    const std::string path = (dir.path() / "run.qfr").string();
    std::string why;
    dir.write("run.qfr", "an older file");
    ASSERT_TRUE(writeReplayFile(path, sample(), why)) << why;
    Replay out;
    ASSERT_TRUE(readReplayFile(path, out, why)) << why;
    EXPECT_EQ(out, sample());
    EXPECT_EQ(names(), std::vector<std::string>{"run.qfr"});

    EXPECT_FALSE(writeReplayFile((dir.path() / "missing" / "run.qfr").string(), sample(), why));
    EXPECT_EQ(why, "cannot write: No such file or directory");
    std::filesystem::create_directory(dir.path() / "folder");
    EXPECT_FALSE(writeReplayFile((dir.path() / "folder").string(), sample(), why));
    EXPECT_EQ(why, "cannot write: Is a directory");
    Replay uneven = sample();
    uneven.stepCount = 149;
    EXPECT_FALSE(writeReplayFile((dir.path() / "uneven.qfr").string(), uneven, why));
    EXPECT_EQ(why, "not written, it would not read back: "
                   "damaged: the runs hold 150 steps, not the 149 the replay gives");
    Replay early = sample();
    early.startFrame = -1;
    EXPECT_FALSE(writeReplayFile((dir.path() / "early.qfr").string(), early, why));
    EXPECT_EQ(why, "not written, it would not read back: damaged: start frame -1 is negative");
    EXPECT_EQ(names(), (std::vector<std::string>{"folder", "run.qfr"}));
    EXPECT_TRUE(std::filesystem::is_empty(dir.path() / "folder"));
}
