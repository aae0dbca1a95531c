// The host functions the Granger plug-in calls, each treating a function the
// host does not export as a failed call.
#pragma once

#include "frame/host_records.h"

#include <string>

namespace granger::plugin {

void logRaw(const std::string& text);
// The run's log writer: "// GCM> " before the text and after every line break.
void logLine(const std::string& text);
void message(const std::string& text);
void showLogTab();
void busy(bool on);

std::string stringParameter(const char* name);
int intParameter(const char* name);
void setStringParameter(const char* name, const std::string& value);
void setIntParameter(const char* name, int value);

int integerInput(const std::string& prompt, int defaultValue, int minimum, int maximum);
// Empty when cancelled.
std::string openFileName(const std::string& title, const std::string& filter);
std::string pluginsPath();

bool currentVMR();
std::string vmrPath();
bool linkVTC(const std::string& path);
// False when the host reports no linked VTC (first field -1) or cannot answer.
bool currentVTC(tl::VTCHeaderRecord& record);
bool setVTCParameters(tl::VTCHeaderRecord& record);
bool protocol(tl::ProtocolRecord& record);
bool protocolCondition(int index, tl::ProtocolConditionRecord& record);
bool loadVOIs(const std::string& path);
bool vois(tl::VOISetRecord& record);
const int* voi(int index, tl::VOIRecord& record);

// The host's volume maps of the current VMR.
bool deleteAllMaps();
bool createMaps(int nrOfMaps, int option, int nrOfThresholds, tl::NRVMPSetRecord& set);
bool readMaps(tl::NRVMPSetRecord& set);
// The map's values, filled in place; null when the host has no such map.
float* mapValues(int index, tl::NRVMPRecord& record);
bool setMapParameters(int index, tl::NRVMPRecord& record);
bool saveMaps(const std::string& path);
bool loadMaps(const std::string& path);
bool addMaps(const std::string& path);
bool deleteMap(int index);

}  // namespace granger::plugin
