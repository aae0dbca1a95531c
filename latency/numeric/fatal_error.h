#pragma once
// Fatal error of the numerical routines.
//
// The routines run inside the host's process, so ending the process would
// throw away the user's unsaved work. The fatal routine therefore prints the
// classic three-line report and throws FatalError; the plug-in's execute
// catches it and ends only the current run.

#include <stdexcept>
#include <string>

namespace latency::numeric {

class FatalError : public std::runtime_error {
public:
    explicit FatalError(const std::string& message) : std::runtime_error(message) {}
};

// Writes "Numerical Recipes run-time error...", the message and
// "...now exiting to system..." to stderr, one line each, then throws
// FatalError carrying the message.
[[noreturn]] void fatalError(const std::string& message);

}  // namespace latency::numeric
