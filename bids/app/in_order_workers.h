#pragma once
// Independent pieces of work (a participant's runs) on a few threads of the
// app, with the outcome they would have one after the other: the failure
// reported is the first in order, and nothing after it is started once it is
// known. Every thread is joined before the call returns or throws, so none
// outlives it (the app forks host children afterwards).

#include <cstddef>
#include <exception>
#include <functional>
#include <optional>

namespace bids::app {

struct WorkFailure {
    std::size_t index = 0;  // the first failing piece, in order
    std::exception_ptr error;
};

// Calls work(0) ... work(count - 1), each exactly once unless a piece before
// it failed, on up to `threads` threads (the calling one among them; fewer
// when the system cannot start more). Pieces start in index order, so when
// piece i fails every piece before i has run to its end. Returns the first
// failure in index order, or none.
std::optional<WorkFailure> runInOrderOnThreads(std::size_t count, unsigned threads,
                                               const std::function<void(std::size_t)>& work);

// The number of processors this process may run on (at least 1).
unsigned usableProcessors();

}  // namespace bids::app
