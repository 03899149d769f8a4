// Helpers for tests that drive real programs on a private X server: finding tools on
// PATH, a private Xvfb, child processes with bounded waits that are stopped by their pid.
#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>
#include <vector>

namespace testing_support {

// The path of an executable found on PATH, empty if there is none.
std::string findOnPath(std::string_view name);

// The current environment with the given NAME=value entries replacing or adding to it.
std::vector<std::string> environmentWith(const std::vector<std::string>& overrides);

// A private Xvfb server, started on a display number it picks itself and stopped (by its
// process id) when the object goes away.
class XServer {
public:
    XServer() = default;
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;
    ~XServer();

    // Starts the server with a screen of the given size ("WxHxDepth") and waits, at most
    // 20 seconds, until it accepts clients. On failure `why` says what went wrong.
    bool start(const std::string& binary, std::string& why,
               const std::string& screen = "1024x768x24");

    // The display name, such as ":99".
    const std::string& display() const { return display_; }

private:
    pid_t pid_ = -1;
    std::string display_;
};

// What a bounded command did: whether it ended in time, its exit status and its output.
struct CommandResult {
    bool finished = false;
    int exitStatus = -1;
    std::string output;
};

// Runs a program (argv[0] is its path) with the given environment and waits for it at most
// `timeoutSeconds`; a program still running then is killed. Standard output is collected.
CommandResult runCommand(const std::vector<std::string>& argv,
                         const std::vector<std::string>& environment, double timeoutSeconds);

// A program started in the background and stopped by its pid when the object goes away.
class ChildProcess {
public:
    ChildProcess() = default;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess();

    // Starts argv[0] in `workingDir` with its output going to `logPath`. On failure `why`
    // says what went wrong.
    bool start(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
               const std::string& workingDir, const std::string& logPath, std::string& why);

    // Waits at most `timeoutSeconds` for the program to end; true with its exit status
    // (or 128 + signal number) when it did.
    bool waitForExit(double timeoutSeconds, int& exitStatus);

    // True while the program runs.
    bool running();

    // Kills the program and collects it.
    void kill();

    pid_t pid() const { return pid_; }

private:
    pid_t pid_ = -1;
};

// Pauses the calling test for the given number of seconds.
void pauseSeconds(double seconds);

}  // namespace testing_support
