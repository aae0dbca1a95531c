#include "bids/app/in_order_workers.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#ifdef __linux__
#include <sched.h>
#endif

namespace bids::app {

namespace {

class Workers {
public:
    Workers(std::size_t count, const std::function<void(std::size_t)>& work) : count_(count), work_(work) {}

    // Takes pieces in index order until none is left or one before the next
    // has failed.
    void drain() {
        for (;;) {
            const std::size_t i = next_.fetch_add(1);
            if (i >= count_ || i > firstFailed_.load()) return;
            try {
                work_(i);
            } catch (...) {
                record(i, std::current_exception());
            }
        }
    }

    std::optional<WorkFailure> failure() const {
        if (!failure_.error) return std::nullopt;
        return failure_;
    }

private:
    void record(std::size_t i, std::exception_ptr error) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (failure_.error && failure_.index < i) return;
        failure_ = {i, error};
        firstFailed_.store(i);
    }

    const std::size_t count_;
    const std::function<void(std::size_t)>& work_;
    std::atomic<std::size_t> next_{0};
    std::atomic<std::size_t> firstFailed_{static_cast<std::size_t>(-1)};
    std::mutex mutex_;
    WorkFailure failure_;
};

// Joins every started thread however the scope is left.
struct Joined {
    std::vector<std::thread> threads;
    ~Joined() {
        for (auto& t : threads)
            if (t.joinable()) t.join();
    }
};

}  // namespace

std::optional<WorkFailure> runInOrderOnThreads(std::size_t count, unsigned threads,
                                               const std::function<void(std::size_t)>& work) {
    Workers workers(count, work);
    {
        Joined helpers;
        const std::size_t extra = std::min<std::size_t>(std::max(threads, 1u), count) - (count > 0 ? 1 : 0);
        helpers.threads.reserve(extra);
        for (std::size_t t = 0; t < extra; ++t) {
            try {
                helpers.threads.emplace_back([&workers] { workers.drain(); });
            } catch (const std::system_error&) {
                break;  // the threads already started and this one share the work
            }
        }
        workers.drain();
    }
    return workers.failure();
}

unsigned usableProcessors() {
#ifdef __linux__
    cpu_set_t set;
    if (sched_getaffinity(0, sizeof set, &set) == 0) return std::max(1, CPU_COUNT(&set));
#endif
    return std::max(1u, std::thread::hardware_concurrency());
}

}  // namespace bids::app
