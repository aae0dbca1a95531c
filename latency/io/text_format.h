#pragma once
// printf-style formatting into a std::string, for log lines and file names
// whose layout is fixed as C format strings.

#include <string>

namespace latency::io {

#if defined(__GNUC__)
__attribute__((format(printf, 1, 2)))
#endif
std::string
formatText(const char* format, ...);

}  // namespace latency::io
