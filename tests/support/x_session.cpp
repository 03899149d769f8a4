// Private X server, bounded commands and background programs for the window tests.
#include "tests/support/x_session.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>

extern char** environ;

namespace testing_support {

namespace {

using Clock = std::chrono::steady_clock;

// Milliseconds left until `deadline`, never negative.
int millisecondsLeft(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return static_cast<int>(std::max<long long>(0, left.count()));
}

// The point in time `seconds` from now.
Clock::time_point deadlineIn(double seconds) {
    return Clock::now() + std::chrono::milliseconds(static_cast<long long>(seconds * 1000.0));
}

// Null-terminated pointer arrays over strings, as posix_spawn wants them.
std::vector<char*> pointersTo(std::vector<std::string>& strings) {
    std::vector<char*> pointers;
    pointers.reserve(strings.size() + 1);
    for (auto& s : strings) pointers.push_back(s.data());
    pointers.push_back(nullptr);
    return pointers;
}

// The exit status of a collected child, or 128 + the signal that ended it.
int statusOf(int waitStatus) {
    if (WIFEXITED(waitStatus)) return WEXITSTATUS(waitStatus);
    if (WIFSIGNALED(waitStatus)) return 128 + WTERMSIG(waitStatus);
    return -1;
}

// Waits at most until `deadline` for `pid` to end; true (with its status) when it did.
bool waitUntil(pid_t pid, Clock::time_point deadline, int& exitStatus) {
    for (;;) {
        int waitStatus = 0;
        const pid_t got = ::waitpid(pid, &waitStatus, WNOHANG);
        if (got == pid) {
            exitStatus = statusOf(waitStatus);
            return true;
        }
        if (got < 0) return false;
        if (Clock::now() >= deadline) return false;
        ::poll(nullptr, 0, 10);
    }
}

// Kills `pid` outright and collects it.
void killAndCollect(pid_t pid) {
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
}

}  // namespace

// The path of an executable found on PATH, empty if there is none.
std::string findOnPath(std::string_view name) {
    const char* path = std::getenv("PATH");
    const std::string dirs = path ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= dirs.size()) {
        const size_t end = std::min(dirs.find(':', start), dirs.size());
        const std::string candidate = dirs.substr(start, end - start) + "/" + std::string(name);
        if (end > start && ::access(candidate.c_str(), X_OK) == 0) return candidate;
        start = end + 1;
    }
    return {};
}

// The current environment with the given NAME=value entries replacing or adding to it.
std::vector<std::string> environmentWith(const std::vector<std::string>& overrides) {
    std::vector<std::string> result;
    auto nameOf = [](const std::string& entry) { return entry.substr(0, entry.find('=')); };
    for (char** e = environ; e != nullptr && *e != nullptr; ++e) {
        std::string entry(*e);
        const bool replaced =
            std::any_of(overrides.begin(), overrides.end(),
                        [&](const std::string& o) { return nameOf(o) == nameOf(entry); });
        if (!replaced) result.push_back(std::move(entry));
    }
    result.insert(result.end(), overrides.begin(), overrides.end());
    return result;
}

// Starts the server and waits, at most 20 seconds, until it reports its display number.
bool XServer::start(const std::string& binary, std::string& why, const std::string& screen) {
    int fds[2];
    if (::pipe(fds) != 0) {
        why = "pipe failed";
        return false;
    }
    ::fcntl(fds[0], F_SETFD, FD_CLOEXEC);
    std::vector<std::string> args{binary,        "-displayfd", std::to_string(fds[1]),
                                  "-screen",     "0",          screen,
                                  "-nolisten",   "tcp",        "-noreset"};
    auto argv = pointersTo(args);
    const int rc = ::posix_spawn(&pid_, binary.c_str(), nullptr, nullptr, argv.data(), environ);
    ::close(fds[1]);
    if (rc != 0) {
        pid_ = -1;
        ::close(fds[0]);
        why = "could not start " + binary;
        return false;
    }
    // The server writes its display number to the pipe once it is ready.
    std::string number;
    pollfd waitFd{fds[0], POLLIN, 0};
    for (int rounds = 0; rounds < 200 && number.find('\n') == std::string::npos; ++rounds) {
        if (::poll(&waitFd, 1, 100) <= 0) continue;
        char buffer[16];
        const ssize_t got = ::read(fds[0], buffer, sizeof buffer);
        if (got <= 0) break;
        number.append(buffer, static_cast<size_t>(got));
    }
    ::close(fds[0]);
    if (number.find('\n') == std::string::npos) {
        why = "Xvfb did not report a display in time";
        return false;
    }
    display_ = ":" + number.substr(0, number.find('\n'));
    return true;
}

