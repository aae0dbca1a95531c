// The host's system calls on Linux and other POSIX systems.
#include "host/platform/platform.h"
#include "host/services/host_exports.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace talvora::platform {
namespace fs = std::filesystem;

const char* pluginSuffix() {
    return ".so";
}

void* openLibrary(const fs::path& path, std::string& why) {
    dlerror();
    // RTLD_LOCAL keeps each plug-in's frame to itself, as separate DLLs would.
    void* handle = dlopen(fs::absolute(path).c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* reason = dlerror();
        why = reason ? reason : "unknown reason";
    }
    return handle;
}

void* librarySymbol(void* library, const char* name) {
    return library ? dlsym(library, name) : nullptr;
}

void closeLibrary(void* library) {
    if (library) dlclose(library);
}

void* hostModule() {
    // This library itself, found through one of its own symbols.
    Dl_info info;
    if (!dladdr(reinterpret_cast<void*>(&talvoraHostModuleName), &info)) return nullptr;
    return dlopen(info.dli_fname, RTLD_LAZY | RTLD_NOLOAD);
}

void releaseHostModule(void* module) {
    if (module) dlclose(module);
}

std::string fixedHostModuleName() {
    return {};
}

fs::path executablePath(const char* argv0) {
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec) exe = fs::absolute(argv0 ? argv0 : "");
    return exe;
}

bool interactiveTerminal() {
    return isatty(STDIN_FILENO) && isatty(STDOUT_FILENO);
}

namespace {

class MappedView : public FileView {
public:
    MappedView(void* map, std::size_t bytes) : map_(map) {
        data_ = static_cast<unsigned char*>(map);
        size_ = bytes;
    }
    ~MappedView() override {
        if (map_) ::munmap(map_, size_);
    }

private:
    void* map_;
};

[[noreturn]] void fail(const fs::path& path, const std::string& what) {
    throw std::runtime_error(path.string() + ": " + what);
}

}  // namespace

std::unique_ptr<FileView> FileView::open(const fs::path& path, std::size_t bytes) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) fail(path, std::string("cannot open the file for reading: ") + std::strerror(errno));
    if (bytes == 0) {
        ::close(fd);
        return std::make_unique<MappedView>(nullptr, 0);
    }
    // Private and writable: a plug-in that scribbles on the data it was given
    // changes only its own copy of the touched pages, never the file.
    void* map = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE, fd, 0);
    const int mapErrno = errno;
    ::close(fd);
    if (map == MAP_FAILED) fail(path, std::string("cannot map the file: ") + std::strerror(mapErrno));
    return std::make_unique<MappedView>(map, bytes);
}

}  // namespace talvora::platform
