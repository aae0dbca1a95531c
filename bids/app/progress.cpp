#include "bids/app/progress.h"

#include <cstdio>

namespace bids::app {

Progress::Progress(std::ostream& out) : out_(out), start_(std::chrono::steady_clock::now()) {}

double Progress::elapsedSeconds() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
}

void Progress::step(const std::string& participant, const std::string& analysis, const std::string& what) {
    char elapsed[32];
    std::snprintf(elapsed, sizeof elapsed, "%.1f", elapsedSeconds());
    out_ << "talvora-bids: " << participant << " " << analysis << ": " << what << " [elapsed " << elapsed
         << " s]" << std::endl;
}

}  // namespace bids::app
