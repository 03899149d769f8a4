// The worker pool: each job wakes the threads, every thread (the caller too) takes tasks
// by number until none is left, and the caller waits for the others to finish theirs.
#include "platform/workers.h"

#include <algorithm>

WorkerPool::WorkerPool(int extraThreads) {
    for (int k = 0; k < extraThreads; ++k) threads_.emplace_back([this] { serve(); });
}

// Stops and joins the threads.
WorkerPool::~WorkerPool() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    for (std::thread& t : threads_) t.join();
}

// Runs the job's tasks here and on the workers; returns when every task is done.
void WorkerPool::runJob(int count, void (*function)(void*, int), void* context) {
    if (count <= 0) return;
    if (threads_.empty() || count == 1) {
        for (int k = 0; k < count; ++k) function(context, k);
        return;
    }
    {
        std::lock_guard lock(mutex_);
        function_ = function;
        context_ = context;
        count_ = count;
        nextTask_.store(0);
        busy_ = static_cast<int>(threads_.size());
        ++generation_;
    }
    wake_.notify_all();
    takeTasks();
    std::unique_lock lock(mutex_);
    done_.wait(lock, [this] { return busy_ == 0; });
}

// Runs tasks of the current job until none is left.
void WorkerPool::takeTasks() {
    for (int k = nextTask_++; k < count_; k = nextTask_++) function_(context_, k);
}

// A worker: waits for each new job, takes its share of tasks, reports back.
void WorkerPool::serve() {
    uint64_t seen = 0;
    for (;;) {
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [&] { return stopping_ || generation_ != seen; });
            if (stopping_) return;
            seen = generation_;
        }
        takeTasks();
        {
            std::lock_guard lock(mutex_);
            --busy_;
        }
        done_.notify_one();
    }
}

WorkerPool& drawingWorkers() {
#if defined(__EMSCRIPTEN__) && !defined(__EMSCRIPTEN_PTHREADS__)
    static WorkerPool pool(0);
#else
    static WorkerPool pool(static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 4u)) - 1);
#endif
    return pool;
}
