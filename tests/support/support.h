// Shared test helpers: a fresh game state, temporary files and small builders.
#pragma once

#include "core/game_state.h"
#include "defs/defs.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace testing_support {

// A temporary directory removed when the object goes out of scope.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    // Writes `content` to `name` inside the directory and returns its full path.
    std::string write(std::string_view name, std::string_view content) const;

private:
    std::filesystem::path path_;
};

// Runs `binary args` with `dir` as working directory, output in stdout.txt and
// stderr.txt there; returns the exit status, -1 if it did not exit normally.
int runInDir(const std::filesystem::path& dir, const std::string& binary, const std::string& args);
// The whole content of a file, empty when it does not exist.
std::string readWholeFile(const std::filesystem::path& file);

// Makes one parameter the way the command parser would (name, value text, decoded).
SpawnParam makeParam(std::string_view name, std::string_view value);

}  // namespace testing_support
