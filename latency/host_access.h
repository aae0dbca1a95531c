#pragma once
// The latency run's access to the host: null-safe calls through the bound
// host table (a function the host does not export counts as a failed call)
// and the check for the functions a run cannot do without.

#include <string>

namespace latency::host {

// The first function of the run's main road that the host does not export,
// or nullptr when all are there.
const char* firstMissingRequiredFunction();

void showLogTab();
void updateActiveWindow();
void log(const std::string& line);
void message(const std::string& text);
bool askYesNo(const std::string& question);
// The host returns a value below the minimum when the user cancels.
int askInteger(const std::string& prompt, int defaultValue, int minimum, int maximum);
float askFloat(const std::string& prompt, float defaultValue, float minimum, float maximum);
// File dialogs with an empty initial text; false when nothing was chosen.
bool askOpenFile(const std::string& title, const std::string& filter, std::string& path);
bool askSaveFile(const std::string& title, const std::string& filter, std::string& path);

// Brackets long work with the host's busy cursor; stops it at the latest
// when it goes out of scope.
class BusyCursor {
public:
    BusyCursor();
    ~BusyCursor() { stop(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
    void stop();

private:
    bool busy_ = true;
};

}  // namespace latency::host
