#include "latency/atomic_text_file.h"

#include <cstdio>
#include <filesystem>
#include <locale>
#include <system_error>

namespace latency {

bool AtomicTextFile::open(const std::string& name) {
    discard();
    name_ = name;
    stream_.clear();
    stream_.open(partName(), std::ios::out | std::ios::trunc | std::ios::binary);
    stream_.imbue(std::locale::classic());
    open_ = stream_.is_open();
    return open_;
}

bool AtomicTextFile::commit() {
    if (!open_) return false;
    stream_.flush();
    const bool flushed = stream_.good();
    stream_.close();
    open_ = false;
    // std::filesystem::rename replaces an existing file on every platform;
    // the C rename refuses to on Windows, where a second run would then keep
    // the first run's results.
    std::error_code error;
    if (flushed && !stream_.fail()) {
        std::filesystem::rename(partName(), name_, error);
        if (!error) return true;
    }
    std::remove(partName().c_str());
    return false;
}

void AtomicTextFile::discard() {
    if (!open_) return;
    stream_.close();
    open_ = false;
    std::remove(partName().c_str());
}

}  // namespace latency
