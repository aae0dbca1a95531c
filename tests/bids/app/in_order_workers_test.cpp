// Pieces of work on a few threads end as they would one after the other: each
// runs once, the failure reported is the first in order, nothing after it
// starts once it is known, and every thread is joined before the call ends.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "bids/app/in_order_workers.h"

using bids::app::runInOrderOnThreads;

namespace {

std::string messageOf(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "not a std::exception";
    }
}

}  // namespace

TEST(InOrderWorkers, EveryPieceRunsOnceWithMoreThreadsThanPieces) {
    for (unsigned threads : {1u, 2u, 3u, 16u}) {
        std::vector<std::atomic<int>> calls(7);
        const auto failure = runInOrderOnThreads(calls.size(), threads, [&](std::size_t i) { ++calls[i]; });
        EXPECT_FALSE(failure) << threads;
        for (std::size_t i = 0; i < calls.size(); ++i) EXPECT_EQ(calls[i].load(), 1) << threads << " " << i;
    }
    EXPECT_FALSE(runInOrderOnThreads(0, 4, [](std::size_t) { FAIL() << "called without pieces"; }));
}

TEST(InOrderWorkers, PiecesRunAtTheSameTime) {
    // Two pieces that each wait for the other to have started can only both
    // finish when they run at the same time.
    std::atomic<int> started{0};
    const auto failure = runInOrderOnThreads(2, 2, [&](std::size_t) {
        ++started;
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (started.load() < 2 && std::chrono::steady_clock::now() < until) std::this_thread::yield();
        if (started.load() < 2) throw std::runtime_error("alone");
    });
    EXPECT_FALSE(failure) << messageOf(failure->error);
}

TEST(InOrderWorkers, TheFirstFailureInOrderIsReportedEvenWhenALaterOneEndsFirst) {
    // Piece 1 fails late, piece 2 at once: piece 1's failure is the one told.
    const auto failure = runInOrderOnThreads(3, 3, [](std::size_t i) {
        if (i == 1) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            throw std::runtime_error("piece 1");
        }
        if (i == 2) throw std::runtime_error("piece 2");
    });
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->index, 1u);
    EXPECT_EQ(messageOf(failure->error), "piece 1");
}

TEST(InOrderWorkers, NothingStartsAfterAKnownFailureButEverythingBeforeItEnds) {
    std::mutex mutex;
    std::set<std::size_t> ran;
    const auto failure = runInOrderOnThreads(6, 1, [&](std::size_t i) {
        {
            std::lock_guard<std::mutex> lock(mutex);
            ran.insert(i);
        }
        if (i == 2) throw 42;  // not a std::exception
    });
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->index, 2u);
    EXPECT_EQ(messageOf(failure->error), "not a std::exception");
    EXPECT_EQ(ran, (std::set<std::size_t>{0, 1, 2}));
}

TEST(InOrderWorkers, NoThreadOutlivesTheCall) {
    // Each piece sets its flag as its last act; all are set on return even
    // when the first piece fails at once and the others are slow.
    std::vector<std::atomic<bool>> ended(4);
    const auto failure = runInOrderOnThreads(ended.size(), 4, [&](std::size_t i) {
        if (i > 0) std::this_thread::sleep_for(std::chrono::milliseconds(50));
        ended[i] = true;
        if (i == 0) throw std::runtime_error("piece 0");
    });
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->index, 0u);
    std::size_t endedCount = 0;
    for (auto& e : ended) endedCount += e.load() ? 1 : 0;
    // Pieces already started when piece 0 failed have ended; none is left running.
    const std::size_t before = endedCount;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    endedCount = 0;
    for (auto& e : ended) endedCount += e.load() ? 1 : 0;
    EXPECT_EQ(endedCount, before);
    EXPECT_GE(endedCount, 1u);
}
