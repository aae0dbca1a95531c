#include "host/platform/lazy_aligned_copy.h"

#include <atomic>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <sys/mman.h>
#include <unistd.h>

namespace talvora::platform {
namespace {

// The handler may run at any moment, so views live in a fixed table of
// atomics it can read without locks; a handful is open at a time (the linked
// VTC, and the one before it while a link is replaced).
constexpr int kSlots = 16;

struct Slot {
    std::atomic<std::uintptr_t> begin{0};
    std::atomic<std::uintptr_t> end{0};
    std::atomic<const unsigned char*> source{nullptr};
    std::atomic<std::size_t> bytes{0};
    std::atomic<std::size_t> filled{0};
};

Slot g_slots[kSlots];
struct sigaction g_previous;
std::once_flag g_installed;

std::size_t pageSize() {
    static const std::size_t size = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    return size;
}

void passOn(int signal, siginfo_t* info, void* context) {
    if (g_previous.sa_flags & SA_SIGINFO) {
        if (g_previous.sa_sigaction) g_previous.sa_sigaction(signal, info, context);
        return;
    }
    if (g_previous.sa_handler == SIG_IGN) return;
    if (g_previous.sa_handler != SIG_DFL && g_previous.sa_handler) {
        g_previous.sa_handler(signal);
        return;
    }
    // Default action: put it back and let the faulting access happen again.
    std::signal(signal, SIG_DFL);
}

void onFault(int signal, siginfo_t* info, void* context) {
    const auto address = reinterpret_cast<std::uintptr_t>(info->si_addr);
    for (Slot& slot : g_slots) {
        const std::uintptr_t begin = slot.begin.load(std::memory_order_acquire);
        if (!begin || address < begin || address >= slot.end.load(std::memory_order_acquire)) continue;
        const std::uintptr_t page = address & ~(static_cast<std::uintptr_t>(pageSize()) - 1);
        const std::size_t offset = page - begin;
        const std::size_t bytes = slot.bytes.load(std::memory_order_acquire);
        void* target = reinterpret_cast<void*>(page);
        if (::mprotect(target, pageSize(), PROT_READ | PROT_WRITE) != 0) break;
        if (offset < bytes) {
            const std::size_t n = bytes - offset < pageSize() ? bytes - offset : pageSize();
            std::memcpy(target, slot.source.load(std::memory_order_acquire) + offset, n);
        }
        slot.filled.fetch_add(1, std::memory_order_relaxed);
        return;  // the access is retried on the filled page
    }
    passOn(signal, info, context);
}

void installHandler() {
    struct sigaction action {};
    action.sa_sigaction = onFault;
    action.sa_flags = SA_SIGINFO | SA_NODEFER | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGSEGV, &action, &g_previous);
}

}  // namespace

LazyAlignedCopy::LazyAlignedCopy(const unsigned char* source, std::size_t bytes) : bytes_(bytes) {
    if (!source || bytes == 0) return;
    std::call_once(g_installed, installHandler);
    mappedBytes_ = (bytes + pageSize() - 1) / pageSize() * pageSize();
    void* view = ::mmap(nullptr, mappedBytes_, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (view == MAP_FAILED) return;
    for (int i = 0; i < kSlots; ++i) {
        std::uintptr_t expected = 0;
        // Claim a free slot: its begin is set last, once the rest is in place.
        if (g_slots[i].end.load() != 0 || !g_slots[i].end.compare_exchange_strong(expected, 1)) continue;
        Slot& slot = g_slots[i];
        slot.source.store(source, std::memory_order_release);
        slot.bytes.store(bytes, std::memory_order_release);
        slot.filled.store(0, std::memory_order_relaxed);
        slot.end.store(reinterpret_cast<std::uintptr_t>(view) + mappedBytes_, std::memory_order_release);
        slot.begin.store(reinterpret_cast<std::uintptr_t>(view), std::memory_order_release);
        slot_ = i;
        view_ = view;
        return;
    }
    ::munmap(view, mappedBytes_);
}

LazyAlignedCopy::~LazyAlignedCopy() {
    if (slot_ < 0) return;
    Slot& slot = g_slots[slot_];
    slot.begin.store(0, std::memory_order_release);
    ::munmap(view_, mappedBytes_);
    slot.source.store(nullptr);
    slot.bytes.store(0);
    slot.end.store(0, std::memory_order_release);
}

std::size_t LazyAlignedCopy::pagesFilled() const {
    return slot_ < 0 ? 0 : g_slots[slot_].filled.load(std::memory_order_relaxed);
}

}  // namespace talvora::platform
