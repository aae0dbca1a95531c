// The host's one way to put a text into a plug-in's fixed buffer or a
// record's text field.
#pragma once

#include <cstddef>
#include <cstring>
#include <string>

namespace talvora::services {

// Copies text with its zero byte into a field of `capacity` bytes, cut to
// fit; true when the whole text fit. A null field or no room copies nothing.
inline bool copyText(char* field, std::size_t capacity, const std::string& text) {
    if (!field || capacity == 0) return false;
    const std::size_t n = text.size() < capacity ? text.size() : capacity - 1;
    std::memcpy(field, text.data(), n);
    field[n] = '\0';
    return n == text.size();
}

}  // namespace talvora::services

// Callers outside the host (the plug-ins' tests, benchmarks and tools) use
// the short names.
namespace talvora {
using namespace services;
}  // namespace talvora
