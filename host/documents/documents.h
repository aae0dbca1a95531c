// The documents a job opens before the plug-in starts (volumes, time
// courses, protocols, VOIs, masks, GLMs) and what the host keeps of them.
#pragma once

#include <filesystem>

#include <nlohmann/json.hpp>

namespace talvora::documents {

// Opens the job's "documents" object; relative paths are taken from `base`.
// Throws std::runtime_error naming the file and the problem.
void openDocuments(const nlohmann::json& documents, const std::filesystem::path& base);

// Closes every document (a fresh workspace).
void closeDocuments();

}  // namespace talvora::documents

// Callers outside the host (the plug-ins' tests, benchmarks and tools) use
// the short names.
namespace talvora {
using namespace documents;
}  // namespace talvora
