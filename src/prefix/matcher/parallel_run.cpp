// The worker threads of a batch, their shared cursor and stop flag, and the watch loop.
#include "prefix/matcher/parallel_run.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace brindlemap {
namespace {

// Thrown by a worker's poll once the batch is stopped; it only unwinds the walk.
struct Stopped {};

struct Batch {
    std::atomic<std::size_t> next{0};
    std::atomic<bool> stop{false};
    std::mutex mutex;
    std::condition_variable finished;
    std::size_t running = 0;
    std::exception_ptr failure;

    static void poll(void* batch) {
        if (static_cast<Batch*>(batch)->stop.load(std::memory_order_relaxed)) throw Stopped{};
    }
};

void work_loop(Batch& batch, std::size_t count,
               const std::function<void(std::size_t, WalkInterrupt&)>& work) {
    WalkInterrupt interrupt(Batch::poll, &batch);
    try {
        for (std::size_t i; !batch.stop.load(std::memory_order_relaxed) &&
                            (i = batch.next.fetch_add(1, std::memory_order_relaxed)) < count;)
            work(i, interrupt);
    } catch (const Stopped&) {
    } catch (...) {
        std::lock_guard lock(batch.mutex);
        if (!batch.failure) batch.failure = std::current_exception();
        batch.stop = true;
    }
    std::lock_guard lock(batch.mutex);
    --batch.running;
    batch.finished.notify_all();
}

}  // namespace

bool run_on_threads(std::size_t count, std::size_t threads,
                    const std::function<void(std::size_t, WalkInterrupt&)>& work,
                    const std::function<bool()>& keep_going, std::chrono::milliseconds period) {
    Batch batch;
    std::vector<std::thread> workers;
    threads = std::max<std::size_t>(1, std::min(threads, count));
    {
        std::lock_guard lock(batch.mutex);
        batch.running = threads;
    }
    std::exception_ptr start_failure;
    try {
        for (std::size_t t = 0; t < threads; ++t)
            workers.emplace_back(work_loop, std::ref(batch), count, std::cref(work));
    } catch (...) {  // a thread could not be started: stop the others, then fail
        start_failure = std::current_exception();
        batch.stop = true;
        std::lock_guard lock(batch.mutex);
        batch.running -= threads - workers.size();
    }
    bool completed = true;
    {
        std::unique_lock lock(batch.mutex);
        while (!batch.finished.wait_for(lock, period, [&] { return batch.running == 0; })) {
            lock.unlock();
            bool go_on = false;
            try {
                go_on = keep_going();
            } catch (...) {
                lock.lock();
                if (!batch.failure) batch.failure = std::current_exception();
                lock.unlock();
            }
            lock.lock();
            if (!go_on) {
                batch.stop = true;
                completed = false;
            }
        }
    }
    for (std::thread& worker : workers) worker.join();
    if (start_failure) std::rethrow_exception(start_failure);
    if (batch.failure) std::rethrow_exception(batch.failure);
    return completed;
}

}  // namespace brindlemap
