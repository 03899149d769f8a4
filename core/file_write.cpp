// Writing a file through a temporary file renamed into place.
#include "core/file_write.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Makes a finished rename durable: syncs the folder that holds `path`. Best effort, as
// some file systems refuse to sync a folder; the file itself was synced already.
void syncFolderOf(const std::string& path) {
    std::filesystem::path folder = std::filesystem::path(path).parent_path();
    if (folder.empty()) folder = ".";
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

std::string errorText(int error) {
    return error != 0 ? std::string(std::strerror(error)) : std::string("unknown error");
}

std::string replaceFileContents(const std::string& path, std::string_view bytes,
                                unsigned mode) {
    const std::string temporary = path + ".tmp-" + std::to_string(::getpid());
    std::remove(temporary.c_str());  // left by an earlier run that crashed, if any
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, static_cast<mode_t>(mode));
    if (fd < 0) return errorText(errno);
    std::FILE* file = ::fdopen(fd, "wb");
    if (file == nullptr) {
        const int error = errno;
        ::close(fd);
        std::remove(temporary.c_str());
        return errorText(error);
    }
    int error = 0;
    if (std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size() ||
        std::fflush(file) != 0 || ::fsync(::fileno(file)) != 0) {
        error = errno;
    }
    if (std::fclose(file) != 0 && error == 0) error = errno;
    if (error == 0 && std::rename(temporary.c_str(), path.c_str()) != 0) error = errno;
    if (error != 0) {
        std::remove(temporary.c_str());
        return errorText(error);
    }
    syncFolderOf(path);
    return {};
}

std::string createFoldersFor(const std::string& path) {
    std::filesystem::path folder;
    for (const std::filesystem::path& part : std::filesystem::path(path).parent_path()) {
        folder /= part;
        // The root is always there, and the browser's file system refuses to make it.
        if (!folder.has_relative_path()) continue;
        if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return errorText(errno);
    }
    return {};
}
