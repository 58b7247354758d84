// The worker threads of a batch, their shared cursor and stop flag, and the watch loop.
#include "prefix/matcher/parallel_run.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

#include "prefix/forced_unwind.h"

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
    // Counted out on every way out, so that the watch loop never waits for a thread gone.
    struct Leaving {
        Batch& batch;
        ~Leaving() {
            std::lock_guard lock(batch.mutex);
            --batch.running;
            batch.finished.notify_all();
        }
    } leaving{batch};
    WalkInterrupt interrupt(Batch::poll, &batch);
    try {
        for (std::size_t i; !batch.stop.load(std::memory_order_relaxed) &&
                            (i = batch.next.fetch_add(1, std::memory_order_relaxed)) < count;)
            work(i, interrupt);
    } catch (const Stopped&) {
    } catch (...) {
        rethrow_if_forced_unwind();
        std::lock_guard lock(batch.mutex);
        if (!batch.failure) batch.failure = std::current_exception();
        batch.stop = true;
    }
}

// The workers of a batch. However the calling thread leaves (an exception, or the forced unwind
// that ends it at shutdown), they are stopped and joined before the batch they share goes.
class Crew {
  public:
    explicit Crew(Batch& batch) noexcept : batch_(batch) {}
    ~Crew() { join(); }
    Crew(const Crew&) = delete;
    Crew& operator=(const Crew&) = delete;

    std::vector<std::thread>& workers() noexcept { return workers_; }

    void join() {
        if (std::ranges::none_of(workers_, &std::thread::joinable)) return;
        batch_.stop = true;  // a no-op on the way out of a finished batch
        for (std::thread& worker : workers_)
            if (worker.joinable()) worker.join();
    }

  private:
    Batch& batch_;
    std::vector<std::thread> workers_;
};

}  // namespace

bool run_on_threads(std::size_t count, std::size_t threads,
                    const std::function<void(std::size_t, WalkInterrupt&)>& work,
                    const std::function<bool()>& keep_going, std::chrono::milliseconds period) {
    Batch batch;
    Crew crew(batch);
    threads = std::max<std::size_t>(1, std::min(threads, count));
    {
        std::lock_guard lock(batch.mutex);
        batch.running = threads;
    }
    std::exception_ptr start_failure;
    try {
        for (std::size_t t = 0; t < threads; ++t)
            crew.workers().emplace_back(work_loop, std::ref(batch), count, std::cref(work));
    } catch (...) {  // a thread could not be started: stop the others, then fail
        rethrow_if_forced_unwind();
        start_failure = std::current_exception();
        batch.stop = true;
        std::lock_guard lock(batch.mutex);
        batch.running -= threads - crew.workers().size();
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
                rethrow_if_forced_unwind();  // the crew is stopped and joined on the way out
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
    crew.join();
    if (start_failure) std::rethrow_exception(start_failure);
    if (batch.failure) std::rethrow_exception(batch.failure);
    return completed;
}

}  // namespace brindlemap
