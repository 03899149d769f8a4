// Files the game writes (replays, the controls file) go through a temporary file beside
// the real one, synced and renamed into place, so that a crash or a full disk never
// leaves a half-written file under the real name.
#pragma once

#include <string>
#include <string_view>

// The text of a system error number, never "Success".
std::string errorText(int error);

// Writes `bytes` to `path` through a temporary file in the same folder (created with
// permission bits `mode`, less the umask), synced and renamed over `path`, then syncs the
// folder. Returns "" or the reason it failed; the temporary file never stays behind.
std::string replaceFileContents(const std::string& path, std::string_view bytes,
                                unsigned mode = 0666);

// Creates the folder that holds `path`, and any missing folder above it, each readable
// by the user only (0700, as a folder of one's settings should be). Returns "" or the
// reason it failed.
std::string createFoldersFor(const std::string& path);
