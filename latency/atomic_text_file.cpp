#include "latency/atomic_text_file.h"

#include <cstdio>
#include <locale>

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
    const bool written = stream_.good();
    stream_.close();
    open_ = false;
    if (written && std::rename(partName().c_str(), name_.c_str()) == 0) return true;
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
