#pragma once
// The latency plug-in's only way to the host. Every call goes through one of
// these functions; those of the run's main road are listed once in
// host_access.cpp, and that list is both the up-front check and the only
// way their wrappers reach the table. The others are null-safe: a function
// the host does not export counts as a failed call.

#include <string>

#include "frame/host_records.h"

namespace latency::host {

// Binds the host table and checks the host's version (showing the message
// when it is too old). False when the run must not start.
bool bindAndCheckVersion();

// The first function of the run's main road that the host does not export,
// or nullptr when all are there.
const char* firstMissingRequiredFunction();

// Log pane and dialogs.
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

// Documents of the current VMR (main road).
bool currentVmrOpen();
void clearVtcList();
bool addVtc(const std::string& path);
void linkVtc(const std::string& path, int index);
// The linked VTC's header; its first field is -1 when the host has none.
tl::VTCHeaderRecord linkedVtcHeader();
// Makes the host load the linked VTC's values (float or integer data).
void loadLinkedVtcData(int dataType);
bool readVoxelTimeCourse(int vtcIndex, int voxel, float* values);
bool readProtocol(tl::ProtocolRecord& protocol);
void readProtocolCondition(int index, tl::ProtocolConditionRecord& condition);

// Optional documents: nullptr or false when the host has none (or lacks
// the function).
const float* currentGlm(tl::GLMRecord& glm);
bool readVois(tl::VOISetRecord& set);
const int* readVoi(int index, tl::VOIRecord& voi);
const unsigned char* loadMask(const std::string& path);

// Latency maps of the current VMR (main road).
void deleteMaps();
bool createMaps(int count);
void readMaps(tl::NRVMPSetRecord& set);
float* mapValues(int index, tl::NRVMPRecord& record);
void setMapParameters(int index, tl::NRVMPRecord& record);
bool saveMaps(const std::string& path);

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
