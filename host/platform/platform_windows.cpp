// The host's system calls on Windows. Narrow strings are UTF-8 throughout the
// host (the program's manifest makes UTF-8 its code page), so paths go to the
// system as wide strings converted from UTF-8, never through the code page.
#include "host/platform/platform.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <io.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <vector>

namespace talvora::platform {
namespace fs = std::filesystem;

namespace {

std::string systemMessage(DWORD code) {
    wchar_t* text = nullptr;
    const DWORD n = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string message;
    if (n && text) {
        const int bytes =
            WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(n), nullptr, 0, nullptr, nullptr);
        message.resize(static_cast<std::size_t>(bytes));
        WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(n), message.data(), bytes, nullptr, nullptr);
        while (!message.empty() &&
               (message.back() == '\n' || message.back() == '\r' || message.back() == ' '))
            message.pop_back();
    }
    if (text) LocalFree(text);
    return message.empty() ? "system error " + std::to_string(code) : message;
}

[[noreturn]] void fail(const fs::path& path, const std::string& what) {
    throw std::runtime_error(path.u8string() + ": " + what);
}

}  // namespace

const char* pluginSuffix() {
    return ".dll";
}

void* openLibrary(const fs::path& path, std::string& why) {
    // No error dialog boxes: a missing dependency is reported as text.
    const UINT previous = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    HMODULE module =
        LoadLibraryExW(fs::absolute(path).wstring().c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    const DWORD error = GetLastError();
    SetErrorMode(previous);
    if (!module) why = systemMessage(error);
    return reinterpret_cast<void*>(module);
}

void* librarySymbol(void* library, const char* name) {
    if (!library) return nullptr;
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void closeLibrary(void* library) {
    if (library) FreeLibrary(static_cast<HMODULE>(library));
}

// The host functions are exported by the program itself.
void* hostModule() {
    return reinterpret_cast<void*>(GetModuleHandleW(nullptr));
}
void releaseHostModule(void*) {}

std::string fixedHostModuleName() {
    return executablePath(nullptr).filename().u8string();
}

fs::path executablePath(const char* argv0) {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) return fs::absolute(argv0 ? argv0 : "");
        if (n < buffer.size()) return fs::path(std::wstring(buffer.data(), n));
        buffer.resize(buffer.size() * 2);
    }
}

bool interactiveTerminal() {
    return _isatty(_fileno(stdin)) && _isatty(_fileno(stdout));
}

// Windows has no fork: a process starts from a program file, never from a
// copy of this one.
int runInChildProcess(const std::function<int()>&, const fs::path&) {
    throw std::runtime_error("running a function in a child process is not available on Windows");
}

namespace {

class MappedView : public FileView {
public:
    MappedView(HANDLE mapping, void* view, std::size_t bytes) : mapping_(mapping), view_(view) {
        data_ = static_cast<unsigned char*>(view);
        size_ = bytes;
    }
    ~MappedView() override {
        if (view_) UnmapViewOfFile(view_);
        if (mapping_) CloseHandle(mapping_);
    }

private:
    HANDLE mapping_;
    void* view_;
};

// A plain read into memory, for when the system refuses a mapping.
class CopiedView : public FileView {
public:
    explicit CopiedView(std::vector<unsigned char> bytes) : bytes_(std::move(bytes)) {
        data_ = bytes_.data();
        size_ = bytes_.size();
    }

private:
    std::vector<unsigned char> bytes_;
};

std::unique_ptr<FileView> readWhole(HANDLE file, const fs::path& path, std::size_t bytes) {
    std::vector<unsigned char> data(bytes);
    std::size_t done = 0;
    while (done < bytes) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes - done, 1u << 30));
        DWORD got = 0;
        if (!ReadFile(file, data.data() + done, chunk, &got, nullptr) || got == 0) {
            const DWORD error = GetLastError();
            CloseHandle(file);
            fail(path, "cannot read the file: " + systemMessage(error));
        }
        done += got;
    }
    CloseHandle(file);
    return std::make_unique<CopiedView>(std::move(data));
}

}  // namespace

std::unique_ptr<FileView> FileView::open(const fs::path& path, std::size_t bytes) {
    HANDLE file = CreateFileW(path.wstring().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        fail(path, "cannot open the file for reading: " + systemMessage(GetLastError()));
    if (bytes == 0) {
        CloseHandle(file);
        return std::make_unique<CopiedView>(std::vector<unsigned char>());
    }
    // Copy-on-write: a plug-in that scribbles on the data it was given changes
    // only its own copy of the touched pages, never the file.
    HANDLE mapping = CreateFileMappingW(file, nullptr, PAGE_WRITECOPY, 0, 0, nullptr);
    void* view = mapping ? MapViewOfFile(mapping, FILE_MAP_COPY, 0, 0, bytes) : nullptr;
    if (!view) {
        if (mapping) CloseHandle(mapping);
        return readWhole(file, path, bytes);
    }
    CloseHandle(file);
    return std::make_unique<MappedView>(mapping, view, bytes);
}

// No large pages on request here: an ordinary block.
void* allocateLargeBlock(std::size_t bytes) {
    return std::malloc(bytes);
}

}  // namespace talvora::platform
