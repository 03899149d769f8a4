// Two pieces of work at once: one on a thread of its own, the other on the caller's.
// Loading shares a large file's passes between two cores with it. A build without threads,
// or a system that refuses a new thread, runs the two in turn on the caller's thread.
#pragma once

#include <functional>
#include <system_error>
#include <thread>

// Runs `aside` on a new thread and `here` on the calling thread, and returns when both are
// done. Neither may throw: until both have returned, the two touch disjoint data, or share
// it only through atomics, and `aside` never waits for `here` (without threads it runs first).
template <class Aside, class Here>
void runSideBySide(Aside&& aside, Here&& here) {
#if defined(__EMSCRIPTEN__) && !defined(__EMSCRIPTEN_PTHREADS__)
    aside();
    here();
#else
    std::thread thread;
    try {
        thread = std::thread(std::ref(aside));
    } catch (const std::system_error&) {
        aside();
        here();
        return;
    }
    here();
    thread.join();
#endif
}
