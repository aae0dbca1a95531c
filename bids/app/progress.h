#pragma once
// Progress lines on the terminal: which participant, which analysis, which
// step, and the time since the program started, one line per step so that a
// cluster job's log reads the same as a terminal.

#include <chrono>
#include <ostream>
#include <string>

namespace bids::app {

class Progress {
public:
    explicit Progress(std::ostream& out);
    // "talvora-bids: sub-01 latency: converting the runs [elapsed 1.2 s]"
    void step(const std::string& participant, const std::string& analysis, const std::string& what);
    double elapsedSeconds() const;

private:
    std::ostream& out_;
    std::chrono::steady_clock::time_point start_;
};

}  // namespace bids::app
