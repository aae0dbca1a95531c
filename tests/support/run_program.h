// Running a program (talvora, a study generator) from a test through the
// shell: its exit status and everything it wrote, shared by every test folder.
#pragma once

#include <array>
#include <cstddef>
#include <cstdio>
#include <string>
#include <sys/wait.h>

namespace test_support {

struct Outcome {
    int status = -1;     // -1 when the program did not exit normally
    std::string output;  // stdout and stderr together, in order

    // The last line written, without its line end.
    std::string lastLine() const {
        std::string text = output;
        while (!text.empty() && text.back() == '\n') text.pop_back();
        const auto cut = text.rfind('\n');
        return cut == std::string::npos ? text : text.substr(cut + 1);
    }
};

// Runs `command` through the shell with stderr joined to stdout.
inline Outcome shell(const std::string& command) {
    Outcome out;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return out;
    std::array<char, 4096> buffer;
    std::size_t n;
    while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0) out.output.append(buffer.data(), n);
    const int raw = pclose(pipe);
    out.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return out;
}

inline bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

}  // namespace test_support
