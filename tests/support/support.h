// Shared test helpers: a fresh game state, temporary files and small builders.
#pragma once

#include "app/game_state.h"

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

// Makes one parameter the way the command parser would (name, value text, decoded).
SpawnParam makeParam(std::string_view name, std::string_view value);

}  // namespace testing_support
