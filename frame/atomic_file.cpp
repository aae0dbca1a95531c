#include "frame/atomic_file.h"

#include <cstdio>
#include <locale>
#include <stdexcept>
#include <system_error>

namespace tl {
namespace {

FileOutcomeListener g_listener = nullptr;

void tellHost(const std::string& name, bool written) {
    if (g_listener) g_listener(name.c_str(), written ? 1 : 0);
}

}  // namespace

void setFileOutcomeListener(FileOutcomeListener listener) {
    g_listener = listener;
}

bool AtomicFile::open(const std::string& name) {
    discard();
    name_ = name;
    stream_.clear();
    stream_.open(partName(), std::ios::out | std::ios::trunc | std::ios::binary);
    stream_.imbue(std::locale::classic());
    open_ = stream_.is_open();
    problem_ = open_ ? "" : "cannot open for writing";
    if (!open_) tellHost(name_, false);
    return open_;
}

bool AtomicFile::commit() {
    if (!open_) {
        // A failed open() has told the host already.
        if (problem_.empty()) problem_ = "not open for writing";
        return false;
    }
    stream_.flush();
    const bool flushed = stream_.good();
    stream_.close();
    open_ = false;
    // std::filesystem::rename replaces an existing file on every platform;
    // the C rename refuses to on Windows, where a second run would then keep
    // the first run's results.
    std::error_code error;
    if (flushed && !stream_.fail()) {
        std::filesystem::rename(std::filesystem::u8path(partName()), std::filesystem::u8path(name_), error);
        if (!error) {
            tellHost(name_, true);
            return true;
        }
        problem_ = "cannot move the new file into place: " + error.message();
    } else {
        problem_ = "write failed";
    }
    std::remove(partName().c_str());
    tellHost(name_, false);
    return false;
}

void AtomicFile::discard() {
    if (!open_) return;
    stream_.close();
    open_ = false;
    std::remove(partName().c_str());
}

void writeFileAtomically(const std::filesystem::path& path, const std::function<void(std::ostream&)>& write) {
    AtomicFile file;
    if (!file.open(path.string())) throw std::runtime_error(path.string() + ": " + file.problem());
    write(file.stream());
    if (!file.commit()) throw std::runtime_error(path.string() + ": " + file.problem());
}

}  // namespace tl
