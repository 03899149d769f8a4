// Input runners' common parts: splitting inputs, the per-process scratch directory and
// the resident memory read from /proc.
#include "tests/support/input_runners.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <system_error>
#include <unistd.h>

namespace testing_support {

namespace {

// Owns the scratch directory; removing it at exit keeps /tmp clean after long fuzz runs.
class ScratchDirectory {
public:
    ScratchDirectory() {
        path_ = std::filesystem::temp_directory_path() /
                ("quillfray-scratch-" + std::to_string(::getpid()));
        std::error_code ignored;
        std::filesystem::create_directories(path_, ignored);
    }
    ~ScratchDirectory() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// The value in kB of one "Name:   123 kB" line of /proc/self/status, in bytes.
size_t statusValue(std::string_view field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (!line.starts_with(field)) continue;
        size_t kilobytes = 0;
        for (char c : std::string_view(line).substr(field.size())) {
            if (c >= '0' && c <= '9') kilobytes = kilobytes * 10 + static_cast<size_t>(c - '0');
        }
        return kilobytes * 1024;
    }
    return 0;
}

}  // namespace

// Cuts the input at separators into exactly `parts` pieces.
std::vector<std::string_view> splitInput(std::span<const uint8_t> bytes, size_t parts) {
    std::string_view rest(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    std::vector<std::string_view> pieces;
    while (pieces.size() + 1 < parts) {
        const size_t cut = rest.find(inputSeparator);
        if (cut == std::string_view::npos) break;
        pieces.push_back(rest.substr(0, cut));
        rest.remove_prefix(cut + inputSeparator.size());
    }
    pieces.push_back(rest);
    pieces.resize(parts);
    return pieces;
}

// The process's scratch directory, made on first use.
const std::filesystem::path& scratchDirectory() {
    static const ScratchDirectory directory;
    return directory.path();
}

// Writes one scratch file, replacing any earlier content.
std::string writeScratchFile(std::string_view name, std::string_view content) {
    const auto file = scratchDirectory() / std::string(name);
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    return file.string();
}

// Lists the regression inputs of one fuzzer, in name order.
std::vector<std::filesystem::path> regressionFiles(const std::string& sourceDir,
                                                   std::string_view fuzzer) {
    std::vector<std::filesystem::path> files;
    std::error_code ignored;
    const auto dir = std::filesystem::path(sourceDir) / "tests" / "regressions" / std::string(fuzzer);
    for (const auto& entry : std::filesystem::directory_iterator(dir, ignored)) {
        if (entry.is_regular_file()) files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

// Reads a whole file as bytes.
std::vector<uint8_t> readBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// VmHWM: the most memory the process has held so far.
size_t peakResidentBytes() { return statusValue("VmHWM:"); }

// VmRSS: the memory the process holds now.
size_t residentBytes() { return statusValue("VmRSS:"); }

}  // namespace testing_support