// Stops the server: politely first, then forcibly after 5 seconds.
XServer::~XServer() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    int ignored = 0;
    if (!waitUntil(pid_, deadlineIn(5.0), ignored)) killAndCollect(pid_);
}

// Runs a program with a time limit, collecting its standard output.
CommandResult runCommand(const std::vector<std::string>& argv,
                         const std::vector<std::string>& environment, double timeoutSeconds) {
    CommandResult result;
    if (argv.empty()) return result;
    int fds[2];
    if (::pipe(fds) != 0) return result;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    posix_spawn_file_actions_addclose(&actions, fds[1]);
    std::vector<std::string> args = argv;
    std::vector<std::string> env = environment;
    auto argp = pointersTo(args);
    auto envp = pointersTo(env);
    pid_t pid = -1;
    const int rc =
        ::posix_spawn(&pid, args[0].c_str(), &actions, nullptr, argp.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    if (rc != 0) {
        ::close(fds[0]);
        return result;
    }
    const auto deadline = deadlineIn(timeoutSeconds);
    pollfd readFd{fds[0], POLLIN, 0};
    for (;;) {
        const int left = millisecondsLeft(deadline);
        if (left == 0) break;
        if (::poll(&readFd, 1, std::min(left, 100)) <= 0) continue;
        char buffer[4096];
        const ssize_t got = ::read(fds[0], buffer, sizeof buffer);
        if (got <= 0) break;
        result.output.append(buffer, static_cast<size_t>(got));
    }
    ::close(fds[0]);
    result.finished = waitUntil(pid, deadline, result.exitStatus);
    if (!result.finished) killAndCollect(pid);
    return result;
}

// Starts the program with its output in a log file.
bool ChildProcess::start(const std::vector<std::string>& argv,
                         const std::vector<std::string>& environment,
                         const std::string& workingDir, const std::string& logPath,
                         std::string& why) {
    if (argv.empty()) {
        why = "no program given";
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, logPath.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    posix_spawn_file_actions_addchdir_np(&actions, workingDir.c_str());
    std::vector<std::string> args = argv;
    std::vector<std::string> env = environment;
    auto argp = pointersTo(args);
    auto envp = pointersTo(env);
    const int rc =
        ::posix_spawn(&pid_, args[0].c_str(), &actions, nullptr, argp.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        pid_ = -1;
        why = "could not start " + args[0];
        return false;
    }
    return true;
}

// Waits a bounded time for the program to end.
bool ChildProcess::waitForExit(double timeoutSeconds, int& exitStatus) {
    if (pid_ <= 0) return false;
    if (!waitUntil(pid_, deadlineIn(timeoutSeconds), exitStatus)) return false;
    pid_ = -1;
    return true;
}

// True while the program runs (a program that ended is collected here).
bool ChildProcess::running() {
    int ignored = 0;
    return pid_ > 0 && !waitForExit(0.0, ignored);
}

// Kills the program and collects it.
void ChildProcess::kill() {
    if (pid_ <= 0) return;
    killAndCollect(pid_);
    pid_ = -1;
}

// A program still running when the test ends is killed.
ChildProcess::~ChildProcess() { kill(); }

// Pauses the calling test.
void pauseSeconds(double seconds) {
    ::poll(nullptr, 0, static_cast<int>(seconds * 1000.0));
}

}  // namespace testing_support
