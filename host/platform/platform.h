// What the stand-in host needs from the operating system, in one place:
// loading plug-in libraries, the module that exports the host functions, the
// program's own file, terminals, child processes, and read-only views of data
// files. One
// implementation per system (platform_posix.cpp, platform_windows.cpp); the
// aligned view of unaligned bytes is lazy_aligned_copy.h.
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

namespace talvora::platform {

// File name ending of a plug-in library: ".so" or ".dll".
const char* pluginSuffix();

// Loads a library by path, keeping its symbols to itself (each plug-in has
// its own frame, as separate DLLs have). Null on failure, with the system's
// reason in `why`.
void* openLibrary(const std::filesystem::path& path, std::string& why);
// Address of `name` exported by `library`, or null.
void* librarySymbol(void* library, const char* name);
// Gives back a handle of openLibrary that will not be used again.
void closeLibrary(void* library);

// The module exporting the host functions (libtalvora_host.so, or on Windows
// the program itself), as a handle for tl::platform::GetProcAddress; null
// when it cannot be found. Release it with releaseHostModule.
void* hostModule();
void releaseHostModule(void* module);

// The module name the system itself gives the host and the plug-ins find it
// by ("Talvora.exe" for a program file named so), or empty when the host
// can answer to any name it is told (the Linux stand-in).
std::string fixedHostModuleName();

// The running program's file; `argv0` is the fallback.
std::filesystem::path executablePath(const char* argv0);

// True when standard input and output both are a terminal.
bool interactiveTerminal();

// Runs `body` in a child process of this one, as a program started with
// `</dev/null >LOG 2>&1` would run: standard input from the null device,
// standard output and error into `log` (created or emptied), standard output
// fully buffered and standard error unbuffered, the C++ streams in their first
// format. Waits for the child and returns its exit status: `body`'s value
// (0..255), 128 + the signal that killed it as a shell says, or 127 when its
// standard files could not be set up. The child leaves without running this
// program's exit handlers or static destructors (nothing of the parent's runs
// twice); an exception escaping `body` is said on its standard error and ends
// it with status 2. While the child runs, this process ignores the terminal's
// interrupt and quit keys, as system() does: they end the child only. Throws
// std::runtime_error when the log cannot be created or no child can be
// started; on Windows, always (not available).
int runInChildProcess(const std::function<int()>& body, const std::filesystem::path& log);

// `bytes` of uninitialised memory for std::free, in 2 MiB pages where the
// system offers them on request: filling a run-sized block then takes a page
// fault per 2 MiB instead of per 4 KiB, which is much of the time of a fast
// conversion. Null when the memory is not there.
void* allocateLargeBlock(std::size_t bytes);

// A whole file as read-only bytes: memory-mapped where the system allows
// (pages are read as they are touched), else read into memory. Writes by a
// caller to the bytes never reach the file.
class FileView {
public:
    // Throws std::runtime_error("<path>: <problem>").
    static std::unique_ptr<FileView> open(const std::filesystem::path& path, std::size_t bytes);
    virtual ~FileView() = default;
    unsigned char* data() const { return data_; }
    std::size_t size() const { return size_; }

protected:
    unsigned char* data_ = nullptr;
    std::size_t size_ = 0;
};

}  // namespace talvora::platform
