// Small helpers shared by the document host functions: no exception may
// cross into a plug-in, so each function runs its body through `guarded`,
// which logs the problem in the host's log and reports failure.
#pragma once

#include "host/documents/doc_store.h"
#include "host/services/text_copy.h"

#include <cstddef>
#include <cstring>
#include <exception>
#include <filesystem>
#include <string>

namespace talvora::documents {

template <class Result, class Body>
Result guarded(Result onFailure, Body&& body) {
    try {
        return body();
    } catch (const std::exception& e) {
        logHostProblem(e.what());
    } catch (...) {
        logHostProblem("unexpected failure in a host function");
    }
    return onFailure;
}

inline std::string textOf(const char* s) {
    return s ? s : "";
}
// A path from a plug-in: 8-bit texts are UTF-8 (on Windows too, where a
// plain conversion would read them in the system code page).
inline std::filesystem::path pathOf(const char* s) {
    return std::filesystem::u8path(s ? s : "");
}

inline DocumentStore& docs() {
    return DocumentStore::instance();
}

}  // namespace talvora::documents

// Callers outside the host (the plug-ins' tests, benchmarks and tools) use
// the short names.
namespace talvora {
using namespace documents;
}  // namespace talvora
