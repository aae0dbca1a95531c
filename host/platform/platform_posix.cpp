// The host's system calls on Linux and other POSIX systems.
#include "host/platform/platform.h"
#include "host/services/host_exports.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <locale>
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

// Everything written so far reaches its file once, from this process: a child
// inherits empty buffers and writes only what it writes itself.
void flushStandardStreams() {
    std::cout.flush();
    std::cerr.flush();
    std::clog.flush();
    std::fflush(nullptr);
}

// The standard streams as a program just started with its output in a file
// has them, whatever this process did with its own: standard output fully
// buffered in a buffer of the size the C library would choose for the file
// (so that its lines and standard error's interleave in the log as they
// would), standard error unbuffered, the "C" locale, first formats.
void freshStandardStreams() {
    static char outputBuffer[BUFSIZ];
    std::size_t size = BUFSIZ;
    struct stat status {};
    if (::fstat(STDOUT_FILENO, &status) == 0 && status.st_blksize > 0 &&
        static_cast<std::size_t>(status.st_blksize) < size)
        size = static_cast<std::size_t>(status.st_blksize);
    std::setvbuf(stdout, outputBuffer, _IOFBF, size);
    std::setvbuf(stderr, nullptr, _IONBF, 0);
    std::setlocale(LC_ALL, "C");
    std::locale::global(std::locale::classic());
    for (std::ostream* stream : {&std::cout, &std::cerr, &std::clog}) {
        stream->imbue(std::locale::classic());
        stream->flags(std::ios::dec | std::ios::skipws);
        stream->precision(6);
        stream->width(0);
        stream->fill(' ');
        stream->clear();
    }
    std::cerr.setf(std::ios::unitbuf);
}

// The child's side: its standard files, `body`, its streams flushed, and out
// with _exit, so that the parent's atexit handlers and static destructors
// (and a sanitizer's leak check of the parent's memory) do not run here.
// Standard files that cannot be set up end it with status 127, as a shell's
// redirection that fails. The log goes in place first, then the null device,
// so that neither replaces the other whatever descriptors the parent had
// closed.
[[noreturn]] void runChild(const std::function<int()>& body, int log) {
    if (::dup2(log, STDOUT_FILENO) < 0 || ::dup2(log, STDERR_FILENO) < 0) ::_exit(127);
    if (log > STDERR_FILENO) ::close(log);
    const int nothing = ::open("/dev/null", O_RDONLY);
    if (nothing < 0 || ::dup2(nothing, STDIN_FILENO) < 0) ::_exit(127);
    if (nothing != STDIN_FILENO) ::close(nothing);
    std::clearerr(stdin);
    freshStandardStreams();
    int status = 2;
    try {
        status = body();
    } catch (const std::exception& e) {
        std::cerr << e.what() << '\n';
    } catch (...) {
        std::cerr << "unknown error\n";
    }
    flushStandardStreams();
    ::_exit(status & 0xff);
}

// The signal state system() sets up around its child: interrupt and quit
// ignored here (the child gets them), child ends not delivered as a signal
// (a handler elsewhere cannot reap the child first).
class SignalsWhileWaiting {
public:
    SignalsWhileWaiting() {
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        sigemptyset(&ignore.sa_mask);
        ::sigaction(SIGINT, &ignore, &interrupt_);
        ::sigaction(SIGQUIT, &ignore, &quit_);
        sigset_t childEnds;
        sigemptyset(&childEnds);
        sigaddset(&childEnds, SIGCHLD);
        ::pthread_sigmask(SIG_BLOCK, &childEnds, &mask_);
    }
    ~SignalsWhileWaiting() { restore(); }
    SignalsWhileWaiting(const SignalsWhileWaiting&) = delete;
    SignalsWhileWaiting& operator=(const SignalsWhileWaiting&) = delete;
    // Back to how they were (also the child's first step).
    void restore() {
        ::sigaction(SIGINT, &interrupt_, nullptr);
        ::sigaction(SIGQUIT, &quit_, nullptr);
        ::pthread_sigmask(SIG_SETMASK, &mask_, nullptr);
    }

private:
    struct sigaction interrupt_ {};
    struct sigaction quit_ {};
    sigset_t mask_{};
};

}  // namespace

int runInChildProcess(const std::function<int()>& body, const fs::path& log) {
    const int file = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (file < 0)
        throw std::runtime_error(log.string() + ": cannot create the file: " + std::strerror(errno));
    flushStandardStreams();
    pid_t child = -1;
    int raw = 0, problem = 0;
    {
        SignalsWhileWaiting signals;
        child = ::fork();
        if (child == 0) {
            signals.restore();
            runChild(body, file);
        }
        problem = errno;
        ::close(file);
        if (child > 0) {
            while (::waitpid(child, &raw, 0) < 0) {
                if (errno != EINTR) {
                    problem = errno;
                    child = -1;
                    break;
                }
            }
        }
    }
    if (child < 0)
        throw std::runtime_error(std::string("cannot run a child process: ") + std::strerror(problem));
    if (WIFEXITED(raw)) return WEXITSTATUS(raw);
    if (WIFSIGNALED(raw)) return 128 + WTERMSIG(raw);
    return -1;
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

void* allocateLargeBlock(std::size_t bytes) {
    constexpr std::size_t kHugePage = std::size_t(2) << 20;
    const std::size_t rounded = std::max(kHugePage, (bytes + kHugePage - 1) / kHugePage * kHugePage);
    if (rounded < bytes) return nullptr;
    void* block = std::aligned_alloc(kHugePage, rounded);
    if (block) madvise(block, rounded, MADV_HUGEPAGE);
    return block;
}

}  // namespace talvora::platform
