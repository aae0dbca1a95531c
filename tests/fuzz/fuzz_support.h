// Shared pieces of the fuzz targets: a private scratch folder, the input
// written to a file there (the readers read files), and a loud failure that
// both libFuzzer and the replay test report as a crash.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace fuzz_support {

// One folder per process, removed at exit.
inline const std::filesystem::path& scratch() {
    static const std::filesystem::path dir = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "talvora-fuzz-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) std::abort();
        static struct Remove {
            std::filesystem::path dir;
            ~Remove() {
                std::error_code ec;
                std::filesystem::remove_all(dir, ec);
            }
        } remove{pattern};
        return std::filesystem::path(pattern);
    }();
    return dir;
}

inline std::filesystem::path writeInput(const std::string& name, const std::uint8_t* data, std::size_t size) {
    const std::filesystem::path path = scratch() / name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    out.close();
    if (!out) std::abort();
    return path;
}

inline std::string readBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// A property of the code under test does not hold: report and crash.
[[noreturn]] inline void finding(const std::string& what) {
    std::fprintf(stderr, "FUZZ FINDING: %s\n", what.c_str());
    std::fflush(stderr);
    std::abort();
}

}  // namespace fuzz_support
