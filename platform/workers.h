// Worker threads that share the tasks of one job with the calling thread: drawing uses them
// to turn Models and to rasterise on every core. A pool of no threads runs every task on
// the calling thread, as a build without threads does.
#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <type_traits>
#include <vector>

class WorkerPool {
public:
    // Starts `extraThreads` threads that wait for jobs.
    explicit WorkerPool(int extraThreads);
    // Stops and joins the threads.
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    // Threads that take tasks, the calling thread included.
    int threads() const { return static_cast<int>(threads_.size()) + 1; }

    // Runs task(k) for every k in [0, count), each once, on the pool's threads and the
    // calling thread, and returns when all are done. Only one thread runs jobs at a time.
    template <class Task>
    void run(int count, Task&& task) {
        using Callable = std::remove_reference_t<Task>;
        runJob(count, [](void* context, int k) { (*static_cast<Callable*>(context))(k); },
               const_cast<void*>(static_cast<const void*>(&task)));
    }

private:
    void runJob(int count, void (*function)(void*, int), void* context);
    void takeTasks();
    void serve();

    std::vector<std::thread> threads_;
    std::mutex mutex_;
    std::condition_variable wake_, done_;
    void (*function_)(void*, int) = nullptr;  // the job being run
    void* context_ = nullptr;
    int count_ = 0;                           // its tasks
    std::atomic<int> nextTask_{0};            // the next task a thread takes
    uint64_t generation_ = 0;                 // counts the jobs
    int busy_ = 0;                            // workers still on the current job
    bool stopping_ = false;
};

// The pool drawing shares: one thread per further core, at most three; none where the
// build has no threads.
WorkerPool& drawingWorkers();
