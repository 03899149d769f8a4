// Shared test helpers.
#include "tests/support/support.h"

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace testing_support {

namespace {
std::atomic<int> tempCounter{0};
}

// Creates a unique empty directory under the system's temporary directory.
TempDir::TempDir() {
    auto base = std::filesystem::temp_directory_path();
    for (;;) {
        auto candidate = base / ("quillfray-test-" + std::to_string(::getpid()) + "-" +
                                 std::to_string(tempCounter++));
        if (std::filesystem::create_directory(candidate)) {
            path_ = candidate;
            return;
        }
    }
}

// Removes the directory and everything in it.
TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

// Writes `content` to `name` inside the directory and returns its full path.
std::string TempDir::write(std::string_view name, std::string_view content) const {
    auto file = path_ / std::string(name);
    std::ofstream out(file, std::ios::binary);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    return file.string();
}

// Runs `binary args` in `dir` with its output in stdout.txt and stderr.txt there.
int runInDir(const std::filesystem::path& dir, const std::string& binary, const std::string& args) {
    const std::string command = "cd '" + dir.string() + "' && '" + binary + "' " + args +
                                " > stdout.txt 2> stderr.txt";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The whole content of a file, empty when it does not exist.
std::string readWholeFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

// Makes one parameter the way the command parser would: name, text and decoded forms.
SpawnParam makeParam(std::string_view name, std::string_view value) {
    SpawnParam p;
    p.name = std::string(name.substr(0, tokenCut));
    p.text = std::string(value.substr(0, tokenCut));
    p.intValue = static_cast<int32_t>(std::atol(p.text.c_str()));
    p.floatValue = static_cast<float>(std::atof(p.text.c_str()));
    if (p.name.size() >= 2 && p.name[1] == '_') {
        p.prefix = p.name[0];
        p.plainName = paramNameOf(std::string_view(p.name).substr(2));
    } else {
        p.plainName = paramNameOf(p.name);
    }
    p.wholeName = paramNameOf(p.name);
    return p;
}

}  // namespace testing_support
